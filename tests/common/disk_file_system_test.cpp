// Files on disk: what is written arrives whole once the stream is gone, a
// new file replaces an old one, and a file that cannot be made says why.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "common/file_system.h"

namespace varnholt {
namespace {

class DiskFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/varnholt-fs-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const std::string& name) { return dir_ + "/" + name; }
  std::string read_back(const std::string& name) {
    std::string why;
    auto in = fs_.open_read(name, why);
    EXPECT_NE(in, nullptr) << why;
    return in ? std::string(std::istreambuf_iterator<char>(*in), {}) : std::string();
  }

  DiskFileSystem fs_;
  std::string dir_;
};

TEST_F(DiskFiles, LongReportArrivesWhole) {
  const std::string name = path("report.txt");
  std::string want;
  {
    std::string why;
    auto out = fs_.open_write(name, why);
    ASSERT_NE(out, nullptr) << why;
    // Several times the stream's buffer, in report-sized lines.
    for (int row = 0; row < 20000; ++row) {
      std::string line = "         " + std::to_string(50.0 + row * 0.0001);
      line.resize(78, ' ');
      line += "\r\n";
      out->write(line.data(), static_cast<std::streamsize>(line.size()));
      want += line;
    }
    ASSERT_TRUE(out->good());
  }  // the last part is written out when the stream goes
  EXPECT_EQ(read_back(name), want);
}

TEST_F(DiskFiles, NewFileReplacesOldOne) {
  const std::string name = path("again.txt");
  std::string why;
  {
    auto out = fs_.open_write(name, why);
    ASSERT_NE(out, nullptr) << why;
    *out << std::string(1000, 'a');
  }
  {
    auto out = fs_.open_write(name, why);
    ASSERT_NE(out, nullptr) << why;
    *out << "short";
  }
  EXPECT_EQ(read_back(name), "short");
}

TEST_F(DiskFiles, FileThatCannotBeMadeSaysWhy) {
  std::string why;
  EXPECT_EQ(fs_.open_write(dir_ + "/no/such/folder/report.txt", why), nullptr);
  EXPECT_FALSE(why.empty());
}

}  // namespace
}  // namespace varnholt

// A storage name of invalid UTF-8, and a real storage file complete on disk
// after a fatal end. Long lines, NUL bytes, invalid UTF-8 and extreme numbers
// at every numeric prompt, the other storage names and fatal ends are
// recorded under tests/sessions/hostile-*, storage-name-* and fatal-*.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/session.h"

namespace varnholt::testing {
namespace {

// A Chebyshev low-pass at 100 MHz with 5 sections and Zo = 50, every value typed,
// then storage under a name; the defaults and the file of a normal end, from a recording.
const std::vector<std::string> kDesign = {"2", "1", "1", "100", "0.5", "5", "50", "1"};
const std::string kRecorded = VARNHOLT_TEST_SESSIONS "/fatal-storage-kept-input-ends-at-menu/";

// Invalid UTF-8 in a storage name (kept out of the recorded sessions' file names).
TEST(HostileInput, StorageNameOfInvalidUtf8IsKeptByteForByte) {
  RecordingFileSystem fs;
  fs.put("Varnholt.DEF", read_file(kRecorded + "Varnholt.DEF"));
  const auto run = run_session(lines(kDesign) + lines({"\xff\xfe\xc3(.txt", "3"}), fs);
  ASSERT_EQ(run.result.status, 0) << run.result.err;
  EXPECT_NE(run.written.at("\xff\xfe\xc3(.txt").find("SYNTHESIS of the"), std::string::npos);
  EXPECT_NE(run.result.out.find("Filename: \xff\xfe\xc3(.txt"), std::string::npos);
}

// Reads the defaults from memory and writes the storage file to the disk, so
// that the test sees what a real file holds after the program has ended.
class DiskStorage : public MemoryFileSystem {
 public:
  DiskStorage() { put("Varnholt.DEF", read_file(kRecorded + "Varnholt.DEF")); }
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override {
    return disk_.open_write(name, why);
  }

 private:
  DiskFileSystem disk_;
};

TEST(StorageSurvives, ARealFileIsCompleteOnDiskAfterAFatalEnd) {
  std::string expected = read_file(kRecorded + "expected.s.txt");
  char dir[] = "/tmp/vhXXXXXX";  // short: the whole path must fit in a 20-character name
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/s.txt";
  const std::string field = padded("s.txt", kNameLength);  // the file is named by its path
  expected.replace(expected.find(field), kNameLength, padded(path, kNameLength));
  for (const std::string last : {"", "abc\r\n"}) {
    DiskStorage fs;
    std::istringstream in(lines(kDesign) + lines({path, "2", "2", "1", "1"}) + last);
    std::ostringstream out, err;
    EXPECT_EQ(run_program(in, out, err, fs, fixed_time), 2);
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), expected);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varnholt::testing

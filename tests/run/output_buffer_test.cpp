// Standard output's large buffer: every byte arrives once and in order,
// whatever the sizes of the writes, and a refused write fails the stream.
#include "run/output_buffer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

namespace varnholt {
namespace {

// A temporary file, written through its descriptor and read back whole.
class TempFile {
 public:
  ~TempFile() { std::fclose(file_); }
  int fd() const { return ::fileno(file_); }
  std::string contents() const {
    std::string text(static_cast<std::size_t>(::lseek(fd(), 0, SEEK_END)), '\0');
    const auto got = ::pread(fd(), text.data(), text.size(), 0);
    return got == static_cast<ssize_t>(text.size()) ? text : std::string();
  }

 private:
  std::FILE* file_ = std::tmpfile();
};

TEST(DescriptorOutputBuffer, WritesOfEverySizeArriveInOrder) {
  TempFile file;
  ASSERT_GE(file.fd(), 0);
  std::string want;
  {
    DescriptorOutputBuffer buffer(file.fd(), 64);
    std::ostream out(&buffer);
    // Single characters, pieces that fit, pieces that straddle the end of
    // the buffer, and pieces larger than the whole buffer.
    for (int size : {1, 1, 5, 63, 64, 65, 1, 200, 0, 127, 128, 3}) {
      std::string piece;
      for (int i = 0; i < size; ++i) {
        piece.push_back(static_cast<char>('a' + (want.size() + static_cast<std::size_t>(i)) % 26));
      }
      out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
      out.put('|');
      want += piece + "|";
    }
    out << 12345 << "\r\n";
    want += "12345\r\n";
    ASSERT_TRUE(out.good());
  }  // the destructor writes out what is left
  EXPECT_EQ(file.contents(), want);
}

TEST(DescriptorOutputBuffer, HoldsOutputUntilFlushed) {
  TempFile file;
  DescriptorOutputBuffer buffer(file.fd(), 1024);
  std::ostream out(&buffer);
  out << "question = ";
  EXPECT_EQ(file.contents(), "");  // still in the buffer
  out.flush();
  EXPECT_EQ(file.contents(), "question = ");
}

TEST(DescriptorOutputBuffer, RefusedWriteFailsTheStream) {
  const int full = ::open("/dev/full", O_WRONLY);
  if (full < 0) GTEST_SKIP() << "no /dev/full";
  {
    DescriptorOutputBuffer buffer(full, 16);
    std::ostream out(&buffer);
    out << "short";
    out.flush();
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.error(), ENOSPC);
  }
  {
    DescriptorOutputBuffer buffer(full, 16);
    std::ostream out(&buffer);
    const std::string longer(100, 'x');  // passes the buffer
    out.write(longer.data(), static_cast<std::streamsize>(longer.size()));
    EXPECT_TRUE(out.bad());
  }
  ::close(full);
}

}  // namespace
}  // namespace varnholt

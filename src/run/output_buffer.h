// Standard output through one large buffer: a long sweep prints tens of
// megabytes, and the stream buffer of std::cout hands them to the system a
// few kilobytes at a time. The console layer flushes before every read, so
// prompts still appear before the program waits for a reply.
#pragma once

#include <cstddef>
#include <memory>
#include <streambuf>

namespace varnholt {

class DescriptorOutputBuffer : public std::streambuf {
 public:
  // Writes to the open file descriptor `fd` (not closed here) through a
  // buffer of `size` bytes (at least 1).
  DescriptorOutputBuffer(int fd, std::size_t size);
  ~DescriptorOutputBuffer() override;

  DescriptorOutputBuffer(const DescriptorOutputBuffer&) = delete;
  DescriptorOutputBuffer& operator=(const DescriptorOutputBuffer&) = delete;

  // The errno of the first write the system refused (EIO when it wrote
  // nothing), 0 while every write succeeded; nothing is written after it.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize count) override;
  int sync() override;

 private:
  // Writes out the buffered characters; false when the system refuses them.
  bool drain();
  // Writes `count` characters straight to the descriptor.
  bool write_all(const char* s, std::size_t count);

  int fd_;
  std::size_t size_;
  std::unique_ptr<char[]> buffer_;
  int error_ = 0;
};

}  // namespace varnholt

#include "run/output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnholt {

DescriptorOutputBuffer::DescriptorOutputBuffer(int fd, std::size_t size)
    : fd_(fd), size_(size == 0 ? 1 : size), buffer_(new char[size_]) {
  setp(buffer_.get(), buffer_.get() + size_);
}

DescriptorOutputBuffer::~DescriptorOutputBuffer() { drain(); }

bool DescriptorOutputBuffer::write_all(const char* s, std::size_t count) {
  while (error_ == 0 && count > 0) {
    const ssize_t written = ::write(fd_, s, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error_ = written < 0 ? errno : EIO;
    } else {
      s += written;
      count -= static_cast<std::size_t>(written);
    }
  }
  return error_ == 0;
}

bool DescriptorOutputBuffer::drain() {
  const auto pending = static_cast<std::size_t>(pptr() - pbase());
  const bool ok = write_all(pbase(), pending);
  setp(buffer_.get(), buffer_.get() + size_);
  return ok;
}

DescriptorOutputBuffer::int_type DescriptorOutputBuffer::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize DescriptorOutputBuffer::xsputn(const char* s, std::streamsize count) {
  if (count <= 0) return 0;
  auto n = static_cast<std::size_t>(count);
  const auto room = static_cast<std::size_t>(epptr() - pptr());
  if (n <= room) {
    std::memcpy(pptr(), s, n);
    pbump(static_cast<int>(n));
    return count;
  }
  // A piece of a whole buffer or more goes straight on after what is held,
  // without being copied; a smaller one fills the buffer and starts the next.
  if (n >= size_) return drain() && write_all(s, n) ? count : 0;
  std::memcpy(pptr(), s, room);
  pbump(static_cast<int>(room));
  if (!drain()) return static_cast<std::streamsize>(room);
  std::memcpy(pptr(), s + room, n - room);
  pbump(static_cast<int>(n - room));
  return count;
}

int DescriptorOutputBuffer::sync() { return drain() ? 0 : -1; }

}  // namespace varnholt

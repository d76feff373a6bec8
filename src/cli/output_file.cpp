#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

namespace varnholt {
namespace {

// A stream buffer over a file descriptor that remembers the first failed write.
class DescriptorBuffer : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd) : fd_(fd), buffer_(std::size_t{1} << 18) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
  }
  int error() const { return error_; }

 protected:
  int_type overflow(int_type ch) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }
  int sync() override { return drain() ? 0 : -1; }

 private:
  bool drain() {
    const char* p = pbase();
    while (error_ == 0 && p < pptr()) {
      const ssize_t written = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) error_ = written < 0 ? errno : EIO;
      else p += written;
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error_ == 0;
  }

  int fd_;
  std::vector<char> buffer_;
  int error_ = 0;
};

std::string folder_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool is_special(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  if (path_.empty() || path_.find('\0') != std::string::npos) {
    error_ = "not a usable file name";
    return;
  }
  if (is_special(path_)) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  } else {
    // A name of the process and a counter: unique among concurrent runs.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      temp_ = folder_of(path_) + "/." + base_of(path_) + ".tmp" + std::to_string(::getpid()) +
              "-" + std::to_string(counter++);
      fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) temp_.clear();
  }
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return;
  }
  buffer_ = std::make_unique<DescriptorBuffer>(fd_);
  stream_ = std::make_unique<std::ostream>(buffer_.get());
}

OutputFile::~OutputFile() {
  if (!done_) discard();
}

bool OutputFile::finish() {
  if (finished_) return error_.empty();
  if (fd_ < 0) return false;
  finished_ = true;
  stream_->flush();
  int failure = static_cast<DescriptorBuffer&>(*buffer_).error();
  if (failure == 0 && !stream_->good()) failure = EIO;
  const int closed = ::close(fd_);
  if (failure == 0 && closed != 0) failure = errno;
  fd_ = -1;
  if (failure != 0) error_ = std::strerror(failure);
  return failure == 0;
}

bool OutputFile::commit() {
  if (done_ || !finish()) return false;
  if (!temp_.empty() && ::rename(temp_.c_str(), path_.c_str()) != 0) {
    error_ = std::strerror(errno);
    return false;
  }
  done_ = true;
  return true;
}

void OutputFile::discard() {
  done_ = true;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

}  // namespace varnholt

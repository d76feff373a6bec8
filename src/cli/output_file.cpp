#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "run/output_buffer.h"

namespace varnholt {
namespace {

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
  buffer_ = std::make_unique<DescriptorOutputBuffer>(fd_, std::size_t{1} << 18);
  stream_ = std::make_unique<std::ostream>(buffer_.get());
}

OutputFile::~OutputFile() {
  if (!done_) discard();
}

std::string OutputFile::identity() const {
  if (temp_.empty()) return {};
  // Absolute first: a relative name of which nothing exists yet would
  // otherwise stay as typed ("a.csv" beside "./a.csv").
  std::error_code failed;
  const auto absolute = std::filesystem::absolute(path_, failed);
  if (failed) return path_;
  const auto resolved = std::filesystem::weakly_canonical(absolute, failed);
  return (failed ? absolute.lexically_normal() : resolved).string();
}

bool OutputFile::finish() {
  if (finished_) return error_.empty();
  if (fd_ < 0) return false;
  finished_ = true;
  stream_->flush();
  int failure = static_cast<DescriptorOutputBuffer&>(*buffer_).error();
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
  // The buffer goes before its descriptor is closed, so that nothing it
  // still holds can reach another file given the same descriptor.
  stream_.reset();
  buffer_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

}  // namespace varnholt

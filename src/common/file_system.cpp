#include "common/file_system.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace varnholt {
namespace {

// A name with a NUL byte cannot be passed to the operating system whole;
// opening what precedes the NUL would open the wrong file.
bool usable_name(const std::string& name, std::string& why) {
  if (name.empty()) {
    why = "empty file name";
    return false;
  }
  if (name.find('\0') != std::string::npos) {
    why = "file name contains a NUL character";
    return false;
  }
  return true;
}

// A stream over a buffer that the memory file system keeps alive.
template <typename Stream>
class SharedBufferStream : public Stream {
 public:
  explicit SharedBufferStream(std::shared_ptr<std::stringbuf> buf)
      : Stream(buf.get()), buf_(std::move(buf)) {}

 private:
  std::shared_ptr<std::stringbuf> buf_;
};

// A file buffer that keeps the error number of its first failed write: a
// write can fail long before the stream is next looked at (when the buffer
// fills in the middle of a sweep), and errno is gone by then.
class RecordingFileBuf : public std::filebuf, public WriteErrorRecord {
 public:
  int write_error() const override { return error_; }

 protected:
  int_type overflow(int_type c) override {
    const int_type result = std::filebuf::overflow(c);
    if (traits_type::eq_int_type(result, traits_type::eof())) record();
    return result;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::streamsize written = std::filebuf::xsputn(s, n);
    if (written < n) record();
    return written;
  }
  int sync() override {
    const int result = std::filebuf::sync();
    if (result != 0) record();
    return result;
  }

 private:
  void record() {
    if (error_ == 0) error_ = errno != 0 ? errno : EIO;
  }
  int error_ = 0;
};

// An output file with a 256 KiB buffer: a long sweep stored to a file goes
// out in a few hundred large writes instead of thousands of small ones.
class LargeBufferFile : public std::ostream {
 public:
  static constexpr std::size_t kSize = std::size_t{1} << 18;

  LargeBufferFile(const std::string& name, std::ios::openmode mode) : std::ostream(nullptr) {
    buf_.pubsetbuf(buffer_.get(), kSize);  // takes effect only before opening
    if (buf_.open(name, mode) != nullptr) rdbuf(&buf_);
  }
  bool is_open() const { return buf_.is_open(); }

 private:
  std::unique_ptr<char[]> buffer_ = std::make_unique<char[]>(kSize);
  RecordingFileBuf buf_;  // after the buffer: closed, and flushed, while the buffer exists
};

}  // namespace

bool flush_output(std::ostream& file, std::string& why) {
  if (file.flush()) return true;
  const auto* record = dynamic_cast<const WriteErrorRecord*>(file.rdbuf());
  const int error = record != nullptr ? record->write_error() : 0;
  why = error != 0 ? std::strerror(error) : "the write failed";
  return false;
}

bool read_whole(FileSystem& files, const std::string& name, std::string& text, std::string& why) {
  auto in = files.open_read(name, why);
  if (!in) return false;
  try {
    // The buffer's iterator lets a read error through, where extracting the
    // buffer into a stream would take it for the end of an empty file.
    text.assign(std::istreambuf_iterator<char>(*in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure& e) {
    why = e.code().message();
    return false;
  }
  if (!in->bad()) return true;
  why = "a read failed";
  return false;
}

std::unique_ptr<std::istream> DiskFileSystem::open_read(const std::string& name, std::string& why) {
  if (!usable_name(name, why)) return nullptr;
  errno = 0;
  auto file = std::make_unique<std::ifstream>(name, std::ios::binary);
  if (!file->is_open()) {
    why = errno != 0 ? std::strerror(errno) : "cannot open for reading";
    return nullptr;
  }
  return file;
}

std::unique_ptr<std::ostream> DiskFileSystem::open_write(const std::string& name, std::string& why) {
  if (!usable_name(name, why)) return nullptr;
  errno = 0;
  auto file =
      std::make_unique<LargeBufferFile>(name, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!file->is_open()) {
    why = errno != 0 ? std::strerror(errno) : "cannot open for writing";
    return nullptr;
  }
  return file;
}

void MemoryFileSystem::put(const std::string& name, const std::string& contents) {
  files_[name] = std::make_shared<std::stringbuf>(contents, std::ios::in | std::ios::out);
}

bool MemoryFileSystem::exists(const std::string& name) const { return files_.count(name) != 0; }

std::string MemoryFileSystem::contents(const std::string& name) const {
  const auto it = files_.find(name);
  return it == files_.end() ? std::string() : it->second->str();
}

std::unique_ptr<std::istream> MemoryFileSystem::open_read(const std::string& name,
                                                         std::string& why) {
  if (!usable_name(name, why)) return nullptr;
  const auto it = files_.find(name);
  if (it == files_.end()) {
    why = "No such file or directory";
    return nullptr;
  }
  // Each reader starts at the beginning of its own copy.
  auto copy = std::make_shared<std::stringbuf>(it->second->str(), std::ios::in);
  return std::make_unique<SharedBufferStream<std::istream>>(std::move(copy));
}

std::unique_ptr<std::ostream> MemoryFileSystem::open_write(const std::string& name,
                                                          std::string& why) {
  if (!usable_name(name, why)) return nullptr;
  auto buf = std::make_shared<std::stringbuf>(std::ios::out);
  files_[name] = buf;
  return std::make_unique<SharedBufferStream<std::ostream>>(std::move(buf));
}

}  // namespace varnholt

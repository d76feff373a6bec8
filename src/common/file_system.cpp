#include "common/file_system.h"

#include <cerrno>
#include <cstring>
#include <fstream>

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

// Holds the buffer of a LargeBufferFile; as its first base it outlives the
// file stream, whose destructor still writes out of the buffer.
struct BufferHolder {
  static constexpr std::size_t kSize = std::size_t{1} << 18;
  std::unique_ptr<char[]> buffer = std::make_unique<char[]>(kSize);
};

// An output file with a 256 KiB buffer: a long sweep stored to a file goes
// out in a few hundred large writes instead of thousands of small ones.
class LargeBufferFile : private BufferHolder, public std::ofstream {
 public:
  LargeBufferFile(const std::string& name, std::ios::openmode mode) {
    rdbuf()->pubsetbuf(buffer.get(), kSize);  // takes effect only before opening
    open(name, mode);
  }
};

}  // namespace

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

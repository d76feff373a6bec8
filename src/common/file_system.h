// Opening files by name, behind a small interface so that tests can run a
// whole session against files held in memory.
#pragma once

#include <istream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

namespace varnholt {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading; on failure returns null and says why.
  virtual std::unique_ptr<std::istream> open_read(const std::string& name, std::string& why) = 0;
  // Creates or replaces a file for writing; on failure returns null and says why.
  virtual std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) = 0;
};

// Implemented by the stream buffers of output files: the system's error
// number of the first write that failed, 0 while every write succeeded.
class WriteErrorRecord {
 public:
  virtual ~WriteErrorRecord() = default;
  virtual int write_error() const = 0;
};

// Writes out what `file` holds buffered and says whether every write to it so
// far reached the file; when not, `why` says why (the system's reason when the
// file's buffer records it).
bool flush_output(std::ostream& file, std::string& why);

// Reads the whole of the file `name` into `text`; false, with `why`, when it
// cannot be opened or read (a directory opens but cannot be read).
bool read_whole(FileSystem& files, const std::string& name, std::string& text, std::string& why);

// The real file system, relative to the working directory.
class DiskFileSystem : public FileSystem {
 public:
  std::unique_ptr<std::istream> open_read(const std::string& name, std::string& why) override;
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override;
};

// Files held in memory: what a test puts in, and what the program wrote.
class MemoryFileSystem : public FileSystem {
 public:
  void put(const std::string& name, const std::string& contents);
  bool exists(const std::string& name) const;
  // The contents written so far (flushed or not).
  std::string contents(const std::string& name) const;

  std::unique_ptr<std::istream> open_read(const std::string& name, std::string& why) override;
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override;

 private:
  std::map<std::string, std::shared_ptr<std::stringbuf>> files_;
};

}  // namespace varnholt

// An output file that appears whole or not at all. The text goes to a
// temporary file beside the target; commit() checks that every write and the
// close succeeded and renames it over the target. A file that is not
// committed, or whose commit fails, is removed and any old file of the name
// stays as it was. Targets that exist but are not regular files (a device
// such as /dev/null, a pipe) are written in place, since they cannot be
// replaced by renaming.
#pragma once

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace varnholt {

class OutputFile {
 public:
  // Opens the temporary file; on failure stream() is null and error() says why.
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream* stream() { return stream_.get(); }
  const std::string& path() const { return path_; }
  // Flushes and closes; false (and error()) when any write or the close failed.
  bool finish();
  // Renames a finished file into place (finishing it first when needed);
  // false (and error()) on any failure, with the temporary file removed.
  bool commit();
  const std::string& error() const { return error_; }
  // The file the target names, with links and "." or ".." resolved, for
  // telling when two outputs name one file; empty for a target written in
  // place (a device or a pipe), which any number of outputs may share.
  std::string identity() const;

 private:
  void discard();

  std::string path_;
  std::string temp_;  // empty when writing in place
  int fd_ = -1;
  std::unique_ptr<std::streambuf> buffer_;
  std::unique_ptr<std::ostream> stream_;
  std::string error_;
  bool done_ = false;      // committed or discarded
  bool finished_ = false;  // written out and closed
};

}  // namespace varnholt

// The output-storage file: one connection for the whole program run.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "common/file_system.h"

namespace varnholt {

class Storage {
 public:
  explicit Storage(FileSystem& fs) : fs_(fs) {}

  // Connects the file `name` (trailing blanks are not part of it): a new name
  // replaces any existing file of that name; the name already connected keeps
  // its connection, so the reports of later runs follow the earlier ones.
  // Throws FatalError when the file cannot be created, or when the lines of
  // the file it replaces cannot all be written out.
  std::ostream& open(const std::string& name);

  std::ostream* stream() { return file_.get(); }
  const std::string& name() const { return name_; }

  // Writes out what the file holds buffered and lets it go; throws FatalError
  // when any write to it failed. What was written stays written.
  void close();

 private:
  FileSystem& fs_;
  std::unique_ptr<std::ostream> file_;
  std::string name_;
};

}  // namespace varnholt

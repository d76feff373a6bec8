#include "run/storage.h"

#include "common/stores.h"
#include "common/fatal_error.h"

namespace varnholt {

std::ostream& Storage::open(const std::string& name) {
  const std::string wanted(trimmed(name));
  if (file_ && wanted == name_) return *file_;
  if (file_) file_->flush();
  file_.reset();  // the earlier file keeps what was written to it
  std::string why;
  file_ = fs_.open_write(wanted, why);
  if (!file_) throw FatalError("cannot open output storage file \"" + wanted + "\": " + why);
  name_ = wanted;
  return *file_;
}

}  // namespace varnholt

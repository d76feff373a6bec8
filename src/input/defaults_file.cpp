#include "input/defaults_file.h"

namespace varnholt {

void defread(Session& s) { (void)s; }  // placeholder until the reader lands

}  // namespace varnholt

#include "analysis/sweep.h"

namespace varnholt {

bool analysis_run(Session& s) {
  (void)s;
  return false;  // placeholder until the sweep lands
}

}  // namespace varnholt

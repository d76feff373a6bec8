#include "input/circuit_file.h"

namespace varnholt {

void ckfread(Session& s, const std::string& fni, int32_t& icfg, int32_t& ides, int32_t& isel,
             int32_t& n) {
  (void)s, (void)fni, (void)icfg, (void)ides, (void)n;
  isel = -1;  // placeholder until the reader lands
}

}  // namespace varnholt

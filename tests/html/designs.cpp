#include "html/designs.h"

#include "synthesis/transform.h"

namespace varnholt::testing {

Designed chebyshev(int ides, int n, float f_a, float f_b, float zo) {
  Capind c;
  float am = 0.1f;
  float rod = 0.0f;
  float ros = 0.0f;
  switch (ides) {
    case 1: lpfltr(c, am, f_a, 1, n, rod, ros, zo); break;
    case 2: hpfltr(c, am, f_a, 1, n, rod, ros, zo); break;
    case 3: bpfltr(c, am, f_a, f_b, 1, n, rod, ros, zo); break;
    default: bsfltr(c, am, f_a, f_b, 1, n, rod, ros, zo); break;
  }
  Designed d;
  for (int k = 1; k <= n; ++k) {
    d.serl.push_back(c.serl[k]);
    d.serc.push_back(c.serc[k]);
    d.shuntl.push_back(c.shuntl[k]);
    d.shuntc.push_back(c.shuntc[k]);
  }
  d.ros = ros;
  d.rod = rod;
  return d;
}

}  // namespace varnholt::testing

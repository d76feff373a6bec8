// Independent double-precision model of a ladder for the analysis tests: the
// input impedance found by walking from the load to the source, adding series
// impedances and shunt admittances, with no chain matrices.
#pragma once

#include <complex>
#include <numbers>

#include "common/stores.h"

namespace varnholt::testref {

using cd = std::complex<double>;

inline double omega(double f_mhz) { return 2.0 * std::numbers::pi * f_mhz * 1e6; }

inline cd input_impedance(const Capind& c, double f_mhz, int icfg, int ides, int n, cd z) {
  const cd jw(0.0, omega(f_mhz));
  for (int k = n; k >= 1; --k) {
    const bool series = (icfg == 2) == (k % 2 == 1);  // dual: odd positions in the line
    const cd l = jw * ((series ? c.serl[k] : c.shuntl[k]) * 1e-9);   // jwL
    const cd y = jw * ((series ? c.serc[k] : c.shuntc[k]) * 1e-12);  // jwC
    const cd branch = ides == 2 ? (series ? 1.0 / y : l)  // high-pass
                      : ides == 3 ? (series ? l + 1.0 / y : 1.0 / (y + 1.0 / l))
                      : ides == 4 ? (series ? 1.0 / (1.0 / l + y) : l + 1.0 / y)
                                  : (series ? l : 1.0 / y);  // low-pass
    z = series ? z + branch : 1.0 / (1.0 / z + 1.0 / branch);
  }
  return z;
}

}  // namespace varnholt::testref

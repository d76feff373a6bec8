// Transducer loss of a Ladder between resistive terminations, in double
// precision, built from the branch shapes alone (a plain chain product).
#pragma once

#include <cmath>
#include <complex>
#include <numbers>

#include "ladder/ladder.h"

namespace varnholt::testing {

inline std::complex<double> pair_impedance(const PairShape& p, double l_nh, double c_pf,
                                           double w) {
  using C = std::complex<double>;
  const C zl(0.0, w * l_nh * 1e-9);
  const C zc(0.0, -1.0 / (w * c_pf * 1e-12));
  if (p.has_l && p.has_c) return p.join == Join::Series ? zl + zc : zl * zc / (zl + zc);
  return p.has_l ? zl : zc;
}

// Loss in dB (positive) at f MHz with source rs and load rl, ohms.
inline double ladder_loss_db(const Ladder& ladder, double rs, double rl, double f_mhz) {
  using C = std::complex<double>;
  const double w = 2e6 * std::numbers::pi * f_mhz;
  C a = 1.0, b = 0.0, c = 0.0, d = 1.0;
  for (const Branch& br : ladder.branches) {
    const BranchShape sh = shape(br.kind);
    C z = pair_impedance(sh.pair[0], br.l[0], br.c[0], w);
    if (sh.pairs == 2) {
      const C z2 = pair_impedance(sh.pair[1], br.l[1], br.c[1], w);
      z = sh.between == Join::Series ? z + z2 : z * z2 / (z + z2);
    }
    if (br.placement == Placement::Series) {
      b += a * z;
      d += c * z;
    } else {
      a += b / z;
      c += d / z;
    }
  }
  const C s21 = 2.0 * std::sqrt(rs / rl) / (a + b / rl + c * rs + d * rs / rl);
  return -20.0 * std::log10(std::abs(s21));
}

}  // namespace varnholt::testing

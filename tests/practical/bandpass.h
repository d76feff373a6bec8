// A Butterworth band-pass ladder for the tests, from the prototype values
// g_k = 2 sin((2k - 1) pi / 2n): shunt tanks at odd k, series LC at even k,
// all resonant at f0, between z0 ohms.
#pragma once

#include <cmath>
#include <numbers>

#include "ladder/ladder.h"

namespace varnholt::test {

inline double butterworth_g(int k, int n) {
  return 2.0 * std::sin((2 * k - 1) * std::numbers::pi / (2 * n));
}

inline Ladder butterworth_bandpass(int n, double f0_mhz, double bw_mhz, double z0) {
  const double w0 = 2e6 * std::numbers::pi * f0_mhz, dw = 2e6 * std::numbers::pi * bw_mhz;
  Ladder lad;
  for (int k = 1; k <= n; ++k) {
    const double g = butterworth_g(k, n);
    if (k % 2 == 1) {
      const double c = g / (z0 * dw);
      lad.branches.push_back(
          {Placement::Shunt, BranchKind::ParallelLC, {1e9 / (w0 * w0 * c), 0}, {1e12 * c, 0}});
    } else {
      const double l = g * z0 / dw;
      lad.branches.push_back(
          {Placement::Series, BranchKind::SeriesLC, {1e9 * l, 0}, {1e12 / (w0 * w0 * l), 0}});
    }
  }
  return lad;
}

}  // namespace varnholt::test

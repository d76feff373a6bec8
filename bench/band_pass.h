// The benches' ladder: a 9-section Butterworth band-pass centred on 100 MHz,
// 50 ohms, shunt tanks and series LC from g_k = 2 sin((2k - 1) pi / 18).
#pragma once

#include <cmath>
#include <numbers>

#include "ladder/ladder.h"

namespace varnholt::bench {

inline Ladder band_pass(double bandwidth_mhz) {
  constexpr int n = 9;
  const double w0 = 2e8 * std::numbers::pi, dw = 2e6 * std::numbers::pi * bandwidth_mhz;
  Ladder lad;
  for (int k = 1; k <= n; ++k) {
    const double g = 2.0 * std::sin((2 * k - 1) * std::numbers::pi / (2 * n));
    if (k % 2 == 1) {
      const double c = g / (50.0 * dw);
      lad.branches.push_back(
          {Placement::Shunt, BranchKind::ParallelLC, {1e9 / (w0 * w0 * c), 0}, {1e12 * c, 0}});
    } else {
      const double l = g * 50.0 / dw;
      lad.branches.push_back(
          {Placement::Series, BranchKind::SeriesLC, {1e9 * l, 0}, {1e12 / (w0 * w0 * l), 0}});
    }
  }
  return lad;
}

}  // namespace varnholt::bench

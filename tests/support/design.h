// A ladder designed by the synthesis routines into the element stores, with
// the ripple as the routine leaves it and the load each circuit is meant for.
#pragma once

#include <gtest/gtest.h>

#include "analysis/cascade.h"
#include "synthesis/transform.h"

namespace varnholt::testing {

struct StoredDesign {
  Capind c{};
  float am = 0, rod = 0, ros = 0;  // ripple; load of the dual and of the standard circuit
};

// Type code 1..4 and response code 1..4; f_a is the cut-off of low- and
// high-pass and the upper edge of band filters, f_b their lower edge.
inline StoredDesign synthesise(int32_t ides, int32_t iop, float am, int32_t n, float f_a,
                               float f_b, float zo) {
  StoredDesign d{.am = am};
  if (ides == 1) lpfltr(d.c, d.am, f_a, iop, n, d.rod, d.ros, zo);
  if (ides == 2) hpfltr(d.c, d.am, f_a, iop, n, d.rod, d.ros, zo);
  if (ides == 3) bpfltr(d.c, d.am, f_a, f_b, iop, n, d.rod, d.ros, zo);
  if (ides == 4) bsfltr(d.c, d.am, f_a, f_b, iop, n, d.rod, d.ros, zo);
  return d;
}

// The chain matrix of positions 1..n at f MHz; every entry and the error
// code must be written (they start as 7 and 5).
inline ChainMatrix cascade(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t n) {
  ChainMatrix rs = {{{7, 7, 7, 7}, {7, 7, 7, 7}}};
  int32_t ierr = 5;
  ladder(c, f, icfg, ides, ierr, n, rs);
  EXPECT_EQ(ierr, 0);
  return rs;
}

}  // namespace varnholt::testing

// Prototype element values against published tables, and the edges. Every
// tabulated order is pinned by tests/sessions/synthesis-every-tabulated-prototype.
#include "synthesis/prototype.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "support/table.h"

namespace varnholt {
namespace {

PositionArray run(int32_t n, float am, int32_t ires) {
  PositionArray g{};
  pev1(g, n, am, ires);
  return g;
}

// Published four-decimal tables (tests/data/published_prototypes.txt),
// within one unit of the last place.
TEST(Prototype, PublishedTableValues) {
  for (const auto& row : testing::read_table("published_prototypes.txt")) {
    const auto n = static_cast<int32_t>(row.size()) - 3;
    const PositionArray g = run(n, testing::to_float(row[1]), std::stoi(row[0]));
    for (int k = 1; k <= n + 1; ++k) {
      EXPECT_NEAR(g[k], std::stod(row[k + 1]), 1e-4) << row[0] << " n " << n << " k " << k;
    }
  }
}

// Entries past the load stay; tables have only g(1) = 2 outside orders 2..10;
// an order with no room writes nothing; unknown codes are Chebyshev.
TEST(Prototype, WhatIsWrittenAndWhatIsLeftAlone) {
  for (const int32_t ires : {1, 2, 3, 4}) {
    for (const int32_t n : {1, 4, 12, 0, 31, std::numeric_limits<int32_t>::min()}) {
      PositionArray g;
      g.fill(-7.0f);
      float am = 0.5f;
      pev1(g, n, am, ires);
      const bool written = n >= 1 && n <= 30, table = ires >= 3 && n != 4;
      for (int k = 0; k <= kMaxPositions; ++k) {
        const bool changed = written && (k == 1 || k == n + 1 || (k <= n && !table && k > 0));
        EXPECT_EQ(g[k] != -7.0f, changed) << "ires " << ires << " n " << n << " k " << k;
      }
      if (written && table) {
        EXPECT_EQ(std::pair(g[1], g[n + 1]), std::pair(2.0f, 1.0f));
      }
    }
  }
  for (const int32_t ires : {0, 5, -1, 99}) EXPECT_EQ(run(5, 0.5f, ires), run(5, 0.5f, 1)) << ires;
}

// Chebyshev raises a ripple below 1e-10 dB in am itself.
TEST(Prototype, RippleFloorWrittenBack) {
  for (const float start : {0.0f, -3.0f, 1e-12f}) {
    float am = start;
    PositionArray g{};
    pev1(g, 3, am, 1);
    EXPECT_EQ(am, 1e-10f);
    EXPECT_EQ(g, run(3, 1e-10f, 1));
  }
}

}  // namespace
}  // namespace varnholt

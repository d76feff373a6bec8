// Prototype element values against published tables, and the edges. Every
// tabulated order is pinned by tests/sessions/synthesis-every-tabulated-prototype.
#include "synthesis/prototype.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "support/table.h"

namespace varnholt {
namespace {

using std::numbers::pi;

PositionArray run(int32_t n, float am, int32_t ires) {
  PositionArray g{};
  pev1(g, n, am, ires);
  return g;
}

// The classical equi-ripple prototype in double; the even-order load from
// the closed form coth^2(beta/4) rather than g1/gn.
std::vector<double> chebyshev(int n, double am) {
  const double beta = std::log(1.0 / std::tanh(am / 17.37)), gamma = std::sinh(beta / (2.0 * n));
  std::vector<double> g(n + 2), a(n + 1), b(n + 1);
  for (int k = 1; k <= n; ++k) {
    a[k] = std::sin((2.0 * k - 1.0) * pi / (2.0 * n));
    b[k] = gamma * gamma + std::pow(std::sin(k * pi / n), 2);
  }
  g[1] = 2.0 * a[1] / gamma;
  for (int k = 2; k <= n; ++k) g[k] = 4.0 * a[k - 1] * a[k] / (b[k - 1] * g[k - 1]);
  g[n + 1] = n % 2 ? 1.0 : std::pow(1.0 / std::tanh(beta / 4.0), 2);
  return g;
}

void expect_close(const PositionArray& g, const std::vector<double>& want, double tol) {
  for (std::size_t k = 1; k < want.size(); ++k) {
    EXPECT_LT(std::fabs(g[k] - want[k]) / want[k], tol) << "k = " << k;
  }
}

// For k near n the float argument of sin((2k - 1) pi / 2n) lies close to pi;
// its rounding (at most 3.6e-7) is magnified there by |cot x|, about 2n / pi,
// once for each sine near pi. Orders up to 30 cannot all meet 2e-6 in float.
double tolerance(int n, int sines) { return std::max(2e-6, sines * 3.6e-7 * 2.0 * n / pi); }

TEST(Prototype, ClosedFormsAgreeWithADoubleEvaluation) {
  for (int32_t n = 1; n <= 30; ++n) {
    for (const float am : {0.01f, 0.1f, 0.5f, 1.0f, 3.0f}) {
      SCOPED_TRACE(::testing::Message() << "Chebyshev am " << am << " n " << n);
      expect_close(run(n, am, 1), chebyshev(n, am), tolerance(n, 2));
    }
    std::vector<double> butterworth(n + 2, 1.0);
    for (int k = 1; k <= n; ++k) butterworth[k] = 2.0 * std::sin((2.0 * k - 1.0) * pi / (2.0 * n));
    SCOPED_TRACE(::testing::Message() << "Butterworth n " << n);
    expect_close(run(n, 0.0f, 2), butterworth, tolerance(n, 1));
  }
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

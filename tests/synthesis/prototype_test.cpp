// Prototype element values: closed forms against a double evaluation,
// published tables, the Bessel and linear-phase tables, and the edges.
#include "synthesis/prototype.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

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
      SCOPED_TRACE(testing::Message() << "Chebyshev am " << am << " n " << n);
      expect_close(run(n, am, 1), chebyshev(n, am), tolerance(n, 2));
    }
    std::vector<double> butterworth(n + 2, 1.0);
    for (int k = 1; k <= n; ++k) butterworth[k] = 2.0 * std::sin((2.0 * k - 1.0) * pi / (2.0 * n));
    SCOPED_TRACE(testing::Message() << "Butterworth n " << n);
    expect_close(run(n, 0.0f, 2), butterworth, tolerance(n, 1));
  }
}

// Published four-decimal tables, within one unit of the last place.
TEST(Prototype, PublishedTableValues) {
  const struct {
    int32_t n, ires;
    float am;
    std::vector<double> g;  // g(1) .. g(n+1)
  } cases[] = {{1, 1, 0.5f, {0.6986, 1.0}},
               {3, 1, 0.5f, {1.5963, 1.0967, 1.5963, 1.0}},
               {4, 1, 0.5f, {1.6703, 1.1926, 2.3661, 0.8419, 1.9841}},
               {2, 2, 0.0f, {1.4142, 1.4142, 1.0}},
               {3, 2, 0.0f, {1.0, 2.0, 1.0, 1.0}}};
  for (const auto& c : cases) {
    const PositionArray g = run(c.n, c.am, c.ires);
    for (int k = 1; k <= c.n + 1; ++k) EXPECT_NEAR(g[k], c.g[k - 1], 1e-4) << c.n << ' ' << k;
  }
}

void expect_table(int32_t ires, const std::vector<std::vector<float>>& rows) {
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int32_t n = static_cast<int32_t>(r) + 2;
    const PositionArray g = run(n, 0.0f, ires);
    for (int32_t k = 1; k <= n; ++k) EXPECT_EQ(g[k], rows[r][k - 1]) << n << ' ' << k;
    EXPECT_EQ(g[n + 1], 1.0f);
  }
}

TEST(Prototype, BesselTableExact) {
  expect_table(3, {
      {2.1478055f, 0.57550275f},
      {2.2034113f, 0.9705118f, 0.33742148f},
      {2.2403786f, 1.0815161f, 0.6725248f, 0.2334158f},
      {2.258217f, 1.1110332f, 0.80401117f, 0.50724065f, 0.17431939f},
      {2.2645237f, 1.112643f, 0.8537859f, 0.6391554f, 0.40018985f, 0.13649239f},
      {2.2659006f, 1.1051644f, 0.86902684f, 0.70200914f, 0.52489275f, 0.32588813f, 0.11056245f},
      {2.265607f, 1.0955592f, 0.8695004f, 0.7302567f, 0.5935727f, 0.44092214f, 0.27191073f,
       0.09190555f},
      {2.264879f, 1.0862838f, 0.8638734f, 0.74073297f, 0.63059515f, 0.5107787f, 0.37698653f,
       0.23129126f, 0.07796547f},
      {2.264126f, 1.0780948f, 0.85607237f, 0.7420173f, 0.64933544f, 0.55281526f, 0.4454427f,
       0.32707f, 0.20001027f, 0.06715569f},
  });
}

TEST(Prototype, LinearPhaseTableExact) {
  expect_table(4, {
      {1.5774f, 0.4226f},
      {1.255f, 0.5528f, 0.1922f},
      {1.0598f, 0.5116f, 0.3181f, 0.1104f},
      {0.9303f, 0.4577f, 0.3312f, 0.209f, 0.0718f},
      {0.8377f, 0.4116f, 0.3158f, 0.2364f, 0.148f, 0.0505f},
      {0.7677f, 0.3744f, 0.2944f, 0.2378f, 0.1778f, 0.1104f, 0.0375f},
      {0.7125f, 0.3446f, 0.2735f, 0.2297f, 0.1867f, 0.1387f, 0.0855f, 0.0289f},
      {0.6678f, 0.3203f, 0.2547f, 0.2184f, 0.1859f, 0.1506f, 0.1111f, 0.0682f, 0.023f},
      {0.6305f, 0.3002f, 0.2384f, 0.2066f, 0.1808f, 0.1539f, 0.124f, 0.0911f, 0.0557f, 0.0187f},
  });
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
    expect_close(g, chebyshev(3, 1e-10), 2e-6);
  }
}

}  // namespace
}  // namespace varnholt

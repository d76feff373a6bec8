// Scaling of the prototype to element values for the four filter types:
// worked cases against closed forms, the loads, and what each routine writes.
#include "synthesis/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace varnholt {
namespace {

using std::numbers::pi;
constexpr float kMark = -7.0f;
const double kWc = 2.0 * pi * 1e8;  // 100 MHz

void expect_rel(float got, double want, double tol = 2e-6) {
  EXPECT_LT(std::fabs(got - want) / std::fabs(want), tol) << got << " vs " << want;
}

// Third-order Butterworth at 100 MHz, 50 ohms: g = 1, 2, 1.
TEST(Transform, LowPassAndHighPassButterworthThirdOrder) {
  Capind c;
  float am = 0, rod = 0, ros = 0;
  lpfltr(c, am, 100, 2, 3, rod, ros, 50);
  // Standard circuit: shunt C, series L, shunt C; dual: series L, shunt C, series L.
  expect_rel(c.shuntc[1], 1e12 / (50 * kWc));  // 31.8 pF
  expect_rel(c.serl[2], 1e9 * 2 * 50 / kWc);    // 159 nH
  expect_rel(c.shuntc[3], 1e12 / (50 * kWc));
  expect_rel(c.serl[1], 1e9 * 50 / kWc);  // 79.6 nH
  expect_rel(c.shuntc[2], 1e12 * 2 / (50 * kWc));  // 63.7 pF
  expect_rel(c.serl[3], 1e9 * 50 / kWc);
  EXPECT_NEAR(ros, 50.0f, 1e-4f);
  EXPECT_NEAR(rod, 50.0f, 1e-4f);
  hpfltr(c, am, 100, 2, 3, rod, ros, 50);
  expect_rel(c.shuntl[1], 1e9 * 50 / kWc);  // 79.6 nH
  expect_rel(c.serc[2], 1e12 / (2 * kWc * 50));  // 15.9 pF
  expect_rel(c.shuntl[3], 1e9 * 50 / kWc);
  expect_rel(c.serc[1], 1e12 / (kWc * 50));  // 31.8 pF
  expect_rel(c.shuntl[2], 1e9 * 50 / (2 * kWc));  // 39.8 nH
  expect_rel(c.serc[3], 1e12 / (kWc * 50));
}

TEST(Transform, LoadsResponseCodeAndRipple) {
  Capind c;
  float am = 0.5f, rod = 0, ros = 0;
  lpfltr(c, am, 100, 1, 4, rod, ros, 50);  // even Chebyshev: g(5) = 1.98
  expect_rel(ros, 50 / 1.9841, 1e-4);
  expect_rel(rod, 50 * 1.9841, 1e-4);
  hpfltr(c, am, 100, 1, 5, rod, ros, 50);  // odd: both loads zo
  EXPECT_NEAR(ros, 50.0f, 1e-3f);
  EXPECT_NEAR(rod, 50.0f, 1e-3f);
  am = 0;
  lpfltr(c, am, 100, 3, 5, rod, ros, 50);  // the Bessel table, g(1) = 2.258217
  expect_rel(c.shuntc[1], 1e12 * 2.258217 / (50 * kWc));
  EXPECT_EQ(am, 0.0f);
  hpfltr(c, am, 100, 1, 3, rod, ros, 50);  // Chebyshev raises the ripple
  EXPECT_EQ(am, 1e-10f);
}

// Band-pass (parallel LC to ground, series LC in the line) and band-stop (the
// other way round) at 90..110 MHz against the closed forms from g; every
// resonator tunes to the geometric centre, just below 99.5 MHz.
TEST(Transform, BandPassAndBandStopElements) {
  const double wo = 2 * pi * 1e6 * std::sqrt(110.0 * 90.0), dw = 2 * pi * 1e6 * 20 / wo;
  for (const bool pass : {true, false}) {
    Capind c;
    float am = 0.5f, rod = 0, ros = 0;
    (pass ? bpfltr : bsfltr)(c, am, 110, 90, 1, 4, rod, ros, 50);
    for (int k = 1; k <= 4; ++k) {
      const double g = c.g[k];
      expect_rel(c.shuntl[k], pass ? 1e9 * 50 * dw / (g * wo) : 1e9 * 50 / (wo * dw * g));
      expect_rel(c.shuntc[k], pass ? 1e12 * g / (dw * wo * 50) : 1e12 * g * dw / (50 * wo));
      expect_rel(c.serl[k], pass ? 1e9 * g * 50 / (dw * wo) : 1e9 * 50 * dw * g / wo);
      expect_rel(c.serc[k], pass ? 1e12 * dw / (g * wo * 50) : 1e12 / (wo * dw * g * 50));
      EXPECT_NEAR(1e-6 / (2 * pi * std::sqrt(1e-21 * c.serl[k] * c.serc[k])), 99.4987, 0.0005);
      EXPECT_NEAR(1e-6 / (2 * pi * std::sqrt(1e-21 * c.shuntl[k] * c.shuntc[k])), 99.4987, 0.0005);
    }
    expect_rel(ros, 50.0 / c.g[5], 1e-6);
    expect_rel(rod, 50.0 * c.g[5], 1e-6);
  }
}

// Positions 1..n of the fields a type uses, g(1)..g(n+1), and nothing else;
// an order outside 1..30 writes nothing at all.
TEST(Transform, EachTypeWritesOnlyItsOwnFieldsUpToN) {
  for (int type = 1; type <= 4; ++type) {
    for (const int32_t n : {5, 30, 0, 31, std::numeric_limits<int32_t>::max()}) {
      Capind c;
      for (PositionArray* f : {&c.g, &c.serc, &c.serl, &c.shuntc, &c.shuntl}) f->fill(kMark);
      float am = 0, rod = 1, ros = 2;
      if (type <= 2) (type == 1 ? lpfltr : hpfltr)(c, am, 100, 2, n, rod, ros, 50);
      else (type == 3 ? bpfltr : bsfltr)(c, am, 110, 90, 2, n, rod, ros, 50);
      const bool valid = n >= 1 && n <= 30;
      const struct {
        const PositionArray& f;
        bool used;
        int last;
      } fields[] = {{c.g, true, valid ? n + 1 : 0}, {c.shuntc, type != 2, n},
                    {c.serl, type != 2, n}, {c.shuntl, type != 1, n}, {c.serc, type != 1, n}};
      for (const auto& f : fields) {
        for (int k = 0; k <= kMaxPositions; ++k) {
          EXPECT_EQ(f.f[k] != kMark, valid && f.used && k >= 1 && k <= f.last)
              << type << " " << n << " " << k;
        }
      }
      EXPECT_EQ(std::tuple(rod != 1, ros != 2), std::tuple(valid, valid));
    }
  }
}

}  // namespace
}  // namespace varnholt

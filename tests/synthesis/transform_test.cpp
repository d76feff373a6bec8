#include "synthesis/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace varnholt {
namespace {

using std::numbers::pi;
constexpr float kMark = -7.0f;

Capind marked() {
  Capind c;
  for (Ladder* f : {&c.g, &c.serc, &c.serl, &c.shuntc, &c.shuntl}) f->fill(kMark);
  return c;
}

void expect_rel(float got, double want, double tol = 2e-6) {
  EXPECT_LT(std::fabs(got - want) / std::fabs(want), tol) << got << " vs " << want;
}

void expect_marked_from(const Ladder& f, int first) {
  for (int k = first; k <= kMaxPositions; ++k) EXPECT_EQ(f[k], kMark) << k;
}

TEST(TransformLowHigh, LowPassButterworthThirdOrder) {
  Capind c = marked();
  float am = 0.0f, rod = 0.0f, ros = 0.0f;
  lpfltr(c, am, 100.0f, 2, 3, rod, ros, 50.0f);
  const double wc = 2.0 * pi * 1e8;
  // Standard circuit: shunt C, series L, shunt C.
  expect_rel(c.shuntc[1], 1e12 / (50.0 * wc));  // 31.8 pF
  expect_rel(c.shuntc[3], 1e12 / (50.0 * wc));
  expect_rel(c.serl[2], 1e9 * 2.0 * 50.0 / wc);  // 159 nH
  // Dual circuit: series L, shunt C, series L.
  expect_rel(c.serl[1], 1e9 * 50.0 / wc);  // 79.6 nH
  expect_rel(c.serl[3], 1e9 * 50.0 / wc);
  expect_rel(c.shuntc[2], 1e12 * 2.0 / (50.0 * wc));  // 63.7 pF
  EXPECT_NEAR(ros, 50.0f, 1e-4f);
  EXPECT_NEAR(rod, 50.0f, 1e-4f);
}

TEST(TransformLowHigh, HighPassButterworthThirdOrder) {
  Capind c = marked();
  float am = 0.0f, rod = 0.0f, ros = 0.0f;
  hpfltr(c, am, 100.0f, 2, 3, rod, ros, 50.0f);
  const double wc = 2.0 * pi * 1e8;
  expect_rel(c.shuntl[1], 1e9 * 50.0 / wc);  // 79.6 nH
  expect_rel(c.shuntl[3], 1e9 * 50.0 / wc);
  expect_rel(c.serc[2], 1e12 / (2.0 * wc * 50.0));  // 15.9 pF
  expect_rel(c.serc[1], 1e12 / (wc * 50.0));  // 31.8 pF
  expect_rel(c.shuntl[2], 1e9 * 50.0 / (2.0 * wc));  // 39.8 nH
  EXPECT_NEAR(ros, 50.0f, 1e-4f);
  EXPECT_NEAR(rod, 50.0f, 1e-4f);
}

TEST(TransformLowHigh, EvenChebyshevLoads) {
  Capind c{};
  float am = 0.5f, rod = 0.0f, ros = 0.0f;
  lpfltr(c, am, 100.0f, 1, 4, rod, ros, 50.0f);
  EXPECT_NEAR(c.g[5], 1.98f, 0.005f);
  EXPECT_NEAR(ros, 25.2f, 0.05f);  // zo / g(5)
  EXPECT_NEAR(rod, 99.2f, 0.05f);  // zo * g(5)
  EXPECT_NEAR(ros * rod, 2500.0f, 0.01f);
  // Odd order: both loads equal zo to rounding.
  hpfltr(c, am, 100.0f, 1, 5, rod, ros, 50.0f);
  EXPECT_NEAR(ros, 50.0f, 1e-3f);
  EXPECT_NEAR(rod, 50.0f, 1e-3f);
}

TEST(TransformLowHigh, ResponseCodeAndRippleReachPrototype) {
  Capind c{};
  float am = 0.0f, rod = 0.0f, ros = 0.0f;
  lpfltr(c, am, 100.0f, 3, 5, rod, ros, 50.0f);  // Bessel table, g(1) = 2.258217
  expect_rel(c.shuntc[1], 1e12 * 2.258217 / (50.0 * 2.0 * pi * 1e8));
  EXPECT_EQ(am, 0.0f);
  hpfltr(c, am, 100.0f, 1, 3, rod, ros, 50.0f);  // Chebyshev raises the ripple
  EXPECT_EQ(am, 1e-10f);
}

// Band designs against the closed forms in double, from the prototype g.
struct BandRef {
  double wo, deltaw;
};
BandRef band_ref(double fhigh, double flow) {
  const double wo = 2.0 * pi * 1e6 * std::sqrt(fhigh * flow);
  return {wo, 2.0 * pi * 1e6 * (fhigh - flow) / wo};
}

TEST(TransformBands, BandPassElementsAndCentre) {
  Capind c{};
  float am = 0.5f, rod = 0.0f, ros = 0.0f;
  bpfltr(c, am, 110.0f, 90.0f, 1, 5, rod, ros, 50.0f);
  const auto [wo, dw] = band_ref(110.0, 90.0);
  EXPECT_NEAR(dw, 0.201, 0.0005);
  for (int k = 1; k <= 5; ++k) {
    const double g = c.g[k];
    expect_rel(c.shuntl[k], 1e9 * 50.0 * dw / (g * wo));
    expect_rel(c.shuntc[k], 1e12 * g / (dw * wo * 50.0));
    expect_rel(c.serl[k], 1e9 * g * 50.0 / (dw * wo));
    expect_rel(c.serc[k], 1e12 * dw / (g * wo * 50.0));
    // Every resonator tunes to the geometric centre, just below 99.5 MHz.
    expect_rel(c.serl[k] * c.serc[k], 1e21 / (wo * wo), 4e-6);
    expect_rel(c.shuntl[k] * c.shuntc[k], 1e21 / (wo * wo), 4e-6);
    const double f = 1e-6 / (2.0 * pi * std::sqrt(1e-21 * c.serl[k] * c.serc[k]));
    EXPECT_NEAR(f, 99.4987, 0.0005);
  }
  EXPECT_NEAR(ros, 50.0f, 1e-3f);
}

TEST(TransformBands, BandStopElementsAndCentre) {
  Capind c{};
  float am = 0.5f, rod = 0.0f, ros = 0.0f;
  bsfltr(c, am, 110.0f, 90.0f, 1, 4, rod, ros, 50.0f);
  const auto [wo, dw] = band_ref(110.0, 90.0);
  for (int k = 1; k <= 4; ++k) {
    const double g = c.g[k];
    expect_rel(c.shuntl[k], 1e9 * 50.0 / (wo * dw * g));
    expect_rel(c.shuntc[k], 1e12 * g * dw / (50.0 * wo));
    expect_rel(c.serl[k], 1e9 * 50.0 * dw * g / wo);
    expect_rel(c.serc[k], 1e12 / (wo * dw * g * 50.0));
    expect_rel(c.serl[k] * c.serc[k], 1e21 / (wo * wo), 4e-6);
    expect_rel(c.shuntl[k] * c.shuntc[k], 1e21 / (wo * wo), 4e-6);
  }
  expect_rel(ros, 50.0 / c.g[5], 1e-6);
  expect_rel(rod, 50.0 * c.g[5], 1e-6);
}

TEST(TransformStore, LowPassLeavesOtherFieldsAlone) {
  Capind c = marked();
  float am = 0.5f, rod = 0.0f, ros = 0.0f;
  lpfltr(c, am, 100.0f, 1, 6, rod, ros, 50.0f);
  expect_marked_from(c.serc, 0);
  expect_marked_from(c.shuntl, 0);
  expect_marked_from(c.shuntc, 7);
  expect_marked_from(c.serl, 7);
  expect_marked_from(c.g, 8);
  EXPECT_EQ(c.shuntc[0], kMark);
}

TEST(TransformStore, HighPassLeavesOtherFieldsAlone) {
  Capind c = marked();
  float am = 0.0f, rod = 0.0f, ros = 0.0f;
  hpfltr(c, am, 100.0f, 2, 5, rod, ros, 50.0f);
  expect_marked_from(c.shuntc, 0);
  expect_marked_from(c.serl, 0);
  expect_marked_from(c.shuntl, 6);
  expect_marked_from(c.serc, 6);
}

TEST(TransformStore, BandsFillAllFourUpToN) {
  for (const auto fn : {&bpfltr, &bsfltr}) {
    Capind c = marked();
    float am = 0.0f, rod = 0.0f, ros = 0.0f;
    fn(c, am, 110.0f, 90.0f, 2, 30, rod, ros, 50.0f);
    for (const Ladder* f : {&c.serc, &c.serl, &c.shuntc, &c.shuntl}) {
      for (int k = 1; k <= 30; ++k) EXPECT_GT((*f)[k], 0.0f) << k;
      expect_marked_from(*f, 31);
    }
    EXPECT_EQ(c.g[31], 1.0f);
  }
}

TEST(TransformStore, LowPassAfterBandPassKeepsBandValues) {
  Capind c{};
  float am = 0.0f, rod = 0.0f, ros = 0.0f;
  bpfltr(c, am, 110.0f, 90.0f, 2, 4, rod, ros, 50.0f);
  const Capind band = c;
  lpfltr(c, am, 100.0f, 2, 4, rod, ros, 50.0f);
  EXPECT_EQ(c.serc, band.serc);
  EXPECT_EQ(c.shuntl, band.shuntl);
  EXPECT_NE(c.serl, band.serl);
}

TEST(TransformStore, OrderOutOfRangeWritesNothing) {
  for (const int32_t n : {0, -1, 31, std::numeric_limits<int32_t>::max()}) {
    for (int t = 0; t < 4; ++t) {
      Capind c = marked();
      float am = 0.0f, rod = 1.0f, ros = 2.0f;
      if (t < 2) (t == 0 ? lpfltr : hpfltr)(c, am, 100.0f, 1, n, rod, ros, 50.0f);
      else (t == 2 ? bpfltr : bsfltr)(c, am, 110.0f, 90.0f, 1, n, rod, ros, 50.0f);
      for (const Ladder* f : {&c.g, &c.serc, &c.serl, &c.shuntc, &c.shuntl}) {
        expect_marked_from(*f, 0);
      }
      EXPECT_EQ(am, 0.0f);
      EXPECT_EQ(rod, 1.0f);
      EXPECT_EQ(ros, 2.0f);
    }
  }
}

}  // namespace
}  // namespace varnholt

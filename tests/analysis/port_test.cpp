#include "analysis/port.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "reference_ladder.h"

namespace varnholt {
namespace {

using testref::cd;
constexpr double kPi = std::numbers::pi;
constexpr float kPiF = 3.1415927f;

struct Port {
  float il = -1, phf = -1, rtl = -1, vswr = -1, zini = -1, zinr = -1;
};

Port port(const ChainMatrix& rs, float zrs, float zis, float zrl, float zil, int32_t igd = 0) {
  Port p;
  lddrtg(igd, p.il, p.phf, rs, p.rtl, p.vswr, zil, p.zini, p.zinr, zis, zrl, zrs);
  return p;
}

ChainMatrix cascade(const Capind& c, float f, int icfg, int ides, int n) {
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(c, f, icfg, ides, ierr, n, rs);
  return rs;
}

float delay(const Capind& c, float f, int icfg, int ides, int n, float phf) {
  float td = -1;
  grpdly(c, f, icfg, ides, n, phf, td, 0, 0, 50, 50);
  return td;
}

TEST(Atn2, QuadrantTable) {
  const float a = std::atan(0.5f);
  EXPECT_EQ(atn2(2, 1), a);
  EXPECT_EQ(atn2(2, -1), -a);
  EXPECT_EQ(atn2(-2, 1), kPiF - a);
  EXPECT_EQ(atn2(-2, -1), a - kPiF);
  EXPECT_EQ(atn2(3, 0), 0.0f);
  EXPECT_EQ(atn2(-1, 0), kPiF);
  EXPECT_EQ(atn2(-1, -0.0f), kPiF);  // pi, never -pi
  EXPECT_EQ(atn2(0, 0), 0.0f);
  EXPECT_EQ(atn2(0, 4), kPiF / 2);
  EXPECT_EQ(atn2(0, -1), -kPiF / 2);
  for (float x : {-3.0f, -0.1f, 0.2f, 5.0f})
    for (float y : {-7.0f, -0.3f, 0.4f, 2.0f}) EXPECT_NEAR(atn2(x, y), std::atan2(y, x), 1e-6);
  EXPECT_TRUE(std::isnan(atn2(std::nanf(""), 1)));
}

// A shunt capacitor of 1/50 S at 100 MHz between 50-ohm ports: tau = 2/(2+j).
TEST(PortQuantities, SingleShuntCapacitor) {
  Capind c;
  c.shuntc[1] = 1e6f / (2 * kPiF * 100 * 50);
  const Port p = port(cascade(c, 100, 1, 1, 1), 50, 0, 50, 0);
  const double r = 1 / std::sqrt(5.0);
  EXPECT_NEAR(p.phf, -std::atan(0.5) * 180 / kPi, 1e-4);
  EXPECT_NEAR(p.il, 10 * std::log10(0.8), 1e-5);
  EXPECT_NEAR(p.zinr, 25, 1e-4);
  EXPECT_NEAR(p.zini, -25, 1e-4);
  EXPECT_NEAR(p.vswr, (1 + r) / (1 - r), 1e-5);
  EXPECT_NEAR(p.rtl, 20 * std::log10(r), 1e-5);
  // delay = -d(phase)/dw = (RC/2) / (1 + (wRC/2)^2) with wRC = 1 at 100 MHz
  EXPECT_NEAR(delay(c, 100, 1, 1, 1, p.phf), 0.4 / testref::omega(100) * 1e9, 1e-3);
}

TEST(PortQuantities, MatchedThroughAndPhaseOnly) {
  const ChainMatrix one = {{{1, 0, 0, 1}, {0, 0, 0, 0}}};
  const Port p = port(one, 50, 0, 50, 0);
  EXPECT_EQ(p.phf, 0.0f);
  EXPECT_EQ(p.il, 0.0f);
  EXPECT_EQ(p.zinr, 50.0f);
  EXPECT_EQ(p.zini, 0.0f);
  EXPECT_EQ(p.vswr, 1.0f);
  EXPECT_EQ(p.rtl, -std::numeric_limits<float>::infinity());
  const Port q = port(one, 50, 0, 50, 0, 1);  // phase only: the rest untouched
  EXPECT_EQ(q.phf, 0.0f);
  EXPECT_EQ(q.il, -1.0f);
  EXPECT_EQ(q.zinr, -1.0f);
  EXPECT_EQ(q.vswr, -1.0f);
}

TEST(PortQuantities, LossFloorAndReflectionCeilings) {
  const ChainMatrix deep = {{{1, 0, 0, 1}, {0, 1e15f, 1e15f, 0}}};  // |tau|^2 near 1e-33
  EXPECT_NEAR(port(deep, 50, 0, 50, 0).il, -300, 1e-4);
  const ChainMatrix open = {{{1, 0, 0, 1}, {0, 1e15f, 0, 0}}};
  const ChainMatrix shorted = {{{1, 0, 0, 1}, {0, 0, 1e15f, 0}}};
  for (const ChainMatrix& rs : {open, shorted}) {
    const Port p = port(rs, 50, 0, 50, 0);
    EXPECT_EQ(p.vswr, 999.99f);  // 0.9995 alone would give about 3999
    EXPECT_NEAR(p.rtl, 20 * std::log10(0.9995), 1e-5);
  }
}

// Chain entries that the cascade already held at 1e15 still give the right
// input impedance: A ZL + B = 5e15 + 1e15j is not clipped again.
TEST(PortQuantities, LargeChainEntriesAreNotClipped) {
  const ChainMatrix rs = {{{1e14f, 0, 0, 1}, {0, 1e15f, 0, 0}}};
  const Port p = port(rs, 50, 0, 50, 0);
  EXPECT_FLOAT_EQ(p.zinr, 5e15f);
  EXPECT_FLOAT_EQ(p.zini, 1e15f);
}

TEST(PortQuantities, ComplexTerminations) {
  Capind c;
  c.serl[1] = 120, c.shuntc[2] = 35, c.serl[3] = 90;
  const cd zs(30, 20), zl(75, -40);
  const ChainMatrix rs = cascade(c, 70, 2, 1, 3);
  const Port p = port(rs, 30, 20, 75, -40);
  const cd a(rs[0][0], rs[1][0]), b(rs[0][1], rs[1][1]), cc(rs[0][2], rs[1][2]),
      d(rs[0][3], rs[1][3]);
  const cd tau = 2.0 * std::sqrt(zs / zl) / (a + b / zl + cc * zs + d * zs / zl);
  const cd zin = testref::input_impedance(c, 70, 2, 1, 3, zl);
  const double gam = std::abs((zin - zs) / (zin + zs));
  EXPECT_NEAR(p.phf, std::arg(tau) * 180 / kPi, 1e-3);
  EXPECT_NEAR(p.il, 10 * std::log10(std::norm(tau)), 1e-4);
  EXPECT_NEAR(p.zinr, zin.real(), 1e-3);
  EXPECT_NEAR(p.zini, zin.imag(), 1e-3);
  EXPECT_NEAR(p.vswr, (1 + gam) / (1 - gam), 1e-4);
  EXPECT_NEAR(p.rtl, 20 * std::log10(gam), 1e-4);
}

// Third-order Butterworth low-pass at 100 MHz: the phase passes -180 degrees
// at sqrt(2) fc with a delay of (4/3) / wc.
Capind butterworth3() {
  Capind c;
  const float wc = 2 * kPiF * 100e6f;
  c.shuntc[1] = c.shuntc[3] = 1e12f / (50 * wc);
  c.serl[2] = 1e9f * 2 * 50 / wc;
  return c;
}

// The phase the sweep hands over at f, and the delay taken from f to fp.
float phase(const Capind& c, float f, int icfg, int ides, int n) {
  return port(cascade(c, f, icfg, ides, n), 50, 0, 50, 0, 1).phf;
}
float stepped(const Capind& c, float f, float fp, float phf, int icfg, int ides, int n) {
  const float k = 2 * kPiF / 360;
  return std::fabs(1000 / (2 * kPiF) * (phase(c, fp, icfg, ides, n) * k - phf * k) / (fp - f));
}

TEST(GroupDelay, WrapThrough180StepsDown) {
  const Capind c = butterworth3();
  const float f = 141.42f;  // just below sqrt(2) * 100; f * 1.0001 is above it
  const float phf = phase(c, f, 1, 1, 3);
  ASSERT_GT(phf, -180.0f);
  ASSERT_LT(phf, -179.0f);
  ASSERT_GT(phase(c, f * 1.0001f, 1, 1, 3), 179.0f);
  const float td = delay(c, f, 1, 1, 3, phf);
  EXPECT_NEAR(td, 4.0 / 3.0 / testref::omega(100) * 1e9, 0.01);
  EXPECT_EQ(td, stepped(c, f, f / 1.0001f, phf, 1, 1, 3));
}

TEST(GroupDelay, ZeroCrossingStepsDownAndZeroPhaseSkipsCheck) {
  // Series LC in the line resonating at 100 MHz: delay L/R = 2 ns there.
  Capind c;
  c.serl[1] = 100;
  c.serc[1] = static_cast<float>(1e12 / (testref::omega(100) * testref::omega(100) * 100e-9));
  const float f = 99.995f, phf = phase(c, f, 2, 3, 1);
  ASSERT_GT(phf, 0.0f);
  ASSERT_LT(phase(c, f * 1.0001f, 2, 3, 1), 0.0f);
  const float td = delay(c, f, 2, 3, 1, phf);
  EXPECT_NEAR(td, 2.0, 0.01);
  EXPECT_EQ(td, stepped(c, f, f / 1.0001f, phf, 2, 3, 1));
  EXPECT_NE(td, stepped(c, f, f * 1.0001f, phf, 2, 3, 1));
  // A phase of exactly 0 takes the upward step whatever the phase there.
  EXPECT_EQ(delay(c, 90, 2, 3, 1, 0.0f), stepped(c, 90, 90 * 1.0001f, 0.0f, 2, 3, 1));
  EXPECT_FALSE(std::isfinite(delay(c, 0, 2, 3, 1, 0.0f)));
}

}  // namespace
}  // namespace varnholt

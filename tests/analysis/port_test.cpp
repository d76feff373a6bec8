// Port quantities and delay: hand-solved circuits, complex terminations,
// phase wraps, and Chebyshev low-pass ladders against the closed-form
// response. The limits on loss and reflection: sweep_differential_test.cpp.
#include "analysis/port.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

#include "support/design.h"

namespace varnholt {
namespace {

using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;
double omega(double f_mhz) { return 2 * kPi * f_mhz * 1e6; }
constexpr float kPiF = 3.1415927f;

using Port = PortValues;

Port port(const ChainMatrix& rs, float zrs, float zis, float zrl, float zil) {
  return port_values(terminations({zrs, zis}, {zrl, zil}), rs);
}

// The input impedance with the load zl, from the chain matrix in double.
cd input_impedance(const ChainMatrix& rs, cd zl) {
  const auto e = [&rs](int col) { return cd(rs[0][col], rs[1][col]); };
  return (e(kEntryA) * zl + e(kEntryB)) / (e(kEntryC) * zl + e(kEntryD));
}

using testing::cascade;

Port at(const Capind& c, float f, int icfg, int ides, int n, float zrl = 50) {
  return port(cascade(c, f, icfg, ides, n), 50, 0, zrl, 0);
}

float delay(const Capind& c, float f, int icfg, int ides, int n, float phf) {
  float td = -1;
  grpdly(c, f, icfg, ides, n, phf, td, 0, 0, 50, 50);
  return td;
}

TEST(Port, Atn2Quadrants) {
  const float a = std::atan(0.5f);
  const struct {
    float x, y, angle;
  } cases[] = {{2, 1, a},          {2, -1, -a},  {-2, 1, kPiF - a}, {-2, -1, a - kPiF},
               {3, 0, 0},          {-1, 0, kPiF}, {-1, -0.0f, kPiF}, {0, 0, 0},
               {0, 4, kPiF / 2},   {0, -1, -kPiF / 2}};
  for (const auto& c : cases) EXPECT_EQ(atn2(c.x, c.y), c.angle) << c.x << ", " << c.y;
  EXPECT_TRUE(std::isnan(atn2(std::nanf(""), 1)));
}

// A shunt capacitor of 1/50 S at 100 MHz between 50-ohm ports: tau = 2/(2+j).
TEST(Port, SingleShuntCapacitor) {
  Capind c;
  c.shuntc[1] = 1e6f / (2 * kPiF * 100 * 50);
  const Port p = at(c, 100, 1, 1, 1);
  const double r = 1 / std::sqrt(5.0);
  EXPECT_NEAR(p.phf, -std::atan(0.5) * 180 / kPi, 1e-4);
  EXPECT_NEAR(p.il, 10 * std::log10(0.8), 1e-5);
  EXPECT_NEAR(p.zinr, 25, 1e-4);
  EXPECT_NEAR(p.zini, -25, 1e-4);
  EXPECT_NEAR(p.vswr, (1 + r) / (1 - r), 1e-5);
  EXPECT_NEAR(p.rtl, 20 * std::log10(r), 1e-5);
  // delay = -d(phase)/dw = (RC/2) / (1 + (wRC/2)^2) with wRC = 1 at 100 MHz
  EXPECT_NEAR(delay(c, 100, 1, 1, 1, p.phf), 0.4 / omega(100) * 1e9, 1e-3);
}

TEST(Port, ComplexTerminations) {
  Capind c;
  c.serl[1] = 120, c.shuntc[2] = 35, c.serl[3] = 90;
  const cd zs(30, 20), zl(75, -40);
  const ChainMatrix rs = cascade(c, 70, 2, 1, 3);
  const Port p = port(rs, 30, 20, 75, -40);
  const auto e = [&rs](int col) { return cd(rs[0][col], rs[1][col]); };
  const cd tau = 2.0 * std::sqrt(zs / zl) / (e(0) + e(1) / zl + e(2) * zs + e(3) * zs / zl);
  const cd zin = input_impedance(rs, zl);
  const double gam = std::abs((zin - zs) / (zin + zs));
  EXPECT_NEAR(p.phf, std::arg(tau) * 180 / kPi, 1e-3);
  EXPECT_NEAR(p.il, 10 * std::log10(std::norm(tau)), 1e-4);
  EXPECT_NEAR(p.zinr, zin.real(), 1e-3);
  EXPECT_NEAR(p.zini, zin.imag(), 1e-3);
  EXPECT_NEAR(p.vswr, (1 + gam) / (1 - gam), 1e-4);
  EXPECT_NEAR(p.rtl, 20 * std::log10(gam), 1e-4);
}

// Where the phase one step up has the other sign, the delay steps down instead.
TEST(Port, DelayAcrossAPhaseWrapOrAZeroCrossing) {
  // Third-order Butterworth low-pass at 100 MHz: the phase passes -180 degrees
  // at sqrt(2) fc, with a delay of (4/3) / wc.
  float am = 0, rod = 0, ros = 0;
  Capind bw;
  lpfltr(bw, am, 100, 2, 3, rod, ros, 50);
  const float f = 141.42f;  // just below sqrt(2) * 100; f * 1.0001 is above it
  const float phf = at(bw, f, 1, 1, 3).phf;
  ASSERT_TRUE(phf > -180.0f && phf < -179.0f && at(bw, f * 1.0001f, 1, 1, 3).phf > 179.0f) << phf;
  EXPECT_NEAR(delay(bw, f, 1, 1, 3, phf), 4.0 / 3.0 / omega(100) * 1e9, 0.01);
  // A series LC in the line resonating at 100 MHz: a delay of L/R = 2 ns there.
  Capind lc;
  lc.serl[1] = 100;
  lc.serc[1] = static_cast<float>(1e12 / (omega(100) * omega(100) * 100e-9));
  const float g = 99.995f, phg = at(lc, g, 2, 3, 1).phf;
  ASSERT_TRUE(phg > 0.0f && at(lc, g * 1.0001f, 2, 3, 1).phf < 0.0f) << phg;
  EXPECT_NEAR(delay(lc, g, 2, 3, 1, phg), 2.0, 0.01);
  EXPECT_FALSE(std::isfinite(delay(lc, 0, 2, 3, 1, 0.0f)));
}

double chebyshev_loss(int n, double am, double x) {
  const double t = x <= 1 ? std::cos(n * std::acos(x)) : std::cosh(n * std::acosh(x));
  return -10 * std::log10(1 + (std::pow(10, am / 10) - 1) * t * t);
}

// 0.5 dB Chebyshev low-pass at 100 MHz, both circuits each with its own load,
// against |tau|^2 = 1 / (1 + eps^2 T_n(f/fc)^2).
TEST(Port, ChebyshevLowPassOrdersThreeAndFour) {
  for (const int n : {3, 4}) {
    Capind c;
    float am = 0.5f, rod = 0, ros = 0;
    lpfltr(c, am, 100, 1, n, rod, ros, 50);
    for (int icfg : {1, 2}) {
      for (float f = 5; f <= 300; f += 5) {
        EXPECT_NEAR(at(c, f, icfg, 1, n, icfg == 1 ? ros : rod).il, chebyshev_loss(n, 0.5, f / 100.0),
                    0.01)
            << n << " " << f;
      }
    }
  }
}

// Fifteenth order, 0.01 dB, 10 MHz: in the stopband the product
// (A ZL + B) conj(C ZL + D) behind the input impedance passes 1e15 well
// before any chain entry does; it must not be clipped there.
TEST(Port, StopbandInputReactanceOfAFifteenthOrderLowPass) {
  Capind c;
  float am = 0.01f, rod = 0, ros = 0;
  lpfltr(c, am, 10, 1, 15, rod, ros, 50);
  const char* want[] = {"-47.09", "-44.69", "-42.56", "-40.67", "-38.96"};
  for (int i = 0; i < 5; ++i) {
    const float f = 18 + 0.5f * i;
    const Port p = at(c, f, 1, 1, 15);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", p.zini);
    EXPECT_EQ(std::string(text), want[i]) << f;
    const cd zin = input_impedance(cascade(c, f, 1, 1, 15), 50.0);
    EXPECT_NEAR(p.zini, zin.imag(), 0.01);
    EXPECT_NEAR(p.zinr, zin.real(), 0.01);
  }
  const ChainMatrix rs = cascade(c, 20, 1, 1, 15);
  const cd num(50.0 * rs[0][kEntryA], rs[1][kEntryB]), den(rs[0][kEntryD], 50.0 * rs[1][kEntryC]);
  EXPECT_GT(std::abs(num * std::conj(den)), 1e15);  // beyond the chain-product limit
}

}  // namespace
}  // namespace varnholt

// End-to-end checks of the analysis on Chebyshev low-pass ladders, against
// the closed-form response |tau|^2 = 1 / (1 + eps^2 T_n(f/fc)^2).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/cascade.h"
#include "analysis/port.h"
#include "reference_ladder.h"

namespace varnholt {
namespace {

constexpr float kPiF = 3.1415927f;

// Chebyshev prototype values g(1)..g(n+1), in float, in the order the
// synthesis forms them.
Ladder chebyshev(int n, float am) {
  Ladder g{}, a{}, b{};
  const float rn = static_cast<float>(n);
  const float beta = std::log(1 / std::tanh(am / 17.37f));
  const float gamma = std::sinh(beta / (2 * rn));
  for (int k = 1; k <= n; ++k) {
    const float rk = static_cast<float>(k);
    a[k] = std::sin((2 * rk - 1) * kPiF / (2 * rn));
    const float s = std::sin(rk * kPiF / rn);
    b[k] = gamma * gamma + s * s;
  }
  g[1] = 2 * a[1] / gamma;
  for (int k = 2; k <= n; ++k) g[k] = (4 * a[k - 1] * a[k]) / (b[k - 1] * g[k - 1]);
  g[n + 1] = g[1] / g[n];
  return g;
}

// Low-pass element values for both circuits: shunt C (pF) and series L (nH).
Capind lowpass(const Ladder& g, int n, float fc, float zo) {
  Capind c;
  const float wc = 2 * kPiF * (fc * 1e6f);
  for (int k = 1; k <= n; ++k) {
    c.shuntc[k] = 1e12f * g[k] / (zo * wc);
    c.serl[k] = 1e9f * g[k] * zo / wc;
  }
  return c;
}

double chebyshev_loss(int n, double am, double f_over_fc) {
  const double t = std::abs(f_over_fc) <= 1 ? std::cos(n * std::acos(f_over_fc))
                                            : std::cosh(n * std::acosh(f_over_fc));
  return -10 * std::log10(1 + (std::pow(10, am / 10) - 1) * t * t);
}

struct Response {
  float il, zinr, zini;
};

Response analyse(const Capind& c, float f, int icfg, int n, float zrl) {
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(c, f, icfg, 1, ierr, n, rs);
  Response r{};
  float phf = 0, rtl = 0, vswr = 0;
  lddrtg(0, r.il, phf, rs, rtl, vswr, 0, r.zini, r.zinr, 0, zrl, 50);
  return r;
}

TEST(ChebyshevLowpass, ThirdOrderHalfDecibel) {
  Capind c;
  const float g[] = {0, 1.5963f, 1.0967f, 1.5963f};
  for (int k = 1; k <= 3; ++k) {
    c.shuntc[k] = g[k] / (2 * kPiF * 100e6f * 50) * 1e12f;
    c.serl[k] = g[k] * 50 / (2 * kPiF * 100e6f) * 1e9f;
  }
  for (int icfg : {1, 2}) {
    EXPECT_NEAR(analyse(c, 50, icfg, 3, 50).il, -0.50, 0.01);
    EXPECT_NEAR(analyse(c, 100, icfg, 3, 50).il, -0.50, 0.01);
    EXPECT_NEAR(analyse(c, 150, icfg, 3, 50).il, -10.4, 0.05);
    EXPECT_NEAR(analyse(c, 200, icfg, 3, 50).il, -19.2, 0.05);
    for (float f = 5; f <= 300; f += 5)
      EXPECT_NEAR(analyse(c, f, icfg, 3, 50).il, chebyshev_loss(3, 0.5, f / 100.0), 0.01) << f;
  }
}

// Even order needs the load the prototype ends on: zo / g(5) for the
// standard circuit (series branch last), zo * g(5) for the dual.
TEST(ChebyshevLowpass, FourthOrderWithMatchingLoad) {
  const Ladder g = chebyshev(4, 0.5f);
  const Capind c = lowpass(g, 4, 100, 50);
  const float loads[] = {0, 1 / (g[5] / 50), 50 * g[5]};
  for (int icfg : {1, 2}) {
    EXPECT_NEAR(analyse(c, 100, icfg, 4, loads[icfg]).il, -0.50, 0.01);
    EXPECT_NEAR(analyse(c, 150, icfg, 4, loads[icfg]).il, -18.4, 0.06);
    for (float f = 10; f <= 250; f += 10)
      EXPECT_NEAR(analyse(c, f, icfg, 4, loads[icfg]).il, chebyshev_loss(4, 0.5, f / 100.0), 0.01);
  }
}

// Fifteenth order, 0.01 dB, 10 MHz: in the stopband the product
// (A ZL + B) conj(C ZL + D) behind the input impedance passes 1e15 well
// before any chain entry does; it must not be clipped there.
TEST(ChebyshevLowpass, StopbandInputImpedanceOfHighOrder) {
  const Capind c = lowpass(chebyshev(15, 0.01f), 15, 10, 50);
  const char* want[] = {"-47.09", "-44.69", "-42.56", "-40.67", "-38.96"};
  for (int i = 0; i < 5; ++i) {
    const float f = 18 + 0.5f * i;
    const Response r = analyse(c, f, 1, 15, 50);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", r.zini);
    EXPECT_EQ(std::string(text), want[i]) << f;
    const testref::cd zin = testref::input_impedance(c, f, 1, 1, 15, 50.0);
    EXPECT_NEAR(r.zini, zin.imag(), 0.01);
    EXPECT_NEAR(r.zinr, zin.real(), 0.01);
  }
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(c, 20, 1, 1, ierr, 15, rs);
  const testref::cd num(50.0 * rs[0][kEntryA], rs[1][kEntryB]);
  const testref::cd den(rs[0][kEntryD], 50.0 * rs[1][kEntryC]);
  EXPECT_GT(std::abs(num * std::conj(den)), 1e15);  // beyond the chain-product limit
}

}  // namespace
}  // namespace varnholt

// The double-precision evaluator against closed forms (Butterworth magnitude,
// one-element delays, resonances of the two-pair branches), physical laws
// (lossless ladders conserve power, ladders are reciprocal) and a finite
// difference of its own phase for the exact delay.
#include "ladder/network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace varnholt {
namespace {

using std::numbers::pi;
constexpr double kZ0 = 50.0;
double omega(double f_mhz) { return 2e6 * pi * f_mhz; }

// A Butterworth low-pass of order n cut off at fc (MHz) between kZ0 ohms,
// from g_k = 2 sin((2k - 1) pi / 2n), shunt capacitor first.
Ladder butterworth(int n, double fc) {
  Ladder lad;
  const double wc = omega(fc);
  for (int k = 1; k <= n; ++k) {
    const double g = 2.0 * std::sin((2 * k - 1) * pi / (2 * n));
    Branch b;
    if (k % 2 == 1) {
      b = {Placement::Shunt, BranchKind::Capacitor, {}, {g / (kZ0 * wc) * 1e12, 0}};
    } else {
      b = {Placement::Series, BranchKind::Inductor, {g * kZ0 / wc * 1e9, 0}, {}};
    }
    lad.branches.push_back(b);
  }
  return lad;
}

// One branch of every kind, in the line and to ground, with unrelated values.
Ladder every_kind() {
  Ladder lad;
  const BranchKind kinds[] = {BranchKind::Inductor,        BranchKind::Capacitor,
                              BranchKind::SeriesLC,        BranchKind::ParallelLC,
                              BranchKind::TankAndSeriesLC, BranchKind::SeriesLCAndTank};
  for (int i = 0; i < 6; ++i) {
    for (Placement p : {Placement::Series, Placement::Shunt}) {
      lad.branches.push_back({p, kinds[i], {80.0 + 9 * i, 55.0 + 3 * i}, {30.0 + 4 * i, 41.0 - i}});
    }
  }
  return lad;
}

PortResponse respond(const Ladder& lad, double f, const Losses& q = {}, Complex zs = kZ0,
                     Complex zl = kZ0) {
  return port_response(chain_matrix_slope(lad, f, q), zs, zl);
}

TEST(Network, ButterworthMagnitudeIsMaximallyFlat) {
  for (int n : {1, 2, 5, 9}) {
    const Ladder lad = butterworth(n, 100.0);
    for (double f = 5.0; f < 400.0; f *= 1.13) {
      const double expect = -10.0 * std::log10(1.0 + std::pow(f / 100.0, 2 * n));
      EXPECT_NEAR(respond(lad, f).s21_db, expect, 1e-9 + 1e-11 * std::abs(expect)) << n << " " << f;
    }
  }
}

TEST(Network, OneElementDelayMatchesClosedForm) {
  const double l = 120.0, c = 47.0;  // nH, pF
  Ladder series{{{Placement::Series, BranchKind::Inductor, {l, 0}, {}}}};
  Ladder shunt{{{Placement::Shunt, BranchKind::Capacitor, {}, {c, 0}}}};
  for (double f : {1.0, 30.0, 100.0, 700.0}) {
    const double tl = l * 1e-9 / (2 * kZ0), tc = c * 1e-12 * kZ0 / 2;  // s
    const double x = omega(f) * tl, y = omega(f) * tc;
    EXPECT_NEAR(respond(series, f).delay_ns, tl / (1 + x * x) * 1e9, 1e-12);
    EXPECT_NEAR(respond(shunt, f).delay_ns, tc / (1 + y * y) * 1e9, 1e-12);
    EXPECT_NEAR(respond(series, f).s21_deg, -std::atan(x) * 180 / pi, 1e-10);
    const double rho = x / std::hypot(1.0, x);  // |jX / (2 R + jX)|
    EXPECT_NEAR(respond(series, f).vswr, (1 + rho) / (1 - rho), 1e-9 * (1 + rho) / (1 - rho));
  }
}

// (L1 || C1) || (L2 + C2) and (L2 + C2) + (L1 || C1): at the series
// resonance w2 the series pair is a short, at the tank resonance w1 the tank
// is an open, leaving the other pair alone.
TEST(Network, TwoPairBranchesAtTheirResonances) {
  const double l1 = 100, c1 = 25, l2 = 60, c2 = 10;
  const double f1 = 1e-6 / (2 * pi * std::sqrt(l1 * c1 * 1e-21));
  const double f2 = 1e-6 / (2 * pi * std::sqrt(l2 * c2 * 1e-21));
  const Branch tank_par{Placement::Series, BranchKind::TankAndSeriesLC, {l1, l2}, {c1, c2}};
  const Branch series_tank{Placement::Series, BranchKind::SeriesLCAndTank, {l2, l1}, {c2, c1}};
  const double x2_at_f1 = omega(f1) * l2 * 1e-9 - 1 / (omega(f1) * c2 * 1e-12);
  EXPECT_NEAR(std::abs(branch_impedance(tank_par, f2)), 0.0, 1e-6);
  EXPECT_NEAR(branch_impedance(tank_par, f1).imag(), x2_at_f1, 1e-6 * std::abs(x2_at_f1));
  EXPECT_GT(std::abs(branch_impedance(series_tank, f1)), 1e9);
  EXPECT_NEAR(branch_impedance(series_tank, f2).imag(),
              -1 / (omega(f2) * c1 * 1e-12 - 1 / (omega(f2) * l1 * 1e-9)), 1e-9);
}

TEST(Network, LosslessLaddersConserveAndAreReciprocal) {
  const Ladder lad = every_kind();
  for (double f : {3.0, 41.0, 97.0, 180.0, 650.0}) {
    const Abcd m = chain_matrix(lad, f);
    const SParameters s = s_parameters(m, kZ0);
    EXPECT_NEAR(std::norm(s.s11) + std::norm(s.s21), 1.0, 1e-9) << f;
    EXPECT_NEAR(std::norm(s.s22) + std::norm(s.s12), 1.0, 1e-9) << f;
    EXPECT_NEAR(std::abs(s.s12 - s.s21), 0.0, 1e-9) << f;
    EXPECT_NEAR(std::abs(m.a * m.d - m.b * m.c - 1.0), 0.0, 1e-12 * std::abs(m.a * m.d)) << f;
    // Between complex terminations, by the power-wave reflection.
    const PortResponse p = respond(lad, f, {}, {30, 20}, {75, -40});
    EXPECT_NEAR(std::norm(p.s11) + std::norm(p.s21), 1.0, 1e-9) << f;
    // The same transmission by both routes at real z0.
    const PortResponse r = respond(lad, f);
    EXPECT_NEAR(std::abs(r.s21 - s.s21), 0.0, 1e-12) << f;
    EXPECT_NEAR(std::abs(r.s11 - s.s11), 0.0, 1e-12) << f;
  }
}

TEST(Network, LossesDissipateAndGrowWithLowerQ) {
  const Ladder lad = every_kind(), lowpass = butterworth(5, 100.0);
  for (double f : {20.0, 60.0, 97.0}) {
    double last = 1.0;
    for (double q : {1e4, 300.0, 40.0}) {
      const PortResponse p = respond(lad, f, {q, 2 * q, 0.0});
      EXPECT_LT(std::norm(p.s11) + std::norm(p.s21), 1.0);
      const double gain = std::norm(respond(lowpass, f, {q, 2 * q, 0.0}).s21);
      EXPECT_LT(gain, last) << f << " " << q;  // in the passband, loss grows as Q falls
      last = gain;
    }
    // A Q fixed at the frequency itself is the constant Q there.
    EXPECT_NEAR(respond(lad, f, {70, 90, 0}).s21_db, respond(lad, f, {70, 90, f}).s21_db, 1e-9);
  }
}

// The exact delay against a central difference of the unwrapped phase.
TEST(Network, DelayIsTheSlopeOfThePhase) {
  const Ladder lad = every_kind();
  const Losses cases[] = {{}, {50, 120, 0}, {50, 120, 60}};
  for (const Losses& q : cases) {
    for (double f : {3.0, 41.0, 97.0, 180.0}) {
      const double h = f * 1e-6;
      const Complex zs{30, 20}, zl{75, -40};
      const Complex lo = respond(lad, f - h, q, zs, zl).s21, hi = respond(lad, f + h, q, zs, zl).s21;
      const double numeric = -std::arg(hi / lo) / (omega(f + h) - omega(f - h)) * 1e9;
      const double exact = respond(lad, f, q, zs, zl).delay_ns;
      EXPECT_NEAR(exact, numeric, 1e-5 * std::abs(exact) + 1e-9) << f;
    }
  }
}

TEST(Network, OpensAndShortsStayFinite) {
  // A zero capacitor in the line and a zero inductor to ground block all.
  Ladder open{{{Placement::Series, BranchKind::Capacitor, {}, {0, 0}},
               {Placement::Shunt, BranchKind::Inductor, {0, 0}, {}}}};
  const PortResponse p = respond(open, 100.0);
  EXPECT_LT(p.s21_db, -1000.0);
  EXPECT_TRUE(std::isfinite(p.s21_db) && std::isfinite(p.delay_ns) && std::isfinite(p.s11_db));
  EXPECT_THROW(respond(open, 100.0, {0.0, 100, 0}), std::invalid_argument);
  EXPECT_THROW(respond(open, 100.0, {}, {0, 1}), std::invalid_argument);
}

}  // namespace
}  // namespace varnholt

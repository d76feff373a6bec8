// The double-precision evaluator against closed forms (Butterworth magnitude,
// one-element phase and VSWR), physical laws (lossless ladders conserve power and are
// reciprocal) and a finite difference of its own phase for the exact delay.
#include "ladder/network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <utility>
#include <vector>
#include <stdexcept>

namespace varnholt {
namespace {

using std::numbers::pi;
double omega(double f_mhz) { return 2e6 * pi * f_mhz; }

// A Butterworth low-pass cut off at 100 MHz, 50 ohms, shunt capacitor first.
Ladder butterworth(int n) {
  Ladder lad;
  for (int k = 1; k <= n; ++k) {
    const double g = 2 * std::sin((2 * k - 1) * pi / (2 * n)) / omega(100);  // seconds
    if (k % 2) lad.branches.push_back({Placement::Shunt, BranchKind::Capacitor, {}, {g * 2e10, 0}});
    if (k % 2 == 0)
      lad.branches.push_back({Placement::Series, BranchKind::Inductor, {g * 5e10, 0}, {}});
  }
  return lad;
}

// One branch of every kind, in the line and to ground, with unrelated values.
Ladder every_kind() {
  Ladder lad;
  for (int i = 0; i < 6; ++i)
    for (Placement p : {Placement::Series, Placement::Shunt})
      lad.branches.push_back({p, BranchKind(i), {80.0 + 9 * i, 55.0 + i}, {30.0 + 4 * i, 41.0}});
  return lad;
}

PortResponse respond(const Ladder& lad, double f, const PartModel& q = {}, Complex zs = 50,
                     Complex zl = 50) {
  return port_response(chain_matrix_slope(lad, f, q), zs, zl);
}

TEST(Network, ButterworthMagnitudeIsMaximallyFlat) {
  for (int n : {1, 2, 5, 9})
    for (double f = 5.0; f < 400.0; f *= 1.13) {
      const double expect = -10.0 * std::log10(1.0 + std::pow(f / 100.0, 2 * n));
      EXPECT_NEAR(respond(butterworth(n), f).s21_db, expect, 1e-9 - 1e-11 * expect) << n << f;
    }
}

// The delay of each element: DelayIsTheSlopeOfThePhase.
TEST(Network, OneElementPhaseAndVswr) {
  const Ladder series{{{Placement::Series, BranchKind::Inductor, {120, 0}, {}}}};
  const double tl = 120e-9 / 100;  // s: L / 2R
  for (double f : {1.0, 30.0, 100.0, 700.0}) {
    const double x = omega(f) * tl, rho = x / std::hypot(1.0, x);
    EXPECT_NEAR(respond(series, f).s21_deg, -std::atan(x) * 180 / pi, 1e-10);
    EXPECT_NEAR(respond(series, f).vswr, (1 + rho) / (1 - rho), 1e-9 * (1 + rho) / (1 - rho));
  }
}

TEST(Network, LosslessLaddersConserveAndAreReciprocal) {
  for (double f : {3.0, 41.0, 97.0, 180.0, 650.0}) {
    const Abcd m = chain_matrix(every_kind(), f);
    const SParameters s = s_parameters(m, 50);
    EXPECT_NEAR(std::norm(s.s11) + std::norm(s.s21), 1.0, 1e-9) << f;
    EXPECT_NEAR(std::norm(s.s22) + std::norm(s.s12), 1.0, 1e-9) << f;
    EXPECT_NEAR(std::abs(s.s12 - s.s21), 0.0, 1e-9) << f;
    EXPECT_NEAR(std::abs(m.a * m.d - m.b * m.c - 1.0), 0.0, 1e-12 * std::abs(m.a * m.d)) << f;
    const PortResponse p = respond(every_kind(), f, {}, {30, 20}, {75, -40});
    EXPECT_NEAR(std::norm(p.s11) + std::norm(p.s21), 1.0, 1e-9) << f;
    const PortResponse r = respond(every_kind(), f);  // both routes at a real z0
    EXPECT_NEAR(std::abs(r.s21 - s.s21) + std::abs(r.s11 - s.s11), 0.0, 1e-12) << f;
  }
  // Deep in the stopband too, where a determinant formed from the matrix is
  // rounding alone: |S21| = (f / fc)^-15 = 1e-30 at a hundred times the cut-off.
  const SParameters deep = s_parameters(chain_matrix(butterworth(15), 1e4), 50);
  EXPECT_NEAR(std::abs(deep.s21) * 1e30, 1.0, 1e-9);
  EXPECT_LE(std::abs(deep.s12 - deep.s21), 1e-12 * std::abs(deep.s21));
}

// The exact delay against a central difference of the phase, lossless and
// with either kind of Q; a Q fixed at the frequency itself is the constant Q.
TEST(Network, DelayIsTheSlopeOfThePhase) {
  const PartModel cases[] = {{}, with_quality(50, 120, 0), with_quality(50, 120, 60)};
  const Complex zs{30, 20}, zl{75, -40};
  for (const PartModel& q : cases)
    for (double f : {3.0, 41.0, 97.0, 180.0}) {
      const double h = f * 1e-6;
      const Complex lo = respond(every_kind(), f - h, q, zs, zl).s21;
      const double numeric = -std::arg(respond(every_kind(), f + h, q, zs, zl).s21 / lo) /
                             (omega(f + h) - omega(f - h)) * 1e9;
      const PortResponse p = respond(every_kind(), f, q, zs, zl);
      EXPECT_NEAR(p.delay_ns, numeric, 1e-5 * std::abs(numeric) + 1e-9) << f;
      EXPECT_LT(std::norm(p.s11) + std::norm(p.s21), std::isinf(q.q_inductor) ? 1 + 1e-9 : 1.0);
    }
  for (double f : {3.0, 97.0})
    EXPECT_NEAR(respond(every_kind(), f, cases[1]).s21_db,
                respond(every_kind(), f, with_quality(50, 120, f)).s21_db, 1e-9);
}

TEST(Network, OpensAndShortsStayFiniteAndBadInputsThrow) {
  const Ladder open{{{Placement::Series, BranchKind::Capacitor, {}, {0, 0}},
                     {Placement::Shunt, BranchKind::Inductor, {0, 0}, {}}}};
  const PortResponse p = respond(open, 100.0);
  EXPECT_LT(p.s21_db, -1000.0);
  EXPECT_TRUE(std::isfinite(p.s21_db) && std::isfinite(p.delay_ns) && std::isfinite(p.s11_db));
  EXPECT_THROW(respond(open, 100.0, with_quality(0.0, 100, 0)), std::invalid_argument);
  EXPECT_THROW(respond(open, 100.0, {}, {0, 1}), std::invalid_argument);
}

// Lossless ladders take a real-arithmetic route; a Q of 1e280 takes the
// general complex one with losses far below rounding, so both must agree to
// rounding: random ladders of every kind and placement (a few zero-valued
// elements among them: exact opens), at spread frequencies and at and beside
// the resonance of every pair.
TEST(Network, LosslessRouteAgreesWithTheGeneralOne) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> decade(-1.0, 2.5);
  const auto value = [&] { return rng() % 40 == 0 ? 0.0 : std::pow(10.0, decade(rng)); };
  const PartModel nearly_lossless = with_quality(1e280, 1e280, 0);
  const auto agree = [](Complex fast, Complex general, double f) {
    EXPECT_LE(std::abs(fast - general), 1e-13 * std::abs(general) + 1e-250) << f;
  };
  for (int trial = 0; trial < 300; ++trial) {
    Ladder lad;
    std::vector<double> freqs{0.5, 7.0, 90.0, 1100.0};
    for (std::size_t n = 1 + rng() % 7; n > 0; --n) {
      const Branch b{Placement(rng() % 2), BranchKind(rng() % 6), {value(), value()},
                     {value(), value()}};
      lad.branches.push_back(b);
      for (int p = 0; p < 2; ++p) {
        const double f0 = 1e3 / (2 * pi * std::sqrt(b.l[p] * b.c[p]));
        if (std::isfinite(f0)) freqs.insert(freqs.end(), {f0, f0 * (1 + 1e-9), f0 * (1 - 1e-12)});
      }
    }
    // Many frequencies at once give each one's result bit for bit (the
    // resonances above make some lanes of a batch fall back).
    const PreparedNetwork net(lad);
    std::vector<AbcdSlope> slopes(freqs.size());
    std::vector<Abcd> plains(freqs.size());
    net.chain_matrix_slopes(freqs, {}, slopes);
    net.chain_matrices(freqs, {}, plains);
    for (std::size_t i = 0; i < freqs.size(); ++i) {
      const AbcdSlope one = net.chain_matrix_slope(freqs[i]);
      for (auto [x, y] : {std::pair{slopes[i].m, one.m}, {slopes[i].dm, one.dm}, {plains[i], one.m}}) {
        EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << freqs[i];
      }
    }
    for (double f : freqs) {
      const AbcdSlope fast = chain_matrix_slope(lad, f), general =
                                                             chain_matrix_slope(lad, f, nearly_lossless);
      const Abcd plain = chain_matrix(lad, f);
      for (auto [x, y] : {std::pair{fast.m, general.m}, {fast.dm, general.dm}, {plain, general.m}}) {
        agree(x.a, y.a, f);
        agree(x.b, y.b, f);
        agree(x.c, y.c, f);
        agree(x.d, y.d, f);
      }
    }
  }
}

}  // namespace
}  // namespace varnholt

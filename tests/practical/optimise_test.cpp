// The choice of buyable values, checked from outside: every result is
// re-evaluated with mask_margins (or analyse_yield) rather than taken from the
// optimiser, against the plain rounding of the same ladder.
#include "practical/optimise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "practical/bandpass.h"
#include "practical/elements.h"

namespace varnholt {
namespace {

// Chebyshev prototype values for odd n (equal terminations), ripple in dB.
std::vector<double> chebyshev_g(int n, double ripple_db) {
  const double beta = std::log(1 / std::tanh(ripple_db / 17.37)), gamma = std::sinh(beta / (2 * n));
  const auto a = [n](int k) { return std::sin((2 * k - 1) * std::numbers::pi / (2 * n)); };
  std::vector<double> g{2 * a(1) / gamma};
  for (int k = 2; k <= n; ++k) {
    const double b = gamma * gamma + std::pow(std::sin((k - 1) * std::numbers::pi / n), 2);
    g.push_back(4 * a(k - 1) * a(k) / (b * g.back()));
  }
  return g;
}

// Low-pass (shunt C, series L) at cut-off f0, or band-pass (shunt tanks,
// series LC) centred on f0 with bandwidth bw.
Ladder ladder_of(const std::vector<double>& g, bool band, double f0, double bw, double z0) {
  const double w0 = 2e6 * std::numbers::pi * f0, dw = band ? 2e6 * std::numbers::pi * bw : w0;
  Ladder lad;
  for (std::size_t k = 0; k < g.size(); ++k) {
    const bool shunt = k % 2 == 0;
    const double x = shunt ? g[k] / (z0 * dw) : g[k] * z0 / dw;  // F or H
    const double other = 1 / (w0 * w0 * x);
    if (shunt)
      lad.branches.push_back(
          band ? Branch{Placement::Shunt, BranchKind::ParallelLC, {1e9 * other, 0}, {1e12 * x, 0}}
               : Branch{Placement::Shunt, BranchKind::Capacitor, {}, {1e12 * x, 0}});
    else
      lad.branches.push_back(
          band ? Branch{Placement::Series, BranchKind::SeriesLC, {1e9 * x, 0}, {1e12 * other, 0}}
               : Branch{Placement::Series, BranchKind::Inductor, {1e9 * x, 0}, {}});
  }
  return lad;
}

double worst(const ValueProblem& p, const Ladder& lad) {
  double w = INFINITY;
  for (const MaskMargin& m : mask_margins(lad, p.losses, p.zs, p.zl, p.mask, p.sweep_mhz))
    w = std::min(w, m.margin_db);
  return w;
}

// A random design and a mask a little inside its ideal response.
ValueProblem random_problem(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> u(0, 1);
  const bool band = u(rng) < 0.5, cheb = u(rng) < 0.6;
  const int n = 3 + 2 * static_cast<int>(u(rng) * 3);
  std::vector<double> g = cheb ? chebyshev_g(n, 0.1 + 0.4 * u(rng)) : std::vector<double>{};
  for (int k = 1; !cheb && k <= n; ++k) g.push_back(test::butterworth_g(k, n));
  const double f0 = 10 + 190 * u(rng), bw = band ? f0 * (0.05 + 0.2 * u(rng)) : 0;
  ValueProblem p;
  p.ideal = ladder_of(g, band, f0, bw, 50);
  p.inductors = u(rng) < 0.5 ? ESeries::E12 : ESeries::E24;
  p.capacitors = u(rng) < 0.3 ? ESeries::E6 : ESeries::E12;
  p.losses = with_quality(80 + 200 * u(rng), 400 + 600 * u(rng));
  const double lo = band ? f0 - 0.45 * bw : 0.05 * f0, hi = band ? f0 + 0.45 * bw : 0.9 * f0;
  for (int i = 0; i <= 100; ++i)
    p.sweep_mhz.push_back(band ? f0 + bw * (i / 25.0 - 2) : f0 * (0.02 + 0.03 * i));
  const double stop = band ? 1.3 * bw / 2 : 1.6 * f0;
  const std::vector<double> at{band ? f0 - stop : stop, f0 + stop};
  const std::vector<double> loss = loss_db(p.ideal, p.losses, p.zs, p.zl, at);
  double pass = 0;
  for (double f : p.sweep_mhz)
    if (f >= lo && f <= hi)
      pass = std::max(pass, loss_db(p.ideal, p.losses, p.zs, p.zl, std::vector<double>{f})[0]);
  p.mask = {{{lo, hi}},
            pass + 0.05 + 0.5 * u(rng),
            -INFINITY,
            {{at[0], loss[0] - 0.1 - 2 * u(rng)}, {at[1], loss[1] - 0.1 - 2 * u(rng)}}};
  return p;
}

void expect_buyable(const ValueProblem& p, const ValueResult& r) {
  for (const ChosenValue& c : r.elements) {
    const ESeries s = *(c.where.inductor ? p.inductors : p.capacitors);
    EXPECT_EQ(element_value(r.ladder, c.where), c.value);
    EXPECT_EQ(round_to_series(c.first, s), c.first);
    if (c.choice == PartChoice::Single) continue;
    EXPECT_EQ(round_to_series(c.second, s), c.second);
    EXPECT_DOUBLE_EQ(c.value, c.choice == PartChoice::Parallel
                                  ? c.first + c.second
                                  : c.first * c.second / (c.first + c.second));
  }
}

TEST(OptimiseValues, NeverWorseThanRoundingAndTurnsFailuresIntoPasses) {
  std::mt19937_64 rng(2024);
  int rescued = 0;
  for (int design = 0; design < 50; ++design) {
    const ValueProblem p = random_problem(rng);
    ValueOptions o;
    o.pairs = design % 2 == 1;
    const ValueResult r = optimise_values(p, o);
    const double rounded = worst(p, round_ladder(p.ideal, p.inductors, p.capacitors).ladder);
    EXPECT_EQ(r.rounded_margin_db, rounded) << design;
    EXPECT_EQ(r.margin_db, worst(p, r.ladder)) << design;
    EXPECT_GE(r.margin_db, rounded) << design;
    EXPECT_FALSE(r.stopped);
    expect_buyable(p, r);
    rescued += rounded < 0 && r.margin_db >= 0;
  }
  EXPECT_GE(rescued, 1);
}

ValueProblem band_pass_problem() {
  ValueProblem p;
  p.ideal = test::butterworth_bandpass(5, 100.0, 30.0, 50.0);
  p.inductors = ESeries::E12;
  p.capacitors = ESeries::E12;
  p.losses = with_quality(150, 600);
  for (int i = 0; i <= 60; ++i) p.sweep_mhz.push_back(60 + 1.5 * i);
  p.mask = {{{90, 110}}, 1.5, 14.0, {{70, 34}, {140, 34}}};  // the ideal: 1.16, 16.4, 38.7, 36.1 dB
  return p;
}

TEST(OptimiseValues, SameResultOnOneAndTwoThreadsAndYieldAsAnalysed) {
  const ValueProblem p = band_pass_problem();
  for (ValueObjective objective : {ValueObjective::WorstMargin, ValueObjective::Yield}) {
    ValueOptions o;
    o.objective = objective;
    o.pairs = objective == ValueObjective::WorstMargin;
    o.tolerances = {2, 2, Spread::Uniform};
    o.trials = 60;
    o.threads = 1;
    const ValueResult one = optimise_values(p, o);
    o.threads = 2;
    const ValueResult two = optimise_values(p, o);
    EXPECT_EQ(one.evaluations, two.evaluations);
    EXPECT_EQ(one.margin_db, two.margin_db);
    EXPECT_EQ(one.yield_percent, two.yield_percent);
    for (const ElementRef& e : ladder_elements(p.ideal))
      EXPECT_EQ(element_value(one.ladder, e), element_value(two.ladder, e));
    if (objective == ValueObjective::WorstMargin) continue;
    const auto yield = [&](const Ladder& lad) {
      return analyse_yield(lad, p.losses, p.zs, p.zl, o.tolerances, p.mask, p.sweep_mhz, {60, 1, 2})
          .yield_percent;
    };
    EXPECT_EQ(one.yield_percent, yield(one.ladder));
    EXPECT_EQ(one.rounded_yield_percent,
              yield(round_ladder(p.ideal, p.inductors, p.capacitors).ladder));
    EXPECT_GT(one.yield_percent, one.rounded_yield_percent);
  }
}

TEST(OptimiseValues, StopsAtTheEvaluationBound) {
  const ValueProblem p = band_pass_problem();
  ValueOptions o;
  const ValueResult full = optimise_values(p, o);
  EXPECT_FALSE(full.stopped);
  o.max_evaluations = 25;
  const ValueResult cut = optimise_values(p, o);
  EXPECT_TRUE(cut.stopped);
  EXPECT_EQ(cut.evaluations, 25);
  EXPECT_GE(cut.margin_db, cut.rounded_margin_db);
  EXPECT_GT(full.evaluations, 25);
  o.max_evaluations = 0;
  EXPECT_THROW(optimise_values(p, o), std::invalid_argument);
}

TEST(OptimiseValues, FreeElementsDoAtLeastAsWellAsTheDiscreteChoice) {
  ValueProblem p = band_pass_problem();
  p.mask.max_passband_loss_db = 1.3;
  const ValueResult discrete = optimise_values(p, {});
  ValueOptions o;
  o.free = {{0, 0, false}, {2, 0, false}};
  const ValueResult free = optimise_values(p, o);
  EXPECT_GE(free.margin_db, discrete.margin_db);
  EXPECT_EQ(free.margin_db, worst(p, free.ladder));
  for (const ChosenValue& c : free.elements) {
    if (c.choice != PartChoice::Free) continue;
    EXPECT_TRUE(c.where.branch == 0 || c.where.branch == 2);
    EXPECT_LE(std::abs(c.value / c.ideal - 1), 0.5);
  }
  o.free = {{1, 0, false}, {7, 0, false}};
  EXPECT_THROW(optimise_values(p, o), std::invalid_argument);
}

// A Chebyshev band-pass detuned by up to 4 % is brought back to the ideal's
// loss over the passband, its edges and the skirts.
TEST(RefineToLoss, RecoversADetunedLadder) {
  const Ladder ideal = ladder_of(chebyshev_g(5, 0.25), true, 100, 20, 50);
  LossTarget target;
  for (int i = 0; i <= 40; ++i) target.f_mhz.push_back(80 + i);
  target.loss_db = loss_db(ideal, {}, 50.0, 50.0, target.f_mhz);
  Ladder detuned = ideal;
  std::mt19937_64 rng(5);
  for (const ElementRef& e : ladder_elements(ideal))
    element_value(detuned, e) *= 1 + 0.04 * std::uniform_real_distribution<double>(-1, 1)(rng);
  const RefineResult r = refine_to_loss(detuned, {}, 50.0, 50.0, target);
  EXPECT_GT(r.start_rms_error_db, 0.5);
  const std::vector<double> got = loss_db(r.ladder, {}, 50.0, 50.0, target.f_mhz);
  for (std::size_t j = 0; j < got.size(); ++j)
    EXPECT_NEAR(got[j], target.loss_db[j], 0.05) << target.f_mhz[j];
  EXPECT_THROW(refine_to_loss(detuned, {}, 50.0, 50.0, {{100}, {}}), std::invalid_argument);
}

}  // namespace
}  // namespace varnholt

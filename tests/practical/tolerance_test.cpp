// Monte Carlo yield: all-or-nothing at zero tolerance against masks just
// either side of the nominal response, the same numbers on any number of
// threads, the spread of the draws, and the percentiles against a sort.
#include "practical/tolerance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "practical/bandpass.h"
#include "practical/elements.h"

namespace varnholt {
namespace {

const Ladder kFilter = test::butterworth_bandpass(5, 100.0, 10.0, 50.0);
const PartModel kQ = with_quality(150, 600);
const std::vector<double> kSweep = [] {
  std::vector<double> f;
  for (int i = 0; i <= 60; ++i) f.push_back(85 + 0.5 * i);
  return f;
}();

PortResponse respond(const Ladder& lad, double f) {
  return port_response(chain_matrix_slope(lad, f, kQ), 50.0, 50.0);
}

// Each limit at the nominal response's own worst value (at the edges, off the
// sweep's grid, and the sweep points between), then moved by +-0.01 dB: zero tolerance passes every
// trial or none, and the failing item is the one moved.
TEST(Yield, ZeroToleranceIsAllOrNothing) {
  double loss = 0, rl = 1e9;
  for (double f : kSweep) {
    if (f < 95.9 || f > 103.3) continue;
    loss = std::max(loss, -respond(kFilter, f).s21_db);
    rl = std::min(rl, -respond(kFilter, f).s11_db);
  }
  for (double edge : {95.9, 103.3}) loss = std::max(loss, -respond(kFilter, edge).s21_db);
  for (double edge : {95.9, 103.3}) rl = std::min(rl, -respond(kFilter, edge).s11_db);
  const double stop = -respond(kFilter, 87.3).s21_db;
  for (int item = 0; item < 3; ++item) {
    for (double margin : {0.01, -0.01}) {
      Mask m{{{95.9, 103.3}}, loss + 0.01, rl - 0.01, {{87.3, stop - 0.01}}};
      if (item == 0) m.max_passband_loss_db = loss + margin;
      if (item == 1) m.min_return_loss_db = rl - margin;
      if (item == 2) m.stop[0].min_loss_db = stop - margin;
      const YieldResult r = analyse_yield(kFilter, kQ, 50.0, 50.0, {}, m, kSweep, {40, 7, 2});
      EXPECT_EQ(r.yield_percent, margin > 0 ? 100.0 : 0.0) << item;
      EXPECT_EQ(r.most_failed, margin > 0 ? -1 : item) << item;
      EXPECT_EQ(r.items[static_cast<std::size_t>(item)].failures, margin > 0 ? 0 : 40);
      EXPECT_FLOAT_EQ(r.s21_db[30].p5, r.s21_db[30].p95);
      EXPECT_NEAR(r.s21_db[30].p50, respond(kFilter, kSweep[30]).s21_db, 1e-5);
    }
  }
}

// A notch at 100 MHz between the edges of a passband fails it; edges alone
// would not see it.
TEST(Yield, PassbandIsCheckedBetweenItsEdges) {
  const Ladder notch{{{Placement::Shunt, BranchKind::SeriesLC, {2000, 0}, {1.2665, 0}}}};
  const Mask m{{{90.3, 109.7}, {90.3, 95.0}}, 3.0, -INFINITY, {}};
  EXPECT_EQ(mask_failures(notch, kQ, 50.0, 50.0, m, kSweep), (std::vector<bool>{true, false}));
}

TEST(Yield, SameSeedSameNumbersOnAnyNumberOfThreads) {
  const Mask m{{{97, 103}}, 3.2, 15.0, {{88, 38}, {113, 36}}};
  const Tolerances tol{2, 3, Spread::Normal};
  const YieldResult one = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, m, kSweep, {300, 42, 1});
  const YieldResult two = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, m, kSweep, {300, 42, 2});
  const YieldResult other = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, m, kSweep, {300, 43, 3});
  EXPECT_TRUE(one.yield_percent > 10 && one.yield_percent < 90) << one.yield_percent;
  EXPECT_EQ(one.passed, two.passed);
  EXPECT_NE(one.passed, other.passed);
  for (std::size_t i = 0; i < one.items.size(); ++i)
    EXPECT_EQ(one.items[i].failures, two.items[i].failures);
  for (std::size_t i = 0; i < kSweep.size(); ++i) {
    EXPECT_EQ(one.s21_db[i].p5, two.s21_db[i].p5);
    EXPECT_EQ(one.s11_db[i].p95, two.s11_db[i].p95);
  }
}

// A caller can stop a run through its progress both while the trials run and
// once they are done, before the percentiles of every frequency are found.
TEST(Yield, ProgressCanStopTheTrialsAndThePercentiles) {
  const Tolerances tol{2, 2, Spread::Uniform};
  for (const int stop_at : {5, 41}) {  // the 5th trial; the first frequency after 40 trials
    YieldOptions options{40, 7, 1};
    int calls = 0;
    options.progress = [&](int64_t, int64_t) {
      if (++calls == stop_at) throw std::runtime_error("stopped");
    };
    EXPECT_THROW(analyse_yield(kFilter, kQ, 50.0, 50.0, tol, {}, kSweep, options), std::runtime_error);
    EXPECT_EQ(calls, stop_at);
  }
}

// The 5th, 50th and 95th percentiles of 101 trials are the 6th, 51st and
// 96th smallest, trial by trial through perturbed(); between order
// statistics the percentile is linear.
TEST(Yield, PercentilesAreTheOrderStatisticsOfTheTrials) {
  const Tolerances tol{5, 5, Spread::Uniform};
  const YieldResult r = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, {}, kSweep, {101, 9, 2});
  for (std::size_t i : {14, 30, 44}) {
    std::vector<double> s21;
    for (int t = 0; t < 101; ++t)
      s21.push_back(respond(perturbed(kFilter, tol, 9, t), kSweep[i]).s21_db);
    std::sort(s21.begin(), s21.end());
    EXPECT_NEAR(r.s21_db[i].p5, s21[5], 1e-4);
    EXPECT_NEAR(r.s21_db[i].p50, s21[50], 1e-4);
    EXPECT_NEAR(r.s21_db[i].p95, s21[95], 1e-4);
  }
  // Between two trials, linearly.
  const YieldResult two = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, {}, kSweep, {2, 9, 1});
  const double a = respond(perturbed(kFilter, tol, 9, 0), kSweep[40]).s21_db;
  const double b = respond(perturbed(kFilter, tol, 9, 1), kSweep[40]).s21_db;
  EXPECT_NEAR(two.s21_db[40].p5, std::min(a, b) + 0.05 * std::abs(a - b), 1e-4);
  EXPECT_NEAR(two.s21_db[40].p50, (a + b) / 2, 1e-4);
}

// Uniform draws fill +-P (standard deviation P / sqrt 3); normal ones have
// P / 3 as standard deviation; inductors and capacitors each their own P.
TEST(Yield, DrawsFollowTheirDistribution) {
  for (Spread spread : {Spread::Uniform, Spread::Normal}) {
    std::vector<double> x[2];
    for (int t = 0; t < 400; ++t) {
      const Ladder lad = perturbed(kFilter, {6, 10, spread}, 5, t);
      for (const ElementRef& e : ladder_elements(kFilter))
        x[e.inductor ? 0 : 1].push_back(element_value(lad, e) / element_value(kFilter, e) - 1);
    }
    for (int k = 0; k < 2; ++k) {
      const double p = k == 0 ? 0.06 : 0.10;
      double sum = 0, sq = 0;
      for (double v : x[k]) sum += v, sq += v * v;
      const auto [lo, hi] = std::minmax_element(x[k].begin(), x[k].end());
      EXPECT_NEAR(sum / x[k].size(), 0.0, 0.1 * p);
      const double sd = spread == Spread::Uniform ? p / std::sqrt(3) : p / 3;
      EXPECT_NEAR(std::sqrt(sq / x[k].size()), sd, 0.03 * sd);
      const bool filled = *lo >= -p && *hi < p && *lo < -0.99 * p && *hi > 0.99 * p;
      EXPECT_TRUE(spread == Spread::Normal || filled);
    }
  }
  EXPECT_THROW(perturbed(kFilter, {100, 0}, 1, 1), std::invalid_argument);
  EXPECT_THROW(analyse_yield(kFilter, kQ, 50.0, 50.0, {}, {}, {}, {0, 1, 1}),
               std::invalid_argument);
  EXPECT_THROW(analyse_yield(kFilter, kQ, 50.0, 50.0, {}, {}, kSweep, {2'000'000, 1, 1}),
               std::invalid_argument);
}

}  // namespace
}  // namespace varnholt

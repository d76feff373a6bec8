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
#include "practical/standard_values.h"

namespace varnholt {
namespace {

const Ladder kFilter = test::butterworth_bandpass(5, 100.0, 10.0, 50.0);
const Losses kQ{150, 600, 0};

std::vector<double> sweep(double lo, double hi, int n) {
  std::vector<double> f;
  for (int i = 0; i < n; ++i) f.push_back(lo + (hi - lo) * i / (n - 1));
  return f;
}

PortResponse respond(const Ladder& lad, double f) {
  return port_response(chain_matrix_slope(lad, f, kQ), 50.0, 50.0);
}

// Each limit set at the nominal response's own worst value, then moved by
// +-0.01 dB: zero tolerance passes every trial or none, and the failing item
// is the one moved.
TEST(Yield, ZeroToleranceIsAllOrNothing) {
  const std::vector<double> f = sweep(80, 120, 81);
  double worst_loss = 0, worst_rl = 1e9;
  for (double x : f) {
    if (x < 96 || x > 104) continue;
    worst_loss = std::max(worst_loss, -respond(kFilter, x).s21_db);
    worst_rl = std::min(worst_rl, -respond(kFilter, x).s11_db);
  }
  for (double edge : {96.0, 104.0}) {
    worst_loss = std::max(worst_loss, -respond(kFilter, edge).s21_db);
    worst_rl = std::min(worst_rl, -respond(kFilter, edge).s11_db);
  }
  const double stop = -respond(kFilter, 87.3).s21_db;
  for (int item = 0; item < 3; ++item) {
    for (double margin : {0.01, -0.01}) {
      Mask m{{{96, 104}}, worst_loss + 0.01, worst_rl - 0.01, {{87.3, stop - 0.01}}};
      if (item == 0) m.max_passband_loss_db = worst_loss + margin;
      if (item == 1) m.min_return_loss_db = worst_rl - margin;
      if (item == 2) m.stop[0].min_loss_db = stop - margin;
      const YieldResult r = analyse_yield(kFilter, kQ, 50.0, 50.0, {}, m, f, {40, 7, 2});
      EXPECT_EQ(r.yield_percent, margin > 0 ? 100.0 : 0.0) << item;
      EXPECT_EQ(r.most_failed, margin > 0 ? -1 : item) << item;
      EXPECT_EQ(r.items[static_cast<std::size_t>(item)].failures, margin > 0 ? 0 : 40);
      EXPECT_FLOAT_EQ(r.s21_db[30].p5, r.s21_db[30].p95);
      EXPECT_NEAR(r.s21_db[30].p50, respond(kFilter, f[30]).s21_db, 1e-5);
    }
  }
}

TEST(Yield, SameSeedSameNumbersOnAnyNumberOfThreads) {
  const std::vector<double> f = sweep(85, 115, 61);
  const Mask m{{{97, 103}}, 3.2, 15.0, {{88, 38}, {113, 36}}};
  const Tolerances tol{2, 3, Spread::Normal};
  const YieldResult one = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, m, f, {300, 42, 1});
  const YieldResult two = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, m, f, {300, 42, 2});
  const YieldResult other = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, m, f, {300, 43, 3});
  EXPECT_GT(one.yield_percent, 10.0);
  EXPECT_LT(one.yield_percent, 90.0);
  EXPECT_EQ(one.passed, two.passed);
  EXPECT_NE(one.passed, other.passed);
  for (std::size_t i = 0; i < one.items.size(); ++i)
    EXPECT_EQ(one.items[i].failures, two.items[i].failures);
  for (std::size_t i = 0; i < f.size(); ++i) {
    EXPECT_EQ(one.s21_db[i].p5, two.s21_db[i].p5);
    EXPECT_EQ(one.s11_db[i].p95, two.s11_db[i].p95);
    EXPECT_LE(one.s21_db[i].p5, one.s21_db[i].p50);
    EXPECT_LE(one.s21_db[i].p50, one.s21_db[i].p95);
  }
}

// The 5th, 50th and 95th percentiles of 101 trials are the 6th, 51st and
// 96th smallest, trial by trial through perturbed().
TEST(Yield, PercentilesAreTheOrderStatisticsOfTheTrials) {
  const std::vector<double> f{92.0, 100.0, 107.0};
  const Tolerances tol{5, 5, Spread::Uniform};
  const YieldResult r = analyse_yield(kFilter, kQ, 50.0, 50.0, tol, {}, f, {101, 9, 2});
  for (std::size_t i = 0; i < f.size(); ++i) {
    std::vector<double> s21;
    for (int t = 0; t < 101; ++t) s21.push_back(respond(perturbed(kFilter, tol, 9, t), f[i]).s21_db);
    std::sort(s21.begin(), s21.end());
    EXPECT_NEAR(r.s21_db[i].p5, s21[5], 1e-4);
    EXPECT_NEAR(r.s21_db[i].p50, s21[50], 1e-4);
    EXPECT_NEAR(r.s21_db[i].p95, s21[95], 1e-4);
  }
}

// Uniform draws fill +-P; normal ones have P / 3 as standard deviation.
TEST(Yield, DrawsFollowTheirDistribution) {
  for (Spread spread : {Spread::Uniform, Spread::Normal}) {
    const Tolerances tol{6, 10, spread};
    double lo[2] = {0, 0}, hi[2] = {0, 0}, sum[2] = {0, 0}, sq[2] = {0, 0};
    int n[2] = {0, 0};
    for (int t = 0; t < 400; ++t) {
      const Ladder lad = perturbed(kFilter, tol, 5, t);
      for (const ElementRef& e : ladder_elements(kFilter)) {
        const double x = element_value(lad, e) / element_value(kFilter, e) - 1;
        const int k = e.inductor ? 0 : 1;
        lo[k] = std::min(lo[k], x), hi[k] = std::max(hi[k], x);
        sum[k] += x, sq[k] += x * x, ++n[k];
      }
    }
    for (int k = 0; k < 2; ++k) {
      const double p = k == 0 ? 0.06 : 0.10, sd = std::sqrt(sq[k] / n[k]);
      EXPECT_NEAR(sum[k] / n[k], 0.0, 0.1 * p);
      if (spread == Spread::Uniform) {
        EXPECT_TRUE(lo[k] >= -p && hi[k] < p && lo[k] < -0.99 * p && hi[k] > 0.99 * p);
        EXPECT_NEAR(sd, p / std::sqrt(3.0), 0.05 * p);
      } else {
        EXPECT_NEAR(sd, p / 3, 0.05 * p / 3);
      }
    }
  }
  EXPECT_THROW(perturbed(kFilter, {100, 0}, 1, 1), std::invalid_argument);
  Mask reversed;
  reversed.passbands = {{104, 96}};
  EXPECT_THROW(analyse_yield(kFilter, kQ, 50.0, 50.0, {}, reversed, {}, {}), std::invalid_argument);
  EXPECT_THROW(analyse_yield(kFilter, kQ, 50.0, 50.0, {}, {}, {}, {0, 1, 1}),
               std::invalid_argument);
}

}  // namespace
}  // namespace varnholt

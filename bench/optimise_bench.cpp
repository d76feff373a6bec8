// Benchmarks of the choice of buyable values for a 9-section band-pass over
// 201 frequencies: the worst-margin search (to stay under 2 s on two cores)
// and the yield search with 200 trials per candidate (under 20 s).
//
//   build/optimise_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "band_pass.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "practical/optimise.h"

namespace {

using namespace varnholt;

// A 9-section Butterworth band-pass, 85 to 115 MHz.
Ladder band_pass() { return bench::band_pass(30.0); }

ValueProblem problem() {
  ValueProblem p;
  p.ideal = band_pass();
  p.inductors = ESeries::E24;
  p.capacitors = ESeries::E24;
  p.losses = with_quality(200, 800);
  for (int i = 0; i <= 200; ++i) p.sweep_mhz.push_back(50.0 + 0.5 * i);
  // The ideal ladder: 1.9 dB loss, 14.2 dB return loss, 52.3 and 45.0 dB.
  p.mask = {{{88, 112}}, 2.4, 12.0, {{75, 48}, {130, 41}}};
  return p;
}

void report(benchmark::State& state, const ValueResult& r) {
  state.counters["evaluations"] = static_cast<double>(r.evaluations);
  state.counters["margin_dB"] = r.margin_db;
  state.counters["rounded_margin_dB"] = r.rounded_margin_db;
  state.counters["yield_pct"] = r.yield_percent;
  state.counters["rounded_yield_pct"] = r.rounded_yield_percent;
}

void BM_WorstMargin201Points(benchmark::State& state) {
  const ValueProblem p = problem();
  ValueOptions o;
  o.pairs = state.range(0) != 0;
  ValueResult r;
  for (auto _ : state) r = optimise_values(p, o);
  report(state, r);
}
BENCHMARK(BM_WorstMargin201Points)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Yield200Trials201Points(benchmark::State& state) {
  const ValueProblem p = problem();
  ValueOptions o;
  o.objective = ValueObjective::Yield;
  o.tolerances = {2, 2, Spread::Uniform};
  o.trials = 200;
  ValueResult r;
  for (auto _ : state) r = optimise_values(p, o);
  report(state, r);
}
BENCHMARK(BM_Yield200Trials201Points)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

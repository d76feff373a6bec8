// Benchmarks of the toleranced analysis: 1,000 Monte Carlo trials of a
// 9-section band-pass over 1,001 frequencies on one thread and on all,
// 10,000 trials on all (the case that has to stay under a second on two
// cores), and the chain matrix of that ladder at one frequency.
//
//   build/practical_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "band_pass.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "ladder/network.h"
#include "practical/tolerance.h"

namespace {

using namespace varnholt;

// A 9-section Butterworth band-pass, 95 to 105 MHz.
Ladder band_pass() { return bench::band_pass(10.0); }

// `trials` Monte Carlo trials of the band-pass with Q 200 / 800 on
// state.range(0) threads (0: all).
void yield_run(benchmark::State& state, int trials) {
  const Ladder lad = band_pass();
  std::vector<double> sweep;
  for (int i = 0; i <= 1000; ++i) sweep.push_back(80.0 + 0.04 * i);
  const Mask mask{{{97, 103}}, 3.0, 14.0, {{90, 40}, {110, 40}}};
  const Tolerances tol{2, 2, Spread::Uniform};
  const YieldOptions options{trials, 1, static_cast<unsigned>(state.range(0))};
  for (auto _ : state) {
    const YieldResult r = analyse_yield(lad, with_quality(200, 800), 50.0, 50.0, tol, mask, sweep, options);
    benchmark::DoNotOptimize(r.passed);
  }
}

void BM_Yield1000Trials1001Points(benchmark::State& state) { yield_run(state, 1000); }
BENCHMARK(BM_Yield1000Trials1001Points)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The target: 10,000 trials within a second on two cores.
void BM_Yield10000Trials1001Points(benchmark::State& state) { yield_run(state, 10000); }
BENCHMARK(BM_Yield10000Trials1001Points)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreparedChainMatrix(benchmark::State& state) {
  const PreparedNetwork net(band_pass());
  double f = 100.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(net.chain_matrix(f, with_quality(200, 800)));
    f += 1e-9;
  }
}
BENCHMARK(BM_PreparedChainMatrix);

}  // namespace

BENCHMARK_MAIN();

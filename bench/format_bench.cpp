// Formatting speed of one analysis-table row: eight fixed fields appended to
// a reused string, as the sweep prints at every frequency.
#include <benchmark/benchmark.h>

#include <string>

#include "analysis/sweep.h"
#include "format/fields.h"
#include "format/layout.h"

namespace {

void BM_AnalysisRow(benchmark::State& state) {
  const varnholt::Layout& row = varnholt::sweep_row_layout(0.0f);
  // f (MHz), zinr, zini (ohms), vswr, il (dB), phf (degrees), td (ns), f/fo
  float f = 145.5f;
  const float zinr = 49.87f;
  const float zini = -3.214f;
  const float vswr = 1.071f;
  const float il = 0.0463f;
  const float phf = -127.35f;
  const float td = 6.842f;
  const float fo = 146.0f;
  std::string line;
  line.reserve(128);
  for (auto _ : state) {
    line.clear();
    benchmark::DoNotOptimize(f);
    row.append(line, {f, zinr, zini, vswr, il, phf, td, f / fo}, true);
    benchmark::DoNotOptimize(line.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnalysisRow);

// The single field kinds, to see where a row's time goes.
void BM_FixedField(benchmark::State& state) {
  std::string line;
  line.reserve(64);
  float value = -127.35f;
  for (auto _ : state) {
    line.clear();
    benchmark::DoNotOptimize(value);
    varnholt::append_fixed(line, value, 9, 3);
    benchmark::DoNotOptimize(line.data());
  }
}
BENCHMARK(BM_FixedField);

void BM_IntegerField(benchmark::State& state) {
  std::string line;
  line.reserve(64);
  int32_t value = 2026;
  for (auto _ : state) {
    line.clear();
    benchmark::DoNotOptimize(value);
    varnholt::append_int(line, value, 4);
    benchmark::DoNotOptimize(line.data());
  }
}
BENCHMARK(BM_IntegerField);

}  // namespace

BENCHMARK_MAIN();

// Formatting speed of one analysis-table row: eight fixed fields appended to
// a reused string, as the sweep prints at every frequency; and of the
// exports' shortest round-trip numbers.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "analysis/sweep.h"
#include "common/shortest.h"
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

// The exports' numbers: the shortest round-trip text of a double, by the
// program's own writer and by the standard library, on the same values (a
// third frequencies of a sweep, the rest responses of every magnitude).
std::vector<double> export_values() {
  std::mt19937_64 rng(1);
  std::uniform_real_distribution<double> u(-60.0, 5.0);
  std::vector<double> v(4096);
  for (std::size_t i = 0; i < v.size(); ++i) {
    v[i] = i % 3 == 0 ? 80.0 + static_cast<double>(i) * 4e-5
                      : std::sin(u(rng)) * std::pow(10.0, u(rng) / 20.0);
  }
  return v;
}

template <typename Write>
void shortest_numbers(benchmark::State& state, Write write) {
  const std::vector<double> values = export_values();
  char text[varnholt::kShortestChars];
  for (auto _ : state) {
    for (const double v : values) benchmark::DoNotOptimize(write(text, v));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}

void BM_ShortestWriter(benchmark::State& state) { shortest_numbers(state, varnholt::write_shortest); }
BENCHMARK(BM_ShortestWriter);

void BM_ShortestToChars(benchmark::State& state) {
  shortest_numbers(state, [](char* text, double v) {
    return std::to_chars(text, text + varnholt::kShortestChars, v).ptr;
  });
}
BENCHMARK(BM_ShortestToChars);

}  // namespace

BENCHMARK_MAIN();

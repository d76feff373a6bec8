// Micro-benchmarks of the analysis hot path: the ladder cascade (general and
// prepared), one whole frequency point (cascade, port quantities, time
// delay), one printed row, and whole sweeps written to a discarding stream.
//
// Run for medians (one command line):
//   build-release/analysis_bench --benchmark_repetitions=10
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <sstream>
#include <streambuf>

#include "analysis/cascade.h"
#include "analysis/port.h"
#include "analysis/prepared_ladder.h"
#include "analysis/sweep.h"
#include "common/file_system.h"
#include "common/session.h"
#include "format/console.h"
#include "format/layout.h"
#include "synthesis/transform.h"

namespace {

using namespace varnholt;

// A stream buffer that accepts and drops every character.
class DiscardBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
};

// A 0.1 dB Chebyshev band-pass of n sections, 90 to 110 MHz, 50 ohms.
Capind band_pass(int32_t n) {
  Capind c;
  float am = 0.1f;
  float rod = 0.0f;
  float ros = 0.0f;
  bpfltr(c, am, 110.0f, 90.0f, 1, n, rod, ros, 50.0f);
  return c;
}

// Frequencies across the passband and both skirts, stepped so that no two
// iterations see the same value.
float next_frequency(float f) { return f < 150.0f ? f + 0.0137f : 50.0f; }

void BM_Ladder(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  const Capind c = band_pass(n);
  ChainMatrix rs{};
  int32_t ierr = 0;
  float f = 50.0f;
  for (auto _ : state) {
    ladder(c, f, 1, 3, ierr, n, rs);
    benchmark::DoNotOptimize(rs);
    f = next_frequency(f);
  }
}
BENCHMARK(BM_Ladder)->Arg(5)->Arg(30);

// The sweep's cascade: one frequency per call, and a full batch of
// frequencies per call (time per cascade = time per call / batch).
void BM_PreparedLadder(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  const auto batch = static_cast<int>(state.range(1));
  const PreparedLadder prepared(band_pass(n), 1, 3, n);
  float f[PreparedLadder::kBatch];
  ChainMatrix rs[PreparedLadder::kBatch];
  float next = 50.0f;
  for (auto _ : state) {
    for (int j = 0; j < batch; ++j) {
      f[j] = next;
      next = next_frequency(next);
    }
    prepared.cascade(f, rs, batch);
    benchmark::DoNotOptimize(rs);
  }
  state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PreparedLadder)
    ->Args({5, 1})
    ->Args({30, 1})
    ->Args({30, PreparedLadder::kBatch});

void BM_FrequencyPoint(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  const Capind c = band_pass(n);
  float f = 50.0f;
  for (auto _ : state) {
    ChainMatrix rs{};
    int32_t ierr = 0;
    ladder(c, f, 1, 3, ierr, n, rs);
    float il = 0, phf = 0, rtl = 0, vswr = 0, zini = 0, zinr = 0, td = 0;
    lddrtg(0, il, phf, rs, rtl, vswr, 0.0f, zini, zinr, 0.0f, 50.0f, 50.0f);
    grpdly(c, f, 1, 3, n, phf, td, 0.0f, 0.0f, 50.0f, 50.0f);
    benchmark::DoNotOptimize(il);
    benchmark::DoNotOptimize(zinr);
    benchmark::DoNotOptimize(zini);
    benchmark::DoNotOptimize(vswr);
    benchmark::DoNotOptimize(rtl);
    benchmark::DoNotOptimize(td);
    f = next_frequency(f);
  }
}
BENCHMARK(BM_FrequencyPoint)->Arg(5)->Arg(30);

void BM_PrintedRow(benchmark::State& state) {
  const Layout& kRow = sweep_row_layout(0.0f);
  DiscardBuffer discard;
  std::ostream out(&discard);
  std::istringstream in;
  Console console(in, out);
  float f = 99.9983f;
  for (auto _ : state) {
    console.report(kRow, {f, 37.23f, -2.69f, 1.35f, -0.098f, -81.05f, 444.473f, f / 100.0f});
    f += 0.0001f;
  }
  state.SetBytesProcessed(state.iterations() * 80);
}
BENCHMARK(BM_PrintedRow);

// The same row from an array of floats, as the sweep prints it.
void BM_PrintedFloatRow(benchmark::State& state) {
  const Layout& kRow = sweep_row_layout(0.0f);
  DiscardBuffer discard;
  std::ostream out(&discard);
  std::istringstream in;
  Console console(in, out);
  float row[] = {99.9983f, 37.23f, -2.69f, 1.35f, -0.098f, -81.05f, 444.473f, 0.999983f};
  for (auto _ : state) {
    console.report(kRow, row, 8);
    row[0] += 0.0001f;
    row[7] = row[0] / 100.0f;
  }
  state.SetBytesProcessed(state.iterations() * 80);
}
BENCHMARK(BM_PrintedFloatRow);

// A whole analysis run (headings and one row per point) of the 30-section
// band-pass into a discarding stream; the time per point is the figure that
// matters for long sweeps.
State band_pass_sweep(int64_t points) {
  State st;
  st.capind = band_pass(30);
  st.block1.n = 30;
  st.block1.am = 0.1f;
  st.control.ides = 3;
  st.control.icfg = 1;
  st.control.ivswr = 1;
  st.freq1.fl1 = 90.0f;
  st.freq1.fh1 = 110.0f;
  st.freq1.fo = 100.0f;
  st.freq1.bw = 20.0f;
  st.imp1.zrs = 50.0f;
  st.imp1.zrl = 50.0f;
  st.freq1.fmin = 50.0f;
  st.freq1.fstep = 100.0f / static_cast<float>(points);
  st.freq1.fmax = 150.0f;
  return st;
}

void BM_SweepPerPoint(benchmark::State& state) {
  const int64_t points = state.range(0);
  DiscardBuffer discard;
  std::ostream out(&discard);
  std::istringstream in;
  Console console(in, out);
  MemoryFileSystem fs;
  State st = band_pass_sweep(points);
  Session s{st, console, fs, local_time};
  for (auto _ : state) {
    analysis_run(s);
  }
  state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_SweepPerPoint)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same sweep computed without printing: the rows alone.
void BM_SweepRowsPerPoint(benchmark::State& state) {
  const int64_t points = state.range(0);
  const State st = band_pass_sweep(points);
  SweepRow rows[64];
  for (auto _ : state) {
    Sweep sweep(st);
    while (const std::size_t count = sweep.next(rows)) benchmark::DoNotOptimize(rows[count - 1]);
  }
  state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_SweepRowsPerPoint)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

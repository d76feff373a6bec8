// The frequency sweep of the analysis: rows of port quantities, computed in
// batches and handed out to whoever prints or exports them.
//
//   Sweep sweep(state);                  // or Sweep(ladder, terminations, range, fo)
//   SweepRow rows[64];
//   while (std::size_t n = sweep.next(rows)) { /* use rows[0..n) */ }
//
// Every value is bit for bit what the plain per-point path gives: `ladder`,
// then lddrtg and grpdly at each frequency (port.h), 32-bit float throughout.
// The element values are laid out once (PreparedLadder), the terms of the
// terminations are formed once, and the cascades of several frequencies and
// of the frequencies their delays step to are evaluated together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "analysis/port.h"
#include "analysis/prepared_ladder.h"
#include "common/session.h"
#include "format/layout.h"
#include "ladder/ladder.h"

namespace varnholt {

// One analysis frequency. f and f_over_fo in MHz and as a ratio; zinr, zini
// the input impedance (ohms); vswr the input VSWR; rtl the return loss, il the
// insertion loss (dB); phf the transmission phase (degrees); td the time
// delay (ns).
struct SweepRow {
  float f = 0.0f;
  float zinr = 0.0f;
  float zini = 0.0f;
  float vswr = 0.0f;
  float rtl = 0.0f;
  float il = 0.0f;
  float phf = 0.0f;
  float td = 0.0f;
  float f_over_fo = 0.0f;
};

// Frequencies fmin, fmin + fstep, ... (MHz): sweep_steps(fmin, fmax, fstep) + 1 of them.
struct SweepRange {
  float fmin = 0.0f;
  float fmax = 0.0f;
  float fstep = 0.0f;
};

class Sweep {
 public:
  // The analysis the stores describe: the ladder of the element stores, the
  // terminations of imp1, the range of freq1, F/Fo against the cut-off (low-
  // and high-pass) or the centre frequency (band-pass and band-stop).
  explicit Sweep(const State& st);
  // Any ladder of one-pair branches, between `t`, over `range`; F/Fo is
  // f / reference. Throws std::invalid_argument for a branch of two pairs,
  // which only the double evaluator (network.h) forms.
  Sweep(const Ladder& ladder, const Terminations& t, SweepRange range, float reference);

  // The number of rows of the whole sweep (0 when fmax lies below fmin).
  int64_t points() const { return steps_ < 0 ? 0 : steps_ + 1; }

  // Fills up to out.size() next rows in frequency order and returns how many;
  // 0 once every row has been handed out.
  std::size_t next(std::span<SweepRow> out);

  // Rows first .. first + out.size() - 1, whatever next() has handed out;
  // several threads may call it at once.
  void rows_at(int64_t first, std::span<SweepRow> out) const;

 private:
  // Rows first .. first + count - 1 (count at most kPerPass) into out.
  void compute(int64_t first, int count, SweepRow* out) const;

  static constexpr int kPerPass = PreparedLadder::kBatch / 2;

  PreparedLadder prepared_;
  Terminations terminations_;
  SweepRange range_;
  float reference_;
  int64_t steps_;
  int64_t next_ = 0;
};

// The frequency F/Fo is taken against, by filter type.
float reference_frequency(const State& st);

// The report row of one frequency (the delay field widens past 10000 ns).
const Layout& sweep_row_layout(float td);
// Prints rows as the analysis report does: VSWR, or the return loss when
// ivswr is 2.
void print_sweep_rows(Console& console, std::span<const SweepRow> rows, int32_t ivswr);
// The same rows appended to a text.
void append_sweep_rows(std::string& text, std::span<const SweepRow> rows, int32_t ivswr);

// The analysis run: terminations, design data and column headings, then one
// row per sweep frequency. Sets block1.i to the number of steps.
void analysis_run(Session& s);

// The number of steps i of a sweep: (fmax - fmin) / fstep to the nearest
// integer, halves away from zero; the sweep has i + 1 points. Returns -1 when
// there is no point, and at most the largest 32-bit count.
int64_t sweep_steps(float fmin, float fmax, float fstep);

// The frequency of step number `step`, formed from fmin without accumulating.
float sweep_frequency(float fmin, float fstep, int64_t step);

}  // namespace varnholt

#include "analysis/sweep.h"

#include <string>

#include "common/parallel.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "common/code_traits.h"
#include "format/console.h"
#include "synthesis/report.h"

namespace varnholt {
namespace {

void print_headings(Session& s) {
  static const Layout kTerminations(
      "(/,21X,'Rs =',F5.1,' Ohms',15X,'Rl =',F5.1,' Ohms',/,"
      "21X,'Xs =',F5.1,' Ohms',15X,'Xl =',F5.1,' Ohms')");
  static const Layout kTitle(
      "(/,13X,'Frequency Analysis of your Lumped Element Filter results in',/,"
      "13X,'the following response profile:')");
  static const Layout kReturnLossHeading(
      "(/,50X,'Thru Path',/,"
      "7X,'Analysis  Input Impedance, Ohms  Return ----------------  Time',/,"
      "7X,'Frequency ---------------------  Loss     Loss    Phase   Delay    F/Fo',/,"
      "9X,'(MHz)      Real    Imaginary   (dB)     (dB)    (Deg)   (nsec)',/,6X,72(1H-))");
  static const Layout kVswrHeading(
      "(/,50X,'Thru Path',/,"
      "7X,'Analysis  Input Impedance, Ohms  Input  ----------------  Time',/,"
      "7X,'Frequency ---------------------  Port     Loss    Phase   Delay    F/Fo',/,"
      "9X,'(MHz)      Real    Imaginary   VSWR     (dB)    (Deg)   (nsec)',/,6X,72(1H-))");
  const Imp1& z = s.st.imp1;
  s.console.report(kTerminations, {z.zrs, z.zrl, z.zis, z.zil});
  print_design_block(s);
  s.console.report(kTitle);
  s.console.report(s.st.control.ivswr == 2 ? kReturnLossHeading : kVswrHeading);
}

}  // namespace

int64_t sweep_steps(float fmin, float fmax, float fstep) {
  // The difference and quotient in double, rounded once to float, so that
  // e.g. (200 - 100) / 30 gives 3 steps and (200 - 100) / 40 gives 3 too.
  const auto quotient =
      static_cast<float>((static_cast<double>(fmax) - static_cast<double>(fmin)) /
                         static_cast<double>(fstep));
  if (std::isnan(quotient)) return -1;
  const float rounded = std::round(quotient);
  // Beyond the 32-bit range the sweep keeps that range's last count.
  if (rounded >= 2147483647.0f) return std::numeric_limits<int32_t>::max();
  if (rounded < -2147483648.0f) return -1;
  return static_cast<int64_t>(rounded);
}

float sweep_frequency(float fmin, float fstep, int64_t step) {
  const auto ri = static_cast<float>(step);
  return static_cast<float>(static_cast<double>(fstep) * static_cast<double>(ri) +
                            static_cast<double>(fmin));
}

float reference_frequency(const State& st) {
  return filter_type_traits(st.control.ides).band ? st.freq1.fo : st.freq1.fc1;
}

Sweep::Sweep(const State& st)
    : Sweep(ladder_from_stores(st.capind, filter_type(st.control.ides),
                               configuration(st.control.icfg), st.block1.n),
            terminations(st.imp1), {st.freq1.fmin, st.freq1.fmax, st.freq1.fstep},
            reference_frequency(st)) {}

namespace {

// The float cascade forms the branches of one pair (cktle's element codes);
// a sweep of any other ladder would print rows of the identity matrix.
const Ladder& formed_in_float(const Ladder& ladder) {
  for (const Branch& b : ladder.branches) {
    if (element_call(b).ic == 0) {
      throw std::invalid_argument("the float sweep forms branches of one L-C pair only");
    }
  }
  return ladder;
}

}  // namespace

Sweep::Sweep(const Ladder& ladder, const Terminations& t, SweepRange range, float reference)
    : prepared_(formed_in_float(ladder)),
      terminations_(t),
      range_(range),
      reference_(reference),
      steps_(sweep_steps(range.fmin, range.fmax, range.fstep)) {}

std::size_t Sweep::next(std::span<SweepRow> out) {
  std::size_t filled = 0;
  while (filled < out.size() && next_ <= steps_) {
    const int64_t room = static_cast<int64_t>(out.size() - filled);
    const int count = static_cast<int>(std::min({int64_t{kPerPass}, steps_ - next_ + 1, room}));
    compute(next_, count, out.data() + filled);
    next_ += count;
    filled += static_cast<std::size_t>(count);
  }
  return filled;
}

void Sweep::compute(int64_t first, int count, SweepRow* out) const {
  // Each frequency with the frequency 0.01 % above it that the delay needs:
  // independent cascades evaluated together.
  float f[PreparedLadder::kBatch] = {};
  ChainMatrix rs[PreparedLadder::kBatch];
  for (int p = 0; p < count; ++p) {
    f[2 * p] = sweep_frequency(range_.fmin, range_.fstep, first + p);
    f[2 * p + 1] = delay_step_up(f[2 * p]);
  }
  prepared_.cascade(f, rs, 2 * count);
  const ChainMatrix* at[kPerPass];
  const ChainMatrix* above[kPerPass];
  for (int p = 0; p < count; ++p) {
    at[p] = &rs[2 * p];
    above[p] = &rs[2 * p + 1];
  }
  PortValues values[kPerPass];
  float phases_above[kPerPass];
  port_values(terminations_, at, count, values);
  port_phases(terminations_, above, count, phases_above);
  for (int p = 0; p < count; ++p) {
    const float fa = f[2 * p];
    const PortValues& v = values[p];
    // The delay: the phase 0.01 % higher, or lower when the phase changed
    // sign within the step.
    const float p0 = radians(v.phf);
    float fp = f[2 * p + 1];
    float pp = radians(phases_above[p]);
    if (step_wrapped(p0, pp)) {
      fp = delay_step_down(fa);
      ChainMatrix down;
      prepared_.cascade(&fp, &down, 1);
      pp = radians(port_phase(terminations_, down));
    }
    out[p] = {fa, v.zinr, v.zini, v.vswr, v.rtl, v.il, v.phf, phase_delay(fa, p0, fp, pp),
              fa / reference_};
  }
}

namespace {

// Delays above this (ns) are printed without decimals.
constexpr float kLongDelay = 10000.0f;

const Layout& row_layout(bool long_delay) {
  static const Layout kRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.3,F7.3)");
  static const Layout kLongDelayRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.0,F7.3)");
  return long_delay ? kLongDelayRow : kRow;
}

}  // namespace

const Layout& sweep_row_layout(float td) { return row_layout(td > kLongDelay); }

void append_sweep_rows(std::string& text, std::span<const SweepRow> rows, int32_t ivswr) {
  const Layout& normal = row_layout(false);
  const Layout& long_delay = row_layout(true);
  for (const SweepRow& r : rows) {
    const float values[] = {r.f, r.zinr, r.zini, ivswr == 2 ? r.rtl : r.vswr,
                            r.il, r.phf, r.td, r.f_over_fo};
    (r.td > kLongDelay ? long_delay : normal).append(text, values, std::size(values), true);
  }
}

void print_sweep_rows(Console& console, std::span<const SweepRow> rows, int32_t ivswr) {
  std::string text;
  append_sweep_rows(text, rows, ivswr);
  console.report_text(text);
}

void Sweep::rows_at(int64_t first, std::span<SweepRow> out) const {
  for (std::size_t done = 0; done < out.size();) {
    const int count = static_cast<int>(std::min<std::size_t>(kPerPass, out.size() - done));
    compute(first + static_cast<int64_t>(done), count, out.data() + done);
    done += static_cast<std::size_t>(count);
  }
}

void analysis_run(Session& s) {
  State& st = s.st;
  print_headings(s);
  const int64_t steps = sweep_steps(st.freq1.fmin, st.freq1.fmax, st.freq1.fstep);
  st.block1.i = static_cast<int32_t>(steps < 0 ? -1 : steps);
  const Sweep sweep(st);
  // Rows computed and formatted in blocks on all cores, written in order: the
  // same bytes as row by row. A short sweep stays on this thread.
  constexpr int64_t kRowsPerBlock = 4096;
  const int32_t ivswr = st.control.ivswr;
  ordered_blocks(
      sweep.points(), kRowsPerBlock,
      [&](int64_t begin, int64_t end, std::string& text) {
        SweepRow rows[64];
        for (int64_t k = begin; k < end; k += 64) {
          const auto n = static_cast<std::size_t>(std::min<int64_t>(64, end - k));
          sweep.rows_at(k, {rows, n});
          append_sweep_rows(text, {rows, n}, ivswr);
        }
      },
      [&](const std::string& text) { s.console.report_text(text); });
}

}  // namespace varnholt

#include "analysis/sweep.h"

#include <algorithm>
#include <iterator>
#include <cmath>
#include <limits>

#include "analysis/cascade.h"
#include "analysis/port.h"
#include "analysis/prepared_ladder.h"
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

bool analysis_run(Session& s) {
  static const Layout kRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.3,F7.3)");
  static const Layout kLongDelayRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.0,F7.3)");
  State& st = s.st;
  print_headings(s);
  const Freq1& fr = st.freq1;
  const Control& c = st.control;
  const int64_t steps = sweep_steps(fr.fmin, fr.fmax, fr.fstep);
  st.block1.i = static_cast<int32_t>(steps < 0 ? -1 : steps);
  const float reference = c.ides == 1 || c.ides == 2 ? fr.fc1 : fr.fo;
  const PreparedLadder prepared(st.capind, c.icfg, c.ides, st.block1.n);
  const Terminations t = terminations(st.imp1.zil, st.imp1.zis, st.imp1.zrl, st.imp1.zrs);
  // Several frequencies per pass, each with the frequency 0.01 % above it
  // that the delay needs: independent cascades evaluated together.
  constexpr int kPerPass = PreparedLadder::kBatch / 2;
  for (int64_t first = 0; first <= steps; first += kPerPass) {
    const int points = static_cast<int>(std::min<int64_t>(kPerPass, steps - first + 1));
    float f[PreparedLadder::kBatch];
    ChainMatrix rs[PreparedLadder::kBatch];
    for (int p = 0; p < points; ++p) {
      f[2 * p] = sweep_frequency(fr.fmin, fr.fstep, first + p);
      f[2 * p + 1] = delay_step_up(f[2 * p]);
    }
    prepared.cascade(f, rs, 2 * points);
    const ChainMatrix* at[kPerPass];
    const ChainMatrix* above[kPerPass];
    for (int p = 0; p < points; ++p) {
      at[p] = &rs[2 * p];
      above[p] = &rs[2 * p + 1];
    }
    PortValues values[kPerPass];
    float phases_above[kPerPass];
    port_values(t, at, points, values);
    port_phases(t, above, points, phases_above);
    for (int p = 0; p < points; ++p) {
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
        prepared.cascade(&fp, &down, 1);
        pp = radians(port_phase(t, down));
      }
      const float td = phase_delay(fa, p0, fp, pp);
      const float foverf0 = fa / reference;
      const float row[] = {fa, v.zinr, v.zini, c.ivswr == 2 ? v.rtl : v.vswr,
                           v.il, v.phf, td,   foverf0};
      s.console.report(td > 10000.0f ? kLongDelayRow : kRow, row, std::size(row));
    }
  }
  return true;
}

}  // namespace varnholt

#include "analysis/sweep.h"

#include <cmath>
#include <limits>

#include "analysis/cascade.h"
#include "analysis/port.h"
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
  const Imp1& z = st.imp1;
  const Control& c = st.control;
  const int32_t n = st.block1.n;
  const int64_t steps = sweep_steps(fr.fmin, fr.fmax, fr.fstep);
  st.block1.i = static_cast<int32_t>(steps < 0 ? -1 : steps);
  const float reference = c.ides == 1 || c.ides == 2 ? fr.fc1 : fr.fo;
  ChainMatrix rs;
  for (int64_t ii = 0; ii <= steps; ++ii) {
    const float f = sweep_frequency(fr.fmin, fr.fstep, ii);
    int32_t ierr = 0;
    ladder(st.capind, f, c.icfg, c.ides, ierr, n, rs);
    if (ierr != 0) return false;
    float il, phf, rtl, vswr, zini, zinr, td;
    lddrtg(0, il, phf, rs, rtl, vswr, z.zil, zini, zinr, z.zis, z.zrl, z.zrs);
    grpdly(st.capind, f, c.icfg, c.ides, n, phf, td, z.zil, z.zis, z.zrl, z.zrs);
    const float foverf0 = f / reference;
    s.console.report(td > 10000.0f ? kLongDelayRow : kRow,
                     {f, zinr, zini, c.ivswr == 2 ? rtl : vswr, il, phf, td, foverf0});
  }
  return true;
}

}  // namespace varnholt

// The rows of the analysis run must be exactly those of the plain per-point
// loop: ladder, lddrtg and grpdly at each frequency, printed with the row
// layout. The run evaluates several cascades together and forms the delay
// from cascades it already has; none of that may change a character.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "analysis/cascade.h"
#include "analysis/port.h"
#include "analysis/sweep.h"
#include "common/file_system.h"
#include "common/session.h"
#include "format/console.h"
#include "synthesis/transform.h"

namespace varnholt {
namespace {

struct Scenario {
  const char* name;
  int32_t ides;
  int32_t icfg;
  int32_t ivswr;
  int32_t n;
  float low;   // band edges, or the cut-off in `low`
  float high;
  float zrs, zis, zrl, zil;
  float fmin, fmax, fstep;
};

State designed(const Scenario& sc) {
  State st;
  float am = 0.1f;
  float rod = 0.0f;
  float ros = 0.0f;
  switch (sc.ides) {
    case 1: lpfltr(st.capind, am, sc.low, 1, sc.n, rod, ros, 50.0f); break;
    case 2: hpfltr(st.capind, am, sc.low, 1, sc.n, rod, ros, 50.0f); break;
    case 3: bpfltr(st.capind, am, sc.high, sc.low, 1, sc.n, rod, ros, 50.0f); break;
    default: bsfltr(st.capind, am, sc.high, sc.low, 1, sc.n, rod, ros, 50.0f); break;
  }
  st.block1.n = sc.n;
  st.block1.am = am;
  st.control.ides = sc.ides;
  st.control.icfg = sc.icfg;
  st.control.ivswr = sc.ivswr;
  st.freq1.fc1 = sc.low;
  st.freq1.fl1 = sc.low;
  st.freq1.fh1 = sc.high;
  st.freq1.fo = (sc.low + sc.high) * 0.5f;
  st.freq1.bw = sc.high - sc.low;
  st.imp1 = {sc.zil, sc.zis, 50.0f, sc.zrl, sc.zrs};
  st.freq1.fmin = sc.fmin;
  st.freq1.fmax = sc.fmax;
  st.freq1.fstep = sc.fstep;
  return st;
}

// The rows as the plain loop prints them.
std::string plain_rows(const State& st) {
  static const Layout kRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.3,F7.3)");
  static const Layout kLongDelayRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.0,F7.3)");
  const Freq1& fr = st.freq1;
  const Imp1& z = st.imp1;
  const Control& c = st.control;
  const float reference = c.ides == 1 || c.ides == 2 ? fr.fc1 : fr.fo;
  std::string text;
  const int64_t steps = sweep_steps(fr.fmin, fr.fmax, fr.fstep);
  for (int64_t ii = 0; ii <= steps; ++ii) {
    const float f = sweep_frequency(fr.fmin, fr.fstep, ii);
    ChainMatrix rs{};
    int32_t ierr = 0;
    ladder(st.capind, f, c.icfg, c.ides, ierr, st.block1.n, rs);
    EXPECT_EQ(ierr, 0);
    float il = 0, phf = 0, rtl = 0, vswr = 0, zini = 0, zinr = 0, td = 0;
    lddrtg(0, il, phf, rs, rtl, vswr, z.zil, zini, zinr, z.zis, z.zrl, z.zrs);
    grpdly(st.capind, f, c.icfg, c.ides, st.block1.n, phf, td, z.zil, z.zis, z.zrl, z.zrs);
    const float foverf0 = f / reference;
    (td > 10000.0f ? kLongDelayRow : kRow)
        .append(text, {f, zinr, zini, c.ivswr == 2 ? rtl : vswr, il, phf, td, foverf0}, true);
  }
  return text;
}

// What follows the rule under the column heading.
std::string rows_of(const std::string& report) {
  const std::string rule = std::string(6, ' ') + std::string(72, '-') + "\r\n";
  const std::size_t at = report.find(rule);
  EXPECT_NE(at, std::string::npos);
  return at == std::string::npos ? report : report.substr(at + rule.size());
}

void expect_plain_rows(const Scenario& sc) {
  State st = designed(sc);
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream stored;
  Console console(in, out);
  console.mirror_to(&stored);
  MemoryFileSystem fs;
  Session s{st, console, fs, [] { return Datetime{}; }};
  analysis_run(s);
  const std::string want = plain_rows(st);
  const std::string got = rows_of(out.str());
  EXPECT_EQ(got.size(), want.size()) << sc.name;
  // The first differing row, rather than two multi-megabyte strings.
  if (got != want) {
    std::size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    const std::size_t end = want.rfind('\n', at);
    const std::size_t line = end == std::string::npos ? 0 : end + 1;
    ADD_FAILURE() << sc.name << ": first difference in row\n want " << want.substr(line, 80)
                  << " got  " << got.substr(line, 80);
  }
  EXPECT_EQ(stored.str(), out.str()) << sc.name;  // the storage file gets the same lines
}

TEST(SweepRows, BandPassThirtySectionsAcrossBothSkirts) {
  // 2001 points, an odd count: the last pass evaluates one point.
  expect_plain_rows({"band-pass 30", 3, 1, 1, 30, 90, 110, 50, 0, 50, 0, 50, 150, 0.05f});
}

TEST(SweepRows, BandStopDualReturnLossComplexTerminations) {
  expect_plain_rows({"band-stop dual", 4, 2, 2, 17, 90, 110, 50, 12.5f, 75, -20, 40, 160, 0.06f});
}

TEST(SweepRows, NarrowBandPassWithLongDelays) {
  // Delays above 10000 ns switch the delay field to F9.0.
  expect_plain_rows({"narrow band-pass", 3, 2, 1, 12, 99.99f, 100.01f, 50, 0, 50, 0, 99.97f,
                     100.03f, 0.0001f});
}

TEST(SweepRows, LowPassFromNearZeroFrequency) {
  expect_plain_rows({"low-pass", 1, 1, 2, 9, 100, 0, 50, 0, 50, 0, 0.001f, 400, 0.25f});
}

TEST(SweepRows, HighPassStartingAtZeroFrequency) {
  // At 0 MHz the series capacitors and shunt inductors divide by zero; that
  // row is printed from non-finite values, as the plain loop prints it.
  expect_plain_rows({"high-pass from 0", 2, 2, 1, 8, 100, 0, 50, 0, 50, 0, 0, 300, 1.5f});
}

TEST(SweepRows, SinglePointAndNoPoint) {
  expect_plain_rows({"one point", 3, 1, 1, 5, 90, 110, 50, 0, 50, 0, 100, 100, 1});
  // fmax below fmin: no row at all.
  expect_plain_rows({"no point", 3, 1, 1, 5, 90, 110, 50, 0, 50, 0, 100, 50, 1});
}

}  // namespace
}  // namespace varnholt

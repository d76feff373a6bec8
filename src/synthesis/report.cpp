#include "synthesis/report.h"

#include <array>

#include "common/titles.h"
#include "common/units.h"
#include "common/code_traits.h"
#include "format/console.h"
#include "ladder/ladder.h"
#include "synthesis/transform.h"

namespace varnholt {
namespace {

// One table row: section number, prototype value, then value and unit pairs.
void print_row(Session& s, const Layout& layout, int32_t section, float g,
               std::initializer_list<Printed> elements) {
  std::array<FieldValue, 10> values;
  std::size_t count = 0;
  values[count++] = section;
  values[count++] = g;
  for (const Printed& e : elements) {
    values[count++] = e.value;
    values[count++] = e.unit;
  }
  s.console.report(layout, values.data(), count);
}

// The layout of the table row of position j: the value of the standard
// circuit's branch first, then the dual circuit's.
const Layout& row_layout(FilterType type, bool odd) {
  static const Layout kLumpedOdd(
      "(8X,I3,F13.6,F12.4,1X,A2,3X,'Shunt',F14.4,1X,A2,3X,'Series')");
  static const Layout kBandPassOdd(
      "(8X,I3,5X,F8.6,F12.4,1X,A2,3X,'Parallel',F11.4,1X,A2,3X,'Series-',/,"
      "24X,F12.4,1X,A2,3X,'-Shunt',F13.4,1X,A2,3X,'Series')");
  static const Layout kBandStopOdd(
      "(8X,I3,5X,F8.6,F12.4,1X,A2,3X,'Series',F13.4,1X,A2,3X,'Parallel',/,"
      "24X,F12.4,1X,A2,3X,'-Shunt',F13.4,1X,A2,3X,'Series')");
  static const Layout kLumpedEven(
      "(8X,I3,F13.6,F12.4,1X,A2,3X,'Series',F13.4,1X,A2,3X,'Shunt')");
  static const Layout kBandPassEven(
      "(8X,I3,5X,F8.6,F12.4,1X,A2,3X,'Series-',F12.4,1X,A2,3X,'Parallel',/,"
      "24X,F12.4,1X,A2,3X,'Series',F13.4,1X,A2,3X,'-Shunt')");
  static const Layout kBandStopEven(
      "(8X,I3,5X,F8.6,F12.4,1X,A2,3X,'Parallel',F11.4,1X,A2,3X,'Series',/,"
      "24X,F12.4,1X,A2,3X,'-Series',F12.4,1X,A2,3X,'-Shunt')");
  switch (type) {
    case FilterType::BandPass: return odd ? kBandPassOdd : kBandPassEven;
    case FilterType::BandStop: return odd ? kBandStopOdd : kBandStopEven;
    case FilterType::LowPass:
    case FilterType::HighPass: break;
  }
  return odd ? kLumpedOdd : kLumpedEven;
}

// The value of a one-element branch at position j, in its printed unit.
Printed single_element(const Capind& c, const BranchStores& b, int32_t j) {
  return b.l != nullptr ? inductor((c.*b.l)[j]) : capacitor((c.*b.c)[j]);
}

// The table row of position j: at an odd position the standard circuit has
// its shunt branch and the dual circuit its series branch; at an even one
// the other way round. Two-element branches print both inductors, then both
// capacitors.
void print_position_row(Session& s, int32_t j) {
  const Capind& c = s.st.capind;
  const FilterType type = filter_type(s.st.control.ides);
  const bool odd = j % 2 == 1;
  const BranchStores standard = branch_stores(type, odd ? Placement::Shunt : Placement::Series);
  const BranchStores dual = branch_stores(type, odd ? Placement::Series : Placement::Shunt);
  const Layout& layout = row_layout(type, odd);
  if (standard.l != nullptr && standard.c != nullptr) {
    print_row(s, layout, j, c.g[j],
              {inductor((c.*standard.l)[j]), inductor((c.*dual.l)[j]),
               capacitor((c.*standard.c)[j]), capacitor((c.*dual.c)[j])});
  } else {
    print_row(s, layout, j, c.g[j], {single_element(c, standard, j), single_element(c, dual, j)});
  }
}

// Fills the element store for the chosen filter type; returns the loads.
void transform(State& st, float& rod, float& ros) {
  Block1& b = st.block1;
  Freq1& f = st.freq1;
  const int32_t iop = st.control.iop;
  switch (filter_type(st.control.ides)) {
    case FilterType::HighPass:
      hpfltr(st.capind, b.am, f.fc1, iop, b.n, rod, ros, st.imp1.zo);
      break;
    case FilterType::BandPass:
      bpfltr(st.capind, b.am, f.fh1, f.fl1, iop, b.n, rod, ros, st.imp1.zo);
      break;
    case FilterType::BandStop:
      bsfltr(st.capind, b.am, f.fh1, f.fl1, iop, b.n, rod, ros, st.imp1.zo);
      break;
    case FilterType::LowPass:
      lpfltr(st.capind, b.am, f.fc1, iop, b.n, rod, ros, st.imp1.zo);
      break;
  }
}

}  // namespace

Printed inductor(float nh) {
  if (nh > 100000.0f) return {nh / kNanohenriesPerMillihenry, "mH"};
  return {nh, "nH"};
}

Printed capacitor(float pf) {
  if (pf > 100000.0f) return {pf / kPicofaradsPerMicrofarad, "uF"};
  return {pf, "pF"};
}

void print_report_header(Session& s) {
  static const Layout kHeader(
      std::string("(/,6X,72(1H-),/,6X,'Varnholt (v. 1.1)',22X,'Date:',I2,'/',I2,'/',I4,"
                  "' at ',I2,':',I2,':',I2,'Hours',/,16X,'") +
      kAttribution +
      "',/,16X,' RF/Microwave Computer-Aided Engineering Design Data',/,"
      "16X,'             for LUMPED ELEMENT Filters.')");
  const Datetime& t = s.st.datetime;
  s.console.report(kHeader, {t.imon, t.iday, t.iyr, t.ihr, t.imin, t.isec});
}

// The design data of the filter reported on, also shown above an analysis.
void print_design_block(Session& s) {
  static const Layout kSkirt(
      "(20X,'FC1 =',F11.4,' MHz',4X,'Design   = ',A9,/,20X,'F1  =',F11.4,' MHz',4X,"
      "'Sections =',I3,/,20X,'A1  =',F7.2,' dB',9X,'Response = ',A12)");
  static const Layout kCutoff(
      "(20X,'FC1 =',F11.4,' MHz',4X,'Design   = ',A9,/,44X,'Sections =',I3,/,"
      "44X,'Response = ',A12)");
  static const Layout kRipple("(44X,'Ripple   =',F6.3,' dB')");
  static const Layout kBand(
      "(19X,'Flow =',F11.4,' MHz',4X,'Design   = ',A9,/,19X,'Fo   =',F11.4,' MHz',4X,"
      "'Sections =',I3,/,19X,'Fhigh=',F11.4,' MHz',4X,'Response = ',A12)");
  static const Layout kBandwidth("(19X,'BW   =',F11.4,' MHz')");
  static const Layout kBandwidthRipple("(19X,'BW   =',F11.4,' MHz',4X,'Ripple   =',F6.3,' dB')");
  static const Layout kBandSkirt("(19X,'F1   =',F11.4,' MHz',4X,'A1       =',F7.2,' dB')");
  State& st = s.st;
  const Freq1& f = st.freq1;
  const std::string_view design = st.main.design;
  const std::string_view resp = st.main.resp;
  const ResponseTraits& response = response_traits(st.control.iop);
  float& a2 = st.main.a2;
  if (!filter_type_traits(st.control.ides).band) {
    if (st.control.iskirt == 1) {
      s.console.report(kSkirt, {f.fc1, design, f.f1, st.block1.n, a2, resp});
    } else {
      s.console.report(kCutoff, {f.fc1, design, st.block1.n, resp});
    }
    if (response.equal_ripple) s.console.report(kRipple, {st.block1.am});
    return;
  }
  s.console.report(kBand, {f.fl1, design, f.fo, st.block1.n, f.fh1, resp});
  if (response.flat_passband) {
    s.console.report(kBandwidth, {f.bw});
  } else {
    s.console.report(kBandwidthRipple, {f.bw, st.block1.am});
  }
  if (st.control.iskirt == 1) {
    if (response.tabulated) a2 = 0.0f;  // no attenuation estimate
    s.console.report(kBandSkirt, {f.f1, a2});
  }
}

void synthesis_run(Session& s) {
  float rod = 0.0f;
  float ros = 0.0f;
  transform(s.st, rod, ros);
  print_synthesis_report(s, rod, ros);
}

void print_synthesis_report(Session& s, float rod, float ros) {
  static const Layout kTitle(
      "(/,16X,'SYNTHESIS of the Electrical Circuit for your LUMPED',/,"
      "19X,'ELEMENT Filter results in the following data:')");
  static const Layout kBlockHeading(
      "(/,20X,'Design Frequencies:',6X,'Filter Parameters:',/,19X,21(1H-),4X,20(1H-))");
  static const Layout kTableHeading(
      "(/,7X,'Section  Prototype     Standard   Connection     Dual      Connection',/,"
      "7X,'Number    Element      Circuit    in Circuit    Circuit    in Circuit',/,7X,69(1H-))");
  static const Layout kSource(
      "(8X,I3,F13.6,F10.2,' Ohms',3X,'Source',F11.2,' Ohms',3X,'Source')");
  static const Layout kLoad("(8X,I3,F13.6,F10.2,' Ohms',3X,'Load',F13.2,' Ohms',3X,'Load')");
  State& st = s.st;
  s.console.report(kTitle);
  s.console.report(kBlockHeading);
  print_design_block(s);
  s.console.report(kTableHeading);
  s.console.report(kSource, {int32_t{0}, 1.0f, st.imp1.zo, st.imp1.zo});
  const int32_t n = st.block1.n;
  for (int32_t j = 1; j <= n; ++j) print_position_row(s, j);
  const float load = n >= 0 && n < kMaxPositions ? st.capind.g[n + 1] : 0.0f;
  s.console.report(kLoad, {n + 1, load, ros, rod});
}

}  // namespace varnholt

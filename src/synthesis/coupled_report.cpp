#include "synthesis/coupled_report.h"

#include <map>
#include <string>
#include <string_view>

#include "common/code_traits.h"
#include "format/reader.h"
#include "synthesis/printed.h"

namespace varnholt {
namespace {

float f(double x) { return static_cast<float>(x); }

// A line of text as it is, without trailing blanks.
void report_line(Console& out, std::string_view line) {
  static std::map<std::size_t, Layout> by_width;
  line = trimmed(line);
  const auto it = by_width.try_emplace(line.size(), "(A" + std::to_string(line.size()) + ")").first;
  out.report(it->second, {line});
}

std::string upper(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return s;
}

void print_design_block(Console& out, const CoupledReport& r) {
  static const Layout kBand(
      "(19X,'Flow =',F11.4,' MHz',4X,'Design   = ',A9,/,19X,'Fo   =',F11.4,' MHz',4X,"
      "'Sections =',I3,/,19X,'Fhigh=',F11.4,' MHz',4X,'Response = ',A12,/,"
      "19X,'BW   =',F11.4,' MHz',4X,'Topology = ',A7)");
  static const Layout kRipple("(44X,'Ripple   =',F6.3,' dB')");
  static const Layout kGivenL("(44X,'Res. L   =',F11.4,' nH')");
  static const Layout kSourceL("(44X,'Res. L   =',F11.4,' nH, set by the source')");
  const CoupledRequest& q = r.request;
  const CoupledDesign& d = r.design;
  out.report(kBand, {f(q.lower_mhz), filter_type_traits(FilterType::BandPass).name,
                     f(d.centre_mhz), static_cast<int32_t>(d.resonators.size()), f(q.upper_mhz),
                     padded(response_traits(q.response).name, 12), f(q.upper_mhz - q.lower_mhz),
                     padded(upper(coupled_topology_name(q.topology)), 7)});
  if (q.response == Response::Chebyshev) out.report(kRipple, {f(q.ripple_db)});
  out.report(q.resonator_l_nh ? kGivenL : kSourceL, {f(d.resonator_l_nh)});
}

// The band the circuit has beside the band asked.
void print_measured(Console& out, const CoupledReport& r) {
  static const Layout kEdges(
      "(/,19X,'The circuit itself (exact analysis), edges at',F6.3,' dB loss:',/,"
      "19X,'Flow =',F11.4,' MHz',4X,'asked',F11.4,' MHz',/,"
      "19X,'Fhigh=',F11.4,' MHz',4X,'asked',F11.4,' MHz',/,"
      "19X,'BW   =',F11.4,' MHz',4X,'asked',F11.4,' MHz')");
  static const Layout kRipple("(19X,'Ripple=',F10.4,' dB ',4X,'asked',F11.4,' dB')");
  static const Layout kNone(
      "(/,19X,'The circuit itself (exact analysis) never has less than',F6.3,' dB loss.')");
  const MeasuredBand& m = r.measured;
  const CoupledRequest& q = r.request;
  if (!m.lower_mhz || !m.upper_mhz) {
    out.report(kNone, {f(m.level_db)});
    return;
  }
  out.report(kEdges, {f(m.level_db), f(*m.lower_mhz), f(q.lower_mhz), f(*m.upper_mhz),
                      f(q.upper_mhz), f(*m.upper_mhz - *m.lower_mhz), f(q.upper_mhz - q.lower_mhz)});
  if (m.ripple_db) out.report(kRipple, {f(*m.ripple_db), f(q.ripple_db)});
}

void print_normalised(Console& out, const CoupledDesign& d) {
  static const Layout kHeading(
      "(/,20X,'Normalised values: q = g g, k = 1 / sqrt(g g)',/,"
      "20X,'Fractional bandwidth w =',F10.6,/,"
      "20X,'q source =',F10.5,4X,'Qe source =',F10.3,/,"
      "20X,'q load   =',F10.5,4X,'Qe load   =',F10.3)");
  static const Layout kK("(20X,'k(',I2,',',I2,') =',F10.5,4X,'k w =',F10.6)");
  const double w = d.fractional_bandwidth;
  out.report(kHeading, {f(w), f(d.q_source), f(d.q_source / w), f(d.q_load), f(d.q_load / w)});
  for (std::size_t i = 0; i < d.k.size(); ++i) {
    out.report(kK, {static_cast<int32_t>(i + 1), static_cast<int32_t>(i + 2), f(d.k[i]),
                    f(d.k[i] * w)});
  }
}

void print_elements(Console& out, const CoupledDesign& d) {
  static const Layout kHeading(
      "(/,7X,'Branch  Placement  Element',15X,'Value   Role',/,7X,72(1H-))");
  static const Layout kSource("(8X,I3,4X,'Source',6X,F10.2,' Ohms')");
  static const Layout kLoad("(8X,I3,4X,'Load  ',6X,F10.2,' Ohms')");
  static const Layout kElement("(8X,I3,4X,A6,5X,A4,' =',F17.4,1X,A2,3X,A40)");
  out.report(kHeading);
  out.report(kSource, {int32_t{0}, f(d.source_ohms)});
  for (const CoupledElement& e : d.elements) {
    const Branch& b = d.ladder.branches.at(static_cast<std::size_t>(e.branch - 1));
    const Printed v = e.inductor ? inductor(f(e.value)) : capacitor(f(e.value));
    std::string line;
    kElement.append(line,
                    {e.branch, b.placement == Placement::Shunt ? "Shunt " : "Series",
                     padded(e.name, 4), v.value, v.unit, padded(e.role, 40)},
                    false);
    report_line(out, line);
  }
  out.report(kLoad, {static_cast<int32_t>(d.ladder.branches.size() + 1), f(d.load_ohms)});
}

}  // namespace

void print_coupled_report(Console& out, const CoupledReport& r) {
  static const Layout kTitle(
      "(/,16X,'SYNTHESIS of the Electrical Circuit for your COUPLED',/,"
      "19X,'RESONATOR Filter results in the following data:')");
  static const Layout kBlockHeading(
      "(/,20X,'Design Frequencies:',6X,'Filter Parameters:',/,19X,21(1H-),4X,20(1H-))");
  out.report(kTitle);
  out.report(kBlockHeading);
  print_design_block(out, r);
  print_measured(out, r);
  print_normalised(out, r.design);
  print_elements(out, r.design);
}

}  // namespace varnholt

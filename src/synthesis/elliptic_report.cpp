#include "synthesis/elliptic_report.h"

#include <cmath>
#include <map>
#include <string>
#include <string_view>

#include "common/code_traits.h"
#include "format/reader.h"
#include "synthesis/printed.h"

namespace varnholt {
namespace {

float f(double x) {
  return static_cast<float>(x);
}

void print_design_block(Console& out, const EllipticDesign& d) {
  static const Layout kCutoff(
      "(20X,'FC1 =',F11.4,' MHz',4X,'Design   = ',A9,/,44X,'Sections =',I3,/,"
      "44X,'Response = ',A12)");
  static const Layout kSkirt(
      "(20X,'FC1 =',F11.4,' MHz',4X,'Design   = ',A9,/,20X,'F1  =',F11.4,' MHz',4X,"
      "'Sections =',I3,/,20X,'A1  =',F7.2,' dB',9X,'Response = ',A12)");
  static const Layout kEdge(
      "(20X,'FS  =',F11.4,' MHz',4X,'Ripple   =',F6.3,' dB',/,"
      "44X,'Stopband =',F7.2,' dB')");
  static const Layout kBand(
      "(19X,'Flow =',F11.4,' MHz',4X,'Design   = ',A9,/,19X,'Fo   =',F11.4,' MHz',4X,"
      "'Sections =',I3,/,19X,'Fhigh=',F11.4,' MHz',4X,'Response = ',A12,/,"
      "19X,'BW   =',F11.4,' MHz',4X,'Ripple   =',F6.3,' dB')");
  static const Layout kBandSkirt("(19X,'F1   =',F11.4,' MHz',4X,'A1       =',F7.2,' dB')");
  static const Layout kBandEdges(
      "(19X,'FSlo =',F11.4,' MHz',4X,'Stopband =',F7.2,' dB',/,19X,'FShi =',F11.4,' MHz')");
  static const Layout kOdd("(/,20X,'Odd order: equal source and load resistances.')");
  static const Layout kEven(
      "(/,20X,'Even order: modified response, highest zero at infinity;',/,"
      "20X,'the load differs from the source.')");
  const EllipticRequest& r = d.request;
  const std::string_view design = filter_type_traits(r.type).name;
  const std::string resp = padded(response_traits(d.prototype.response).name, 12);
  const float am = f(r.am_db), as = f(r.as_db);
  if (filter_type_traits(r.type).band) {
    out.report(kBand, {f(r.fl_mhz), design, f(std::sqrt(r.fl_mhz * r.fh_mhz)), d.order,
                       f(r.fh_mhz), resp, f(r.fh_mhz - r.fl_mhz), am});
    if (r.order == 0) out.report(kBandSkirt, {f(r.f1_mhz), as});
    out.report(kBandEdges, {f(d.stopband_mhz[0]), as, f(d.stopband_mhz[1])});
  } else {
    if (r.order == 0) {
      out.report(kSkirt, {f(r.fc_mhz), design, f(r.f1_mhz), d.order, as, resp});
    } else {
      out.report(kCutoff, {f(r.fc_mhz), design, d.order, resp});
    }
    out.report(kEdge, {f(d.stopband_mhz[0]), am, as});
  }
  out.report(d.order % 2 == 1 ? kOdd : kEven);
}

// One element cell: "L1 =   123.4567 nH", or blanks when the pair has none.
std::string cell(std::string_view name, bool present, Printed value) {
  static const Layout kCell("(A2,' =',F12.4,1X,A2)");
  std::string s;
  if (!present) return std::string(19, ' ');
  kCell.append(s, {name, value.value, value.unit}, false);
  return s;
}

std::string zero_cell(const EllipticBranch& b, std::size_t i) {
  static const Layout kZero("(F12.4)");
  std::string s;
  if (i >= b.zeros_mhz.size()) return std::string(12, ' ');
  kZero.append(s, {f(b.zeros_mhz[i])}, false);
  return s;
}

// A line of text as it is, without trailing blanks.
void report_line(Console& out, std::string_view line) {
  static std::map<std::size_t, Layout> by_width;
  line = trimmed(line);
  const auto it = by_width.try_emplace(line.size(), "(A" + std::to_string(line.size()) + ")").first;
  out.report(it->second, {line});
}

void print_branch(Console& out, int number, const EllipticBranch& b) {
  static const Layout kFirst("(8X,I3,4X,A6,6X,A24,2X,A19,2X,A19,A12)");
  static const Layout kSecond("(27X,A24,2X,A19,2X,A19,A12)");
  const BranchShape sh = shape(b.branch.kind);
  const std::string text = connection_text(b.branch.kind);
  const std::size_t split = sh.pairs == 2 ? text.find(") ") + 1 : text.size();
  const std::string_view where = b.branch.placement == Placement::Shunt ? "Shunt " : "Series";
  const bool two = sh.pairs == 2;
  std::string line;
  const std::string first = padded(std::string_view(text).substr(0, split), 24);
  const std::string l0 = cell(two ? "L1" : "L ", sh.pair[0].has_l, inductor(f(b.branch.l[0])));
  const std::string c0 = cell(two ? "C1" : "C ", sh.pair[0].has_c, capacitor(f(b.branch.c[0])));
  kFirst.append(line, {number, where, first, l0, c0, zero_cell(b, 0)}, false);
  report_line(out, line);
  if (!two && b.zeros_mhz.size() < 2) return;
  line.clear();
  const std::string second = padded(std::string_view(text).substr(split), 24);
  const std::string l1 = cell("L2", two && sh.pair[1].has_l, inductor(f(b.branch.l[1])));
  const std::string c1 = cell("C2", two && sh.pair[1].has_c, capacitor(f(b.branch.c[1])));
  kSecond.append(line, {second, l1, c1, zero_cell(b, 1)}, false);
  report_line(out, line);
}

// The same branch in the low-pass prototype: values for 1 ohm and 1 rad/s.
void print_prototype_branch(Console& out, int number, const EllipticBranch& b) {
  static const Layout kRow("(8X,I3,4X,A6,6X,A24,2X,A16,5X,A16,A12)");
  static const Layout kCell("(A2,' =',F12.6)");
  static const Layout kZero("(F12.6)");
  const PairShape pair = shape(b.prototype.kind).pair[0];
  std::string l, c, zero, line;
  if (pair.has_l) kCell.append(l, {std::string_view("L "), f(b.prototype.l[0])}, false);
  if (pair.has_c) kCell.append(c, {std::string_view("C "), f(b.prototype.c[0])}, false);
  if (b.prototype_zero > 0.0) kZero.append(zero, {f(b.prototype_zero)}, false);
  const std::string_view where = b.prototype.placement == Placement::Shunt ? "Shunt " : "Series";
  const std::string text = padded(connection_text(b.prototype.kind), 24);
  kRow.append(line, {number, where, text, padded(l, 16), padded(c, 16), padded(zero, 12)}, false);
  report_line(out, line);
}

void print_prototype(Console& out, const EllipticDesign& d) {
  static const Layout kHeading(
      "(/,7X,'Low-pass prototype: source 1 Ohm, passband edge 1 rad/s (H, F)',/,"
      "7X,'Branch  Connection  Elements',29X,'L',20X,'C',6X,'Zero at',/,"
      "7X,'Number  in Circuit',70X,'(rad/s)',/,7X,99(1H-))");
  static const Layout kLoad("(8X,I3,4X,'Load  ',6X,F10.6,' Ohms')");
  out.report(kHeading);
  int number = 0;
  for (const EllipticBranch& b : d.branches) print_prototype_branch(out, ++number, b);
  out.report(kLoad, {number + 1, f(d.load_ohms / d.source_ohms)});
}

}  // namespace

std::string connection_text(BranchKind kind) {
  const BranchShape sh = shape(kind);
  // Built by appending only: GCC 12 at -O3 misreads the prepending
  // operator+(const char*, std::string) as an overlapping copy (-Wrestrict).
  const auto pair_text = [](std::string& text, const PairShape& p, std::string_view index) {
    if (p.has_l) text.append("L").append(index);
    if (p.has_l && p.has_c) text.append(p.join == Join::Series ? " + " : " || ");
    if (p.has_c) text.append("C").append(index);
  };
  std::string text;
  if (sh.pairs == 1) {
    pair_text(text, sh.pair[0], "");
    return text;
  }
  text.append("(");
  pair_text(text, sh.pair[0], "1");
  text.append(sh.between == Join::Series ? ") + (" : ") || (");
  pair_text(text, sh.pair[1], "2");
  text.append(")");
  return text;
}

void print_elliptic_report(Console& out, const EllipticDesign& d) {
  static const Layout kTitle(
      "(/,16X,'SYNTHESIS of the Electrical Circuit for your LUMPED',/,"
      "19X,'ELEMENT Filter results in the following data:')");
  static const Layout kBlockHeading(
      "(/,20X,'Design Frequencies:',6X,'Filter Parameters:',/,19X,21(1H-),4X,20(1H-))");
  static const Layout kTableHeading(
      "(/,7X,'Branch  Connection  Elements',22X,'Inductors',11X,'Capacitors',"
      "11X,'Zero at',/,7X,'Number  in Circuit',75X,'(MHz)',/,7X,99(1H-))");
  static const Layout kSource("(8X,I3,4X,'Source',6X,F10.2,' Ohms')");
  static const Layout kLoad("(8X,I3,4X,'Load  ',6X,F10.2,' Ohms')");
  out.report(kTitle);
  out.report(kBlockHeading);
  print_design_block(out, d);
  out.report(kTableHeading);
  out.report(kSource, {int32_t{0}, f(d.source_ohms)});
  int number = 0;
  for (const EllipticBranch& b : d.branches) print_branch(out, ++number, b);
  out.report(kLoad, {number + 1, f(d.load_ohms)});
  print_prototype(out, d);
}

}  // namespace varnholt

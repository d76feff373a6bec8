#include "analysis/netlist.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "common/si_text.h"
#include "common/units.h"

namespace varnholt {
namespace {

constexpr double kMega = kHertzPerMegahertz;

// Shortest text that reads back as the same double, in engineering notation.
std::string number(double v, int exp10 = 0) { return spice_number(v, exp10); }

// Netlist lines and fresh node names.
class Writer {
 public:
  void line(const std::string& text) {
    out_ += text;
    out_ += '\n';
  }
  // value * 10^exp10 in SI units: an element in nH is written 100n, not 1.0000000000000001e-07.
  void element(const std::string& name, const std::string& a, const std::string& b, double value,
               int exp10 = 0) {
    line(name + ' ' + a + ' ' + b + ' ' + number(value, exp10));
  }
  // An inductor (nH) or capacitor (pF) with the model's parts around it,
  // each a node further from a towards b:
  //   inductor:  a, L, "<name>r", loss resistor R<name>, b; CP<name> from a to b
  //   capacitor: a, C, "<name>r", R<name>, "<name>e", RESR<name>, "<name>l", LESL<name>, b
  // (only the parts the model has; a zero-valued element has none).
  void reactive(const std::string& name, const std::string& a, const std::string& b, double value,
                bool inductor) {
    const int exp10 = inductor ? -9 : -12;  // nH, pF
    if (losses_ == nullptr || value == 0.0) {
      element(name, a, b, value, exp10);
      return;
    }
    const PartModel& m = *losses_;
    struct Piece {
      std::string name, next;
      double value;
      int exp10;
    };
    std::vector<Piece> chain{{name, name + "r", value, exp10}};
    const double r = inductor ? inductor_loss_ohms(value, loss_at_mhz_, m)
                              : capacitor_loss_ohms(value, loss_at_mhz_, m);
    if (r > 0.0) chain.push_back({"R" + name, name + "e", r, 0});
    if (!inductor && m.capacitor_esr_ohms > 0.0) {
      chain.push_back({"RESR" + name, name + "l", m.capacitor_esr_ohms, 0});
    }
    if (!inductor && m.capacitor_esl_nh > 0.0) {
      chain.push_back({"LESL" + name, name + "x", m.capacitor_esl_nh, -9});
    }
    std::string from = a;
    for (std::size_t i = 0; i < chain.size(); ++i) {
      const std::string to = i + 1 == chain.size() ? b : chain[i].next;
      element(chain[i].name, from, to, chain[i].value, chain[i].exp10);
      from = to;
    }
    if (!inductor) return;
    const double cp = m.inductor_srf_mhz > 0.0
                          ? 1.0 / (std::pow(2e6 * std::numbers::pi * m.inductor_srf_mhz, 2) *
                                   value * 1e-9)
                          : m.inductor_cp_pf * 1e-12;
    if (cp > 0.0) element("CP" + name, a, b, cp);
  }
  // The pad capacitance at a node of the line, when the model has one.
  void pad(const std::string& node, int k) {
    if (losses_ != nullptr && losses_->node_pf > 0.0) {
      element("CPAD" + std::to_string(k), node, "0", losses_->node_pf, -12);
    }
  }
  void set_losses(const PartModel& losses, double f_mhz) {
    losses_ = &losses;
    loss_at_mhz_ = f_mhz;
  }
  std::string node(const std::string& stem, int k) { return stem + std::to_string(k); }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
  const PartModel* losses_ = nullptr;
  double loss_at_mhz_ = 0.0;
};

// Inductance (H) or capacitance (F) that has the reactance x (ohms) at f (Hz).
double sized(double x, double f_hz) {
  const double w = 2.0 * std::numbers::pi * f_hz;
  return x > 0.0 ? x / w : -1.0 / (w * x);
}

// A termination reactance: the element written, and how to resize it.
struct Reactance {
  std::string name;  // element name, empty when the reactance is zero
  double x = 0.0;
};

// Writes a reactance element between a and b when x is not zero; returns
// the node after it (b, or a when nothing was written).
std::string reactance(Writer& w, Reactance& r, const std::string& stem, double x,
                      const std::string& a, const std::string& b, double f_hz) {
  if (x == 0.0) {
    return a;
  }
  r.name = (x > 0.0 ? "L" : "C") + stem;
  r.x = x;
  w.element(r.name, a, b, sized(x, f_hz));
  return b;
}

// The elements of one pair, named by `tag`, between a and b; an L and a C in
// series meet at `mid`.
void pair_elements(Writer& w, const PairShape& p, double l_nh, double c_pf, const std::string& tag,
                   const std::string& a, const std::string& b, const std::string& mid) {
  if (p.has_l && p.has_c && p.join == Join::Series) {
    w.reactive("L" + tag, a, mid, l_nh, true);
    w.reactive("C" + tag, mid, b, c_pf, false);
    return;
  }
  if (p.has_l) w.reactive("L" + tag, a, b, l_nh, true);
  if (p.has_c) w.reactive("C" + tag, a, b, c_pf, false);
}

// Branch at position k between node `from` and `to` ("0" for a shunt branch).
void branch(Writer& w, const Branch& br, int k, const std::string& from, const std::string& to) {
  const std::string pos = std::to_string(k);
  const std::string tag = (br.placement == Placement::Series ? "SER" : "SH") + pos;
  const BranchShape s = shape(br.kind);
  if (s.pairs == 1) {
    pair_elements(w, s.pair[0], br.l[0], br.c[0], tag, from, to, "m" + pos);
    return;
  }
  // Two pairs: in series through node j<k>, or side by side.
  const std::string joint = s.between == Join::Series ? "j" + pos : to;
  pair_elements(w, s.pair[0], br.l[0], br.c[0], tag + "A", from, joint, "m" + pos + "a");
  pair_elements(w, s.pair[1], br.l[1], br.c[1], tag + "B", s.between == Join::Series ? joint : from,
                to, "m" + pos + "b");
}

// "name = re,im" -> (re, im) when the line starts with name.
std::optional<std::complex<double>> value(std::string_view line, std::string_view name) {
  const std::string prefix = std::string(name) + " = ";
  if (line.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  line.remove_prefix(prefix.size());
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) {
    return std::nullopt;
  }
  // The simulator prints "e+08" style exponents, which from_chars reads.
  double re = 0.0;
  double im = 0.0;
  std::string_view rtext = line.substr(0, comma);
  std::string_view itext = line.substr(comma + 1);
  while (!itext.empty() && (itext.back() == '\r' || itext.back() == ' ')) itext.remove_suffix(1);
  const auto r1 = std::from_chars(rtext.data(), rtext.data() + rtext.size(), re);
  const auto r2 = std::from_chars(itext.data(), itext.data() + itext.size(), im);
  if (r1.ec != std::errc() || r1.ptr != rtext.data() + rtext.size() || r2.ec != std::errc() ||
      r2.ptr != itext.data() + itext.size()) {
    return std::nullopt;
  }
  return std::complex<double>(re, im);
}

// The circuit lines; xs and xl name the termination reactances written.
void write_circuit(Writer& w, const Ladder& ladder, Impedance source, Impedance load, double f_hz,
                   std::string_view title, Reactance& xs, Reactance& xl) {
  // The first line of a netlist is its title, whatever it holds.
  std::string head(title);
  std::replace(head.begin(), head.end(), '\n', ' ');
  std::replace(head.begin(), head.end(), '\r', ' ');
  w.line(head.empty() ? std::string("ladder") : head);

  // Source: EMF, resistance, reactance, input ammeter.
  w.line("V1 src 0 DC 0 AC 1");
  std::string node = "src";
  if (source.r != 0.0f) {
    w.element("RS", node, "s1", source.r);
    node = "s1";
  }
  node = reactance(w, xs, "XS", source.x, node, "s2", f_hz);
  w.line("VIN " + node + " in DC 0");

  // The ladder, branches in order from the source.
  node = "in";
  int k = 0;
  for (const Branch& b : ladder.branches) {
    ++k;
    if (b.placement == Placement::Series) {
      const std::string next = w.node("n", k);
      branch(w, b, k, node, next);
      node = next;
    } else {
      branch(w, b, k, node, "0");
    }
  }
  w.line("VOUT " + node + " out DC 0");

  // Load: resistance then reactance to ground; a zero load is a short.
  node = "out";
  if (load.r != 0.0f) {
    const std::string to = load.x != 0.0f ? "l1" : "0";
    w.element("RL", node, to, load.r);
    node = to;
  }
  if (load.x != 0.0f) {
    reactance(w, xl, "XL", load.x, node, "0", f_hz);
    node = "0";
  }
  if (node != "0") {
    w.line("VSHORT " + node + " 0 DC 0");
  }
}

}  // namespace

std::string spice_subcircuit(const Ladder& ladder, std::string_view name) {
  return spice_subcircuit(ladder, name, PartModel{}, 0.0);
}

std::string spice_subcircuit(const Ladder& ladder, std::string_view name, const PartModel& losses,
                             double loss_at_mhz) {
  Writer w;
  w.set_losses(losses, loss_at_mhz);
  w.line(".subckt " + std::string(name) + " in out");
  std::string node = "in";
  w.pad(node, 0);
  int k = 0;
  for (const Branch& b : ladder.branches) {
    ++k;
    if (b.placement == Placement::Series) {
      const std::string next = w.node("n", k);
      branch(w, b, k, node, next);
      node = next;
      w.pad(node, k);
    } else {
      branch(w, b, k, node, "0");
    }
  }
  w.line("VOUT " + node + " out DC 0");
  w.line(".ends " + std::string(name));
  return w.take();
}

std::string spice_circuit(const Ladder& ladder, Impedance source, Impedance load, double f_mhz,
                          std::string_view title) {
  Writer w;
  Reactance xs;
  Reactance xl;
  write_circuit(w, ladder, source, load, f_mhz * kMega, title, xs, xl);
  return w.take();
}

std::string spice_netlist(const Ladder& ladder, Impedance source, Impedance load,
                          std::span<const double> freqs_mhz, std::string_view title) {
  Writer w;
  Reactance xs;
  Reactance xl;
  const double f0 = freqs_mhz.empty() ? kMega : freqs_mhz.front() * kMega;
  write_circuit(w, ladder, source, load, f0, title, xs, xl);

  // One single-point analysis per frequency. The circuit is linear, so no
  // operating point is needed (and nodes reached only through capacitors
  // would make one singular).
  w.line(".control");
  w.line("set noaskquit");
  w.line("set numdgt=15");
  w.line("option noopac");
  for (const double f_mhz : freqs_mhz) {
    const double f_hz = f_mhz * kMega;
    for (const Reactance* r : {&xs, &xl}) {
      if (!r->name.empty()) {
        w.line("alter " + r->name + " = " + number(sized(r->x, f_hz)));
      }
    }
    w.line("ac lin 1 " + number(f_hz) + ' ' + number(f_hz));
    w.line("print frequency v(out) v(in) i(vin)");
  }
  w.line(".endc");
  w.line(".end");
  return w.take();
}

std::string spice_netlist(const Capind& c, int32_t ides, int32_t icfg, int32_t n, float zrs,
                          float zis, float zrl, float zil, std::span<const double> freqs_mhz,
                          std::string_view title) {
  return spice_netlist(ladder_from_stores(c, filter_type(ides), configuration(icfg), n),
                       {zrs, zis}, {zrl, zil}, freqs_mhz, title);
}

std::vector<SpicePoint> read_spice_points(std::string_view output) {
  std::vector<SpicePoint> points;
  SpicePoint p;
  int have = 0;  // lines of the current point read so far, in order
  while (!output.empty()) {
    const std::size_t end = output.find('\n');
    const std::string_view line = output.substr(0, end);
    output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
    if (const auto f = value(line, "frequency")) {
      p = SpicePoint{};
      p.f_mhz = f->real() / kMega;
      have = 1;
    } else if (const auto v = value(line, "v(out)"); v && have == 1) {
      p.v_out = *v;
      have = 2;
    } else if (const auto v = value(line, "v(in)"); v && have == 2) {
      p.v_in = *v;
      have = 3;
    } else if (const auto i = value(line, "i(vin)"); i && have == 3) {
      p.i_in = *i;
      points.push_back(p);
      have = 0;
    }
  }
  return points;
}

}  // namespace varnholt

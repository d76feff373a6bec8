#include "analysis/netlist.h"

#include <algorithm>
#include <charconv>
#include <numbers>
#include <optional>

namespace varnholt {
namespace {

constexpr double kNano = 1e-9;   // nH to H
constexpr double kPico = 1e-12;  // pF to F
constexpr double kMega = 1e6;    // MHz to Hz

// Shortest text that reads back as the same double.
std::string number(double v) {
  char text[32];
  const auto res = std::to_chars(text, text + sizeof text, v);
  return std::string(text, res.ptr);
}

// Netlist lines and fresh node names.
class Writer {
 public:
  void line(const std::string& text) {
    out_ += text;
    out_ += '\n';
  }
  void element(const std::string& name, const std::string& a, const std::string& b, double value) {
    line(name + ' ' + a + ' ' + b + ' ' + number(value));
  }
  std::string node(const std::string& stem, int k) { return stem + std::to_string(k); }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
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

// Branch at position k between node `from` and `to` ("0" for a shunt branch).
void branch(Writer& w, const Capind& c, int32_t ides, bool series, int k, const std::string& from,
            const std::string& to) {
  const std::string pos = std::to_string(k);
  const std::string mid = "m" + pos;  // inner node of a series resonator
  const double l = (series ? c.serl[k] : c.shuntl[k]) * kNano;
  const double cap = (series ? c.serc[k] : c.shuntc[k]) * kPico;
  const std::string kind = series ? "SER" : "SH";
  switch (ides) {
    case 2:  // high-pass: series capacitor, shunt inductor
      if (series) {
        w.element("C" + kind + pos, from, to, cap);
      } else {
        w.element("L" + kind + pos, from, to, l);
      }
      break;
    case 3:  // band-pass: series resonator in the line, parallel resonator to ground
      if (series) {
        w.element("L" + kind + pos, from, mid, l);
        w.element("C" + kind + pos, mid, to, cap);
      } else {
        w.element("L" + kind + pos, from, to, l);
        w.element("C" + kind + pos, from, to, cap);
      }
      break;
    case 4:  // band-stop: parallel resonator in the line, series resonator to ground
      if (series) {
        w.element("L" + kind + pos, from, to, l);
        w.element("C" + kind + pos, from, to, cap);
      } else {
        w.element("L" + kind + pos, from, mid, l);
        w.element("C" + kind + pos, mid, to, cap);
      }
      break;
    default:  // low-pass: series inductor, shunt capacitor
      if (series) {
        w.element("L" + kind + pos, from, to, l);
      } else {
        w.element("C" + kind + pos, from, to, cap);
      }
      break;
  }
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

}  // namespace

std::string spice_netlist(const Capind& c, int32_t ides, int32_t icfg, int32_t n, float zrs,
                          float zis, float zrl, float zil, std::span<const double> freqs_mhz,
                          std::string_view title) {
  Writer w;
  // The first line of a netlist is its title, whatever it holds.
  std::string head(title);
  std::replace(head.begin(), head.end(), '\n', ' ');
  std::replace(head.begin(), head.end(), '\r', ' ');
  w.line(head.empty() ? std::string("ladder") : head);

  const double f0 = freqs_mhz.empty() ? kMega : freqs_mhz.front() * kMega;

  // Source: EMF, resistance, reactance, input ammeter.
  w.line("V1 src 0 DC 0 AC 1");
  std::string node = "src";
  if (zrs != 0.0f) {
    w.element("RS", node, "s1", zrs);
    node = "s1";
  }
  Reactance xs;
  node = reactance(w, xs, "XS", zis, node, "s2", f0);
  w.line("VIN " + node + " in DC 0");

  // The ladder, positions 1..n from the source.
  const int32_t last = std::min<int32_t>(n, kMaxPositions);
  bool series = (icfg == 2);
  node = "in";
  for (int k = 1; k <= last; ++k) {
    if (series) {
      const std::string next = w.node("n", k);
      branch(w, c, ides, true, k, node, next);
      node = next;
    } else {
      branch(w, c, ides, false, k, node, "0");
    }
    series = !series;
  }
  w.line("VOUT " + node + " out DC 0");

  // Load: resistance then reactance to ground; a zero load is a short.
  node = "out";
  if (zrl != 0.0f) {
    const std::string to = zil != 0.0f ? "l1" : "0";
    w.element("RL", node, to, zrl);
    node = to;
  }
  Reactance xl;
  if (zil != 0.0f) {
    reactance(w, xl, "XL", zil, node, "0", f0);
    node = "0";
  }
  if (node != "0") {
    w.line("VSHORT " + node + " 0 DC 0");
  }

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

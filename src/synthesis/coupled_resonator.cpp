#include "synthesis/coupled_resonator.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "ladder/network.h"
#include "synthesis/exact_design.h"

namespace varnholt {
namespace {

using std::numbers::pi;

constexpr double kHertzPerMHz = 1e6;
constexpr double kNano = 1e9;
constexpr double kPico = 1e12;
constexpr int kMaxOrder = 30;

bool top(CoupledTopology t) { return t != CoupledTopology::ShuntC; }

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

// The prototype and the coupling of a request, checked.
struct Plan {
  std::vector<double> g;
  double w0 = 0.0;              // rad/s at the geometric centre
  double w = 0.0;               // fractional bandwidth
  double qe1 = 0.0, qen = 0.0;  // external Q of the end resonators
  std::vector<double> kc;       // coupling coefficients k(i,i+1), w / sqrt(gi gi+1)
  std::vector<double> slope;    // resonator slope per 1 / (w0 L) (top-c, top-l) or w0 L
  std::vector<double> rho;      // the share of the resonator's C (elastance) the end may take
  double rs = 0.0, rl = 0.0;    // terminations asked (rl 0: as rs)
};

bool finite_positive(double v) { return std::isfinite(v) && v > 0.0; }

// Slopes b_i (S) of top-l resonators with inductors of admittance y0 at w0:
// each node keeps the positive half of its coupling inductors' pi,
// b_i = y0 + sum J - d_i, J = k sqrt(b_i b_j), less the deficit d_i of an end
// coupling (see end_coupling). In x_i = sqrt(b_i): x_i^2 = y0 - d_i + x_i
// sum k x_j, solved by iteration (a contraction of factor about 2 k).
std::vector<double> inductive_slopes(const std::vector<double>& kc, double y0,
                                     const std::vector<double>& deficit) {
  const std::size_t n = kc.size() + 1;
  std::vector<double> x(n, std::sqrt(y0));
  for (int it = 0;; ++it) {
    double change = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double s = (i > 0 ? kc[i - 1] * x[i - 1] : 0.0) + (i + 1 < n ? kc[i] * x[i + 1] : 0.0);
      const double next = 0.5 * (s + std::sqrt(s * s + 4.0 * (y0 - deficit[i])));
      change = std::max(change, std::abs(next - x[i]) / next);
      x[i] = next;
    }
    if (change < 1e-16) break;
    if (!std::isfinite(change) || it == 10000) {
      throw std::invalid_argument(
          "coupled resonators: the bandwidth is too wide for top-l coupling");
    }
  }
  std::vector<double> b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = x[i] * x[i];
  return b;
}

Plan plan(const CoupledRequest& r) {
  if (r.response == Response::Elliptic) {
    throw std::invalid_argument("coupled resonators: the response must be all-pole");
  }
  if (r.order < 2 || r.order > kMaxOrder) {
    throw std::invalid_argument("coupled resonators: the order must be 2 to 30");
  }
  if (!(r.lower_mhz > 0.0 && r.upper_mhz > r.lower_mhz) || !std::isfinite(r.upper_mhz)) {
    throw std::invalid_argument("coupled resonators: the band edges need 0 < f1 < f2");
  }
  if (!finite_positive(r.source_ohms) || !(r.load_ohms >= 0.0) || !std::isfinite(r.load_ohms)) {
    throw std::invalid_argument("coupled resonators: the terminations must be above 0 ohms");
  }
  if (r.resonator_l_nh && !finite_positive(*r.resonator_l_nh)) {
    throw std::invalid_argument("coupled resonators: the resonator L must be above 0 nH");
  }
  Plan p;
  p.g = prototype_values(r.response, r.order, r.ripple_db);
  if (p.g.size() != static_cast<std::size_t>(r.order + 2)) {
    throw std::invalid_argument("coupled resonators: no prototype of that response and order");
  }
  const double f0 = std::sqrt(r.lower_mhz * r.upper_mhz);
  p.w0 = 2.0 * pi * f0 * kHertzPerMHz;
  p.w = (r.upper_mhz - r.lower_mhz) / f0;
  const int n = r.order;
  p.qe1 = p.g[0] * p.g[1] / p.w;
  p.qen = p.g[n] * p.g[n + 1] / p.w;
  for (int i = 1; i < n; ++i) p.kc.push_back(p.w / std::sqrt(p.g[i] * p.g[i + 1]));
  p.slope = r.topology == CoupledTopology::TopL
                ? inductive_slopes(p.kc, 1.0, std::vector<double>(static_cast<std::size_t>(n), 0.0))
                : std::vector<double>(static_cast<std::size_t>(n), 1.0);
  // What an end coupling may take of the end resonator: top-c and shunt-c
  // share the resonator's C (elastance) with the inner coupling capacitor.
  const double k1 = p.kc.front(), kn = p.kc.back();
  p.rho = r.topology == CoupledTopology::TopL ? std::vector<double>{1.0, 1.0}
                                              : std::vector<double>{1.0 - k1, 1.0 - kn};
  p.rs = r.source_ohms;
  p.rl = r.load_ohms > 0.0 ? r.load_ohms : r.source_ohms;
  return p;
}

// An end coupling capacitor: its value (F), its reactance at w0 as a
// share taken from the resonator (a capacitance (F) from a shunt resonator,
// an elastance (1/F) from a series one), and its slope deficit: the share,
// were it a capacitor, would add its own slope (half its susceptance B, or
// of -X); the termination seen through the coupling adds B/2 - (w0/2) dB/dw
// less (X the same with -X), which the resonator's loaded slope goes without.
// t is the termination's loading the resonator needs over the loading it
// would get connected straight: for a shunt resonator t = (b / Qe) / (1 / R),
// for a series one t = (x / Qe) / R. A coupling capacitor can only lower the
// loading: t must lie in (0, 1).
struct EndCoupling {
  double c = 0.0, share = 0.0, deficit = 0.0;
};

EndCoupling end_coupling(bool shunt_resonator, double t, double r, double w0) {
  if (!(t > 0.0 && t < 1.0)) {
    return {std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0};
  }
  if (shunt_resonator) {
    // R in series with C, as a parallel G and C at w0, a = w0 C R:
    // G = a^2 / (R (1 + a^2)) = t / R, Cp = C / (1 + a^2);
    // B = a / (R (1 + a^2)), w0 dB/dw = a (1 - a^2) / (R (1 + a^2)^2).
    const double a = std::sqrt(t / (1.0 - t)), a2 = 1.0 + a * a;
    const double c = a / (w0 * r);
    return {c, c / a2, a * a * a / (r * a2 * a2)};
  }
  // R parallel with C, as a series R' and C at w0: R' = R / (1 + a^2) = t R,
  // reactance X = -a R / (1 + a^2), an elastance w0 a R / (1 + a^2);
  // w0 dX/dw = -a R (1 - a^2) / (1 + a^2)^2.
  const double a = std::sqrt((1.0 - t) / t), a2 = 1.0 + a * a;
  return {a / (w0 * r), w0 * a * r / a2, a * a * a * r / (a2 * a2)};
}

// The t of end_coupling for an end resonator whose slope would be `free`
// (b, or x) without the deficit: the loaded slope, free less the deficit at
// t, must give the external Q qe through termination r. For a shunt
// resonator qe t / r + t^1.5 (1 - t)^0.5 / r = free, for a series one
// qe r t + r (1 - t)^1.5 t^0.5 = free; the left side rises from 0 over
// (0, 1) (for qe above 1.3), solved by bisection. 1 when it stays below.
double end_loading(bool shunt_resonator, double free, double qe, double r) {
  const auto loaded = [&](double t) {
    return shunt_resonator ? (qe * t + std::pow(t, 1.5) * std::sqrt(1.0 - t)) / r
                           : r * (qe * t + std::pow(1.0 - t, 1.5) * std::sqrt(t));
  };
  if (!(loaded(1.0) > free)) return 1.0;
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < 200 && hi - lo > 1e-17; ++i) {
    const double mid = 0.5 * (lo + hi);
    (loaded(mid) < free ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

class Builder {
 public:
  explicit Builder(CoupledDesign& d) : d_(d) {}

  void add(Placement placement, BranchKind kind, double l_h, double c_f, const std::string& l_role,
           const std::string& c_role) {
    Branch b{placement, kind, {l_h * kNano, 0.0}, {c_f * kPico, 0.0}};
    d_.ladder.branches.push_back(b);
    const int k = static_cast<int>(d_.ladder.branches.size());
    const std::string pos = std::to_string(k);
    if (!l_role.empty()) d_.elements.push_back({"L" + pos, k, true, b.l[0], l_role});
    if (!c_role.empty()) d_.elements.push_back({"C" + pos, k, false, b.c[0], c_role});
  }
  void resonator(Placement placement, double l_h, double c_f, int i) {
    d_.resonators.push_back(static_cast<int>(d_.ladder.branches.size()) + 1);
    const std::string name = "resonator " + std::to_string(i);
    add(placement, placement == Placement::Shunt ? BranchKind::ParallelLC : BranchKind::SeriesLC,
        l_h, c_f, name + " inductor", name + " tuning");
  }

 private:
  CoupledDesign& d_;
};

std::string coupling_role(int i) {
  return "coupling " + std::to_string(i) + "-" + std::to_string(i + 1);
}

// The design of plan p with every resonator inductor l (H); `coupled_ends`
// puts a coupling capacitor between each termination and its resonator.
CoupledDesign build(const Plan& p, CoupledTopology topology, double l, bool coupled_ends) {
  CoupledDesign d;
  const int n = static_cast<int>(p.slope.size());
  const double w0 = p.w0;
  const bool shunt = top(topology);
  d.source_ohms = p.rs;
  d.load_ohms = coupled_ends ? p.rl : 0.0;
  // Resonator immittance slopes, b (S) of the shunt ones and x (ohms) of the
  // series ones, loaded by the ends; the end couplings from those slopes.
  const std::size_t last = static_cast<std::size_t>(n - 1);
  std::vector<double> deficit(static_cast<std::size_t>(n), 0.0), slope;
  EndCoupling ends[2];
  for (int it = 0;; ++it) {
    if (topology == CoupledTopology::TopL) {
      slope = inductive_slopes(p.kc, 1.0 / (w0 * l), deficit);
    } else {
      slope.assign(static_cast<std::size_t>(n), shunt ? 1.0 / (w0 * l) : w0 * l);
      for (int i = 0; i < n; ++i) slope[i] -= deficit[i];
    }
    if (!coupled_ends) {
      d.load_ohms = shunt ? p.qen / slope[last] : slope[last] / p.qen;
      break;
    }
    const double qe[2] = {p.qe1, p.qen}, rt[2] = {d.source_ohms, d.load_ohms};
    const std::size_t at[2] = {0, last};
    double change = 0.0;
    for (int e = 0; e < 2; ++e) {
      const double free = slope[at[e]] + deficit[at[e]];
      ends[e] = end_coupling(shunt, end_loading(shunt, free, qe[e], rt[e]), rt[e], w0);
      change = std::max(change, std::abs(ends[e].deficit - deficit[at[e]]) / free);
      deficit[at[e]] = ends[e].deficit;
    }
    if (!(change > 1e-16) || it == 100) break;
  }
  // Coupling elements between resonators i and i+1 (0-based i).
  std::vector<double> coupling(static_cast<std::size_t>(n - 1));
  for (int i = 0; i + 1 < n; ++i) {
    const double inverter = p.kc[i] * std::sqrt(slope[i] * slope[i + 1]);  // J (S) or K (ohms)
    switch (topology) {
      case CoupledTopology::TopC:
        coupling[i] = inverter / w0;
        break;  // J = w0 Cc
      case CoupledTopology::TopL:
        coupling[i] = 1.0 / (w0 * inverter);
        break;  // J = 1 / (w0 Lc)
      case CoupledTopology::ShuntC:
        coupling[i] = 1.0 / (w0 * inverter);
        break;  // K = 1 / (w0 Cc)
    }
  }
  // Tuning capacitors.
  std::vector<double> tuning(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double end_share = (i == 0 ? ends[0].share : 0.0) + (i == n - 1 ? ends[1].share : 0.0);
    switch (topology) {
      case CoupledTopology::TopC: {
        double c = 1.0 / (w0 * w0 * l) - end_share;
        if (i > 0) c -= coupling[i - 1];
        if (i + 1 < n) c -= coupling[i];
        tuning[i] = c;
        break;
      }
      case CoupledTopology::TopL:
        tuning[i] = (slope[i] + deficit[i]) / w0 - end_share;
        break;
      case CoupledTopology::ShuntC: {
        double s = w0 * w0 * l - end_share;
        if (i > 0) s -= 1.0 / coupling[i - 1];
        if (i + 1 < n) s -= 1.0 / coupling[i];
        tuning[i] = 1.0 / s;
        if (s <= 0.0) tuning[i] = -1.0;
        break;
      }
    }
  }
  // The ladder from the source.
  Builder b(d);
  const Placement res = shunt ? Placement::Shunt : Placement::Series;
  const Placement cpl = shunt ? Placement::Series : Placement::Shunt;
  if (coupled_ends) b.add(cpl, BranchKind::Capacitor, 0.0, ends[0].c, "", "source coupling");
  for (int i = 0; i < n; ++i) {
    b.resonator(res, l, tuning[i], i + 1);
    if (i + 1 == n) break;
    if (topology == CoupledTopology::TopL) {
      b.add(cpl, BranchKind::Inductor, coupling[i], 0.0, coupling_role(i + 1), "");
    } else {
      b.add(cpl, BranchKind::Capacitor, 0.0, coupling[i], "", coupling_role(i + 1));
    }
  }
  if (coupled_ends) b.add(cpl, BranchKind::Capacitor, 0.0, ends[1].c, "", "load coupling");

  d.g = p.g;
  d.q_source = p.g[0] * p.g[1];
  d.q_load = p.g[static_cast<std::size_t>(n)] * p.g[static_cast<std::size_t>(n + 1)];
  for (double k : p.kc) d.k.push_back(k / p.w);
  d.centre_mhz = w0 / (2.0 * pi * kHertzPerMHz);
  d.fractional_bandwidth = p.w;
  d.resonator_l_nh = l * kNano;
  return d;
}

// The closed-form range (henries) without the slope deficits of the end
// couplings (which vanish at one limit: where t -> 1).
InductanceRange estimated_range(const Plan& p, CoupledTopology topology) {
  double lo = 0.0, hi = std::numeric_limits<double>::infinity();
  const std::size_t n = p.slope.size();
  const double qe[2] = {p.qe1, p.qen}, rt[2] = {p.rs, p.rl},
               sl[2] = {p.slope.front(), p.slope.back()};
  for (int e = 0; e < 2; ++e) {
    // With t(L) as in end_coupling: the coupling is finite for t < 1 and
    // leaves the end resonator a positive C for sqrt((1 - t) / t) < Qe rho.
    const double m = qe[e] * p.rho[static_cast<std::size_t>(e)];
    const double spread = m > 0.0 ? 1.0 + m * m : 1.0;
    if (top(topology)) {
      const double ref = rt[e] * sl[e] / (p.w0 * qe[e]);  // t = ref / L
      lo = std::max(lo, ref);
      hi = std::min(hi, m > 0.0 ? ref * spread : ref);
    } else {
      const double ref = qe[e] * rt[e] / p.w0;  // t = L / ref
      lo = std::max(lo, m > 0.0 ? ref / spread : ref);
      hi = std::min(hi, ref);
    }
  }
  if (topology != CoupledTopology::TopL) {
    for (std::size_t i = 1; i + 1 < n; ++i) {
      if (p.kc[i - 1] + p.kc[i] >= 1.0) hi = lo;
    }
  }
  return {lo, hi};
}

bool all_positive(const CoupledDesign& d) {
  return std::all_of(d.elements.begin(), d.elements.end(),
                     [](const CoupledElement& e) { return finite_positive(e.value); });
}

// The range (nH): from a point inside the estimate, each limit where the
// design's elements stop being positive (bisection on log L).
InductanceRange range_of(const Plan& p, CoupledTopology topology) {
  const InductanceRange e = estimated_range(p, topology);
  const auto ok = [&](double l) { return all_positive(build(p, topology, l, true)); };
  const double inside = std::sqrt(e.min_nh * e.max_nh);
  if (!(e.min_nh < e.max_nh) || !ok(inside)) return {e.min_nh * kNano, e.min_nh * kNano};
  double limit[2];
  for (int side = 0; side < 2; ++side) {
    const double step = side == 0 ? 0.5 : 2.0;
    double in = inside, out = side == 0 ? e.min_nh : e.max_nh;
    for (int i = 0; i < 60 && ok(out); ++i) out *= step;
    for (int i = 0; i < 200 && std::abs(out / in - 1.0) > 1e-14; ++i) {
      const double mid = std::sqrt(in * out);
      (ok(mid) ? in : out) = mid;
    }
    limit[side] = in * kNano;
  }
  return {limit[0], limit[1]};
}

}  // namespace

std::optional<CoupledTopology> coupled_topology(std::string_view name) {
  if (name == "top-c") return CoupledTopology::TopC;
  if (name == "top-l") return CoupledTopology::TopL;
  if (name == "shunt-c") return CoupledTopology::ShuntC;
  return std::nullopt;
}

std::string_view coupled_topology_name(CoupledTopology topology) {
  switch (topology) {
    case CoupledTopology::TopC:
      return "top-c";
    case CoupledTopology::TopL:
      return "top-l";
    case CoupledTopology::ShuntC:
      return "shunt-c";
  }
  return "";
}

InductanceRange coupled_resonator_l_range(const CoupledRequest& request) {
  return range_of(plan(request), request.topology);
}

CoupledDesign design_coupled(const CoupledRequest& request) {
  const Plan p = plan(request);
  const CoupledTopology t = request.topology;
  const bool coupled_ends = request.resonator_l_nh.has_value();
  double l = 0.0;
  if (coupled_ends) {
    l = *request.resonator_l_nh / kNano;
  } else {
    // The source end's external Q from the source itself.
    l = top(t) ? p.rs * p.slope.front() / (p.w0 * p.qe1) : p.qe1 * p.rs / p.w0;
  }
  CoupledDesign d = build(p, t, l, coupled_ends);
  for (const CoupledElement& e : d.elements) {
    if (finite_positive(e.value)) continue;
    const InductanceRange r = range_of(p, t);
    std::string works = r.min_nh < r.max_nh ? "resonator L from " + number(r.min_nh) + " nH to " +
                                                  number(r.max_nh) + " nH works"
                                            : "no resonator L works at this bandwidth";
    throw std::invalid_argument("coupled resonators (" + std::string(coupled_topology_name(t)) +
                                "): resonator L " + number(l * kNano) + " nH leaves " + e.name +
                                " (" + e.role + ") without a positive value; " + works);
  }
  return d;
}

Ladder align_coupled(const Ladder& ladder, CoupledTopology topology, double f0_mhz,
                     double source_ohms, double load_ohms) {
  if (!finite_positive(f0_mhz) || !finite_positive(source_ohms) || !finite_positive(load_ohms)) {
    throw std::invalid_argument("alignment: f0 and the terminations must be above 0");
  }
  const bool shunt = top(topology);
  const Placement res = shunt ? Placement::Shunt : Placement::Series;
  const BranchKind kind = shunt ? BranchKind::ParallelLC : BranchKind::SeriesLC;
  const auto& br = ladder.branches;
  const int count = static_cast<int>(br.size());
  // Resonators alternate with single coupling branches.
  std::vector<int> at;  // 0-based positions of the resonators
  for (int k = 0; k < count; ++k) {
    if (k > 0 && br[k].placement == br[k - 1].placement) {
      throw std::invalid_argument("alignment: the branches of " +
                                  std::string(coupled_topology_name(topology)) +
                                  " alternate between shunt and series");
    }
    if (br[k].placement != res) continue;
    if (br[k].kind != kind) {
      throw std::invalid_argument("alignment: the resonator at position " + std::to_string(k + 1) +
                                  (shunt ? " is not L || C" : " is not L + C"));
    }
    at.push_back(k);
  }
  if (at.empty()) throw std::invalid_argument("alignment: the ladder has no resonator");
  const double w0 = 2.0 * pi * f0_mhz * kHertzPerMHz;
  const std::complex<double> j(0.0, 1.0);
  Ladder out = ladder;
  for (std::size_t i = 0; i < at.size(); ++i) {
    const int k = at[i];
    const Branch& b = br[static_cast<std::size_t>(k)];
    const double l = b.l[0] / kNano;
    // The immittance of everything but the tuning C: admittance at the node
    // (top-c, top-l) or impedance of the mesh (shunt-c).
    std::complex<double> rest = shunt ? 1.0 / (j * w0 * l) : j * w0 * l;
    for (const int side : {-1, 1}) {
      const int nb = k + side;
      const bool end = side < 0 ? i == 0 : i + 1 == at.size();
      const double r = side < 0 ? source_ohms : load_ohms;
      const bool has = nb >= 0 && nb < count;
      const std::complex<double> z =
          has ? branch_impedance(br[static_cast<std::size_t>(nb)], f0_mhz)
              : std::complex<double>(0.0, 0.0);
      if (!end) {
        rest += shunt ? 1.0 / z : z;  // the neighbour's node grounded / mesh opened
      } else if (shunt) {
        rest += 1.0 / (r + z);  // the termination through its series coupling
      } else {
        rest += has ? r * z / (r + z) : std::complex<double>(r, 0.0);
      }
    }
    const double c = shunt ? -rest.imag() / w0 : 1.0 / (w0 * rest.imag());
    if (!finite_positive(c)) {
      throw std::invalid_argument("alignment: no positive C resonates the resonator at position " +
                                  std::to_string(k + 1));
    }
    out.branches[static_cast<std::size_t>(k)].c[0] = c * kPico;
  }
  return out;
}

}  // namespace varnholt

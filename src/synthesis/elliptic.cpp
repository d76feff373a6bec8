#include "synthesis/elliptic.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>

#include "ladder/network.h"
#include "synthesis/elliptic_functions.h"

namespace varnholt {
namespace {

using Cx = std::complex<double>;
using std::numbers::pi;

// 10^(db/10) - 1 without losing small ripples to cancellation.
double power_ratio(double db) {
  return std::expm1(db * std::numbers::ln10 / 10.0);
}

bool finite_positive(double x) {
  return std::isfinite(x) && x > 0.0;
}

// 0 < Am < As <= 300 dB; far beyond 300 dB the stopband factor overflows.
bool valid_attenuations(double am_db, double as_db) {
  return finite_positive(am_db) && as_db > am_db && as_db <= kMaxStopbandDb;
}

// The even-order remapping: w_a^2 = A w^2 / (1 + B w^2) takes 0 to 0, 1 to 1
// and infinity to the highest zero zm of the classical response, so the
// classical ripple and stopband appear unchanged, only moved along the axis.
struct Remap {
  double a, b;
  double frequency(double wa) const { return std::sqrt(wa * wa / (a - b * wa * wa)); }
  Cx pole(Cx pa) const {
    const Cx p = std::sqrt(pa * pa / (a + b * pa * pa));
    return p.real() > 0.0 ? -p : p;
  }
};

}  // namespace

// p.zeros ascending.
void move_highest_zero_to_infinity(EllipticPrototype& p) {
  const double zm = p.zeros.back();
  const double b = 1.0 / ((zm - 1.0) * (zm + 1.0));
  const Remap remap{zm * zm * b, b};
  p.zeros.pop_back();
  for (double& z : p.zeros) z = remap.frequency(z);
  for (double& r : p.reflection_zeros) r = remap.frequency(r);
  for (Cx& pole : p.poles) pole = remap.pole(pole);
  p.ws = remap.frequency(p.ws);
  p.modified = true;
}

namespace {

// |P(jw)| and |F(jw)| / h of the prototype.
double transmission_product(const EllipticPrototype& p, double w) {
  double v = 1.0;
  for (double z : p.zeros) v *= std::fabs((z - w) * (z + w));
  return v;
}

double reflection_product(const EllipticPrototype& p, double w) {
  double v = p.order % 2 == 1 ? std::fabs(w) : 1.0;
  for (double r : p.reflection_zeros) v *= std::fabs((r - w) * (r + w));
  return v;
}

const char* name(const EllipticPrototype& p) {
  return p.response == Response::InverseChebyshev ? "inverse Chebyshev" : "elliptic";
}

// --- Realisation -----------------------------------------------------------

// The extraction runs in long double: each step subtracts from the
// admittance left by the last, and the rounding grows along the ladder.
using Real = long double;
using Cl = std::complex<Real>;

// A function value with its derivative with respect to s.
struct Slope {
  Cl v, d;
};

// The input admittance Y = (E + F) / (E - F) of the prototype loaded by its
// ladder, evaluated from the poles and zeros (never from expanded
// polynomials, whose coefficients lose the zeros at high orders).
Slope input_admittance(const EllipticPrototype& p, Cl s) {
  Cl e = p.gain, de_over_e = 0.0;
  for (const Cx& pole : p.poles) {
    e *= s - Cl(pole);
    de_over_e += 1.0L / (s - Cl(pole));
  }
  Cl product = p.gain, sum = 0.0;
  for (const Real r : p.reflection_zeros) {
    product *= s * s + r * r;
    sum += 2.0L * s / (s * s + r * r);
  }
  const bool odd = p.order % 2 == 1;
  const Cl f = odd ? s * product : product;
  const Cl df = odd ? product * (1.0L + s * sum) : product * sum;
  const Cl de = e * de_over_e;
  const Cl den = e - f;
  return {(e + f) / den, ((de + df) * den - (e + f) * (de - df)) / (den * den)};
}

// One extracted step: a shunt capacitor that moves a zero of the admittance
// to j wz, then the series tank that resonates there.
struct Section {
  Real c, tank_l, tank_c, wz;
};

Slope reciprocal(Slope x) {
  return {1.0L / x.v, -x.d / (x.v * x.v)};
}

// The admittance left after the sections, at s.
Slope remainder(const EllipticPrototype& p, const std::vector<Section>& done, Cl s) {
  Slope y = input_admittance(p, s);
  for (const Section& sec : done) {
    y.v -= s * sec.c;
    y.d -= sec.c;
    Slope z = reciprocal(y);
    // Tank impedance s L / (1 + s^2 L C) and its slope.
    const Cl den = 1.0L + s * s * sec.tank_l * sec.tank_c;
    z.v -= s * sec.tank_l / den;
    z.d -= sec.tank_l * (1.0L - s * s * sec.tank_l * sec.tank_c) / (den * den);
    y = reciprocal(z);
  }
  return y;
}

// Extracts the section for zero wz after `done`; false when an element
// would not be positive.
bool extract(const EllipticPrototype& p, const std::vector<Section>& done, Real wz,
             Section& out) {
  const Slope y = remainder(p, done, Cl(0.0, wz));
  const Real c = y.v.imag() / wz;
  // Y - s c has a simple zero at j wz with slope D; the tank's impedance
  // there is 1 / (2 C (s - j wz)), hence C = D / 2.
  const Real tank_c = (y.d.real() - c) / 2.0L;
  if (!(c > 0.0L) || !(tank_c > 0.0L)) return false;
  out = {c, 1.0L / (wz * wz * tank_c), tank_c, wz};
  return true;
}

// The elements after the last section: a shunt capacitor and the load
// (odd orders), or a shunt capacitor, a series inductor and the load.
struct Ending {
  Real c = 0.0, l = 0.0, load = 0.0;
  bool positive() const { return c > 0.0 && load > 0.0 && l >= 0.0; }
};

Ending ending(const EllipticPrototype& p, const std::vector<Section>& done) {
  const Slope y1 = remainder(p, done, Cl(0.0, 1.0));
  Ending e;
  if (p.order % 2 == 1) {  // Y = s C + 1 / R
    e.c = y1.v.imag();
    e.load = 1.0L / y1.v.real();
    return e;
  }
  // Y = s C + 1 / (s L + R): R from direct current, L from the real part at
  // w = 1, where R^2 + L^2 = R / Re Y.
  e.load = 1.0L / remainder(p, done, Cl(0.0, 0.0)).v.real();
  const Real l2 = e.load / y1.v.real() - e.load * e.load;
  if (!(l2 > 0.0)) return {};
  e.l = std::sqrt(l2);
  e.c = (y1.v - 1.0L / Cl(e.load, e.l)).imag();
  return e;
}

Real spread(const std::vector<Section>& sections, const Ending& e) {
  Real lo = e.c, hi = e.c;
  const auto take = [&](Real v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  };
  for (const Section& s : sections) {
    take(s.c);
    take(s.tank_l);
    take(s.tank_c);
  }
  if (e.l > 0.0) take(e.l);
  return hi / lo;
}

// Depth-first over the orders of extraction, pruning at the first element
// that is not positive; at most 7! leaves, each a few hundred operations.
struct Search {
  const EllipticPrototype& p;
  std::vector<Section> path, best;
  Ending best_end;
  Real best_spread = std::numeric_limits<Real>::infinity();

  void run(std::vector<Real> rest) {
    if (rest.empty()) {
      const Ending e = ending(p, path);
      // Near-ties (a ladder and its mirror image) keep the first found.
      if (!e.positive() || spread(path, e) >= best_spread * (1.0L - 1e-9L)) return;
      best_spread = spread(path, e);
      best = path;
      best_end = e;
      return;
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
      Section s{};
      if (!extract(p, path, rest[i], s)) continue;
      std::vector<Real> others = rest;
      others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
      path.push_back(s);
      run(std::move(others));
      path.pop_back();
    }
  }
};

// --- Scaling and the four filter types ---------------------------------------

// What one normalised element becomes after the frequency transformation.
struct Pair {
  bool has_l = false, has_c = false;
  Join join = Join::Series;
  double l = 0.0, c = 0.0;  // nH, pF
};

struct Scale {
  FilterType type;
  double z;       // ohms
  double w;       // rad/s: cut-off, or the band centre
  double band;    // rad/s: bandwidth of band filters

  Pair from_inductor(double g) const {
    switch (type) {
      case FilterType::HighPass: return {false, true, Join::Series, 0.0, 1e12 / (g * z * w)};
      case FilterType::BandPass:
        return {true, true, Join::Series, 1e9 * g * z / band, 1e12 * band / (g * z * w * w)};
      case FilterType::BandStop:
        return {true, true, Join::Parallel, 1e9 * g * z * band / (w * w), 1e12 / (g * z * band)};
      default: return {true, false, Join::Series, 1e9 * g * z / w, 0.0};
    }
  }
  Pair from_capacitor(double g) const {
    switch (type) {
      case FilterType::HighPass: return {true, false, Join::Series, 1e9 * z / (g * w), 0.0};
      case FilterType::BandPass:
        return {true, true, Join::Parallel, 1e9 * z * band / (g * w * w), 1e12 * g / (z * band)};
      case FilterType::BandStop:
        return {true, true, Join::Series, 1e9 * z / (g * band), 1e12 * g * band / (z * w * w)};
      default: return {false, true, Join::Series, 0.0, 1e12 * g / (z * w)};
    }
  }
};

Branch single(Placement at, const Pair& p) {
  Branch b;
  b.placement = at;
  b.l[0] = p.l;
  b.c[0] = p.c;
  if (p.has_l && p.has_c) {
    b.kind = p.join == Join::Series ? BranchKind::SeriesLC : BranchKind::ParallelLC;
  } else {
    b.kind = p.has_l ? BranchKind::Inductor : BranchKind::Capacitor;
  }
  return b;
}

// Two transformed elements joined in series or parallel. Two single elements
// make one pair; two pairs (band filters) are a tank and a series circuit.
Branch joined(Placement at, Join join, const Pair& x, const Pair& y) {
  Branch b;
  b.placement = at;
  if (!(x.has_l && x.has_c)) {
    const Pair& l = x.has_l ? x : y;
    const Pair& c = x.has_l ? y : x;
    b.kind = join == Join::Series ? BranchKind::SeriesLC : BranchKind::ParallelLC;
    b.l[0] = l.l;
    b.c[0] = c.c;
    return b;
  }
  const Pair& tank = x.join == Join::Parallel ? x : y;
  const Pair& series = x.join == Join::Parallel ? y : x;
  // (L1 || C1) || (L2 + C2), or (L1 + C1) + (L2 || C2).
  const bool parallel = join == Join::Parallel;
  b.kind = parallel ? BranchKind::TankAndSeriesLC : BranchKind::SeriesLCAndTank;
  const Pair& first = parallel ? tank : series;
  const Pair& second = parallel ? series : tank;
  b.l = {first.l, second.l};
  b.c = {first.c, second.c};
  return b;
}

Branch scaled(const Branch& n, const Scale& scale) {
  switch (n.kind) {
    case BranchKind::Inductor: return single(n.placement, scale.from_inductor(n.l[0]));
    case BranchKind::Capacitor: return single(n.placement, scale.from_capacitor(n.c[0]));
    case BranchKind::ParallelLC:
      return joined(n.placement, Join::Parallel, scale.from_inductor(n.l[0]),
                    scale.from_capacitor(n.c[0]));
    default:
      return joined(n.placement, Join::Series, scale.from_inductor(n.l[0]),
                    scale.from_capacitor(n.c[0]));
  }
}

// The dual of a normalised ladder: series and shunt exchanged, L and C
// exchanged with the same values, the load resistance inverted.
NormalisedLadder dual(NormalisedLadder n) {
  for (Branch& b : n.ladder.branches) {
    b.placement = b.placement == Placement::Shunt ? Placement::Series : Placement::Shunt;
    std::swap(b.l, b.c);
    switch (b.kind) {
      case BranchKind::Inductor: b.kind = BranchKind::Capacitor; break;
      case BranchKind::Capacitor: b.kind = BranchKind::Inductor; break;
      case BranchKind::ParallelLC: b.kind = BranchKind::SeriesLC; break;
      default: b.kind = BranchKind::ParallelLC; break;
    }
  }
  n.load_ohms = 1.0 / n.load_ohms;
  return n;
}

// Frequencies (MHz) of the real filter where the prototype has w (rad/s).
std::vector<double> real_frequencies(const EllipticRequest& r, double w) {
  const double f0 = std::sqrt(r.fl_mhz * r.fh_mhz);
  const double bw = r.fh_mhz - r.fl_mhz;
  const auto pair = [&](double half) {
    const double root = std::sqrt(half * half + f0 * f0);
    return std::vector<double>{root - half, root + half};
  };
  switch (r.type) {
    case FilterType::HighPass: return {r.fc_mhz / w};
    case FilterType::BandPass: return pair(w * bw / 2.0);
    case FilterType::BandStop: return pair(bw / (2.0 * w));
    default: return {r.fc_mhz * w};
  }
}

// The realised ladder's loss against the prototype's at frequencies over
// the passband and the stopband: the guard against rounding in the
// extraction, which grows with the order and with As. Within 0.001 dB in
// the passband and 0.01 dB in the stopband (short of the loss peaks).
void check_realisation(const EllipticDesign& d) {
  const EllipticPrototype& p = d.prototype;
  const double top = 4.0 * (p.zeros.empty() ? p.ws : p.zeros.back());
  for (int i = 0; i <= 300; ++i) {
    const bool pass = i <= 200;
    const double w = pass ? std::max(1e-3, std::sin(pi / 2.0 * i / 200.0))
                          : p.ws * std::pow(top / p.ws, (i - 201) / 99.0);
    const double expected = prototype_loss_db(p, w);
    if (!pass && expected > p.as_db + 40.0) continue;
    for (double f : real_frequencies(d.request, w)) {
      const Transfer t = transfer(chain_matrix(d.ladder(), f), d.source_ohms, d.load_ohms);
      const double loss = -20.0 * std::log10(std::abs(t.s21));
      if (!(std::fabs(loss - expected) <= (pass ? 1e-3 : 1e-2))) {
        throw std::runtime_error(std::string(name(p)) + ": order " + std::to_string(p.order) +
                                 " at these Am and As is beyond the precision of the "
                                 "extraction; lower the order or As");
      }
    }
  }
}

}  // namespace

double normalised_skirt(const EllipticRequest& r) {
  const double f0 = std::sqrt(r.fl_mhz * r.fh_mhz);
  const double band = std::fabs(r.f1_mhz / f0 - f0 / r.f1_mhz) * f0 / (r.fh_mhz - r.fl_mhz);
  switch (r.type) {
    case FilterType::HighPass: return r.fc_mhz / r.f1_mhz;
    case FilterType::BandPass: return band;
    case FilterType::BandStop: return 1.0 / band;
    default: return r.f1_mhz / r.fc_mhz;
  }
}

void check_request(const EllipticRequest& r) {
  if (!valid_attenuations(r.am_db, r.as_db)) {
    throw std::invalid_argument(
        "elliptic: the passband ripple must be above 0 dB and below the stopband attenuation, "
        "and that at most 300 dB");
  }
  if (!finite_positive(r.zo)) throw std::invalid_argument("elliptic: Zo must be above 0 ohms");
  const bool band = r.type == FilterType::BandPass || r.type == FilterType::BandStop;
  if (band ? !(finite_positive(r.fl_mhz) && std::isfinite(r.fh_mhz) && r.fh_mhz > r.fl_mhz)
           : !finite_positive(r.fc_mhz)) {
    throw std::invalid_argument(band ? "elliptic: the band edges need 0 < FL < FH"
                                     : "elliptic: the cut-off FC1 must be above 0 MHz");
  }
  if (r.order == 0) {
    if (!finite_positive(r.f1_mhz) || !(normalised_skirt(r) > 1.0)) {
      throw std::invalid_argument("elliptic: the skirt frequency F1 must lie in the stopband");
    }
  } else if (r.order < kMinEllipticOrder || r.order > kMaxEllipticOrder) {
    throw std::invalid_argument("elliptic: the number of sections must be 2 to 15");
  }
}

EllipticPrototype elliptic_prototype(int order, double am_db, double as_db) {
  if (order < kMinEllipticOrder || order > kMaxEllipticOrder ||
      !valid_attenuations(am_db, as_db)) {
    throw std::invalid_argument("elliptic prototype: needs order 2..15 and 0 < Am < As <= 300");
  }
  EllipticPrototype p;
  p.order = order;
  p.am_db = am_db;
  p.as_db = as_db;
  p.epsilon = std::sqrt(power_ratio(am_db));
  const double k1 = p.epsilon / std::sqrt(power_ratio(as_db));
  const Modulus m1{k1, std::sqrt((1.0 - k1) * (1.0 + k1))};
  const Modulus m = degree_modulus(order, m1);
  p.ws = 1.0 / m.k;
  // Zeros of the characteristic function at cd(u_i K), poles of the
  // transmission at 1 / (k cd(u_i K)), u_i = (2i - 1) / n; the poles of the
  // transfer function at j cd((u_i - j v0) K) and, for odd n, j sn(j v0 K).
  const double v0 = arc_sn_imaginary(1.0 / p.epsilon, m1) / order;
  for (int i = 1; i <= order / 2; ++i) {
    const double u = (2.0 * i - 1.0) / order;
    const double zeta = cd_normalised(u, m).real();
    p.reflection_zeros.push_back(zeta);
    p.zeros.push_back(1.0 / (m.k * zeta));
    const Cx pole = Cx(0.0, 1.0) * cd_normalised(Cx(u, -v0), m);
    p.poles.push_back({-std::fabs(pole.real()), pole.imag()});
    p.poles.push_back({-std::fabs(pole.real()), -pole.imag()});
  }
  // cd falls over 0 < u < 1: the zeros come out ascending.
  if (order % 2 == 1) {
    const Cx pole = Cx(0.0, 1.0) * cd_normalised(Cx(1.0, -v0), m);
    p.poles.push_back({-std::fabs(pole.real()), 0.0});
  } else {
    move_highest_zero_to_infinity(p);
  }
  // |F / P| = epsilon at the passband edge.
  p.gain = p.epsilon * transmission_product(p, 1.0) / reflection_product(p, 1.0);
  return p;
}

double prototype_loss_db(const EllipticPrototype& p, double w) {
  const double k = p.gain * reflection_product(p, w) / transmission_product(p, w);
  return 10.0 * std::log10(1.0 + k * k);
}

int elliptic_order(double am_db, double as_db, double ws) {
  const double k1 = std::sqrt(power_ratio(am_db) / power_ratio(as_db));
  const double k = 1.0 / ws;
  const double exact = degree_order({k, std::sqrt((1.0 - k) * (1.0 + k))},
                                    {k1, std::sqrt((1.0 - k1) * (1.0 + k1))});
  if (!(exact <= kMaxEllipticOrder)) return 0;  // also ws <= 1 (NaN)
  // Even orders reach a little less far than the degree equation says, so the
  // candidate is checked and the next one tried.
  const int first = std::max(kMinEllipticOrder, static_cast<int>(std::ceil(exact - 1e-9)));
  for (int n = first; n <= kMaxEllipticOrder; ++n) {
    if (elliptic_prototype(n, am_db, as_db).ws <= ws * (1.0 + 1e-12)) return n;
  }
  return 0;
}

NormalisedLadder realise_prototype(const EllipticPrototype& p) {
  Search search{p, {}, {}, {}};
  search.run(std::vector<Real>(p.zeros.begin(), p.zeros.end()));
  if (!std::isfinite(search.best_spread)) {
    throw std::runtime_error(std::string(name(p)) +
                             ": no ladder with positive elements realises order " +
                             std::to_string(p.order) + " at these Am and As; raise As or " +
                             "lower the order");
  }
  NormalisedLadder out;
  const auto add = [&](Placement at, BranchKind kind, Real l, Real c, Real wz) {
    Branch b;
    b.placement = at;
    b.kind = kind;
    b.l[0] = static_cast<double>(l);
    b.c[0] = static_cast<double>(c);
    out.ladder.branches.push_back(b);
    out.zero.push_back(static_cast<double>(wz));
  };
  for (const Section& s : search.best) {
    add(Placement::Shunt, BranchKind::Capacitor, 0.0, s.c, 0.0);
    add(Placement::Series, BranchKind::ParallelLC, s.tank_l, s.tank_c, s.wz);
  }
  add(Placement::Shunt, BranchKind::Capacitor, 0.0, search.best_end.c, 0.0);
  if (p.order % 2 == 0) add(Placement::Series, BranchKind::Inductor, search.best_end.l, 0.0, 0.0);
  out.load_ohms = static_cast<double>(search.best_end.load);
  return out;
}

Ladder EllipticDesign::ladder() const {
  Ladder out;
  for (const EllipticBranch& b : branches) out.branches.push_back(b.branch);
  return out;
}

EllipticDesign design_elliptic(const EllipticRequest& request) {
  check_request(request);
  EllipticDesign d;
  d.request = request;
  d.order = request.order;
  if (d.order == 0) {
    d.order = elliptic_order(request.am_db, request.as_db, normalised_skirt(request));
    if (d.order == 0) {
      throw std::invalid_argument("elliptic: more than 15 sections would be needed at F1");
    }
  }
  return design_from_prototype(request,
                               elliptic_prototype(d.order, request.am_db, request.as_db));
}

EllipticDesign design_from_prototype(const EllipticRequest& request,
                                     const EllipticPrototype& prototype) {
  EllipticDesign d;
  d.request = request;
  d.order = prototype.order;
  d.prototype = prototype;
  NormalisedLadder n = realise_prototype(d.prototype);
  if (request.configuration == Configuration::Dual) n = dual(std::move(n));
  const bool band = request.type == FilterType::BandPass || request.type == FilterType::BandStop;
  const double w = 2e6 * pi *
                   (band ? std::sqrt(request.fl_mhz * request.fh_mhz) : request.fc_mhz);
  const Scale scale{request.type, request.zo, w, 2e6 * pi * (request.fh_mhz - request.fl_mhz)};
  for (std::size_t i = 0; i < n.ladder.branches.size(); ++i) {
    const Branch& g = n.ladder.branches[i];
    EllipticBranch b{scaled(g, scale), {}, g, n.zero[i]};
    if (n.zero[i] > 0.0) b.zeros_mhz = real_frequencies(request, n.zero[i]);
    d.branches.push_back(std::move(b));
  }
  d.source_ohms = request.zo;
  d.load_ohms = request.zo * n.load_ohms;
  d.stopband_mhz = real_frequencies(request, d.prototype.ws);
  check_realisation(d);
  return d;
}

}  // namespace varnholt

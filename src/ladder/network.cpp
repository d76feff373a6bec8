#include "ladder/network.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace varnholt {
namespace {

constexpr Complex kJ{0.0, 1.0};

// An impedance or an admittance with its derivative by omega.
struct Immittance {
  Complex v;
  Complex dv;
};

Immittance inverse(const Immittance& x) { return {1.0 / x.v, -x.dv / (x.v * x.v)}; }
Immittance sum(const Immittance& a, const Immittance& b) { return {a.v + b.v, a.dv + b.dv}; }

double omega(double f_mhz) { return 2.0 * std::numbers::pi * f_mhz * 1e6; }

// Series loss resistance x / Q of an element of reactance magnitude x, and its
// slope dx / Q by omega; fixed (no slope) when the Q holds at one frequency.
Immittance loss(double x, double dx, double q, double q_at_mhz) {
  if (!std::isfinite(q) || q <= 0.0) return {};
  if (q_at_mhz > 0.0) return {Complex{x / q, 0.0}, {}};
  return {Complex{x / q, 0.0}, Complex{dx / q, 0.0}};
}

Immittance inductor_z(double nh, double w, const Losses& q) {
  const double l = nh * 1e-9;
  const double wq = q.q_at_mhz > 0.0 ? omega(q.q_at_mhz) : w;
  const Immittance r = loss(wq * l, l, q.q_inductor, q.q_at_mhz);
  return {r.v + kJ * w * l, r.dv + kJ * l};
}

Immittance capacitor_z(double pf, double w, const Losses& q) {
  const double c = pf * 1e-12;
  const double wq = q.q_at_mhz > 0.0 ? omega(q.q_at_mhz) : w;
  const Immittance r = loss(1.0 / (wq * c), -1.0 / (wq * wq * c), q.q_capacitor, q.q_at_mhz);
  return {r.v + 1.0 / (kJ * w * c), r.dv + kJ / (w * w * c)};
}

// One pair as an impedance (series join) or admittance (parallel join),
// returned as an impedance when `as_impedance`.
Immittance pair_immittance(const PairShape& p, double l, double c, double w, const Losses& q,
                           bool as_impedance) {
  if (p.has_l && p.has_c && p.join == Join::Parallel) {
    const Immittance y = sum(inverse(inductor_z(l, w, q)), inverse(capacitor_z(c, w, q)));
    return as_impedance ? inverse(y) : y;
  }
  Immittance z{};
  if (p.has_l) z = sum(z, inductor_z(l, w, q));
  if (p.has_c) z = sum(z, capacitor_z(c, w, q));
  return as_impedance ? z : inverse(z);
}

// The branch as an impedance or an admittance.
Immittance branch_immittance(const Branch& b, double w, const Losses& q, bool as_impedance) {
  const BranchShape s = shape(b.kind);
  if (s.pairs == 1) return pair_immittance(s.pair[0], b.l[0], b.c[0], w, q, as_impedance);
  const bool pairs_as_z = s.between == Join::Series;
  const Immittance joined = sum(pair_immittance(s.pair[0], b.l[0], b.c[0], w, q, pairs_as_z),
                                pair_immittance(s.pair[1], b.l[1], b.c[1], w, q, pairs_as_z));
  return pairs_as_z == as_impedance ? joined : inverse(joined);
}

// Without losses every immittance is purely imaginary, j x: the lossless
// path works on the real x (and its slope) alone, several times faster.
bool lossless(const Losses& q) {
  const auto ideal = [](double v) { return !std::isfinite(v) || v <= 0.0; };
  return ideal(q.q_inductor) && ideal(q.q_capacitor);
}

struct Reactive {
  double x;
  double dx;
};

Reactive invert(const Reactive& r) {
  const double inv = 1.0 / r.x;
  return {-inv, r.dx * inv * inv};
}
Reactive add(const Reactive& a, const Reactive& b) { return {a.x + b.x, a.dx + b.dx}; }

// Reactances and susceptances at w, with inv_w = 1 / w: one division per
// element whose value is reciprocal in w (the slopes follow without another).
Reactive inductor_x(double l, double w) { return {w * l, l}; }
Reactive inductor_b(double l, double inv_w) {
  const double b = -inv_w / l;
  return {b, -b * inv_w};
}
Reactive capacitor_b(double c, double w) { return {w * c, c}; }
Reactive capacitor_x(double c, double inv_w) {
  const double x = -inv_w / c;
  return {x, -x * inv_w};
}

// A pair's reactance (series join) or susceptance (parallel join), returned
// as a reactance when `as_impedance`.
Reactive pair_reactive(const PairShape& p, double nh, double pf, double w, double inv_w,
                       bool as_impedance) {
  const double l = nh * 1e-9;
  const double c = pf * 1e-12;
  const bool both = p.has_l && p.has_c;
  if (both && p.join == Join::Parallel) {
    const Reactive b = add(capacitor_b(c, w), inductor_b(l, inv_w));
    return as_impedance ? invert(b) : b;
  }
  if (both) {
    const Reactive x = add(inductor_x(l, w), capacitor_x(c, inv_w));
    return as_impedance ? x : invert(x);
  }
  if (p.has_l) return as_impedance ? inductor_x(l, w) : inductor_b(l, inv_w);
  return as_impedance ? capacitor_x(c, inv_w) : capacitor_b(c, w);
}

Reactive branch_reactive(const Branch& b, double w, double inv_w, bool as_impedance) {
  const BranchShape s = shape(b.kind);
  if (s.pairs == 1) return pair_reactive(s.pair[0], b.l[0], b.c[0], w, inv_w, as_impedance);
  const bool pairs_as_x = s.between == Join::Series;
  const Reactive joined = add(pair_reactive(s.pair[0], b.l[0], b.c[0], w, inv_w, pairs_as_x),
                              pair_reactive(s.pair[1], b.l[1], b.c[1], w, inv_w, pairs_as_x));
  return pairs_as_x == as_impedance ? joined : invert(joined);
}

// j v times z.
Complex j_times(double v, const Complex& z) { return {-z.imag() * v, z.real() * v}; }

// The running product m (and its slope dm) times the chain matrix of a branch
// of immittance j v (slope j dv): [[1, j v], [0, 1]] in series, [[1, 0],
// [j v, 1]] in shunt. Updated in place: a series branch leaves a and c as
// they are, a shunt branch b and d.
void times_branch_j(Abcd& m, Placement placement, double v) {
  if (placement == Placement::Series) {
    m.b += j_times(v, m.a);
    m.d += j_times(v, m.c);
  } else {
    m.a += j_times(v, m.b);
    m.c += j_times(v, m.d);
  }
}

// d(m M) = dm M + m dM, before m itself is updated.
void slope_times_branch_j(Abcd& dm, const Abcd& m, Placement placement, double v, double dv) {
  if (placement == Placement::Series) {
    dm.b += j_times(v, dm.a) + j_times(dv, m.a);
    dm.d += j_times(v, dm.c) + j_times(dv, m.c);
  } else {
    dm.a += j_times(v, dm.b) + j_times(dv, m.b);
    dm.c += j_times(v, dm.d) + j_times(dv, m.d);
  }
}

// x times the chain matrix of a branch: [[1, z], [0, 1]] for a series
// impedance z, [[1, 0], [y, 1]] for a shunt admittance y.
Abcd times_branch(const Abcd& x, Placement placement, Complex v) {
  if (placement == Placement::Series) return {x.a, x.a * v + x.b, x.c, x.c * v + x.d};
  return {x.a + x.b * v, x.b, x.c + x.d * v, x.d};
}

// x times the slope of a branch's matrix: [[0, dz], [0, 0]] or [[0, 0], [dy, 0]].
Abcd times_branch_slope(const Abcd& x, Placement placement, Complex dv) {
  if (placement == Placement::Series) return {0.0, x.a * dv, 0.0, x.c * dv};
  return {x.b * dv, 0.0, x.d * dv, 0.0};
}

Abcd plus(const Abcd& x, const Abcd& y) { return {x.a + y.a, x.b + y.b, x.c + y.c, x.d + y.d}; }

}  // namespace

Complex branch_impedance(const Branch& b, double f_mhz, const Losses& losses) {
  return branch_immittance(b, omega(f_mhz), losses, true).v;
}

Abcd chain_matrix(const Ladder& ladder, double f_mhz, const Losses& losses) {
  const double w = omega(f_mhz);
  Abcd total;
  if (lossless(losses)) {
    const double inv_w = 1.0 / w;
    for (const Branch& b : ladder.branches) {
      const bool series = b.placement == Placement::Series;
      times_branch_j(total, b.placement, branch_reactive(b, w, inv_w, series).x);
    }
    return total;
  }
  for (const Branch& b : ladder.branches) {
    const bool series = b.placement == Placement::Series;
    total = times_branch(total, b.placement, branch_immittance(b, w, losses, series).v);
  }
  return total;
}

AbcdSlope chain_matrix_slope(const Ladder& ladder, double f_mhz, const Losses& losses) {
  const double w = omega(f_mhz);
  AbcdSlope total;
  total.dm = {0.0, 0.0, 0.0, 0.0};
  if (lossless(losses)) {
    const double inv_w = 1.0 / w;
    for (const Branch& b : ladder.branches) {
      const Reactive v = branch_reactive(b, w, inv_w, b.placement == Placement::Series);
      slope_times_branch_j(total.dm, total.m, b.placement, v.x, v.dx);
      times_branch_j(total.m, b.placement, v.x);
    }
    return total;
  }
  for (const Branch& b : ladder.branches) {
    const Immittance v = branch_immittance(b, w, losses, b.placement == Placement::Series);
    // d(P M) = dP M + P dM
    total.dm = plus(times_branch(total.dm, b.placement, v.v),
                    times_branch_slope(total.m, b.placement, v.dv));
    total.m = times_branch(total.m, b.placement, v.v);
  }
  return total;
}

SParameters s_parameters(const Abcd& m, double z0) {
  const Complex den = m.a + m.b / z0 + m.c * z0 + m.d;
  return {(m.a + m.b / z0 - m.c * z0 - m.d) / den, 2.0 / den,
          2.0 * (m.a * m.d - m.b * m.c) / den, (-m.a + m.b / z0 - m.c * z0 + m.d) / den};
}

PortResponse port_response(const AbcdSlope& s, Complex zs, Complex zl) {
  const Abcd& m = s.m;
  const Abcd& dm = s.dm;
  const Complex den = m.a * zl + m.b + m.c * zs * zl + m.d * zs;
  const Complex dden = dm.a * zl + dm.b + dm.c * zs * zl + dm.d * zs;
  PortResponse r;
  r.s21 = 2.0 * std::sqrt(zs.real() * zl.real()) / den;
  r.s21_db = 20.0 * std::log10(std::abs(r.s21));
  r.s21_deg = std::arg(r.s21) * 180.0 / std::numbers::pi;
  r.delay_ns = (dden / den).imag() * 1e9;
  r.zin = (m.a * zl + m.b) / (m.c * zl + m.d);
  r.s11 = (r.zin - zs.real()) / (r.zin + zs.real());
  r.s11_db = 20.0 * std::log10(std::abs(r.s11));
  // Rounding can leave |S11| a hair above 1 for a lossless ladder deep in its
  // stopband: the VSWR is then infinite, not negative.
  const double rho = std::abs(r.s11);
  r.vswr = rho < 1.0 ? (1.0 + rho) / (1.0 - rho) : std::numeric_limits<double>::infinity();
  return r;
}

}  // namespace varnholt

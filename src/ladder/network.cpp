// Double-precision two-port evaluation of a Ladder. Every branch is reduced to
// the one immittance its placement needs (an impedance in the line, an
// admittance to ground), each pair in its natural form: a series pair adds
// impedances, a parallel pair adds admittances. So a series LC at resonance is
// an exact zero impedance and a tank at resonance an exact zero admittance,
// with no division by zero on the way.
#include "ladder/network.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace varnholt {
namespace {

using std::numbers::pi;

// An immittance that is exactly infinite (an open in the line, a short to
// ground, a zero-valued element) is held as this finite value, so the cascade
// stays finite: two of them multiply to 1e200, far from overflow, and a
// transmission through one is about -2000 dB.
constexpr double kHuge = 1e100;

enum class Form : bool { Impedance, Admittance };

struct Value {
  Complex v;   // impedance or admittance
  Complex dv;  // its derivative with respect to omega
};

// 1/z written out: the library's complex division guards against overflow at
// a cost the Monte Carlo loops feel, and these magnitudes never come near it.
Complex reciprocal(Complex z) {
  const double n = z.real() * z.real() + z.imag() * z.imag();
  return {z.real() / n, -z.imag() / n};
}

template <bool Slope>
Value invert(const Value& x) {
  if (std::abs(x.v.real()) + std::abs(x.v.imag()) < 1.0 / kHuge) return {Complex{kHuge, 0.0}, {}};
  const Complex r = reciprocal(x.v);
  if constexpr (Slope) return {r, -x.dv * r * r};
  return {r, {}};
}

// Per-frequency quantities shared by every element.
struct Point {
  double w;        // rad/s
  Losses losses;
  double w_q;      // rad/s at which a fixed loss resistance is set (0: constant Q)
};

// Inductor l (nH): Z = L (r + j w) with r = w / Q (constant Q) or w_q / Q.
template <bool Slope>
Value inductor(double l_nh, const Point& p, Form want) {
  const double l = l_nh * 1e-9;
  const double inv_q = 1.0 / p.losses.q_inductor;
  const bool constant_q = p.w_q == 0.0;
  const double r = (constant_q ? p.w : p.w_q) * inv_q;
  Value z{l * Complex{r, p.w}, {}};
  if constexpr (Slope) z.dv = l * Complex{constant_q ? inv_q : 0.0, 1.0};
  if (l == 0.0) z = {};
  return want == Form::Impedance ? z : invert<Slope>(z);
}

// Capacitor c (pF): Y = j w C / (1 + j k), the series loss resistance being
// k / (w C) with k = 1 / Q (constant Q) or w / (w_q Q).
template <bool Slope>
Value capacitor(double c_pf, const Point& p, Form want) {
  const double c = c_pf * 1e-12;
  const double inv_q = 1.0 / p.losses.q_capacitor;
  const bool constant_q = p.w_q == 0.0;
  const double k = constant_q ? inv_q : p.w * inv_q / p.w_q;
  const Complex jc{0.0, c};
  const Complex one_jk{1.0, k};
  const Complex inv = reciprocal(one_jk);
  Value y{jc * p.w * inv, {}};
  // Constant Q: dY/dw = j C / (1 + j k); fixed resistance: j C / (1 + j k)^2.
  if constexpr (Slope) y.dv = constant_q ? jc * inv : jc * inv * inv;
  return want == Form::Admittance ? y : invert<Slope>(y);
}

Value sum(const Value& a, const Value& b) { return {a.v + b.v, a.dv + b.dv}; }

Form natural_form(Join join) { return join == Join::Series ? Form::Impedance : Form::Admittance; }

template <bool Slope>
Value pair_value(const Branch& b, int p, const Point& pt, Form want) {
  const PairShape ps = shape(b.kind).pair[static_cast<size_t>(p)];
  if (ps.has_l && !ps.has_c) return inductor<Slope>(b.l[static_cast<size_t>(p)], pt, want);
  if (ps.has_c && !ps.has_l) return capacitor<Slope>(b.c[static_cast<size_t>(p)], pt, want);
  if (!ps.has_l) return want == Form::Impedance ? Value{} : Value{Complex{kHuge, 0.0}, {}};
  const Form form = natural_form(ps.join);
  const Value v = sum(inductor<Slope>(b.l[static_cast<size_t>(p)], pt, form),
                      capacitor<Slope>(b.c[static_cast<size_t>(p)], pt, form));
  return form == want ? v : invert<Slope>(v);
}

template <bool Slope>
Value branch_value(const Branch& b, const Point& pt, Form want) {
  const BranchShape s = shape(b.kind);
  if (s.pairs == 1) return pair_value<Slope>(b, 0, pt, want);
  const Form form = natural_form(s.between);
  const Value v = sum(pair_value<Slope>(b, 0, pt, form), pair_value<Slope>(b, 1, pt, form));
  return form == want ? v : invert<Slope>(v);
}

void check(const Losses& losses) {
  if (!(losses.q_inductor > 0.0) || !(losses.q_capacitor > 0.0))
    throw std::invalid_argument("component Q must be positive (infinite for lossless)");
  if (!(losses.q_at_mhz >= 0.0) || !std::isfinite(losses.q_at_mhz))
    throw std::invalid_argument("the frequency of the Q must be zero or a positive number of MHz");
}

Point point(double f_mhz, const Losses& losses) {
  check(losses);
  return {2e6 * pi * f_mhz, losses, 2e6 * pi * losses.q_at_mhz};
}

// Right-multiplies (m, dm) by one branch's matrix: series [[1, Z], [0, 1]],
// shunt [[1, 0], [Y, 1]], with the product rule for the derivative.
template <bool Slope>
void cascade(AbcdSlope& s, const Branch& b, const Point& pt) {
  Abcd& m = s.m;
  Abcd& dm = s.dm;
  if (b.placement == Placement::Series) {
    const Value z = branch_value<Slope>(b, pt, Form::Impedance);
    if constexpr (Slope) {
      dm.b = dm.a * z.v + dm.b + m.a * z.dv;
      dm.d = dm.c * z.v + dm.d + m.c * z.dv;
    }
    m.b = m.a * z.v + m.b;
    m.d = m.c * z.v + m.d;
  } else {
    const Value y = branch_value<Slope>(b, pt, Form::Admittance);
    if constexpr (Slope) {
      dm.a = dm.a + dm.b * y.v + m.b * y.dv;
      dm.c = dm.c + dm.d * y.v + m.d * y.dv;
    }
    m.a = m.a + m.b * y.v;
    m.c = m.c + m.d * y.v;
  }
}

template <bool Slope>
AbcdSlope chain(const Ladder& ladder, double f_mhz, const Losses& losses) {
  const Point pt = point(f_mhz, losses);
  AbcdSlope s{{}, {Complex{}, Complex{}, Complex{}, Complex{}}};
  for (const Branch& b : ladder.branches) cascade<Slope>(s, b, pt);
  return s;
}

double phase_degrees(Complex z) {
  const double deg = std::arg(z) * (180.0 / pi);
  return deg <= -180.0 ? deg + 360.0 : deg;
}

double decibels(double magnitude) { return 20.0 * std::log10(magnitude); }

}  // namespace

Complex branch_impedance(const Branch& b, double f_mhz, const Losses& losses) {
  return branch_value<false>(b, point(f_mhz, losses), Form::Impedance).v;
}

Abcd chain_matrix(const Ladder& ladder, double f_mhz, const Losses& losses) {
  return chain<false>(ladder, f_mhz, losses).m;
}

AbcdSlope chain_matrix_slope(const Ladder& ladder, double f_mhz, const Losses& losses) {
  return chain<true>(ladder, f_mhz, losses);
}

SParameters s_parameters(const Abcd& m, double z0) {
  const Complex bz = m.b / z0, cz = m.c * z0;
  const Complex den = m.a + bz + cz + m.d;
  return {(m.a + bz - cz - m.d) / den, 2.0 / den, 2.0 * (m.a * m.d - m.b * m.c) / den,
          (-m.a + bz - cz + m.d) / den};
}

// Source zs = Rs + jXs driving the ladder, load zl = Rl + jXl. With the source
// voltage Vs and the load current I2, Vs = I2 (A zl + B + C zs zl + D zs), so
// the power in the load over the power the source can deliver at most is
// |S21|^2 with S21 = 2 sqrt(Rs Rl) / (A zl + B + C zs zl + D zs): the
// transducer gain, for complex terminations as for real ones. S11 is the
// power-wave reflection (zin - zs*) / (zin + zs), so that a lossless ladder
// has |S11|^2 + |S21|^2 = 1 between any terminations.
PortResponse port_response(const AbcdSlope& s, Complex zs, Complex zl) {
  if (!(zs.real() > 0.0) || !(zl.real() > 0.0))
    throw std::invalid_argument("source and load resistances must be positive");
  const Abcd& m = s.m;
  const Abcd& dm = s.dm;
  const Complex den = m.a * zl + m.b + m.c * zs * zl + m.d * zs;
  const Complex dden = dm.a * zl + dm.b + dm.c * zs * zl + dm.d * zs;
  PortResponse r;
  r.s21 = 2.0 * std::sqrt(zs.real() * zl.real()) / den;
  r.s21_db = decibels(std::abs(r.s21));
  r.s21_deg = phase_degrees(r.s21);
  r.delay_ns = (dden / den).imag() * 1e9;  // d arg(den)/dw = Im(den'/den)
  // S11 over the same denominator: finite even where zin is infinite.
  const Complex num = m.a * zl + m.b, div = m.c * zl + m.d;
  r.s11 = (num - std::conj(zs) * div) / den;
  r.zin = div == Complex{} ? Complex{std::numeric_limits<double>::infinity(), 0.0} : num / div;
  const double rho = std::abs(r.s11);
  r.s11_db = decibels(rho);
  r.vswr = rho < 1.0 ? (1.0 + rho) / (1.0 - rho) : std::numeric_limits<double>::infinity();
  return r;
}

}  // namespace varnholt

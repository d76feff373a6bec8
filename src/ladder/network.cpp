// Double-precision two-port evaluation of a Ladder. Every branch is reduced to
// the one immittance its placement needs (an impedance in the line, an
// admittance to ground), each pair in its natural form: a series pair adds
// impedances, a parallel pair adds admittances. So a series LC at resonance is
// an exact zero impedance and a tank at resonance an exact zero admittance,
// with no division by zero on the way.
#include "ladder/network.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
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
  const double s = 1.0 / (z.real() * z.real() + z.imag() * z.imag());
  return {z.real() * s, -z.imag() * s};
}

// 1/z for any finite z: scaled first so that the squares cannot overflow
// (a blocked ladder's denominator reaches 1e200 and beyond).
Complex scaled_reciprocal(Complex z) {
  const double m = std::max(std::abs(z.real()), std::abs(z.imag()));
  return reciprocal(z / m) / m;
}

// a b without the library's recovery of infinities and NaNs, which costs a
// test and a branch per product in the cascade; these values are finite.
Complex mul(Complex a, Complex b) {
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
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
  double w;       // rad/s
  double w_loss;  // an inductor's R = w_loss L / Q: w (constant Q), fixed (linear) or sqrt(w W)
  QLaw law;
  double dw_loss;         // d w_loss / d w: 1, 0 or w_loss / (2 w)
  double inv_ql, inv_qc;  // 1 / Q, zero when lossless
  double k, dk;           // k = w C R of every capacitor's loss, and d k / d w
  Complex cap_unit;       // 1 / (1 + j k), the same for every capacitor (see capacitor)
  double srf_w2;          // (2 pi SRF)^2, zero without an SRF
  double cp, esl, esr, node_c;  // farads, henries, ohms, farads
};

Value open_circuit(Form want) {
  return want == Form::Impedance ? Value{Complex{kHuge, 0.0}, {}} : Value{};
}
Value short_circuit(Form want) {
  return want == Form::Impedance ? Value{} : Value{Complex{kHuge, 0.0}, {}};
}

// Inductor of l henries: Z = R + j w L with R = w_loss L / Q; with a
// parallel capacitance cp (farads, across L and R): Y = 1 / Z + j w cp.
template <bool Slope>
Value inductor(double l, double cp, const Point& p, Form want) {
  if (l == 0.0) return short_circuit(want);
  Value z{l * Complex{p.w_loss * p.inv_ql, p.w}, {}};
  if constexpr (Slope) z.dv = l * Complex{p.dw_loss * p.inv_ql, 1.0};
  if (!(cp > 0.0)) return want == Form::Impedance ? z : invert<Slope>(z);
  Value y = invert<Slope>(z);
  y.v += Complex{0.0, p.w * cp};
  if constexpr (Slope) y.dv += Complex{0.0, cp};
  return want == Form::Admittance ? y : invert<Slope>(y);
}

// Capacitor of c farads with the series resistance R = k / (w C): written as
// Y = j w C / (1 + j k) it needs no division by C. With a series inductance
// or resistance it is the impedance Z = (1 + j k) / (j w C) + ESR + j w ESL.
template <bool Slope>
Value capacitor(double c, const Point& p, Form want) {
  if (p.esl > 0.0 || p.esr > 0.0) {
    if (c == 0.0) return open_circuit(want);
    const double wc = p.w * c;
    Value z{Complex{p.k / wc + p.esr, p.w * p.esl - 1.0 / wc}, {}};
    if constexpr (Slope) z.dv = Complex{(p.dk * p.w - p.k) / (wc * p.w), 1.0 / (wc * p.w) + p.esl};
    return want == Form::Impedance ? z : invert<Slope>(z);
  }
  const Complex jc{0.0, c};
  Value y{mul(jc * p.w, p.cap_unit), {}};
  // dY/dw = j C / (1 + j k) + w C k' / (1 + j k)^2: constant Q (k fixed)
  // j C / (1 + j k); fixed R (k' = k / w) j C / (1 + j k)^2.
  if constexpr (Slope) {
    switch (p.law) {
      case QLaw::Constant: y.dv = jc * p.cap_unit; break;
      case QLaw::Linear: y.dv = jc * p.cap_unit * p.cap_unit; break;
      case QLaw::Sqrt: y.dv = jc * p.cap_unit + c * p.w * p.dk * p.cap_unit * p.cap_unit; break;
    }
  }
  return want == Form::Admittance ? y : invert<Slope>(y);
}

Value sum(const Value& a, const Value& b) { return {a.v + b.v, a.dv + b.dv}; }

Form natural_form(Join join) { return join == Join::Series ? Form::Impedance : Form::Admittance; }

// The measured parts of one branch: pair p's inductor l[p], its capacitor c[p]
// (null where the element is modelled from its value).
// `held_cp`: the inductors' parallel capacitances held by the model (farads),
// negative where each follows its own L.
struct BranchParts {
  std::array<const MeasuredPart*, 2> l{}, c{};
  std::array<double, 2> held_cp{-1.0, -1.0};
};

BranchParts parts_of(const PartModel& model, std::size_t branch) {
  BranchParts out;
  if (branch < model.held_cp_pf.size()) {
    for (std::size_t p = 0; p < 2; ++p) out.held_cp[p] = model.held_cp_pf[branch][p] * 1e-12;
  }
  for (const MeasuredElement& m : model.parts) {
    if (m.where.branch != branch) continue;
    auto& slot = m.where.inductor ? out.l : out.c;
    slot.at(static_cast<std::size_t>(m.where.pair)) = m.part.get();
  }
  return out;
}

// A measured part's impedance in the form wanted.
template <bool Slope>
Value measured(const MeasuredPart& part, const Point& pt, Form want) {
  const PartImpedance z = part.at(pt.w / (2e6 * pi));
  const Value v{z.z, Slope ? z.dz : Complex{}};
  return want == Form::Impedance ? v : invert<Slope>(v);
}

template <bool Slope>
Value inductor_of(const PreparedBranch& b, const BranchParts& parts, std::size_t p, const Point& pt,
                  Form want) {
  if (parts.l[p]) return measured<Slope>(*parts.l[p], pt, want);
  const double l = b.l[p];
  const double cp = parts.held_cp[p] >= 0.0 ? parts.held_cp[p]
                    : pt.srf_w2 > 0.0 && l > 0.0 ? 1.0 / (pt.srf_w2 * l)
                                                 : pt.cp;
  return inductor<Slope>(l, cp, pt, want);
}

template <bool Slope>
Value capacitor_of(const PreparedBranch& b, const BranchParts& parts, std::size_t p,
                   const Point& pt, Form want) {
  return parts.c[p] ? measured<Slope>(*parts.c[p], pt, want) : capacitor<Slope>(b.c[p], pt, want);
}

template <bool Slope>
Value pair_value(const PreparedBranch& b, const BranchParts& parts, std::size_t p, const Point& pt,
                 Form want) {
  const PairShape& ps = b.shape.pair[p];
  if (ps.has_l && !ps.has_c) return inductor_of<Slope>(b, parts, p, pt, want);
  if (ps.has_c && !ps.has_l) return capacitor_of<Slope>(b, parts, p, pt, want);
  if (!ps.has_l) return short_circuit(want);
  const Form form = natural_form(ps.join);
  const Value v =
      sum(inductor_of<Slope>(b, parts, p, pt, form), capacitor_of<Slope>(b, parts, p, pt, form));
  return form == want ? v : invert<Slope>(v);
}

template <bool Slope>
Value branch_value(const PreparedBranch& b, const BranchParts& parts, const Point& pt, Form want) {
  if (b.shape.pairs == 1) return pair_value<Slope>(b, parts, 0, pt, want);
  const Form form = natural_form(b.shape.between);
  const Value v =
      sum(pair_value<Slope>(b, parts, 0, pt, form), pair_value<Slope>(b, parts, 1, pt, form));
  return form == want ? v : invert<Slope>(v);
}

bool zero_or_positive(double v) { return v >= 0.0 && std::isfinite(v); }

void check(const PartModel& losses) {
  if (!(losses.q_inductor > 0.0) || !(losses.q_capacitor > 0.0))
    throw std::invalid_argument("component Q must be positive (infinite for lossless)");
  if (!zero_or_positive(losses.q_at_mhz))
    throw std::invalid_argument("the frequency of the Q must be zero or a positive number of MHz");
  for (const double v : {losses.inductor_srf_mhz, losses.inductor_cp_pf, losses.capacitor_esl_nh,
                         losses.capacitor_esr_ohms, losses.node_pf}) {
    if (!zero_or_positive(v)) throw std::invalid_argument("parasitics must be zero or positive");
  }
}

Point point(double f_mhz, const PartModel& losses) {
  check(losses);
  Point p{};
  p.w = 2e6 * pi * f_mhz;
  p.law = losses.law();
  p.inv_ql = 1.0 / losses.q_inductor;
  p.inv_qc = 1.0 / losses.q_capacitor;
  const double big_w = 2e6 * pi * losses.q_at_mhz;
  // k = w C R: 1 / Q at constant Q; (w / W) / Q for R fixed at W; (w / W)^1.5 / Q
  // for R growing with sqrt(w / W).
  switch (p.law) {
    case QLaw::Constant:
      p.w_loss = p.w;
      p.dw_loss = 1.0;
      p.k = p.inv_qc;
      p.dk = 0.0;
      break;
    case QLaw::Linear:
      p.w_loss = big_w;
      p.dw_loss = 0.0;
      p.k = p.w * p.inv_qc / big_w;
      p.dk = p.inv_qc / big_w;
      break;
    case QLaw::Sqrt: {
      const double root = std::sqrt(p.w / big_w);
      p.w_loss = big_w * root;
      p.dw_loss = 0.5 / root;
      p.k = root * root * root * p.inv_qc;
      p.dk = 1.5 * root * p.inv_qc / big_w;
      break;
    }
  }
  p.cap_unit = reciprocal(Complex{1.0, p.k});
  const double w_srf = 2e6 * pi * losses.inductor_srf_mhz;
  p.srf_w2 = w_srf * w_srf;
  p.cp = losses.inductor_cp_pf * 1e-12;
  p.esl = losses.capacitor_esl_nh * 1e-9;
  p.esr = losses.capacitor_esr_ohms;
  p.node_c = losses.node_pf * 1e-12;
  return p;
}

// Right-multiplies (m, dm) by a shunt admittance y: [[1, 0], [y, 1]].
template <bool Slope>
void shunt(AbcdSlope& s, const Value& y) {
  Abcd& m = s.m;
  Abcd& dm = s.dm;
  if constexpr (Slope) {
    dm.a = dm.a + dm.b * y.v + m.b * y.dv;
    dm.c = dm.c + dm.d * y.v + m.d * y.dv;
  }
  m.a = m.a + mul(m.b, y.v);
  m.c = m.c + mul(m.d, y.v);
}

// Right-multiplies (m, dm) by one branch's matrix: series [[1, Z], [0, 1]],
// shunt [[1, 0], [Y, 1]], with the product rule for the derivative.
template <bool Slope>
void cascade(AbcdSlope& s, const PreparedBranch& b, const BranchParts& parts, const Point& pt) {
  Abcd& m = s.m;
  Abcd& dm = s.dm;
  if (b.placement == Placement::Series) {
    const Value z = branch_value<Slope>(b, parts, pt, Form::Impedance);
    if constexpr (Slope) {
      dm.b = dm.a * z.v + dm.b + m.a * z.dv;
      dm.d = dm.c * z.v + dm.d + m.c * z.dv;
    }
    m.b = mul(m.a, z.v) + m.b;
    m.d = mul(m.c, z.v) + m.d;
  } else {
    shunt<Slope>(s, branch_value<Slope>(b, parts, pt, Form::Admittance));
  }
}

template <bool Slope>
AbcdSlope chain(std::span<const PreparedBranch> branches, double f_mhz, const PartModel& losses) {
  const Point pt = point(f_mhz, losses);
  AbcdSlope s{{}, {Complex{}, Complex{}, Complex{}, Complex{}}};
  if (losses.parts.empty() && losses.held_cp_pf.empty() && pt.node_c == 0.0) {
    for (const PreparedBranch& b : branches) cascade<Slope>(s, b, BranchParts{}, pt);
    return s;
  }
  // The pads: at the input node and at the node after every series branch.
  const Value pad{Complex{0.0, pt.w * pt.node_c}, Complex{0.0, pt.node_c}};
  if (pt.node_c > 0.0) shunt<Slope>(s, pad);
  for (std::size_t i = 0; i < branches.size(); ++i) {
    cascade<Slope>(s, branches[i], parts_of(losses, i), pt);
    if (pt.node_c > 0.0 && branches[i].placement == Placement::Series) shunt<Slope>(s, pad);
  }
  return s;
}

// --- Lossless ladders in real arithmetic -------------------------------------
//
// With every Q infinite each immittance is j x with x real, so the chain
// matrix keeps A and D real and B and C imaginary (as does its derivative).
// The cascade then carries four reals instead of four complex numbers, with
// the same operations the general path performs on the parts that are not
// structurally zero. An immittance that is exactly infinite at some frequency
// (held as a real 1e100 by the general path) breaks that structure: the fast
// path reports it and the caller evaluates that frequency the general way.

// The immittances of one branch at N frequencies. The lossless path runs N
// frequencies side by side (lanes), each with exactly the operations of a
// lone one, so that the compiler can keep them in vector registers; a lane
// count of 1 is the single frequency.
template <int N>
struct Reactance {
  double x[N];   // immittance / j
  double dx[N];  // its derivative with respect to omega, / j
};

// 1 / (j x) = j (-1 / x), as reciprocal() computes it; false for an exact
// open in any lane.
template <bool Slope, int N>
[[gnu::always_inline]] inline bool invert_lossless(Reactance<N>& r) {
  for (int k = 0; k < N; ++k) {
    if (std::abs(r.x[k]) < 1.0 / kHuge) return false;
  }
  for (int k = 0; k < N; ++k) {
    const double s = 1.0 / (r.x[k] * r.x[k]);
    const double inv = -r.x[k] * s;
    // -(j dx) (j inv)^2 = j dx inv^2
    if constexpr (Slope) r.dx[k] = r.dx[k] * inv * inv;
    r.x[k] = inv;
  }
  return true;
}

// Inductor: Z = j w L; capacitor: Y = j w C. (This and pair_lossless are
// inlined whatever the optimiser judges: a call per element and frequency
// batch costs as much as the arithmetic.)
template <bool Slope, int N>
[[gnu::always_inline]] inline bool element_lossless(double value, bool is_inductor,
                                                    const double* w, Form want, Reactance<N>& r) {
  for (int k = 0; k < N; ++k) {
    r.x[k] = value * w[k];
    r.dx[k] = Slope ? value : 0.0;
  }
  const Form natural = is_inductor ? Form::Impedance : Form::Admittance;
  return natural == want || invert_lossless<Slope>(r);
}

template <int N>
[[gnu::always_inline]] inline void add_reactances(Reactance<N>& sum, const Reactance<N>& a, const Reactance<N>& b) {
  for (int k = 0; k < N; ++k) {
    sum.x[k] = a.x[k] + b.x[k];
    sum.dx[k] = a.dx[k] + b.dx[k];
  }
}

template <bool Slope, int N>
[[gnu::always_inline]] inline bool pair_lossless(const PreparedBranch& b, std::size_t p,
                                                 const double* w, Form want, Reactance<N>& r) {
  const PairShape& ps = b.shape.pair[p];
  if (ps.has_l != ps.has_c) {
    return ps.has_l ? element_lossless<Slope>(b.l[p], true, w, want, r)
                    : element_lossless<Slope>(b.c[p], false, w, want, r);
  }
  if (!ps.has_l) {
    r = {};
    return want == Form::Impedance;
  }
  const Form form = natural_form(ps.join);
  Reactance<N> l, c;
  if (!element_lossless<Slope>(b.l[p], true, w, form, l) ||
      !element_lossless<Slope>(b.c[p], false, w, form, c))
    return false;
  add_reactances(r, l, c);
  return form == want || invert_lossless<Slope>(r);
}

template <bool Slope, int N>
[[gnu::always_inline]] inline bool branch_lossless(const PreparedBranch& b, const double* w, Form want, Reactance<N>& r) {
  if (b.shape.pairs == 1) return pair_lossless<Slope>(b, 0, w, want, r);
  const Form form = natural_form(b.shape.between);
  Reactance<N> first, second;
  if (!pair_lossless<Slope>(b, 0, w, form, first) || !pair_lossless<Slope>(b, 1, w, form, second))
    return false;
  add_reactances(r, first, second);
  return form == want || invert_lossless<Slope>(r);
}

// The chain matrices as reals: a and d as they are, b and c divided by j.
template <int N>
struct RealAbcd {
  double a[N], b[N], c[N], d[N];
  explicit RealAbcd(double diagonal) {
    for (int k = 0; k < N; ++k) {
      a[k] = d[k] = diagonal;
      b[k] = c[k] = 0.0;
    }
  }
  Abcd lane(int k) const {
    return {Complex{a[k], 0.0}, Complex{0.0, b[k]}, Complex{0.0, c[k]}, Complex{d[k], 0.0}};
  }
};

// Series [[1, jx], [0, 1]]: B += A jx, D += (jc)(jx) = -c x. Shunt
// [[1, 0], [jy, 1]]: A += (jb)(jy) = -b y, C += D jy. The sums run in the
// order of cascade() above, so the two paths round alike.
template <bool Slope, int N>
[[gnu::always_inline]] inline bool cascade_lossless(RealAbcd<N>& m, RealAbcd<N>& dm, const PreparedBranch& b, const double* w) {
  Reactance<N> r;
  if (b.placement == Placement::Series) {
    if (!branch_lossless<Slope>(b, w, Form::Impedance, r)) return false;
    for (int k = 0; k < N; ++k) {
      if constexpr (Slope) {
        dm.b[k] = dm.a[k] * r.x[k] + dm.b[k] + m.a[k] * r.dx[k];
        dm.d[k] = (dm.d[k] - dm.c[k] * r.x[k]) - m.c[k] * r.dx[k];
      }
      m.b[k] = m.a[k] * r.x[k] + m.b[k];
      m.d[k] = m.d[k] - m.c[k] * r.x[k];
    }
  } else {
    if (!branch_lossless<Slope>(b, w, Form::Admittance, r)) return false;
    for (int k = 0; k < N; ++k) {
      if constexpr (Slope) {
        dm.a[k] = (dm.a[k] - dm.b[k] * r.x[k]) - m.b[k] * r.dx[k];
        dm.c[k] = dm.c[k] + dm.d[k] * r.x[k] + m.d[k] * r.dx[k];
      }
      m.a[k] = m.a[k] - m.b[k] * r.x[k];
      m.c[k] = m.c[k] + m.d[k] * r.x[k];
    }
  }
  return true;
}

// The lossless chains at N frequencies, or false where an immittance is
// exactly infinite in any of them.
template <bool Slope, int N>
[[gnu::always_inline]] inline bool chain_lossless(std::span<const PreparedBranch> branches,
                                                  const double* f_mhz, AbcdSlope* out) {
  double w[N];
  for (int k = 0; k < N; ++k) w[k] = 2e6 * pi * f_mhz[k];
  RealAbcd<N> m(1.0), dm(0.0);
  for (const PreparedBranch& b : branches) {
    if (!cascade_lossless<Slope>(m, dm, b, w)) return false;
  }
  for (int k = 0; k < N; ++k) out[k] = {m.lane(k), dm.lane(k)};
  return true;
}

bool lossless(const PartModel& losses) {
  return std::isinf(losses.q_inductor) && std::isinf(losses.q_capacitor) &&
         losses.q_inductor > 0.0 && losses.q_capacitor > 0.0 && losses.parts.empty() &&
         !losses.parasitic();
}

template <bool Slope>
AbcdSlope evaluate(std::span<const PreparedBranch> branches, double f_mhz, const PartModel& losses) {
  check(losses);
  AbcdSlope s;
  if (lossless(losses) && chain_lossless<Slope, 1>(branches, &f_mhz, &s)) return s;
  return chain<Slope>(branches, f_mhz, losses);
}

// Four lossless chains side by side, compiled twice on x86-64: for the
// processor's wider vectors where it has them, and for any. Both perform the
// same IEEE operations lane by lane (nothing is fused), so both give the
// same bits.
#if defined(__x86_64__)
#define VARNHOLT_WIDE_VECTORS [[gnu::target_clones("avx2", "default")]]
#else
#define VARNHOLT_WIDE_VECTORS
#endif
VARNHOLT_WIDE_VECTORS bool chain_four(std::span<const PreparedBranch> branches,
                                      const double* f_mhz, AbcdSlope* out) {
  return chain_lossless<false, 4>(branches, f_mhz, out);
}
VARNHOLT_WIDE_VECTORS bool chain_four_slopes(
    std::span<const PreparedBranch> branches, const double* f_mhz, AbcdSlope* out) {
  return chain_lossless<true, 4>(branches, f_mhz, out);
}

// evaluate() at each of n frequencies; a lossless ladder four at a time.
template <bool Slope>
void evaluate_many(std::span<const PreparedBranch> branches, const double* f_mhz, std::size_t n,
                   const PartModel& losses, AbcdSlope* out) {
  constexpr int kLanes = 4;
  check(losses);
  std::size_t i = 0;
  if (lossless(losses)) {
    for (; i + kLanes <= n; i += kLanes) {
      if ((Slope ? chain_four_slopes : chain_four)(branches, f_mhz + i, out + i)) continue;
      for (int k = 0; k < kLanes; ++k) out[i + k] = evaluate<Slope>(branches, f_mhz[i + k], losses);
    }
  }
  for (; i < n; ++i) out[i] = evaluate<Slope>(branches, f_mhz[i], losses);
}

double phase_degrees(Complex z) {
  const double deg = std::arg(z) * (180.0 / pi);
  return deg <= -180.0 ? deg + 360.0 : deg;
}

double decibels(double magnitude) { return 20.0 * std::log10(magnitude); }

// The terms of the ladder between zs and zl: with the source voltage Vs and
// the load current I2, Vs = I2 den and the input impedance is num / div.
struct Terminated {
  Complex den, num, div;
};

Terminated terminate(const Abcd& m, Complex zs, Complex zl) {
  if (!(zs.real() > 0.0) || !(zl.real() > 0.0))
    throw std::invalid_argument("source and load resistances must be positive");
  const Complex num = mul(m.a, zl) + m.b, div = mul(m.c, zl) + m.d;
  return {num + mul(div, zs), num, div};
}

// Source zs = Rs + jXs driving the ladder, load zl = Rl + jXl. The power in
// the load over the power the source can deliver at most is |S21|^2 with
// S21 = 2 sqrt(Rs Rl) / (A zl + B + C zs zl + D zs): the transducer gain, for
// complex terminations as for real ones. S11 is the power-wave reflection
// (zin - zs*) / (zin + zs), written over the same denominator so that it stays
// finite where zin is infinite; a lossless ladder has |S11|^2 + |S21|^2 = 1
// between any terminations.
Transfer transfer(const Terminated& t, Complex zs, Complex zl) {
  const Complex inv = scaled_reciprocal(t.den);
  const Complex reflected = t.num - mul(std::conj(zs), t.div);
  return {2.0 * std::sqrt(zs.real() * zl.real()) * inv, mul(reflected, inv)};
}

// --- The direct path of PreparedSweep -----------------------------------------
//
// inductor(), capacitor() and pair_value() of a single-pair branch with every
// parasitic zero, without derivatives: the same operations in the same order
// (up to the sign of a zero part, which no magnitude sees), in real
// arithmetic the compiler keeps in registers.

struct Parts {
  double re, im;
};

Parts mul_parts(Parts a, Parts b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// invert<false>(): kHuge for an exact zero, else reciprocal().
Parts invert_parts(Parts v) {
  if (std::abs(v.re) + std::abs(v.im) < 1.0 / kHuge) return {kHuge, 0.0};
  const double s = 1.0 / (v.re * v.re + v.im * v.im);
  return {v.re * s, -v.im * s};
}

// Z = l (R/L + j w) of a non-zero inductance.
Parts inductor_direct(double l, const PreparedSweep::Factors& p) {
  return {l * p.r_per_l, l * p.w};
}

// Y = (j w c) / (1 + j k) as mul(jc * w, cap_unit) forms it.
Parts capacitor_direct(double c, const PreparedSweep::Factors& p) {
  return mul_parts({0.0 * p.w, c * p.w}, {p.cap_unit.real(), p.cap_unit.imag()});
}

Parts add(Parts a, Parts b) { return {a.re + b.re, a.im + b.im}; }

// The direct form of a branch: one pair, its inductance (if any) not zero
// (a zero one is a short the general path handles).
PreparedNetwork::Direct direct_kind(const PreparedBranch& b) {
  using D = PreparedNetwork::Direct;
  const PairShape& ps = b.shape.pair[0];
  if (b.shape.pairs != 1 || (ps.has_l && b.l[0] == 0.0) || (!ps.has_l && !ps.has_c)) return D::None;
  const bool series = b.placement == Placement::Series;
  if (!ps.has_c) return series ? D::L : D::ShuntL;
  if (!ps.has_l) return series ? D::C : D::ShuntC;
  if (ps.join == Join::Series) return series ? D::SeriesLC : D::ShuntSeriesLC;
  return series ? D::Tank : D::ShuntTank;
}

}  // namespace

PreparedBranch prepare(const Branch& b) {
  return {b.placement, shape(b.kind), {b.l[0] * 1e-9, b.l[1] * 1e-9},
          {b.c[0] * 1e-12, b.c[1] * 1e-12}};
}

PreparedNetwork::PreparedNetwork(const Ladder& ladder) {
  branches_.reserve(ladder.branches.size());
  for (const Branch& b : ladder.branches) {
    branches_.push_back(prepare(b));
    direct_.push_back(direct_kind(branches_.back()));
  }
}

PreparedSweep::PreparedSweep(std::span<const double> f_mhz, const PartModel& losses)
    : losses_(losses), f_mhz_(f_mhz.begin(), f_mhz.end()) {
  check(losses);
  // The conditions of chain()'s loop without pads or measured parts, with
  // every element parasitic zero; a lossless model has its own real path.
  if (lossless(losses) || losses.parasitic() || !losses.parts.empty()) return;
  factors_.reserve(f_mhz_.size());
  for (const double f : f_mhz_) {
    const Point p = point(f, losses);
    factors_.push_back({p.w, p.w_loss * p.inv_ql, p.cap_unit});
  }
}

Abcd PreparedSweep::chain_matrix(const PreparedNetwork& net, std::size_t i) const {
  if (factors_.empty()) return net.chain_matrix(f_mhz_[i], losses_);
  const PreparedSweep::Factors& p = factors_[i];
  // cascade(): series B += A Z, D += C Z; shunt A += B Y, C += D Y.
  Parts a{1.0, 0.0}, bb{0.0, 0.0}, c{0.0, 0.0}, d{1.0, 0.0};
  for (std::size_t k = 0; k < net.branches_.size(); ++k) {
    const PreparedBranch& b = net.branches_[k];
    using Direct = PreparedNetwork::Direct;
    const Direct kind = net.direct_[k];
    if (kind == Direct::None) return net.chain_matrix(f_mhz_[i], losses_);
    Parts v;  // the branch's impedance (series) or admittance (shunt)
    switch (kind) {
      case Direct::L: v = inductor_direct(b.l[0], p); break;
      case Direct::C: v = invert_parts(capacitor_direct(b.c[0], p)); break;
      case Direct::SeriesLC:
        v = add(inductor_direct(b.l[0], p), invert_parts(capacitor_direct(b.c[0], p)));
        break;
      case Direct::Tank:
        v = invert_parts(add(invert_parts(inductor_direct(b.l[0], p)), capacitor_direct(b.c[0], p)));
        break;
      case Direct::ShuntL: v = invert_parts(inductor_direct(b.l[0], p)); break;
      case Direct::ShuntC: v = capacitor_direct(b.c[0], p); break;
      case Direct::ShuntSeriesLC:
        v = invert_parts(add(inductor_direct(b.l[0], p), invert_parts(capacitor_direct(b.c[0], p))));
        break;
      case Direct::ShuntTank:
        v = add(invert_parts(inductor_direct(b.l[0], p)), capacitor_direct(b.c[0], p));
        break;
      case Direct::None: break;
    }
    if (b.placement == Placement::Series) {
      bb = add(mul_parts(a, v), bb);
      d = add(mul_parts(c, v), d);
    } else {
      a = add(a, mul_parts(bb, v));
      c = add(c, mul_parts(d, v));
    }
  }
  return {{a.re, a.im}, {bb.re, bb.im}, {c.re, c.im}, {d.re, d.im}};
}

Abcd PreparedNetwork::chain_matrix(double f_mhz, const PartModel& losses) const {
  return evaluate<false>(branches_, f_mhz, losses).m;
}

AbcdSlope PreparedNetwork::chain_matrix_slope(double f_mhz, const PartModel& losses) const {
  return evaluate<true>(branches_, f_mhz, losses);
}

void PreparedNetwork::chain_matrices(std::span<const double> f_mhz, const PartModel& losses,
                                     std::span<Abcd> out) const {
  constexpr std::size_t kChunk = 64;
  AbcdSlope s[kChunk];
  for (std::size_t i = 0; i < f_mhz.size(); i += kChunk) {
    const std::size_t n = std::min(kChunk, f_mhz.size() - i);
    evaluate_many<false>(branches_, f_mhz.data() + i, n, losses, s);
    for (std::size_t k = 0; k < n; ++k) out[i + k] = s[k].m;
  }
}

void PreparedNetwork::chain_matrix_slopes(std::span<const double> f_mhz, const PartModel& losses,
                                          std::span<AbcdSlope> out) const {
  evaluate_many<true>(branches_, f_mhz.data(), f_mhz.size(), losses, out.data());
}

Complex branch_impedance(const Branch& b, double f_mhz, const PartModel& losses) {
  return branch_value<false>(prepare(b), BranchParts{}, point(f_mhz, losses), Form::Impedance).v;
}

Abcd chain_matrix(const Ladder& ladder, double f_mhz, const PartModel& losses) {
  return PreparedNetwork(ladder).chain_matrix(f_mhz, losses);
}

AbcdSlope chain_matrix_slope(const Ladder& ladder, double f_mhz, const PartModel& losses) {
  return PreparedNetwork(ladder).chain_matrix_slope(f_mhz, losses);
}

SParameters s_parameters(const Abcd& m, double z0) {
  const Complex bz = m.b / z0, cz = m.c * z0;
  // One reciprocal for the three quotients (a blocked ladder's den is huge).
  // A ladder of two-terminal branches is reciprocal: its determinant
  // AD - BC is 1, so S12 = S21. Formed from the matrix, the determinant would
  // be the difference of two products as large as den squared, which in a
  // deep stopband leaves only rounding.
  const Complex inv = scaled_reciprocal(m.a + bz + cz + m.d);
  return {mul(m.a + bz - cz - m.d, inv), 2.0 * inv, 2.0 * inv, mul(-m.a + bz - cz + m.d, inv)};
}

double inductor_loss_ohms(double l_nh, double f_mhz, const PartModel& losses) {
  const Point p = point(f_mhz, losses);
  return p.w_loss * l_nh * 1e-9 * p.inv_ql;
}

double capacitor_loss_ohms(double c_pf, double f_mhz, const PartModel& losses) {
  const Point p = point(f_mhz, losses);
  if (p.inv_qc == 0.0) return 0.0;
  return p.law == QLaw::Sqrt ? p.k / (p.w * c_pf * 1e-12) : p.inv_qc / (p.w_loss * c_pf * 1e-12);
}

const QLawText& q_law_text(QLaw law) {
  for (const QLawText& t : kQLaws) {
    if (t.law == law) return t;
  }
  return kQLaws[0];
}

bool PartModel::lossy() const { return std::isfinite(q_inductor) || std::isfinite(q_capacitor); }

bool PartModel::parasitic() const {
  return inductor_srf_mhz > 0.0 || inductor_cp_pf > 0.0 || capacitor_esl_nh > 0.0 ||
         capacitor_esr_ohms > 0.0 || node_pf > 0.0 || !held_cp_pf.empty();
}

PartModel holding_self_capacitance(const PartModel& model, const Ladder& nominal) {
  if (!(model.inductor_srf_mhz > 0.0)) return model;
  PartModel held = model;
  const double w = 2e6 * pi * model.inductor_srf_mhz;
  held.held_cp_pf.assign(nominal.branches.size(), {0.0, 0.0});
  for (std::size_t i = 0; i < nominal.branches.size(); ++i) {
    for (std::size_t p = 0; p < 2; ++p) {
      const double l = nominal.branches[i].l[p] * 1e-9;
      held.held_cp_pf[i][p] = l > 0.0 ? 1e12 / (w * w * l) : 0.0;
    }
  }
  return held;
}

Transfer transfer(const Abcd& m, Complex zs, Complex zl) {
  return transfer(terminate(m, zs, zl), zs, zl);
}

PortResponse port_response(const AbcdSlope& s, Complex zs, Complex zl) {
  const Terminated t = terminate(s.m, zs, zl);
  const Abcd& dm = s.dm;
  const Complex dden = dm.a * zl + dm.b + dm.c * zs * zl + dm.d * zs;
  const Transfer x = transfer(t, zs, zl);
  PortResponse r;
  r.s21 = x.s21;
  r.s11 = x.s11;
  r.s21_db = decibels(std::abs(r.s21));
  r.s21_deg = phase_degrees(r.s21);
  r.delay_ns = (dden / t.den).imag() * 1e9;  // d arg(den)/dw = Im(den'/den)
  r.zin = t.div == Complex{} ? Complex{std::numeric_limits<double>::infinity(), 0.0}
                             : t.num / t.div;
  const double rho = std::abs(r.s11);
  r.s11_db = decibels(rho);
  r.vswr = rho < 1.0 ? (1.0 + rho) / (1.0 - rho) : std::numeric_limits<double>::infinity();
  return r;
}

}  // namespace varnholt

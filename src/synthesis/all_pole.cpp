#include "synthesis/all_pole.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

#include "synthesis/exact_design.h"

namespace varnholt {
namespace {

// The polynomial work runs in long double: the continued fraction subtracts
// polynomials of nearly equal coefficients step after step.
using Real = long double;
using Cl = std::complex<Real>;
using Poly = std::vector<Real>;  // ascending powers
constexpr Real kPi = std::numbers::pi_v<Real>;

int degree(const Poly& p) { return static_cast<int>(p.size()) - 1; }

Cl evaluate(const Poly& p, Cl z) {
  Cl v = 0.0L;
  for (std::size_t i = p.size(); i-- > 0;) v = v * z + p[i];
  return v;
}

Cl derivative(const Poly& p, Cl z) {
  Cl v = 0.0L;
  for (std::size_t i = p.size(); i-- > 1;) v = v * z + p[i] * static_cast<Real>(i);
  return v;
}

// All roots of p (nonzero leading and constant coefficients) by the Aberth
// iteration, each polished by Newton steps on p itself.
std::vector<Cl> roots(const Poly& p) {
  const int n = degree(p);
  Real radius = 0.0L;
  for (int i = 0; i < n; ++i) {
    radius = std::max(radius, std::pow(std::fabs(p[i] / p[n]), 1.0L / (n - i)));
  }
  std::vector<Cl> z(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) z[k] = std::polar(radius, 2.0L * kPi * (k + 0.25L) / n + 0.4L);
  for (int iteration = 0; iteration < 500; ++iteration) {
    Real largest = 0.0L;
    for (int k = 0; k < n; ++k) {
      const Cl ratio = evaluate(p, z[k]) / derivative(p, z[k]);
      Cl sum = 0.0L;
      for (int j = 0; j < n; ++j) {
        if (j != k) sum += 1.0L / (z[k] - z[j]);
      }
      const Cl step = ratio / (1.0L - ratio * sum);
      z[k] -= step;
      largest = std::max(largest, std::abs(step) / std::max(1.0L, std::abs(z[k])));
    }
    if (largest < 1e-17L) break;
  }
  for (Cl& r : z) {
    for (int i = 0; i < 3; ++i) {
      const Cl d = derivative(p, r);
      if (std::abs(d) > 0.0L) r -= evaluate(p, r) / d;
    }
  }
  return z;
}

// The real monic polynomial with these roots (closed under conjugation).
Poly from_roots(const std::vector<Cl>& rs) {
  std::vector<Cl> c{1.0L};
  for (const Cl& r : rs) {
    c.push_back(0.0L);
    for (std::size_t i = c.size() - 1; i > 0; --i) c[i] = c[i - 1] - r * c[i];
    c[0] = -r * c[0];
  }
  Poly out;
  for (const Cl& v : c) out.push_back(v.real());
  return out;
}

// The solution of the augmented system m (n rows of n + 1), by Gaussian
// elimination with partial pivoting; empty when singular.
std::vector<Real> solve(std::vector<std::vector<Real>> m) {
  const int n = static_cast<int>(m.size());
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r)
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    if (!(std::fabs(m[pivot][col]) > 0.0L)) return {};
    std::swap(m[pivot], m[col]);
    for (int r = col + 1; r < n; ++r) {
      const Real f = m[r][col] / m[col][col];
      for (int c = col; c <= n; ++c) m[r][c] -= f * m[col][c];
    }
  }
  std::vector<Real> x(static_cast<std::size_t>(n));
  for (int i = n - 1; i >= 0; --i) {
    Real sum = m[i][n];
    for (int c = i + 1; c < n; ++c) sum -= m[i][c] * x[c];
    x[i] = sum / m[i][i];
  }
  return x;
}

// |P(jw)|^2 as a polynomial in x = w^2.
Poly power_in_x(const Poly& p) {
  Poly out(p.size(), 0.0L);
  for (std::size_t i = 0; i < p.size(); ++i) {
    for (std::size_t j = 0; j < p.size(); ++j) {
      if ((i + j) % 2 != 0) continue;
      // (j w)^i (-j w)^j = j^(i - j) w^(i + j) summed with its mirror: real.
      const long long e = static_cast<long long>(i) - static_cast<long long>(j);
      const Real sign = ((e / 2) % 2 == 0) ? 1.0L : -1.0L;
      out[(i + j) / 2] += sign * p[i] * p[j];
    }
  }
  while (out.size() > 1 && out.back() == 0.0L) out.pop_back();
  return out;
}

// The monic polynomial P(s) with |P(jw)|^2 = q(w^2) / (leading coefficient
// of q), from the roots of q: s = -sqrt(-x), the left half-plane root of
// each pair (or the right half-plane one). Coefficients of q that are exactly zero at the low end are
// zeros of P at s = 0.
Poly spectral_factor(const Poly& q, bool right_half_plane = false) {
  std::size_t m = 0;
  while (m + 1 < q.size() && q[m] == 0.0L) ++m;
  const Poly rest(q.begin() + static_cast<std::ptrdiff_t>(m), q.end());
  std::vector<Cl> rs(m, 0.0L);
  if (rest.size() > 1) {
    for (const Cl& x : roots(rest)) {
      Cl s = std::sqrt(-x);
      if ((s.real() > 0.0L) != right_half_plane) s = -s;
      rs.push_back(s);
    }
  }
  return from_roots(rs);
}

// g-values by the continued fraction of the input immittance (D + F) / (D - F)
// at infinity, S11 = F / D, F from the roots of b (left or right half-plane).
std::vector<Real> continued_fraction(const Poly& d, const Poly& b, bool right_half_plane) {
  const int n = degree(d);
  const Poly f = spectral_factor(b, right_half_plane);
  Poly num(d.size()), den(d.size());
  for (std::size_t i = 0; i < d.size(); ++i) {
    num[i] = d[i] + f[i];
    den[i] = d[i] - f[i];
  }
  den.pop_back();  // both monic: D - F is of degree n - 1
  std::vector<Real> g(static_cast<std::size_t>(n) + 1, 1.0L);
  for (int k = 1; k <= n; ++k) {
    const Real q = num.back() / den.back();
    g[k] = q;
    // num - q s den, whose two highest terms vanish: the remainder left
    // after the element holds no pole at infinity and no constant there.
    for (std::size_t i = 0; i < den.size(); ++i) num[i + 1] -= q * den[i];
    num.pop_back();
    if (num.size() > 1) num.pop_back();
    std::swap(num, den);
  }
  return g;
}

// V + I at the source of the ladder g[1..n] (g[1] series, then alternating)
// closed by 1 ohm, per volt on the load: 2 / S21. With `only` = j its
// derivative with respect to g[j]. Sums of products of the g-values only.
Poly source_sum(const std::vector<Real>& g, int only = 0) {
  const int n = static_cast<int>(g.size()) - 1;
  Poly v{1.0L}, i{1.0L};
  v.resize(static_cast<std::size_t>(n) + 1, 0.0L);
  i.resize(v.size(), 0.0L);
  for (int k = n; k >= 1; --k) {
    const bool series = k % 2 == 1;
    Poly& to = series ? v : i;
    const Poly& from = series ? i : v;
    Poly added(v.size(), 0.0L);
    for (int c = 0; c < n; ++c) added[c + 1] = g[k] * from[c];
    if (k == only) {
      for (int c = 0; c < n; ++c) added[c + 1] = from[c];
      to.assign(v.size(), 0.0L);
      (series ? i : v).assign(v.size(), 0.0L);
    }
    for (int c = 0; c <= n; ++c) to[c] += added[c];
  }
  Poly out(v.size());
  for (std::size_t c = 0; c < v.size(); ++c) out[c] = v[c] + i[c];
  return out;
}

// The doubly terminated ladder (1 ohm at both ends) whose transmission is
// D(0) / D(s), D monic Hurwitz, b = |D(jw)|^2 - D(0)^2 in w^2 the squared
// magnitude of its reflection: Darlington's synthesis. The continued fraction
// subtracts nearly equal polynomials at every step and loses digits along the
// ladder, so it is taken from the source end for the first half of the
// elements and from the load end (the mirrored reflection, right half-plane)
// for the rest; Newton's method then makes the ladder's own transfer
// polynomial, formed from the g-values without subtraction, equal to
// 2 D(s) / D(0) coefficient by coefficient.
std::vector<double> darlington(const Poly& d, const Poly& b) {
  const int n = degree(d);
  const std::vector<Real> forward = continued_fraction(d, b, false);
  const std::vector<Real> backward = continued_fraction(d, b, true);
  std::vector<Real> g(forward.size());
  for (int k = 1; k <= n; ++k) g[k] = 2 * k <= n + 1 ? forward[k] : backward[n + 1 - k];
  const auto residual = [&](const std::vector<Real>& x) {
    const Poly p = source_sum(x);
    std::vector<Real> r(static_cast<std::size_t>(n));
    for (int c = 1; c <= n; ++c) r[c - 1] = p[c] / (2.0L * d[c] / d[0]) - 1.0L;
    return r;
  };
  const auto size = [](const std::vector<Real>& r) {
    Real m = 0.0L;
    for (Real x : r) m = std::max(m, std::fabs(x));
    return m;
  };
  std::vector<Real> r = residual(g);
  for (int iteration = 0; iteration < 50 && size(r) > 1e-18L; ++iteration) {
    std::vector<std::vector<Real>> m(n, std::vector<Real>(n + 1));
    for (int j = 1; j <= n; ++j) {
      const Poly dp = source_sum(g, j);
      for (int c = 1; c <= n; ++c) m[c - 1][j - 1] = dp[c] / (2.0L * d[c] / d[0]);
    }
    for (int c = 0; c < n; ++c) m[c][n] = -r[c];
    const std::vector<Real> step = solve(m);
    if (step.empty()) break;
    bool improved = false;
    for (Real lambda = 1.0L; lambda > 1e-3L && !improved; lambda /= 2.0L) {
      std::vector<Real> trial = g;
      for (int j = 1; j <= n; ++j) trial[j] += lambda * step[j - 1];
      const std::vector<Real> rt = residual(trial);
      if (size(rt) < size(r)) {
        g = trial;
        r = rt;
        improved = true;
      }
    }
    if (!improved) break;
  }
  std::vector<double> out(static_cast<std::size_t>(n) + 2, 1.0);
  for (int k = 1; k <= n; ++k) out[k] = static_cast<double>(g[k]);
  const bool positive = std::all_of(out.begin(), out.end(), [](double x) { return x > 0.0; });
  return positive && size(r) < 1e-9L ? out : std::vector<double>{};
}

// b = a - a(0): the reflection's squared magnitude of a matched prototype.
Poly reflection_power(Poly a) {
  a[0] = 0.0L;
  return a;
}

// The x at which a(x) = 2 a(0), a rising over x >= 0.
Real half_power_x(const Poly& a) {
  const auto f = [&](Real x) { return evaluate(a, x).real() - 2.0L * a[0]; };
  Real lo = 0.0L, hi = 1.0L;
  while (f(hi) < 0.0L) hi *= 2.0L;
  for (int i = 0; i < 200 && hi - lo > 1e-19L * hi; ++i) {
    const Real mid = 0.5L * (lo + hi);
    (f(mid) < 0.0L ? lo : hi) = mid;
  }
  return 0.5L * (lo + hi);
}

// a(x x3) / leading coefficient: 3 dB at x = 1, monic.
Poly at_3db_monic(Poly a) {
  const Real x3 = half_power_x(a);
  Real scale = 1.0L;
  for (Real& c : a) {
    c *= scale;
    scale *= x3;
  }
  const Real lead = a.back();
  for (Real& c : a) c /= lead;
  return a;
}

// The reverse Bessel polynomial of order n (monic, integer coefficients).
Poly bessel_polynomial(int n) {
  Poly a(static_cast<std::size_t>(n) + 1);
  a[n] = 1.0L;
  for (int k = n; k > 0; --k) a[k - 1] = a[k] * (2 * n - k + 1) * k / (2 * (n - k + 1));
  return a;
}

// D(s w) / w^n: the frequency axis scaled by w.
Poly scaled(Poly d, Real w) {
  const int n = degree(d);
  for (int k = 0; k <= n; ++k) d[k] *= std::pow(w, static_cast<Real>(k - n));
  return d;
}

Poly multiply(const Poly& a, const Poly& b) {
  Poly out(a.size() + b.size() - 1, 0.0L);
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
  return out;
}

// Optimum-L: L_n(w^2) = integral from -1 to 2w^2 - 1 of (x + 1)^(n+1 mod 2)
// v(x)^2 dx, v a sum of Legendre polynomials P_i with the coefficients that
// make L_n steepest at w = 1 among monotonic responses with L_n(1) = 1.
// Computed in t = (x + 1) / 2 with the shifted polynomials P_i(2t - 1).
Poly optimum_l(int n) {
  const int k = (n - 1) / 2;
  const bool odd = n % 2 == 1;
  Poly v(static_cast<std::size_t>(k) + 1, 0.0L);
  for (int i = 0; i <= k; ++i) {
    if (!odd && (i % 2) != (k % 2)) continue;
    const Real a = odd ? (2 * i + 1) / (std::sqrt(2.0L) * (k + 1))
                       : (2 * i + 1) / std::sqrt(static_cast<Real>((k + 1) * (k + 2)));
    Real binomial_i = 1.0L, binomial_ik = 1.0L;  // C(i, j), C(i + j, j)
    for (int j = 0; j <= i; ++j) {
      v[j] += a * (((i + j) % 2 == 0) ? 1.0L : -1.0L) * binomial_i * binomial_ik;
      binomial_i = binomial_i * (i - j) / (j + 1);
      binomial_ik = binomial_ik * (i + j + 1) / (j + 1);
    }
  }
  Poly integrand = multiply(v, v);
  if (!odd) integrand = multiply(integrand, {0.0L, 2.0L});  // x + 1 = 2t
  // dx = 2 dt; integrated from t = 0.
  Poly l(integrand.size() + 1, 0.0L);
  for (std::size_t j = 0; j < integrand.size(); ++j) l[j + 1] = 2.0L * integrand[j] / (j + 1);
  return l;
}

// The Gaussian exp(ln 2 x) to its transition point xt: its Maclaurin series
// to x^(n-1), completed by the one term K (x / xt)^n that makes the
// polynomial equal to the Gaussian at xt. K, the series' remainder at xt,
// exceeds the Gaussian's own x^n term, so the response falls faster beyond.
Poly gaussian_to(int n, Real xt) {
  const Real beta = std::numbers::ln2_v<Real>;
  Poly p{1.0L};
  for (int k = 1; k < n; ++k) p.push_back(p.back() * beta / k);
  // The remainder summed term by term: exp less the series cancels.
  Real term = p.back() * beta * xt / n * std::pow(xt, static_cast<Real>(n - 1)), remainder = 0.0L;
  for (int k = n; term > 1e-40L * remainder; ++k) {
    remainder += term;
    term *= beta * xt / (k + 1);
  }
  p.push_back(remainder / std::pow(xt, static_cast<Real>(n)));
  return p;
}

// --- Equiripple phase --------------------------------------------------------

// The phase of D(jw) less w, radians: the error of the transfer function's
// phase -arg D from the line -w.
Real phase_error(const Poly& d, Real w) {
  return std::arg(evaluate(d, Cl(0.0L, w)) * std::polar(1.0L, -w));
}

// The monic D of degree n whose phase error vanishes at the frequencies w
// (ascending, n of them): Im(D(jw) e^-jw) = 0 is linear in the coefficients.
bool phase_interpolant(const std::vector<Real>& w, Poly& d) {
  const int n = static_cast<int>(w.size());
  const Real top = w.back();
  // Row k: sum_i d_i (w_k / top)^i top^i sin(i pi / 2 - w_k); unknowns d_i top^i.
  std::vector<std::vector<Real>> m(n, std::vector<Real>(n + 1));
  const auto term = [](int i, Real x) {
    switch (i % 4) {
      case 0: return -std::sin(x);
      case 1: return std::cos(x);
      case 2: return std::sin(x);
      default: return -std::cos(x);
    }
  };
  for (int k = 0; k < n; ++k) {
    const Real r = w[k] / top;
    for (int i = 0; i <= n; ++i) m[k][i] = std::pow(r, static_cast<Real>(i)) * term(i, w[k]);
    m[k][n] = -m[k][n] * std::pow(top, static_cast<Real>(n));
  }
  const std::vector<Real> x = solve(std::move(m));
  if (x.empty()) return false;
  d = x;
  d.push_back(1.0L);
  for (int i = 0; i < n; ++i) d[i] /= std::pow(top, static_cast<Real>(i));
  return std::all_of(d.begin(), d.end(), [](Real c) { return std::isfinite(c) && c > 0.0L; });
}

// The largest |phase error| between each pair of successive zeros
// (0, w_1, ..., w_n), by golden-section search in each lobe.
std::vector<Real> lobe_peaks(const Poly& d, const std::vector<Real>& w) {
  std::vector<Real> peaks;
  Real left = 0.0L;
  const Real ratio = (std::sqrt(5.0L) - 1.0L) / 2.0L;
  for (Real right : w) {
    const Real sign = phase_error(d, 0.5L * (left + right)) < 0.0L ? -1.0L : 1.0L;
    const auto f = [&](Real x) { return sign * phase_error(d, x); };
    Real a = left, b = right;
    Real x1 = b - ratio * (b - a), x2 = a + ratio * (b - a);
    Real f1 = f(x1), f2 = f(x2);
    for (int i = 0; i < 80; ++i) {
      if (f1 > f2) {
        b = x2;
        x2 = x1;
        f2 = f1;
        x1 = b - ratio * (b - a);
        f1 = f(x1);
      } else {
        a = x1;
        x1 = x2;
        f1 = f2;
        x2 = a + ratio * (b - a);
        f2 = f(x2);
      }
    }
    peaks.push_back(std::max(f1, f2));
    left = right;
  }
  return peaks;
}

// Zeros of the phase error from the logarithms of the gaps between them.
std::vector<Real> zeros_from_gaps(const std::vector<Real>& u) {
  std::vector<Real> w;
  Real at = 0.0L;
  for (Real g : u) w.push_back(at += std::exp(g));
  return w;
}

// Peaks relative to the ripple, less 1; empty when D cannot be formed.
std::vector<Real> ripple_residual(const std::vector<Real>& u, Real ripple, Poly& d) {
  const std::vector<Real> w = zeros_from_gaps(u);
  if (!phase_interpolant(w, d)) return {};
  std::vector<Real> r = lobe_peaks(d, w);
  for (Real& x : r) x = x / ripple - 1.0L;
  return r;
}

Real largest_magnitude(const std::vector<Real>& r) {
  Real m = 0.0L;
  for (Real x : r) m = std::max(m, std::fabs(x));
  return m;
}

// The phase error's zeros start at the positive zeros of the Chebyshev
// polynomial T_2n+1 scaled to the band whose largest lobe is the ripple;
// Newton's method on the logarithms of the gaps then makes every lobe equal.
bool equiripple_phase(int n, Real ripple, Poly& d) {
  std::vector<Real> shape;
  for (int k = 1; k <= n; ++k) shape.push_back(std::cos((2 * (n - k) + 1) * kPi / (4 * n + 2)));
  const auto gaps = [&](Real band) {
    std::vector<Real> u;
    Real prev = 0.0L;
    for (Real s : shape) {
      u.push_back(std::log(band * (s - prev)));
      prev = s;
    }
    return u;
  };
  const auto peak = [&](Real band) {
    const std::vector<Real> r = ripple_residual(gaps(band), ripple, d);
    return r.empty() ? std::numeric_limits<Real>::quiet_NaN() : *std::max_element(r.begin(), r.end());
  };
  // The band shrinks from wide until the largest lobe falls below the
  // ripple, then bisection between the last two bands. (The search runs
  // downwards: very narrow bands leave the interpolation conditions nearly
  // dependent, and D is formed there from rounding.)
  Real lo = 0.0L, hi = 0.0L;
  for (Real band = 4.0L * n; band > 0.1L; band /= 1.1L) {
    const Real v = peak(band);
    if (v < 0.0L) {
      lo = band;
      break;
    }
    hi = band;
  }
  if (!(lo > 0.0L) || !(hi > 0.0L)) return false;
  for (int i = 0; i < 60; ++i) {
    const Real mid = std::sqrt(lo * hi);
    (peak(mid) < 0.0L ? lo : hi) = mid;
  }
  std::vector<Real> u = gaps(lo);
  std::vector<Real> r = ripple_residual(u, ripple, d);
  if (r.empty()) return false;
  for (int iteration = 0; iteration < 60 && largest_magnitude(r) > 1e-12L; ++iteration) {
    std::vector<std::vector<Real>> jac(n, std::vector<Real>(n + 1));
    Poly scratch;
    for (int j = 0; j < n; ++j) {
      std::vector<Real> up = u;
      const Real h = 1e-7L;
      up[j] += h;
      const std::vector<Real> rj = ripple_residual(up, ripple, scratch);
      if (rj.empty()) return false;
      for (int i = 0; i < n; ++i) jac[i][j] = (rj[i] - r[i]) / h;
    }
    for (int i = 0; i < n; ++i) jac[i][n] = -r[i];
    const std::vector<Real> step = solve(std::move(jac));
    if (step.empty()) return false;
    bool improved = false;
    for (Real lambda = 1.0L; lambda > 1e-4L && !improved; lambda /= 2.0L) {
      std::vector<Real> trial = u;
      for (int i = 0; i < n; ++i) trial[i] += lambda * step[i];
      const std::vector<Real> rt = ripple_residual(trial, ripple, scratch);
      if (!rt.empty() && largest_magnitude(rt) < largest_magnitude(r)) {
        u = trial;
        r = rt;
        improved = true;
      }
    }
    if (!improved) break;
  }
  r = ripple_residual(u, ripple, d);
  return !r.empty() && largest_magnitude(r) < 1e-9L;
}

// --- The prototypes ----------------------------------------------------------

std::vector<std::complex<double>> left_half_plane(const std::vector<Cl>& rs) {
  std::vector<std::complex<double>> out;
  for (const Cl& r : rs) out.emplace_back(static_cast<double>(r.real()), static_cast<double>(r.imag()));
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
    return a.imag() != b.imag() ? a.imag() > b.imag() : a.real() < b.real();
  });
  return out;
}

// From the monic Hurwitz denominator: poles and ladder.
bool from_denominator(const Poly& d, AllPolePrototype& p) {
  const std::vector<Cl> rs = roots(d);
  if (!std::all_of(rs.begin(), rs.end(), [](const Cl& r) { return r.real() < 0.0L; })) return false;
  p.poles = left_half_plane(rs);
  p.g = darlington(d, reflection_power(power_in_x(d)));
  return true;
}

// From the squared-magnitude denominator a(w^2), positive over w^2 >= 0,
// with a(0) its d.c. value.
bool from_power(const Poly& a, AllPolePrototype& p) {
  const Poly monic = at_3db_monic(a);
  const Poly d = spectral_factor(monic);
  p.poles = left_half_plane(roots(d));
  p.g = darlington(d, reflection_power(monic));
  return true;
}

// Chebyshev and Butterworth: the closed forms of exact_design, with their poles.
void closed_form(AllPolePrototype& p) {
  const int n = p.order;
  double v = 0.0;
  if (p.response == Response::Chebyshev) {
    const double eps2 = std::expm1(p.parameter * std::numbers::ln10 / 10.0);
    v = std::asinh(1.0 / std::sqrt(eps2)) / n;
    if (n % 2 == 0) p.dc_gain = 1.0 / std::sqrt(1.0 + eps2);
  }
  for (int k = 1; k <= n; ++k) {
    const double theta = (2.0 * k - 1.0) * std::numbers::pi / (2.0 * n);
    const double re = p.response == Response::Chebyshev ? std::sinh(v) : 1.0;
    const double im = p.response == Response::Chebyshev ? std::cosh(v) : 1.0;
    p.poles.emplace_back(-re * std::sin(theta), im * std::cos(theta));
  }
  p.g = prototype_values(p.response, n, p.parameter);
}

}  // namespace

bool is_all_pole(Response response) {
  return response != Response::Elliptic && response != Response::InverseChebyshev;
}

double AllPolePrototype::loss_db(double w) const {
  double sum = 0.0;
  for (const std::complex<double>& p : poles) sum += std::log10(std::norm(std::complex<double>(0.0, w) - p) / std::norm(p));
  return 10.0 * sum - 20.0 * std::log10(dc_gain);
}

std::optional<AllPolePrototype> all_pole_prototype(Response response, int order,
                                                   double parameter) {
  if (!is_all_pole(response) || order < kMinComputedOrder || order > kMaxComputedOrder) {
    return std::nullopt;
  }
  AllPolePrototype p;
  p.response = response;
  p.order = order;
  p.parameter = parameter;
  const int n = order;
  bool made = true;
  switch (response) {
    case Response::Chebyshev:
      if (!(parameter > 0.0) || !std::isfinite(parameter)) return std::nullopt;
      closed_form(p);
      break;
    case Response::Butterworth:
      closed_form(p);
      break;
    case Response::Bessel: {
      const Poly theta = bessel_polynomial(n);
      made = from_denominator(scaled(theta, std::sqrt(half_power_x(power_in_x(theta)))), p);
      break;
    }
    case Response::LinearPhase:
      made = from_denominator(bessel_polynomial(n), p);
      break;
    case Response::Legendre: {
      Poly a = optimum_l(n);
      a[0] = 1.0L;
      made = from_power(a, p);
      break;
    }
    case Response::Gaussian: {
      Poly a{1.0L};
      for (int k = 1; k <= n; ++k) a.push_back(a.back() / k);
      made = from_power(a, p);
      break;
    }
    case Response::Transitional6dB:
    case Response::Transitional12dB:
      made = from_power(gaussian_to(n, response == Response::Transitional6dB ? 2.0L : 4.0L), p);
      break;
    case Response::EquirippleDelay: {
      if (!(parameter >= kMinPhaseErrorDeg && parameter <= kMaxPhaseErrorDeg)) return std::nullopt;
      Poly d;
      made = equiripple_phase(n, parameter * kPi / 180.0L, d) && from_denominator(d, p);
      break;
    }
    case Response::Elliptic:
    case Response::InverseChebyshev:
      return std::nullopt;
  }
  if (!made || p.g.empty()) return std::nullopt;
  return p;
}

std::optional<int> all_pole_order(Response response, double parameter, double skirt_w,
                                  double a1_db) {
  if (!(skirt_w > 1.0)) return std::nullopt;
  for (int n = kMinComputedOrder; n <= kMaxComputedOrder; ++n) {
    const std::optional<AllPolePrototype> p = all_pole_prototype(response, n, parameter);
    if (p && p->loss_db(skirt_w) >= a1_db) return n;
  }
  return std::nullopt;
}

}  // namespace varnholt

#include "synthesis/elliptic_functions.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace varnholt {
namespace {

using std::numbers::pi;

double agm(double a, double b) {
  // Converges quadratically; 40 steps are far beyond what any double needs,
  // and the bound keeps a last-bit oscillation from looping.
  for (int i = 0; i < 40 && a != b; ++i) {
    const double mean = 0.5 * (a + b);
    b = std::sqrt(a * b);
    a = mean;
  }
  return a;
}

// Descending Landen moduli k_1, k_2, ... of k, down to where k_n^2 vanishes
// next to 1. k_{n+1} = (k_n / (1 + k'_n))^2, k'_{n+1} = 2 sqrt(k'_n) / (1 + k'_n).
std::vector<double> landen_moduli(Modulus m) {
  std::vector<double> v;
  while (m.k > 1e-15 && v.size() < 30) {
    const double k = (m.k / (1.0 + m.kp)) * (m.k / (1.0 + m.kp));
    m.kp = 2.0 * std::sqrt(m.kp) / (1.0 + m.kp);
    m.k = k;
    v.push_back(k);
  }
  return v;
}

// Theta sums of the nome q: 1 + 2 sum q^(m^2), 1 + 2 sum (-1)^m q^(m^2) and
// 2 q^(1/4) sum q^(m(m+1)).
struct Thetas {
  double t2, t3, t4;
};

Thetas thetas(double q) {
  double t3 = 1.0, t4 = 1.0, t2 = 1.0;
  for (int m = 1; m < 30; ++m) {
    const double square = std::pow(q, m * m);
    t3 += 2.0 * square;
    t4 += (m % 2 == 0 ? 2.0 : -2.0) * square;
    t2 += std::pow(q, m * (m + 1));
    if (square < 1e-18) break;
  }
  return {2.0 * std::pow(q, 0.25) * t2, t3, t4};
}

}  // namespace

double complete_integral(Modulus m) {
  return pi / (2.0 * agm(1.0, m.kp));
}

std::complex<double> cd_normalised(std::complex<double> u, Modulus m) {
  const std::vector<double> v = landen_moduli(m);
  std::complex<double> w = std::cos(u * (pi / 2.0));
  for (auto it = v.rbegin(); it != v.rend(); ++it) w = (1.0 + *it) * w / (1.0 + *it * w * w);
  return w;
}

double arc_sn_imaginary(double x, Modulus m) {
  // Descending Landen steps on w = j x stay on the imaginary axis; at the end
  // sn is sin, and sin(j v pi / 2) = j sinh(v pi / 2).
  const std::vector<double> v = landen_moduli(m);
  double previous = m.k;
  for (double vn : v) {
    x = x / (1.0 + std::sqrt(1.0 + x * x * previous * previous)) * 2.0 / (1.0 + vn);
    previous = vn;
  }
  return 2.0 / pi * std::asinh(x);
}

Modulus degree_modulus(int n, Modulus k1) {
  const double ratio = complete_integral({k1.kp, k1.k}) / complete_integral(k1);
  const double q = std::exp(-pi * ratio / n);
  const Thetas t = thetas(q);
  return {(t.t2 / t.t3) * (t.t2 / t.t3), (t.t4 / t.t3) * (t.t4 / t.t3)};
}

double degree_order(Modulus k, Modulus k1) {
  return complete_integral(k) * complete_integral({k1.kp, k1.k}) /
         (complete_integral({k.kp, k.k}) * complete_integral(k1));
}

}  // namespace varnholt

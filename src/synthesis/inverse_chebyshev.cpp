#include "synthesis/inverse_chebyshev.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

namespace varnholt {
namespace {

using Cx = std::complex<double>;

const double kHalfPowerDb = 10.0 * std::log10(2.0);

bool valid_floor(double as_db) { return as_db > kHalfPowerDb && as_db <= kMaxStopbandDb; }

}  // namespace

EllipticPrototype inverse_chebyshev_prototype(int order, double as_db) {
  if (order < kMinEllipticOrder || order > kMaxEllipticOrder || !valid_floor(as_db)) {
    throw std::invalid_argument(
        "inverse Chebyshev prototype: needs order 2..15 and 3.0103 < As <= 300 dB");
  }
  const int n = order;
  EllipticPrototype p;
  p.response = Response::InverseChebyshev;
  p.order = n;
  p.am_db = kHalfPowerDb;
  p.as_db = as_db;
  p.epsilon = 1.0;
  // 1 / e = sqrt(10^(As/10) - 1): the classical response, stopband edge at
  // 1 rad/s, reaches 3 dB where T_n(1 / w) = 1 / e.
  const double inv_e = std::sqrt(std::expm1(as_db * std::numbers::ln10 / 10.0));
  const double ws = std::cosh(std::acosh(inv_e) / n);
  // Its poles are the reciprocals of the Chebyshev poles of ripple factor e
  // (in 1 / w); everything divided by the 3 dB frequency 1 / ws.
  const double v = std::asinh(inv_e) / n;
  for (int k = 1; k <= n; ++k) {
    const double theta = (2.0 * k - 1.0) * std::numbers::pi / (2.0 * n);
    const Cx chebyshev(-std::sinh(v) * std::sin(theta), std::cosh(v) * std::cos(theta));
    p.poles.push_back(ws / chebyshev);
    if (2 * k <= n) {
      p.zeros.push_back(ws / std::cos(theta));
      p.reflection_zeros.push_back(0.0);
    }
  }
  std::sort(p.zeros.begin(), p.zeros.end());
  p.ws = ws;
  if (n % 2 == 0) move_highest_zero_to_infinity(p);
  // Unit characteristic function at the 3 dB point.
  double transmission = 1.0;
  for (double z : p.zeros) transmission *= (z - 1.0) * (z + 1.0);
  p.gain = transmission;
  return p;
}

int inverse_chebyshev_order(double as_db, double ws) {
  if (!valid_floor(as_db) || !(ws > 1.0)) return 0;
  for (int n = kMinEllipticOrder; n <= kMaxEllipticOrder; ++n) {
    if (inverse_chebyshev_prototype(n, as_db).ws <= ws * (1.0 + 1e-12)) return n;
  }
  return 0;
}

EllipticDesign design_inverse_chebyshev(const EllipticRequest& request) {
  if (!valid_floor(request.as_db)) {
    throw std::invalid_argument(
        "inverse Chebyshev: the stopband attenuation must be above 3.0103 dB and at most 300 dB");
  }
  EllipticRequest r = request;
  r.am_db = kHalfPowerDb;
  check_request(r);
  int order = r.order;
  if (order == 0) {
    order = inverse_chebyshev_order(r.as_db, normalised_skirt(r));
    if (order == 0) {
      throw std::invalid_argument(
          "inverse Chebyshev: more than 15 sections would be needed at F1");
    }
  }
  return design_from_prototype(request, inverse_chebyshev_prototype(order, r.as_db));
}

}  // namespace varnholt

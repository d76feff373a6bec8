// All-pole low-pass prototypes computed from their definitions, and their
// doubly terminated ladders by Darlington synthesis, for orders 2..15.
//
// Normalisations (where 1 rad/s sits):
//   Butterworth, Chebyshev  the closed forms of exact_design: 3 dB at 1 rad/s,
//                           and the ripple edge for Chebyshev.
//   Bessel                  the Bessel polynomial, magnitude 3 dB down at 1 rad/s
//                           (the dialog's Bessel table, orders 2..10).
//   LinearPhase             the same Bessel polynomial, unit group delay at
//                           0 rad/s (the dialog's linear-phase table, 2..10).
//   Legendre                optimum-L: 1/|H|^2 = 1 + L_n(w^2) with L_n(1) = 1,
//                           so 3 dB at 1 rad/s.
//   Gaussian                1/|H|^2 = sum_{k=0..n} (a w^2)^k / k!, the Maclaurin
//                           series of exp(a w^2) truncated at w^2n, a such that
//                           the loss is 3 dB at 1 rad/s.
//   Transitional6dB/12dB    1/|H|^2 = P(w^2): the Maclaurin series of the
//                           Gaussian exp(ln 2 w^2) to w^(2n-2), completed by the
//                           single term K (w^2 / x_t)^n that makes P equal to the
//                           Gaussian at its 6 dB point x_t = w^2 = 2 (12 dB:
//                           x_t = 4); the fall beyond is faster than the Gaussian
//                           series'. Then scaled to 3 dB at 1 rad/s (a shift
//                           of a few per cent at order 2, less above).
//   EquirippleDelay         unit delay: the phase, measured from the line
//                           -w (1 s), ripples with the given amplitude (degrees,
//                           0.05..5) over n lobes from 0 rad/s, then departs.
// Every prototype has |H(0)| = 1 (equal terminations) except even-order
// Chebyshev. The ladders are in the g-value form of prototype_values.
#pragma once

#include <complex>
#include <optional>
#include <vector>

#include "common/codes.h"

namespace varnholt {

inline constexpr int kMinComputedOrder = 2;
inline constexpr int kMaxComputedOrder = 15;
inline constexpr double kMinPhaseErrorDeg = 0.05;
inline constexpr double kMaxPhaseErrorDeg = 5.0;

// Chebyshev, Butterworth, Bessel, LinearPhase and the all-pole codes from 6 on.
bool is_all_pole(Response response);

// H(s) = dc_gain prod(-p) / prod(s - p).
struct AllPolePrototype {
  Response response = Response::Butterworth;
  int order = 0;
  double parameter = 0.0;  // Chebyshev ripple dB, EquirippleDelay phase error degrees
  double dc_gain = 1.0;
  std::vector<std::complex<double>> poles;  // left half-plane
  std::vector<double> g;                    // g[0] = 1, g[1..n], g[n + 1] the load
  // Transducer loss at w rad/s, dB, from the poles.
  double loss_db(double w) const;
};

// Nothing for a response that is not all-pole, an order outside 2..15, a
// Chebyshev ripple that is not positive, a phase error outside 0.05..5
// degrees, or an equiripple delay the iteration does not reach or whose
// magnitude rises above its d.c. value, which a ladder between equal
// terminations cannot realise (even orders at the larger phase errors:
// 0.5 degrees at orders 12 and 14, 5 degrees at every even order).
std::optional<AllPolePrototype> all_pole_prototype(Response response, int order,
                                                   double parameter);

// The lowest order 2..15 whose loss at skirt_w rad/s (beyond 1) is at least
// a1_db; nothing when none is.
std::optional<int> all_pole_order(Response response, double parameter, double skirt_w,
                                  double a1_db);

}  // namespace varnholt

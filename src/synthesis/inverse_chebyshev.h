// Inverse Chebyshev (Chebyshev type II) filters: a maximally flat passband
// and a stopband that ripples down to the floor As, with finite transmission
// zeros, realised by the elliptic filters' zero shifting.
//
// Normalisation: the loss is 3 dB (10 log10 2) at 1 rad/s, the prototype's
// passband edge, which a design places at fc (or the band edges); ws is the
// stopband edge, where the loss first reaches As. The classical response
// 1 / |H|^2 = 1 + 1 / (e^2 T_n(ws / w)^2), e^2 = 1 / (10^(As/10) - 1), has
// ws = cosh(acosh(1 / e) / n). Even orders are modified as the elliptic ones
// are (move_highest_zero_to_infinity): a ladder without coupled coils then
// realises them between equal terminations; the floor and the 3 dB point
// stay, ws moves up a little.
#pragma once

#include "synthesis/elliptic.h"

namespace varnholt {

// Throws std::invalid_argument unless the order is 2..15 and
// 10 log10 2 < As <= 300 dB.
EllipticPrototype inverse_chebyshev_prototype(int order, double as_db);

// The lowest order (2..15) whose stopband edge lies at or below ws (rad/s,
// beyond 1); 0 when none does.
int inverse_chebyshev_order(double as_db, double ws);

// Designs the filter as design_elliptic does, request.am_db unused (the
// passband edge is the 3 dB point), with order 0 the lowest order whose
// stopband edge reaches f1. Throws as design_elliptic does.
EllipticDesign design_inverse_chebyshev(const EllipticRequest& request);

}  // namespace varnholt

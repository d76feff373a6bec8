// Normalised low-pass prototype element values.
#pragma once

#include <cstdint>

#include "common/stores.h"

namespace varnholt {

// Fills g(1)..g(n) with the prototype element values of order n, position 1
// next to the source, and g(n+1) with the normalised load; entries above n+1
// are left alone. ires: 1 Chebyshev (ripple am, dB), 2 Butterworth, 3 Bessel,
// 4 linear phase; any other code is Chebyshev. Chebyshev raises a ripple below
// 1e-10 dB to 1e-10 in am itself. Bessel and linear phase come from tables for
// orders 2..10; any other order gets only g(1) = 2. An order outside 1..30
// has no room in g and writes nothing.
void pev1(PositionArray& g, int32_t n, float& am, int32_t ires);

}  // namespace varnholt

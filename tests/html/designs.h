// Element values from the synthesis, for building real pages in the tests.
// (Kept apart from ladder/ladder.h, whose Ladder is a different type from the
// stores' element arrays.)
#pragma once

#include <vector>

namespace varnholt::testing {

// Values of positions 1..n at index k - 1 (nH, pF) and the load resistances
// of the standard and the dual circuit.
struct Designed {
  std::vector<double> serl, serc, shuntl, shuntc;
  double ros = 0.0, rod = 0.0;
};

// A Chebyshev 0.1 dB design of type ides (1 low-pass .. 4 band-stop) with n
// sections; f_a is the cut-off or upper edge, f_b the lower edge (MHz).
Designed chebyshev(int ides, int n, float f_a, float f_b, float zo);

}  // namespace varnholt::testing

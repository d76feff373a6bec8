// The ladder design in double, from the values exactly as typed. The same
// formulas as the float routines of prototype.cpp and transform.cpp, with the
// constants exact (pi, the ripple constant 40 / ln 10), so that the command
// line's outputs are free of the float path's rounding: an odd-order
// Chebyshev load, for instance, is the system impedance itself.
#pragma once

#include <optional>
#include <vector>

#include "common/codes.h"
#include "ladder/ladder.h"

namespace varnholt {

// The normalised low-pass prototype of an order: g[0] = 1 (the source),
// g[1]..g[n] the element values from the source end, g[n + 1] the normalised
// load (exactly 1 for odd-order Chebyshev, Butterworth and the tables).
// Chebyshev takes ripple_db, raised to 1e-10 dB when below it, as the float
// path does; EquirippleDelay takes it as its phase error in degrees. Bessel
// and linear phase of orders 2..10 are the tables the float path reads (the
// computed values agree with them to their printed digits), 11..15 computed;
// the other all-pole responses are computed for orders 2..15
// (synthesis/all_pole.h). Empty when there is no such prototype: an order
// outside 1..30 or outside those ranges, elliptic, inverse Chebyshev.
std::vector<double> prototype_values(Response response, int order, double ripple_db);

struct ExactRequest {
  FilterType type = FilterType::LowPass;
  Response response = Response::Chebyshev;
  double cutoff_mhz = 0.0;  // low- and high-pass
  double lower_mhz = 0.0;   // band-pass and band-stop edges
  double upper_mhz = 0.0;
  double ripple_db = 0.0;   // Chebyshev only
  int order = 0;
  double impedance_ohms = 50.0;
};

struct ExactDesign {
  std::vector<double> g;  // as prototype_values gives it
  Ladder standard;        // first branch shunt
  Ladder dual;            // first branch series
  double source_ohms = 0.0;
  double standard_load_ohms = 0.0;
  double dual_load_ohms = 0.0;
};

// Both circuits of the request, branch for branch as ladder_from_stores
// describes the float design (l in nH, c in pF); band filters resonate at
// the geometric centre of the edges. Nothing when prototype_values is empty.
std::optional<ExactDesign> design_exact(const ExactRequest& request);

}  // namespace varnholt

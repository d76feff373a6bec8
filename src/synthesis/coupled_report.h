// The report of a coupled-resonator design, in the layout of the synthesis
// report: title, design block, the band the circuit really has beside the
// band asked (the design holds its q and k at the centre only), the
// normalised q and k, and one line per element with its role. The caller
// prints the run header (print_report_header) before it when it wants one.
#pragma once

#include <optional>

#include "format/console.h"
#include "synthesis/coupled_resonator.h"

namespace varnholt {

// The band of a circuit from its exact analysis: the edges where its loss
// crosses level_db (the outermost crossings), and the ripple between them.
struct MeasuredBand {
  double level_db = 0.0;
  std::optional<double> lower_mhz, upper_mhz;  // none: the loss never falls to the level
  std::optional<double> ripple_db;             // Chebyshev only
};

struct CoupledReport {
  CoupledRequest request;  // as asked (the edges, the ripple, the resonator L if given)
  CoupledDesign design;    // its element values those of the circuit analysed
  MeasuredBand measured;
};

void print_coupled_report(Console& console, const CoupledReport& report);

}  // namespace varnholt

// The report header of every run, and the synthesis run with its report.
#pragma once

#include <string_view>

#include "common/session.h"
#include "synthesis/printed.h"

namespace varnholt {

void print_report_header(Session& s);

// The design frequencies, number of sections, response and ripple or skirt
// attenuation of the filter reported on. For Bessel and linear-phase band
// designs with a skirt requirement the attenuation shown, and kept, is 0.
void print_design_block(Session& s);

// Designs the filter of the dialog's data into the element store and prints
// the design block and the element table of the standard and dual circuits.
void synthesis_run(Session& s);

// The synthesis report of the element store as it stands (the design block
// and the element table), with the loads of the standard (ros) and the dual
// (rod) circuit: what synthesis_run prints once it has designed.
void print_synthesis_report(Session& s, float rod, float ros);

}  // namespace varnholt

// The report header of every run, and the synthesis run with its report.
#pragma once

#include <string_view>

#include "common/session.h"

namespace varnholt {

// An element value as the table prints it: above 100000 nH or pF, in mH or uF.
struct Printed {
  float value;
  std::string_view unit;
};
Printed inductor(float nh);
Printed capacitor(float pf);

void print_report_header(Session& s);

// The design frequencies, number of sections, response and ripple or skirt
// attenuation of the filter reported on. For Bessel and linear-phase band
// designs with a skirt requirement the attenuation shown, and kept, is 0.
void print_design_block(Session& s);

// Designs the filter of the dialog's data into the element store and prints
// the design block and the element table of the standard and dual circuits.
void synthesis_run(Session& s);

}  // namespace varnholt

// The report of an elliptic design, in the layout of the synthesis report:
// title, design block, then one or two lines per branch with its elements and
// the frequencies at which it blocks transmission. The caller prints the run
// header (print_report_header) before it when it wants one.
#pragma once

#include <string>

#include "format/console.h"
#include "synthesis/elliptic.h"

namespace varnholt {

void print_elliptic_report(Console& console, const EllipticDesign& d);

// How the elements of a branch connect, as the report writes it, e.g.
// "(L1 || C1) || (L2 + C2)"; also a plain description for exports.
std::string connection_text(BranchKind kind);

}  // namespace varnholt

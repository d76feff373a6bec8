// A user's circuit-element data file: type, configuration, cut-off
// frequencies and the element values position by position.
#pragma once

#include <cstdint>
#include <string>

#include "common/session.h"

namespace varnholt {

// Reads the file named by the first 12 characters of `fni` into the element
// store and the cut-off frequencies, echoing the cut-offs; n is the number of
// complete positions. A bad entry is reported with its number and label and
// sets isel to -1; a file that cannot be opened throws FatalError.
void ckfread(Session& s, const std::string& fni, int32_t& icfg, int32_t& ides, int32_t& isel,
             int32_t& n);

}  // namespace varnholt

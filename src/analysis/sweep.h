// The analysis run: terminations, design data and one response row per
// sweep frequency.
#pragma once

#include "common/session.h"

namespace varnholt {

// Returns false when the cascade reports an element error and the program
// must end at once.
bool analysis_run(Session& s);

}  // namespace varnholt

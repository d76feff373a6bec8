// The default-values file "Varnholt.DEF", read once at the first start.
#pragma once

#include "common/session.h"

namespace varnholt {

// Reads all entries into the working and default stores. A damaged entry is
// reported by its label on the console and sets isel to -1; a file that
// cannot be opened throws FatalError.
void defread(Session& s);

}  // namespace varnholt

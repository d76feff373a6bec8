// The design file: a design as JSON. It holds the design data (so that a
// later analysis reports the design block exactly as the dialog does), the
// prototype values, both circuits in double precision as designed, and for
// the dialog's ladders the element stores' float values too, which the
// interactive program's report analyses. A coupled-resonator design records
// its topology and resonator L and its one circuit ("circuits.coupled"); its
// shape is read back from the design of the recorded request. Version 1
// files (float values only) read as before.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "pipeline/result.h"

namespace varnholt {

// The design file's entries for a record (without the practical results).
nlohmann::json design_record_json(const DesignRecord& record);

// Reads a design file; `name` starts the messages of the UsageError thrown
// for anything missing, mistyped or outside the design rules.
DesignRecord read_design_file(const std::string& text, const std::string& name);

}  // namespace varnholt

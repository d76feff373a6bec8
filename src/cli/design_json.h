// The design file: a synthesised design as JSON. It holds the design data
// (so that a later analysis reports the design block exactly as the dialog
// does), the prototype values and both circuits with their terminations.
// Numbers are the stores' floats, written so that they read back exactly (an
// elliptic design's element values are doubles, written in full).
#pragma once

#include <string>

#include "cli/requests.h"
#include "common/stores.h"
#include "ladder/ladder.h"

namespace varnholt {

struct DesignFile {
  DesignRequest design;
  Ladder standard;
  Ladder dual;
  float source = 0.0f;         // ohms, both circuits
  float load_standard = 0.0f;  // ohms
  float load_dual = 0.0f;
};

// The design in `st` as synthesised from `design`.
std::string design_json(const DesignRequest& design, const State& st);

// An elliptic design in both circuits.
std::string elliptic_design_json(const DesignRequest& design, const EllipticDesign& standard,
                                 const EllipticDesign& dual);

// Reads a design file; `name` starts the messages of the UsageError thrown
// for anything missing, mistyped or outside the design rules.
DesignFile read_design_json(const std::string& text, const std::string& name);

}  // namespace varnholt

// The ladder held in the element stores, as a Ladder and back: which store
// holds which element of the branch at each position.
#pragma once

#include <cstdint>

#include "common/codes.h"
#include "common/stores.h"
#include "ladder/ladder.h"

namespace varnholt {

// Positions 1..n (n at most 31) of the stores for the filter type and circuit.
Ladder ladder_from_stores(const Capind& c, FilterType type, Configuration circuit,
                                    int32_t n);

// Writes the branches of `ladder` into the stores at positions 1, 2, ...; the
// caller has checked that each branch has the kind and placement the type and
// circuit give that position (branch_kind, placement_at).
void stores_from_ladder(const Ladder& ladder, FilterType type, Capind& c);

Placement placement_at(Configuration circuit, int32_t position);
BranchKind branch_kind(FilterType type, Placement placement);

}  // namespace varnholt

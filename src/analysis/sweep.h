// The analysis run: terminations, design data and one response row per
// sweep frequency.
#pragma once

#include <cstdint>

#include "common/session.h"

namespace varnholt {

// Returns false when the cascade reports an element error and the program
// must end at once; a ladder described by the element store only ever has
// valid element codes, so in practice it returns true.
//
// Long sweeps: the element values are laid out once (PreparedLadder), the
// terms that depend only on the terminations are formed once, and each pass
// evaluates the cascades of four frequencies and of the four frequencies the
// delay steps to together. Every printed character is that of the plain
// per-frequency ladder, lddrtg and grpdly.
bool analysis_run(Session& s);

// The number of steps i of a sweep: (fmax - fmin) / fstep to the nearest
// integer, halves away from zero; the sweep has i + 1 points. Returns -1 when
// there is no point, and at most the largest 32-bit count.
int64_t sweep_steps(float fmin, float fmax, float fstep);

// The frequency of step number `step`, formed from fmin without accumulating.
float sweep_frequency(float fmin, float fstep, int64_t step);

}  // namespace varnholt

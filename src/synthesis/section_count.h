// Number of sections needed to meet a skirt requirement.
#pragma once

#include <cstdint>

namespace varnholt {

// Smallest order that gives at least a1 dB at the skirt frequency f1, and in
// a2 the attenuation that order reaches there. ides: 1 low-pass (cut-off fc),
// 2 high-pass (cut-off fc), 3 band-pass and 4 band-stop (edges fl1, fh1).
// ires: 2 Butterworth, 3 or 4 (Bessel, linear phase) a fixed order of 5 with
// a2 untouched, any other code Chebyshev with ripple am. ierr = 1, with n and
// a2 untouched, when a1 does not exceed am or the normalised skirt frequency
// is not positive. n is at least 2 and has no upper bound of its own.
void nsectn(float am, float a1, float& a2, float fc, float f1, float fh1, float fl1, int32_t ides,
            int32_t& ierr, int32_t ires, int32_t& n);

// The band edge nearest to the skirt frequency f1 in fc; false when f1 lies
// in the passband (ides and frequencies as for nsectn, fc1 the cut-off of a
// low-pass or high-pass design).
bool skirt_edge(int32_t ides, float f1, float fc1, float fl1, float fh1, float& fc);

// Order for an exact (fractional) order tp: the integer part of tp + 0.999,
// at least 2. An order that is infinite, undefined (NaN) or beyond int32 means
// that no order meets the requirement; it saturates to the int32 maximum so
// that the caller's limit on the section count rejects it.
int32_t section_order(float tp);

}  // namespace varnholt

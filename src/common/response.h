// What a response code implies for the dialog, the section count and the
// reports, in one table. The dialog stores the code (control.iop); code 0
// means no synthesis has chosen a response yet (a ladder typed in or read
// from a file).
#pragma once

#include <cstdint>

#include "common/codes.h"

namespace varnholt {

// Bessel and linear-phase ladders come from tables of at most this many sections.
inline constexpr int32_t kMaxTabulatedSections = 10;

struct ResponseTraits {
  const char* name;    // as the report's design block prints it
  bool equal_ripple;   // the passband ripple is asked, and printed with a low- or high-pass
  bool flat_passband;  // no ripple: a band design prints its bandwidth alone, and the
                       // attenuation asked at the skirt must be at least 4 dB
  bool tabulated;      // prototype from a table: N is fixed or held to 10, and the
                       // skirt gives no order and no attenuation estimate
};

inline const ResponseTraits& response_traits(int32_t iop) {
  static constexpr ResponseTraits kNone{"User-defined", false, false, false};
  static constexpr ResponseTraits kTraits[] = {
      {"Chebyshev", true, false, false},     // 1
      {"Butterworth", false, true, false},   // 2
      {"Bessel", false, true, true},         // 3
      {"Linear Phase", false, true, true},   // 4
      {"Elliptic", true, false, false},      // 5
  };
  return iop >= 1 && iop <= 5 ? kTraits[iop - 1] : kNone;
}

inline const ResponseTraits& response_traits(Response r) {
  return response_traits(static_cast<int32_t>(r));
}

}  // namespace varnholt

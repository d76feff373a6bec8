// What the stored selection codes imply, each in one table: the filter type
// (control.ides) and the response (control.iop). Response code 0 means no
// synthesis has chosen a response yet (a ladder typed in or read from a file).
#pragma once

#include <cstdint>

#include "common/codes.h"

namespace varnholt {

struct FilterTypeTraits {
  const char* name;  // 9 characters, as the reports print it
  bool band;         // given by two band edges (centre fo); else by one cut-off fc1
};

// Any code other than 2..4 is low-pass (filter_type).
inline const FilterTypeTraits& filter_type_traits(FilterType type) {
  static constexpr FilterTypeTraits kTraits[] = {
      {"Low Pass ", false}, {"High Pass", false}, {"Band Pass", true}, {"Band Stop", true}};
  return kTraits[static_cast<int32_t>(type) - 1];
}
inline const FilterTypeTraits& filter_type_traits(int32_t ides) {
  return filter_type_traits(filter_type(ides));
}

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
      // Computed by the command line only; the dialog offers 1..4.
      {"Legendre", false, true, false},      // 6
      {"Gaussian", false, true, false},      // 7
      {"Gauss 6 dB", false, true, false},    // 8
      {"Gauss 12 dB", false, true, false},   // 9
      {"Equirip Phase", false, true, false}, // 10
      {"Inverse Cheb", false, true, false},  // 11
  };
  return iop >= 1 && iop <= 11 ? kTraits[iop - 1] : kNone;
}

inline const ResponseTraits& response_traits(Response r) {
  return response_traits(static_cast<int32_t>(r));
}

}  // namespace varnholt

// The selection codes of the stores, as names. The stores keep the integer
// codes the dialog and the files use; code converts them here, once.
#pragma once

#include <cstdint>

namespace varnholt {

enum class FilterType : int32_t { LowPass = 1, HighPass = 2, BandPass = 3, BandStop = 4 };

// Elliptic is designed by the command-line mode only; the dialog offers 1..4.
enum class Response : int32_t {
  Chebyshev = 1,
  Butterworth = 2,
  Bessel = 3,
  LinearPhase = 4,
  Elliptic = 5,
};

// Standard: the first branch from the source is a shunt branch; dual: a series one.
enum class Configuration : int32_t { Standard = 1, Dual = 2 };

// Any code other than 2..4 is read as low-pass, as the cascade always has.
inline FilterType filter_type(int32_t ides) {
  return ides >= 2 && ides <= 4 ? static_cast<FilterType>(ides) : FilterType::LowPass;
}

// 2 is the dual circuit; any other code the standard one.
inline Configuration configuration(int32_t icfg) {
  return icfg == 2 ? Configuration::Dual : Configuration::Standard;
}

}  // namespace varnholt

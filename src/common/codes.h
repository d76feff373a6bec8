// The selection codes of the stores, as names. The stores keep the integer
// codes the dialog and the files use; code converts them here, once.
#pragma once

#include <cstdint>

namespace varnholt {

enum class FilterType : int32_t { LowPass = 1, HighPass = 2, BandPass = 3, BandStop = 4 };

// The dialog offers 1..4; the others are designed by the command-line mode
// and the double-precision synthesis only (synthesis/all_pole.h says what
// each computed response is and where its cut-off sits).
enum class Response : int32_t {
  Chebyshev = 1,
  Butterworth = 2,
  Bessel = 3,
  LinearPhase = 4,
  Elliptic = 5,
  Legendre = 6,           // optimum-L
  Gaussian = 7,
  Transitional6dB = 8,    // Gaussian to 6 dB
  Transitional12dB = 9,   // Gaussian to 12 dB
  EquirippleDelay = 10,   // equiripple phase error, degrees
  InverseChebyshev = 11,  // flat passband, stopband floor As
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

// Bit-for-bit comparison of floats, NaN equal to NaN.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace varnholt::testing {

inline bool same_float(float a, float b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

}  // namespace varnholt::testing

// Arithmetic on values typed as decimals, so that what is derived from them
// prints as a person would write it: the band edges of 10.7 MHz and 0.2 MHz
// are 10.6 and 10.8, not 10.599999999999999 and 10.800000000000001.
#pragma once

#include <optional>
#include <utility>

namespace varnholt {

// The whole number n and the places p with n / 10^p == value exactly (as
// the nearest double), for the fewest places up to 12; nothing when value is
// no such decimal.
std::optional<std::pair<double, int>> decimal_digits(double value);

// (ka a + kb b) / d for small whole ka, kb and d: computed on the decimal
// digits of a and b when both are decimals of up to 12 places, so that the
// one rounding is that of the exact result; otherwise in binary, held to 15
// significant digits.
double decimal_combine(double ka, double a, double kb, double b, double d);

// A value held to `digits` significant digits: the binary residue of the
// arithmetic that derived it (10.599999999999999) dropped.
double decimal_snap(double value, int digits = 15);

}  // namespace varnholt

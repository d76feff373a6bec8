// Numbers as text with the fewest digits that read back to the same double,
// in engineering form. A value is given as `value` × 10^exp10 so that a
// store's unit (nH is exp10 = -9) moves the decimal point in the text and no
// multiplication adds binary residue: (100.0, -9) is "100n", never
// "100.00000000000001n".
//
// The mantissa is the shortest round-trip digits of `value` with the point
// placed so that it lies in [1, 1000); zero is "0" without prefix; negative
// values keep their sign (a negative zero prints as zero). Values beyond the
// prefix table (below 1e-15 or from 1e15 on) are written with a plain
// exponent, "1.5e-18". Infinity and NaN print as "inf", "-inf", "nan".
#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// Circuit-simulator notation, as ngspice reads it (where "m" is milli and
// "meg" mega): prefixes f p n u m k meg g t, no space, no unit.
// 56e-12 → "56p", (1.5, -9) → "1.5n", 10.7e6 → "10.7meg", 50 → "50".
std::string spice_number(double value, int exp10 = 0);

// For people: the number, a space, an SI prefix (f p n µ m k M G T, micro as
// U+00B5) and `unit`. (1500, -9, "H") → "1.5 µH", (50, 0, "Ω") → "50 Ω".
// Without prefix and with an empty unit, just the number.
std::string engineering_text(double value, int exp10, std::string_view unit);

// The shortest round-trip text of std::to_chars: fixed or scientific,
// whichever is shorter ("0.000123", "1e-05", "1e+21", "97.84901").
std::string shortest_text(double value);

}  // namespace varnholt

// Fixed-column data fields of the report layouts: Iw, Fw.d and Aw.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnholt {

// Iw: the decimal digits, "-" when negative, right-justified in w columns;
// w asterisks when they do not fit.
void append_int(std::string& out, int32_t value, int w);

inline constexpr int kMaxFixedWidth = 18;
inline constexpr int kMaxFixedDecimals = 6;

// Fw.d (1 <= w <= 18, 0 <= d <= 6, d < w): the exact value of the float rounded to d decimals, ties away from
// zero; "-" on every negative value (also -0.0 and values that round to
// zero); a leading "0" only when a column is to spare; w asterisks when the
// text does not fit; NaN / Infinity / Inf / -Infinity / -Inf by width.
void append_fixed(std::string& out, float value, int w, int d);

// Aw: the first w characters of the text, or the text right-justified in w.
void append_text(std::string& out, std::string_view text, int w);

}  // namespace varnholt

// The shortest text that reads back as the same double, byte for byte what
// std::to_chars(first, last, value) writes (fixed or scientific notation,
// whichever is shorter, fixed on a tie), in a fraction of its time: the long
// exports print millions of numbers.
#pragma once

#include <cstddef>

namespace varnholt {

// Room for any double's text ("-2.2250738585072014e-308" is 24) and for
// the fixed-size copies that write it.
inline constexpr std::size_t kShortestChars = 48;

// Writes the text of `value` at `out`, which has room for kShortestChars
// characters, and returns the end of what was written.
char* write_shortest(char* out, double value);

}  // namespace varnholt

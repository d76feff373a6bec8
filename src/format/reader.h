// Reading replies and data-file records: lines, the 13-column numeric field
// and fixed-width text fields.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// Reads one line without its line end, which may be LF, CR LF or a lone CR.
// A last line without a line end is still a line. Returns false only when no
// character at all is left.
bool read_line(std::istream& in, std::string& line);

// The "(F13.0)" numeric field of a line: the first 13 columns, cut at a comma,
// blanks ignored; all blanks read as 0. Accepts an optional sign, digits with
// at most one point, and an exponent (E or D in either case, or a sign right
// after the digits) with its digits. Returns the nearest float, or nothing
// when the field holds anything else (a bad value).
std::optional<float> parse_number(std::string_view line);

// The width of a file-name field (replies, the defaults file, the stores).
inline constexpr std::size_t kNameLength = 20;

// The first `length` characters of a text, blank-padded to `length`: a
// fixed-width text field as it is read and printed.
std::string padded(std::string_view text, std::size_t length);
// The text without its trailing blanks (file names are opened this way).
std::string_view trimmed(std::string_view text);

// Nearest integer, halves away from zero. Values beyond the 32-bit range
// saturate at its ends and NaN gives 0, so no reply can make it undefined.
int32_t nearest_int(float value);

}  // namespace varnholt

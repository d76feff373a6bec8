// Arbitrary bytes through the reply readers: line splitting, the 13-column
// numeric field, nearest-integer rounding and the text field, then through
// the console layer that the dialog reads with, and every value they yield
// through the data-field printers of the reports.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "format/console.h"
#include "format/fields.h"
#include "format/reader.h"
#include "fuzz_support.h"

using namespace varnholt;
using varnholt::fuzz::require;

namespace {

// The Fw.d fields the reports use, and the Iw fields.
constexpr int kFixed[][2] = {{5, 1},  {6, 2},  {6, 3},  {7, 2},  {7, 3},  {8, 2},  {8, 6},
                             {9, 0},  {9, 2},  {9, 3},  {10, 2}, {11, 2}, {11, 4}, {12, 2},
                             {12, 4}, {13, 2}, {13, 4}, {13, 6}, {14, 4}, {16, 4}, {3, 2}};
constexpr int kInt[] = {2, 3, 4};

// Every printed field is exactly as wide as its layout says, whatever the value.
void check_fields(float value) {
  for (const auto& f : kFixed) {
    std::string out;
    append_fixed(out, value, f[0], f[1]);
    require(out.size() == static_cast<std::size_t>(f[0]), "Fw.d field of the wrong width");
  }
  const int32_t i = nearest_int(value);
  for (int w : kInt) {
    std::string out;
    append_int(out, i, w);
    require(out.size() == static_cast<std::size_t>(w), "Iw field of the wrong width");
  }
}

// Nearest integer with halves away from zero, saturating outside the 32-bit
// range, 0 for NaN.
void check_nearest(float value) {
  const int32_t r = nearest_int(value);
  if (std::isnan(value)) {
    require(r == 0, "NaN does not round to 0");
    return;
  }
  const double v = value;
  if (v >= 2147483647.5) {
    require(r == INT32_MAX, "large value does not saturate");
  } else if (v <= -2147483648.5) {
    require(r == INT32_MIN, "large negative value does not saturate");
  } else if (std::fabs(v) < 2147483647.0) {
    const double gap = std::fabs(static_cast<double>(r) - v);
    require(gap <= 0.5, "not the nearest integer");
    if (gap == 0.5) require(std::fabs(static_cast<double>(r)) > std::fabs(v), "half not away from zero");
  }
}

// The numeric field of one line.
void check_number(const std::string& line) {
  const auto value = parse_number(line);
  // Only the first 13 columns count.
  const auto head = parse_number(line.substr(0, 13));
  require(value.has_value() == head.has_value(), "columns after the 13th change the verdict");
  if (value) {
    require(std::bit_cast<uint32_t>(*value) == std::bit_cast<uint32_t>(*head),
            "columns after the 13th change the value");
  }
  // The field: up to 13 columns, cut at a comma.
  std::string field = line.substr(0, 13);
  field = field.substr(0, field.find(','));
  const bool blank = field.find_first_not_of(' ') == std::string::npos;
  if (blank) require(value && *value == 0.0f, "a blank field does not read as 0");
  if (field.find_first_not_of(" 0123456789+-.EeDd") != std::string::npos) {
    require(!value, "a field with a foreign character was accepted");
  }
  if (!value) return;
  require(!std::isnan(*value), "a reply read as NaN");
  check_nearest(*value);
  check_fields(*value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  // Lines hold no line-end characters; with their line ends they make up the
  // whole input, and there is one line per line end plus an unended last one.
  std::istringstream in(input);
  std::string line;
  std::size_t chars = 0;
  std::size_t lines = 0;
  while (read_line(in, line)) {
    require(line.find_first_of("\r\n") == std::string::npos, "a line holds a line end");
    chars += line.size();
    ++lines;
    check_number(line);
    const std::string name = padded(line, kNameLength);
    require(name.size() == kNameLength, "name field of the wrong length");
    require(name.compare(0, std::min(line.size(), kNameLength), line, 0, kNameLength) == 0,
            "name field does not start with the line");
  }
  std::size_t line_end_chars = 0;
  std::size_t line_ends = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (input[i] == '\n' || input[i] == '\r') ++line_end_chars;
    if (input[i] == '\n' || (input[i] == '\r' && (i + 1 == size || input[i + 1] != '\n'))) ++line_ends;
  }
  const bool unended = size > 0 && input[size - 1] != '\n' && input[size - 1] != '\r';
  require(chars + line_end_chars == size, "lines and line ends do not make up the input");
  require(lines == line_ends + (unended ? 1 : 0), "wrong number of lines");

  // The first 32-bit patterns of the input as floats: NaNs, infinities, subnormals.
  for (std::size_t i = 0; i + 4 <= std::min<std::size_t>(size, 64); i += 4) {
    uint32_t bits;
    std::memcpy(&bits, data + i, 4);
    const float value = std::bit_cast<float>(bits);
    check_nearest(value);
    check_fields(value);
  }

  // The console layer reads choices, numbers and names in turn until the
  // input ends or a reply is unreadable; both end the run with FatalError.
  std::istringstream replies(input);
  std::ostringstream shown;
  Console console(replies, shown);
  try {
    for (int turn = 0;; ++turn) {
      switch (turn % 3) {
        case 0: console.read_choice(); break;
        case 1: require(!std::isnan(console.read_number()), "a reply read as NaN"); break;
        default: require(console.read_name().size() == kNameLength, "name of the wrong length");
      }
    }
  } catch (const FatalError&) {
  }
  return 0;
}

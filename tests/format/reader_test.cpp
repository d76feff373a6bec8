// Reading lines, the 13-column numeric field and the nearest-integer choice
// (text fields are read in the dialog and data-file tests).
#include "format/reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace varnholt {
namespace {

using namespace std::string_literals;

TEST(Reader, EveryKindOfLineEnd) {
  const struct {
    std::string input;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a\nb\r\nc\rd", {"a", "b", "c", "d"}},  // LF, CR LF, lone CR; last line without an end
      {"a\rb\r", {"a", "b"}},
      {"\n\r\n\r", {"", "", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF, then a lone CR ending an empty line
      {"\r\r\n\n", {"", "", ""}},  // CR, CR LF, LF
      {"  12.5  \r\n", {"  12.5  "}},
      {"a\0b\nc"s, {"a\0b"s, "c"}},  // NUL is an ordinary character
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    std::vector<std::string> lines;
    std::string line;
    while (read_line(in, line)) lines.push_back(line);
    EXPECT_EQ(lines, c.lines) << "input of " << c.input.size() << " characters";
    EXPECT_FALSE(read_line(in, line)) << "the end of input stays the end";
  }
}

TEST(Reader, NumericFieldAcceptedReplies) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    std::string reply;
    float value;
  } cases[] = {
      // Plain forms; a number without a point is taken as written.
      {"25", 25}, {"-25", -25}, {"+25", 25}, {"3.7", 3.7f}, {"-.5", -0.5f}, {"5.", 5},
      // Blank or empty fields read as zero; blanks anywhere are ignored.
      {"", 0}, {"             ", 0}, {"1 000", 1000}, {"- 5", -5}, {"1 . 5 E 2", 150},
      // Only the first 13 columns count; a comma ends the field.
      {"1234567890123456", 1234567890123.0f}, {"            1", 1}, {"             1", 0},
      {"2.5          abc", 2.5f}, {"3,7", 3}, {",5", 0}, {"1 2,3 4", 12},
      // Exponents: E or D in either case, or a sign right after the digits.
      {"1.5E3", 1500}, {"1.5e3", 1500}, {"1.5D3", 1500}, {"1.5d3", 1500}, {"1.5+3", 1500},
      {"1.5-3", 0.0015f}, {"1.5E+3", 1500}, {"15D-1", 1.5f}, {".5E1", 5}, {"-2.5-1", -0.25f},
      // The nearest float; beyond the float range, infinity or zero.
      {"16777217", 16777216}, {"16777219", 16777220}, {"3.4028235e38", 3.4028235e38f},
      {"1e39", inf}, {"-1e39", -inf}, {"1.4e-45", 1.4e-45f}, {"1e-50", 0},
      {"1.17549435e-38", 0.00117549435f},  // the "8" lies beyond column 13
  };
  for (const auto& c : cases) {
    const std::optional<float> got = parse_number(c.reply);
    ASSERT_TRUE(got.has_value()) << '"' << c.reply << '"';
    EXPECT_EQ(*got, c.value) << '"' << c.reply << '"';
  }
  EXPECT_TRUE(std::signbit(*parse_number("-0")));
}

TEST(Reader, NumericFieldBadValues) {
  for (const std::string reply :
       {"abc", "1.2.3", "1\t2", "\t1", "1.5E", "1.5E+", "1.5+", "1.5D", "E3", "1e5e5", "--5",
        "+-5", "5-", "0x10", "inf", "nan", "1.5F3", "1/2", "1.5E3.", "12a", "1_000", "1e 5x"}) {
    EXPECT_FALSE(parse_number(reply).has_value()) << '"' << reply << '"';
  }
}

TEST(Reader, NearestInteger) {
  const float inf = std::numeric_limits<float>::infinity();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const struct {
    float value;
    int32_t nearest;
  } cases[] = {{2.5f, 3},          {-2.5f, -3},     {0.4f, 0},      {0.5f, 1},
               {-0.5f, -1},        {1.4f, 1},       {-7.6f, -8},    {0.49999997f, 0},
               {8388609.0f, 8388609}, {2147483520.0f, 2147483520}, {2147483648.0f, kMax},
               {inf, kMax},        {-2147483904.0f, kMin}, {-inf, kMin},
               {std::numeric_limits<float>::quiet_NaN(), 0}};
  for (const auto& c : cases) EXPECT_EQ(nearest_int(c.value), c.nearest) << c.value;
}

}  // namespace
}  // namespace varnholt

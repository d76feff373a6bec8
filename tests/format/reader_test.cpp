// Reading lines, the 13-column numeric field, fixed-width text fields and the
// nearest-integer choice.
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

std::vector<std::string> all_lines(const std::string& input) {
  std::istringstream in(input);
  std::vector<std::string> lines;
  std::string line;
  while (read_line(in, line)) lines.push_back(line);
  EXPECT_EQ(line, "") << "end of input leaves an empty line";
  EXPECT_FALSE(read_line(in, line)) << "end of input stays the end";
  return lines;
}

TEST(ReadLine, EveryKindOfLineEnd) {
  const struct {
    std::string input;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\r\nc\rd", {"a", "b", "c", "d"}},  // mixed; last line without an end
      {"last", {"last"}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"\r", {""}},
      {"\n\n\n", {"", "", ""}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},      // LF, then a lone CR ending an empty line
      {"\r\r\n\n", {"", "", ""}},      // CR, CR LF, LF
      {"\n\r", {"", ""}},
      {"  12.5  \r\n", {"  12.5  "}},  // blanks are kept
      {"a\0b\nc"s, {"a\0b"s, "c"}},    // NUL is an ordinary character
      {"\0\n"s, {"\0"s}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(all_lines(c.input), c.lines) << "input of " << c.input.size() << " characters";
  }
}

TEST(ReadLine, LongLine) {
  const std::string longest(100'000, '7');
  EXPECT_EQ(all_lines(longest + "\r\nnext\n"), (std::vector<std::string>{longest, "next"}));
  EXPECT_EQ(all_lines(longest), (std::vector<std::string>{longest}));
}

TEST(ReadLine, LeavesTheRestForTheNextRead) {
  std::istringstream in("first\rsecond\r\nthird");
  std::string line;
  ASSERT_TRUE(read_line(in, line));
  EXPECT_EQ(line, "first");
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "second\r");
}

// Replies that read as a number, with the float they must give.
TEST(ParseNumber, AcceptedReplies) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    std::string reply;
    float value;
  } cases[] = {
      // Plain forms; a number without a point is taken as written.
      {"25", 25.0f},
      {"-25", -25.0f},
      {"+25", 25.0f},
      {"3.7", 3.7f},
      {"-.5", -0.5f},
      {"5.", 5.0f},
      {"0.1", 0.1f},
      {"0.3", 0.3f},
      {"123456.789", 123456.789f},
      {"0000000000001", 1.0f},
      // Blank or empty fields read as zero.
      {"", 0.0f},
      {" ", 0.0f},
      {"             ", 0.0f},
      {"                  ", 0.0f},
      // Blanks anywhere are ignored.
      {"1 000", 1000.0f},
      {"- 5", -5.0f},
      {"12 345", 12345.0f},
      {"   42", 42.0f},
      {"42   ", 42.0f},
      {"1 . 5 E 2", 150.0f},
      // Only the first 13 columns count; the rest, digits included, is ignored.
      {"1234567890123456", 1234567890123.0f},
      {"12345        99", 12345.0f},
      {"            1", 1.0f},
      {"             1", 0.0f},
      {"2.5          abc", 2.5f},
      // A comma ends the field.
      {"3,7", 3.0f},
      {"3,abc", 3.0f},
      {",5", 0.0f},
      {"1 2,3 4", 12.0f},
      {"            7,", 7.0f},
      // Exponents: E or D in either case, or a sign right after the digits.
      {"1.5E3", 1500.0f},
      {"1.5e3", 1500.0f},
      {"1.5D3", 1500.0f},
      {"1.5d3", 1500.0f},
      {"1.5+3", 1500.0f},
      {"1.5-3", 0.0015f},
      {"1.5E+3", 1500.0f},
      {"1.5e-3", 0.0015f},
      {"15D-1", 1.5f},
      {"2E0", 2.0f},
      {".5E1", 5.0f},
      {"-2.5-1", -0.25f},
      // The nearest float; beyond the float range, infinity or zero.
      {"16777216", 16777216.0f},
      {"16777217", 16777216.0f},  // a tie, to the even neighbour
      {"16777219", 16777220.0f},
      {"3.4028235e38", std::numeric_limits<float>::max()},
      {"1e39", inf},
      {"-1e39", -inf},
      {"1.4e-45", std::numeric_limits<float>::denorm_min()},
      {"1e-50", 0.0f},
      {"1e-38", 1e-38f},
      {"1.17549435e-38", 0.00117549435f},  // cut after 13 columns: the "8" is not read
  };
  for (const auto& c : cases) {
    const std::optional<float> got = parse_number(c.reply);
    ASSERT_TRUE(got.has_value()) << '"' << c.reply << '"';
    EXPECT_EQ(*got, c.value) << '"' << c.reply << '"';
  }
  EXPECT_TRUE(std::signbit(*parse_number("-0")));
}

TEST(ParseNumber, BadValues) {
  const std::string cases[] = {
      "abc",   "1.2.3", "1\t2",  "\t1",  "1\t",   "1.5E",  "1.5E+", "1.5+", "1.5D",  "1.5e-",
      "E3",    "e",     "1e5e5", "--5",  "+-5",   "5-",    "0x10",  "inf",  "nan",   "1.5F3",
      "1/2",   "$5",    "1.5E3.", "1.5E3+", "12a",  "1_000", "  x",  "1e 5x",
  };
  for (const std::string& reply : cases) {
    EXPECT_FALSE(parse_number(reply).has_value()) << '"' << reply << '"';
  }
}

TEST(ParseText, FirstColumnsPaddedWithBlanks) {
  const struct {
    std::string line;
    std::size_t width;
    std::string text;
  } cases[] = {
      {"filter.ckt", 20, "filter.ckt          "},
      {"  lead.ckt", 20, "  lead.ckt          "},  // leading blanks stay
      {"a,b,c", 20, "a,b,c               "},       // commas are ordinary
      {"abcdefghijklmnopqrstuvwxyz", 20, "abcdefghijklmnopqrst"},
      {"exactly_twenty_chars", 20, "exactly_twenty_chars"},
      {"", 20, std::string(20, ' ')},
      {"      ", 20, std::string(20, ' ')},
      {"LOW-PASS data here", 12, "LOW-PASS dat"},
      {"x", 12, "x           "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse_text(c.line, c.width), c.text) << '"' << c.line << '"';
  }
}

TEST(NearestInt, HalvesAwayFromZeroAndSaturates) {
  const float inf = std::numeric_limits<float>::infinity();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const struct {
    float value;
    int32_t nearest;
  } cases[] = {
      {2.5f, 3},           {-2.5f, -3},         {0.4f, 0},           {1.4f, 1},
      {0.5f, 1},           {-0.5f, -1},         {1.5f, 2},           {-1.4f, -1},
      {0.49999997f, 0},    {-0.49999997f, 0},   {0.0f, 0},           {-0.0f, 0},
      {3.0f, 3},           {-7.6f, -8},         {8388609.0f, 8388609},
      {2147483520.0f, 2147483520},  // the largest float below 2^31
      {2147483648.0f, kMax},        {1e10f, kMax},       {inf, kMax},
      {-2147483648.0f, kMin},       {-2147483904.0f, kMin}, {-1e10f, kMin},   {-inf, kMin},
      {std::numeric_limits<float>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(nearest_int(c.value), c.nearest) << c.value;
  }
}

}  // namespace
}  // namespace varnholt

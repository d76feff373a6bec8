// Iw, Fw.d and Aw fields, character for character.
#include "format/fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace varnholt {
namespace {

std::string fixed(float value, int w, int d) {
  std::string out;
  append_fixed(out, value, w, d);
  return out;
}

std::string integer(int32_t value, int w) {
  std::string out;
  append_int(out, value, w);
  return out;
}

std::string text(std::string_view value, int w) {
  std::string out;
  append_text(out, value, w);
  return out;
}

struct FixedCase {
  float value;
  int w;
  int d;
  const char* printed;
};

template <std::size_t N>
void expect_fixed_cases(const FixedCase (&cases)[N]) {
  for (const FixedCase& c : cases) {
    EXPECT_EQ(fixed(c.value, c.w, c.d), c.printed)
        << "F" << c.w << "." << c.d << " of " << c.value;
  }
}

TEST(FixedField, ReferenceExamples) {
  const FixedCase cases[] = {
      {0.5f, 7, 3, "  0.500"},   {0.5f, 4, 3, ".500"},      {-0.5f, 6, 3, "-0.500"},
      {-0.5f, 5, 3, "-.500"},    {-0.001f, 8, 2, "   -0.00"}, {0.125f, 5, 2, " 0.13"},
      {12.6f, 9, 0, "      13."}, {0.3f, 9, 0, "       0."}, {999.96f, 5, 1, "*****"},
      {12.0f, 6, 3, "12.000"},
  };
  expect_fixed_cases(cases);
}

// Rounding is judged on the float's exact binary value: 0.005f is
// 0.004999999888..., 0.015f is 0.0149999996..., 2.675f is 2.67499995...,
// while 0.125, 0.375 and 2.5 are exact halves and round away from zero.
TEST(FixedField, RoundsExactValueHalvesAwayFromZero) {
  const FixedCase cases[] = {
      {0.005f, 8, 2, "    0.00"},   {-0.005f, 8, 2, "   -0.00"},  {0.015f, 8, 2, "    0.01"},
      {2.675f, 6, 2, "  2.67"},     {1.005f, 6, 2, "  1.00"},     {0.375f, 6, 2, "  0.38"},
      {-0.375f, 6, 2, " -0.38"},    {0.5f, 9, 0, "       1."},  {-0.5f, 9, 0, "      -1."},
      {1.5f, 9, 0, "       2."},  {2.5f, 9, 0, "       3."},  {-2.5f, 9, 0, "      -3."},
      {0.0625f, 7, 3, "  0.063"},   {0.03125f, 8, 4, "  0.0313"}, {0.015625f, 9, 5, "  0.01563"},
      {0.0078125f, 8, 6, "0.007813"}, {1e-6f, 8, 6, "0.000001"}, {4e-7f, 8, 6, "0.000000"},
      {5e-7f, 8, 6, "0.000000"},  // 5e-7f is 4.99999987e-7
      {5.0000006e-7f, 8, 6, "0.000001"},
      {16777215.0f, 13, 2, "  16777215.00"}, {0.1f, 13, 6, "     0.100000"},
      {0.1f, 16, 4, "          0.1000"}, {123.456f, 10, 2, "    123.46"},
      {-123.456f, 11, 4, "  -123.4560"},  // -123.45600128...
  };
  expect_fixed_cases(cases);
}

// A negative value keeps its sign even when it rounds to zero, and so does -0.0;
// the 0 before the point goes only where a column is spare.
TEST(FixedField, SignAndLeadingZero) {
  const FixedCase cases[] = {
      {-0.0f, 5, 1, " -0.0"},      {-0.0f, 4, 1, "-0.0"},       {-0.0f, 3, 1, "-.0"},
      {-0.0f, 2, 1, "**"},         {0.0f, 2, 1, ".0"},          {0.0f, 3, 1, "0.0"},
      {-0.0f, 9, 0, "      -0."}, {-0.0f, 2, 0, "-."},         {0.0f, 1, 0, "."},
      {0.0f, 2, 0, "0."},          {-0.04f, 5, 1, " -0.0"},     {-0.04f, 3, 1, "-.0"},
      {-0.049f, 8, 2, "   -0.05"}, {-0.0049f, 8, 2, "   -0.00"}, {-1e-30f, 6, 3, "-0.000"},
      {-1e-45f, 5, 3, "-.000"},    {1e-45f, 5, 3, "0.000"},     {-0.4f, 9, 0, "      -0."},
      {0.96f, 5, 1, "  1.0"},      {-0.96f, 4, 1, "-1.0"},      {-0.96f, 3, 1, "***"},
      {0.999f, 4, 3, ".999"},      {0.9996f, 4, 3, "****"},     {0.9996f, 5, 3, "1.000"},
  };
  expect_fixed_cases(cases);
}

// The largest value that fits prints whole; one unit of the last decimal more
// fills the field with asterisks, never a cut number.
TEST(FixedField, OverflowByOneUnitOfTheLastDecimal) {
  const FixedCase cases[] = {
      {999.9f, 5, 1, "999.9"},         {999.95f, 5, 1, "*****"},    {1000.0f, 5, 1, "*****"},
      {-99.9f, 5, 1, "-99.9"},         {-99.96f, 5, 1, "*****"},    {-100.0f, 5, 1, "*****"},
      {999.99f, 6, 2, "999.99"},       {999.996f, 6, 2, "******"},  {-99.99f, 6, 2, "-99.99"},
      {-99.995f, 6, 2, "******"},      {99.999f, 6, 3, "99.999"},   {100.0f, 6, 3, "******"},
      {99999992.0f, 9, 0, "99999992."}, {1e8f, 9, 0, "*********"}, {-9999999.0f, 9, 0, "-9999999."},
      {-9999999.5f, 9, 0, "*********"}, {-10000000.0f, 9, 0, "*********"},
      {9999999.0f, 11, 2, " 9999999.00"},  // 10 characters, leaves one blank
      {99999997952.0f, 16, 4, "99999997952.0000"},  // 1e11f
      {100000006144.0f, 16, 4, "****************"},  // next float above 1e11f
      {-9999998976.0f, 16, 4, "-9999998976.0000"},
      {-1e10f, 16, 4, "****************"},
      {3.4028235e38f, 16, 4, "****************"},
      {-3.4028235e38f, 5, 1, "*****"},
      {9.9999f, 6, 4, "9.9999"},       {9.99995f, 6, 4, "******"},  // 9.99995f is 9.99995041
      {9.999951f, 6, 4, "******"},    {0.99999994f, 8, 6, "1.000000"},
  };
  expect_fixed_cases(cases);
}

// Not-a-number and the infinities choose their spelling by the width.
TEST(FixedField, NonFiniteValuesByWidth) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    int w;
    const char* nan;
    const char* plus;
    const char* minus;
  } cases[] = {
      {1, "*", "*", "*"},
      {2, "**", "**", "**"},
      {3, "NaN", "Inf", "***"},
      {4, " NaN", " Inf", "-Inf"},
      {5, "  NaN", "  Inf", " -Inf"},
      {7, "    NaN", "    Inf", "   -Inf"},
      {8, "     NaN", "Infinity", "    -Inf"},
      {9, "      NaN", " Infinity", "-Infinity"},
      {16, "             NaN", "        Infinity", "       -Infinity"},
  };
  for (const auto& c : cases) {
    const int d = c.w > 1 ? 1 : 0;
    EXPECT_EQ(fixed(nan, c.w, d), c.nan) << "w=" << c.w;
    EXPECT_EQ(fixed(-nan, c.w, d), c.nan) << "w=" << c.w;
    EXPECT_EQ(fixed(inf, c.w, d), c.plus) << "w=" << c.w;
    EXPECT_EQ(fixed(-inf, c.w, d), c.minus) << "w=" << c.w;
  }
  const float signalling = std::numeric_limits<float>::signaling_NaN();
  EXPECT_EQ(fixed(signalling, 9, 2), "      NaN");
}

TEST(FixedField, AppendsAfterExistingText) {
  std::string out = "Rs =";
  append_fixed(out, 50.0f, 5, 1);
  append_fixed(out, -2.25f, 7, 3);
  EXPECT_EQ(out, "Rs = 50.0 -2.250");
}

TEST(IntegerField, RightJustifiedOrAsterisks) {
  const struct {
    int32_t value;
    int w;
    const char* printed;
  } cases[] = {
      {7, 2, " 7"},
      {100, 2, "**"},
      {-5, 3, " -5"},
      {0, 1, "0"},
      {0, 4, "   0"},
      {-1, 1, "*"},
      {-1, 2, "-1"},
      {99, 2, "99"},
      {-99, 3, "-99"},
      {-100, 3, "***"},
      {2026, 4, "2026"},
      {12345, 4, "****"},
      {std::numeric_limits<int32_t>::max(), 10, "2147483647"},
      {std::numeric_limits<int32_t>::max(), 9, "*********"},
      {std::numeric_limits<int32_t>::min(), 11, "-2147483648"},
      {std::numeric_limits<int32_t>::min(), 12, " -2147483648"},
      {std::numeric_limits<int32_t>::min(), 10, "**********"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(integer(c.value, c.w), c.printed) << "I" << c.w << " of " << c.value;
  }
}

TEST(TextField, CutsToWidthOrRightJustifies) {
  const struct {
    std::string_view value;
    int w;
    const char* printed;
  } cases[] = {
      {"circuit1.dat        ", 12, "circuit1.dat"},
      {"a_very_long_name.dat", 12, "a_very_long_"},
      {"abc                 ", 12, "abc         "},  // trailing blanks are part of the value
      {"LOW-PASS ", 9, "LOW-PASS "},
      {"nH", 2, "nH"},
      {"nH", 4, "  nH"},
      {"", 3, "   "},
      {"  x", 2, "  "},
      {"Filter`s", 20, "            Filter`s"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text(c.value, c.w), c.printed) << "A" << c.w << " of '" << c.value << "'";
  }
}

}  // namespace
}  // namespace varnholt

// Layout texts: every item of the notation, line ends, and value consumption.
#include "format/layout.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace varnholt {
namespace {

std::string finished(std::string_view layout, FieldValues values = {}) {
  std::string out;
  Layout(layout).append(out, values, true);
  return out;
}

std::string prompt(std::string_view layout, FieldValues values = {}) {
  std::string out;
  Layout(layout).append(out, values, false);
  return out;
}

const std::string kRule72(72, '-');

// Literal items: blanks, quoted text, 1H- and repeated groups.
TEST(LayoutItems, LiteralsProduceTheirCharacters) {
  const struct {
    const char* layout;
    std::string line;  // without its CR LF
  } cases[] = {
      {"(6X,'Rs =')", "      Rs ="},
      {"(1X)", " "},
      {"('  two  blanks  ')", "  two  blanks  "},
      {"( 3X , 'a' ,  2X,'b' )", "   a  b"},          // blanks between items carry nothing
      {"('Filter`s response')", "Filter`s response"},  // backquote is ordinary
      {"(1H-)", "-"},
      {"(1H-,1H-,'>')", "-->"},
      {"(6X,72(1H-))", "      " + kRule72},
      {"(21(1H-))", std::string(21, '-')},
      {"(3('ab'))", "ababab"},
      {"(2(1X,'x',2('y')))", " xyy xyy"},
      {"()", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(finished(c.layout), c.line + "\r\n") << c.layout;
    EXPECT_EQ(prompt(c.layout), c.line) << c.layout;
  }
}

// Each "/" ends a line with CR LF; a finished write ends its last line, a
// prompt leaves it open.
TEST(LayoutItems, SlashesAndLineEnds) {
  const struct {
    const char* layout;
    const char* finished;
    const char* prompt;
  } cases[] = {
      {"(/)", "\r\n\r\n", "\r\n"},
      {"(//)", "\r\n\r\n\r\n", "\r\n\r\n"},
      {"('a')", "a\r\n", "a"},
      {"(/,'a')", "\r\na\r\n", "\r\na"},
      {"(//,'a')", "\r\n\r\na\r\n", "\r\n\r\na"},
      {"('a',/)", "a\r\n\r\n", "a\r\n"},
      {"('a',/,'b')", "a\r\nb\r\n", "a\r\nb"},
      {"('a'/'b')", "a\r\nb\r\n", "a\r\nb"},
      {"(/,6X,'ERROR DETECTED: N must be less than 31', /,22X,'and greater than 1.',/)",
       "\r\n      ERROR DETECTED: N must be less than 31\r\n                      and greater than "
       "1.\r\n\r\n",
       "\r\n      ERROR DETECTED: N must be less than 31\r\n                      and greater than "
       "1.\r\n"},
      {"(2('a',/))", "a\r\na\r\n\r\n", "a\r\na\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(finished(c.layout), c.finished) << c.layout;
    EXPECT_EQ(prompt(c.layout), c.prompt) << c.layout;
  }
}

TEST(LayoutItems, PromptEndingInSlashLeavesFreshLine) {
  EXPECT_EQ(prompt("(/,6X,'Attempting to read User Data File: ',A12,'...',/)",
                   {std::string_view("mydata.ckt          ")}),
            "\r\n      Attempting to read User Data File: mydata.ckt  ...\r\n");
}

// Data fields take the values in order, each with its own width rules.
TEST(LayoutFields, ConsumeValuesInOrder) {
  EXPECT_EQ(finished("(/,6X,'Rs =',F5.1,' Ohms')", {50.0f}), "\r\n      Rs = 50.0 Ohms\r\n");
  EXPECT_EQ(prompt("(11X,'-Value of Series Inductor  #',I2,', nH = ')", {int32_t{4}}),
            "           -Value of Series Inductor  # 4, nH = ");
  EXPECT_EQ(finished("(1X,'Date:',I2,'/',I2,'/',I4,' at ',I2,':',I2,':',I2,'Hours')",
                     {int32_t{5}, int32_t{6}, int32_t{2026}, int32_t{9}, int32_t{5}, int32_t{3}}),
            " Date: 5/ 6/2026 at  9: 5: 3Hours\r\n");
  EXPECT_EQ(finished("(I3,A9,F7.3,A2)",
                     {int32_t{-5}, std::string_view("LOW-PASS "), 0.5f, std::string_view("nH")}),
            " -5LOW-PASS   0.500nH\r\n");
  EXPECT_EQ(finished("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.3,F7.3)",
                     {145.5f, 50.02f, -0.37f, 1.01f, 0.046f, -12.5f, 2.718f, 1.0f}),
            "        145.5000   50.02       -0.37     1.01    0.046  -12.50    2.718  1.000\r\n");
}

TEST(LayoutFields, RepeatedGroupConsumesSuccessiveValues) {
  EXPECT_EQ(finished("(3(I3))", {int32_t{1}, int32_t{22}, int32_t{333}}), "  1 22333\r\n");
  EXPECT_EQ(finished("(2(F5.1,/))", {1.0f, 2.0f}), "  1.0\r\n  2.0\r\n\r\n");
}

TEST(LayoutFields, ArrayOfValues) {
  const std::vector<FieldValue> values = {int32_t{7}, 2.5f};
  std::string out = "x";
  Layout("(I2,F6.2)").append(out, values.data(), values.size(), false);
  EXPECT_EQ(out, "x 7  2.50");
}

TEST(LayoutFields, AppendsToExistingText) {
  std::string out = "\r\n";
  const Layout layout("('n =',I3)");
  layout.append(out, {int32_t{1}}, true);
  layout.append(out, {int32_t{2}}, false);
  EXPECT_EQ(out, "\r\nn =  1\r\nn =  2");
}

// A write must supply exactly one value of the matching kind per data field;
// a mismatch is a programming error and leaves the output untouched.
TEST(LayoutFields, ValueMismatchThrowsAndWritesNothing) {
  const struct {
    const char* layout;
    std::vector<FieldValue> values;
  } cases[] = {
      {"(I2)", {}},
      {"(I2,I2)", {int32_t{1}}},
      {"('a')", {int32_t{1}}},
      {"(I2)", {int32_t{1}, int32_t{2}}},
      {"(I2)", {1.0f}},
      {"(F5.1)", {int32_t{1}}},
      {"(A2)", {1.0f}},
      {"(F5.1,'x',I2)", {1.0f, std::string_view("ab")}},
      {"(2(I2))", {int32_t{1}, int32_t{2}, int32_t{3}}},
  };
  for (const auto& c : cases) {
    const Layout layout(c.layout);
    std::string out = "kept";
    EXPECT_THROW(layout.append(out, c.values.data(), c.values.size(), true), std::invalid_argument)
        << c.layout;
    EXPECT_EQ(out, "kept") << c.layout;
  }
}

TEST(LayoutParse, MalformedTextsAreRejected) {
  const char* cases[] = {
      "",          "6X,'a'",   "(6X",      "('abc)",   "(F5)",    "(F5.)",    "(F5.1.2)",
      "(Q)",       "(0X)",     "(X)",      "(I)",      "(A)",     "(3)",      "(2(1H-)",
      "(5H-)",     "(6X))",    "(F19.2)",  "(F5.7)",   "(F3.3)",  "(I0)",     "(6X)x",
  };
  for (const char* text : cases) {
    EXPECT_THROW(Layout{text}, std::invalid_argument) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace varnholt

// Reading lines, the 13-column numeric field and the nearest-integer choice
// (text fields are read in the dialog and data-file tests).
#include "format/reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/table.h"

namespace varnholt {
namespace {

using testing::read_table;
using testing::to_float;

std::vector<std::string> lines_of(const std::string& input) {
  std::istringstream in(input);
  std::vector<std::string> lines;
  std::string line;
  while (read_line(in, line)) lines.push_back(line);
  EXPECT_FALSE(read_line(in, line)) << "the end of input stays the end";
  return lines;
}

TEST(Reader, EveryKindOfLineEnd) {
  EXPECT_EQ(lines_of(""), std::vector<std::string>{});
  for (const auto& row : read_table("reader_lines.txt")) {
    EXPECT_EQ(lines_of(row[0]), std::vector<std::string>(row.begin() + 1, row.end()))
        << "input of " << row[0].size() << " characters";
  }
}

TEST(Reader, NumericFieldAcceptedReplies) {
  for (const auto& row : read_table("reader_numbers.txt")) {
    const std::optional<float> got = parse_number(row[0]);
    ASSERT_TRUE(got.has_value()) << '"' << row[0] << '"';
    EXPECT_EQ(*got, to_float(row[1])) << '"' << row[0] << '"';
    EXPECT_EQ(std::signbit(*got), row[1][0] == '-') << '"' << row[0] << '"';
  }
}

TEST(Reader, NumericFieldBadValues) {
  for (const auto& row : read_table("reader_bad_numbers.txt")) {
    EXPECT_FALSE(parse_number(row[0]).has_value()) << '"' << row[0] << '"';
  }
}

TEST(Reader, NearestInteger) {
  for (const auto& row : read_table("reader_nearest.txt")) {
    EXPECT_EQ(nearest_int(to_float(row[0])), std::stol(row[1])) << row[0];
  }
}

}  // namespace
}  // namespace varnholt

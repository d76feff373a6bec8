// Iw and Fw.d fields: the reference examples and notable cases
// (tests/data/fixed_fields.txt, integer_fields.txt).
#include "format/fields.h"

#include <gtest/gtest.h>

#include <string>

#include "support/table.h"

namespace varnholt {
namespace {

TEST(Fields, ReferenceExamplesAndNotableCases) {
  for (const auto& row : testing::read_table("fixed_fields.txt")) {
    std::string out;
    append_fixed(out, testing::to_float(row[0]), std::stoi(row[1]), std::stoi(row[2]));
    EXPECT_EQ(out, row[3]) << "F" << row[1] << "." << row[2] << " of " << row[0];
  }
}

TEST(Fields, IntegerExamplesAndExtremes) {
  for (const auto& row : testing::read_table("integer_fields.txt")) {
    std::string out;
    append_int(out, static_cast<int32_t>(std::stol(row[0])), std::stoi(row[1]));
    EXPECT_EQ(out, row[2]) << "I" << row[1] << " of " << row[0];
  }
}

}  // namespace
}  // namespace varnholt

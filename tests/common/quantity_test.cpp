// Quantities as typed on a command line: every prefix and unit spelling read
// to the double nearest the decimal value, and each refusal with its reason.
#include "common/quantity.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/table.h"

namespace varnholt {
namespace {

using testing::read_table;

// The quantity of a data file's name, as quantity_name gives it.
Quantity quantity_named(const std::string& name) {
  for (Quantity q : {Quantity::Frequency, Quantity::Impedance, Quantity::Inductance,
                     Quantity::Capacitance})
    if (name == quantity_name(q)) return q;
  ADD_FAILURE() << name;
  return Quantity::Frequency;
}

TEST(Quantity, AcceptedSpellingsGiveTheNearestDouble) {
  for (const auto& row : read_table("common/quantity_accepted.txt")) {
    std::string why;
    const std::optional<double> got = parse_quantity(row[1], quantity_named(row[0]), why);
    ASSERT_TRUE(got.has_value()) << row[0] << " '" << row[1] << "': " << why;
    EXPECT_EQ(*got, std::strtod(row[2].c_str(), nullptr)) << row[0] << " '" << row[1] << "'";
  }
}

TEST(Quantity, RefusedSpellingsSayWhy) {
  for (const auto& row : read_table("common/quantity_refused.txt")) {
    std::string why;
    EXPECT_FALSE(parse_quantity(row[1], quantity_named(row[0]), why).has_value())
        << row[0] << " '" << row[1] << "'";
    for (std::size_t i = 2; i < row.size(); ++i) {
      EXPECT_NE(why.find(row[i]), std::string::npos) << '\'' << row[1] << "': " << why;
    }
  }
}

// Partial UTF-8 sequences and control bytes after a number and after a
// prefix: always a refusal or a value, never a read past the text.
TEST(Quantity, AnyBytesAfterANumber) {
  std::string why;
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string pair{static_cast<char>(a), static_cast<char>(b)};
      for (const char* start : {"1", "1m", "1 "}) {
        why.clear();
        if (!parse_quantity(start + pair, Quantity::Capacitance, why)) {
          EXPECT_FALSE(why.empty()) << start << pair;
        }
      }
    }
  }
}

}  // namespace
}  // namespace varnholt

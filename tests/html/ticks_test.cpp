// Axis ticks over awkward ranges, against a table of what a reader expects
// (tests/data/html/ticks.txt), and the properties every scale must have;
// element values in engineering units (tests/data/html/units.txt).
#include "html/ticks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "html/units.h"
#include "support/table.h"

namespace varnholt::html {
namespace {

TEST(Ticks, AwkwardRangesGiveRoundTicksCoveringTheData) {
  const auto rows = testing::read_table("html/ticks.txt");
  for (const auto& row : rows) {
    std::istringstream fields(row[0]);
    std::string lo_text, hi_text, scale;
    fields >> lo_text >> hi_text >> scale;
    const double lo = std::stod(lo_text), hi = std::stod(hi_text);
    const AxisScale a = nice_scale(lo, hi, scale == "log");
    std::string got;
    for (const auto& l : a.labels) got += " " + l;
    EXPECT_EQ(got, row[1]) << row[0];
    ASSERT_EQ(a.ticks.size(), a.labels.size());
    ASSERT_GE(a.ticks.size(), 2u) << row[0];
    EXPECT_DOUBLE_EQ(a.ticks.front(), a.lo) << row[0];
    EXPECT_DOUBLE_EQ(a.ticks.back(), a.hi) << row[0];
    if (std::isfinite(lo) && lo != hi) {  // the data stays on the axis
      const double tol = 1e-12 * std::max(std::fabs(lo), std::fabs(hi));
      EXPECT_LE(a.lo, std::min(lo, hi) + tol) << row[0];
      EXPECT_GE(a.hi, std::max(lo, hi) - tol) << row[0];
    }
  }
  EXPECT_EQ(rows.size(), 13u);
}

TEST(Ticks, StepsAreOneTwoOrFiveTimesAPowerOfTen) {
  const double cases[][2] = {{0.3, 0.5},  {1.0, 1.0},      {1.01, 2.0}, {2.2, 5.0},
                             {7.0, 10.0}, {0.0013, 0.002}, {4.9e6, 5e6}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(nice_step(c[0]), c[1]) << c[0];
}

TEST(Units, ValuesPrintInEngineeringUnits) {
  const auto rows = testing::read_table("html/units.txt");
  for (const auto& row : rows) {
    std::istringstream fields(row[0]);
    std::string kind;
    double v = 0.0, x = 0.0;
    fields >> kind >> v >> x;
    const std::string got = kind == "L"   ? inductance_text(v)
                            : kind == "C" ? capacitance_text(v)
                                          : resistance_text(v, x);
    EXPECT_EQ(" " + got, row[1]) << row[0];
  }
  EXPECT_EQ(rows.size(), 12u);
}

}  // namespace
}  // namespace varnholt::html

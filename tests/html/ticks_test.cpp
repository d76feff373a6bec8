// Axis ticks over awkward ranges, against a table of what a reader expects
// (tests/data/html/ticks.txt), and the properties every scale must have;
// element values in engineering units (tests/data/html/units.txt).
#include "html/ticks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "html/units.h"

namespace varnholt::html {
namespace {

TEST(Ticks, AwkwardRangesGiveRoundTicksCoveringTheData) {
  std::ifstream in(VARNHOLT_TEST_DATA "/html/ticks.txt");
  ASSERT_TRUE(in) << "missing ticks.txt";
  std::string line;
  int cases = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream fields(line.substr(0, line.find('|')));
    std::string lo_text, hi_text, scale;
    fields >> lo_text >> hi_text >> scale;
    const double lo = std::stod(lo_text);
    const double hi = std::stod(hi_text);
    const AxisScale a = nice_scale(lo, hi, scale == "log");
    std::string got;
    for (const auto& l : a.labels) {
      got += (got.empty() ? "" : " ") + l;
    }
    EXPECT_EQ(got, line.substr(line.find('|') + 2)) << line;
    ASSERT_EQ(a.ticks.size(), a.labels.size());
    ASSERT_GE(a.ticks.size(), 2u) << line;
    EXPECT_DOUBLE_EQ(a.ticks.front(), a.lo) << line;
    EXPECT_DOUBLE_EQ(a.ticks.back(), a.hi) << line;
    if (std::isfinite(lo) && lo != hi) {  // the data stays on the axis
      const double tol = 1e-12 * std::max(std::fabs(lo), std::fabs(hi));
      EXPECT_LE(a.lo, std::min(lo, hi) + tol) << line;
      EXPECT_GE(a.hi, std::max(lo, hi) - tol) << line;
    }
    ++cases;
  }
  EXPECT_EQ(cases, 13);
}

TEST(Ticks, StepsAreOneTwoOrFiveTimesAPowerOfTen) {
  const double cases[][2] = {{0.3, 0.5},  {1.0, 1.0},      {1.01, 2.0}, {2.2, 5.0},
                             {7.0, 10.0}, {0.0013, 0.002}, {4.9e6, 5e6}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(nice_step(c[0]), c[1]) << c[0];
  }
}

TEST(Units, ValuesPrintInEngineeringUnits) {
  std::ifstream in(VARNHOLT_TEST_DATA "/html/units.txt");
  ASSERT_TRUE(in) << "missing units.txt";
  std::string line;
  int cases = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    std::istringstream fields(line.substr(0, line.find('|')));
    std::string kind;
    double v = 0.0;
    double x = 0.0;
    fields >> kind >> v >> x;
    const std::string got = kind == "L"   ? inductance_text(v)
                            : kind == "C" ? capacitance_text(v)
                                          : resistance_text(v, x);
    EXPECT_EQ(got, line.substr(line.find('|') + 2)) << line;
    ++cases;
  }
  EXPECT_EQ(cases, 12);
}

}  // namespace
}  // namespace varnholt::html

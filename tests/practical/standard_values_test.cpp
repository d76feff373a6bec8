// The preferred-value tables against the standard's lists and the geometric
// rule, rounding across decades and at the geometric means, and the rounding
// of a whole ladder.
#include "practical/standard_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>

#include "support/table.h"

namespace varnholt {
namespace {

constexpr ESeries kAll[] = {ESeries::E6, ESeries::E12, ESeries::E24,
                            ESeries::E48, ESeries::E96, ESeries::E192};

// "E24 1.0 1.1 ..." and "exceptions E24 2.7 ..." as lists by name.
std::map<std::string, std::vector<double>> read_lists(const std::string& file) {
  std::map<std::string, std::vector<double>> lists;
  for (const auto& words : testing::read_words(file)) {
    const bool exceptions = words[0] == "exceptions";
    auto& list = lists[exceptions ? words[0] + " " + words[1] : words[0]];
    for (std::size_t i = exceptions ? 2 : 1; i < words.size(); ++i)
      list.push_back(std::stod(words[i]));
  }
  return lists;
}

TEST(StandardValues, TablesAreThePublishedSeries) {
  const auto lists = read_lists("iec60063_series.txt");
  for (ESeries s : kAll) {
    const std::string name(series_name(s));
    ASSERT_EQ(series_from_name(name), s);
    const std::span<const double> values = series_values(s);
    EXPECT_EQ(std::vector<double>(values.begin(), values.end()), lists.at(name)) << name;
    // The geometric rule gives every other value.
    const int n = static_cast<int>(values.size()), places = n <= 24 ? 1 : 2;
    std::vector<double> departures;
    for (int i = 0; i < n; ++i) {
      const double scale = std::pow(10.0, places);
      const double rule = std::round(std::pow(10.0, double(i) / n) * scale) / scale;
      if (std::abs(rule - values[static_cast<std::size_t>(i)]) > 1e-9)
        departures.push_back(values[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(departures, lists.at("exceptions " + name)) << name;
  }
  EXPECT_EQ(series_from_name("e96"), ESeries::E96);
  EXPECT_EQ(series_from_name("E5"), std::nullopt);
}

TEST(StandardValues, RoundsToTheNearestOnALogScale) {
  const auto cases = testing::read_words("series_rounding.txt");
  for (const auto& c : cases)
    EXPECT_EQ(round_to_series(std::stod(c[1]), *series_from_name(c[0])), std::stod(c[2])) << c[1];
  EXPECT_GT(cases.size(), 10u);
  EXPECT_THROW(round_to_series(-1.0, ESeries::E6), std::invalid_argument);
  EXPECT_THROW(round_to_series(NAN, ESeries::E6), std::invalid_argument);
}

// At the geometric mean of two neighbours (in several decades) the value
// rounds up; a hair below, down.
TEST(StandardValues, TiesRoundUp) {
  for (ESeries s : kAll) {
    const std::span<const double> v = series_values(s);
    for (std::size_t i = 0; i < v.size(); ++i) {
      const double lo = v[i], hi = i + 1 < v.size() ? v[i + 1] : 10.0;
      for (double decade : {1e-3, 1.0, 1e4}) {
        const double mean = std::sqrt(lo * hi) * decade;
        EXPECT_NEAR(round_to_series(mean, s), hi * decade, 1e-12 * hi * decade);
        EXPECT_NEAR(round_to_series(mean * (1 - 1e-9), s), lo * decade, 1e-12 * lo * decade);
      }
    }
  }
}

TEST(StandardValues, RoundsEachKindOfALadderToItsOwnSeries) {
  Ladder ideal{{{Placement::Shunt, BranchKind::ParallelLC, {33.3, 99}, {151, 99}},
                {Placement::Series, BranchKind::SeriesLCAndTank, {9.6, 1234}, {0.95, 47.3}}}};
  const RoundedLadder r = round_ladder(ideal, ESeries::E24, std::nullopt);
  ASSERT_EQ(r.elements.size(), 6u);  // the unused second pair of the tank is left out
  const double rounded[] = {33, 151, 10, 0.95, 1200, 47.3};
  for (std::size_t i = 0; i < 6; ++i) {
    const RoundedElement& e = r.elements[i];
    EXPECT_EQ(e.rounded, rounded[i]);
    EXPECT_EQ(element_value(r.ladder, e.where), rounded[i]);
    EXPECT_EQ(element_value(ideal, e.where), e.ideal);
    EXPECT_NEAR(e.error_percent, 100 * (rounded[i] / e.ideal - 1), 1e-9);
  }
  EXPECT_EQ(r.ladder.branches[0].l[1], 99);
}

}  // namespace
}  // namespace varnholt

// The ladder the element stores describe, for every filter type and
// configuration: which store feeds which element, in which arrangement.
#include <gtest/gtest.h>

#include "ladder/ladder.h"

namespace varnholt {
namespace {

// Each store holds its own mark plus the position, so a value names its source.
constexpr float kSerL = 1000, kSerC = 2000, kShuntL = 3000, kShuntC = 4000;

Capind marked() {
  Capind c;
  for (int k = 0; k <= kMaxPositions; ++k) {
    c.serl[k] = kSerL + k;
    c.serc[k] = kSerC + k;
    c.shuntl[k] = kShuntL + k;
    c.shuntc[k] = kShuntC + k;
  }
  return c;
}

// What a branch is: its arrangement and the store marks of its L and C (0: none).
struct Expected {
  BranchKind kind;
  float l, c;
};

struct Row {
  FilterType type;
  Expected shunt, series;
};

// Low-pass: C to ground, L in the line. High-pass: the dual. Band-pass: a
// tank to ground and a series resonator in the line. Band-stop: the dual.
const Row kRows[] = {
    {FilterType::LowPass, {BranchKind::Capacitor, 0, kShuntC}, {BranchKind::Inductor, kSerL, 0}},
    {FilterType::HighPass, {BranchKind::Inductor, kShuntL, 0}, {BranchKind::Capacitor, 0, kSerC}},
    {FilterType::BandPass,
     {BranchKind::ParallelLC, kShuntL, kShuntC},
     {BranchKind::SeriesLC, kSerL, kSerC}},
    {FilterType::BandStop,
     {BranchKind::SeriesLC, kShuntL, kShuntC},
     {BranchKind::ParallelLC, kSerL, kSerC}},
};

TEST(LadderFromStores, EveryTypeAndConfigurationAlternatesFromTheRightBranch) {
  const Capind c = marked();
  for (const Row& row : kRows) {
    for (const Configuration config : {Configuration::Standard, Configuration::Dual}) {
      const Ladder ladder = ladder_from_stores(c, row.type, config, 7);
      ASSERT_EQ(ladder.branches.size(), 7u);
      for (int k = 1; k <= 7; ++k) {
        const Branch& b = ladder.branches[k - 1];
        const bool series = (k % 2 == 1) == (config == Configuration::Dual);
        const Expected& want = series ? row.series : row.shunt;
        SCOPED_TRACE(testing::Message() << "type " << static_cast<int>(row.type) << " config "
                                        << static_cast<int>(config) << " position " << k);
        EXPECT_EQ(b.placement, series ? Placement::Series : Placement::Shunt);
        EXPECT_EQ(b.kind, want.kind);
        EXPECT_EQ(b.l[0], want.l == 0 ? 0.0 : want.l + k);
        EXPECT_EQ(b.c[0], want.c == 0 ? 0.0 : want.c + k);
        EXPECT_EQ(b.l[1], 0.0);
        EXPECT_EQ(b.c[1], 0.0);
      }
    }
  }
}

TEST(LadderFromStores, CountIsHeldToTheStores) {
  const Capind c = marked();
  EXPECT_TRUE(ladder_from_stores(c, FilterType::LowPass, Configuration::Standard, 0).branches.empty());
  EXPECT_TRUE(ladder_from_stores(c, FilterType::LowPass, Configuration::Standard, -4).branches.empty());
  const Ladder longest = ladder_from_stores(c, FilterType::BandPass, Configuration::Dual, 500);
  ASSERT_EQ(longest.branches.size(), 31u);
  EXPECT_EQ(longest.branches.back().l[0], kSerL + 31);  // position 31 of the dual circuit is series
}

TEST(LadderFromStores, StoredCodesOutsideTheMenusReadAsLowPassAndStandard) {
  EXPECT_EQ(filter_type(0), FilterType::LowPass);
  EXPECT_EQ(filter_type(5), FilterType::LowPass);
  EXPECT_EQ(filter_type(4), FilterType::BandStop);
  EXPECT_EQ(configuration(0), Configuration::Standard);
  EXPECT_EQ(configuration(2), Configuration::Dual);
}

}  // namespace
}  // namespace varnholt

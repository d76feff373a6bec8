// The section count for a skirt requirement: the order and the attenuation
// reached for every filter type, the rounding of the exact order, and the
// requirements that cannot be met or are rejected.
#include "synthesis/section_count.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/table.h"

namespace varnholt {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Result {
  int32_t ierr = 7, n = -1;
  float a2 = -1.0f;  // -1: not written
};

Result estimate(int32_t ides, int32_t ires, float am, float a1, float f1, float fc = 100.0f,
                float fh1 = 0.0f, float fl1 = 0.0f) {
  Result r;
  nsectn(am, a1, r.a2, fc, f1, fh1, fl1, ides, r.ierr, ires, r.n);
  return r;
}

// tests/data/section_count_cases.txt: the order and the attenuation a2 at F1.
TEST(SectionCount, OrderAndAttenuationReachedForEveryType) {
  for (const auto& row : testing::read_table("section_count_cases.txt")) {
    const auto num = [&row](std::size_t i) { return testing::to_float(row[i]); };
    const Result got = estimate(std::stoi(row[1]), std::stoi(row[2]), num(3), num(4), num(5),
                                num(6), num(7), num(8));
    const double a2 = std::stod(row[10]), tol = std::stod(row[11]);
    EXPECT_EQ(std::tuple(got.ierr, got.n), std::tuple(0, std::stoi(row[9]))) << row[0];
    EXPECT_TRUE(std::isnan(a2) || got.a2 == a2 || std::fabs(got.a2 - a2) <= tol)
        << row[0] << ": " << got.a2 << " vs " << a2;
  }
}

TEST(SectionCount, ExactOrderRoundsUpPastAnAllowanceAndSaturates) {
  for (const auto& row : testing::read_table("section_order.txt"))
    EXPECT_EQ(section_order(testing::to_float(row[0])), std::stol(row[1])) << row[0];
}

// ierr = 1, with n and a2 untouched.
TEST(SectionCount, RejectedRequirements) {
  for (const int32_t ires : {1, 2, 3, 4}) {
    for (const float a1 : {0.5f, 0.25f, kNaN}) {  // not above the ripple
      const Result r = estimate(1, ires, 0.5f, a1, 200);
      EXPECT_EQ(std::tuple(r.ierr, r.n, r.a2), std::tuple(1, -1, -1.0f)) << ires << " " << a1;
    }
  }
  for (const Result& r : {estimate(1, 1, 0.5f, 40, -50), estimate(1, 2, 0.5f, 40, 0),
                          estimate(3, 1, 0.5f, 40, 100, 0, 100, 100)}) {  // coinciding edges: 0 / 0
    EXPECT_EQ(std::tuple(r.ierr, r.n, r.a2), std::tuple(1, -1, -1.0f));
  }
}

}  // namespace
}  // namespace varnholt

// The clock of real runs against the system clock's calendar date.
#include <gtest/gtest.h>

#include <chrono>

#include "common/session.h"

namespace varnholt {
namespace {

// The local date may differ from the UTC date by a day, but within the same
// month it has the same year.
TEST(LocalTime, GivesTheCalendarDateAndTime) {
  using namespace std::chrono;
  const year_month_day utc{floor<days>(system_clock::now())};
  const Datetime t = local_time();
  EXPECT_GE(t.imon, 1);
  EXPECT_LE(t.imon, 12);
  EXPECT_GE(t.iday, 1);
  EXPECT_LE(t.iday, 31);
  EXPECT_LT(t.ihr, 24);
  EXPECT_LT(t.imin, 60);
  if (t.imon == static_cast<int32_t>(static_cast<unsigned>(utc.month()))) {
    EXPECT_EQ(t.iyr, static_cast<int32_t>(utc.year()));
  }
}

}  // namespace
}  // namespace varnholt

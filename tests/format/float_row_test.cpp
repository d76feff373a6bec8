// Report rows filled from an array of floats print exactly as the same
// layout filled from field values.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "format/console.h"
#include "format/layout.h"

namespace varnholt {
namespace {

// Arbitrary bit patterns (NaN, infinities, huge, tiny) and values of the size
// a report prints, as a finished line and as a prompt.
TEST(FloatRow, SameTextAsFieldValues) {
  const Layout row("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.0,F7.3)");
  std::mt19937 rng(99);
  for (int trial = 0; trial < 20000; ++trial) {
    float v[8];
    for (float& x : v) {
      const auto bits = static_cast<uint32_t>(rng());
      x = trial % 2 == 0 ? std::bit_cast<float>(bits)
                         : static_cast<float>(static_cast<int32_t>(bits % 2000001u) - 1000000) /
                               static_cast<float>(1 << (bits % 16));
    }
    std::string a = "keep ", b = "keep ";
    const bool finished = trial % 3 != 0;
    row.append(a, v, 8, finished);
    row.append(b, {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]}, finished);
    ASSERT_EQ(a, b);
  }
}

TEST(FloatRow, MismatchedValuesAreRejectedLeavingTheTextAsItWas) {
  const Layout row("(F8.2,F8.2)");
  const float v[] = {1.0f, 2.0f, 3.0f};
  std::string out = "before";
  EXPECT_THROW(row.append(out, v, 1, true), std::invalid_argument);
  EXPECT_THROW(row.append(out, v, 3, true), std::invalid_argument);
  const Layout with_int("('x',F8.2,I3)");
  EXPECT_THROW(with_int.append(out, v, 2, true), std::invalid_argument);
  const Layout with_text("(F5.1,A4)");
  EXPECT_THROW(with_text.append(out, v, 2, true), std::invalid_argument);
  EXPECT_EQ(out, "before");
}

TEST(FloatRow, ConsoleReportGoesToConsoleAndStorage) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream stored;
  Console console(in, out);
  const Layout row("(F9.3,F7.3)");
  const float v[] = {-0.0f, 12.3456f};
  console.report(row, v, 2);
  console.mirror_to(&stored);
  console.report(row, v, 2);
  EXPECT_EQ(out.str(), "   -0.000 12.346\r\n   -0.000 12.346\r\n");
  EXPECT_EQ(stored.str(), "   -0.000 12.346\r\n");
}

}  // namespace
}  // namespace varnholt

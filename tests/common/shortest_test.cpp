// The exports' number writer against std::to_chars, the text it must match
// byte for byte: random bit patterns of every exponent, the edges of the
// binary and decimal scales, subnormals, large integers (written exactly in
// fixed notation) and the short decimals frequencies are typed as.
#include "common/shortest.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace varnholt {
namespace {

// The writer's text of v, checking that it stays within its room.
std::string written(double v) {
  char buffer[kShortestChars + 16];
  std::memset(buffer, '#', sizeof buffer);
  char* end = write_shortest(buffer, v);
  for (std::size_t i = kShortestChars; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << v;
  return std::string(buffer, static_cast<std::size_t>(end - buffer));
}

std::string expected(double v) {
  char buffer[64];
  const char* end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  return std::string(buffer, static_cast<std::size_t>(end - buffer));
}

TEST(Shortest, WritesWhatToCharsWrites) {
  int mismatches = 0;
  const auto check = [&mismatches](double v) {
    if (written(v) != expected(v) && ++mismatches <= 10) {
      ADD_FAILURE() << expected(v) << " written as " << written(v);
    }
  };
  std::mt19937_64 bits(2026);
  for (int i = 0; i < 300000; ++i) {
    const std::uint64_t b = bits();
    check(std::bit_cast<double>(b));
    // every biased exponent, the sign and fraction random
    check(std::bit_cast<double>((b & 0x800fffffffffffffULL) | ((b >> 12) % 2046 + 1) << 52));
    check(static_cast<double>(b % 100000000) / 100000.0);  // up to 8 digits, 5 decimals
    check(static_cast<double>(b >> (b % 64)));             // integers of every size
  }
  for (int e = -1074; e <= 1023; ++e) {
    const double p = std::ldexp(1.0, e);
    for (double v : {p, std::nextafter(p, 0.0), std::nextafter(p, 2 * p), 3 * p}) check(v);
  }
  for (int e = -324; e <= 308; ++e) {
    const double p = std::pow(10.0, e);
    for (double v : {p, std::nextafter(p, 0.0), std::nextafter(p, 2 * p)}) check(v);
  }
  for (std::uint64_t t = 1; t < 20000; ++t) check(std::bit_cast<double>(t));  // subnormals
  for (double v : {0.0, -0.0, 1.0, -1.0, 100000.0, 1e21, 1e22, 123456789012345678.0,
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()}) {
    check(v);
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace varnholt

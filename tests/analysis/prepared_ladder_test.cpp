// The prepared cascade must give, bit for bit, the matrix of the general
// `ladder`: same values, same signs of zero, NaN where it has NaN.
#include "analysis/prepared_ladder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "support/numbers.h"

namespace varnholt {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

using testing::same_float;

std::string show(const ChainMatrix& m) {
  std::ostringstream text;
  text.precision(9);
  for (int col = 0; col < 4; ++col) text << "(" << m[0][col] << ", " << m[1][col] << ") ";
  return text.str();
}

::testing::AssertionResult same_matrix(const ChainMatrix& want, const ChainMatrix& got) {
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 4; ++col) {
      if (!same_float(want[row][col], got[row][col])) {
        return ::testing::AssertionFailure() << "\n want " << show(want) << "\n got  " << show(got);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

ChainMatrix reference(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t n) {
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(c, f, icfg, ides, ierr, n, rs);
  EXPECT_EQ(ierr, 0);
  return rs;
}

// Checks `count` frequencies evaluated together against `ladder` one by one;
// the number of them that took the general product.
int expect_same(const Capind& c, int32_t icfg, int32_t ides, int32_t n, const float* f,
                 int count) {
  const PreparedLadder prepared(c, icfg, ides, n);
  ChainMatrix rs[PreparedLadder::kBatch];
  for (auto& m : rs) m = {{{7, 7, 7, 7}, {7, 7, 7, 7}}};
  prepared.cascade(f, rs, count);
  for (int j = 0; j < count; ++j) {
    EXPECT_TRUE(same_matrix(reference(c, f[j], icfg, ides, n), rs[j]))
        << "ides " << ides << " icfg " << icfg << " n " << n << " f " << f[j] << " of " << count;
  }
  return prepared.fallbacks();
}

Capind filled(float value) {
  Capind c;
  for (int k = 0; k <= kMaxPositions; ++k) {
    c.serl[k] = c.serc[k] = c.shuntl[k] = c.shuntc[k] = value;
  }
  return c;
}

// Element values of 0, negative values, values whose products underflow or
// pass the 1e15 limit: every combination on short ladders, where the signs
// of zero of the omitted products would first show.
TEST(PreparedLadder, ZerosSignsUnderflowAndLimitExhaustively) {
  const float values[] = {0.0f, -0.0f, 1.0f, -2.5f, 1e-30f, -3e-38f, 1e12f, -4e20f, 7.0e30f};
  const float f[] = {1e-20f, 1.0f, 150.0f, 3e9f};
  int at_limit = 0;
  for (int32_t ides = 1; ides <= 4; ++ides) {
    for (int32_t icfg = 1; icfg <= 2; ++icfg) {
      for (float a : values) {
        for (float b : values) {
          for (float d : values) {
            Capind c;
            c.serl[1] = c.shuntl[1] = a;
            c.serc[1] = c.shuntc[1] = b;
            c.serl[2] = c.shuntc[2] = d;
            c.serc[2] = c.shuntl[2] = a;
            c.serl[3] = c.shuntl[3] = b;
            c.serc[3] = c.shuntc[3] = d;
            expect_same(c, icfg, ides, 3, f, 4);
            const ChainMatrix m = reference(c, f[3], icfg, ides, 3);
            for (const auto& row : m)
              for (float e : row) at_limit += std::fabs(e) >= kProductLimit;
          }
        }
      }
    }
  }
  EXPECT_GT(at_limit, 0);  // the limit was reached in some cases
}

// Frequencies at which some branch entry is infinite or NaN take the general
// product; the others of the same call still take the fast walk.
TEST(PreparedLadder, NonFiniteBranchEntriesTakeTheGeneralProduct) {
  Capind c = filled(10.0f);
  // High-pass at f = 0: the series capacitors and shunt inductors divide by 0.
  const float zero[] = {0.0f, 50.0f, -0.0f, 75.0f};
  EXPECT_EQ(expect_same(c, 1, 2, 7, zero, 4), 2);
  // Low-pass at a frequency whose om overflows, and a NaN frequency.
  const float huge[] = {3e38f, std::nanf(""), kInf, 10.0f};
  expect_same(c, 2, 1, 6, huge, 4);
  // An infinite element value.
  c.shuntc[3] = kInf;
  const float low[] = {1.0f, 2.0f};
  EXPECT_EQ(expect_same(c, 1, 1, 5, low, 2), 2);
}

// A band-stop resonator exactly at resonance (t held at 1e-15) and a
// band-pass one whose reactance cancels exactly.
TEST(PreparedLadder, ResonancesMatch) {
  Capind c = filled(1.0f);
  // 1 - C oms L 1e-9 = 0 when C oms L 1e-9 rounds to exactly 1: search the
  // floats around the resonance of L = C = 1000 for one that does.
  c.serl[1] = c.serc[1] = c.shuntl[2] = c.shuntc[2] = 1000.0f;
  const float centre = 1.0f / (2.0f * 3.1415927f) * std::sqrt(1e9f / 1e6f);
  float f = centre;
  for (int i = 0; i < 64; ++i, f = std::nextafter(f, 2 * centre)) {
    const float om = 2.0f * 3.1415927f * f;
    if (1.0f - 1000.0f * (om * om) * 1000.0f * 1e-9f == 0.0f) break;
  }
  const float at[] = {f, centre, std::nextafter(centre, 0.0f), 2 * centre};
  for (int32_t ides : {3, 4}) {
    for (int32_t icfg : {1, 2}) expect_same(c, icfg, ides, 2, at, 4);
  }
}

// Many random ladders, frequencies and batch sizes: every type code 0..5,
// configuration code 0..3 and length -1..33, elements of 0 and of either
// sign, and frequencies of 0.
TEST(PreparedLadder, RandomLaddersMatchBitForBit) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::uniform_real_distribution<float> exponent(-6.0f, 6.0f);
  auto element = [&] {
    const float r = unit(rng);
    if (r < 0.03f) return 0.0f;
    const float v = std::pow(10.0f, exponent(rng));
    return r < 0.06f ? -v : v;
  };
  int64_t fallbacks = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    Capind c;
    for (int k = 0; k <= kMaxPositions; ++k) {
      c.serl[k] = element();
      c.serc[k] = element();
      c.shuntl[k] = element();
      c.shuntc[k] = element();
    }
    const auto ides = static_cast<int32_t>(unit(rng) * 6.0f);
    const auto icfg = static_cast<int32_t>(unit(rng) * 4.0f);
    const int32_t n = static_cast<int32_t>(unit(rng) * 35.0f) - 1;
    const int count = 1 + trial % PreparedLadder::kBatch;
    float f[PreparedLadder::kBatch];
    for (float& x : f) {
      const float r = unit(rng);
      x = r < 0.03f ? 0.0f : std::pow(10.0f, exponent(rng) * 1.5f);
    }
    const PreparedLadder prepared(c, icfg, ides, n);
    ChainMatrix rs[PreparedLadder::kBatch];
    prepared.cascade(f, rs, count);
    for (int j = 0; j < count; ++j) {
      ASSERT_TRUE(same_matrix(reference(c, f[j], icfg, ides, n), rs[j]))
          << "trial " << trial << " ides " << ides << " icfg " << icfg << " n " << n << " f "
          << f[j];
    }
    fallbacks += prepared.fallbacks();
  }
  EXPECT_GT(fallbacks, 0);  // both paths were taken
}

}  // namespace
}  // namespace varnholt

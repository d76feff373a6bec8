// The port quantities of four matrices at once must be, lane by lane and bit
// for bit, those of lddrtg on each matrix alone, and lddrtg must be the plain
// straight-line arithmetic.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "analysis/port.h"
#include "plain_port.h"

namespace varnholt {
namespace {

bool same_float(float a, float b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

struct Lddrtg {
  float il = -1, phf = -1, rtl = -1, vswr = -1, zini = -1, zinr = -1;
};

Lddrtg reference(const ChainMatrix& rs, float zrs, float zis, float zrl, float zil, int32_t igd) {
  Lddrtg r;
  testref::plain_lddrtg(igd, r.il, r.phf, rs, r.rtl, r.vswr, zil, r.zini, r.zinr, zis, zrl, zrs);
  return r;
}

Lddrtg library(const ChainMatrix& rs, float zrs, float zis, float zrl, float zil, int32_t igd) {
  Lddrtg r;
  lddrtg(igd, r.il, r.phf, rs, r.rtl, r.vswr, zil, r.zini, r.zinr, zis, zrl, zrs);
  return r;
}

::testing::AssertionResult same(const Lddrtg& a, const Lddrtg& b) {
  if (same_float(a.il, b.il) && same_float(a.phf, b.phf) && same_float(a.rtl, b.rtl) &&
      same_float(a.vswr, b.vswr) && same_float(a.zini, b.zini) && same_float(a.zinr, b.zinr)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "il " << a.il << " / " << b.il << ", phf " << a.phf
                                       << " / " << b.phf << ", zin " << a.zinr << " " << a.zini
                                       << " / " << b.zinr << " " << b.zini;
}

// Entries of every kind a cascade can hand over: ordinary sizes, zeros of
// both signs, values at and beyond the 1e15 product limit, tiny values,
// and now and then an infinity or a NaN.
float entry(std::mt19937& rng) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float r = unit(rng);
  const float sign = unit(rng) < 0.5f ? -1.0f : 1.0f;
  if (r < 0.05f) return sign * 0.0f;
  if (r < 0.08f) return sign * kProductLimit;
  if (r < 0.10f) return sign * 2.0f * kProductLimit;
  if (r < 0.11f) return sign * std::numeric_limits<float>::infinity();
  if (r < 0.12f) return std::nanf("");
  if (r < 0.15f) return sign * 1e-40f;
  return sign * std::pow(10.0f, 12.0f * unit(rng) - 4.0f);
}

TEST(PortBatch, EveryLaneMatchesLddrtg) {
  std::mt19937 rng(31337);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float resistances[] = {50.0f, 1.0f, 75.0f, 1000.0f, 36.8898392f};
  const float reactances[] = {0.0f, -0.0f, 25.0f, -120.5f, 1e-3f};
  for (int trial = 0; trial < 20000; ++trial) {
    const float zrs = resistances[trial % 5];
    const float zrl = resistances[(trial / 5) % 5];
    const float zis = reactances[(trial / 25) % 5];
    const float zil = reactances[(trial / 125) % 5];
    const Terminations t = terminations({zrs, zis}, {zrl, zil});
    ChainMatrix m[4];
    for (ChainMatrix& one : m) {
      for (auto& row : one) {
        for (float& e : row) e = entry(rng);
      }
    }
    // A through connection now and then: the matched, exact cases.
    if (trial % 7 == 0) m[trial % 4] = {{{1, 0, 0, 1}, {0, 0, 0, 0}}};
    const int count = 1 + trial % 4;
    const ChainMatrix* rs[4] = {&m[0], &m[1], &m[2], &m[3]};
    PortValues batch[4];
    float phases[4];
    port_values(t, rs, count, batch);
    port_phases(t, rs, count, phases);
    for (int j = 0; j < count; ++j) {
      const Lddrtg full = reference(m[j], zrs, zis, zrl, zil, 0);
      const Lddrtg phase = reference(m[j], zrs, zis, zrl, zil, 1);
      const PortValues one = port_values(t, m[j]);
      SCOPED_TRACE(::testing::Message() << "trial " << trial << " lane " << j);
      EXPECT_TRUE(same(library(m[j], zrs, zis, zrl, zil, 0), full));
      EXPECT_TRUE(same(library(m[j], zrs, zis, zrl, zil, 1), phase));
      EXPECT_TRUE(same_float(batch[j].phf, full.phf));
      EXPECT_TRUE(same_float(batch[j].il, full.il));
      EXPECT_TRUE(same_float(batch[j].zinr, full.zinr));
      EXPECT_TRUE(same_float(batch[j].zini, full.zini));
      EXPECT_TRUE(same_float(batch[j].vswr, full.vswr));
      EXPECT_TRUE(same_float(batch[j].rtl, full.rtl));
      EXPECT_TRUE(same_float(one.phf, full.phf));
      EXPECT_TRUE(same_float(one.rtl, full.rtl));
      EXPECT_TRUE(same_float(phases[j], phase.phf));
      EXPECT_TRUE(same_float(port_phase(t, m[j]), phase.phf));
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// The clamps of the port quantities, lane by lane: the loss floor, the
// reflection and VSWR ceilings, and a lane of exact match next to them.
TEST(PortBatch, FloorsAndCeilingsPerLane) {
  const Terminations t = terminations({50, 0}, {50, 0});
  const ChainMatrix through = {{{1, 0, 0, 1}, {0, 0, 0, 0}}};
  const ChainMatrix open = {{{kProductLimit, kProductLimit, 0, 1}, {0, 0, kProductLimit, 0}}};
  const ChainMatrix shorted = {{{1, 0, 0, 1}, {0, 0, 1e6f, 0}}};
  const ChainMatrix* rs[4] = {&through, &open, &shorted, &through};
  PortValues v[4];
  port_values(t, rs, 4, v);
  EXPECT_EQ(v[0].il, 0.0f);
  EXPECT_EQ(v[0].vswr, 1.0f);
  EXPECT_EQ(v[0].rtl, -std::numeric_limits<float>::infinity());
  EXPECT_EQ(v[1].il, -300.0f);
  EXPECT_EQ(v[2].vswr, 999.99f);
  EXPECT_EQ(v[2].rtl, 20.0f * std::log10(0.9995f));
}

}  // namespace
}  // namespace varnholt

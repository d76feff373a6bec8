// The chain-matrix cascade: complex products and their limit, branch
// matrices of every element code, and whole ladders against an impedance walk.
#include "analysis/cascade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <numbers>

#include "support/design.h"

namespace varnholt {
namespace {

// An independent double-precision model: the input impedance found by walking
// from the load to the source, adding series impedances and shunt admittances.
using cd = std::complex<double>;
double omega(double f_mhz) { return 2.0 * std::numbers::pi * f_mhz * 1e6; }

cd input_impedance(const Capind& c, double f_mhz, int icfg, int ides, int n, cd z) {
  const cd jw(0.0, omega(f_mhz));
  for (int k = n; k >= 1; --k) {
    const bool series = (icfg == 2) == (k % 2 == 1);  // dual: odd positions in the line
    const cd l = jw * ((series ? c.serl[k] : c.shuntl[k]) * 1e-9);   // jwL
    const cd y = jw * ((series ? c.serc[k] : c.shuntc[k]) * 1e-12);  // jwC
    const cd branch = ides == 2 ? (series ? 1.0 / y : l)  // high-pass
                      : ides == 3 ? (series ? l + 1.0 / y : 1.0 / (y + 1.0 / l))
                      : ides == 4 ? (series ? 1.0 / (1.0 / l + y) : l + 1.0 / y)
                                  : (series ? l : 1.0 / y);  // low-pass
    z = series ? z + branch : 1.0 / (1.0 / z + 1.0 / branch);
  }
  return z;
}

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr ChainMatrix kIdentity = {{{1, 0, 0, 1}, {0, 0, 0, 0}}};

cd entry(const ChainMatrix& m, int col) { return {m[0][col], m[1][col]}; }

using testing::cascade;

TEST(Cascade, ComplexProductsAreLimitedPartByPart) {
  float x = 0, y = 0;
  nmult(1, x, y, 1, 2, 3, 4);  // (1+2j)(3+4j)
  EXPECT_EQ(cd(x, y), cd(-5, 10));
  nmult(2, x, y, 1, 2, 3, 4);  // (1+2j)(3-4j)
  EXPECT_EQ(cd(x, y), cd(11, 2));
  nmult(1, x, y, 1, 1e10f, 1, 1e10f);  // -1e20 + 2e10j
  EXPECT_EQ(cd(x, y), cd(-kProductLimit, 2e10f));
  nmult(2, x, y, 1e10f, 1e10f, 1e10f, -1e10f);  // 0 + 2e20j
  EXPECT_EQ(cd(x, y), cd(0, kProductLimit));
  nmult(1, x, y, kInf, 0, 2, 0);
  EXPECT_EQ(x, kProductLimit);
  // [[1+j, 2], [j, 1]] x [[1, -j], [3, 1-j]] = [[7+j, 3-3j], [3+j, 2-j]], into an input too.
  const ChainMatrix x1 = {{{1, 2, 0, 1}, {1, 0, 1, 0}}}, x2 = {{{1, 0, 3, 1}, {0, -1, 0, -1}}};
  ChainMatrix xt = x1;
  mmult(xt, xt, x2);
  EXPECT_EQ(xt, (ChainMatrix{{{7, 3, 3, 2}, {1, -3, 1, -1}}}));
  const ChainMatrix big = {{{1e10f, 1e10f, 1e10f, 1}, {0, 0, 0, 0}}};
  mmult(xt, big, big);  // A = 1e20 + 1e20: the terms are limited, not their sum
  EXPECT_EQ(xt[0][kEntryA], 2.0f * kProductLimit);
}

TEST(Cascade, BranchMatrixOfEveryElementCode) {
  const float f = 100, l = 100, c = 20;
  const double w = omega(f), lh = l * 1e-9, cf = c * 1e-12, t = 1 - w * w * lh * cf;
  const struct {
    int32_t ic;
    float c1;
    int col;
    double want;  // the one imaginary entry besides the identity
  } cases[] = {{2, l, kEntryB, w * lh},        {3, c, kEntryB, -1 / (w * cf)},
               {6, l, kEntryC, -1 / (w * lh)}, {7, c, kEntryC, w * cf},
               {16, 0, kEntryB, w * lh / t},   {17, 0, kEntryC, w * cf - 1 / (w * lh)},
               {18, 0, kEntryB, w * lh - 1 / (w * cf)}, {19, 0, kEntryC, w * cf / t}};
  for (const auto& k : cases) {
    ChainMatrix e{};
    int32_t ierr = 9;
    cktle(k.c1, c, l, e, f, k.ic, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_NEAR(e[1][k.col], k.want, 2e-6 * std::abs(k.want)) << "code " << k.ic;
    e[1][k.col] = 0;
    EXPECT_EQ(e, kIdentity) << "code " << k.ic;
  }
  for (int32_t bad : {0, 1, 4, 5, 8, 15, 20, -1, INT32_MAX}) {
    ChainMatrix e = {{{5, 5, 5, 5}, {5, 5, 5, 5}}};
    int32_t ierr = 0;
    cktle(1, 1, 1, e, f, bad, ierr);
    EXPECT_EQ(std::tuple(ierr, e), std::tuple(1, kIdentity)) << bad;
  }
}

// In float, 1 - w^2 L C is exactly 0 or at least 2^-24 away from it, so the
// 1e-15 hold only ever meets an exact zero. Find an inductance that hits it.
TEST(Cascade, ResonatorsAtResonance) {
  const float c = 1.0f, om = 2.0f * 3.1415927f * 100.0f;
  float l = 1e9f / (om * om * c);
  for (int i = 0; i < 64 && 1.0f - c * (om * om) * l * 1e-9f != 0.0f; ++i)
    l = std::nextafter(l, 0.0f);
  ASSERT_EQ(1.0f - c * (om * om) * l * 1e-9f, 0.0f);
  ChainMatrix e{};
  int32_t ierr = 0;
  cktle(0, c, l, e, 100, 16, ierr);  // parallel LC in the line, held at t = +1e-15
  EXPECT_NEAR(e[1][kEntryB], omega(100) * l * 1e-9 / 1e-15, 1e13);
  cktle(0, c, l, e, 100, 19, ierr);  // series LC to ground, likewise
  EXPECT_NEAR(e[1][kEntryC], omega(100) * c * 1e-12 / 1e-15, 1e4);
  cktle(0, c, std::nextafter(l, kInf), e, 100, 16, ierr);  // just above: t < 0
  EXPECT_LT(e[1][kEntryB], -1e9f);
  Capind store;  // a band-stop ladder with its series arm on resonance
  store.serc[1] = c;
  store.serl[1] = l;
  const ChainMatrix rs = cascade(store, 100, 2, 4, 1);
  EXPECT_EQ(std::tuple(entry(rs, kEntryA), entry(rs, kEntryB)),
            std::tuple(cd(1, 0), cd(0, kProductLimit)));
}

Capind mixed_store() {
  Capind s;
  for (int k = 1; k <= kMaxPositions; ++k) {
    s.serl[k] = 80.0f + 7 * k;
    s.serc[k] = 30.0f - 0.5f * k;
    s.shuntl[k] = 60.0f + 3 * k;
    s.shuntc[k] = 25.0f + k;
  }
  return s;
}

// Every filter type (any unknown code is low-pass) and configuration against
// the load-to-source walk.
TEST(Cascade, LaddersMatchTheImpedanceWalk) {
  const Capind s = mixed_store();
  for (int ides : {0, 1, 2, 3, 4, 5}) {
    for (int icfg : {1, 2}) {
      for (float f : {17.0f, 100.0f, 333.0f}) {
        const ChainMatrix rs = cascade(s, f, icfg, ides, 5);
        const cd zin = (entry(rs, kEntryA) * 50.0 + entry(rs, kEntryB)) /
                       (entry(rs, kEntryC) * 50.0 + entry(rs, kEntryD));
        const cd want = input_impedance(s, f, icfg, ides, 5, 50.0);
        EXPECT_LT(std::abs(zin - want), 1e-4 * std::abs(want) + 1e-3)
            << "ides " << ides << " icfg " << icfg << " f " << f;
      }
    }
  }
}

TEST(Cascade, ConfigurationCodesAndLength) {
  const Capind s = mixed_store();
  ChainMatrix want = cascade(s, 90, 1, 3, 4);
  for (int32_t icfg : {0, 3, -1, INT32_MIN, INT32_MAX}) EXPECT_EQ(cascade(s, 90, icfg, 3, 4), want);
  want = cascade(s, 90, 2, 1, 31);  // all 31 positions, never more
  EXPECT_NE(cascade(s, 90, 2, 1, 30), want);
  for (int32_t n : {32, 40, INT32_MAX}) EXPECT_EQ(cascade(s, 90, 2, 1, n), want);
  for (int32_t n : {0, -3, INT32_MIN}) EXPECT_EQ(cascade(s, 90, 1, 1, n), kIdentity);
}

}  // namespace
}  // namespace varnholt

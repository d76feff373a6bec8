// The rows a Sweep hands out are, bit for bit, those of the plain per-point
// path (ladder, lddrtg, grpdly), however the caller slices the sweep.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "analysis/cascade.h"
#include "analysis/sweep.h"
#include "synthesis/transform.h"

namespace varnholt {
namespace {

bool same(float a, float b) {
  return std::isnan(a) ? std::isnan(b) : std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

// A 0.1 dB Chebyshev band-stop of 9 sections, 90 to 110 MHz, dual circuit,
// between complex terminations, 40 to 160 MHz in 0.5 MHz steps.
State band_stop() {
  State st;
  float am = 0.1f, rod = 0.0f, ros = 0.0f;
  bsfltr(st.capind, am, 110.0f, 90.0f, 1, 9, rod, ros, 50.0f);
  st.block1.n = 9;
  st.control = {.icfg = 2, .ides = 4, .ivswr = 1};
  st.freq1.fo = 100.0f;
  st.freq1.fmin = 40.0f;
  st.freq1.fmax = 160.0f;
  st.freq1.fstep = 0.5f;
  st.imp1 = {.zil = -20.0f, .zis = 12.5f, .zo = 50.0f, .zrl = 75.0f, .zrs = 50.0f};
  return st;
}

SweepRow plain_row(const State& st, float f) {
  const Imp1& z = st.imp1;
  const Control& c = st.control;
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(st.capind, f, c.icfg, c.ides, ierr, st.block1.n, rs);
  SweepRow r;
  r.f = f;
  lddrtg(0, r.il, r.phf, rs, r.rtl, r.vswr, z.zil, r.zini, r.zinr, z.zis, z.zrl, z.zrs);
  grpdly(st.capind, f, c.icfg, c.ides, st.block1.n, r.phf, r.td, z.zil, z.zis, z.zrl, z.zrs);
  r.f_over_fo = f / st.freq1.fo;
  return r;
}

TEST(SweepApi, RowsEqualThePlainPathForEverySliceSize) {
  const State st = band_stop();
  for (const std::size_t slice : {1u, 3u, 7u, 64u, 1000u}) {
    Sweep sweep(st);
    ASSERT_EQ(sweep.points(), 241);
    std::vector<SweepRow> rows(slice);
    int64_t step = 0;
    while (const std::size_t count = sweep.next(rows)) {
      for (std::size_t i = 0; i < count; ++i, ++step) {
        const SweepRow want = plain_row(st, sweep_frequency(40.0f, 0.5f, step));
        const SweepRow& got = rows[i];
        const float w[] = {want.f, want.zinr, want.zini, want.vswr, want.rtl,
                           want.il, want.phf, want.td, want.f_over_fo};
        const float g[] = {got.f, got.zinr, got.zini, got.vswr, got.rtl,
                           got.il, got.phf, got.td, got.f_over_fo};
        for (int col = 0; col < 9; ++col) {
          ASSERT_TRUE(same(w[col], g[col])) << "slice " << slice << " step " << step << " col "
                                            << col << ": " << w[col] << " vs " << g[col];
        }
      }
    }
    EXPECT_EQ(step, 241);
    EXPECT_EQ(sweep.next(rows), 0u);  // and stays at the end
  }
}

TEST(SweepApi, NoPointWhenTheRangeRunsBackwards) {
  State st = band_stop();
  st.freq1.fmax = 30.0f;
  Sweep sweep(st);
  SweepRow row;
  EXPECT_EQ(sweep.points(), 0);
  EXPECT_EQ(sweep.next({&row, 1}), 0u);
}

TEST(SweepApi, ABranchOfTwoPairsIsRefused) {
  Ladder ladder;
  ladder.branches.push_back({Placement::Shunt, BranchKind::TankAndSeriesLC, {10, 20}, {30, 40}});
  EXPECT_THROW(Sweep(ladder, terminations({50, 0}, {50, 0}), {1, 2, 1}, 1), std::invalid_argument);
}

}  // namespace
}  // namespace varnholt

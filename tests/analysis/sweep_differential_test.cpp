// Every fast path of the analysis sweep against the plain per-point path
// (ladder, lddrtg, grpdly, rows laid out from field values), bit for bit, NaN
// equal to NaN: the prepared cascade lane by lane, the port quantities of
// several matrices at once, the rows a Sweep hands out however it is sliced,
// and the text the analysis run prints and stores.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/prepared_ladder.h"
#include "analysis/sweep.h"
#include "common/file_system.h"
#include "format/console.h"
#include "support/numbers.h"
#include "support/design.h"

namespace varnholt {
namespace {

using testing::same_float;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int kBatch = PreparedLadder::kBatch;

bool same(const ChainMatrix& a, const ChainMatrix& b) {
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 4; ++col)
      if (!same_float(a[row][col], b[row][col])) return false;
  return true;
}

bool same(const PortValues& a, const PortValues& b) {
  return same_float(a.il, b.il) && same_float(a.phf, b.phf) && same_float(a.rtl, b.rtl) &&
         same_float(a.vswr, b.vswr) && same_float(a.zini, b.zini) && same_float(a.zinr, b.zinr);
}

ChainMatrix plain_matrix(const State& st, float f) {
  return testing::cascade(st.capind, f, st.control.icfg, st.control.ides, st.block1.n);
}

// Port quantities of `count` (1..4) matrices together against each alone and
// against lddrtg.
void expect_ports(const Imp1& z, const ChainMatrix* m, int count) {
  const Terminations t = terminations(z);
  const ChainMatrix* rs[4];
  for (int j = 0; j < 4; ++j) rs[j] = &m[std::min(j, count - 1)];
  PortValues batch[4];
  float phases[4];
  port_values(t, rs, count, batch);
  port_phases(t, rs, count, phases);
  for (int j = 0; j < count; ++j) {
    PortValues old;
    lddrtg(0, old.il, old.phf, m[j], old.rtl, old.vswr, z.zil, old.zini, old.zinr, z.zis, z.zrl,
           z.zrs);
    float phase = -1;
    lddrtg(1, old.il, phase, m[j], old.rtl, old.vswr, z.zil, old.zini, old.zinr, z.zis, z.zrl,
           z.zrs);
    ASSERT_TRUE(same(batch[j], port_values(t, m[j])) && same(old, batch[j])) << "lane " << j;
    ASSERT_TRUE(same_float(phases[j], port_phase(t, m[j])) && same_float(phase, phases[j]));
  }
}

// `count` frequencies through the prepared cascade together, against ladder
// one by one, then their port quantities; the number of general products.
int64_t expect_lanes(const State& st, const float* f, int count) {
  const PreparedLadder prepared(st.capind, st.control.icfg, st.control.ides, st.block1.n);
  ChainMatrix rs[kBatch];
  for (auto& m : rs) m = {{{7, 7, 7, 7}, {7, 7, 7, 7}}};
  prepared.cascade(f, rs, count);
  for (int j = 0; j < count; ++j) {
    EXPECT_TRUE(same(plain_matrix(st, f[j]), rs[j]))
        << "ides " << st.control.ides << " icfg " << st.control.icfg << " n " << st.block1.n
        << " f " << f[j] << " lane " << j << " of " << count;
  }
  for (int j = 0; j < count; j += 4) expect_ports(st.imp1, rs + j, std::min(4, count - j));
  return prepared.fallbacks();
}

float reference(const State& st) {
  return st.control.ides == 3 || st.control.ides == 4 ? st.freq1.fo : st.freq1.fc1;
}

SweepRow plain_row(const State& st, float f) {
  const Imp1& z = st.imp1;
  const Control& c = st.control;
  SweepRow r;
  r.f = f;
  lddrtg(0, r.il, r.phf, plain_matrix(st, f), r.rtl, r.vswr, z.zil, r.zini, r.zinr, z.zis, z.zrl,
         z.zrs);
  grpdly(st.capind, f, c.icfg, c.ides, st.block1.n, r.phf, r.td, z.zil, z.zis, z.zrl, z.zrs);
  r.f_over_fo = f / reference(st);
  return r;
}

// The rows of a Sweep taken `slice` at a time.
void expect_rows(const State& st, std::size_t slice) {
  Sweep sweep(st);
  std::vector<SweepRow> rows(slice);
  int64_t step = 0;
  while (const std::size_t count = sweep.next(rows)) {
    for (std::size_t i = 0; i < count; ++i, ++step) {
      const SweepRow w = plain_row(st, sweep_frequency(st.freq1.fmin, st.freq1.fstep, step));
      const SweepRow& g = rows[i];
      const float want[] = {w.f, w.zinr, w.zini, w.vswr, w.rtl, w.il, w.phf, w.td, w.f_over_fo};
      const float got[] = {g.f, g.zinr, g.zini, g.vswr, g.rtl, g.il, g.phf, g.td, g.f_over_fo};
      for (int col = 0; col < 9; ++col) {
        ASSERT_TRUE(same_float(want[col], got[col])) << "slice " << slice << " step " << step
                                                     << " col " << col;
      }
    }
  }
  EXPECT_EQ(step, sweep.points());
  EXPECT_EQ(step, std::max<int64_t>(0, sweep_steps(st.freq1.fmin, st.freq1.fmax, st.freq1.fstep) + 1));
  EXPECT_EQ(sweep.next(rows), 0u);  // and stays at the end
}

// The analysis run prints, and stores, the plain rows laid out from field values.
void expect_printed(State st) {
  static const Layout kRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.3,F7.3)");
  static const Layout kLongDelayRow("(F16.4,F8.2,F12.2,F9.2,F9.3,F8.2,F9.0,F7.3)");
  std::string want;
  const int64_t steps = sweep_steps(st.freq1.fmin, st.freq1.fmax, st.freq1.fstep);
  for (int64_t i = 0; i <= steps; ++i) {
    const SweepRow r = plain_row(st, sweep_frequency(st.freq1.fmin, st.freq1.fstep, i));
    (r.td > 10000.0f ? kLongDelayRow : kRow)
        .append(want, {r.f, r.zinr, r.zini, st.control.ivswr == 2 ? r.rtl : r.vswr, r.il, r.phf,
                       r.td, r.f_over_fo}, true);
  }
  std::istringstream in;
  std::ostringstream out, stored;
  Console console(in, out);
  console.mirror_to(&stored);
  MemoryFileSystem fs;
  Session s{st, console, fs, [] { return Datetime{}; }};
  analysis_run(s);
  const std::string rule = std::string(6, ' ') + std::string(72, '-') + "\r\n";
  const std::size_t at = out.str().find(rule);
  ASSERT_NE(at, std::string::npos);
  const std::string got = out.str().substr(at + rule.size());
  // The first differing row, rather than two multi-megabyte strings.
  const auto diff = static_cast<std::size_t>(
      std::mismatch(got.begin(), got.end(), want.begin(), want.end()).second - want.begin());
  const std::size_t row = diff == 0 ? 0 : want.rfind('\n', diff - 1) + 1;
  EXPECT_EQ(got.substr(row, 80), want.substr(row, 80));
  EXPECT_EQ(stored.str(), out.str());
}

// Terminations the random trials go through.
constexpr float kResistances[] = {50.0f, 1.0f, 75.0f, 1000.0f, 36.8898392f};
constexpr float kReactances[] = {0.0f, -0.0f, 25.0f, -120.5f, 1e-3f};

// A magnitude 10^-6..10^6, now and then 0 or negative.
float element(std::mt19937& rng) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float r = unit(rng);
  const float v = std::pow(10.0f, 12.0f * unit(rng) - 6.0f);
  return r < 0.03f ? 0.0f : r < 0.06f ? -v : v;
}

// Random ladders of every type code 0..5, configuration code 0..3 and length
// -1..33, random frequencies (some 0) in lanes of every batch size, random
// complex terminations, and short sweeps over them taken in slices of 1..9.
TEST(SweepDifferential, RandomLaddersMatchThePlainPath) {
  std::mt19937 rng(2024);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  int64_t fallbacks = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    State st;
    for (int k = 0; k <= kMaxPositions; ++k) {
      for (auto* v : {&st.capind.serl, &st.capind.serc, &st.capind.shuntl, &st.capind.shuntc})
        (*v)[k] = element(rng);
    }
    st.control = {.icfg = static_cast<int32_t>(unit(rng) * 4.0f),
                  .ides = static_cast<int32_t>(unit(rng) * 6.0f),
                  .ivswr = 1 + trial % 2};
    st.block1.n = static_cast<int32_t>(unit(rng) * 35.0f) - 1;
    st.imp1 = {.zil = kReactances[trial % 5], .zis = kReactances[(trial / 5) % 5], .zo = 50.0f,
               .zrl = kResistances[(trial / 25) % 5], .zrs = kResistances[(trial / 125) % 5]};
    float f[kBatch];
    for (float& x : f) x = unit(rng) < 0.03f ? 0.0f : std::pow(10.0f, 18.0f * unit(rng) - 9.0f);
    fallbacks += expect_lanes(st, f, 1 + trial % kBatch);
    st.freq1 = {.fc1 = f[1], .fmin = f[0], .fstep = f[0] * 0.01f + 0.01f, .fo = f[2]};
    st.freq1.fmax = st.freq1.fmin + st.freq1.fstep * unit(rng) * 20.0f;
    expect_rows(st, 1 + trial % 9);
    if (trial % 10 == 0) expect_printed(st);
    if (::testing::Test::HasFailure()) return;
  }
  EXPECT_GT(fallbacks, 0);  // both paths were taken
}

// Element values of 0, negative values, values whose products underflow or
// pass the 1e15 limit: every combination on short ladders, where the signs
// of zero of the omitted products would first show.
TEST(SweepDifferential, ZerosSignsUnderflowAndLimitExhaustively) {
  const float values[] = {0.0f, -0.0f, 1.0f, -2.5f, 1e-30f, -3e-38f, 1e12f, -4e20f, 7.0e30f};
  const float f[] = {1e-20f, 1.0f, 150.0f, 3e9f};
  int at_limit = 0;
  State st;
  st.block1.n = 3;
  st.imp1 = {.zil = -20.0f, .zis = 12.5f, .zo = 50.0f, .zrl = 75.0f, .zrs = 50.0f};
  Capind& c = st.capind;
  for (int32_t ides = 1; ides <= 4; ++ides) {
    for (int32_t icfg = 1; icfg <= 2; ++icfg) {
      st.control = {.icfg = icfg, .ides = ides};
      for (float a : values) {
        for (float b : values) {
          for (float d : values) {
            c.serl[1] = c.shuntl[1] = c.serc[2] = c.shuntl[2] = a;
            c.serc[1] = c.shuntc[1] = c.serl[3] = c.shuntl[3] = b;
            c.serl[2] = c.shuntc[2] = c.serc[3] = c.shuntc[3] = d;
            expect_lanes(st, f, 4);
            for (const auto& row : plain_matrix(st, f[3]))
              for (float e : row) at_limit += std::fabs(e) >= kProductLimit;
          }
        }
      }
    }
  }
  EXPECT_GT(at_limit, 0);  // the limit was reached in some cases
}

State uniform(float value, int32_t ides, int32_t icfg, int32_t n) {
  State st;
  Capind& c = st.capind;
  for (int k = 0; k <= kMaxPositions; ++k) c.serl[k] = c.serc[k] = c.shuntl[k] = c.shuntc[k] = value;
  st.control = {.icfg = icfg, .ides = ides};
  st.block1.n = n;
  st.imp1 = {.zil = 0.0f, .zis = 0.0f, .zo = 50.0f, .zrl = 50.0f, .zrs = 50.0f};
  return st;
}

// Frequencies at which some branch entry is infinite or NaN take the general
// product; the others of the same call still take the fast walk.
TEST(SweepDifferential, NonFiniteBranchEntriesTakeTheGeneralProduct) {
  // High-pass at f = 0: the series capacitors and shunt inductors divide by 0.
  const float zero[] = {0.0f, 50.0f, -0.0f, 75.0f};
  EXPECT_EQ(expect_lanes(uniform(10.0f, 2, 1, 7), zero, 4), 2);
  // Low-pass at a frequency whose om overflows, and a NaN frequency.
  const float huge[] = {3e38f, std::nanf(""), kInf, 10.0f};
  expect_lanes(uniform(10.0f, 1, 2, 6), huge, 4);
  // An infinite element value.
  State st = uniform(10.0f, 1, 1, 5);
  st.capind.shuntc[3] = kInf;
  const float low[] = {1.0f, 2.0f};
  EXPECT_EQ(expect_lanes(st, low, 2), 2);
}

// A band-stop resonator exactly at resonance (t held at 1e-15) and a
// band-pass one whose reactance cancels exactly.
TEST(SweepDifferential, ResonancesMatch) {
  // 1 - C oms L 1e-9 = 0 when C oms L 1e-9 rounds to exactly 1: search the
  // floats around the resonance of L = C = 1000 for one that does.
  const float centre = 1.0f / (2.0f * 3.1415927f) * std::sqrt(1e9f / 1e6f);
  float f = centre;
  for (int i = 0; i < 64; ++i, f = std::nextafter(f, 2 * centre)) {
    const float om = 2.0f * 3.1415927f * f;
    if (1.0f - 1000.0f * (om * om) * 1000.0f * 1e-9f == 0.0f) break;
  }
  const float at[] = {f, centre, std::nextafter(centre, 0.0f), 2 * centre};
  for (int32_t ides : {3, 4}) {
    for (int32_t icfg : {1, 2}) {
      State st = uniform(1.0f, ides, icfg, 2);
      st.capind.serl[1] = st.capind.serc[1] = st.capind.shuntl[2] = st.capind.shuntc[2] = 1000.0f;
      expect_lanes(st, at, 4);
    }
  }
}

// Matrices a cascade can hand over, entry by entry: zeros of both signs,
// values at and beyond the product limit, tiny ones, infinities and NaN.
TEST(SweepDifferential, PortLanesOfHostileMatrices) {
  std::mt19937 rng(31337);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float pick[] = {0.0f, kProductLimit, 2.0f * kProductLimit, kInf, std::nanf(""), 1e-40f};
  for (int trial = 0; trial < 20000; ++trial) {
    ChainMatrix m[4];
    for (ChainMatrix& one : m) {
      for (auto& row : one) {
        for (float& e : row) {
          const float r = unit(rng);
          const float sign = unit(rng) < 0.5f ? -1.0f : 1.0f;
          e = sign * (r < 0.15f ? pick[static_cast<int>(r * 40.0f)]
                                : std::pow(10.0f, 12.0f * unit(rng) - 4.0f));
        }
      }
    }
    // A through connection now and then: the matched, exact cases.
    if (trial % 7 == 0) m[trial % 4] = {{{1, 0, 0, 1}, {0, 0, 0, 0}}};
    const Imp1 z{.zil = kReactances[(trial / 125) % 5], .zis = kReactances[(trial / 25) % 5],
                 .zo = 50.0f, .zrl = kResistances[(trial / 5) % 5], .zrs = kResistances[trial % 5]};
    expect_ports(z, m, 1 + trial % 4);
    if (::testing::Test::HasFailure()) return;
  }
}

// The clamps of the port quantities, lane by lane: the loss floor, the
// reflection and VSWR ceilings, and a lane of exact match next to them.
TEST(SweepDifferential, FloorsAndCeilingsPerLane) {
  const Terminations t = terminations({50, 0}, {50, 0});
  const ChainMatrix through = {{{1, 0, 0, 1}, {0, 0, 0, 0}}};
  const ChainMatrix open = {{{kProductLimit, kProductLimit, 0, 1}, {0, 0, kProductLimit, 0}}};
  const ChainMatrix shorted = {{{1, 0, 0, 1}, {0, 0, 1e6f, 0}}};
  const ChainMatrix* rs[4] = {&through, &open, &shorted, &through};
  PortValues v[4];
  port_values(t, rs, 4, v);
  EXPECT_EQ(v[0].il, 0.0f);
  EXPECT_EQ(v[0].vswr, 1.0f);
  EXPECT_EQ(v[0].rtl, -kInf);
  EXPECT_EQ(v[1].il, -300.0f);
  EXPECT_EQ(v[2].vswr, 999.99f);
  EXPECT_EQ(v[2].rtl, 20.0f * std::log10(0.9995f));
  EXPECT_TRUE(same(v[3], v[0]));
}

// Designed filters over long sweeps, printed and sliced: an odd count of 2001
// points (the last pass evaluates one), complex terminations with the return
// loss column, and a high-pass from 0 MHz, whose first row is printed from
// non-finite values.
TEST(SweepDifferential, DesignedFiltersPrintThePlainRows) {
  struct Case { int32_t ides, icfg, ivswr, n; float low, high, zil, zis, zrl, fmin, fmax, fstep; };
  const Case cases[] = {{3, 1, 1, 30, 90, 110, 0, 0, 50, 50, 150, 0.05f},
                        {4, 2, 2, 17, 90, 110, -20, 12.5f, 75, 40, 160, 0.06f},
                        {1, 1, 2, 9, 100, 0, 0, 0, 50, 0.001f, 400, 0.25f},
                        {2, 2, 1, 8, 100, 0, 0, 0, 50, 0, 300, 1.5f}};
  for (const Case& k : cases) {
    State st;
    const auto d = testing::synthesise(k.ides, 1, 0.1f, k.n, k.ides <= 2 ? k.low : k.high, k.low, 50);
    st.capind = d.c;
    st.block1.n = k.n;
    st.block1.am = d.am;
    st.control = {.icfg = k.icfg, .ides = k.ides, .ivswr = k.ivswr};
    st.freq1 = {.bw = k.high - k.low, .fc1 = k.low, .fh1 = k.high, .fl1 = k.low, .fmax = k.fmax,
                .fmin = k.fmin, .fstep = k.fstep, .fo = (k.low + k.high) * 0.5f};
    st.imp1 = {.zil = k.zil, .zis = k.zis, .zo = 50.0f, .zrl = k.zrl, .zrs = 50.0f};
    expect_printed(st);
    for (const std::size_t slice : {1u, 3u, 7u, 64u, 1000u}) expect_rows(st, slice);
  }
}

TEST(SweepDifferential, NoPointWhenTheRangeRunsBackwards) {
  State st = uniform(1.0f, 3, 1, 4);
  st.freq1 = {.fmax = 30.0f, .fmin = 40.0f, .fstep = 0.5f};
  Sweep sweep(st);
  SweepRow row;
  EXPECT_EQ(sweep.points(), 0);
  EXPECT_EQ(sweep.next({&row, 1}), 0u);
}

TEST(SweepDifferential, LaddersNotFromTheStoresTakeTheGeneralProduct) {
  // Two series branches in a row, and branches of different formulas: the
  // prepared walk cannot take them and must still give `ladder`'s matrices.
  using K = BranchKind;
  const Ladder mixed{{{Placement::Series, K::Inductor, {120, 0}, {0, 0}},
                      {Placement::Series, K::Capacitor, {0, 0}, {15, 0}},
                      {Placement::Shunt, K::ParallelLC, {40, 0}, {60, 0}}}};
  // Alternating, but with a branch of two pairs, which the walk cannot form.
  const Ladder two_pairs{{{Placement::Shunt, K::Capacitor, {0, 0}, {15, 0}},
                          {Placement::Series, K::TankAndSeriesLC, {10, 20}, {30, 40}},
                          {Placement::Shunt, K::Capacitor, {0, 0}, {22, 0}}}};
  for (const Ladder& lad : {mixed, two_pairs}) {
    const PreparedLadder prepared(lad);
    for (const float f : {3.0f, 77.7f, 250.0f}) {
      ChainMatrix want{}, got{};
      int32_t ierr = 0;
      ladder(lad, f, ierr, want);
      prepared.cascade(&f, &got, 1);
      EXPECT_TRUE(same(want, got)) << f;
    }
    EXPECT_EQ(prepared.fallbacks(), 3);
  }
}

TEST(SweepDifferential, ABranchOfTwoPairsIsRefused) {
  Ladder ladder;
  ladder.branches.push_back({Placement::Shunt, BranchKind::TankAndSeriesLC, {10, 20}, {30, 40}});
  EXPECT_THROW(Sweep(ladder, terminations({50, 0}, {50, 0}), {1, 2, 1}, 1), std::invalid_argument);
}

}  // namespace
}  // namespace varnholt

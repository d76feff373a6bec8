// The netlist writer draws any branch from its shape: a ladder with every
// kind of branch, simulated by ngspice, must give the load voltage that the
// branch impedances written out by hand give.
#include <gtest/gtest.h>

#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/netlist.h"
#include "support/spice.h"

namespace varnholt {
namespace {

using cd = std::complex<double>;

cd series(cd a, cd b) { return a + b; }
cd parallel(cd a, cd b) { return a * b / (a + b); }

// Branch impedance at w (rad/s), element values in nH and pF.
cd impedance(const Branch& b, double w) {
  const cd l1(0, w * b.l[0] * 1e-9), c1(0, -1 / (w * b.c[0] * 1e-12));
  const cd l2(0, w * b.l[1] * 1e-9), c2(0, -1 / (w * b.c[1] * 1e-12));
  switch (b.kind) {
    case BranchKind::Inductor: return l1;
    case BranchKind::Capacitor: return c1;
    case BranchKind::SeriesLC: return series(l1, c1);
    case BranchKind::ParallelLC: return parallel(l1, c1);
    case BranchKind::TankAndSeriesLC: return parallel(parallel(l1, c1), series(l2, c2));
    case BranchKind::SeriesLCAndTank: return series(series(l1, c1), parallel(l2, c2));
  }
  return {};
}

// Load voltage per volt of source EMF, from the chain matrix of the ladder.
cd load_voltage(const Ladder& ladder, double f_mhz, cd zs, cd zl) {
  const double w = 2 * std::numbers::pi * f_mhz * 1e6;
  cd a = 1, b = 0, c = 0, d = 1;
  for (const Branch& br : ladder.branches) {
    const cd z = impedance(br, w);
    if (br.placement == Placement::Series) {
      b += a * z;
      d += c * z;
    } else {
      a += b / z;
      c += d / z;
    }
  }
  return zl / (a * zl + b + zs * (c * zl + d));
}

TEST(NetlistShapes, EveryBranchKindSimulatesAsItsImpedance) {
  VARNHOLT_NEED_NGSPICE();
  using K = BranchKind;
  const Ladder ladder{{
      {Placement::Shunt, K::Capacitor, {0, 0}, {30, 0}},
      {Placement::Series, K::TankAndSeriesLC, {90, 150}, {25, 12}},
      {Placement::Shunt, K::SeriesLCAndTank, {60, 45}, {40, 70}},
      {Placement::Series, K::SeriesLC, {120, 0}, {20, 0}},
      {Placement::Shunt, K::ParallelLC, {55, 0}, {35, 0}},
      {Placement::Series, K::Inductor, {80, 0}, {0, 0}},
  }};
  const Impedance source{50, 10}, load{75, -20};
  const std::vector<double> freqs = {20, 70, 100, 160, 400};
  const std::string said =
      testing::run_ngspice(spice_netlist(ladder, source, load, freqs, "every branch kind"),
                           testing::temp_stem("shapes"))
          .out;
  const std::vector<SpicePoint> points = read_spice_points(said);
  ASSERT_EQ(points.size(), freqs.size()) << said;
  for (std::size_t i = 0; i < freqs.size(); ++i) {
    const cd want = load_voltage(ladder, freqs[i], {50, 10}, {75, -20});
    EXPECT_NEAR(std::abs(points[i].v_out - want), 0.0, 1e-9 + 1e-6 * std::abs(want))
        << freqs[i] << " MHz: " << points[i].v_out << " vs " << want;
  }
}

}  // namespace
}  // namespace varnholt

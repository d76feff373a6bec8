// The netlist writer draws any branch from its shape: a ladder with every
// kind of branch, simulated by ngspice, must give the load voltage that the
// evaluator's chain matrix gives.
#include <gtest/gtest.h>

#include <complex>
#include <string>
#include <vector>

#include "analysis/netlist.h"
#include "ladder/network.h"
#include "support/spice.h"

namespace varnholt {
namespace {

using cd = std::complex<double>;

// Load voltage per volt of source EMF, from the evaluator's chain matrix
// (held to closed forms and physical laws in network_test.cpp).
cd load_voltage(const Ladder& ladder, double f_mhz, cd zs, cd zl) {
  const Abcd m = chain_matrix(ladder, f_mhz);
  return zl / (m.a * zl + m.b + zs * (m.c * zl + m.d));
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

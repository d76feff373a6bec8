// Finite component Q: the textbook mid-band loss of a band-pass, the lossless
// limit, and a lossy ladder against ngspice with explicit loss resistors.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ladder/network.h"
#include "support/spice.h"
#include "practical/elements.h"
#include "practical/bandpass.h"

namespace varnholt {
namespace {

using std::numbers::pi;

double loss_db(const Ladder& lad, double f, const PartModel& q) {
  return port_response(chain_matrix_slope(lad, f, q), 50.0, 50.0).s21_db;
}

// Mid-band loss with resonators of unloaded Q: 4.343 sum(g) (f0 / bw) / Q dB.
TEST(PartModel, BandPassMidBandLossAgreesWithTheTextbookEstimate) {
  for (int n : {3, 5, 7}) {
    for (double bw : {5.0, 10.0}) {
      const Ladder lad = test::butterworth_bandpass(n, 100.0, bw, 50.0);
      double g_sum = 0;
      for (int k = 1; k <= n; ++k) g_sum += test::butterworth_g(k, n);
      const double estimate = 4.343 * g_sum * (100.0 / bw) / 100.0;
      // Q 200 in both the inductor and the capacitor: a resonator Q of 100.
      EXPECT_NEAR(-loss_db(lad, 100.0, with_quality(200, 200, 0)), estimate, 0.1 * estimate) << n << bw;
      for (double f : {93.0, 100.0, 104.0})  // towards infinite Q, the ideal response
        EXPECT_NEAR(loss_db(lad, f, with_quality(1e10, 1e10, 0)), loss_db(lad, f, {}), 1e-6);
    }
  }
}

// A netlist of the ladder, written here from the branch shapes: every element
// followed by its loss resistor R = w_q L / Q or 1 / (w_q C Q).
struct Netlist {
  double w_q;
  PartModel q;
  std::ostringstream text{};
  int count = 0;
  std::vector<double> resistors{};

  std::string node() { return "n" + std::to_string(++count); }
  void element(bool inductor, double v, const std::string& a, const std::string& b) {
    const std::string mid = node(), id = std::to_string(count);
    const double r =
        inductor ? w_q * v * 1e-9 / q.q_inductor : 1 / (w_q * v * 1e-12 * q.q_capacitor);
    resistors.push_back(r);
    text << (inductor ? "L" : "C") << id << " " << a << " " << mid << " " << v
         << (inductor ? "n\n" : "p\n") << "R" << id << " " << mid << " " << b << " " << r << "\n";
  }
  void pair(const Branch& br, std::size_t p, const std::string& a, const std::string& b) {
    const PairShape s = shape(br.kind).pair[p];
    const std::string mid = s.has_l && s.has_c && s.join == Join::Series ? node() : b;
    if (s.has_l) element(true, br.l[p], a, mid);
    if (s.has_c) element(false, br.c[p], mid == b ? a : mid, b);
  }
  void branch(const Branch& br, const std::string& a, const std::string& b) {
    const BranchShape s = shape(br.kind);
    const std::string mid = s.pairs == 2 && s.between == Join::Series ? node() : b;
    pair(br, 0, a, mid);
    if (s.pairs == 2) pair(br, 1, mid == b ? a : mid, b);
  }
};

TEST(PartModel, LossyLadderAgreesWithNgspice) {
  VARNHOLT_NEED_NGSPICE();
  Ladder lad = test::butterworth_bandpass(5, 100.0, 12.0, 50.0);
  lad.branches.push_back({Placement::Series, BranchKind::TankAndSeriesLC, {20, 50}, {56.3, 5.63}});
  lad.branches.push_back({Placement::Shunt, BranchKind::SeriesLCAndTank, {100, 30}, {70.4, 26.1}});
  const PartModel q = with_quality(80, 400, 100.0);
  Netlist net{2e8 * pi, q};
  net.text.precision(15);
  net.text << "lossy ladder\nV1 src 0 AC 1\nRS src n0 50\n";
  std::string at = "n0";
  for (const Branch& b : lad.branches) {
    const std::string next = b.placement == Placement::Shunt ? "0" : net.node();
    net.branch(b, at, next);
    if (next != "0") at = next;
  }
  const std::string base = testing::temp_stem("losses");
  net.text << "RL " << at << " 0 50\n.control\nset wr_singlescale\noption numdgt=15\n"
           << "ac lin 161 60meg 140meg\nwrdata " << base << ".txt v(" << at << ")\n.endc\n.end\n";
  testing::run_ngspice(net.text.str(), base);
  std::ifstream out(base + ".txt");
  int compared = 0;
  for (double f, re, im; out >> f >> re >> im;) {
    const double spice = 20 * std::log10(2 * std::hypot(re, im));  // S21 = 2 V(load), 50 ohms
    if (spice < -60) continue;
    EXPECT_NEAR(loss_db(lad, f * 1e-6, q), spice, 0.01) << f * 1e-6 << " MHz";
    ++compared;
  }
  std::filesystem::remove(base + ".txt");
  EXPECT_GT(compared, 60);
  const std::vector<ElementLoss> losses = element_losses(lad, 7.0, q);  // any f: Q fixed at 100
  ASSERT_EQ(losses.size(), net.resistors.size());
  for (std::size_t i = 0; i < losses.size(); ++i)
    EXPECT_NEAR(losses[i].loss_ohms, net.resistors[i], 1e-12 * net.resistors[i]);
}

// The sweep's direct path gives the general evaluation's chain matrix bit for
// bit: every single-pair kind in the line and to ground, under each law of
// the Q, and a zero capacitance (an open); a zero inductance, a two-pair
// branch and the models it does not take fall back to the general way.
TEST(PartModel, PreparedSweepIsTheGeneralEvaluation) {
  const std::vector<double> sweep{1.0, 60.0, 99.5, 100.0, 180.0, 240.0, 311.0, 700.0, 1200.0};
  Ladder all;
  for (const Placement at : {Placement::Series, Placement::Shunt}) {
    for (const BranchKind kind : {BranchKind::Inductor, BranchKind::Capacitor, BranchKind::SeriesLC,
                                  BranchKind::ParallelLC})
      all.branches.push_back({at, kind, {120.0, 0.0}, {21.0, 0.0}});
  }
  Ladder zero_l = all, zero_c = all, two_pairs = all;
  zero_l.branches[2].l[0] = 0.0;
  zero_c.branches[1].c[0] = 0.0;  // a series capacitor of nothing: an open
  two_pairs.branches.push_back({Placement::Shunt, BranchKind::TankAndSeriesLC, {80, 30}, {33, 15}});
  PartModel srf = with_quality(200, 800), sqrt_law = with_quality(90, 400, 50);
  srf.inductor_srf_mhz = 900;
  sqrt_law.q_law = QLaw::Sqrt;
  for (const PartModel& model :
       {with_quality(200, 800), with_quality(150, 1e4, 100), sqrt_law, PartModel{}, srf}) {
    const PreparedSweep at(sweep, model);
    for (const Ladder& lad : {all, zero_l, zero_c, two_pairs}) {
      const PreparedNetwork net(lad);
      for (std::size_t i = 0; i < sweep.size(); ++i) {
        const Abcd want = net.chain_matrix(sweep[i], model), got = at.chain_matrix(net, i);
        for (const auto& [w, g] : {std::pair{want.a, got.a}, {want.b, got.b}, {want.c, got.c},
                                   {want.d, got.d}}) {
          EXPECT_EQ(w.real(), g.real()) << i;
          EXPECT_EQ(w.imag(), g.imag()) << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace varnholt

// Coupled-resonator band-pass designs: what each design passes (its band
// edges and ripple, from the network evaluator, with ngspice as the
// independent reference for the evaluator), the q and k against values
// computed apart from the program, the bench alignment, and the inductance
// range the design refuses to leave.
#include "synthesis/coupled_resonator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <numbers>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "analysis/netlist.h"
#include "ladder/network.h"
#include "support/spice.h"
#include "support/table.h"

namespace varnholt {
namespace {

constexpr double kF0 = 100.0;  // MHz, geometric centre
constexpr double kOhms = 50.0;

// Band edges with geometric centre f0 and fractional bandwidth w.
std::pair<double, double> edges(double f0, double w) {
  const double upper = f0 * (w / 2 + std::sqrt(1 + w * w / 4));
  return {f0 * f0 / upper, upper};
}

// A row starting topology | response | ripple dB | fractional bandwidth.
CoupledRequest request(const testing::Row& row, int n) {
  const auto [f1, f2] = edges(kF0, std::stod(row[3]));
  return {.topology = coupled_topology(row[0]).value(),
          .response = static_cast<Response>(std::stoi(row[1])),
          .order = n,
          .ripple_db = std::stod(row[2]),
          .lower_mhz = f1,
          .upper_mhz = f2,
          .source_ohms = kOhms};
}

// The design of a row: the ends direct (factor 0), or coupled with the
// resonator L the factor times that of the direct design.
CoupledDesign design(const testing::Row& row, int n, double factor, double load_ohms = 0) {
  CoupledRequest r = request(row, n);
  if (factor > 0) r.resonator_l_nh = factor * design_coupled(r).resonator_l_nh;
  r.load_ohms = load_ohms;
  return design_coupled(r);
}

// The designs of tests/data/coupled_matrix.txt, orders 2..9.
struct Case {
  testing::Row row;
  CoupledDesign d;
  std::string name;
};
std::vector<Case> matrix() {
  std::vector<Case> cases;
  for (const auto& row : testing::read_table("coupled_matrix.txt")) {
    for (int n = 2; n <= 9; ++n) {
      cases.push_back({row, design(row, n, std::stod(row[4]), std::stod(row[5])),
                       row[0] + " " + row[1] + " " + row[2] + " dB w " + row[3] + " L " + row[4] +
                           " n " + std::to_string(n)});
    }
  }
  return cases;
}

double loss_db(const Ladder& ladder, const CoupledDesign& d, double f) {
  return -20 *
         std::log10(std::abs(transfer(chain_matrix(ladder, f), d.source_ohms, d.load_ohms).s21));
}

// The frequency where the loss rises through `level`, found in steps from
// f_out (outside the passband) towards the centre, then by bisection.
double edge(const CoupledDesign& d, double level, double f_out) {
  const double step = (d.centre_mhz - f_out) / 4000;
  double in = f_out;
  while (loss_db(d.ladder, d, in) > level && std::abs(in - f_out) < std::abs(d.centre_mhz - f_out))
    in += step;
  double out = in - step;
  for (int k = 0; k < 60; ++k)
    ((loss_db(d.ladder, d, (in + out) / 2) <= level) ? in : out) = (in + out) / 2;
  return in;
}

// Every design: its resonator inductors equal (the one asked), its edges
// (the ripple level, 3 dB for Butterworth) within the row's fraction of the
// bandwidth, its Chebyshev ripple and least loss within the row's dB.
TEST(CoupledResonator, DesignMatrixPassesWhatWasAsked) {
  for (const Case& c : matrix()) {
    SCOPED_TRACE(c.name);
    const CoupledDesign& d = c.d;
    for (int k : d.resonators) EXPECT_EQ(d.ladder.branches[k - 1].l[0], d.resonator_l_nh);
    if (c.row[4] != "0") {
      EXPECT_EQ(d.load_ohms, c.row[5] == "0" ? kOhms : std::stod(c.row[5]));
    }
    const bool chebyshev = c.row[1] == "1";
    const double ripple = std::stod(c.row[2]), level = chebyshev ? ripple : 10 * std::log10(2.);
    const auto [f1, f2] = edges(kF0, std::stod(c.row[3]));
    const double lower = edge(d, level, f1 - (f2 - f1) / 2),
                 upper = edge(d, level, f2 + (f2 - f1) / 2);
    double low = 1e9, high = -1e9;
    for (int i = 0; i <= 4000; ++i) {
      const double l = loss_db(d.ladder, d, lower + (upper - lower) * i / 4000);
      low = std::min(low, l);
      high = std::max(high, l);
    }
    const double e = std::max(std::abs(lower - f1), std::abs(upper - f2)) / (f2 - f1);
    const double r = chebyshev ? std::abs(high - low - ripple) : 0.0;
    EXPECT_LE(e, std::stod(c.row[6]));
    EXPECT_LE(std::max(r, low), std::stod(c.row[7]));
  }
}

// The same designs as netlists: ngspice's transmission (from V(out)) agrees
// with the evaluator's around the band, within tests/data/coupled_spice.txt.
// One simulator run per design, two at a time.
TEST(CoupledResonator, SimulatorAgreesWithEvaluator) {
  VARNHOLT_NEED_NGSPICE();
  const std::vector<Case> cases = matrix();
  const double tolerance = std::stod(testing::read_table("coupled_spice.txt").at(0).at(0));
  std::vector<std::vector<SpicePoint>> points(cases.size());
  const auto freqs = [](const CoupledDesign& d) {
    const auto [f1, f2] = edges(d.centre_mhz, d.fractional_bandwidth);
    const double bw = f2 - f1;
    return std::vector<double>{f1 - bw, f1, d.centre_mhz, (f1 + f2) / 2, f2, f2 + bw, f2 + 3 * bw};
  };
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < cases.size(); i = next++) {
      const CoupledDesign& d = cases[i].d;
      const Impedance rs{static_cast<float>(d.source_ohms)}, rl{static_cast<float>(d.load_ohms)};
      const std::string netlist = spice_netlist(d.ladder, rs, rl, freqs(d), cases[i].name);
      points[i] = read_spice_points(
          testing::run_ngspice(netlist, testing::temp_stem("coupled-" + std::to_string(i))).out);
    }
  };
  std::thread helper(work);
  work();
  helper.join();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    CoupledDesign d = cases[i].d;
    d.source_ohms = static_cast<float>(d.source_ohms);  // as the netlist has them
    d.load_ohms = static_cast<float>(d.load_ohms);
    ASSERT_EQ(points[i].size(), freqs(d).size());
    for (const SpicePoint& p : points[i]) {
      const double sim =
          -20 * std::log10(2 * std::abs(p.v_out) * std::sqrt(d.source_ohms / d.load_ohms));
      EXPECT_NEAR(sim, loss_db(d.ladder, d, p.f_mhz), tolerance) << p.f_mhz << " MHz";
    }
  }
}

// q and k (tests/data/coupled_qk.txt) to the six decimals given.
TEST(CoupledResonator, QAndKFromThePrototype) {
  for (const auto& row : testing::read_table("coupled_qk.txt")) {
    const int n = std::stoi(row[2]);
    SCOPED_TRACE(row[0] + " " + row[1] + " n " + row[2]);
    const auto [f1, f2] = edges(kF0, 0.02);
    const CoupledDesign d = design_coupled({.response = static_cast<Response>(std::stoi(row[0])),
                                            .order = n,
                                            .ripple_db = std::stod(row[1]),
                                            .lower_mhz = f1,
                                            .upper_mhz = f2});
    EXPECT_NEAR(d.q_source, std::stod(row[3]), 5e-7);
    EXPECT_NEAR(d.q_load, std::stod(row[4]), 5e-7);
    ASSERT_EQ(d.k.size(), static_cast<std::size_t>(n - 1));
    for (int i = 0; i + 1 < n; ++i) EXPECT_NEAR(d.k[i], std::stod(row[5 + i]), 5e-7) << i;
  }
}

// How far resonator k (0-based branch) is from resonance at f (MHz) with its
// neighbours short-circuited as align_coupled states it: the imaginary part
// of the node admittance (shunt resonators) or mesh impedance (series ones),
// from the evaluator's branch impedances, over the resonator's own C part.
double detuning(const Ladder& ladder, std::size_t k, bool shunt, double rs, double rl, double f) {
  const auto& br = ladder.branches;
  const auto own = [&](std::size_t i) { return (br[i].placement == Placement::Shunt) == shunt; };
  const auto immittance = [&](Complex z) { return shunt ? 1.0 / z : z; };
  Complex total = immittance(branch_impedance(br[k], f));
  for (int side : {-1, 1}) {
    bool end = true;  // no resonator beyond on this side
    for (std::size_t i = k; end && (side < 0 ? i > 0 : i + 1 < br.size());) end = !own(i += side);
    const bool has = side < 0 ? k > 0 : k + 1 < br.size();
    const Complex z = has ? branch_impedance(br[k + side], f) : 0.0;
    const double r = side < 0 ? rs : rl;
    if (!end)
      total += immittance(z);  // the coupling now from the node to ground
    else
      total += shunt ? 1.0 / (r + z) : (has ? r * z / (r + z) : Complex(r));
  }
  const double c_part = shunt ? 2 * std::numbers::pi * f * 1e6 * br[k].c[0] * 1e-12
                              : 1 / (2 * std::numbers::pi * f * 1e6 * br[k].c[0] * 1e-12);
  return std::abs(total.imag()) / c_part;
}

// Designs of tests/data/coupled_alignment.txt perturbed element by element
// (each value times 1 + a sin(7.3 j), j counting elements), then aligned:
// every resonator again resonates at f0 with its neighbours short-circuited,
// and a design aligned as it is keeps its tuning capacitors to 1e-9.
TEST(CoupledResonator, AlignmentTunesEveryResonatorToTheCentre) {
  for (const auto& row : testing::read_table("coupled_alignment.txt")) {
    const int n = std::stoi(row[4]);
    const double amount = std::stod(row[6]);
    const bool tuning_only = row[7] == "tuning";
    SCOPED_TRACE(row[0] + " " + row[1] + " w " + row[3] + " n " + row[4] + " " + row[7]);
    const CoupledDesign d = design(row, n, std::stod(row[5]));
    const CoupledTopology t = coupled_topology(row[0]).value();
    const bool shunt = t != CoupledTopology::ShuntC;
    const double rs = d.source_ohms, rl = d.load_ohms;

    const Ladder same = align_coupled(d.ladder, t, kF0, rs, rl);
    for (std::size_t b = 0; b < d.ladder.branches.size(); ++b) {
      EXPECT_NEAR(same.branches[b].c[0], d.ladder.branches[b].c[0],
                  1e-9 * d.ladder.branches[b].c[0])
          << "branch " << b + 1;
      EXPECT_EQ(same.branches[b].l[0], d.ladder.branches[b].l[0]);
    }

    Ladder perturbed = d.ladder;
    int j = 0;
    for (std::size_t b = 0; b < perturbed.branches.size(); ++b) {
      Branch& br = perturbed.branches[b];
      const bool resonator = std::count(d.resonators.begin(), d.resonators.end(), int(b) + 1) > 0;
      if (!tuning_only || resonator) br.c[0] *= 1 + amount * std::sin(7.3 * ++j);
      if (!tuning_only) br.l[0] *= 1 + amount * std::sin(7.3 * ++j);
    }
    const auto worst = [&](const Ladder& l) {
      double most = 0;
      for (int k : d.resonators) most = std::max(most, detuning(l, k - 1, shunt, rs, rl, kF0));
      return most;
    };
    EXPECT_GT(worst(perturbed), amount / 10);  // the perturbation detunes
    const Ladder aligned = align_coupled(perturbed, t, kF0, rs, rl);
    EXPECT_LT(worst(aligned), 1e-9);
    if (tuning_only) {  // only the tuning was disturbed: the design comes back
      for (int k : d.resonators)
        EXPECT_NEAR(aligned.branches[k - 1].c[0], d.ladder.branches[k - 1].c[0],
                    1e-9 * d.ladder.branches[k - 1].c[0]);
    }
  }
}

// The number after `key` in text, or NaN.
double after(const std::string& text, const std::string& key) {
  const auto at = text.find(key);
  return at == std::string::npos ? std::nan("")
                                 : std::strtod(text.c_str() + at + key.size(), nullptr);
}

// tests/data/coupled_range.txt: a resonator L just outside the range is
// refused naming the element that fails, with the range in the message; just
// inside it every element is positive. A bandwidth no L can serve says so.
TEST(CoupledResonator, ResonatorInductanceOutsideItsRange) {
  for (const auto& row : testing::read_table("coupled_range.txt")) {
    SCOPED_TRACE(row[0] + " " + row[1] + " w " + row[3] + " n " + row[4] + " " + row[5]);
    CoupledRequest r = request(row, std::stoi(row[4]));
    const InductanceRange range = coupled_resonator_l_range(r);
    const std::string& side = row[5];
    if (side == "none") {
      EXPECT_GE(range.min_nh, range.max_nh);  // and the direct design fails too
    } else {
      ASSERT_LT(range.min_nh, range.max_nh);
      for (double l : {range.min_nh * (1 + 1e-6), range.max_nh * (1 - 1e-6)}) {
        r.resonator_l_nh = l;
        EXPECT_NO_THROW(design_coupled(r)) << l;
      }
      r.resonator_l_nh = side == "below" ? range.min_nh * (1 - 1e-6) : range.max_nh * (1 + 1e-6);
    }
    try {
      design_coupled(r);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find(" " + row[6] + " ("), std::string::npos) << what;
      if (side == "none") {
        EXPECT_NE(what.find("no resonator L works"), std::string::npos) << what;
      } else {
        EXPECT_NEAR(after(what, "from "), range.min_nh, 1e-5 * range.min_nh) << what;
        EXPECT_NEAR(after(what, "nH to "), range.max_nh, 1e-5 * range.max_nh) << what;
      }
    }
  }
}

}  // namespace
}  // namespace varnholt

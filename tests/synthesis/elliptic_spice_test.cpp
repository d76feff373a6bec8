// Elliptic ladders simulated by ngspice (its own circuit equations): the
// passband ripple peaks, the minimum stopband attenuation and the loss peaks
// at the transmission zeros are what was asked. About five seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/netlist.h"
#include "support/spice.h"
#include "synthesis/elliptic.h"

namespace varnholt {
namespace {

// A linear sweep of `points` frequencies from a to b, MHz (one point when a = b).
struct Sweep {
  double a, b;
  int points;
};

// The design's loss (dB) over each sweep, in the sweep's order also when a > b.
std::vector<std::vector<double>> simulate(const EllipticDesign& d,
                                          const std::vector<Sweep>& sweeps) {
  const std::string stem = testing::temp_stem("elliptic");
  const Impedance rs{static_cast<float>(d.source_ohms)}, rl{static_cast<float>(d.load_ohms)};
  std::ostringstream out;
  out.precision(17);
  out << spice_circuit(d.ladder(), rs, rl, 1.0, "elliptic")
      << ".control\nset noaskquit\nset numdgt=15\noption noopac\nset wr_singlescale\n";
  for (std::size_t i = 0; i < sweeps.size(); ++i) {
    const auto [lo, hi] = std::minmax(sweeps[i].a, sweeps[i].b);
    out << "ac lin " << sweeps[i].points << " " << lo * 1e6 << " " << hi * 1e6 << "\nwrdata "
        << stem << "-" << i << ".out v(out)\n";
  }
  out << ".endc\n.end\n";
  // The points written tell whether the run went well.
  testing::run_ngspice(out.str(), stem);
  std::vector<std::vector<double>> loss(sweeps.size());
  for (std::size_t i = 0; i < sweeps.size(); ++i) {
    const std::string file = stem + "-" + std::to_string(i) + ".out";
    std::ifstream in(file);
    for (double f, re, im; in >> f >> re >> im;) {
      loss[i].push_back(
          -20 * std::log10(2 * std::abs(std::complex<double>(re, im)) * std::sqrt(rs.r / rl.r)));
    }
    EXPECT_EQ(loss[i].size(), std::size_t(sweeps[i].points)) << "from ngspice, sweep " << i;
    if (sweeps[i].a > sweeps[i].b) std::reverse(loss[i].begin(), loss[i].end());
    std::filesystem::remove(file);
  }
  return loss;
}

// The real frequencies (MHz) where the prototype has w: one for low- and
// high-pass, below and above the centre for band filters.
std::vector<double> frequencies(const EllipticRequest& r, double w) {
  const double f0 = std::sqrt(r.fl_mhz * r.fh_mhz), bw = r.fh_mhz - r.fl_mhz;
  const double half = r.type == FilterType::BandPass ? w * bw / 2 : bw / (2 * w);
  const double upper = std::sqrt(half * half + f0 * f0) + half;
  switch (r.type) {
    case FilterType::LowPass:
      return {r.fc_mhz * w};
    case FilterType::HighPass:
      return {r.fc_mhz / w};
    default:
      return {f0 * f0 / upper, upper};
  }
}

struct Case {
  FilterType type;
  Configuration cfg;
  int n;
  double am, as;
};

TEST(SpiceElliptic, RippleStopbandAndZeros) {
  VARNHOLT_NEED_NGSPICE();
  using enum FilterType;
  const Configuration S = Configuration::Standard, D = Configuration::Dual;
  const Case cases[] = {
      {LowPass, S, 3, 0.5, 30},   {LowPass, D, 8, 0.1, 60},   {LowPass, S, 13, 0.05, 90},
      {HighPass, D, 4, 1.0, 40},  {HighPass, S, 9, 0.2, 70},  {HighPass, D, 14, 0.1, 90},
      {BandPass, S, 5, 0.1, 50},  {BandPass, D, 10, 0.5, 70}, {BandPass, S, 15, 0.1, 100},
      {BandStop, D, 6, 0.25, 45}, {BandStop, S, 7, 0.1, 60},  {BandStop, D, 11, 0.5, 80},
      {BandStop, S, 12, 0.05, 85}};
  constexpr int kPass = 48, kStop = 8;  // sweeps of 40 points
  // Passband sweeps shorter towards the edge, where the ripples crowd.
  const auto pass_edge = [](int i) {
    return i == 0 ? 1e-3 : std::sin(1.5707963267948966 * i / kPass);
  };
  for (const Case& c : cases) {
    const EllipticRequest r{c.type, c.cfg, c.am, c.as, c.n, 0, 100, 80, 125, 50};
    const EllipticDesign d = design_elliptic(r);
    SCOPED_TRACE(::testing::Message() << "type " << int(c.type) << " n " << c.n);
    const std::size_t sides = frequencies(r, 1.0).size();
    const double ws = d.prototype.ws, top = 4 * (c.n > 2 ? d.prototype.zeros.back() : ws);
    const auto stop_edge = [&](int i) { return ws * std::pow(top / ws, double(i) / kStop); };
    // Per side: the passband, the stopband from its edge to beyond the last
    // zero; then one point at each zero.
    std::vector<Sweep> sweeps;
    std::vector<double> zeros;
    for (std::size_t side = 0; side < sides; ++side) {
      for (int i = 0; i < kPass + kStop; ++i) {
        const double w1 = i < kPass ? pass_edge(i) : stop_edge(i - kPass);
        const double w2 = i < kPass ? pass_edge(i + 1) : stop_edge(i - kPass + 1);
        sweeps.push_back({frequencies(r, w1)[side], frequencies(r, w2)[side], 40});
      }
    }
    for (const EllipticBranch& b : d.branches)
      zeros.insert(zeros.end(), b.zeros_mhz.begin(), b.zeros_mhz.end());
    for (double fz : zeros) sweeps.push_back({fz, fz, 1});
    const std::vector<std::vector<double>> got = simulate(d, sweeps);
    for (std::size_t side = 0; side < sides; ++side) {
      const auto first = got.begin() + static_cast<std::ptrdiff_t>(side * (kPass + kStop));
      std::vector<double>
          pass;  // in order of the prototype's w; each sweep starts where the last ended
      for (int i = 0; i < kPass; ++i)
        pass.insert(pass.end(), first[i].begin() + (i > 0), first[i].end());
      int peaks = 0;
      for (std::size_t i = 0; i < pass.size(); ++i) {
        const bool peak =
            (i == 0 || pass[i] >= pass[i - 1]) && (i + 1 == pass.size() || pass[i] > pass[i + 1]);
        EXPECT_LE(pass[i], c.am + 0.01);
        if (peak && pass[i] > c.am / 2) {
          ++peaks;
          EXPECT_NEAR(pass[i], c.am, 0.01);
        }
      }
      EXPECT_EQ(peaks, c.n / 2 + 1);  // the edge and n / 2 more; with even n one at d.c.
      double lowest = 1e9;
      for (int i = kPass; i < kPass + kStop; ++i)
        lowest = std::min(lowest, *std::min_element(first[i].begin(), first[i].end()));
      EXPECT_NEAR(lowest, c.as, 0.1);
    }
    ASSERT_EQ(zeros.size(), sides * d.prototype.zeros.size());
    for (std::size_t i = 0; i < zeros.size(); ++i)
      EXPECT_GT(got[got.size() - zeros.size() + i][0], c.as + 40) << zeros[i];
  }
}

}  // namespace
}  // namespace varnholt

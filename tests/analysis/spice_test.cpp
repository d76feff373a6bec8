// The synthesis and the analysis checked against an independent circuit
// simulator: each synthesised ladder is written as a SPICE netlist, ngspice
// runs its AC analysis, and the loss, phase, input impedance and delay the
// program computes (ladder, lddrtg, grpdly, all in 32-bit float) are compared
// with the simulator's (double precision, its own circuit equations). The
// simulator's numbers also show that each design does what was asked of it.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "analysis/netlist.h"
#include "support/spice.h"
#include "support/table.h"
#include "analysis/port.h"
#include "synthesis/section_count.h"
#include "support/design.h"

namespace varnholt {
namespace {

using cd = std::complex<double>;
using std::numbers::pi;

constexpr float kZo = 50, kFc = 100;  // MHz: the low-pass and high-pass cut-off
constexpr float kFl = 80, kFh = 125;  // the band edges, geometric centre 100
constexpr float kStep = 1.0001f;      // the relative frequency step of the program's delay
// The program works in float through up to 30 chain products, the simulator in
// double. Over the matrix the float results stay within 5e-4 dB, 0.01 degree
// and 2.2e-4 of |Zin| (worst at the band edges of 30th-order Chebyshev band
// filters); the bounds allow ten times that.
constexpr double kLossTol = 0.005, kPhaseTol = 0.05, kZinTol = 1e-3;  // dB, degrees, relative
// The delay is a difference of two float phases (each within about 2.4e-7
// rad) over 0.01 % of f: 1000 / (2 pi) * 1.2e-6 / (1e-4 f) = 1.9 / f ns, plus
// the cascade's relative error in the slope at sharp band edges (3e-4 seen).
double delay_tol(double td, double f) { return 2e-3 * td + 2.0 / f; }
// Near -300 dB the program's numbers are its limits (1e15 per product part,
// -300 dB), not the circuit's; there it only has to be deep in the stopband.
constexpr double kClampRegion = -250;  // dB
// Design goals, on the simulator's numbers: the ripple constant 17.37 makes
// 0.5 dB 0.50005 dB, and the Bessel table has five digits.
constexpr double kGoalTol = 0.002;  // dB
const int kLongOrders[] = {2, 3, 5, 8, 10, 30};  // Chebyshev and Butterworth
const int kTableOrders[] = {2, 3, 5, 8, 10};     // Bessel and linear phase

struct Terms {
  float zrs = kZo, zis = 0, zrl = kZo, zil = 0;
};

struct Design {
  int ides, iop, n, icfg;
  float am, fl = kFl, fh = kFh;
  Capind c{};
  Terms t{};  // source zo; load ros (standard) or rod (dual)

  std::string name() const {
    const char* types[] = {"", "LP", "HP", "BP", "BS"};
    const char* responses[] = {"", "Chebyshev", "Butterworth", "Bessel", "LinearPhase"};
    char text[128];
    std::snprintf(text, sizeof text, "%s %s %gdB n=%d %s Zs=%g%+gj ZL=%g%+gj", types[ides],
                  responses[iop], am, n, icfg == 1 ? "standard" : "dual", t.zrs, t.zis, t.zrl,
                  t.zil);
    return text;
  }
  double fo() const { return std::sqrt(double(fl) * fh); }
  // The frequencies (MHz) where the low-pass prototype variable is x > 0: one
  // for low-pass and high-pass, the upper and lower image for band filters.
  std::vector<double> at(double x) const {
    if (ides <= 2) return {ides == 1 ? kFc * x : kFc / x};
    const double bw = (double(fh) - fl) / fo(), u = ides == 3 ? x * bw / 2 : bw / (2 * x);
    const double up = fo() * (u + std::sqrt(u * u + 1));
    return {up, fo() * fo() / up};
  }
};

Design synthesise(int ides, int iop, float am, int n, int icfg, float fl = kFl, float fh = kFh) {
  Design d{ides, iop, n, icfg, am, fl, fh};
  const auto s = testing::synthesise(ides, iop, am, n, ides <= 2 ? kFc : fh, fl, kZo);
  d.c = s.c;
  d.t.zrl = icfg == 1 ? s.ros : s.rod;
  return d;
}

// Every type and configuration of a response, at each ripple and order.
void add_designs(std::vector<Design>& out, int iop, std::initializer_list<float> ripples,
                 std::span<const int> orders) {
  for (int ides = 1; ides <= 4; ++ides)
    for (int icfg = 1; icfg <= 2; ++icfg)
      for (float am : ripples)
        for (int n : orders) out.push_back(synthesise(ides, iop, am, n, icfg));
}

// The simulator's points for each design at its frequencies: one ngspice run
// per design, two at a time (the machines have two cores). A failed run ends
// the test with what ngspice said.
std::vector<std::vector<SpicePoint>> simulate(const std::vector<Design>& ds,
                                              const std::vector<std::vector<double>>& freqs) {
  std::vector<std::vector<SpicePoint>> points(ds.size());
  std::vector<std::string> said(ds.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < ds.size(); i = next++) {
      const Design& d = ds[i];
      const testing::SpiceRun run = testing::run_ngspice(
          spice_netlist(d.c, d.ides, d.icfg, d.n, d.t.zrs, d.t.zis, d.t.zrl, d.t.zil, freqs[i],
                        d.name()),
          testing::temp_stem("spice-" + std::to_string(i)));
      points[i] = read_spice_points(run.out);
      said[i] = run.out + "\n[stderr]\n" + run.err;
    }
  };
  std::thread helper(work);
  work();
  helper.join();
  for (std::size_t i = 0; i < ds.size(); ++i) {
    bool ok = points[i].size() == freqs[i].size();
    for (std::size_t j = 0; ok && j < points[i].size(); ++j)
      ok = std::abs(points[i][j].f_mhz - freqs[i][j]) <= 1e-9 * freqs[i][j];
    if (!ok) {
      ADD_FAILURE() << ds[i].name() << ": ngspice gave " << points[i].size() << " of "
                    << freqs[i].size() << " points\n"
                    << said[i].substr(said[i].size() - std::min<std::size_t>(said[i].size(), 3000));
      return {};
    }
  }
  return points;
}

// Transmission coefficient from the simulated load voltage for a source EMF
// of 1 V: V2 = 1 / (A + B/ZL + C Zs + D Zs/ZL), so tau = 2 sqrt(Zs/ZL) V2.
cd tau(const Terms& t, const SpicePoint& p) {
  return 2.0 * std::sqrt(cd(t.zrs, t.zis) / cd(t.zrl, t.zil)) * p.v_out;
}
double loss_db(const Terms& t, const SpicePoint& p) { return 20 * std::log10(std::abs(tau(t, p))); }

struct Quantities {
  double il, phf, zinr, zini, td;
};

Quantities program(const Design& d, float f) {
  const ChainMatrix rs = testing::cascade(d.c, f, d.icfg, d.ides, d.n);
  float il = 0, phf = 0, rtl = 0, vswr = 0, zini = 0, zinr = 0, td = 0;
  lddrtg(0, il, phf, rs, rtl, vswr, d.t.zil, zini, zinr, d.t.zis, d.t.zrl, d.t.zrs);
  grpdly(d.c, f, d.icfg, d.ides, d.n, phf, td, d.t.zil, d.t.zis, d.t.zrl, d.t.zrs);
  return {il, phf, zinr, zini, td};
}

// The simulator's quantities at `at`; the delay is the finite difference of
// its phase over the program's step: up, or down when the phase at `up` has
// the opposite sign (a wrap or a zero crossing).
Quantities simulated(const Terms& t, const SpicePoint& at, const SpicePoint& up,
                     const SpicePoint& down) {
  const cd tau0 = tau(t, at), zin = at.v_in / at.i_in;
  const SpicePoint& step = std::arg(tau(t, up)) * std::arg(tau0) < 0 ? down : up;
  const double dphi = std::arg(tau(t, step) / tau0);
  const double td = std::abs(1000 / (2 * pi) * dphi / (step.f_mhz - at.f_mhz));
  return {loss_db(t, at), std::arg(tau0) * 180 / pi, zin.real(), zin.imag(), td};
}

// Program and simulator for each design at 15 prototype frequencies across
// passband, band edge and stopband (both images for band filters), with the
// simulator also at f * 1.0001 and f / 1.0001 for the delay.
int expect_agreement(const std::vector<Design>& ds) {
  std::vector<std::vector<float>> fs(ds.size());
  std::vector<std::vector<double>> asked(ds.size());
  for (std::size_t i = 0; i < ds.size(); ++i)
    for (double x : {0.05, 0.2, 0.4, 0.6, 0.8, 0.9, 0.97, 1.0, 1.03, 1.1, 1.25, 1.5, 2.0, 3.0, 5.0})
      for (double f : ds[i].at(x)) {
        fs[i].push_back(float(f));
        asked[i].insert(asked[i].end(), {float(f), float(f) * kStep, float(f) / kStep});
      }
  const auto pts = simulate(ds, asked);
  int designs = 0;
  for (std::size_t i = 0; i < pts.size(); ++i, ++designs) {
    const std::string name = ds[i].name();
    for (std::size_t j = 0; j < fs[i].size(); ++j) {
      const float f = fs[i][j];
      const Quantities p = program(ds[i], f);
      const Quantities q = simulated(ds[i].t, pts[i][3 * j], pts[i][3 * j + 1], pts[i][3 * j + 2]);
      if (q.il < kClampRegion) {
        EXPECT_LT(p.il, kClampRegion + 50) << name << " at " << f << " MHz";
        continue;
      }
      const double phase = std::abs(std::remainder(p.phf - q.phf, 360.0));
      const double zin = std::abs(cd(p.zinr, p.zini) / cd(q.zinr, q.zini) - 1.0);
      EXPECT_NEAR(p.il, q.il, kLossTol) << name << " at " << f << " MHz";
      EXPECT_LE(phase, kPhaseTol) << name << " at " << f << " MHz: " << p.phf << " vs " << q.phf;
      EXPECT_LE(zin, kZinTol) << name << " at " << f << " MHz: " << cd(p.zinr, p.zini) << " vs "
                              << cd(q.zinr, q.zini);
      EXPECT_NEAR(p.td, q.td, delay_tol(q.td, f)) << name << " at " << f << " MHz";
    }
  }
  return designs;
}

// All four filter types and all four responses (Chebyshev at 0.5 and 1 dB),
// orders 2 to 30 (Chebyshev, Butterworth) or 2 to 10 (tables), standard and
// dual circuit each with its own load; then a few designs between reactive
// and mismatched terminations, held constant over frequency in both the
// program and the netlist.
TEST(SpiceAgreement, WholeMatrix) {
  VARNHOLT_NEED_NGSPICE();
  std::vector<Design> all;
  add_designs(all, 1, {0.5f, 1.0f}, kLongOrders);
  add_designs(all, 2, {0.0f}, kLongOrders);
  add_designs(all, 3, {0.0f}, kTableOrders);
  add_designs(all, 4, {0.0f}, kTableOrders);
  ASSERT_EQ(all.size(), 224u);
  for (const Terms& t :
       {Terms{50, 25, 75, -40}, {30, -15, 50, 60}, {50, 0, 200, 0}, {10, 5, 20, 0}})
    for (Design d :
         {synthesise(1, 1, 0.5f, 5, 1), synthesise(2, 2, 0, 3, 2), synthesise(3, 3, 0, 4, 1),
          synthesise(4, 4, 0, 5, 2), synthesise(1, 1, 1.0f, 8, 2)}) {
      d.t = t;
      all.push_back(d);
    }
  EXPECT_EQ(expect_agreement(all), 244);
}

// The loss each design is asked for, on the simulator's numbers. Chebyshev:
// Am at the cut-off and wherever T_n = +-1 (x = cos(k pi / n)), none where
// T_n = 0. Butterworth: 3 dB at the cut-off and 10 log10(1 + x^2n) at every
// x. Bessel: 3 dB at the cut-off. A skirt requirement (nsectn): at least A1
// dB at F1, exactly the a2 that nsectn reports.
TEST(SpiceDesignGoals, CutoffRippleFlatnessAndSkirt) {
  VARNHOLT_NEED_NGSPICE();
  std::vector<Design> ds;
  add_designs(ds, 1, {0.5f, 1.0f}, kLongOrders);
  add_designs(ds, 2, {0.0f}, kLongOrders);
  add_designs(ds, 3, {0.0f}, kTableOrders);
  std::vector<std::vector<double>> freqs, want;
  for (const Design& d : ds) {
    std::vector<double> f, w;
    const auto add = [&](double x, double loss) {
      for (double p : d.at(x)) f.push_back(p), w.push_back(loss);
    };
    add(1.0, d.iop == 1 ? -d.am : -10 * std::log10(2.0));
    for (int k = 1; d.iop == 1 && 2 * k < d.n; ++k) add(std::cos(k * pi / d.n), -d.am);
    for (int k = 1; d.iop == 1 && 2 * k - 1 < d.n; ++k)
      add(std::cos((2 * k - 1) * pi / (2 * d.n)), 0);
    for (double x : {0.3, 0.6, 0.9, 1.2, 1.6})
      if (d.iop == 2) add(x, -10 * std::log10(1 + std::pow(x, 2 * d.n)));
    freqs.push_back(f), want.push_back(w);
  }
  for (const auto& row : testing::read_table("spice_skirts.txt")) {
    const int ides = std::stoi(row[0]);
    const float f1 = testing::to_float(row[1]), a1 = testing::to_float(row[2]);
    for (int iop : {1, 2})
      for (int icfg = 1; icfg <= 2; ++icfg) {
        const float am = iop == 1 ? 0.5f : 0.0f;
        float a2 = -1;
        int32_t ierr = -1, n = -1;
        nsectn(am, a1, a2, kFc, f1, 110, 90, ides, ierr, iop, n);
        ASSERT_EQ(std::tuple(ierr, n <= kMaxSections, a2 >= a1), std::tuple(0, true, true))
            << ides << " " << f1;
        ds.push_back(synthesise(ides, iop, am, n, icfg, 90, 110));
        freqs.push_back({f1}), want.push_back({-a2});
      }
  }
  const auto pts = simulate(ds, freqs);
  for (std::size_t i = 0; i < pts.size(); ++i)
    for (std::size_t j = 0; j < pts[i].size(); ++j)
      if (want[i][j] > kClampRegion) {
        EXPECT_NEAR(loss_db(ds[i].t, pts[i][j]), want[i][j], kGoalTol)
            << ds[i].name() << " at " << freqs[i][j];
      }
}

}  // namespace
}  // namespace varnholt

// The synthesis and the analysis checked against an independent circuit
// simulator: each synthesised ladder is written as a SPICE netlist, ngspice
// runs its AC analysis, and the loss, phase, input impedance and delay the
// program computes (ladder, lddrtg, grpdly, all in 32-bit float) are compared
// with the simulator's (double precision, its own circuit equations). The
// simulator's numbers also show that each design does what was asked of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "analysis/cascade.h"
#include "analysis/netlist.h"
#include "analysis/port.h"
#include "spice_runner.h"
#include "synthesis/section_count.h"
#include "synthesis/transform.h"

namespace varnholt {
namespace {

using cd = std::complex<double>;
using std::numbers::pi;

constexpr float kZo = 50.0f;
constexpr float kFc = 100.0f;     // low-pass and high-pass cut-off, MHz
constexpr float kFl = 80.0f;      // band edges, MHz: geometric centre 100,
constexpr float kFh = 125.0f;     // arithmetic centre 102.5
constexpr float kStep = 1.0001f;  // relative frequency step of the program's delay

// Tolerances. The program works in 32-bit float (2^-24, 6e-8, per operation)
// through up to 30 chain products; the simulator in double. Over the whole
// matrix the float results stay within 5e-4 dB, 0.01 degree and 2.2e-4 of
// |Zin|, the worst at the band edges of 30th-order Chebyshev band filters,
// where the chain entries cancel most. The bounds allow about ten times that
// (a few steps of the printed 0.001 dB and 0.01 degree).
constexpr double kLossTol = 0.005;  // dB
constexpr double kPhaseTol = 0.05;  // degrees
constexpr double kZinTol = 1e-3;    // relative to |Zin|
// The delay is a difference of two float phases over a step of 0.01 % of f.
// Each phase carries a few units in the last place of pi (2.4e-7 rad), so the
// difference about 1.2e-6 rad: 1000 / (2 pi) * 1.2e-6 / (1e-4 f) = 1.9 / f ns
// (f in MHz). On top comes the cascade's relative error in the slope, worst
// at the sharp band edges of high orders (3e-4 seen).
double delay_tol(double td, double f) { return 2e-3 * td + 2.0 / f; }
// The program holds every chain-product part to 1e15 and the power to 1e-30
// (-300 dB). Where the true loss nears -300 dB its numbers are those limits,
// not the circuit's; points the simulator puts below this are not compared,
// only checked to be deep stopband in the program too.
constexpr double kClampRegion = -250.0;  // dB
// Design goals are checked on the simulator's numbers alone. The Chebyshev
// ripple is realised with the constant 17.37 in place of 40 / ln 10, which
// makes a 0.5 dB ripple 0.50005 dB; the Bessel table is given to 5 digits.
constexpr double kGoalTol = 0.002;  // dB

const char* const kTypes[] = {"", "LP", "HP", "BP", "BS"};
const char* const kResponses[] = {"", "Chebyshev", "Butterworth", "Bessel", "LinearPhase"};

// ---------------------------------------------------------------------------
// Designs

struct Terms {
  float zrs = kZo, zis = 0.0f, zrl = kZo, zil = 0.0f;
};

struct Design {
  int ides = 1, iop = 1, n = 2, icfg = 1;
  float am = 0.0f;  // ripple asked for (Chebyshev)
  float fc = kFc, fl = kFl, fh = kFh;
  Capind c;
  Terms t;  // source zo; load ros (standard) or rod (dual)

  std::string name() const {
    char text[128];
    std::snprintf(text, sizeof text, "%s %s%s n=%d %s Zs=%g%+gj ZL=%g%+gj", kTypes[ides],
                  kResponses[iop], iop == 1 ? (am == 0.5f ? " 0.5dB" : " 1dB") : "", n,
                  icfg == 1 ? "standard" : "dual", t.zrs, t.zis, t.zrl, t.zil);
    return text;
  }
  // Band centre and fractional bandwidth of the band transformations.
  double fo() const { return std::sqrt(double(fl) * fh); }
  double bw() const { return (double(fh) - fl) / fo(); }
  // Cut-off frequencies: fc, or both band edges.
  std::vector<double> cutoffs() const {
    return ides <= 2 ? std::vector<double>{fc} : std::vector<double>{fl, fh};
  }
};

Design synthesise(int ides, int iop, float am, int n, int icfg, float fl = kFl, float fh = kFh) {
  Design d;
  d.ides = ides, d.iop = iop, d.am = am, d.n = n, d.icfg = icfg, d.fl = fl, d.fh = fh;
  float ripple = am, rod = 0.0f, ros = 0.0f;
  switch (ides) {
    case 1: lpfltr(d.c, ripple, d.fc, iop, n, rod, ros, kZo); break;
    case 2: hpfltr(d.c, ripple, d.fc, iop, n, rod, ros, kZo); break;
    case 3: bpfltr(d.c, ripple, fh, fl, iop, n, rod, ros, kZo); break;
    default: bsfltr(d.c, ripple, fh, fl, iop, n, rod, ros, kZo); break;
  }
  d.t.zrl = icfg == 1 ? ros : rod;
  return d;
}

// The frequencies (MHz) at which the normalised low-pass prototype variable
// of the design is x > 0: one for low-pass and high-pass, the upper and the
// lower image for band-pass and band-stop.
std::vector<double> at_prototype(const Design& d, double x) {
  switch (d.ides) {
    case 1: return {d.fc * x};
    case 2: return {d.fc / x};
    default: {
      const double u = d.ides == 3 ? x * d.bw() / 2 : d.bw() / (2 * x);
      const double up = d.fo() * (u + std::sqrt(u * u + 1));
      return {up, d.fo() * d.fo() / up};
    }
  }
}

std::vector<double> at_prototype(const Design& d, std::initializer_list<double> xs) {
  std::vector<double> out;
  for (double x : xs)
    for (double f : at_prototype(d, x)) out.push_back(f);
  return out;
}

// ---------------------------------------------------------------------------
// The two sides of the comparison

struct Quantities {
  double il = 0, phf = 0, zinr = 0, zini = 0, td = 0;
};

Quantities program(const Design& d, float f) {
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(d.c, f, d.icfg, d.ides, ierr, d.n, rs);
  float il = 0, phf = 0, rtl = 0, vswr = 0, zini = 0, zinr = 0, td = 0;
  lddrtg(0, il, phf, rs, rtl, vswr, d.t.zil, zini, zinr, d.t.zis, d.t.zrl, d.t.zrs);
  grpdly(d.c, f, d.icfg, d.ides, d.n, phf, td, d.t.zil, d.t.zis, d.t.zrl, d.t.zrs);
  return {il, phf, zinr, zini, td};
}

// Transmission coefficient from the simulated load voltage. The source EMF
// is 1 V and V2 / Vs = 1 / (A + B/ZL + C Zs + D Zs/ZL), so
// tau = 2 sqrt(Zs/ZL) V2 / Vs with the principal root.
cd tau(const Terms& t, const SpicePoint& p) {
  const cd zs(t.zrs, t.zis), zl(t.zrl, t.zil);
  return 2.0 * std::sqrt(zs / zl) * p.v_out;
}

double loss_db(const Terms& t, const SpicePoint& p) { return 20 * std::log10(std::abs(tau(t, p))); }

// The simulator's quantities at `at`; the delay is the finite difference of
// its phase over the step the program takes: up to `up`, or down to `down`
// when the phase at `up` has the opposite sign (a wrap or a zero crossing).
Quantities simulated(const Terms& t, const SpicePoint& at, const SpicePoint& up,
                     const SpicePoint& down) {
  Quantities q;
  const cd tau0 = tau(t, at);
  q.il = loss_db(t, at);
  q.phf = std::arg(tau0) * 180 / pi;
  const cd zin = at.v_in / at.i_in;
  q.zinr = zin.real(), q.zini = zin.imag();
  const SpicePoint& step = std::arg(tau(t, up)) * std::arg(tau0) < 0 ? down : up;
  const double dphi = std::arg(tau(t, step) / tau0);  // phase change, radians
  q.td = std::abs(1000 / (2 * pi) * dphi / (step.f_mhz - at.f_mhz));
  return q;
}

// Phase difference in degrees, wrapped into [0, 180].
double angle_apart(double a, double b) {
  const double d = std::fmod(std::abs(a - b), 360.0);
  return std::min(d, 360.0 - d);
}

// ---------------------------------------------------------------------------
// Running designs: one ngspice run per design, all its frequencies in it.

std::string netlist(const Design& d, const std::vector<double>& f_mhz) {
  return spice_netlist(d.c, d.ides, d.icfg, d.n, d.t.zrs, d.t.zis, d.t.zrl, d.t.zil, f_mhz,
                       d.name());
}

// The simulator's points for each design at the frequencies asked, in order;
// a failed run ends the test with what ngspice said.
std::vector<std::vector<SpicePoint>> simulate(const std::vector<Design>& designs,
                                              const std::vector<std::vector<double>>& freqs) {
  std::vector<std::string> netlists;
  for (std::size_t i = 0; i < designs.size(); ++i) {
    netlists.push_back(netlist(designs[i], freqs[i]));
  }
  std::vector<std::vector<SpicePoint>> out;
  const std::vector<spicerun::Run> runs = spicerun::run_all(netlists);
  for (std::size_t i = 0; i < designs.size(); ++i) {
    const auto& pts = runs[i].points;
    bool ok = pts.size() == freqs[i].size();
    for (std::size_t j = 0; ok && j < pts.size(); ++j)
      ok = std::abs(pts[j].f_mhz - freqs[i][j]) <= 1e-9 * freqs[i][j];
    if (!ok) {
      ADD_FAILURE() << designs[i].name() << ": ngspice gave " << pts.size() << " of "
                    << freqs[i].size() << " points\n"
                    << runs[i].tail();
      return {};
    }
    out.push_back(pts);
  }
  return out;
}

// Program and simulator side by side at float frequencies f (the analysis
// frequency type), with the simulator also at f * 1.0001 and f / 1.0001.
struct Compared {
  const Design* d;
  std::vector<float> f;
  std::vector<Quantities> prog, sim;
};

std::vector<Compared> compare(const std::vector<Design>& designs,
                              const std::vector<std::vector<float>>& freqs) {
  std::vector<std::vector<double>> asked;
  for (const auto& list : freqs) {
    std::vector<double> a;
    for (const float f : list) a.insert(a.end(), {f, f * kStep, f / kStep});
    asked.push_back(a);
  }
  const auto pts = simulate(designs, asked);
  std::vector<Compared> out;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    Compared c{&designs[i], freqs[i], {}, {}};
    for (std::size_t j = 0; j < freqs[i].size(); ++j) {
      c.prog.push_back(program(designs[i], freqs[i][j]));
      c.sim.push_back(simulated(designs[i].t, pts[i][3 * j], pts[i][3 * j + 1], pts[i][3 * j + 2]));
    }
    out.push_back(std::move(c));
  }
  return out;
}

// Largest deviation seen, and where.
struct Worst {
  double value = 0;
  std::string where = "-";
  void see(double v, const std::string& design, float f) {
    if (v > value) {
      char text[48];
      std::snprintf(text, sizeof text, " at %.4f MHz", f);
      value = v, where = design + text;
    }
  }
};

struct Summary {
  Worst il, phf, zin, td, td_share;  // td in ns, td_share as a share of its bound
  int designs = 0, points = 0, clamped = 0;
};

// Checks every point of every design against the tolerances, keeping the
// worst deviations.
void expect_agreement(const std::vector<Compared>& all, Summary& s) {
  for (const Compared& c : all) {
    const std::string name = c.d->name();
    ++s.designs;
    for (std::size_t j = 0; j < c.f.size(); ++j) {
      const Quantities& p = c.prog[j];
      const Quantities& q = c.sim[j];
      const float f = c.f[j];
      if (q.il < kClampRegion) {
        ++s.clamped;
        EXPECT_LT(p.il, kClampRegion + 50) << name << " at " << f << " MHz";
        continue;
      }
      ++s.points;
      const double zin = std::abs(cd(p.zinr, p.zini) - cd(q.zinr, q.zini)) /
                         std::abs(cd(q.zinr, q.zini));
      s.il.see(std::abs(p.il - q.il), name, f);
      s.phf.see(angle_apart(p.phf, q.phf), name, f);
      s.zin.see(zin, name, f);
      s.td.see(std::abs(p.td - q.td), name, f);
      s.td_share.see(std::abs(p.td - q.td) / delay_tol(q.td, f), name, f);
      EXPECT_NEAR(p.il, q.il, kLossTol) << name << " at " << f << " MHz";
      EXPECT_LE(angle_apart(p.phf, q.phf), kPhaseTol)
          << name << " at " << f << " MHz: " << p.phf << " vs " << q.phf;
      EXPECT_LE(zin, kZinTol) << name << " at " << f << " MHz: " << cd(p.zinr, p.zini) << " vs "
                              << cd(q.zinr, q.zini);
      EXPECT_NEAR(p.td, q.td, delay_tol(q.td, f)) << name << " at " << f << " MHz";
    }
  }
}

// Prototype points across passband, band edge and stopband.
constexpr std::initializer_list<double> kSpread = {0.05, 0.2, 0.4, 0.6,  0.8, 0.9, 0.97, 1.0,
                                                   1.03, 1.1, 1.25, 1.5, 2,   3,   5};

std::vector<std::vector<float>> spread(const std::vector<Design>& designs) {
  std::vector<std::vector<float>> freqs;
  for (const Design& d : designs) {
    std::vector<float> list;
    for (double f : at_prototype(d, kSpread)) list.push_back(float(f));
    freqs.push_back(list);
  }
  return freqs;
}

// The simulated loss (dB, negative) of each design at its frequencies.
std::vector<std::vector<double>> losses(const std::vector<Design>& designs,
                                        const std::vector<std::vector<double>>& freqs) {
  std::vector<std::vector<double>> out;
  const auto pts = simulate(designs, freqs);
  for (std::size_t i = 0; i < pts.size(); ++i) {
    out.emplace_back();
    for (const SpicePoint& p : pts[i]) out.back().push_back(loss_db(designs[i].t, p));
  }
  return out;
}

const int kLongOrders[] = {2, 3, 5, 8, 10, 30};  // Chebyshev and Butterworth
const int kTableOrders[] = {2, 3, 5, 8, 10};     // Bessel and linear phase

// ---------------------------------------------------------------------------
// The netlist writer and reader on their own

TEST(SpiceNetlist, BranchesTerminationsAndAnalysisPoints) {
  Capind c;
  for (int k = 1; k <= 3; ++k) {
    c.serl[k] = 10.0f * k;
    c.serc[k] = 1.5f * k;
    c.shuntl[k] = 20.0f * k;
    c.shuntc[k] = 2.5f * k;
  }
  const std::vector<double> f = {100, 200};
  // Band-stop, dual: series L || C in the line, shunt L + C to ground.
  const std::string bs = spice_netlist(c, 4, 2, 3, 50, 0, 75, 0, f, "bs");
  for (const char* line : {"LSER1 in n1 1e-08", "CSER1 in n1 1.5e-12", "LSH2 n1 m2 4e-08",
                           "CSH2 m2 0 5e-12", "CSER3 n1 n3 4.5e-12", "VOUT n3 out DC 0",
                           "RS src s1 50", "VIN s1 in DC 0", "RL out 0 75", "ac lin 1 1e+08 1e+08",
                           "ac lin 1 2e+08 2e+08"})
    EXPECT_NE(bs.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << bs;
  EXPECT_EQ(bs.find("alter"), std::string::npos);
  // Band-pass, standard: shunt L || C, series L + C.
  const std::string bp = spice_netlist(c, 3, 1, 2, 50, 0, 50, 0, f, "bp");
  for (const char* line : {"LSH1 in 0 2e-08", "CSH1 in 0 2.5e-12", "LSER2 in m2 2e-08",
                           "CSER2 m2 n2 3e-12", "VOUT n2 out DC 0"})
    EXPECT_NE(bp.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << bp;
  // Reactances: +50 ohms is 50 / w henries, -50 ohms is 1 / (50 w) farads,
  // written for the first point and resized before each.
  const std::string x = spice_netlist(c, 1, 1, 1, 50, 50, 50, -50, f, "x");
  const double w1 = 2 * pi * 1e8, w2 = 2 * pi * 2e8;
  auto values = [&x](const std::string& prefix) {
    std::vector<double> v;
    for (std::size_t at = x.find(prefix); at != std::string::npos; at = x.find(prefix, at + 1))
      v.push_back(std::stod(x.substr(at + prefix.size())));
    return v;
  };
  EXPECT_EQ(values("\nLXS s1 s2 "), std::vector<double>{50 / w1});
  EXPECT_EQ(values("\nCXL l1 0 "), std::vector<double>{1 / (50 * w1)});
  EXPECT_EQ(values("alter LXS = "), (std::vector<double>{50 / w1, 50 / w2}));
  EXPECT_EQ(values("alter CXL = "), (std::vector<double>{1 / (50 * w1), 1 / (50 * w2)}));
  EXPECT_NE(x.find("RS src s1 50\n"), std::string::npos) << x;
  EXPECT_NE(x.find("RL out l1 50\n"), std::string::npos) << x;
}

TEST(SpiceNetlist, ReaderKeepsCompletePointsOnly) {
  const std::string out =
      "Note: banner\n"
      "frequency = 1.000000000000000e+08,0.000000000000000e+00\n"
      "v(out) = 6.608493724126660e-02,-1.28018760216182e-01\n"
      "v(in) = 3.218731958895701e-01,4.022442114485617e-03\n"
      "i(vin) = 1.991861e-02,-1.04559e-03\n"
      "Doing analysis at TEMP = 27.000000\n"
      "frequency = 2.000000000000000e+08,0.000000000000000e+00\n"
      "v(out) = 1,2\n";
  const std::vector<SpicePoint> pts = read_spice_points(out);
  ASSERT_EQ(pts.size(), 1u);
  EXPECT_EQ(pts[0].f_mhz, 100.0);
  EXPECT_EQ(pts[0].v_out, cd(6.608493724126660e-02, -1.28018760216182e-01));
  EXPECT_EQ(pts[0].v_in, cd(3.218731958895701e-01, 4.022442114485617e-03));
  EXPECT_EQ(pts[0].i_in, cd(1.991861e-02, -1.04559e-03));
  EXPECT_TRUE(read_spice_points("v(out) = 1,2\nfrequency = x,0\n").empty());
}

// ---------------------------------------------------------------------------
// Agreement between the program and the simulator

// The harness itself, on circuits solved by hand: a shunt capacitor of 1/50 S
// between 50-ohm ports gives tau = 2 / (2 + j) and Zin = 25 - j25; a series
// reactance jX between Zs and ZL gives V2 / Vs = ZL / (Zs + jX + ZL).
TEST(SpiceAgreement, HandWorkedCircuits) {
  VARNHOLT_NEED_NGSPICE();
  Design shunt;
  shunt.c.shuntc[1] = float(1e12 / (2 * pi * 1e8 * 50));
  shunt.n = 1;
  Design series;
  series.c.serl[1] = float(50 * 1e9 / (2 * pi * 1e8));  // 50 ohms at 100 MHz
  series.n = 1, series.icfg = 2;
  series.t = {30, 10, 40, -20};
  const auto pts = simulate({shunt, series}, {{100.0}, {100.0}});
  ASSERT_EQ(pts.size(), 2u);
  const cd t1 = tau(shunt.t, pts[0][0]);
  EXPECT_NEAR(std::abs(t1 - 2.0 / cd(2, 1)), 0, 1e-7);
  EXPECT_NEAR(std::abs(pts[0][0].v_in / pts[0][0].i_in - cd(25, -25)), 0, 1e-5);
  const cd zs(30, 10), zl(40, -20);
  const cd want = 2.0 * std::sqrt(zs / zl) * zl / (zs + cd(0, 50) + zl);
  EXPECT_NEAR(std::abs(tau(series.t, pts[1][0]) - want), 0, 1e-7);
  EXPECT_NEAR(std::abs(pts[1][0].v_in / pts[1][0].i_in - (cd(0, 50) + zl)), 0, 1e-5);
}

// All four filter types, all four responses (Chebyshev at 0.5 and 1 dB),
// orders 2, 3, 5, 8, 10 and 30 (Chebyshev, Butterworth) or 2..10 (tables),
// standard and dual circuit with their own load, each at 15 prototype
// frequencies (30 for band filters) across passband, edge and stopband.
// Prints the worst deviation per quantity.
TEST(SpiceAgreement, WholeMatrix) {
  VARNHOLT_NEED_NGSPICE();
  std::vector<Design> designs;
  for (int ides = 1; ides <= 4; ++ides)
    for (int icfg = 1; icfg <= 2; ++icfg) {
      for (float am : {0.5f, 1.0f})
        for (int n : kLongOrders) designs.push_back(synthesise(ides, 1, am, n, icfg));
      for (int n : kLongOrders) designs.push_back(synthesise(ides, 2, 0, n, icfg));
      for (int iop : {3, 4})
        for (int n : kTableOrders) designs.push_back(synthesise(ides, iop, 0, n, icfg));
    }
  Summary s;
  expect_agreement(compare(designs, spread(designs)), s);
  EXPECT_EQ(s.designs, 224);
  std::printf(
      "ngspice agreement: %d designs, %d points compared (%d beyond -250 dB left out)\n"
      "  worst loss  %.2g dB (%s)\n  worst phase %.2g deg (%s)\n"
      "  worst Zin   %.2g relative (%s)\n  worst delay %.2g ns (%s)\n"
      "  worst delay %.2g of its bound 2e-3 td + 2/f (%s)\n",
      s.designs, s.points, s.clamped, s.il.value, s.il.where.c_str(), s.phf.value,
      s.phf.where.c_str(), s.zin.value, s.zin.where.c_str(), s.td.value, s.td.where.c_str(),
      s.td_share.value, s.td_share.where.c_str());
}

// Reactive and mismatched terminations: the reactances are held constant
// over frequency in both the program and the netlist.
TEST(SpiceAgreement, ComplexAndMismatchedTerminations) {
  VARNHOLT_NEED_NGSPICE();
  const Terms terms[] = {{50, 25, 75, -40}, {30, -15, 50, 60}, {50, 0, 200, 0}, {10, 5, 20, 0}};
  std::vector<Design> designs;
  for (const Terms& t : terms)
    for (Design d : {synthesise(1, 1, 0.5f, 5, 1), synthesise(2, 2, 0, 3, 2),
                     synthesise(3, 3, 0, 4, 1), synthesise(4, 4, 0, 5, 2),
                     synthesise(1, 1, 1.0f, 8, 2)}) {
      d.t = t;
      designs.push_back(d);
    }
  Summary s;
  expect_agreement(compare(designs, spread(designs)), s);
  EXPECT_EQ(s.designs, 20);
}

// Points just below a frequency where the program's phase wraps through
// +-180 degrees or crosses 0, so that the step up to f * 1.0001 lands on the
// other side and the delay has to come from the step down. The frequencies
// are located on the program's phase; the expected delay is the simulator's.
TEST(SpiceAgreement, DelayAcrossPhaseWrapAndZeroCrossing) {
  VARNHOLT_NEED_NGSPICE();
  const std::vector<Design> designs = {synthesise(1, 2, 0, 5, 1), synthesise(2, 1, 0.5f, 5, 2),
                                       synthesise(3, 3, 0, 3, 1), synthesise(3, 1, 1.0f, 4, 2)};
  std::vector<std::vector<float>> freqs;
  for (const Design& d : designs) {
    std::vector<float> list;
    double f0 = 1, p0 = program(d, float(f0)).phf;
    for (double f1 = f0 * 1.01; f1 < 1000; f0 = f1, f1 *= 1.01) {
      const double p1 = program(d, float(f1)).phf;
      if ((p0 < 0) != (p1 < 0)) {
        double lo = f0, hi = f1;  // the sign changes between lo and hi
        for (int i = 0; i < 60; ++i) {
          const double mid = std::sqrt(lo * hi);
          ((program(d, float(mid)).phf < 0) == (p0 < 0) ? lo : hi) = mid;
        }
        list.push_back(float(hi / 1.00003));
      }
      p0 = p1;
    }
    EXPECT_GE(list.size(), 2u) << d.name();
    freqs.push_back(list);
  }
  Summary s;
  expect_agreement(compare(designs, freqs), s);
  std::printf("delay compared at %d points beside a wrap or zero crossing\n", s.points);
}

// ---------------------------------------------------------------------------
// Each design does what was asked (simulator numbers only)

std::vector<Design> all_types(int iop, std::initializer_list<float> ripples,
                              std::span<const int> orders) {
  std::vector<Design> out;
  for (int ides = 1; ides <= 4; ++ides)
    for (int icfg = 1; icfg <= 2; ++icfg)
      for (float am : ripples)
        for (int n : orders) out.push_back(synthesise(ides, iop, am, n, icfg));
  return out;
}

// Loss of exactly Am at the cut-off, peaks of Am where T_n = +-1
// (x = cos(k pi / n)) and no loss where T_n = 0 (x = cos((2k - 1) pi / 2n)).
TEST(SpiceDesignGoals, ChebyshevCutoffAndEquiripple) {
  VARNHOLT_NEED_NGSPICE();
  const std::vector<Design> designs = all_types(1, {0.5f, 1.0f}, kLongOrders);
  std::vector<std::vector<double>> freqs;
  std::vector<std::vector<double>> want;  // loss expected, dB
  for (const Design& d : designs) {
    std::vector<double> f = d.cutoffs(), w(f.size(), -d.am);
    for (int k = 1; 2 * k < d.n; ++k)
      for (double p : at_prototype(d, std::cos(k * pi / d.n))) f.push_back(p), w.push_back(-d.am);
    for (int k = 1; 2 * k - 1 < d.n; ++k)
      for (double p : at_prototype(d, std::cos((2 * k - 1) * pi / (2 * d.n))))
        f.push_back(p), w.push_back(0);
    freqs.push_back(f), want.push_back(w);
  }
  const auto got = losses(designs, freqs);
  for (std::size_t i = 0; i < got.size(); ++i)
    for (std::size_t j = 0; j < got[i].size(); ++j)
      EXPECT_NEAR(got[i][j], want[i][j], kGoalTol) << designs[i].name() << " at " << freqs[i][j];
}

// 10 log10(2) dB at the cut-off, and the maximally flat magnitude
// 10 log10(1 + x^2n) at every prototype frequency x.
TEST(SpiceDesignGoals, ButterworthHalfPowerAndFlatness) {
  VARNHOLT_NEED_NGSPICE();
  const std::vector<Design> designs = all_types(2, {0.0f}, kLongOrders);
  const double xs[] = {0.3, 0.6, 0.9, 1.0, 1.2, 1.6};
  std::vector<std::vector<double>> freqs, want;
  for (const Design& d : designs) {
    std::vector<double> f = d.cutoffs(), w(f.size(), -10 * std::log10(2.0));
    for (double x : xs)
      for (double p : at_prototype(d, x))
        f.push_back(p), w.push_back(-10 * std::log10(1 + std::pow(x, 2 * d.n)));
    freqs.push_back(f), want.push_back(w);
  }
  const auto got = losses(designs, freqs);
  for (std::size_t i = 0; i < got.size(); ++i)
    for (std::size_t j = 0; j < got[i].size(); ++j)
      if (want[i][j] > kClampRegion) {
        EXPECT_NEAR(got[i][j], want[i][j], kGoalTol) << designs[i].name() << " at " << freqs[i][j];
      }
}

// Bessel is normalised to 3 dB at the cut-off; linear phase to a delay of
// 1 / (2 pi fc) at low frequency, flat up to the cut-off from the fifth order.
TEST(SpiceDesignGoals, BesselCutoffAndLinearPhaseDelay) {
  VARNHOLT_NEED_NGSPICE();
  const std::vector<Design> bessel = all_types(3, {0.0f}, kTableOrders);
  std::vector<std::vector<double>> freqs;
  for (const Design& d : bessel) freqs.push_back(d.cutoffs());
  const auto got = losses(bessel, freqs);
  for (std::size_t i = 0; i < got.size(); ++i)
    for (double il : got[i]) EXPECT_NEAR(il, -10 * std::log10(2.0), kGoalTol) << bessel[i].name();

  std::vector<Design> linear;
  for (int icfg = 1; icfg <= 2; ++icfg)
    for (int n : kTableOrders) linear.push_back(synthesise(1, 4, 0, n, icfg));
  const std::vector<std::vector<float>> at(linear.size(), {0.05f * kFc, kFc});
  const double t0 = 1000 / (2 * pi * kFc);  // ns
  for (const Compared& c : compare(linear, at)) {
    EXPECT_NEAR(c.sim[0].td, t0, 5e-4 * t0) << c.d->name();
    if (c.d->n >= 5) {
      EXPECT_NEAR(c.sim[1].td, t0, 1e-3 * t0) << c.d->name();
    }
  }
}

// A design whose order comes from a skirt requirement (nsectn) has at least
// A1 dB at F1, and exactly the attenuation a2 that nsectn reports.
TEST(SpiceDesignGoals, SkirtRequirementMet) {
  VARNHOLT_NEED_NGSPICE();
  struct Skirt {
    int ides;
    float f1, a1;
  };
  const Skirt skirts[] = {{1, 200, 40}, {1, 130, 60}, {2, 50, 40}, {2, 80, 30},
                          {3, 130, 40}, {3, 75, 50},  {4, 101, 40}, {4, 98, 25}};
  std::vector<Design> designs;
  std::vector<std::vector<double>> freqs;
  std::vector<float> a2s;
  for (const Skirt& s : skirts)
    for (int iop : {1, 2})
      for (int icfg = 1; icfg <= 2; ++icfg) {
        const float am = iop == 1 ? 0.5f : 0.0f;
        float a2 = -1;
        int32_t ierr = -1, n = -1;
        nsectn(am, s.a1, a2, kFc, s.f1, 110, 90, s.ides, ierr, iop, n);
        ASSERT_EQ(ierr, 0);
        ASSERT_LE(n, kMaxSections) << s.ides << " " << s.f1;
        EXPECT_GE(a2, s.a1);
        designs.push_back(synthesise(s.ides, iop, am, n, icfg, 90, 110));
        freqs.push_back({s.f1});
        a2s.push_back(a2);
      }
  const auto got = losses(designs, freqs);
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_LE(got[i][0], -(a2s[i] - kGoalTol)) << designs[i].name();
    EXPECT_NEAR(-got[i][0], a2s[i], kGoalTol) << designs[i].name() << " at " << freqs[i][0];
  }
}

// Band filters are centred on the geometric mean fo of the band edges: the
// loss at fo r equals the loss at fo / r; a band-pass response of a
// monotone type has its least loss at fo, a band-stop one its most.
TEST(SpiceDesignGoals, BandsCentredOnGeometricMean) {
  VARNHOLT_NEED_NGSPICE();
  std::vector<Design> designs;
  for (int ides : {3, 4})
    for (int icfg = 1; icfg <= 2; ++icfg) {
      designs.push_back(synthesise(ides, 1, 0.5f, 5, icfg));
      designs.push_back(synthesise(ides, 1, 1.0f, 8, icfg));
      designs.push_back(synthesise(ides, 2, 0, 4, icfg));
      designs.push_back(synthesise(ides, 3, 0, 5, icfg));
      designs.push_back(synthesise(ides, 4, 0, 3, icfg));
    }
  const double ratios[] = {1.01, 1.05, 1.15, 1.3, 1.6, 2.2};
  std::vector<std::vector<double>> freqs;
  for (const Design& d : designs) {
    std::vector<double> f = {d.fo()};
    for (double r : ratios) f.push_back(d.fo() * r), f.push_back(d.fo() / r);
    freqs.push_back(f);
  }
  const auto got = losses(designs, freqs);
  for (std::size_t i = 0; i < got.size(); ++i) {
    const Design& d = designs[i];
    const std::vector<double>& il = got[i];
    for (std::size_t j = 1; j < il.size(); j += 2) {
      if (std::max(il[j], il[j + 1]) > kClampRegion) {
        EXPECT_NEAR(il[j], il[j + 1], kGoalTol) << d.name() << " ratio " << ratios[j / 2];
      }
      if (d.ides == 4) {
        EXPECT_LT(il[0], std::min(il[j], il[j + 1])) << d.name();
      } else if (d.iop != 1) {
        EXPECT_GT(il[0], std::max(il[j], il[j + 1])) << d.name();
      }
    }
    if (d.ides == 3 && d.iop != 1) {
      EXPECT_NEAR(il[0], 0, kGoalTol) << d.name();
    }
  }
}

}  // namespace
}  // namespace varnholt

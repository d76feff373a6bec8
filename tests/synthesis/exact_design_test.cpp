// The double design against the float routines it mirrors (which are held to
// the published prototype tables in prototype_test.cpp), and its loads.
#include "synthesis/exact_design.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "support/design.h"
#include "support/table.h"

namespace varnholt {
namespace {

// The worst relative difference measured over tests/data/exact_designs.txt
// is 1.03e-4 (3 dB Chebyshev), nearly all of it the float path's ripple
// constant 17.37 against 40 / ln 10; with the constants equal it is 3.7e-6,
// the float rounding (2.9e-6 for the responses without a ripple).
constexpr double kFloatAgreement = 1.1e-4;

double relative(double got, double want) {
  return want == 0.0 ? (got == 0.0 ? 0.0 : INFINITY) : std::fabs(got - want) / std::fabs(want);
}

// The largest relative difference of the element values; placement and kind
// must be the same branch for branch.
double difference(const Ladder& got, const Ladder& want) {
  EXPECT_EQ(got.branches.size(), want.branches.size());
  double worst = 0.0;
  for (std::size_t i = 0; i < std::min(got.branches.size(), want.branches.size()); ++i) {
    const Branch &g = got.branches[i], &w = want.branches[i];
    EXPECT_EQ(std::pair(g.placement, g.kind), std::pair(w.placement, w.kind)) << "branch " << i;
    for (std::size_t p = 0; p < 2; ++p) {
      worst = std::max({worst, relative(g.l[p], w.l[p]), relative(g.c[p], w.c[p])});
    }
  }
  return worst;
}

TEST(ExactDesign, AgreesWithTheFloatRoutines) {
  for (const auto& row : testing::read_table("exact_designs.txt")) {
    std::istringstream orders(row[3]);
    for (int n; orders >> n;) {
      SCOPED_TRACE(row[0] + "|" + row[1] + "|" + row[2] + " n " + std::to_string(n));
      const int32_t ides = std::stoi(row[0]), iop = std::stoi(row[1]);
      const auto stored = testing::synthesise(ides, iop, testing::to_float(row[2]), n,
                                              testing::to_float(row[4]), testing::to_float(row[5]),
                                              testing::to_float(row[6]));
      const FilterType type = filter_type(ides);
      const double f_a = std::stod(row[4]), f_b = std::stod(row[5]);
      const bool band = f_b > 0.0;
      const auto exact = design_exact({.type = type, .response = static_cast<Response>(iop),
                                       .cutoff_mhz = band ? 0.0 : f_a,
                                       .lower_mhz = band ? f_b : 0.0,
                                       .upper_mhz = band ? f_a : 0.0,
                                       .ripple_db = std::stod(row[2]), .order = n,
                                       .impedance_ohms = std::stod(row[6])});
      ASSERT_TRUE(exact.has_value());
      const Ladder standard = ladder_from_stores(stored.c, type, Configuration::Standard, n);
      const Ladder dual = ladder_from_stores(stored.c, type, Configuration::Dual, n);
      const double d = std::max({difference(exact->standard, standard),
                                 difference(exact->dual, dual),
                                 relative(exact->standard_load_ohms, stored.ros),
                                 relative(exact->dual_load_ohms, stored.rod)});
      EXPECT_LT(d, kFloatAgreement);
    }
  }
}

// Odd orders load both circuits with the impedance exactly. Every even order
// of a ripple ends in the published load, a conductance of the standard
// circuit and a resistance of the dual.
TEST(ExactDesign, ChebyshevLoads) {
  for (const auto& row : testing::read_table("chebyshev_even_loads.txt")) {
    const double ripple = std::stod(row[0]), published = std::stod(row[1]);
    for (const double zo : {50.0, 75.0, 93.1}) {
      for (int n = 1; n <= 30; ++n) {
        const auto d = design_exact({.type = FilterType::BandStop, .lower_mhz = 0.45,
                                     .upper_mhz = 0.46, .ripple_db = ripple, .order = n,
                                     .impedance_ohms = zo});
        ASSERT_TRUE(d.has_value());
        SCOPED_TRACE(row[0] + " dB, n " + std::to_string(n));
        if (n % 2 == 1) {
          EXPECT_EQ(std::pair(d->standard_load_ohms, d->dual_load_ohms), std::pair(zo, zo));
        } else {
          EXPECT_NEAR(d->dual_load_ohms / zo, published, 5e-5 + 1e-12);
          EXPECT_NEAR(zo / d->standard_load_ohms, published, 5e-5 + 1e-12);
        }
      }
    }
  }
}

// No prototype, no design: orders with no room, orders the tables lack, elliptic.
TEST(ExactDesign, RequestsWithoutAPrototype) {
  const std::pair<Response, int> none[] = {
      {Response::Chebyshev, 0},    {Response::Butterworth, 31}, {Response::Bessel, 1},
      {Response::LinearPhase, 16}, {Response::Elliptic, 5},     {Response::Legendre, 1},
      {Response::InverseChebyshev, 5},
  };
  for (const auto& [response, n] : none) {
    EXPECT_FALSE(design_exact({.response = response, .cutoff_mhz = 10.7, .order = n}).has_value())
        << static_cast<int>(response) << " n " << n;
  }
}

}  // namespace
}  // namespace varnholt

// The computed responses against independent references: SciPy's Bessel and
// inverse Chebyshev prototypes, the definitions of the others evaluated in
// exact rational or NumPy arithmetic (tests/tools/responses_reference.py),
// the dialog's tables; the ladders against their own prototypes through the
// chain matrix; and a defining property each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "ladder/network.h"
#include "support/table.h"
#include "synthesis/all_pole.h"
#include "synthesis/exact_design.h"
#include "synthesis/inverse_chebyshev.h"
#include "synthesis/prototype_tables.h"

namespace varnholt {
namespace {

using testing::Row;

// The enumerator of a name in the data files.
Response response(const std::string& name) {
  static const std::vector<std::string> kNames = {
      "", "Chebyshev", "Butterworth", "Bessel", "LinearPhase", "", "Legendre", "Gaussian",
      "Transitional6dB", "Transitional12dB", "EquirippleDelay"};
  const auto at = std::find(kNames.begin() + 1, kNames.end(), name);
  EXPECT_NE(at, kNames.end()) << name;
  return static_cast<Response>(at - kNames.begin());
}

double num(const Row& w, std::size_t i) { return std::stod(w.at(i)); }

std::vector<Row> lines(const std::string& file, const std::string& kind) {
  std::vector<Row> out;
  for (const Row& w : testing::read_words(file))
    if (w[0] == kind) out.push_back(w);
  EXPECT_FALSE(out.empty()) << kind;
  return out;
}

std::vector<Row> reference(const std::string& kind) {
  return lines("responses_reference.txt", kind);
}
std::vector<Row> cases(const std::string& kind) { return lines("responses_cases.txt", kind); }

std::vector<int> orders(const Row& w, std::size_t from) {
  std::vector<int> out;
  for (std::size_t i = from; i < w.size(); ++i) out.push_back(std::stoi(w[i]));
  return out;
}

// The low-pass ladder of g at 1 MHz, 50 ohms: w rad/s of the prototype is w MHz.
ExactDesign low_pass(Response r, int n, double parameter) {
  return *design_exact({.type = FilterType::LowPass, .response = r, .cutoff_mhz = 1.0,
                        .ripple_db = parameter, .order = n, .impedance_ohms = 50.0});
}

Complex s21(const ExactDesign& d, double w) {
  return transfer(chain_matrix(d.standard, w), d.source_ohms, d.standard_load_ohms).s21;
}

// The standard ladder of g itself (shunt capacitor first), 1 MHz and 50 ohms.
Complex s21(const std::vector<double>& g, double w) {
  Ladder ladder;
  const double n = static_cast<double>(g.size()) - 2, scale = 2e6 * std::numbers::pi;
  for (std::size_t k = 1; k <= n; ++k) {
    Branch b;
    b.placement = k % 2 == 1 ? Placement::Shunt : Placement::Series;
    b.kind = k % 2 == 1 ? BranchKind::Capacitor : BranchKind::Inductor;
    (k % 2 == 1 ? b.c[0] : b.l[0]) = k % 2 == 1 ? 1e12 * g[k] / (50.0 * scale) : 1e9 * 50.0 * g[k] / scale;
    ladder.branches.push_back(b);
  }
  return transfer(chain_matrix(ladder, w), 50.0, 50.0).s21;
}

TEST(Responses, PrototypeLossIsTheReference) {
  std::map<std::tuple<std::string, std::string, int>, std::optional<AllPolePrototype>> made;
  for (const Row& w : reference("loss")) {
    const int n = std::stoi(w[3]);
    auto& p = made[{w[1], w[2], n}];
    if (!p) p = all_pole_prototype(response(w[1]), n, num(w, 2));
    ASSERT_TRUE(p) << w[1] << " " << w[3];
    const double got = p->loss_db(num(w, 4)), want = num(w, 5);
    EXPECT_NEAR(got, want, 1e-9 * (1.0 + want)) << w[1] << " n " << w[3] << " w " << w[4];
  }
}

TEST(Responses, BesselPolesAreScipys) {
  std::map<std::pair<std::string, int>, std::vector<std::complex<double>>> want;
  for (const Row& w : reference("pole")) want[{w[1], std::stoi(w[3])}].push_back({num(w, 4), num(w, 5)});
  const auto order = [](const auto& a, const auto& b) {
    return a.imag() != b.imag() ? a.imag() > b.imag() : a.real() < b.real();
  };
  for (auto& [key, poles] : want) {
    std::vector<std::complex<double>> got = all_pole_prototype(response(key.first), key.second, 0)->poles;
    ASSERT_EQ(got.size(), poles.size());
    std::sort(got.begin(), got.end(), order);
    std::sort(poles.begin(), poles.end(), order);
    for (std::size_t i = 0; i < got.size(); ++i)
      EXPECT_LT(std::abs(got[i] - poles[i]), 1e-11 * std::abs(poles[i])) << key.first << key.second;
  }
}

// A second method: the ladder's transmission through its chain matrix,
// against the magnitude of the poles.
TEST(Responses, DarlingtonLadderRealisesThePrototype) {
  for (const Row& w : cases("ladder")) {
    for (int n : orders(w, 3)) {
      const auto p = all_pole_prototype(response(w[1]), n, num(w, 2));
      ASSERT_TRUE(p) << w[1] << " " << w[2] << " n " << n;
      EXPECT_EQ(p->g[n + 1], 1.0);
      for (int i = 1; i <= 120; ++i) {
        const double f = 0.025 * i;  // 0.025 .. 3 rad/s
        const double loss = -20.0 * std::log10(std::abs(s21(p->g, f)));
        const double want = p->loss_db(f);
        ASSERT_NEAR(loss, want, 1e-9 * (1.0 + want)) << w[1] << " " << w[2] << " n " << n << " w " << f;
      }
    }
  }
}

TEST(Responses, BesselTablesAreTheBesselPolynomial) {
  for (const Row& w : cases("table")) {
    const Response r = response(w[1]);
    const int n = std::stoi(w[2]);
    const auto& table = r == Response::Bessel ? kBesselPrototypes : kLinearPhasePrototypes;
    const auto p = all_pole_prototype(r, n, 0);
    for (int k = std::stoi(w[3]); k <= std::stoi(w[4]); ++k)
      EXPECT_NEAR(p->g[k], table[n - kFirstTabulatedOrder][k - 1], num(w, 5) + num(w, 6) * p->g[k])
          << w[1] << n << " g" << k;
    EXPECT_EQ(p->g[n + 1], 1.0);
  }
}

TEST(Responses, InverseChebyshevIsScipys) {
  std::map<std::pair<double, int>, EllipticPrototype> protos;
  for (const Row& w : reference("cheb2")) {
    const double as = num(w, 1), x = num(w, 3), want = num(w, 4);
    const int n = std::stoi(w[2]);
    auto it = protos.try_emplace({as, n}, inverse_chebyshev_prototype(n, as)).first;
    const double got = prototype_loss_db(it->second, x);
    EXPECT_NEAR(got, want, x <= 1.0 ? 1e-9 : 1e-9 * want) << "As " << as << " n " << n << " w " << x;
  }
  for (const Row& w : reference("edge2")) {
    EXPECT_NEAR(inverse_chebyshev_prototype(std::stoi(w[2]), num(w, 1)).ws, num(w, 3), 1e-9 * num(w, 3))
        << w[1] << " " << w[2];
  }
}

TEST(Responses, InverseChebyshevLadderIsScipys) {
  std::map<std::pair<double, int>, std::vector<std::pair<double, double>>> want;
  for (const Row& w : reference("cheb2")) want[{num(w, 1), std::stoi(w[2])}].emplace_back(num(w, 3), num(w, 4));
  for (const Row& c : cases("inverse")) {
    for (int n : orders(c, 2)) {
      const EllipticRequest r{.configuration = n % 3 == 0 ? Configuration::Dual : Configuration::Standard,
                              .as_db = num(c, 1), .order = n, .fc_mhz = 1.0};
      const EllipticDesign d = design_inverse_chebyshev(r);
      EXPECT_NEAR(d.load_ohms, d.source_ohms, 1e-6 * d.source_ohms);
      for (const auto& [x, db] : want.at({r.as_db, n})) {
        const Transfer t = transfer(chain_matrix(d.ladder(), x), d.source_ohms, d.load_ohms);
        EXPECT_NEAR(-20.0 * std::log10(std::abs(t.s21)), db, 1e-7 + 1e-8 * db)
            << "As " << r.as_db << " n " << n << " w " << x;
      }
    }
  }
}

TEST(Responses, InverseChebyshevOrderReachesTheEdge) {
  std::map<double, std::vector<std::pair<int, double>>> edges;
  for (const Row& w : reference("edge2")) edges[num(w, 1)].emplace_back(std::stoi(w[2]), num(w, 3));
  for (const auto& [as, list] : edges) {
    for (const auto& [n, ws] : list) {
      EXPECT_EQ(inverse_chebyshev_order(as, ws * (1.0 + 1e-9)), n) << as;
      EXPECT_EQ(inverse_chebyshev_order(as, ws * (1.0 - 1e-9)), n == 15 ? 0 : n + 1) << as;
    }
  }
}

TEST(Responses, SkirtGivesTheLowestOrderThatReachesIt) {
  for (const Row& w : reference("order")) {
    const std::optional<int> got = all_pole_order(response(w[1]), num(w, 2), num(w, 3), num(w, 4));
    const int want = std::stoi(w[5]);
    EXPECT_EQ(got.value_or(0), want) << w[1] << " w " << w[3] << " A1 " << w[4];
  }
}

// Optimum-L: monotonic, and of all monotonic responses the steepest at the
// cut-off, so steeper there than Butterworth (from order 3; at order 2 the
// two are the same).
TEST(Responses, LegendreIsMonotonicAndSteeperThanButterworth) {
  for (int n = 3; n <= kMaxComputedOrder; ++n) {
    const auto l = all_pole_prototype(Response::Legendre, n, 0);
    const auto b = all_pole_prototype(Response::Butterworth, n, 0);
    double last = -1.0;
    for (int i = 0; i <= 3000; ++i) {
      const double loss = l->loss_db(0.001 * i);
      EXPECT_GE(loss, last) << n << " w " << 0.001 * i;
      last = loss;
    }
    const auto slope = [](const AllPolePrototype& p) {
      return (p.loss_db(1.0 + 1e-6) - p.loss_db(1.0 - 1e-6)) / 2e-6;
    };
    EXPECT_GT(slope(*l), slope(*b) * 1.05) << n;
  }
}

// The ladder's phase, measured from -w, ripples over n lobes, each peak the
// stated error, before it departs.
TEST(Responses, EquirippleDelayPhaseRipplesWithTheStatedError) {
  for (const Row& w : cases("ripple")) {
    const double error_deg = num(w, 1);
    for (int n : orders(w, 2)) {
      const ExactDesign d = low_pass(Response::EquirippleDelay, n, error_deg);
      std::vector<double> peaks;
      double before = 0.0, now = 0.0;
      for (double x = 1e-3;; x += 1e-3) {
        const double e = std::arg(s21(d, x) * std::polar(1.0, x)) * 180.0 / std::numbers::pi;
        if (std::fabs(e) > 2.0 * error_deg) break;
        if (std::fabs(now) >= std::fabs(before) && std::fabs(now) > std::fabs(e)) peaks.push_back(std::fabs(now));
        before = now;
        now = e;
        ASSERT_LT(x, 100.0);
      }
      ASSERT_EQ(peaks.size(), static_cast<std::size_t>(n)) << error_deg << " n " << n;
      for (double p : peaks) EXPECT_NEAR(p, error_deg, 2e-4 * error_deg) << error_deg << " n " << n;
    }
  }
}

}  // namespace
}  // namespace varnholt

#include "synthesis/exact_design.h"

#include <cmath>
#include <cstddef>
#include <numbers>

#include "common/stores.h"
#include "synthesis/all_pole.h"
#include "synthesis/prototype_tables.h"

namespace varnholt {
namespace {

using std::numbers::pi;

// ln coth(ripple / (40 / ln 10)) is the Chebyshev beta.
constexpr double kRippleDivisor = 40.0 / std::numbers::ln10;
constexpr double kRippleFloor = 1e-10;
constexpr double kHertzPerMHz = 1e6;
constexpr double kNanoPerUnit = 1e9;
constexpr double kPicoPerUnit = 1e12;

double odd_sine(int k, int n) { return std::sin((2.0 * k - 1.0) * pi / (2.0 * n)); }

void butterworth(std::vector<double>& g, int n) {
  for (int k = 1; k <= n; ++k) g[k] = 2.0 * odd_sine(k, n);
  g[n + 1] = 1.0;
}

void chebyshev(std::vector<double>& g, int n, double ripple_db) {
  const double am = ripple_db < kRippleFloor ? kRippleFloor : ripple_db;
  const double beta = std::log(1.0 / std::tanh(am / kRippleDivisor));
  const double gamma = std::sinh(beta / (2.0 * n));
  std::vector<double> a(n + 1), b(n + 1);
  for (int k = 1; k <= n; ++k) {
    const double s = std::sin(k * pi / n);
    a[k] = odd_sine(k, n);
    b[k] = gamma * gamma + s * s;
  }
  g[1] = 2.0 * a[1] / gamma;
  for (int k = 2; k <= n; ++k) g[k] = 4.0 * a[k - 1] * a[k] / (b[k - 1] * g[k - 1]);
  // An even-order equi-ripple ladder needs the load g1 / gn; odd orders 1.
  g[n + 1] = n % 2 == 0 ? g[1] / g[n] : 1.0;
}

bool tabulated(std::vector<double>& g, int n, const PrototypeTable& table) {
  if (n < kFirstTabulatedOrder || n > kLastTabulatedOrder) return false;
  const auto& row = table[static_cast<std::size_t>(n - kFirstTabulatedOrder)];
  for (int k = 1; k <= n; ++k) g[k] = row[static_cast<std::size_t>(k - 1)];
  g[n + 1] = 1.0;
  return true;
}

// The shunt-branch and series-branch elements of one position (nH, pF).
struct Elements {
  double shunt_l = 0.0, shunt_c = 0.0, series_l = 0.0, series_c = 0.0;
};

// The element scaling of transform.cpp, term for term.
class Scaling {
 public:
  explicit Scaling(const ExactRequest& r) : type_(r.type), zo_(r.impedance_ohms) {
    if (type_ == FilterType::LowPass || type_ == FilterType::HighPass) {
      w_ = 2.0 * pi * (r.cutoff_mhz * kHertzPerMHz);
    } else {
      const double fl = r.lower_mhz * kHertzPerMHz;
      const double fh = r.upper_mhz * kHertzPerMHz;
      w_ = 2.0 * pi * std::sqrt(fl * fh);
      deltaw_ = 2.0 * pi * (fh - fl) / w_;
    }
  }

  Elements at(double g) const {
    const double zo = zo_, w = w_, dw = deltaw_;
    switch (type_) {
      case FilterType::HighPass:
        return {kNanoPerUnit * zo / (g * w), 0.0, 0.0, kPicoPerUnit / (g * w * zo)};
      case FilterType::BandPass:
        return {kNanoPerUnit * zo * dw / (g * w), kPicoPerUnit * g / (dw * w * zo),
                kNanoPerUnit * g * zo / (dw * w), kPicoPerUnit * dw / (g * w * zo)};
      case FilterType::BandStop:
        return {kNanoPerUnit * zo / (w * dw * g), kPicoPerUnit * g * dw / (zo * w),
                kNanoPerUnit * zo * dw * g / w, kPicoPerUnit / (w * dw * g * zo)};
      case FilterType::LowPass:
        break;
    }
    return {0.0, kPicoPerUnit * g / (zo * w), kNanoPerUnit * g * zo / w, 0.0};
  }

 private:
  FilterType type_;
  double zo_;
  double w_ = 0.0;       // cut-off or band centre, rad/s
  double deltaw_ = 0.0;  // fractional bandwidth
};

Ladder ladder_from_elements(const std::vector<Elements>& positions, FilterType type,
                            Configuration config) {
  Ladder out;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Placement placement = placement_at(config, static_cast<int32_t>(i + 1));
    const BranchStores stores = branch_stores(type, placement);
    const Elements& e = positions[i];
    const bool shunt = placement == Placement::Shunt;
    Branch b;
    b.placement = placement;
    b.kind = stores.kind;
    if (stores.l != nullptr) b.l[0] = shunt ? e.shunt_l : e.series_l;
    if (stores.c != nullptr) b.c[0] = shunt ? e.shunt_c : e.series_c;
    out.branches.push_back(b);
  }
  return out;
}

}  // namespace

std::vector<double> prototype_values(Response response, int order, double ripple_db) {
  const int n = order;
  if (n < 1 || n > kMaxSections) return {};
  std::vector<double> g(static_cast<std::size_t>(n) + 2, 0.0);
  g[0] = 1.0;
  switch (response) {
    case Response::Chebyshev:
      chebyshev(g, n, ripple_db);
      return g;
    case Response::Butterworth:
      butterworth(g, n);
      return g;
    case Response::Bessel:
      if (tabulated(g, n, kBesselPrototypes)) return g;
      break;
    case Response::LinearPhase:
      if (tabulated(g, n, kLinearPhasePrototypes)) return g;
      break;
    case Response::Elliptic:
    case Response::InverseChebyshev:
      return {};
    case Response::Legendre:
    case Response::Gaussian:
    case Response::Transitional6dB:
    case Response::Transitional12dB:
    case Response::EquirippleDelay:
      break;
  }
  const std::optional<AllPolePrototype> p = all_pole_prototype(response, n, ripple_db);
  return p ? p->g : std::vector<double>{};
}

std::optional<ExactDesign> design_exact(const ExactRequest& request) {
  ExactDesign d;
  d.g = prototype_values(request.response, request.order, request.ripple_db);
  if (d.g.empty()) return std::nullopt;
  const int n = request.order;
  const Scaling scaling(request);
  std::vector<Elements> positions;
  for (int k = 1; k <= n; ++k) positions.push_back(scaling.at(d.g[k]));
  d.standard = ladder_from_elements(positions, request.type, Configuration::Standard);
  d.dual = ladder_from_elements(positions, request.type, Configuration::Dual);
  // With n even the standard circuit ends in a series branch: g(n+1) is a
  // normalised conductance there and a resistance in the dual; odd n the
  // other way round.
  const double zo = request.impedance_ohms, gl = d.g[static_cast<std::size_t>(n) + 1];
  d.source_ohms = zo;
  d.standard_load_ohms = n % 2 == 0 ? zo / gl : zo * gl;
  d.dual_load_ohms = n % 2 == 0 ? zo * gl : zo / gl;
  return d;
}

}  // namespace varnholt

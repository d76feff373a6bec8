#include "synthesis/prototype.h"

#include <array>
#include <cmath>

#include "common/codes.h"
#include "common/units.h"
#include "synthesis/prototype_tables.h"

namespace varnholt {
namespace {

constexpr float kRippleDivisor = 17.37f;
constexpr float kRippleFloor = 1e-10f;

// sin((2k - 1) pi / 2n), shared by the Butterworth values and the Chebyshev a(k).
float odd_sine(int32_t k, float rn) {
  const float rk = static_cast<float>(k);
  return std::sin((2.0f * rk - 1.0f) * kPi / (2.0f * rn));
}

void butterworth(PositionArray& g, int32_t n) {
  const float rn = static_cast<float>(n);
  for (int32_t k = 1; k <= n; ++k) {
    g[k] = 2.0f * odd_sine(k, rn);
  }
  g[n + 1] = 1.0f;
}

void chebyshev(PositionArray& g, int32_t n, float& am) {
  // The floor keeps the logarithm finite; it stays in the caller's ripple.
  if (am < kRippleFloor) {
    am = kRippleFloor;
  }
  const float rn = static_cast<float>(n);
  const float beta = std::log(1.0f / std::tanh(am / kRippleDivisor));
  const float gamma = std::sinh(beta / (2.0f * rn));
  const float gamma2 = gamma * gamma;
  PositionArray a{};
  PositionArray b{};
  for (int32_t k = 1; k <= n; ++k) {
    const float s = std::sin(static_cast<float>(k) * kPi / rn);
    a[k] = odd_sine(k, rn);
    b[k] = gamma2 + s * s;
  }
  g[1] = 2.0f * a[1] / gamma;
  for (int32_t k = 2; k <= n; ++k) {
    g[k] = 4.0f * a[k - 1] * a[k] / (b[k - 1] * g[k - 1]);
  }
  // 1 for odd orders; the load an even-order equi-ripple ladder needs otherwise.
  g[n + 1] = g[1] / g[n];
}

// Each tabulated double rounds to the float the float path has always used.
void tabulated(PositionArray& g, int32_t n, const PrototypeTable& table) {
  g[n + 1] = 1.0f;
  if (n < kFirstTabulatedOrder || n > kLastTabulatedOrder) {
    g[1] = 2.0f;
    return;
  }
  const auto& row = table[static_cast<std::size_t>(n - kFirstTabulatedOrder)];
  for (int32_t k = 1; k <= n; ++k) {
    g[k] = static_cast<float>(row[static_cast<std::size_t>(k - 1)]);
  }
}

}  // namespace

void pev1(PositionArray& g, int32_t n, float& am, int32_t ires) {
  if (n < 1 || n > kMaxSections) {
    return;
  }
  // Any other code (elliptic has no ladder prototype here) is Chebyshev.
  switch (static_cast<Response>(ires)) {
    case Response::Butterworth:
      butterworth(g, n);
      break;
    case Response::Bessel:
      tabulated(g, n, kBesselPrototypes);
      break;
    case Response::LinearPhase:
      tabulated(g, n, kLinearPhasePrototypes);
      break;
    default:
      chebyshev(g, n, am);
      break;
  }
}

}  // namespace varnholt

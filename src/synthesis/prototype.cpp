#include "synthesis/prototype.h"

#include <array>
#include <cmath>

#include "common/units.h"

namespace varnholt {
namespace {

constexpr float kRippleDivisor = 17.37f;
constexpr float kRippleFloor = 1e-10f;

// Tabulated prototypes for orders 2..10, row n-2, zero-padded to 10 values.
using Table = std::array<std::array<float, 10>, 9>;

constexpr Table kBessel = {{
    {2.1478055f, 0.57550275f},
    {2.2034113f, 0.9705118f, 0.33742148f},
    {2.2403786f, 1.0815161f, 0.6725248f, 0.2334158f},
    {2.258217f, 1.1110332f, 0.80401117f, 0.50724065f, 0.17431939f},
    {2.2645237f, 1.112643f, 0.8537859f, 0.6391554f, 0.40018985f, 0.13649239f},
    {2.2659006f, 1.1051644f, 0.86902684f, 0.70200914f, 0.52489275f, 0.32588813f, 0.11056245f},
    {2.265607f, 1.0955592f, 0.8695004f, 0.7302567f, 0.5935727f, 0.44092214f, 0.27191073f,
     0.09190555f},
    {2.264879f, 1.0862838f, 0.8638734f, 0.74073297f, 0.63059515f, 0.5107787f, 0.37698653f,
     0.23129126f, 0.07796547f},
    {2.264126f, 1.0780948f, 0.85607237f, 0.7420173f, 0.64933544f, 0.55281526f, 0.4454427f,
     0.32707f, 0.20001027f, 0.06715569f},
}};

constexpr Table kLinearPhase = {{
    {1.5774f, 0.4226f},
    {1.255f, 0.5528f, 0.1922f},
    {1.0598f, 0.5116f, 0.3181f, 0.1104f},
    {0.9303f, 0.4577f, 0.3312f, 0.209f, 0.0718f},
    {0.8377f, 0.4116f, 0.3158f, 0.2364f, 0.148f, 0.0505f},
    {0.7677f, 0.3744f, 0.2944f, 0.2378f, 0.1778f, 0.1104f, 0.0375f},
    {0.7125f, 0.3446f, 0.2735f, 0.2297f, 0.1867f, 0.1387f, 0.0855f, 0.0289f},
    {0.6678f, 0.3203f, 0.2547f, 0.2184f, 0.1859f, 0.1506f, 0.1111f, 0.0682f, 0.023f},
    {0.6305f, 0.3002f, 0.2384f, 0.2066f, 0.1808f, 0.1539f, 0.124f, 0.0911f, 0.0557f, 0.0187f},
}};

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

void tabulated(PositionArray& g, int32_t n, const Table& table) {
  g[n + 1] = 1.0f;
  if (n < 2 || n > 10) {
    g[1] = 2.0f;
    return;
  }
  const auto& row = table[static_cast<std::size_t>(n - 2)];
  for (int32_t k = 1; k <= n; ++k) {
    g[k] = row[static_cast<std::size_t>(k - 1)];
  }
}

}  // namespace

void pev1(PositionArray& g, int32_t n, float& am, int32_t ires) {
  if (n < 1 || n > kMaxSections) {
    return;
  }
  switch (ires) {
    case 2:
      butterworth(g, n);
      break;
    case 3:
      tabulated(g, n, kBessel);
      break;
    case 4:
      tabulated(g, n, kLinearPhase);
      break;
    default:
      chebyshev(g, n, am);
      break;
  }
}

}  // namespace varnholt

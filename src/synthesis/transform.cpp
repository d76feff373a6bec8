#include "synthesis/transform.h"

#include <cmath>

#include "synthesis/prototype.h"

namespace varnholt {
namespace {

constexpr float pi = 3.1415927f;
constexpr float kMega = 1e6f;  // MHz to Hz
constexpr float kNano = 1e9f;  // H to nH
constexpr float kPico = 1e12f; // F to pF

bool valid_order(int32_t n) {
  return n >= 1 && n <= kMaxSections;
}

// Centre wo (rad/s, geometric mean of the edges) and fractional bandwidth deltaw.
struct Band {
  float wo;
  float deltaw;
};

Band band(float fhigh, float flow) {
  const float fl = flow * kMega;
  const float fh = fhigh * kMega;
  const float fo = std::sqrt(fl * fh);
  const float wo = 2.0f * pi * fo;
  return {wo, 2.0f * pi * (fh - fl) / wo};
}

float cutoff(float fc) {
  const float fctemp = fc * kMega;
  return 2.0f * pi * fctemp;
}

}  // namespace

// Load resistances. With n even the standard circuit ends in a series branch,
// so g(n+1) is a normalised conductance there and a resistance in the dual.
void load_resistances(const PositionArray& g, int32_t n, float zo, float& rod, float& ros) {
  const float gl = g[static_cast<std::size_t>(n + 1)];
  if (n % 2 == 0) {
    ros = 1.0f / (gl / zo);
    rod = zo * gl;
  } else {
    ros = zo * gl;
    rod = 1.0f / (gl / zo);
  }
}

void lpfltr(Capind& c, float& am, float fc, int32_t ires, int32_t n, float& rod, float& ros,
            float zo) {
  if (!valid_order(n)) {
    return;
  }
  pev1(c.g, n, am, ires);
  const float wc = cutoff(fc);
  for (int32_t k = 1; k <= n; ++k) {
    const float g = c.g[k];
    c.shuntc[k] = kPico * g / (zo * wc);
    c.serl[k] = kNano * g * zo / wc;
  }
  load_resistances(c.g, n, zo, rod, ros);
}

void hpfltr(Capind& c, float& am, float fc, int32_t ires, int32_t n, float& rod, float& ros,
            float zo) {
  if (!valid_order(n)) {
    return;
  }
  pev1(c.g, n, am, ires);
  const float wc = cutoff(fc);
  for (int32_t k = 1; k <= n; ++k) {
    const float g = c.g[k];
    c.shuntl[k] = kNano * zo / (g * wc);
    c.serc[k] = kPico / (g * wc * zo);
  }
  load_resistances(c.g, n, zo, rod, ros);
}

void bpfltr(Capind& c, float& am, float fhigh, float flow, int32_t ires, int32_t n, float& rod,
            float& ros, float zo) {
  if (!valid_order(n)) {
    return;
  }
  pev1(c.g, n, am, ires);
  const auto [wo, deltaw] = band(fhigh, flow);
  for (int32_t k = 1; k <= n; ++k) {
    const float g = c.g[k];
    c.shuntl[k] = kNano * zo * deltaw / (g * wo);
    c.shuntc[k] = kPico * g / (deltaw * wo * zo);
    c.serl[k] = kNano * g * zo / (deltaw * wo);
    c.serc[k] = kPico * deltaw / (g * wo * zo);
  }
  load_resistances(c.g, n, zo, rod, ros);
}

void bsfltr(Capind& c, float& am, float fhigh, float flow, int32_t ires, int32_t n, float& rod,
            float& ros, float zo) {
  if (!valid_order(n)) {
    return;
  }
  pev1(c.g, n, am, ires);
  const auto [wo, deltaw] = band(fhigh, flow);
  for (int32_t k = 1; k <= n; ++k) {
    const float g = c.g[k];
    c.shuntl[k] = kNano * zo / (wo * deltaw * g);
    c.shuntc[k] = kPico * g * deltaw / (zo * wo);
    c.serl[k] = kNano * zo * deltaw * g / wo;
    c.serc[k] = kPico / (wo * deltaw * g * zo);
  }
  load_resistances(c.g, n, zo, rod, ros);
}

}  // namespace varnholt

#include "synthesis/transform.h"

#include <cmath>

#include "common/units.h"
#include "synthesis/prototype.h"

namespace varnholt {
namespace {

constexpr float kNano = kNanohenriesPerHenry;
constexpr float kPico = kPicofaradsPerFarad;

bool valid_order(int32_t n) {
  return n >= 1 && n <= kMaxSections;
}

// Centre wo (rad/s, geometric mean of the edges) and fractional bandwidth deltaw.
struct Band {
  float wo;
  float deltaw;
};

Band band(float fhigh, float flow) {
  const float fl = flow * kHertzPerMegahertz;
  const float fh = fhigh * kHertzPerMegahertz;
  const float fo = std::sqrt(fl * fh);
  const float wo = 2.0f * kPi * fo;
  return {wo, 2.0f * kPi * (fh - fl) / wo};
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

namespace {

float cutoff(float fc) {
  const float fctemp = fc * kHertzPerMegahertz;
  return 2.0f * kPi * fctemp;
}

// The frame the four transformations share: nothing for an order outside
// 1..30; else the prototype, the element values of each position k from its
// prototype value g (`elements(k, g)`), and the loads.
template <typename Elements>
void transformed(Capind& c, float& am, int32_t ires, int32_t n, float& rod, float& ros, float zo,
                 Elements elements) {
  if (!valid_order(n)) {
    return;
  }
  pev1(c.g, n, am, ires);
  for (int32_t k = 1; k <= n; ++k) elements(k, c.g[k]);
  load_resistances(c.g, n, zo, rod, ros);
}

}  // namespace

void lpfltr(Capind& c, float& am, float fc, int32_t ires, int32_t n, float& rod, float& ros,
            float zo) {
  const float wc = cutoff(fc);
  transformed(c, am, ires, n, rod, ros, zo, [&](int32_t k, float g) {
    c.shuntc[k] = kPico * g / (zo * wc);
    c.serl[k] = kNano * g * zo / wc;
  });
}

void hpfltr(Capind& c, float& am, float fc, int32_t ires, int32_t n, float& rod, float& ros,
            float zo) {
  const float wc = cutoff(fc);
  transformed(c, am, ires, n, rod, ros, zo, [&](int32_t k, float g) {
    c.shuntl[k] = kNano * zo / (g * wc);
    c.serc[k] = kPico / (g * wc * zo);
  });
}

void bpfltr(Capind& c, float& am, float fhigh, float flow, int32_t ires, int32_t n, float& rod,
            float& ros, float zo) {
  // Plain names, not a structured binding: the lambda below captures them,
  // which clang before version 16 refuses for bindings.
  const Band b = band(fhigh, flow);
  const float wo = b.wo;
  const float deltaw = b.deltaw;
  transformed(c, am, ires, n, rod, ros, zo, [&](int32_t k, float g) {
    c.shuntl[k] = kNano * zo * deltaw / (g * wo);
    c.shuntc[k] = kPico * g / (deltaw * wo * zo);
    c.serl[k] = kNano * g * zo / (deltaw * wo);
    c.serc[k] = kPico * deltaw / (g * wo * zo);
  });
}

void bsfltr(Capind& c, float& am, float fhigh, float flow, int32_t ires, int32_t n, float& rod,
            float& ros, float zo) {
  // Plain names for the lambda, as in bpfltr.
  const Band b = band(fhigh, flow);
  const float wo = b.wo;
  const float deltaw = b.deltaw;
  transformed(c, am, ires, n, rod, ros, zo, [&](int32_t k, float g) {
    c.shuntl[k] = kNano * zo / (wo * deltaw * g);
    c.shuntc[k] = kPico * g * deltaw / (zo * wo);
    c.serl[k] = kNano * zo * deltaw * g / wo;
    c.serc[k] = kPico / (wo * deltaw * g * zo);
  });
}

}  // namespace varnholt

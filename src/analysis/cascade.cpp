#include "analysis/cascade.h"

#include <math.h>

#include <algorithm>

namespace varnholt {
namespace {

constexpr float kPi = 3.1415927f;
// Smallest magnitude allowed for a resonator denominator.
constexpr float kMinDenominator = 1e-15f;

constexpr ChainMatrix kIdentity = {{{1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 0.0f}}};

// Limits one part to +-1e15 keeping its sign. For a finite value this equals
// (v / |v|) * 1e15; written with copysign so that an infinite part is limited
// as well instead of turning into inf/inf = NaN.
inline float limited(float v) {
  return ::fabsf(v) > kProductLimit ? ::copysignf(kProductLimit, v) : v;
}

// Resonator denominator held away from zero with its sign kept. Since t is
// 1 minus a float near 1, it is either exactly 0 or at least 2^-24 from it,
// so in practice only an exact zero is held; it has no sign and becomes
// +1e-15, the side from which t = 1 - om^2 L C approaches below resonance.
inline float held(float t) {
  if (::fabsf(t) < kMinDenominator) {
    return t < 0.0f ? -kMinDenominator : kMinDenominator;
  }
  return t;
}

// One entry of a matrix product: x1[i] * x2[j] + x1[k] * x2[l], starting the
// sum from zero and rounding each partial sum.
inline void entry(ChainMatrix& out, int col, const ChainMatrix& x1, int i, int k,
                  const ChainMatrix& x2, int j, int l) {
  float pr = 0.0f;
  float pi = 0.0f;
  float sr = 0.0f;
  float si = 0.0f;
  nmult(1, pr, pi, x1[0][i], x1[1][i], x2[0][j], x2[1][j]);
  sr = sr + pr;
  si = si + pi;
  nmult(1, pr, pi, x1[0][k], x1[1][k], x2[0][l], x2[1][l]);
  sr = sr + pr;
  si = si + pi;
  out[0][col] = sr;
  out[1][col] = si;
}

}  // namespace

void nmult(int32_t ltype, float& xt, float& yt, float x1, float y1, float x2, float y2) {
  float r = 0.0f;
  float i = 0.0f;
  nprod(ltype, r, i, x1, y1, x2, y2);
  xt = limited(r);
  yt = limited(i);
}

void mmult(ChainMatrix& xt, const ChainMatrix& x1, const ChainMatrix& x2) {
  ChainMatrix out{};
  entry(out, kEntryA, x1, kEntryA, kEntryB, x2, kEntryA, kEntryC);  // A1 A2 + B1 C2
  entry(out, kEntryB, x1, kEntryA, kEntryB, x2, kEntryB, kEntryD);  // A1 B2 + B1 D2
  entry(out, kEntryC, x1, kEntryC, kEntryD, x2, kEntryA, kEntryC);  // C1 A2 + D1 C2
  entry(out, kEntryD, x1, kEntryC, kEntryD, x2, kEntryB, kEntryD);  // C1 B2 + D1 D2
  xt = out;
}

void eq(ChainMatrix& a, const ChainMatrix& b) { a = b; }

void cktle(float c1, float c2, float c3, ChainMatrix& e, float f, int32_t ic, int32_t& ierr) {
  ierr = 0;
  const float om = 2.0f * kPi * f;  // 1e6 rad/s
  const float oms = om * om;
  e = kIdentity;
  float& b = e[1][kEntryB];
  float& c = e[1][kEntryC];
  switch (ic) {
    case 2:  // series inductor: jwL
      b = om * c1 * 0.001f;
      break;
    case 3:  // series capacitor: 1/(jwC)
      b = -1.0f / (om * c1 * 1e-6f);
      break;
    case 6:  // shunt inductor: 1/(jwL)
      c = -1.0f / (om * c1 * 0.001f);
      break;
    case 7:  // shunt capacitor: jwC
      c = om * c1 * 1e-6f;
      break;
    case 16: {  // series L parallel C: jwL / (1 - w^2 L C)
      const float t = held(1.0f - c2 * oms * c3 * 1e-9f);
      b = om * c3 * 0.001f / t;
      break;
    }
    case 17:  // shunt L parallel C: jwC + 1/(jwL)
      c = om * c2 * 1e-6f - 1.0f / (om * c3 * 0.001f);
      break;
    case 18:  // series L in series with C: jwL + 1/(jwC)
      b = om * c3 * 0.001f - 1.0f / (om * c2 * 1e-6f);
      break;
    case 19: {  // shunt L in series with C: jwC / (1 - w^2 L C)
      const float t = held(1.0f - c2 * oms * c3 * 1e-9f);
      c = om * c2 * 1e-6f / t;
      break;
    }
    default:
      ierr = 1;
      break;
  }
}

void ladder(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t& ierr, int32_t n,
            ChainMatrix& rs) {
  ierr = 0;
  rs = kIdentity;
  // The element arrays hold positions 1..31; never walk past them.
  const int32_t last = std::min<int32_t>(n, kMaxPositions);
  bool series = (icfg == 2);
  ChainMatrix e{};
  ChainMatrix temp{};
  for (int32_t k = 1; k <= last; ++k) {
    int32_t ic = 0;
    float c1 = 0.0f;
    float c2 = 0.0f;
    float c3 = 0.0f;
    switch (ides) {
      case 2:
        ic = series ? 3 : 6;
        c1 = series ? c.serc[k] : c.shuntl[k];
        break;
      case 3:
        ic = series ? 18 : 17;
        c2 = series ? c.serc[k] : c.shuntc[k];
        c3 = series ? c.serl[k] : c.shuntl[k];
        break;
      case 4:
        ic = series ? 16 : 19;
        c2 = series ? c.serc[k] : c.shuntc[k];
        c3 = series ? c.serl[k] : c.shuntl[k];
        break;
      default:
        ic = series ? 2 : 7;
        c1 = series ? c.serl[k] : c.shuntc[k];
        break;
    }
    series = !series;
    cktle(c1, c2, c3, e, f, ic, ierr);
    if (ierr != 0) {
      return;
    }
    mmult(temp, rs, e);
    eq(rs, temp);
  }
}

}  // namespace varnholt

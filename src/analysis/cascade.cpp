#include "analysis/cascade.h"

#include <math.h>

#include "common/units.h"

namespace varnholt {
namespace {

constexpr float kMicroL = kMicrohenriesPerNanohenry;
constexpr float kMicroC = kMicrofaradsPerPicofarad;

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
    case kSeriesInductor:  // jwL
      b = om * c1 * kMicroL;
      break;
    case kSeriesCapacitor:  // 1/(jwC)
      b = -1.0f / (om * c1 * kMicroC);
      break;
    case kShuntInductor:  // 1/(jwL)
      c = -1.0f / (om * c1 * kMicroL);
      break;
    case kShuntCapacitor:  // jwC
      c = om * c1 * kMicroC;
      break;
    case kSeriesTank: {  // jwL / (1 - w^2 L C)
      const float t = held(1.0f - c2 * oms * c3 * kResonanceScale);
      b = om * c3 * kMicroL / t;
      break;
    }
    case kShuntTank:  // jwC + 1/(jwL)
      c = om * c2 * kMicroC - 1.0f / (om * c3 * kMicroL);
      break;
    case kSeriesResonator:  // jwL + 1/(jwC)
      b = om * c3 * kMicroL - 1.0f / (om * c2 * kMicroC);
      break;
    case kShuntResonator: {  // jwC / (1 - w^2 L C)
      const float t = held(1.0f - c2 * oms * c3 * kResonanceScale);
      c = om * c2 * kMicroC / t;
      break;
    }
    default:
      ierr = 1;
      break;
  }
}

ElementCall element_call(const Branch& b) {
  const BranchShape s = shape(b.kind);
  if (s.pairs != 1) return {};
  const bool series = b.placement == Placement::Series;
  const PairShape& p = s.pair[0];
  // Values from the float stores convert back exactly.
  const auto l = static_cast<float>(b.l[0]);
  const auto c = static_cast<float>(b.c[0]);
  if (p.has_l && p.has_c) {
    const bool tank = p.join == Join::Parallel;
    const int32_t ic = series ? (tank ? kSeriesTank : kSeriesResonator)
                              : (tank ? kShuntTank : kShuntResonator);
    return {ic, 0.0f, c, l};
  }
  if (p.has_l) return {series ? kSeriesInductor : kShuntInductor, l, 0.0f, 0.0f};
  if (p.has_c) return {series ? kSeriesCapacitor : kShuntCapacitor, c, 0.0f, 0.0f};
  return {};
}

namespace {

// rs = rs x (matrix of branch b at f); false with ierr set when cktle rejects b.
bool multiply_branch(const Branch& b, float f, int32_t& ierr, ChainMatrix& rs) {
  ChainMatrix e{};
  ChainMatrix temp{};
  const ElementCall call = element_call(b);
  cktle(call.c1, call.c2, call.c3, e, f, call.ic, ierr);
  if (ierr != 0) return false;
  mmult(temp, rs, e);
  eq(rs, temp);
  return true;
}

}  // namespace

void ladder(const Ladder& lad, float f, int32_t& ierr, ChainMatrix& rs) {
  ierr = 0;
  rs = kIdentity;
  for (const Branch& b : lad.branches) {
    if (!multiply_branch(b, f, ierr, rs)) return;
  }
}

void ladder(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t& ierr, int32_t n,
            ChainMatrix& rs) {
  ierr = 0;
  rs = kIdentity;
  const FilterType type = filter_type(ides);
  const Configuration config = configuration(icfg);
  const int32_t last = position_count(n);
  for (int32_t k = 1; k <= last; ++k) {
    if (!multiply_branch(branch_from_stores(c, type, config, k), f, ierr, rs)) return;
  }
}

}  // namespace varnholt

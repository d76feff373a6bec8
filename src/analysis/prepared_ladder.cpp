#include "analysis/prepared_ladder.h"

#include <cstring>
#include <limits>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "common/units.h"

namespace varnholt {
namespace {

// Four floats handled by one instruction where the target has vectors. Every
// lane is rounded exactly as the scalar operation would round it.
using V4 = float __attribute__((vector_size(16)));
using I4 = int32_t __attribute__((vector_size(16)));

inline V4 splat(float v) { return V4{v, v, v, v}; }

inline V4 load(const float* p) {
  V4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline I4 load_mask(const uint32_t* p) {
  I4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline V4 magnitude(V4 v) { return reinterpret_cast<V4>(reinterpret_cast<I4>(v) & 0x7FFFFFFF); }

// min(v, hi) as v < hi ? v : hi and max(v, lo) as v > lo ? v : lo, lane by
// lane; the x86 instructions are exactly these selections.
inline V4 lane_min(V4 v, V4 hi) {
#if defined(__SSE__)
  return _mm_min_ps(v, hi);
#else
  return v < hi ? v : hi;
#endif
}
inline V4 lane_max(V4 v, V4 lo) {
#if defined(__SSE__)
  return _mm_max_ps(v, lo);
#else
  return v > lo ? v : lo;
#endif
}

// The +-1e15 limit of nmult, lane by lane. For every value but NaN (which
// the callers exclude) this equals (|v| > L) ? copysign(L, v) : v.
inline V4 limited(V4 v) {
  return lane_max(lane_min(v, splat(kProductLimit)), splat(-kProductLimit));
}

// The resonator denominator held away from zero as cktle holds it.
inline V4 held(V4 t) {
  const V4 min = splat(kMinDenominator);
  const V4 signed_min = t < splat(0.0f) ? -min : min;
  return magnitude(t) < min ? signed_min : t;
}

// (re, im) pairs of two entries swapped within each pair: (a, b, c, d) ->
// (b, a, d, c).
inline V4 swap_pairs(V4 v) { return __builtin_shufflevector(v, v, 1, 0, 3, 2); }

// The running product is kept as u = (A re, A im, C re, C im) and
// w = (B re, B im, D re, D im).
//
// Why the general product reduces to these steps, bit for bit: mmult forms
// each entry as (0 + lim(P1)) + lim(P2). For a series branch
// [[1, j b], [0, 1]], A' = (0 + lim(A 1)) + lim(B 0). With finite entries
// B 0 is a zero, and the x 0 cross terms inside A 1 are zeros too, so
// A' = lim(A) + 0: the same as lim(A) unless that is -0. No entry of the
// running product is ever -0 (the identity has none, a sum is -0 only when
// both terms are, and every entry is such a sum), so A' = lim(A). Likewise
// B' = (0 + lim(A j b)) + lim(B 1) = lim(A j b) + B, where B needs no limit
// since the step before (a shunt branch, or the identity) limited it. The
// shunt branch is the mirror image. Finite branch entries keep every
// product finite or limited; with an infinite or NaN one the general
// product is used instead.
//
// Series branch, B = j b: B' = A (j b) + B and D' = C (j b) + D, with every
// product term limited, while A and C only pass through the limit. The
// product of (x + j y) and j b is (-y b) + j (x b); swap_pairs(u) times
// sb = (-b, b, -b, b) forms it for A and C at once.
inline void series_step(V4& u, V4& w, V4 sb) {
  const V4 term = limited(swap_pairs(u) * sb);
  w = w + term;
  u = limited(u);
}

// Shunt branch, C = j c: A' = A + B (j c) and C' = C + D (j c); B and D pass
// through the limit. sc = (-c, c, -c, c).
inline void shunt_step(V4& u, V4& w, V4 sc) {
  const V4 term = limited(swap_pairs(w) * sc);
  u = u + term;
  w = limited(w);
}

// The values of one branch in the order of its formula (see prepared_ladder.h),
// read from its cktle call; false for a branch the float cascade cannot form.
bool branch_terms(const Branch& b, PreparedLadder::Formula& formula, float& x, float& xs,
                  float& y, float& ys) {
  using F = PreparedLadder::Formula;
  constexpr float kMicroL = kMicrohenriesPerNanohenry;
  constexpr float kMicroC = kMicrofaradsPerPicofarad;
  const ElementCall e = element_call(b);
  y = 0.0f;
  ys = 0.0f;
  switch (e.ic) {
    case kSeriesInductor: formula = F::Direct, x = e.c1, xs = kMicroL; return true;
    case kShuntCapacitor: formula = F::Direct, x = e.c1, xs = kMicroC; return true;
    case kSeriesCapacitor: formula = F::Inverse, x = e.c1, xs = kMicroC; return true;
    case kShuntInductor: formula = F::Inverse, x = e.c1, xs = kMicroL; return true;
    case kSeriesResonator:
      formula = F::Sum, x = e.c3, xs = kMicroL, y = e.c2, ys = kMicroC;
      return true;
    case kShuntTank:
      formula = F::Sum, x = e.c2, xs = kMicroC, y = e.c3, ys = kMicroL;
      return true;
    case kSeriesTank:
      formula = F::Resonant, x = e.c3, xs = kMicroL, y = e.c2, ys = e.c3;
      return true;
    case kShuntResonator:
      formula = F::Resonant, x = e.c2, xs = kMicroC, y = e.c2, ys = e.c3;
      return true;
    default: return false;
  }
}

}  // namespace

PreparedLadder::PreparedLadder(const Capind& c, int32_t icfg, int32_t ides, int32_t n)
    : PreparedLadder(ladder_from_stores(c, filter_type(ides), configuration(icfg), n)) {}

PreparedLadder::PreparedLadder(const Ladder& ladder)
    : ladder_(ladder), count_(static_cast<int32_t>(ladder.branches.size())) {
  // The fast walk needs alternating branches of one formula that fit the
  // slots; any other ladder goes through the general product.
  general_ = count_ > kSlots;
  first_series_ = count_ > 0 && ladder.branches[0].placement == Placement::Series;
  for (int32_t slot = 0; slot < count_ && !general_; ++slot) {
    const Branch& b = ladder.branches[static_cast<std::size_t>(slot)];
    Formula f = Formula::Direct;
    const bool series = (slot % 2 == 0) == first_series_;
    general_ = !branch_terms(b, f, x_[slot], xs_[slot], y_[slot], ys_[slot]) ||
               (b.placement == Placement::Series) != series || (slot > 0 && f != formula_);
    formula_ = f;
    used_[slot] = 0xFFFFFFFFu;
  }
}

namespace {

// The imaginary entry of each branch, four branches at a time, by the
// branch formula (see prepared_ladder.h).
template <PreparedLadder::Formula F>
inline V4 branch_entry(V4 om4, V4 oms4, V4 x, V4 xs, V4 y, V4 ys) {
  using enum PreparedLadder::Formula;
  if constexpr (F == Inverse) {
    (void)oms4, (void)y, (void)ys;
    return splat(-1.0f) / (om4 * x * xs);
  } else if constexpr (F == Sum) {
    (void)oms4;
    return om4 * x * xs - splat(1.0f) / (om4 * y * ys);
  } else if constexpr (F == Resonant) {
    const V4 t = held(splat(1.0f) - y * oms4 * ys * splat(kResonanceScale));
    return om4 * x * xs / t;
  } else {
    (void)oms4, (void)y, (void)ys;
    return om4 * x * xs;
  }
}

}  // namespace

template <PreparedLadder::Formula F>
bool PreparedLadder::entries_for(float f, float* out) const {
  const float om = 2.0f * kPi * f;  // exactly as cktle forms it
  const float oms = om * om;
  const V4 om4 = splat(om);
  const V4 oms4 = splat(oms);
  const V4 infinity = splat(std::numeric_limits<float>::infinity());
  I4 bad = {0, 0, 0, 0};
  for (int slot = 0; slot < count_; slot += 4) {
    const V4 v = branch_entry<F>(om4, oms4, load(x_ + slot), load(xs_ + slot), load(y_ + slot),
                                 load(ys_ + slot));
    // Unused slots hold 0, x 0: whatever they compute is not looked at.
    bad |= ~(magnitude(v) < infinity) & load_mask(used_ + slot);
    // Each entry e as (-e, e, -e, e), the form the steps multiply by.
    const V4 n = -v;
    const V4 e0 = __builtin_shufflevector(n, v, 0, 4, 0, 4);
    const V4 e1 = __builtin_shufflevector(n, v, 1, 5, 1, 5);
    const V4 e2 = __builtin_shufflevector(n, v, 2, 6, 2, 6);
    const V4 e3 = __builtin_shufflevector(n, v, 3, 7, 3, 7);
    std::memcpy(out + 4 * slot, &e0, sizeof e0);
    std::memcpy(out + 4 * slot + 4, &e1, sizeof e1);
    std::memcpy(out + 4 * slot + 8, &e2, sizeof e2);
    std::memcpy(out + 4 * slot + 12, &e3, sizeof e3);
  }
  return (bad[0] | bad[1] | bad[2] | bad[3]) == 0;
}

bool PreparedLadder::branch_entries(float f, float* out) const {
  switch (formula_) {
    case Formula::Inverse: return entries_for<Formula::Inverse>(f, out);
    case Formula::Sum: return entries_for<Formula::Sum>(f, out);
    case Formula::Resonant: return entries_for<Formula::Resonant>(f, out);
    case Formula::Direct: break;
  }
  return entries_for<Formula::Direct>(f, out);
}

template <int N>
void PreparedLadder::walk(const float (*entries)[kEntryFloats], ChainMatrix* rs) const {
  V4 u[N];
  V4 w[N];
  for (int j = 0; j < N; ++j) {
    u[j] = V4{1.0f, 0.0f, 0.0f, 0.0f};
    w[j] = V4{0.0f, 0.0f, 1.0f, 0.0f};
  }
  // Branches alternate; the ladders of one call share the pattern, so their
  // steps interleave.
  int k = 0;
  if (!first_series_ && k < count_) {
    for (int j = 0; j < N; ++j) shunt_step(u[j], w[j], load(entries[j] + 4 * k));
    ++k;
  }
  for (; k + 1 < count_; k += 2) {
    for (int j = 0; j < N; ++j) series_step(u[j], w[j], load(entries[j] + 4 * k));
    for (int j = 0; j < N; ++j) shunt_step(u[j], w[j], load(entries[j] + 4 * (k + 1)));
  }
  if (k < count_) {
    for (int j = 0; j < N; ++j) series_step(u[j], w[j], load(entries[j] + 4 * k));
  }
  for (int j = 0; j < N; ++j) {
    rs[j][0] = {u[j][0], w[j][0], u[j][2], w[j][2]};
    rs[j][1] = {u[j][1], w[j][1], u[j][3], w[j][3]};
  }
}

void PreparedLadder::cascade(const float* f, ChainMatrix* rs, int count) const {
  alignas(16) float entries[kBatch][kEntryFloats];
  // Frequencies whose branch entries are all finite go through the fast
  // walk; the others through the general product.
  int fast[kBatch];
  int fast_count = 0;
  for (int j = 0; j < count; ++j) {
    if (!general_ && branch_entries(f[j], entries[fast_count])) {
      fast[fast_count++] = j;
    } else {
      int32_t ierr = 0;
      ladder(ladder_, f[j], ierr, rs[j]);
      ++fallbacks_;
    }
  }
  if (fast_count == count) {
    switch (count) {
      case 1: walk<1>(entries, rs); return;
      case 2: walk<2>(entries, rs); return;
      case 3: walk<3>(entries, rs); return;
      case 4: walk<4>(entries, rs); return;
      case 5: walk<5>(entries, rs); return;
      case 6: walk<6>(entries, rs); return;
      case 7: walk<7>(entries, rs); return;
      default: walk<8>(entries, rs); return;
    }
  }
  for (int i = 0; i < fast_count; ++i) walk<1>(entries + i, rs + fast[i]);
}

}  // namespace varnholt

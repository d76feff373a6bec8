// The ladder cascade for long sweeps: the element values of one ladder laid
// out once, then chain matrices at many frequencies, several at a time.
//
// Every matrix is bit for bit the one `ladder` gives at the same frequency.
// Each branch matrix has A = D = 1 and a single imaginary off-diagonal entry,
// so of the eight clamped products per entry of the general 2x2 product only
// one is not a product with 0 or 1. With finite branch entries the omitted
// products change neither value nor sign of any entry (the entries of the
// running product are never -0, which is what makes the zero terms drop out);
// a frequency at which some branch entry is infinite or NaN is handed to
// `ladder` itself, and so is every frequency of a ladder whose branches do
// not alternate or do not share one formula (no ladder of the stores).
//
// Per branch the entry is one of four formulas of two values x, y and their
// factors xs, ys (om in 1e6 rad/s):
//   Direct    om x xs                      series L, shunt C
//   Inverse   -1 / (om x xs)               series C, shunt L
//   Sum       om x xs - 1 / (om y ys)      series L + C, shunt L || C
//   Resonant  om x xs / held(1 - y oms ys 1e-9)   series L || C, shunt L + C
// with y = C and ys = L in the last.
#pragma once

#include <cstdint>

#include "analysis/cascade.h"
#include "common/stores.h"
#include "ladder/ladder.h"

namespace varnholt {

class PreparedLadder {
 public:
  // Most frequencies one call of `cascade` evaluates together.
  static constexpr int kBatch = 8;

  enum class Formula : uint8_t { Direct, Inverse, Sum, Resonant };

  // The ladder (copied).
  explicit PreparedLadder(const Ladder& ladder);
  // The ladder of the element stores that `ladder` would walk for these arguments.
  PreparedLadder(const Capind& c, int32_t icfg, int32_t ides, int32_t n);

  // rs[j] = the chain matrix `ladder` gives at f[j], for j < count
  // (1 <= count <= kBatch). The frequencies are independent of each other;
  // evaluating them together only keeps the processor busy.
  void cascade(const float* f, ChainMatrix* rs, int count) const;

  // Frequencies handed to `ladder` so far (non-finite branch entries).
  int64_t fallbacks() const { return fallbacks_; }

 private:
  static constexpr int kSlots = 32;  // branch slots, a multiple of 4
  static constexpr int kEntryFloats = 4 * kSlots;

  // The imaginary branch entries e at frequency f, each stored as the four
  // floats (-e, e, -e, e); false when one is not finite.
  bool branch_entries(float f, float* out) const;
  template <Formula F>
  bool entries_for(float f, float* out) const;

  template <int N>
  void walk(const float (*entries)[kEntryFloats], ChainMatrix* rs) const;

  Ladder ladder_;
  int32_t count_;              // branches walked
  bool first_series_ = false;  // branch 1 is a series branch
  bool general_ = false;       // every frequency goes through `ladder`
  Formula formula_ = Formula::Direct;
  // Per branch k (slot k - 1), the two element values and their factors in
  // the order the branch formula uses them.
  alignas(16) float x_[kSlots] = {};
  alignas(16) float xs_[kSlots] = {};
  alignas(16) float y_[kSlots] = {};
  alignas(16) float ys_[kSlots] = {};
  alignas(16) uint32_t used_[kSlots] = {};  // all ones for slots of real branches
  mutable int64_t fallbacks_ = 0;
};

}  // namespace varnholt

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
// `ladder` itself.
#pragma once

#include <cstdint>

#include "analysis/cascade.h"
#include "common/stores.h"

namespace varnholt {

class PreparedLadder {
 public:
  // Most frequencies one call of `cascade` evaluates together.
  static constexpr int kBatch = 8;

  // The ladder `ladder` would walk for these arguments (the element values
  // are copied).
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
  template <int Ides>
  bool entries_for(float f, float* out) const;

  template <int N>
  void walk(const float (*entries)[kEntryFloats], ChainMatrix* rs) const;

  Capind capind_;
  int32_t icfg_;
  int32_t ides_;
  int32_t n_;
  int32_t count_;       // branches walked
  bool first_series_;   // branch 1 is a series branch
  // Per branch k (slot k - 1), the two element values and their unit factors
  // in the order the branch formula uses them (see prepared_ladder.cpp).
  alignas(16) float x_[kSlots] = {};
  alignas(16) float xs_[kSlots] = {};
  alignas(16) float y_[kSlots] = {};
  alignas(16) float ys_[kSlots] = {};
  alignas(16) uint32_t used_[kSlots] = {};  // all ones for slots of real branches
  mutable int64_t fallbacks_ = 0;
};

}  // namespace varnholt

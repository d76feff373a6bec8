// Chain (ABCD) matrix of a lossless LC ladder at one analysis frequency.
//
// A chain matrix holds the four complex entries A, B, C, D of [[A, B], [C, D]]:
// row 0 the real parts, row 1 the imaginary parts, columns 0..3 the entries
// A, B, C, D. Input voltage and current relate to the output ones by this
// matrix, so the matrix of a cascade is the product of its branch matrices
// taken from the source side.
//
// All arithmetic is 32-bit float, each operation rounded as it is written, so
// that swept reports reproduce to the last printed digit. Nothing here
// allocates or keeps state; a sweep calls these millions of times.
#pragma once

#include <array>
#include <cstdint>

#include "common/stores.h"
#include "ladder/ladder.h"

namespace varnholt {

using ChainMatrix = std::array<std::array<float, 4>, 2>;

// Column numbers of the four entries.
inline constexpr int kEntryA = 0;
inline constexpr int kEntryB = 1;
inline constexpr int kEntryC = 2;
inline constexpr int kEntryD = 3;

// Largest magnitude a real or imaginary part of a chain-product term may take
// (the float nearest 1e15, 999999986991104).
inline constexpr float kProductLimit = 1e15f;

// Complex product without any limit on the result. ltype 2 multiplies
// (x1 + j y1) by the conjugate of (x2 + j y2); any other ltype forms the plain
// product. The real part is formed first, each product and sum rounded to
// float in the order written.
inline void nprod(int32_t ltype, float& xt, float& yt, float x1, float y1, float x2, float y2) {
  if (ltype == 2) {
    xt = x1 * x2 + y1 * y2;
    yt = x2 * y1 - x1 * y2;
  } else {
    xt = x1 * x2 - y1 * y2;
    yt = x2 * y1 + x1 * y2;
  }
}

// The complex product of nprod with each part then limited to +-1e15, sign
// kept. An infinite part becomes +-1e15 as well; NaN passes through.
void nmult(int32_t ltype, float& xt, float& yt, float x1, float y1, float x2, float y2);

// xt = x1 * x2, every term product limited by nmult. xt may be one of the
// inputs: the result is built aside and copied in at the end.
void mmult(ChainMatrix& xt, const ChainMatrix& x1, const ChainMatrix& x2);

// Copies b into a.
void eq(ChainMatrix& a, const ChainMatrix& b);

// Element codes of cktle: which branch matrix it forms from c1, c2, c3.
enum ElementCode : int32_t {
  kSeriesInductor = 2,     // L (c1, nH)
  kSeriesCapacitor = 3,    // C (c1, pF)
  kShuntInductor = 6,      // L (c1, nH)
  kShuntCapacitor = 7,     // C (c1, pF)
  kSeriesTank = 16,        // series branch, L (c3) parallel C (c2)
  kShuntTank = 17,         // shunt branch, L (c3) parallel C (c2)
  kSeriesResonator = 18,   // series branch, L (c3) in series with C (c2)
  kShuntResonator = 19,    // shunt branch, L (c3) in series with C (c2)
};

// Smallest magnitude allowed for a resonator denominator 1 - w^2 L C.
inline constexpr float kMinDenominator = 1e-15f;

// Branch matrix e of one ladder branch at frequency f (MHz) for element code
// ic. ierr is 0, or 1 for any other code (e is then the identity).
void cktle(float c1, float c2, float c3, ChainMatrix& e, float f, int32_t ic, int32_t& ierr);

// The cktle call of one branch, read from its shape. The float cascade forms
// the one-pair kinds; a branch of two pairs gets code 0, which cktle rejects.
struct ElementCall {
  int32_t ic = 0;
  float c1 = 0.0f;
  float c2 = 0.0f;
  float c3 = 0.0f;
};
ElementCall element_call(const Branch& b);

// Chain matrix rs of the ladder at f (MHz), branches in order from the
// source. ierr is the first non-zero code of cktle, else 0 (rs is then the
// product so far).
void ladder(const Ladder& lad, float f, int32_t& ierr, ChainMatrix& rs);

// The same for the ladder of the element stores (ladder_from_stores with
// filter_type(ides), configuration(icfg)): positions 1..n, at most 31; n <= 0
// gives the identity.
void ladder(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t& ierr, int32_t n,
            ChainMatrix& rs);

}  // namespace varnholt

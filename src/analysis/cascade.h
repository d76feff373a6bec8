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

// a = b.
void eq(ChainMatrix& a, const ChainMatrix& b);

// Branch matrix e of one ladder branch at frequency f (MHz). Element codes:
//   2 series L (c1, nH)            3 series C (c1, pF)
//   6 shunt L (c1, nH)             7 shunt C (c1, pF)
//  16 series branch, L (c3) parallel C (c2)
//  17 shunt branch,  L (c3) parallel C (c2)
//  18 series branch, L (c3) in series with C (c2)
//  19 shunt branch,  L (c3) in series with C (c2)
// ierr is 0, or 1 for any other code (e is then the identity).
void cktle(float c1, float c2, float c3, ChainMatrix& e, float f, int32_t ic, int32_t& ierr);

// Chain matrix rs of the whole ladder at f (MHz): positions 1..n from the
// source. icfg 2 starts with a series branch, any other value with a shunt
// branch; branches then alternate. ides 2 high-pass, 3 band-pass, 4 band-stop,
// anything else low-pass. n <= 0 gives the identity; at most 31 positions are
// read. ierr is the first non-zero code of cktle, else 0.
void ladder(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t& ierr, int32_t n,
            ChainMatrix& rs);

}  // namespace varnholt

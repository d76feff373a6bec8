// The digits are found by exact integer arithmetic on the binary value (the
// method of Giulietti's "The Schubfach way to render doubles", 2020): the
// value's rounding interval is scaled by a 126-bit approximation of a power
// of ten, and the shortest decimal inside it, nearest the value (even on a
// tie), is picked among at most four candidates.
#include "common/shortest.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace varnholt {
namespace {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

// g(k) = floor(10^-k 2^-r) + 1, r = floor(-k log2 10) - 125, as its high
// and low 63 bits, for k = kMinK .. 292.
struct Scale {
  u64 high;
  u64 low;
};
constexpr Scale kScales[] = {
#include "common/shortest_table.inc"
};
constexpr int kMinK = -324;

constexpr int kMinQ = -1074;         // exponent of the least subnormal
constexpr u64 kHidden = u64{1} << 52;  // the significand's implicit bit
constexpr u64 kLow63 = (u64{1} << 63) - 1;

// floor(q log10 2), floor(log10(3/4 2^q)) and floor(e log2 10), exact over
// the exponents of doubles.
int floor_log10_pow2(int q) { return static_cast<int>((int64_t{q} * 661971961083) >> 41); }
int floor_log10_three_quarters_pow2(int q) {
  return static_cast<int>((int64_t{q} * 661971961083 - 274743187321) >> 41);
}
int floor_log2_pow10(int e) { return static_cast<int>((int64_t{e} * 913124641741) >> 38); }

u64 multiply_high(u64 a, u64 b) { return static_cast<u64>((u128{a} * b) >> 64); }

// g cp 2^-127, rounded to odd: exact enough to decide each comparison.
u64 scaled(const Scale& g, u64 cp) {
  const u64 x1 = multiply_high(g.low, cp);
  const u64 y0 = g.high * cp;
  const u64 y1 = multiply_high(g.high, cp);
  const u64 z = (y0 >> 1) + x1;
  const u64 vbp = y1 + (z >> 63);
  return vbp | (((z & kLow63) + kLow63) >> 63);
}

struct Decimal {
  u64 digits;
  int exponent;  // the value is digits 10^exponent
};

// The shortest decimal that rounds to c 2^q.
Decimal to_decimal(int q, u64 c) {
  const u64 odd = c & 1;  // an odd significand excludes its interval's ends
  const u64 cb = c << 2;
  const u64 cbr = cb + 2;
  u64 cbl;
  int k;
  if (c != kHidden || q == kMinQ) {
    cbl = cb - 2;
    k = floor_log10_pow2(q);
  } else {  // a power of two: the interval below is half as wide
    cbl = cb - 1;
    k = floor_log10_three_quarters_pow2(q);
  }
  const int h = q + floor_log2_pow10(-k) + 2;
  const Scale& g = kScales[k - kMinK];
  const u64 vb = scaled(g, cb << h);
  const u64 vbl = scaled(g, cbl << h);
  const u64 vbr = scaled(g, cbr << h);
  const u64 s = vb >> 2;
  if (s >= 10) {  // one digit fewer, when exactly one of its neighbours is inside
    const u64 sp10 = 10 * (s / 10);
    const u64 tp10 = sp10 + 10;
    const bool upin = vbl + odd <= sp10 << 2;
    const bool wpin = (tp10 << 2) + odd <= vbr;
    if (upin != wpin) return {upin ? sp10 : tp10, k};
  }
  const u64 t = s + 1;
  const bool uin = vbl + odd <= s << 2;
  const bool win = (t << 2) + odd <= vbr;
  if (uin != win) return {uin ? s : t, k};
  const auto cmp = static_cast<int64_t>(vb - ((s + t) << 1));
  return {cmp < 0 || (cmp == 0 && (s & 1) == 0) ? s : t, k};
}

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void put_pair(char* at, unsigned v) { std::memcpy(at, kPairs + 2 * v, 2); }

// The eight digits of v < 10^8, leading zeros included, at `at`.
[[gnu::always_inline]] inline void put_eight(char* at, uint32_t v) {
  const uint32_t high = v / 10000;
  const uint32_t low = v % 10000;
  put_pair(at, high / 100);
  put_pair(at + 2, high % 100);
  put_pair(at + 4, low / 100);
  put_pair(at + 6, low % 100);
}

// The decimal digits of v ending at `end`; returns where they begin.
char* digits_before(char* end, u64 v) {
  while (v >= 100000000) {
    const u64 high = v / 100000000;
    end -= 8;
    put_eight(end, static_cast<uint32_t>(v - high * 100000000));
    v = high;
  }
  auto small = static_cast<uint32_t>(v);
  while (small >= 100) {
    end -= 2;
    put_pair(end, small % 100);
    small /= 100;
  }
  if (small >= 10) {
    end -= 2;
    put_pair(end, small);
  } else {
    *--end = static_cast<char>('0' + small);
  }
  return end;
}

// The digits of an integer of up to 38 digits ending at `end`.
char* digits_before(char* end, u128 v) {
  constexpr u64 kTen16 = 10000000000000000ULL;
  while (v >= kTen16) {
    const auto part = static_cast<u64>(v % kTen16);
    end -= 16;
    put_eight(end, static_cast<uint32_t>(part / 100000000));
    put_eight(end + 8, static_cast<uint32_t>(part % 100000000));
    v /= kTen16;
  }
  return digits_before(end, static_cast<u64>(v));
}

// d laid out as std::to_chars lays out a shortest decimal. In fixed notation
// an integer of 2^52 or more (`whole`, when not 0) is written exactly, all
// its digits rather than the shortest ones followed by zeros. The copies are
// of fixed sizes (the room kShortestChars leaves), so that they compile to a
// few moves.
char* write_decimal(char* out, Decimal d, u128 whole = 0) {
  while (d.digits % 10 == 0) {
    d.digits /= 10;
    ++d.exponent;
  }
  // The digits end at the middle of the buffer; an integer's zeros follow them.
  char buffer[48];
  const char* first = digits_before(buffer + 24, d.digits);
  const int n = static_cast<int>(buffer + 24 - first);
  const int e = d.exponent + n - 1;  // of the leading digit
  const int abs_e = e < 0 ? -e : e;
  const int scientific_length = n + (n > 1 ? 1 : 0) + 2 + (abs_e >= 100 ? 3 : 2);
  const int fixed_length = e >= n - 1 ? e + 1 : (e >= 0 ? n + 1 : n + 1 - e);
  if (fixed_length <= scientific_length) {
    if (whole != 0) first = digits_before(buffer + 24, whole);
    if (e >= n - 1) {  // an integer: the digits and their zeros
      std::memset(buffer + 24, '0', 24);
      std::memcpy(out, first, 24);
      return out + e + 1;
    }
    if (e >= 0) {
      std::memcpy(out, first, 16);
      out[e + 1] = '.';
      std::memcpy(out + e + 2, first + e + 1, 16);
      return out + n + 1;
    }
    std::memcpy(out, "0.000", 5);  // at most three zeros after the point
    std::memcpy(out + 1 - e, first, 17);
    return out + n + 1 - e;
  }
  out[0] = first[0];
  out[1] = '.';
  std::memcpy(out + 2, first + 1, 16);
  out += n > 1 ? n + 1 : 1;
  *out++ = 'e';
  *out++ = e < 0 ? '-' : '+';
  if (abs_e >= 100) *out++ = static_cast<char>('0' + abs_e / 100);
  put_pair(out, static_cast<unsigned>(abs_e % 100));
  return out + 2;
}

}  // namespace

char* write_shortest(char* out, double value) {
  const auto bits = std::bit_cast<u64>(value);
  const u64 fraction = bits & (kHidden - 1);
  const int biased = static_cast<int>(bits >> 52) & 0x7ff;
  if (biased == 0x7ff || (biased == 0 && fraction == 0)) {  // infinities, NaN, zeros
    return std::to_chars(out, out + kShortestChars, value).ptr;
  }
  if (bits >> 63) *out++ = '-';
  if (biased == 0) return write_decimal(out, to_decimal(kMinQ, fraction));  // subnormal
  const int shift = 1075 - biased;
  const u64 c = kHidden | fraction;
  if (shift > 0 && shift < 53 && ((c >> shift) << shift) == c) {  // an integer below 2^53
    return write_decimal(out, {c >> shift, 0});
  }
  // Fixed notation is only chosen below 10^22 < 2^75, where the integer fits.
  const bool whole = shift <= 0 && -shift < 75;
  return write_decimal(out, to_decimal(-shift, c), whole ? u128{c} << -shift : 0);
}

}  // namespace varnholt

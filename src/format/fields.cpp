#include "format/fields.h"

#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>

namespace varnholt {
namespace {

constexpr uint64_t kPow10[] = {1ULL,
                               10ULL,
                               100ULL,
                               1000ULL,
                               10000ULL,
                               100000ULL,
                               1000000ULL,
                               10000000ULL,
                               100000000ULL,
                               1000000000ULL,
                               10000000000ULL,
                               100000000000ULL,
                               1000000000000ULL,
                               10000000000000ULL,
                               100000000000000ULL,
                               1000000000000000ULL,
                               10000000000000000ULL,
                               100000000000000000ULL,
                               1000000000000000000ULL};

void append_blanks(std::string& out, int count) {
  if (count > 0) out.append(static_cast<std::size_t>(count), ' ');
}

void append_right(std::string& out, std::string_view text, int w) {
  if (static_cast<int>(text.size()) > w) {
    out.append(static_cast<std::size_t>(w), '*');
    return;
  }
  append_blanks(out, w - static_cast<int>(text.size()));
  out.append(text);
}

// "00", "01", ..., "99": digits are written two at a time, from the right.
constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Each writer puts its digits just before `end` and returns the first one.
template <typename Uint>
char* write_pair(char* end, Uint two_digits) {
  end -= 2;
  std::memcpy(end, &kDigitPairs[2 * two_digits], 2);
  return end;
}

// The last `count` digits of v, leading zeros included; drops them from v.
template <typename Uint>
char* write_low_digits(char* end, Uint& v, int count) {
  for (; count >= 2; count -= 2) {
    end = write_pair(end, v % 100);
    v /= 100;
  }
  if (count == 1) {
    *--end = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return end;
}

// All the digits of v, at least one.
template <typename Uint>
char* write_digits(char* end, Uint v) {
  for (; v >= 100; v /= 100) end = write_pair(end, v % 100);
  if (v >= 10) return write_pair(end, v);
  *--end = static_cast<char>('0' + v);
  return end;
}

// scaled / 10^d with d decimals after the point; nothing before the point
// when the integer part is 0.
template <typename Uint>
char* write_scaled(char* end, Uint scaled, int d) {
  char* begin = write_low_digits(end, scaled, d);
  *--begin = '.';
  return scaled == 0 ? begin : write_digits(begin, scaled);
}

// |value| * 10^d rounded to an integer, ties away from zero, computed exactly
// from the float's integer mantissa and binary exponent. The caller makes sure
// that the result is below 10^18.
uint64_t scaled_magnitude(float value, int d) {
  const uint32_t bits = std::bit_cast<uint32_t>(value);
  const int biased = static_cast<int>((bits >> 23) & 0xFF);
  uint64_t mantissa = bits & 0x7FFFFF;
  int exponent;  // value = mantissa * 2^exponent
  if (biased == 0) {
    exponent = -149;
  } else {
    mantissa |= 0x800000;
    exponent = biased - 150;
  }
  const uint64_t scaled = mantissa * kPow10[d];  // below 2^24 * 10^6
  if (exponent >= 0) return scaled << exponent;
  const int shift = -exponent;
  if (shift >= 63) return 0;  // scaled < 2^44, so below one half
  const uint64_t quotient = scaled >> shift;
  const uint64_t remainder = scaled - (quotient << shift);
  return (remainder << 1) >= (uint64_t{1} << shift) ? quotient + 1 : quotient;
}

void append_non_finite(std::string& out, float value, int w) {
  if (std::isnan(value)) {
    append_right(out, w >= 3 ? "NaN" : "***", w);
  } else if (value > 0) {
    append_right(out, w >= 8 ? "Infinity" : (w >= 3 ? "Inf" : "***"), w);
  } else {
    append_right(out, w >= 9 ? "-Infinity" : (w >= 4 ? "-Inf" : "****"), w);
  }
}

}  // namespace

void append_int(std::string& out, int32_t value, int w) {
  char buf[16];
  char* end = buf + sizeof buf;
  const auto bits = static_cast<uint32_t>(value);
  const uint32_t magnitude = value < 0 ? 0u - bits : bits;  // INT32_MIN too
  char* begin = write_digits(end, magnitude);
  if (value < 0) *--begin = '-';
  append_right(out, std::string_view(begin, static_cast<std::size_t>(end - begin)), w);
}

void append_fixed(std::string& out, float value, int w, int d) {
  assert(w >= 1 && w <= kMaxFixedWidth && d >= 0 && d <= kMaxFixedDecimals && d < w);
  if (!std::isfinite(value)) {
    append_non_finite(out, value, w);
    return;
  }
  // At 10^(w-d) or more the integer digits alone fill the field; below it the
  // scaled integer stays under 10^18, so the exact path fits in 64 bits.
  const float magnitude = std::fabs(value);
  if (static_cast<double>(magnitude) >= static_cast<double>(kPow10[w - d])) {
    out.append(static_cast<std::size_t>(w), '*');
    return;
  }
  const uint64_t scaled = scaled_magnitude(magnitude, d);

  // The field is built from the right in a row of blanks. The text has at
  // most w - d + 1 integer digits (a rounding carry adds one), the point, d
  // decimals and the sign: w + 3 characters. Asterisks when it is wider than w.
  char buf[kMaxFixedWidth + 3];
  std::memset(buf, ' ', sizeof buf);
  char* const end = buf + sizeof buf;
  char* begin = scaled <= UINT32_MAX ? write_scaled(end, static_cast<uint32_t>(scaled), d)
                                     : write_scaled(end, scaled, d);
  const bool negative = std::signbit(value);
  if (*begin == '.' && end - begin + (negative ? 1 : 0) < w) *--begin = '0';
  if (negative) *--begin = '-';
  if (end - begin > w) {
    out.append(static_cast<std::size_t>(w), '*');
    return;
  }
  out.append(end - w, static_cast<std::size_t>(w));
}

void append_text(std::string& out, std::string_view text, int w) {
  const auto width = static_cast<std::size_t>(w);
  if (text.size() >= width) {
    out.append(text.substr(0, width));
  } else {
    append_blanks(out, w - static_cast<int>(text.size()));
    out.append(text);
  }
}

}  // namespace varnholt

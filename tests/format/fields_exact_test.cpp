// A million-value exact cross-check of Fw.d at every width and precision
// against the decimal expansion done in big-integer arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "format/fields.h"

namespace varnholt {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// --- Reference: the exact decimal expansion by big-integer arithmetic ------------

using Digits = std::string;  // digit values 0..9, least significant first

Digits times(const Digits& a, uint64_t factor) {
  Digits r;
  uint64_t carry = 0;
  for (const char digit : a) {
    carry += static_cast<uint64_t>(digit) * factor;
    r += static_cast<char>(carry % 10);
    carry /= 10;
  }
  for (; carry != 0; carry /= 10) r += static_cast<char>(carry % 10);
  return r;
}

// |value| = m 2^e: m 2^e when e >= 0, else m 5^-e / 10^-e. Returns the
// integer digits (none for 0) and the complete fraction.
using Exact = std::pair<std::string, std::string>;
Exact exact(float value) {
  static const auto powers = [] {  // [0]: 2^i, [1]: 5^i, i < 150
    std::array<std::vector<Digits>, 2> p;
    for (uint64_t b : {0, 1}) {
      p[b].push_back(Digits(1, 1));
      for (int i = 1; i < 150; ++i) p[b].push_back(times(p[b].back(), b == 0 ? 2 : 5));
    }
    return p;
  }();
  const uint32_t bits = std::bit_cast<uint32_t>(value) & 0x7FFFFFFFu;
  const int biased = static_cast<int>(bits >> 23);
  const uint32_t m = (bits & 0x7FFFFFu) | (biased != 0 ? 0x800000u : 0u);
  const int e = std::max(biased, 1) - 150;
  const Digits product = times(powers[e < 0 ? 1 : 0][static_cast<std::size_t>(std::abs(e))], m);
  std::string text;
  for (auto it = product.rbegin(); it != product.rend(); ++it) text += static_cast<char>('0' + *it);
  const std::size_t k = e < 0 ? static_cast<std::size_t>(-e) : 0;
  if (text.size() <= k) text.insert(0, k + 1 - text.size(), '0');
  std::string whole = text.substr(0, text.size() - k);
  whole.erase(0, whole.find_first_not_of('0'));
  return {whole, text.substr(text.size() - k)};
}

// The two texts an Fw.d field may show: the one written when it fits in w,
// else the shorter one. Finite values: sign, integer digits, point and d
// decimals rounded on the exact digits; the longer text has a 0 before a
// bare point.
std::pair<std::string, std::string> texts(float value, const Exact& x, int d) {
  if (std::isnan(value)) return {"NaN", "NaN"};
  if (std::isinf(value)) return {value > 0 ? "Infinity" : "-Infinity", value > 0 ? "Inf" : "-Inf"};
  const auto dd = static_cast<std::size_t>(d);
  std::string kept = x.first + (x.second + std::string(dd, '0')).substr(0, dd);
  if (dd < x.second.size() && x.second[dd] >= '5') {  // a tie goes away from zero
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0) kept.insert(0, "1");
    else ++kept[i - 1];
  }
  const std::string sign = std::signbit(value) ? "-" : "";
  const std::string whole = kept.substr(0, kept.size() - dd);
  const std::string point = "." + kept.substr(kept.size() - dd);
  return {sign + (whole.empty() ? "0" : whole) + point, sign + whole + point};
}

// Right-justified in w columns, or w asterisks when neither text fits.
void fit(const std::pair<std::string, std::string>& text, int w, std::string& out) {
  const auto width = static_cast<std::size_t>(w);
  const std::string& s = text.first.size() <= width ? text.first : text.second;
  out.assign(s.size() > width ? width : width - s.size(), s.size() > width ? '*' : ' ');
  if (s.size() <= width) out += s;
}

// A value aimed at the places where a formatter goes wrong.
float make_value(std::mt19937_64& rng) {
  const auto below = [&rng](uint64_t n) { return static_cast<int>(rng() % n); };
  const auto sign = [&rng](float v) { return (rng() & 1) != 0 ? -v : v; };
  const auto exponent = [&rng](int biased) {  // any sign and mantissa
    return std::bit_cast<float>((static_cast<uint32_t>(rng()) & 0x807FFFFFu) |
                                static_cast<uint32_t>(biased) << 23);
  };
  const auto near = [&below](double v) {  // a few units in the last place away
    const int64_t b = std::bit_cast<uint32_t>(static_cast<float>(v)) + below(7) - 3;
    return std::bit_cast<float>(static_cast<uint32_t>(std::clamp<int64_t>(b, 0, 0x7F7FFFFF)));
  };
  switch (below(10)) {
    case 0: return std::bit_cast<float>(static_cast<uint32_t>(rng()));  // any bit pattern
    case 1: case 2: return exponent(97 + below(88));  // 2^-30 to 2^57
    case 3: case 4:  // near a decimal tie xxx.xx5
      return sign(near((static_cast<double>(rng() % 1000000000) + 0.5) / std::pow(10, below(7))));
    case 5:  // an exact binary half k / 2^j
      return sign(std::ldexp(static_cast<float>((rng() % (1u << 24)) | 1u), -1 - below(30)));
    case 6: case 7: {  // 10^p, and 10^p less half a unit of the last decimal
      const double p = std::pow(10, below(20) - 7), half = 0.5 * std::pow(10, -below(7));
      return sign(near((rng() & 1) != 0 ? p : p - half));
    }
    case 8: return exponent(below(3) == 0 ? below(3) : 180 + below(75));  // subnormal or huge
    default: {
      const uint32_t payload = static_cast<uint32_t>(rng() & 0x3FFFFF);  // a NaN's
      const float special[] = {0.0f, 1.0f, kInf, std::bit_cast<float>(0x7F800001u | payload),
                               std::numeric_limits<float>::max(),
                               std::numeric_limits<float>::denorm_min()};
      return sign(special[below(std::size(special))]);
    }
  }
}

// VARNHOLT_FIELD_CHECK_COUNT lowers the count for slow sanitiser builds.
TEST(Fields, FixedMatchesExactReferenceForAMillionValuesAtEveryWidth) {
  const char* env = std::getenv("VARNHOLT_FIELD_CHECK_COUNT");
  const std::size_t count = env != nullptr && std::atol(env) > 0 ? std::atol(env) : 1'000'000;
  std::mt19937_64 rng(0x5EED0F1E1D5ULL);
  std::size_t mismatches = 0, asterisks = 0, ties = 0, negative_zeros = 0;
  std::string got, want;
  for (std::size_t i = 0; i < count; ++i) {
    const float value = make_value(rng);
    const Exact x = std::isfinite(value) ? exact(value) : Exact{};
    for (int d = 0; d <= kMaxFixedDecimals; ++d) {
      const auto text = texts(value, x, d);
      ties += x.second.size() == static_cast<std::size_t>(d) + 1 && x.second.back() == '5';
      negative_zeros += text.second[0] == '-' && text.second.find_first_of("123456789I") == -1ul;
      for (int w = d + 1; w <= kMaxFixedWidth; ++w) {
        got.clear();
        append_fixed(got, value, w, d);
        fit(text, w, want);
        asterisks += want[0] == '*';
        if (got != want && ++mismatches <= 20) {
          ADD_FAILURE() << "F" << w << "." << d << " of bits 0x" << std::hex
                        << std::bit_cast<uint32_t>(value) << ": \"" << got << "\", not \"" << want
                        << '"';
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_GT(asterisks, 10 * count);  // the mix reaches what it is aimed at
  EXPECT_GT(ties * 30, count);
  EXPECT_GT(negative_zeros * 3, count);
}

}  // namespace
}  // namespace varnholt

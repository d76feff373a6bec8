#include "common/si_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace varnholt {
namespace {

// The prefixes from 10^-15 to 10^12 in steps of 10^3.
constexpr int kLowest = -15;
constexpr std::array<const char*, 10> kSpicePrefixes{"f", "p", "n", "u", "m", "", "k", "meg", "g", "t"};
constexpr std::array<const char*, 10> kSiPrefixes{"f", "p", "n", "\xC2\xB5", "m", "", "k", "M", "G", "T"};

struct Engineering {
  std::string mantissa;  // with its sign
  int prefix = -1;       // index into the prefix tables; -1 when an exponent is written
};

// value × 10^exp10 as a mantissa in [1, 1000) and its prefix, or as the
// shortest scientific text beyond the prefixes.
Engineering engineering(double value, int exp10) {
  if (!std::isfinite(value)) return {shortest_text(value), -1};
  if (value == 0.0) return {"0", 5};
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
  // d.ddde±xx: the digits without the point, and the power of the first.
  const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  const std::size_t e = text.find('e');
  const bool negative = text[0] == '-';
  std::string digits;
  for (char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0))) {
    if (c != '.') digits += c;
  }
  int power = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), power);
  const long long lead = static_cast<long long>(power) + exp10;
  // Floor division: -1 is in the group of 10^-3.
  const long long group = (lead >= 0 ? lead / 3 : (lead - 2) / 3);
  const long long index = group - kLowest / 3;
  Engineering out;
  if (negative) out.mantissa = "-";
  if (index < 0 || index >= static_cast<long long>(kSpicePrefixes.size())) {
    out.mantissa += digits.substr(0, 1);
    if (digits.size() > 1) out.mantissa += "." + digits.substr(1);
    out.mantissa += "e" + std::to_string(lead);
    return out;
  }
  const std::size_t whole = static_cast<std::size_t>(lead - group * 3 + 1);  // 1 to 3 digits before the point
  if (digits.size() < whole) digits.append(whole - digits.size(), '0');
  out.mantissa += digits.substr(0, whole);
  if (digits.size() > whole) out.mantissa += "." + digits.substr(whole);
  out.prefix = static_cast<int>(index);
  return out;
}

}  // namespace

std::string spice_number(double value, int exp10) {
  const Engineering e = engineering(value, exp10);
  return e.prefix < 0 ? e.mantissa : e.mantissa + kSpicePrefixes[static_cast<std::size_t>(e.prefix)];
}

std::string engineering_text(double value, int exp10, std::string_view unit) {
  const Engineering e = engineering(value, exp10);
  const std::string suffix =
      (e.prefix < 0 ? std::string() : kSiPrefixes[static_cast<std::size_t>(e.prefix)]) + std::string(unit);
  return suffix.empty() ? e.mantissa : e.mantissa + " " + suffix;
}

std::string shortest_text(double value) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

}  // namespace varnholt

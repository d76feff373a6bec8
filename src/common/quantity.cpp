#include "common/quantity.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "common/letters.h"

namespace varnholt {
namespace {

struct Kind {
  const char* name;
  const char* with_article;
  const char* plain;
  int exponent;
  // The first name is the SI spelling; `cased` when its letter case tells
  // milli from mega (Hz, H, F), not so for ohm.
  std::array<std::string_view, 4> units;
  bool cased;
  const char* examples;
};

constexpr std::array<Kind, 4> kKinds{{
    {"frequency", "a frequency", "MHz", 6, {"Hz"}, true, "2.4GHz or 455kHz"},
    {"impedance", "an impedance", "ohms", 0,
     {"ohm", "ohms", "\xCE\xA9", "\xE2\x84\xA6"},  // U+03A9 and the ohm sign U+2126
     false, "50ohm or 1.2kohm"},
    {"inductance", "an inductance", "nH", -9, {"H"}, true, "220nH or 1.5uH"},
    {"capacitance", "a capacitance", "pF", -12, {"F"}, true, "4.7pF or 1nF"},
}};

struct Prefix {
  std::string_view text;
  int exponent;
};

// "meg" first so that "megohm" is not read as m + "egohm".
constexpr std::array<Prefix, 13> kPrefixes{{
    {"meg", 6},
    {"f", -15},
    {"p", -12},
    {"n", -9},
    {"u", -6},
    {"\xC2\xB5", -6},  // micro sign U+00B5
    {"\xCE\xBC", -6},  // Greek mu U+03BC
    {"m", -3},
    {"k", 3},
    {"K", 3},
    {"M", 6},
    {"G", 9},
    {"T", 12},
}};

const Kind& kind_of(Quantity q) { return kKinds[static_cast<std::size_t>(q)]; }


// "meg" is the one prefix read in any case.
bool prefix_matches(const Prefix& p, std::string_view s) {
  return p.text == "meg" ? same_letters(p.text, s) : p.text == s;
}

bool is_unit(std::string_view s, const Kind& k) {
  for (std::string_view u : k.units) {
    if (!u.empty() && same_letters(u, s)) return true;
  }
  return false;
}

struct Match {
  enum { None, Found, Ambiguous } how = None;
  int exponent = 0;  // SI power of ten of the suffix
};

// What the suffix after the number means for quantity `k`.
Match match_suffix(std::string_view s, const Kind& k) {
  for (const Prefix& p : kPrefixes) {
    if (prefix_matches(p, s)) return {Match::Found, p.exponent};
  }
  if (is_unit(s, k)) return {Match::Found, 0};
  for (const Prefix& p : kPrefixes) {
    if (s.size() <= p.text.size() || !prefix_matches(p, s.substr(0, p.text.size()))) continue;
    const std::string_view unit = s.substr(p.text.size());
    if (!is_unit(unit, k)) continue;
    if (p.text == "m" && k.cased && unit != k.units[0]) return {Match::Ambiguous, 0};
    return {Match::Found, p.exponent};
  }
  return {};
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string help(const Kind& k) {
  return std::string("give ") + k.plain + ", or a unit such as " + k.examples;
}

}  // namespace

const char* quantity_name(Quantity q) { return kind_of(q).name; }
const char* plain_unit(Quantity q) { return kind_of(q).plain; }
int plain_exponent(Quantity q) { return kind_of(q).exponent; }

std::optional<double> parse_quantity(std::string_view text, Quantity q, std::string& why) {
  const Kind& k = kind_of(q);
  if (text.empty()) {
    why = "empty (" + help(k) + ")";
    return std::nullopt;
  }

  // The number: its digits without the point, and the power of ten that
  // the point and the exponent give the last digit.
  std::size_t i = 0;
  std::string decimal;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') decimal += '-';
    ++i;
  }
  bool nonzero = false;
  std::size_t digits = 0;
  long long exponent = 0;
  for (; i < text.size() && is_digit(text[i]); ++i, ++digits) decimal += text[i];
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i, ++digits, --exponent) decimal += text[i];
  }
  if (digits == 0) {
    why = "not a number (got " + quoted(text) + "; " + help(k) + ")";
    return std::nullopt;
  }
  for (char c : decimal) nonzero = nonzero || (c >= '1' && c <= '9');
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    const bool minus = j < text.size() && text[j] == '-';
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    if (j < text.size() && is_digit(text[j])) {
      long long e = 0;
      // Capped far beyond the double range, so that it cannot overflow.
      for (; j < text.size() && is_digit(text[j]); ++j) e = std::min(e * 10 + (text[j] - '0'), 100000LL);
      exponent += minus ? -e : e;
      i = j;
    }
  }

  std::string_view suffix = text.substr(i);
  if (suffix.size() > 1 && suffix[0] == ' ') suffix.remove_prefix(1);
  if (suffix.find_first_of(" \t\r\n") != std::string_view::npos) {
    why = "stray blank in " + quoted(text) + " (one space at most, between the number and the unit)";
    return std::nullopt;
  }
  int si = k.exponent;
  if (!suffix.empty()) {
    const Match m = match_suffix(suffix, k);
    if (m.how == Match::Ambiguous) {
      const std::string unit(k.units[0]);
      why = quoted(text) + " is ambiguous: write M" + unit + " for mega or m" + unit + " for milli";
      return std::nullopt;
    }
    if (m.how == Match::None) {
      for (const Kind& other : kKinds) {
        if (&other != &k && match_suffix(suffix, other).how != Match::None) {
          why = std::string(text) + " is " + other.with_article + ", not " + k.with_article + " (" +
                help(k) + ")";
          return std::nullopt;
        }
      }
      why = "unknown unit " + quoted(suffix) + " in " + quoted(text) + " (" + help(k) +
            "; prefixes are f p n u m k M G T)";
      return std::nullopt;
    }
    si = m.exponent;
  }

  // Moving the exponent in the text keeps one rounding, the conversion's.
  decimal += 'e' + std::to_string(exponent + si - k.exponent);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
  if (ec != std::errc() || end != decimal.data() + decimal.size() || !std::isfinite(value) ||
      (nonzero && value == 0.0)) {
    why = "out of range (got " + quoted(text) + ")";
    return std::nullopt;
  }
  return value;
}

}  // namespace varnholt

#include "format/reader.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace varnholt {
namespace {

constexpr std::size_t kNumberField = 13;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

// Appends a run of digits from `field` at `pos` to `out`; returns how many.
std::size_t take_digits(std::string_view field, std::size_t& pos, std::string& out) {
  const std::size_t start = pos;
  while (pos < field.size() && is_digit(field[pos])) out.push_back(field[pos++]);
  return pos - start;
}

}  // namespace

bool read_line(std::istream& in, std::string& line) {
  line.clear();
  std::streambuf* buf = in.rdbuf();
  using traits = std::char_traits<char>;
  int c = buf->sbumpc();
  if (c == traits::eof()) {
    in.setstate(std::ios::eofbit);
    return false;
  }
  while (c != traits::eof()) {
    if (c == '\n') return true;
    if (c == '\r') {
      if (buf->sgetc() == '\n') buf->sbumpc();
      return true;
    }
    line.push_back(static_cast<char>(c));
    c = buf->sbumpc();
  }
  return true;
}

std::optional<float> parse_number(std::string_view line) {
  std::string_view raw = line.substr(0, kNumberField);
  raw = raw.substr(0, raw.find(','));
  std::string field;
  for (char c : raw) {
    if (c != ' ') field.push_back(c);
  }

  // Rebuild the number in the form strtof reads, checking the grammar on the way.
  std::string number;
  std::size_t pos = 0;
  if (pos < field.size() && is_sign(field[pos])) number.push_back(field[pos++]);
  std::size_t digits = take_digits(field, pos, number);
  if (pos < field.size() && field[pos] == '.') {
    number.push_back(field[pos++]);
    digits += take_digits(field, pos, number);
  }
  if (pos < field.size()) {
    const char mark = static_cast<char>(std::toupper(static_cast<unsigned char>(field[pos])));
    if (mark == 'E' || mark == 'D') ++pos;
    else if (!is_sign(field[pos])) return std::nullopt;
    number.push_back('e');
    if (pos < field.size() && is_sign(field[pos])) number.push_back(field[pos++]);
    if (take_digits(field, pos, number) == 0 || pos != field.size()) return std::nullopt;
  }
  // A sign or point without any digit reads as zero, as a blank field does.
  if (digits == 0) return number.find('e') == std::string::npos ? 0.0f : std::optional<float>{};
  return std::strtof(number.c_str(), nullptr);
}

std::string padded(std::string_view text, std::size_t length) {
  std::string out(text.substr(0, length));
  out.resize(length, ' ');
  return out;
}

std::string_view trimmed(std::string_view text) {
  const auto last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

int32_t nearest_int(float value) {
  if (std::isnan(value)) return 0;
  const float rounded = std::round(value);  // halves away from zero
  if (rounded >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  if (rounded < -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(rounded);
}

}  // namespace varnholt

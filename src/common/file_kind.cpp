#include "common/file_kind.h"

#include <array>
#include <cstddef>
#include <vector>

#include "common/letters.h"

namespace varnholt {
namespace {

constexpr std::size_t kSample = 8192;  // bytes looked at for binary content
constexpr std::size_t kLines = 200;    // lines looked at for a netlist

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < s.size();) {
    while (i < s.size() && is_blank(s[i])) ++i;
    std::size_t j = i;
    while (j < s.size() && !is_blank(s[j])) ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

// The next line of `text` from `pos` (line feed, carriage return or both).
std::string_view next_line(std::string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r') ++pos;
  const std::string_view line = text.substr(start, pos - start);
  if (pos < text.size() && text[pos++] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  return line;
}

bool is_number(std::string_view w) {
  std::size_t digits = 0;
  for (char c : w) {
    if (c >= '0' && c <= '9') ++digits;
    else if (c != '.' && c != '+' && c != '-' && c != 'e' && c != 'E') return false;
  }
  return digits > 0;
}

bool is_option_line(std::string_view line) {
  if (line.empty() || line[0] != '#') return false;
  line.remove_prefix(1);
  line = line.substr(0, line.find('!'));
  static constexpr std::array<std::string_view, 15> kWords{
      "hz", "khz", "mhz", "ghz", "s", "y", "z", "h", "g", "db", "ma", "ri", "r", "t", "thz"};
  for (std::string_view w : words(line)) {
    bool known = is_number(w);
    for (std::string_view k : kWords) known = known || same_letters(w, k);
    if (!known) return false;
  }
  return true;
}

bool is_dot_command(std::string_view line) {
  if (line.size() < 2 || line[0] != '.') return false;
  static constexpr std::array<std::string_view, 22> kCommands{
      "end",   "ends",  "subckt", "ac",    "tran",  "op",   "dc",    "noise",
      "param", "model", "include", "lib",  "option", "options", "control", "endc",
      "print", "plot",  "save",   "meas",  "temp",  "global"};
  const std::vector<std::string_view> w = words(line.substr(1));
  if (w.empty()) return false;
  for (std::string_view k : kCommands) {
    if (same_letters(w[0], k)) return true;
  }
  return false;
}

// "R1 in out 50", "L2 2 0 100n", "V1 1 0 DC 1", "C3 a b {c3}".
bool is_element_line(std::string_view line) {
  const std::vector<std::string_view> w = words(line);
  if (w.size() < 4) return false;
  const char kind = ascii_lower(w[0][0]);
  if (kind != 'r' && kind != 'l' && kind != 'c' && kind != 'v' && kind != 'i') return false;
  for (char c : w[0]) {
    const char l = ascii_lower(c);
    if (!((l >= 'a' && l <= 'z') || (l >= '0' && l <= '9') || l == '_')) return false;
  }
  const char v = w[3][0];
  if (v == '{' || (v >= '0' && v <= '9')) return true;
  if ((v == '.' || v == '-' || v == '+') && w[3].size() > 1) return w[3][1] >= '0' && w[3][1] <= '9';
  return (kind == 'v' || kind == 'i') && (same_letters(w[3], "dc") || same_letters(w[3], "ac"));
}

bool is_binary(std::string_view text) {
  const std::string_view sample = text.substr(0, kSample);
  std::size_t control = 0;
  for (char c : sample) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) return true;
    if ((b < 0x20 && !is_blank(c)) || b == 0x7F) ++control;
  }
  return control * 32 > sample.size();
}

}  // namespace

FileKind sniff_file(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (trimmed(text).empty()) return FileKind::Empty;
  if (is_binary(text)) return FileKind::Binary;

  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::string_view line = trimmed(next_line(text, pos));
    if (line.empty() || line[0] == '!') continue;
    if (is_option_line(line)) return FileKind::Touchstone;
    if (line.size() >= 9 && same_letters(line.substr(0, 9), "[version]")) return FileKind::Touchstone;
    break;
  }
  const char first = trimmed(text).front();
  if (first == '{' || first == '[') return FileKind::Json;

  pos = 0;
  next_line(text, pos);  // the title
  for (std::size_t n = 0; n < kLines && pos < text.size(); ++n) {
    const std::string_view line = trimmed(next_line(text, pos));
    if (is_dot_command(line) || is_element_line(line)) return FileKind::Netlist;
  }
  return FileKind::Other;
}

const char* file_kind_text(FileKind kind) {
  switch (kind) {
    case FileKind::Empty: return "an empty file";
    case FileKind::Binary: return "a binary file";
    case FileKind::Touchstone: return "a Touchstone file";
    case FileKind::Netlist: return "a circuit-simulator netlist";
    case FileKind::Json: return "a JSON text";
    case FileKind::Other: break;
  }
  return "";
}

}  // namespace varnholt

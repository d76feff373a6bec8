// The Touchstone reader. The text is read line by line: '!' ends what a line
// holds, a line starting with '[' is a keyword (version 2.0), one starting
// with '#' the option line, and every other line numbers that fill frequency
// rows. A row may fold over any number of lines but always starts a line;
// a row that ends part-way through a line is the wrong length.
#include "touchstone/touchstone.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "common/letters.h"

namespace varnholt {

TouchstoneError::TouchstoneError(const std::string& name, int line, const std::string& message)
    : std::runtime_error(name + ":" + std::to_string(line) + ": " + message), line_(line) {}

namespace {

using Complex = std::complex<double>;
using Matrix = std::array<Complex, 4>;  // {11, 12, 21, 22}

constexpr std::size_t kMaxPoints = 20'000'000;
constexpr std::size_t kNoiseRow = 5;  // frequency, NFmin dB, |Gopt|, angle Gopt, Rn

enum class Parameter { S, Y, Z, H, G };
enum class Form { MA, DB, RI };
enum class Order { None, N12First, N21First };
enum class Layout { Full, Lower, Upper };
enum class Section { Header, Information, Network, Noise, Ended };

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::vector<std::string_view> words_of(std::string_view s) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && is_space(s[i])) ++i;
    const std::size_t start = i;
    while (i < s.size() && !is_space(s[i])) ++i;
    if (i > start) words.push_back(s.substr(start, i - start));
  }
  return words;
}

// A word as the messages show it: quoted, cut short, unprintable bytes as \xHH.
std::string quoted(std::string_view word) {
  constexpr std::size_t kShown = 24;
  std::string text = "\"";
  for (std::size_t i = 0; i < word.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(word[i]);
    if (c >= 0x20 && c < 0x7f) {
      text += static_cast<char>(c);
    } else {
      static const char* const kHex = "0123456789ABCDEF";
      text += "\\x";
      text += kHex[c >> 4];
      text += kHex[c & 15];
    }
  }
  if (word.size() > kShown) text += "...";
  return text + "\"";
}

std::string counted(std::size_t n, const std::string& thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string lower(std::string_view s) {
  std::string t(s);
  for (char& c : t) c = ascii_lower(c);
  return t;
}

// A decimal number ("1", "-2.5", "+.5e-3"). Values too small for a double
// read as the nearest one (zero); too large ones, NaN and infinity are not read.
enum class NumberKind { Ok, NotNumber, NotFinite };
NumberKind read_number(std::string_view w, double& value) {
  std::string_view digits = w;
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
  if (digits.empty() || (w[0] == '+' && digits[0] == '-')) return NumberKind::NotNumber;
  const char* end = digits.data() + digits.size();
  const auto [ptr, ec] = std::from_chars(digits.data(), end, value, std::chars_format::general);
  if (ptr != end) return NumberKind::NotNumber;
  if (ec == std::errc::result_out_of_range) {
    const std::string copy(digits);
    value = std::strtod(copy.c_str(), nullptr);
    return std::isfinite(value) && std::fabs(value) < 1 ? NumberKind::Ok : NumberKind::NotFinite;
  }
  if (ec != std::errc()) return NumberKind::NotNumber;
  return std::isfinite(value) ? NumberKind::Ok : NumberKind::NotFinite;
}

// A count written as plain decimal digits, capped at just above `cap`.
std::optional<std::size_t> read_count(std::string_view w, std::size_t cap) {
  if (w.empty() || w.size() > 12) return std::nullopt;
  std::size_t n = 0;
  for (char c : w) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  return n > cap ? cap + 1 : n;
}

// The port count that a name ending in ".sNp" gives, 0 for other names.
int ports_of_name(const std::string& name) {
  const auto slash = name.find_last_of("/\\");
  const std::string base = lower(slash == std::string::npos ? name : name.substr(slash + 1));
  const auto dot = base.rfind('.');
  if (dot == std::string::npos || base.size() - dot < 4) return 0;
  const std::string ext = base.substr(dot + 1);
  if (ext.front() != 's' || ext.back() != 'p' || ext.size() > 6) return 0;
  int n = 0;
  for (std::size_t i = 1; i + 1 < ext.size(); ++i) {
    if (ext[i] < '0' || ext[i] > '9') return 0;
    n = n * 10 + (ext[i] - '0');
  }
  return n;
}

const char* parameter_name(Parameter p) {
  switch (p) {
    case Parameter::S: return "S";
    case Parameter::Y: return "Y";
    case Parameter::Z: return "Z";
    case Parameter::H: return "H";
    case Parameter::G: return "G";
  }
  return "?";
}

// Which of voltage (true) or current (false) the parameters of `p` give
// (x) and take (y) at each port: x = P y.
struct Roles {
  std::array<bool, 2> x_voltage, y_voltage;
};
Roles roles_of(Parameter p) {
  switch (p) {
    case Parameter::Z: return {{true, true}, {false, false}};
    case Parameter::Y: return {{false, false}, {true, true}};
    case Parameter::H: return {{true, false}, {false, true}};
    case Parameter::G: return {{false, true}, {true, false}};
    case Parameter::S: break;
  }
  return {{true, true}, {true, true}};
}

class Reader {
 public:
  Reader(std::string_view text, const std::string& name) : text_(text), name_(name) {}

  NetworkData read() {
    std::size_t at = 0;
    while (at < text_.size()) {
      std::size_t end = at;
      while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
      ++line_;
      take_line(text_.substr(at, end - at));
      if (end < text_.size() && text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') ++end;
      at = end + 1;
    }
    finish();
    return std::move(data_);
  }

 private:
  [[noreturn]] void fail(int line, const std::string& message) const {
    throw TouchstoneError(name_, line, message);
  }
  [[noreturn]] void fail(const std::string& message) const { fail(line_, message); }

  std::size_t row_length() const {
    if (noise_) return kNoiseRow;
    if (ports_ == 1) return 3;
    return layout_ == Layout::Full ? 9 : 7;
  }
  std::string row_expected() const {
    if (noise_) {
      std::string why = "5 (frequency, minimum noise figure, reflection magnitude and angle, noise resistance)";
      if (version_ == 1) {
        why += "; the rows from line " + std::to_string(noise_line_) +
               " on are noise data, as their first frequency is not above the last one before";
      }
      return why;
    }
    if (ports_ == 1) return "3 (frequency and 1 complex value)";
    return layout_ == Layout::Full ? "9 (frequency and 4 complex values)"
                                   : "7 (frequency and 3 complex values)";
  }

  void take_line(std::string_view line) {
    const auto bang = line.find('!');
    if (bang != std::string_view::npos) line = line.substr(0, bang);
    const auto words = words_of(line);
    if (words.empty()) return;
    if (reference_left_ > 0) {
      if (words[0].front() != '[' && words[0].front() != '#') return take_references(words);
      fail("[Reference] (line " + std::to_string(reference_line_) + ") with " +
           counted(data_.reference_ohms.size(), "resistance") + "; expected " +
           std::to_string(ports_) + ", one per port");
    }
    if (words[0].front() == '[') return take_keyword(line);
    if (section_ == Section::Information) return;
    if (words[0].front() == '#') return take_options(words);
    take_numbers(words);
  }

  void become_version_1() {
    version_ = 1;
    const int n = ports_of_name(name_);
    if (n == 0) {
      fail("version 1 data in a file named " + quoted(name_) +
           "; expected a name ending in .s1p or .s2p (the port count)");
    }
    if (n != 1 && n != 2) {
      fail("data of a " + std::to_string(n) + "-port file (.s" + std::to_string(n) +
           "p); expected a .s1p or .s2p file (one or two ports)");
    }
    ports_ = n;
    data_.ports = n;
  }

  void take_options(const std::vector<std::string_view>& words) {
    if (version_ == 0) become_version_1();
    if (options_line_ > 0) return;  // only the first option line counts
    if (version_ == 1 && first_row_line_ > 0) {
      fail("option line after the data (first row at line " + std::to_string(first_row_line_) +
           "); expected it before the data");
    }
    if (version_ == 2 && section_ != Section::Header) {
      fail("option line after [Network Data]; expected it before [Network Data]");
    }
    options_line_ = line_;
    bool unit = false, parameter = false, form = false, resistance = false;
    auto once = [&](bool& seen, std::string_view w, const char* what) {
      if (seen) fail("second " + std::string(what) + " " + quoted(w) + "; expected one " + what);
      seen = true;
    };
    std::string_view first = words[0].substr(1);
    std::vector<std::string_view> items;
    if (!first.empty()) items.push_back(first);
    items.insert(items.end(), words.begin() + 1, words.end());
    for (std::size_t k = 0; k < items.size(); ++k) {
      const std::string w = lower(items[k]);
      if (w == "hz" || w == "khz" || w == "mhz" || w == "ghz") {
        once(unit, items[k], "frequency unit");
        unit_ = w == "hz" ? 1.0 : w == "khz" ? 1e3 : w == "mhz" ? 1e6 : 1e9;
      } else if (w == "s" || w == "y" || w == "z" || w == "h" || w == "g") {
        once(parameter, items[k], "parameter");
        parameter_ = w == "s" ? Parameter::S : w == "y" ? Parameter::Y : w == "z" ? Parameter::Z
                   : w == "h" ? Parameter::H : Parameter::G;
      } else if (w == "ma" || w == "db" || w == "ri") {
        once(form, items[k], "format");
        form_ = w == "ma" ? Form::MA : w == "db" ? Form::DB : Form::RI;
      } else if (w == "r") {
        once(resistance, items[k], "reference resistance");
        double r = 0;
        if (k + 1 == items.size()) fail("R without a value; expected R and a resistance in ohms");
        if (read_number(items[k + 1], r) != NumberKind::Ok || !(r > 0)) {
          fail("reference resistance " + quoted(items[k + 1]) + "; expected a positive number of ohms");
        }
        ++k;
        resistance_ = r;
      } else {
        fail(quoted(items[k]) + " option; expected Hz, kHz, MHz or GHz, S, Y, Z, H or G, "
             "MA, DB or RI, or R and a resistance");
      }
    }
  }

  std::string keyword_list() const {
    return "[Version], [Number of Ports], [Two-Port Data Order], [Number of Frequencies], "
           "[Number of Noise Frequencies], [Reference], [Matrix Format], [Begin Information], "
           "[Network Data], [Noise Data] or [End]";
  }

  void take_keyword(std::string_view line) {
    std::size_t i = 0;
    while (is_space(line[i])) ++i;
    const auto close = line.find(']', i);
    if (close == std::string_view::npos && section_ == Section::Information) return;
    if (close == std::string_view::npos) {
      fail("unclosed keyword " + quoted(line.substr(i)) + "; expected a keyword in [brackets]");
    }
    const std::string shown(line.substr(i, close + 1 - i));
    const std::string key = lower(words_joined(line.substr(i + 1, close - i - 1)));
    const auto args = words_of(line.substr(close + 1));
    if (version_ == 0) {
      if (key != "version") {
        fail("keyword " + quoted(shown) + " before [Version]; expected [Version] 2.0 first");
      }
      double v = 0;
      if (args.size() != 1 || read_number(args[0], v) != NumberKind::Ok || v != 2.0) {
        fail("[Version] " + (args.empty() ? std::string("without a number") : quoted(args[0])) +
             "; expected [Version] 2.0");
      }
      version_ = 2;
      return;
    }
    if (version_ == 1) {
      fail("keyword " + quoted(shown) + " in a version 1 file; expected [Version] 2.0 before "
           "anything else to make it a version 2.0 file");
    }
    if (section_ == Section::Ended) fail(quoted(shown) + " after [End]; expected nothing more");
    if (section_ == Section::Information) {
      if (key == "end information") section_ = Section::Header;
      return;
    }
    if (row_.size() > 0) short_row(row_line_);
    const bool header = section_ == Section::Header;
    auto no_arguments = [&] {
      if (!args.empty()) fail(quoted(args[0]) + " after " + shown + "; expected nothing after it");
    };
    auto in_header = [&] {
      if (!header) fail(shown + " after [Network Data]; expected it before [Network Data]");
    };
    auto one_argument = [&](const char* what) {
      if (args.size() != 1) {
        fail(shown + " with " + std::to_string(args.size()) + " values; expected " + what);
      }
    };
    if (key == "version") fail("second [Version]; expected one");
    if (key == "number of ports") {
      in_header();
      once(ports_line_, shown);
      one_argument("the number of ports");
      const auto n = read_count(args[0], 1000);
      if (!n || *n == 0) fail("[Number of Ports] " + quoted(args[0]) + "; expected a port count");
      if (*n != 1 && *n != 2) {
        fail("[Number of Ports] " + std::to_string(*n) + "; expected 1 or 2 (one- and two-ports are read)");
      }
      const int by_name = ports_of_name(name_);
      if (by_name != 0 && by_name != static_cast<int>(*n)) {
        fail("[Number of Ports] " + std::to_string(*n) + " in a file named .s" + std::to_string(by_name) +
             "p; expected " + std::to_string(by_name) + " as the name says");
      }
      ports_ = static_cast<int>(*n);
      data_.ports = ports_;
    } else if (key == "two-port data order") {
      in_header();
      once(order_line_, shown);
      one_argument("12_21 or 21_12");
      if (ports_ != 2) fail("[Two-Port Data Order] before [Number of Ports] 2; expected it only in a two-port file");
      if (args[0] == "12_21") order_ = Order::N12First;
      else if (args[0] == "21_12") order_ = Order::N21First;
      else fail("[Two-Port Data Order] " + quoted(args[0]) + "; expected 12_21 or 21_12");
    } else if (key == "number of frequencies" || key == "number of noise frequencies") {
      in_header();
      const bool noise = key == "number of noise frequencies";
      once(noise ? noise_count_line_ : count_line_, shown);
      one_argument("a number of frequencies");
      const auto n = read_count(args[0], kMaxPoints);
      if (!n || *n == 0) fail(shown + " " + quoted(args[0]) + "; expected a positive whole number");
      if (*n > kMaxPoints) {
        fail(shown + " " + quoted(args[0]) + "; expected at most " + std::to_string(kMaxPoints));
      }
      (noise ? noise_count_ : count_) = *n;
    } else if (key == "reference") {
      in_header();
      once(reference_line_, shown);
      if (ports_ == 0) fail("[Reference] before [Number of Ports]; expected the port count first");
      data_.reference_ohms.clear();
      reference_left_ = static_cast<std::size_t>(ports_);
      if (!args.empty()) take_references(args);
    } else if (key == "matrix format") {
      in_header();
      once(layout_line_, shown);
      one_argument("Full, Lower or Upper");
      const std::string f = lower(args[0]);
      if (f == "full") layout_ = Layout::Full;
      else if (f == "lower") layout_ = Layout::Lower;
      else if (f == "upper") layout_ = Layout::Upper;
      else fail("[Matrix Format] " + quoted(args[0]) + "; expected Full, Lower or Upper");
    } else if (key == "mixed-mode order") {
      fail("[Mixed-Mode Order] (mixed-mode data); expected single-ended data of one or two ports");
    } else if (key == "begin information") {
      in_header();
      no_arguments();
      section_ = Section::Information;
    } else if (key == "network data") {
      in_header();
      no_arguments();
      start_network_data(shown);
    } else if (key == "noise data") {
      no_arguments();
      if (section_ != Section::Network) fail("[Noise Data] before [Network Data]; expected it after the network data");
      if (noise_count_line_ == 0) {
        fail("[Noise Data] without [Number of Noise Frequencies]; expected the count before [Network Data]");
      }
      check_rows();
      section_ = Section::Noise;
      noise_ = true;
      last_f_ = 0;
    } else if (key == "end") {
      no_arguments();
      if (header) fail("[End] before [Network Data]; expected [Network Data] and its rows first");
      check_rows();
      if (noise_count_line_ > 0 && !noise_) {
        fail("[End] without the noise data that [Number of Noise Frequencies] (line " +
             std::to_string(noise_count_line_) + ") announces; expected [Noise Data] and " +
             counted(noise_count_, "row"));
      }
      if (noise_ && noise_rows_ != noise_count_) {
        fail(counted(noise_rows_, "noise row") + "; expected " + std::to_string(noise_count_) +
             " as [Number of Noise Frequencies] (line " + std::to_string(noise_count_line_) + ") says");
      }
      section_ = Section::Ended;
    } else if (key == "end information") {
      fail("[End Information] without [Begin Information]; expected [Begin Information] first");
    } else {
      fail("keyword " + quoted(shown) + "; expected " + keyword_list());
    }
  }

  static std::string words_joined(std::string_view s) {
    std::string t;
    for (auto w : words_of(s)) t += (t.empty() ? "" : " ") + std::string(w);
    return t;
  }

  void once(int& seen_at, const std::string& shown) {
    if (seen_at > 0) fail("second " + shown + " (first at line " + std::to_string(seen_at) + "); expected one");
    seen_at = line_;
  }

  void take_references(const std::vector<std::string_view>& words) {
    for (auto w : words) {
      if (reference_left_ == 0) {
        fail("more than " + std::to_string(ports_) + " reference resistances; expected one per port");
      }
      double r = 0;
      if (read_number(w, r) != NumberKind::Ok || !(r > 0)) {
        fail("reference resistance " + quoted(w) + "; expected a positive number of ohms");
      }
      data_.reference_ohms.push_back(r);
      --reference_left_;
    }
  }

  void start_network_data(const std::string& shown) {
    if (ports_line_ == 0) fail(shown + " without [Number of Ports]; expected the port count before it");
    if (ports_ == 2 && order_line_ == 0) {
      fail(shown + " without [Two-Port Data Order]; expected 12_21 or 21_12 before it in a two-port file");
    }
    if (count_line_ == 0) fail(shown + " without [Number of Frequencies]; expected the count before it");
    if (layout_ != Layout::Full && (parameter_ == Parameter::H || parameter_ == Parameter::G)) {
      fail(layout_line_, std::string("[Matrix Format] ") + (layout_ == Layout::Lower ? "Lower" : "Upper") +
                             " with " + parameter_name(parameter_) +
                             "-parameters; expected Full, as H and G matrices are not symmetric");
    }
    section_ = Section::Network;
  }

  void check_rows() {
    if (version_ == 2 && rows_ != count_) {
      fail(counted(rows_, "frequency row") + "; expected " + std::to_string(count_) +
           " as [Number of Frequencies] (line " + std::to_string(count_line_) + ") says");
    }
  }

  void take_numbers(const std::vector<std::string_view>& words) {
    if (version_ == 0) become_version_1();
    if (version_ == 2 && section_ != Section::Network && section_ != Section::Noise) {
      fail(quoted(words[0]) + (section_ == Section::Ended ? " after [End]; expected nothing more"
                                                          : " before [Network Data]; expected a keyword in "
                                                            "[brackets] or the option line"));
    }
    const std::size_t before = row_.size();  // numbers of this row from earlier lines
    for (std::size_t k = 0; k < words.size(); ++k) {
      double v = 0;
      switch (read_number(words[k], v)) {
        case NumberKind::NotNumber: fail(quoted(words[k]) + " in the data; expected a number");
        case NumberKind::NotFinite: fail(quoted(words[k]) + " in the data; expected a finite number");
        case NumberKind::Ok: break;
      }
      if (row_.empty()) start_row(v);
      row_.push_back(v);
      if (row_.size() == row_length()) {
        if (k + 1 < words.size()) {
          const bool next_line_whole = before > 0 && words.size() >= row_length();
          fail(row_line_, std::string(noise_ ? "noise row of " : "row of ") +
                              std::to_string(next_line_whole ? before : before + words.size()) +
                              " numbers; expected " + row_expected());
        }
        end_row();
      }
    }
  }

  void start_row(double f) {
    row_line_ = line_;
    if (first_row_line_ == 0) first_row_line_ = line_;
    if (!noise_ && version_ == 1 && ports_ == 2 && rows_ > 0 && f <= last_f_) {
      noise_ = true;  // a two-port's noise data: its first frequency is not above the last
      last_f_ = 0;
      noise_line_ = line_;
    }
    if (!(f > 0)) fail("frequency " + quoted(number_text(f)) + "; expected a positive frequency");
    if (f <= last_f_) {
      fail("frequency " + number_text(f) + " after " + number_text(last_f_) + " (line " +
           std::to_string(last_line_) + "); expected frequencies in increasing order");
    }
    if (!noise_ && rows_ == kMaxPoints) {
      fail("more than " + std::to_string(kMaxPoints) + " frequency rows; expected at most " +
           std::to_string(kMaxPoints));
    }
    if (noise_ && (version_ == 2 ? noise_rows_ == noise_count_ : noise_rows_ == kMaxPoints)) {
      fail("more noise rows than " + std::to_string(version_ == 2 ? noise_count_ : kMaxPoints) +
           "; expected at most that many");
    }
    if (!noise_ && version_ == 2 && rows_ == count_) {
      fail("frequency row " + std::to_string(rows_ + 1) + "; expected only " + std::to_string(count_) +
           " as [Number of Frequencies] (line " + std::to_string(count_line_) + ") says");
    }
    last_f_ = f;
    last_line_ = line_;
  }

  static std::string number_text(double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
  }

  [[noreturn]] void short_row(int line) const {
    fail(line, std::string(noise_ ? "noise row of " : "row of ") + std::to_string(row_.size()) +
                   " numbers; expected " + row_expected());
  }

  Complex value_at(std::size_t pair) const {
    const double a = row_[1 + 2 * pair], b = row_[2 + 2 * pair];
    if (form_ == Form::RI) return {a, b};
    const double magnitude = form_ == Form::MA ? a : std::pow(10.0, a / 20.0);
    const double angle = b * (3.14159265358979323846 / 180.0);
    return {magnitude * std::cos(angle), magnitude * std::sin(angle)};
  }

  void end_row() {
    if (noise_) {
      ++noise_rows_;
      row_.clear();
      return;
    }
    if (rows_ == 0) check_parameter();
    const double f = row_[0] * unit_;
    if (!std::isfinite(f) || !(f > 0)) {
      fail(row_line_, "frequency " + number_text(row_[0]) + " beyond the range of numbers in hertz; "
                      "expected a smaller frequency");
    }
    Matrix n{};
    if (ports_ == 1) {
      n[0] = value_at(0);
    } else if (layout_ != Layout::Full) {
      n = {value_at(0), value_at(1), value_at(1), value_at(2)};
    } else if (order_ == Order::N12First) {
      n = {value_at(0), value_at(1), value_at(2), value_at(3)};
    } else {  // version 1 and 21_12: N11 N21 N12 N22
      n = {value_at(0), value_at(2), value_at(1), value_at(3)};
    }
    const Matrix s = scattering(n);
    for (const Complex& v : s) {
      if (std::isfinite(v.real()) && std::isfinite(v.imag())) continue;
      if (parameter_ == Parameter::S) {
        fail(row_line_, "values at frequency " + number_text(row_[0]) +
                            " that give an infinite S-parameter; expected finite ones");
      }
      fail(row_line_, std::string(parameter_name(parameter_)) + "-parameters at frequency " +
                          number_text(row_[0]) + " that no finite S-parameters describe; expected "
                          "the parameters of a network that has S-parameters");
    }
    if (!data_.f_hz.empty() && !(f > data_.f_hz.back())) {
      fail(row_line_, "frequency " + number_text(row_[0]) + " no higher in hertz than the one before; "
                      "expected frequencies in increasing order");
    }
    data_.f_hz.push_back(f);
    data_.s.push_back(s);
    ++rows_;
    row_.clear();
  }

  void check_parameter() const {
    if (ports_ == 1 && (parameter_ == Parameter::H || parameter_ == Parameter::G)) {
      fail(options_line_ > 0 ? options_line_ : line_,
           std::string(parameter_name(parameter_)) + "-parameters in a one-port file; expected S, Y or Z");
    }
  }

  double reference(int port) const {
    return data_.reference_ohms.empty() ? resistance_ : data_.reference_ohms[static_cast<std::size_t>(port)];
  }

  // S from the file's parameters: with v = a + b and i = a - b in waves
  // normalised to each port's reference, x = P y gives
  // (Xb - P Yb) b = (P - I) a, Xb and Yb holding +1 for a voltage, -1 for a current.
  Matrix scattering(Matrix p) const {
    if (parameter_ == Parameter::S) return p;
    const Roles roles = roles_of(parameter_);
    const int ports = ports_;
    if (version_ == 2) {  // ohms and siemens to normalised values; version 1 holds them normalised
      for (int j = 0; j < ports; ++j) {
        for (int k = 0; k < ports; ++k) {
          const double rj = std::sqrt(reference(j)), rk = std::sqrt(reference(k));
          const double sx = roles.x_voltage[static_cast<std::size_t>(j)] ? 1 / rj : rj;
          const double sy = roles.y_voltage[static_cast<std::size_t>(k)] ? 1 / rk : rk;
          p[static_cast<std::size_t>(2 * j + k)] *= sx / sy;
        }
      }
    }
    auto sign = [](bool voltage) { return voltage ? 1.0 : -1.0; };
    if (ports == 1) {
      const Complex m = sign(roles.x_voltage[0]) - p[0] * sign(roles.y_voltage[0]);
      return {(p[0] - 1.0) / m, 0.0, 0.0, 0.0};
    }
    Matrix m, q;
    for (std::size_t j = 0; j < 2; ++j) {
      for (std::size_t k = 0; k < 2; ++k) {
        m[2 * j + k] = (j == k ? sign(roles.x_voltage[j]) : 0.0) - p[2 * j + k] * sign(roles.y_voltage[k]);
        q[2 * j + k] = p[2 * j + k] - (j == k ? 1.0 : 0.0);
      }
    }
    const Complex det = m[0] * m[3] - m[1] * m[2];
    const Matrix inv = {m[3] / det, -m[1] / det, -m[2] / det, m[0] / det};
    return {inv[0] * q[0] + inv[1] * q[2], inv[0] * q[1] + inv[1] * q[3],
            inv[2] * q[0] + inv[3] * q[2], inv[2] * q[1] + inv[3] * q[3]};
  }

  void finish() {
    const int last = line_ > 0 ? line_ : 1;
    if (reference_left_ > 0) {
      fail(last, "end of file after " + std::to_string(data_.reference_ohms.size()) +
                     " reference resistances; expected " + std::to_string(ports_) + " (one per port)");
    }
    if (!row_.empty()) {
      fail(row_line_, std::string(noise_ ? "last noise row of " : "last row of ") +
                          std::to_string(row_.size()) + " numbers; expected " + row_expected());
    }
    if (version_ == 2) {
      if (section_ == Section::Header || section_ == Section::Information) {
        fail(last, "end of file without [Network Data]; expected [Network Data], its rows and [End]");
      }
      if (section_ != Section::Ended) fail(last, "end of file without [End]; expected [End] after the data");
    }
    if (rows_ == 0) fail(last, "no network data; expected at least one frequency row");
    if (data_.reference_ohms.empty()) {
      data_.reference_ohms.assign(static_cast<std::size_t>(ports_), resistance_);
    }
  }

  std::string_view text_;
  const std::string& name_;
  NetworkData data_;
  int line_ = 0;
  int version_ = 0;  // 0 until the first line that is neither blank nor a comment
  int ports_ = 0;

  // The option line.
  int options_line_ = 0;
  double unit_ = 1e9;
  Parameter parameter_ = Parameter::S;
  Form form_ = Form::MA;
  double resistance_ = 50;

  // The keywords of version 2.0 and the lines they were on.
  Section section_ = Section::Header;
  int ports_line_ = 0, order_line_ = 0, count_line_ = 0, noise_count_line_ = 0;
  int reference_line_ = 0, layout_line_ = 0;
  Order order_ = Order::None;
  Layout layout_ = Layout::Full;
  std::size_t count_ = 0, noise_count_ = 0;
  std::size_t reference_left_ = 0;  // resistances of [Reference] still to come

  // The row being read, the rows read, and the noise data.
  std::vector<double> row_;
  int row_line_ = 0, first_row_line_ = 0;
  double last_f_ = 0;
  int last_line_ = 0;
  std::size_t rows_ = 0, noise_rows_ = 0;
  bool noise_ = false;
  int noise_line_ = 0;
};

}  // namespace

NetworkData read_touchstone(std::string_view text, const std::string& name) {
  return Reader(text, name).read();
}

std::array<std::complex<double>, 4> chain_matrix_of(const NetworkData& d, std::size_t i) {
  const auto& s = d.s.at(i);
  const Complex s11 = s[0], s12 = s[1], s21 = s[2], s22 = s[3];
  const double r1 = d.reference_ohms.at(0), r2 = d.reference_ohms.at(1);
  const Complex cross = s12 * s21, twice = 2.0 * s21;
  return {((1.0 + s11) * (1.0 - s22) + cross) / twice * std::sqrt(r1 / r2),
          ((1.0 + s11) * (1.0 + s22) - cross) / twice * std::sqrt(r1 * r2),
          ((1.0 - s11) * (1.0 - s22) - cross) / twice / std::sqrt(r1 * r2),
          ((1.0 - s11) * (1.0 + s22) + cross) / twice * std::sqrt(r2 / r1)};
}

std::complex<double> impedance_of(const NetworkData& d, std::size_t i) {
  const Complex s11 = d.s.at(i)[0];
  return d.reference_ohms.at(0) * (1.0 + s11) / (1.0 - s11);
}

}  // namespace varnholt

#include "pipeline/dialog_runner.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/fatal_error.h"
#include "common/file_system.h"
#include "format/console.h"
#include "format/reader.h"
#include "input/circuit_file.h"
#include "input/dialog.h"
#include "run/program.h"

namespace varnholt {
namespace {

// Default values that every check accepts, with zero reactances: every value
// a command gives is replied explicitly, and a reactance reply of 0 keeps the
// default, which must then be 0.
constexpr const char* kDefaults =
    "Command-line defaults\r\n0.5\r\n40\r\n100\r\n110\r\n90\r\n200\r\n50\r\nfilter.ckt\r\n"
    "report.txt\r\n200\r\n50\r\n5\r\n0\r\n0\r\n50\r\n50\r\n50\r\n";
constexpr const char* kDefaultsName = "Varnholt.DEF";
// The name under which the dialog opens the command's circuit file (the
// dialog uses 12 characters of a name; the real path may be any length).
constexpr const char* kCircuitAlias = "circuit.ckt";

// Keeps the last few kilobytes written: the console text a rejected circuit
// file leaves, without holding the console copy of a long report.
class TailBuffer : public std::streambuf {
 public:
  TailBuffer() : buffer_(kKeep * 16) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
  std::string text() const { return std::string(pbase(), pptr()); }
  void clear() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

 protected:
  int_type overflow(int_type ch) override {
    std::memmove(buffer_.data(), pptr() - kKeep, kKeep);
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    pbump(static_cast<int>(kKeep));
    if (!traits_type::eq_int_type(ch, traits_type::eof())) sputc(traits_type::to_char_type(ch));
    return traits_type::not_eof(ch);
  }

 private:
  static constexpr std::size_t kKeep = 4096;
  std::vector<char> buffer_;
};

std::string line(int32_t value) { return std::to_string(value) + "\n"; }

// The dialog's message about a circuit file, from the console text after the
// attempt to read it, on one line; the echoed cut-offs are left out.
std::string circuit_message(const std::string& console) {
  const std::string attempt = "Attempting to read User Data File:";
  std::size_t pos = console.rfind(attempt);
  pos = pos == std::string::npos ? 0 : console.find('\n', pos);
  std::string message;
  std::size_t start = pos == std::string::npos ? console.size() : pos + 1;
  while (start < console.size()) {
    std::size_t end = console.find('\n', start);
    if (end == std::string::npos) end = console.size();
    std::string text = console.substr(start, end - start);
    start = end + 1;
    if (text.find("User enters") != std::string::npos) continue;
    if (text.find(kCircuitAlias) != std::string::npos) continue;
    std::string words;
    for (char c : text) {
      if (c == '\r') continue;
      if (c == ' ' && (words.empty() || words.back() == ' ')) continue;
      words += c;
    }
    while (!words.empty() && words.back() == ' ') words.pop_back();
    if (words.empty()) continue;
    if (!message.empty()) message += ' ';
    message += words;
  }
  return message.empty() ? "not a usable circuit data file" : message;
}

}  // namespace

// The default values from memory, the command's circuit file under its alias.
class DialogRunner::Files : public FileSystem {
 public:
  explicit Files(FileSystem& disk) : disk_(disk) {}

  std::unique_ptr<std::istream> open_read(const std::string& name, std::string& why) override {
    if (name == kDefaultsName) return std::make_unique<std::istringstream>(kDefaults);
    if (name == kCircuitAlias && !circuit.empty()) {
      auto file = disk_.open_read(circuit, why);
      if (!file) throw UsageError(circuit + ": cannot be read (" + why + ")");
      return file;
    }
    why = "not a file of this command";
    return nullptr;
  }
  std::unique_ptr<std::ostream> open_write(const std::string&, std::string& why) override {
    why = "the command writes no storage file";
    return nullptr;
  }

  std::string circuit;

 private:
  FileSystem& disk_;
};

std::string reply_for(float value, const std::string& what) {
  char text[64];
  for (const auto format : {std::chars_format::general, std::chars_format::scientific}) {
    const auto res = std::to_chars(text, text + sizeof text, value, format);
    const std::string reply(text, res.ptr);
    const auto back = parse_number(reply);
    if (reply.size() <= 13 && back && std::memcmp(&*back, &value, sizeof value) == 0) {
      return reply + "\n";
    }
  }
  throw UsageError(what + ": the value cannot be given to the dialog's 13-column field");
}

float dialog_float(double value, const std::string& what) {
  const auto f = static_cast<float>(value);
  if (value != 0.0 && (f == 0.0f || !std::isfinite(f))) {
    throw UsageError(what + ": beyond the single precision of the interactive program's report (got " +
                     shortest(value) + ")");
  }
  return f;
}

DialogRunner::DialogRunner(FileSystem& files, Clock clock)
    : files_(std::make_unique<Files>(files)),
      console_buffer_(std::make_unique<TailBuffer>()),
      console_out_(std::make_unique<std::ostream>(console_buffer_.get())),
      console_(std::make_unique<Console>(in_, *console_out_)),
      session_(std::make_unique<Session>(Session{st_, *console_, *files_, std::move(clock)})) {}

DialogRunner::~DialogRunner() = default;

void DialogRunner::enter(const std::string& replies) {
  auto& tail = static_cast<TailBuffer&>(*console_buffer_);
  tail.clear();
  in_.clear();
  in_.str(replies);
  try {
    uinput(*session_, st_.main.a2);
  } catch (const FatalError& e) {
    // Every value was checked before it was replied, so the dialog asking
    // again (and meeting the end of the replies) is a fault of this layer.
    throw std::logic_error(std::string("the dialog did not accept the data: ") + e.what());
  }
  if (st_.control.isel == -1) throw UsageError(files_->circuit + ": " + circuit_message(tail.text()));
  if (in_.peek() != std::char_traits<char>::eof()) {
    throw std::logic_error("the dialog did not take every reply");
  }
}

void DialogRunner::print(std::ostream* sink) {
  console_->mirror_to(sink);
  try {
    report_run(*session_);
  } catch (const FatalError&) {
    throw UsageError("--report: cannot write the report");
  }
  console_->mirror_to(nullptr);
}

void DialogRunner::synthesise(const DesignRequest& d) {
  const bool band = d.type == FilterType::BandPass || d.type == FilterType::BandStop;
  std::string r = line(2) + line(static_cast<int32_t>(d.response)) +
                  line(static_cast<int32_t>(d.type));
  const auto reply = [](double v, const char* what) { return reply_for(dialog_float(v, what), what); };
  r += band ? reply(d.center, "--center") + reply(d.bandwidth, "--bandwidth")
            : reply(d.cutoff, "--cutoff");
  if (d.response == Response::Chebyshev) {
    r += reply(d.ripple, "--ripple");
    if (static_cast<float>(d.ripple) > 6.0f) r += line(0);  // keep a ripple above 6 dB
  }
  if (d.sections > 0) {
    r += line(d.sections);
  } else {
    r += line(0) + reply(d.skirt, "--skirt") + reply(d.attenuation, "--attenuation");
  }
  r += reply(d.impedance, "--impedance") + line(0);
  st_.control.isel = 0;
  enter(r);
  // The dialog designs as it reports: the stores are filled by running the
  // report, here without a sink. Printing it again later designs the same.
  print(nullptr);
}

std::string DialogRunner::analysis_replies(const AnalysisRequest& a, bool after_synthesis) {
  const auto reply = [](double v, const char* what) { return reply_for(dialog_float(v, what), what); };
  std::string r = after_synthesis ? line(a.circuit == Configuration::Dual ? 2 : 1) : std::string();
  return r + reply(a.source.r, "--source") + reply(a.source.x, "--source") +
         reply(a.load.r, "--load") + reply(a.load.x, "--load") +
         reply(a.sweep.fmin, "--from") + reply(a.sweep.fmax, "--to") +
         reply(a.sweep.fstep, "--step") + line(a.return_loss ? 2 : 1) + line(0);
}

void DialogRunner::analyse_synthesised(const std::string& replies, std::ostream* sink) {
  // As the after-synthesis menu's first choice leaves the selectors.
  st_.control.ifunc = 1;
  st_.control.isel = 4;
  enter(replies);
  print(sink);
}

void DialogRunner::read_circuit(const std::string& path) {
  files_->circuit = path;
  Control& c = st_.control;
  c.isel = 0;
  console_out_->flush();
  static_cast<TailBuffer&>(*console_buffer_).clear();
  ckfread(*session_, padded(kCircuitAlias, kNameLength), c.icfg, c.ides, c.isel, st_.block1.n);
  const std::string tail = static_cast<TailBuffer&>(*console_buffer_).text();
  if (c.isel == -1) throw UsageError(path + ": " + circuit_message(tail));
  if (st_.block1.n < 2 || st_.block1.n > kMaxSections) {
    throw UsageError(path + ": must hold from 2 to 30 sections (holds " +
                     std::to_string(st_.block1.n < 0 ? 0 : st_.block1.n) + ")");
  }
}

void DialogRunner::analyse_circuit(const std::string& path, const std::string& replies,
                                   std::ostream* sink) {
  files_->circuit = path;
  st_.control.isel = 0;
  enter(line(1) + line(2) + kCircuitAlias + "\n" + replies);
  print(sink);
}

}  // namespace varnholt

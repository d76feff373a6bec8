// Arbitrary bytes as the default-values file "Varnholt.DEF", read by defread
// at the first start of a session. Whatever the file holds, the reader either
// fails with one of its two messages or leaves defaults that pass every check
// the dialog relies on.
#include <sstream>
#include <string>

#include "common/file_system.h"
#include "common/session.h"
#include "format/console.h"
#include "input/defaults_file.h"
#include "input/reserved_names.h"
#include "fuzz_support.h"

using namespace varnholt;
using varnholt::fuzz::require;

namespace {

constexpr std::string_view kEndOfFile = "End-of-file in LUMPED ELEMENT FILTER default";
constexpr std::string_view kBadEntry = "Error exists in LUMPED ELEMENT FILTER default";

bool stored_anything(const State& st) {
  const Block2& d = st.block2;
  const Block3& e = st.block3;
  return d.amdef != 0 || d.a1def != 0 || d.fc1def != 0 || d.fh1def != 0 || d.fl1def != 0 ||
         d.fmaxdef != 0 || d.fmindef != 0 || d.fstepdef != 0 || d.fskirt != 0 || e.ndef != 0 ||
         e.zildef != 0 || e.zisdef != 0 || e.zodef != 0 || e.zrldef != 0 || e.zrsdef != 0 ||
         st.charac.fni != std::string(kNameLength, ' ') ||
         st.charac.fno != std::string(kNameLength, ' ');
}

// The limits of each default, as a successful read must leave them.
void check_defaults(const State& st) {
  const Block2& d = st.block2;
  const Block3& e = st.block3;
  require(d.amdef > 0, "Am default not positive");
  require(d.a1def > d.amdef, "A1 default not above Am");
  require(d.fc1def > 0, "FC1 default not positive");
  require(d.fl1def > 0 && d.fl1def < d.fh1def, "band edge defaults out of order");
  require(d.fmindef > 0 && d.fmindef <= d.fmaxdef, "sweep range defaults out of order");
  require(d.fskirt > 0, "skirt frequency default not positive");
  require(d.fstepdef > 0, "sweep step default not positive");
  require(e.ndef >= 2 && e.ndef <= kMaxSections, "N default outside 2..30");
  require(e.zodef >= 10.0f, "Zo default below 10 ohms");
  require(e.zrsdef > 0, "source resistance default not positive");
  require(st.charac.fni.size() == kNameLength && st.charac.fno.size() == kNameLength,
          "file name not 20 characters");
  require(!is_reserved_name(st.charac.fni) && !is_reserved_name(st.charac.fno),
          "reserved file name accepted as a default");
  // The first run works on the values just read.
  require(st.block1.am == d.amdef && st.block1.a1 == d.a1def && st.block1.n == e.ndef,
          "working values differ from their defaults");
  require(st.freq1.fc1 == d.fc1def && st.freq1.fh1 == d.fh1def && st.freq1.fl1 == d.fl1def,
          "working frequencies differ from their defaults");
  require(st.imp1.zo == e.zodef && st.imp1.zrs == e.zrsdef, "working impedances differ");
}

std::size_t count(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t pos = text.find(what); pos != std::string_view::npos;
       pos = text.find(what, pos + 1)) {
    ++n;
  }
  return n;
}

// The two parts of a message are printed on separate lines; join them back.
std::string without_line_ends(std::string_view text) {
  std::string joined;
  for (char c : text) {
    if (c != '\r' && c != '\n') joined.push_back(c);
  }
  return joined;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  MemoryFileSystem fs;
  fs.put("Varnholt.DEF", file);
  State st;
  std::istringstream in;  // the reader asks the user nothing
  std::ostringstream out;
  Console console(in, out);
  Session session{st, console, fs, fuzz::fixed_time};

  defread(session);  // the file exists, so no FatalError may escape

  require(fs.contents("Varnholt.DEF") == file, "the default-values file was changed");
  const std::string shown = out.str();
  require(fuzz::line_ends_are_crlf(shown) && fuzz::only_finished_lines(shown),
          "console output not in whole CR LF lines");
  if (st.control.isel == -1) {
    // Exactly one of the two messages, whose parts are split over lines.
    const std::string joined = without_line_ends(shown);
    require(count(joined, "LUMPED ELEMENT FILTER") == 1, "not exactly one message");
    require(count(joined, "Varnholt.DEF") == 1, "message does not name the file once");
    require(joined.find(kEndOfFile) != std::string::npos ||
                joined.find(kBadEntry) != std::string::npos,
            "unknown failure message");
    return 0;
  }
  require(st.control.isel == 0, "isel neither 0 nor -1 after reading the defaults");
  require(shown.empty(), "a successful read printed something");
  // A reader that returns without storing anything and without a message
  // leaves nothing to judge (as a reader that is not built yet does).
  if (!stored_anything(st)) return 0;
  check_defaults(st);
  return 0;
}

#include "input/circuit_file.h"

#include <ios>
#include <istream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/fatal_error.h"
#include "format/reader.h"
#include "ladder/ladder.h"

namespace varnholt {
namespace {

// Only the first 12 characters of the 20-character name field name the file.
constexpr std::size_t kUsedNameLength = 12;
constexpr std::size_t kLabelLength = 12;

// One line of a ladder position: the label shown when it is rejected and the
// element store it fills at the position's index.
struct ElementLine {
  std::string_view label;
  PositionArray Capind::*store;
};

struct Position {
  ElementLine lines[2];
  int count = 0;
};

// The lines of a position: its inductor, then its capacitor, as the branch has them.
Position position_lines(FilterType type, Placement placement) {
  const BranchStores b = branch_stores(type, placement);
  const bool shunt = placement == Placement::Shunt;
  Position p;
  if (b.l != nullptr) p.lines[p.count++] = {shunt ? "SHUNT Induct" : "SERIES Induc", b.l};
  if (b.c != nullptr) p.lines[p.count++] = {shunt ? "SHUNT Capaci" : "SERIES Capac", b.c};
  return p;
}

// How the read ended: a count of complete positions, or a rejected entry
// with its number and label.
struct Outcome {
  bool failed = false;
  int32_t entry = 0;
  std::string_view label;
  int32_t count = 0;
};

Outcome failure(int32_t entry, std::string_view label) { return {true, entry, label, 0}; }
Outcome count_of(int32_t count) { return {false, 0, {}, count}; }

// Reads one numeric line: false at the end of the file; otherwise `value`
// holds the number, or nothing when the line is a bad value.
bool next_number(std::istream& in, std::string& line, std::optional<float>& value) {
  if (!read_line(in, line)) return false;
  value = parse_number(line);
  return true;
}

Outcome read_circuit(Session& s, std::istream& in, int32_t& icfg, int32_t& ides) {
  static const Layout kLowPassEcho(
      "(6X,'User enters Lowpass Filter Cutoff Frequency = ',F11.4,' MHz.')");
  static const Layout kHighPassEcho(
      "(6X,'User enters Highpass Filter Cutoff Frequency = ',F11.4,' MHz.')");
  static const Layout kLowerEcho("(6X,'User enters Lower Cutoff Frequency = ',F11.4,' MHz.')");
  static const Layout kUpperEcho("(6X,'User enters Upper Cutoff Frequency = ',F11.4,' MHz.')");

  std::string line;
  std::optional<float> value;

  // The title, type and configuration lines are reported as entry 0, the
  // number the cut-off lines carry too. A file that ends at any of them is
  // rejected there, so the failure names the missing line.
  if (!read_line(in, line)) return failure(0, "1st line.");

  if (!next_number(in, line, value) || !value) return failure(0, "IDES.");
  const int32_t type = nearest_int(*value);
  if (type < 1 || type > 4) return failure(0, "IDES.");
  ides = type;

  if (!next_number(in, line, value) || !value) return failure(0, "ICFG.");
  const int32_t config = nearest_int(*value);
  if (config < 1 || config > 2) return failure(0, "ICFG.");
  icfg = config;

  // Cut-off frequencies, each echoed as soon as it is read. A file that ends
  // here has not even an empty ladder: the count -1 makes the dialog reject it.
  Freq1& f = s.st.freq1;
  if (type <= 2) {
    const std::string_view label = type == 1 ? "LP Cutoff Fr" : "HP Cutoff Fr";
    if (!next_number(in, line, value)) return count_of(-1);
    if (!value) return failure(0, label);
    f.fc1 = *value;
    s.console.show(type == 1 ? kLowPassEcho : kHighPassEcho, {f.fc1});
  } else {
    if (!next_number(in, line, value)) return count_of(-1);
    if (!value) return failure(0, "Lower Cutoff");
    f.fl1 = *value;
    s.console.show(kLowerEcho, {f.fl1});
    if (!next_number(in, line, value)) return count_of(-1);
    if (!value) return failure(0, "Upper Cutoff");
    f.fh1 = *value;
    s.console.show(kUpperEcho, {f.fh1});
    if (f.fl1 >= f.fh1) return failure(0, "Upper Cutoff");
    f.bw = f.fh1 - f.fl1;
    f.fo = (f.fh1 + f.fl1) * 0.5f;
  }

  // Element values, position by position from the source. Positions beyond
  // the capacity of the element stores are still read and checked, and
  // counted, but not stored: the count then tells the dialog that the ladder
  // is too long, and a bad entry there is reported like any other.
  Capind& c = s.st.capind;
  for (int32_t k = 1;; ++k) {
    const Position position =
        position_lines(filter_type(type), placement_at(configuration(config), k));
    for (int i = 0; i < position.count; ++i) {
      const ElementLine& element = position.lines[i];
      if (!next_number(in, line, value)) {
        // The file may end only where a position would begin.
        if (i == 0) return count_of(k - 1);
        return failure(k, element.label);
      }
      if (!value || !(*value > 0.0f)) return failure(k, element.label);
      if (k <= kMaxPositions) (c.*element.store)[static_cast<std::size_t>(k)] = *value;
    }
    // A counter that can go no higher ends the read as a ladder far too long.
    if (k == std::numeric_limits<int32_t>::max()) return count_of(k);
  }
}

}  // namespace

void ckfread(Session& s, const std::string& fni, int32_t& icfg, int32_t& ides, int32_t& isel,
             int32_t& n) {
  static const Layout kFailure(
      "(//,6X,'Error detected in User-defined data filename ',A12,/,6X,"
      "'Correct data entry # ',I3,' for variable: ',A12)");

  const std::string field = padded(fni, kNameLength);
  const std::string name(trimmed(std::string_view(field).substr(0, kUsedNameLength)));
  std::string why;
  std::unique_ptr<std::istream> file = s.fs.open_read(name, why);
  if (!file) throw FatalError("cannot open circuit data file \"" + name + "\": " + why);

  Outcome outcome;
  try {
    outcome = read_circuit(s, *file, icfg, ides);
  } catch (const std::ios_base::failure& e) {
    // A file that opens but cannot be read (a directory, a device error)
    // ends the run like one that cannot be opened.
    throw FatalError("cannot read circuit data file \"" + name + "\": " + e.what());
  }
  file.reset();
  if (!outcome.failed) {
    n = outcome.count;
    return;
  }
  const std::string label = padded(outcome.label, kLabelLength);
  s.console.show(kFailure, {std::string_view(field), outcome.entry, std::string_view(label)});
  isel = -1;
}

}  // namespace varnholt

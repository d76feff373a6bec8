#include "input/defaults_file.h"

#include <cmath>
#include <ios>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/fatal_error.h"
#include "format/reader.h"
#include "input/reserved_names.h"

namespace varnholt {
namespace {

constexpr const char* kFileName = "Varnholt.DEF";

// Stores v in its working field, so that a rejected value is still there,
// and in its default field when it is `accepted`; returns `accepted`.
template <typename T>
bool keep(T& work, T& def, T v, bool accepted) {
  work = v;
  if (accepted) def = v;
  return accepted;
}

// One line of the file after the title. A numeric entry is read with the
// 13-column field, a name entry as 20 characters. A handler returns false
// when the entry is rejected. Each check is written as "not rejected", the
// form of the rule, so that a value no comparison holds for is not rejected.
struct Entry {
  std::string_view label;
  bool (*number)(State&, float);
  bool (*name)(State&, const std::string&);
};

constexpr Entry kEntries[] = {
    {"Am.",
     [](State& st, float v) {
       return keep(st.block1.am, st.block2.amdef, std::fabs(v), v != 0.0f);
     },
     nullptr},
    // The attenuation wanted must lie above the ripple already read.
    {"A1.",
     [](State& st, float v) {
       const float a1 = std::fabs(v);
       return keep(st.block1.a1, st.block2.a1def, a1, !(v == 0.0f || st.block1.am >= a1));
     },
     nullptr},
    {"FC1.",
     [](State& st, float v) { return keep(st.freq1.fc1, st.block2.fc1def, v, !(v <= 0.0f)); },
     nullptr},
    {"FH1.",
     [](State& st, float v) { return keep(st.freq1.fh1, st.block2.fh1def, v, !(v <= 0.0f)); },
     nullptr},
    {"FL1.",
     [](State& st, float v) {
       return keep(st.freq1.fl1, st.block2.fl1def, v, !(v <= 0.0f || v >= st.freq1.fh1));
     },
     nullptr},
    {"Fmax.",
     [](State& st, float v) { return keep(st.freq1.fmax, st.block2.fmaxdef, v, !(v <= 0.0f)); },
     nullptr},
    {"Fmin.",
     [](State& st, float v) {
       return keep(st.freq1.fmin, st.block2.fmindef, v, !(v <= 0.0f || v > st.freq1.fmax));
     },
     nullptr},
    {"FNI.", nullptr,
     [](State& st, const std::string& name) {
       st.charac.fni = name;
       return !is_reserved_name(name);
     }},
    {"FNO.", nullptr,
     [](State& st, const std::string& name) {
       st.charac.fno = name;
       return !is_reserved_name(name);
     }},
    {"F1.", [](State& st, float v) { return keep(st.freq1.f1, st.block2.fskirt, v, !(v <= 0.0f)); },
     nullptr},
    {"Fstep.",
     [](State& st, float v) { return keep(st.freq1.fstep, st.block2.fstepdef, v, !(v <= 0.0f)); },
     nullptr},
    {"N.",
     [](State& st, float v) {
       const int32_t n = nearest_int(v);
       return keep(st.block1.n, st.block3.ndef, n, !(n < 2 || n > kMaxSections));
     },
     nullptr},
    {"ZIL.", [](State& st, float v) { return keep(st.imp1.zil, st.block3.zildef, v, true); },
     nullptr},
    {"ZIS.", [](State& st, float v) { return keep(st.imp1.zis, st.block3.zisdef, v, true); },
     nullptr},
    {"Zo.", [](State& st, float v) { return keep(st.imp1.zo, st.block3.zodef, v, !(v < 10.0f)); },
     nullptr},
    {"ZRL.", [](State& st, float v) { return keep(st.imp1.zrl, st.block3.zrldef, v, true); },
     nullptr},
    {"ZRS.",
     [](State& st, float v) { return keep(st.imp1.zrs, st.block3.zrsdef, v, !(v <= 0.0f)); },
     nullptr},
};

enum class Problem { None, MissingEntry, BadEntry };

struct Outcome {
  Problem problem = Problem::None;
  std::string_view label;
};

// Reads the title line and the entries in file order, stopping at the first
// line that is missing or rejected; lines after the last entry are not read.
Outcome read_entries(std::istream& in, State& st) {
  std::string line;
  if (!read_line(in, line)) return {Problem::MissingEntry, "first line."};
  for (const Entry& entry : kEntries) {
    if (!read_line(in, line)) return {Problem::MissingEntry, entry.label};
    bool accepted = false;
    if (entry.name != nullptr) {
      accepted = entry.name(st, padded(line, kNameLength));
    } else {
      const std::optional<float> value = parse_number(line);
      accepted = value.has_value() && entry.number(st, *value);
    }
    if (!accepted) return {Problem::BadEntry, entry.label};
  }
  return {};
}

}  // namespace

void defread(Session& s) {
  static const Layout kMissing(
      "(/,6X,'End-of-file in LUMPED ELEMENT FILTER default ','value data',/,6X,"
      "'file (Varnholt.DEF). Entry missing for ','variable ',A12)");
  static const Layout kBad(
      "(/,6X,'Error exists in LUMPED ELEMENT FILTER default ','value data',/,6X,"
      "'file (Varnholt.DEF). Fix entry for ','variable ',A12)");

  std::string why;
  std::unique_ptr<std::istream> file = s.fs.open_read(kFileName, why);
  if (!file) {
    throw FatalError(std::string("cannot open default-values file \"") + kFileName + "\": " + why);
  }
  Outcome outcome;
  try {
    outcome = read_entries(*file, s.st);
  } catch (const std::ios_base::failure& e) {
    // A file that opens but cannot be read (a directory, a device error)
    // ends the run like one that cannot be opened.
    throw FatalError(std::string("cannot read default-values file \"") + kFileName + "\": " +
                     e.what());
  }
  file.reset();  // nothing reads the file again
  if (outcome.problem == Problem::None) return;

  // Labels are held in 20-character fields; the message shows the first 12.
  const std::string label = padded(outcome.label, kNameLength);
  s.console.show(outcome.problem == Problem::MissingEntry ? kMissing : kBad,
                 {std::string_view(label)});
  s.st.control.isel = -1;
}

}  // namespace varnholt

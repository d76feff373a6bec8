// A command line taken apart: which command, and the text of each option as
// typed. Reading the text into checked values is a separate step, so that
// every rule has one message format whatever parsed the line.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/requests.h"

namespace varnholt {

enum class CommandKind { Help, Version, Design, Analyse };

struct Command {
  CommandKind kind = CommandKind::Help;
  std::string help;                           // the usage text for Help
  std::map<std::string, std::string> values;  // "--cutoff" -> "100"
  bool return_loss = false;
  bool both = false;      // --html: the alternative circuit too
  bool log_axis = false;  // --html: logarithmic frequency axis
  std::string circuit_file;                   // analyse
  bool given(const std::string& option) const { return values.count(option) != 0; }
};

// Takes the arguments apart; throws UsageError for an unknown option, a
// missing value or a missing command.
Command parse_command(const std::vector<std::string>& args);

// The checked data of the command's options (design data, terminations,
// sweep, circuit, reference); a value is nothing when its option is absent.
struct Options {
  DesignRequest design;
  std::optional<Configuration> circuit;
  std::optional<Termination> source, load;
  std::optional<SweepRange> sweep;
  std::optional<int64_t> points;  // of the default sweep when no range is given
  std::optional<float> reference;
  bool return_loss = false;
};
Options read_options(const Command& command);

// The sweep of a command with `points` points (201 when not given) around the
// design: low-pass 0.01 fc to 3 fc, high-pass fc / 3 to 3 fc, band types
// 1.5 bandwidths either side of the centre (from a tenth of the lower edge
// when that would reach 0 MHz).
SweepRange default_sweep(FilterType type, float cutoff, float lower, float upper,
                    std::optional<int64_t> points);

// The step that gives `points` points from `from` to `to` with the dialog's
// count; throws UsageError when the float step cannot.
float step_for_points(float from, float to, int64_t points);

}  // namespace varnholt

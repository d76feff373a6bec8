// The argument parser of the command line: arguments to a Command.
#pragma once

#include <string>
#include <vector>

#include "pipeline/command.h"

namespace varnholt {

// How an option is written: `--name VALUE`, `--name` alone, `--name` with or
// without a value, or `--name VALUE` given any number of times.
enum class OptionForm { Value, Flag, OptionalValue, Repeatable };

struct OptionInfo {
  std::string name;  // "--cutoff"
  std::string help;
  OptionForm form;
  std::string group;  // "Design", "Practical", "Sweep and terminations", ...
};

// The form's name as a front-end page writes it: "value", "flag", "optional"
// or "repeat".
const char* option_form_name(OptionForm form);

// The options of a command (Design, Analyse or Serve) in the parser's order,
// from the parser's own tables: what a front-end's form offers.
std::vector<OptionInfo> command_options(CommandKind kind);

// Takes the arguments apart; throws UsageError for an unknown option, a
// missing value or a missing command.
Command parse_command(const std::vector<std::string>& args);

}  // namespace varnholt

// A command as typed: which command, and the text of each option. Reading
// the text into checked values (read_job) is a separate step, so that every
// rule has one message format whatever took the line apart: the argument
// parser of the command line, or a front-end's form.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace varnholt {

enum class CommandKind { Help, Version, Design, Analyse, Serve };

struct Command {
  CommandKind kind = CommandKind::Help;
  std::string help;                           // the usage text for Help
  std::map<std::string, std::string> values;  // "--cutoff" -> "100"; repeats joined by ';'
  bool return_loss = false;
  bool both = false;      // --html: the alternative circuit too
  bool log_axis = false;  // --html: logarithmic frequency axis
  bool align = false;     // coupled resonators: each trial aligned before its mask check
  std::string circuit_file;                   // analyse
  std::vector<std::string> parts;             // --part NAME=FILE, each as typed
  bool extrapolate = false;                   // parts held beyond their files' ranges
  bool given(const std::string& option) const { return values.count(option) != 0; }
};

}  // namespace varnholt

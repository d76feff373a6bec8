// The argument parser of the command line: arguments to a Command.
#pragma once

#include <string>
#include <vector>

#include "pipeline/command.h"

namespace varnholt {

// Takes the arguments apart; throws UsageError for an unknown option, a
// missing value or a missing command.
Command parse_command(const std::vector<std::string>& args);

}  // namespace varnholt

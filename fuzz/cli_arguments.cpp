// Arbitrary command lines (one argument per line) through the argument parser
// and the option checks. Every design the checks accept must go through the
// dialog in-process without a reply it refuses, and a short sweep through the
// after-synthesis analysis too: the checks and the dialog must agree. Elliptic
// designs go through their own synthesis.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/dialog_runner.h"
#include "cli/exports.h"
#include "common/file_system.h"
#include "fuzz_support.h"

using namespace varnholt;

namespace {
constexpr int64_t kMostPoints = 2000;  // longer sweeps are parsed but not run
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  std::istringstream lines(input);
  for (std::string line; std::getline(lines, line);) args.push_back(line);
  try {
    const Command c = parse_command(args);
    if (c.kind != CommandKind::Design && c.kind != CommandKind::Analyse) return 0;
    const Options o = read_options(c);
    if (c.kind != CommandKind::Design) return 0;
    if (o.design.response == Response::Elliptic) {
      // Its own synthesis: a design it cannot realise is a UsageError too.
      elliptic_design(o.design, o.circuit.value_or(Configuration::Standard), "--");
      return 0;
    }
    MemoryFileSystem files;
    DialogRunner runner(files, fuzz::fixed_time);
    runner.synthesise(o.design, nullptr);
    if (o.sweep && sweep_points(*o.sweep) <= kMostPoints) {
      AnalysisRequest a;
      a.sweep = *o.sweep;
      a.source = o.source.value_or(Termination{});
      a.load = o.load.value_or(Termination{});
      runner.analyse_synthesised(a, nullptr);
    }
  } catch (const UsageError&) {
    // A refused command line: the expected outcome of most inputs.
  }
  return 0;
}

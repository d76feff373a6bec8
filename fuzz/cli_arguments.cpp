// Arbitrary command lines (one argument per line) through the argument parser,
// the option checks and the evaluation. Every job the checks accept must
// evaluate without a fault (a refusal is a UsageError), and its outputs must
// be written; long sweeps are checked but not run.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "common/file_system.h"
#include "fuzz_support.h"
#include "pipeline/evaluate.h"
#include "writers/writers.h"

using namespace varnholt;

namespace {
constexpr int64_t kMostPoints = 2000;  // longer sweeps are parsed but not run
constexpr int kMostTrials = 20;
constexpr int64_t kMostEvaluations = 50;
constexpr int kMostRefinedSections = 7;

bool too_long(const Job& job) {
  if (job.practical.yield.trials > kMostTrials && job.practical.tolerances) return true;
  // A value search is bounded by its evaluations, a refinement by the design's size.
  if (job.practical.optimise && job.practical.optimise->max_evaluations > kMostEvaluations) return true;
  if (job.practical.refine && (job.design.sections == 0 || job.design.sections > kMostRefinedSections)) {
    return true;
  }
  if (job.points && *job.points > kMostPoints) return true;
  if (!job.sweep) return false;
  const SweepRequest& s = *job.sweep;
  if (s.points > 0) return s.points > kMostPoints;
  return (s.to - s.from) / s.step > static_cast<double>(kMostPoints);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  std::istringstream lines(input);
  for (std::string line; std::getline(lines, line);) args.push_back(line);
  try {
    const Command c = parse_command(args);
    if (c.kind != CommandKind::Design) return 0;
    const Job job = read_job(c);
    if (too_long(job)) return 0;
    MemoryFileSystem files;
    const Result r = evaluate(job, files, fuzz::fixed_time);
    for (const auto& [output, path] : job.outputs) {
      std::ostringstream out;
      write_output(output, out, r, {path});
    }
  } catch (const UsageError&) {
    // A refused command line: the expected outcome of most inputs.
  }
  return 0;
}

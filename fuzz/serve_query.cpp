// Arbitrary queries of the web front-end through its reading (query to job)
// and, for those accepted, the evaluation and the output asked for. The first
// line names the output (report, json, ...; anything else: the page), the
// rest is the query string. Every query must be answered: a job, or a
// UsageError with its message. The server's limits are set low here so that
// every accepted job stays short; refinements of many sections are skipped.
#include <cstdint>
#include <sstream>
#include <string>

#include "common/file_system.h"
#include "fuzz_support.h"
#include "pipeline/evaluate.h"
#include "serve/query.h"
#include "writers/writers.h"

using namespace varnholt;

namespace {
constexpr int kMostRefinedSections = 7;

Output output_of(const std::string& name) {
  for (const Output o : kOutputs) {
    if (name == option_of(o) + 2) return o;
  }
  return Output::Html;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t line = input.find('\n');
  const Output output = output_of(input.substr(0, line));
  const std::string query = line == std::string::npos ? "" : input.substr(line + 1);
  ServeLimits limits;
  limits.points = 2000;
  limits.trials = 20;
  limits.evaluations = 50;
  try {
    const Job job = query_job(decode_query(query), "", output, limits);
    fuzz::require(job.outputs.size() == 1 && job.outputs.count(output) == 1, "one output");
    if (job.practical.refine &&
        (job.design.sections == 0 || job.design.sections > kMostRefinedSections)) {
      return 0;
    }
    MemoryFileSystem files;
    const Result r = evaluate(job, files, fuzz::fixed_time);
    std::ostringstream out;
    write_output(output, out, r, {job.outputs.begin()->second});
  } catch (const UsageError& e) {
    fuzz::require(*e.what() != '\0', "a refusal says why");
  }
  return 0;
}

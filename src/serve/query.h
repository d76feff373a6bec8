// A request of the web front-end read as a command: the query string's
// name=value pairs are the command line's long options without the dashes,
// their values written as on the command line. The server, the tests and the
// fuzzer all go through here, so a query and the command line it stands for
// are one job.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pipeline/job.h"

namespace varnholt {

// The pairs of a query in their order, each name and value %-decoded ('+' a
// space). Throws UsageError for a malformed %-escape.
using QueryItems = std::vector<std::pair<std::string, std::string>>;
QueryItems decode_query(std::string_view query);

// What one request may ask of the server.
struct ServeLimits {
  int64_t points = 100001;       // sweep points
  int64_t trials = 100000;       // Monte Carlo trials of --tolerance-l/-c
  int64_t samples = 20100000;    // trials times sweep points (the memory of a yield run)
  int64_t evaluations = 200000;  // designs of an --optimise search
  std::size_t upload = std::size_t{4} << 20;  // bytes of a request's body
};

// The command line of a query: "design" (or "analyse CIRCUIT" when `circuit`,
// the name of an uploaded file, is given), then "--name=value" per pair in
// order. A flag is `name`, `name=1`, `name=on` or `name=true` (`name=0`,
// `off` or `false`: not given); a value left blank is an option not given.
// Throws UsageError for a name that is no option of the command, and for the
// options that name a file the server would write or that set its threads.
std::vector<std::string> query_arguments(const QueryItems& items, const std::string& circuit);

// Whether the served page offers the option (the command's long name, with
// its dashes): all but the output files and --threads.
bool served_option(const std::string& name);
// Whether the option's value names an input file, which the server opens
// only among the request's uploads.
bool file_option(const std::string& name);

// The file an output is downloaded as: "design.txt", "design.json", ...
// (after the analysed file's stem when there is one: "bp.csv").
std::string download_name(Output output, const std::string& circuit);

// The job of the query for one output, as `varnholt design ... --KIND NAME`
// with NAME its download name; --both and --log are the page's options and
// go with the page alone. Throws UsageError with the command line's message,
// or naming the limit exceeded.
Job query_job(const QueryItems& items, const std::string& circuit, Output output,
              const ServeLimits& limits);

// The name an uploaded file is held under: its base name without any folder
// or control character ("upload" when nothing is left).
std::string upload_name(const std::string& filename);

}  // namespace varnholt

// A job: a command read into checked values. What to build (a design, or the
// design file or circuit data file to analyse), the terminations, the sweep,
// the practical options and the outputs asked for. evaluate(job) gives the
// one Result that every writer shows.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ladder/network.h"
#include "pipeline/command.h"
#include "pipeline/measured.h"
#include "pipeline/requests.h"
#include "practical/optimise.h"
#include "practical/standard_values.h"
#include "practical/tolerance.h"

namespace varnholt {

// The outputs, each the work of one writer (src/writers).
enum class Output { Report, Json, Spice, Touchstone, Csv, Html };
inline constexpr Output kOutputs[] = {Output::Report,     Output::Json, Output::Spice,
                                      Output::Touchstone, Output::Csv,  Output::Html};
// "--report", "--json", ...: the option that asks for the output.
const char* option_of(Output output);

// The sweep as typed, MHz: from, to and the step or the number of points.
struct SweepRequest {
  double from = 0.0, to = 0.0;
  double step = 0.0;   // 0: from the points
  int64_t points = 0;  // 0: from the step
};

// The standard values chosen by a search rather than by rounding each
// element alone: for the worst margin to the mask, or for the yield.
struct OptimiseRequest {
  ValueObjective objective = ValueObjective::WorstMargin;
  bool pairs = false;              // capacitors may be two parts in parallel or in series
  std::vector<std::string> free;   // elements set continuously, by name ("C2")
  int64_t max_evaluations = ValueOptions{}.max_evaluations;
};

// Values rounded to a preferred-value series, component Q, tolerances and
// the mask their trials (and the circuits themselves) are checked against.
struct PracticalOptions {
  std::optional<ESeries> round_l, round_c;
  PartModel losses;  // the Q and parasitics of the parts; infinite Q and none: ideal parts
  std::optional<Tolerances> tolerances;
  Mask mask;  // its passbands come from the design's edges when the job is evaluated
  YieldOptions yield;
  // Coupled resonators: each trial's resonators tuned to the centre (as on
  // the bench) before the trial is checked against the mask.
  bool align = false;
  std::optional<OptimiseRequest> optimise;  // with the series of the rounding
  // Every value set continuously so that the built circuit matches the ideal
  // response over the passband and at its edges (not with rounding).
  bool refine = false;
  bool rounded() const { return round_l || round_c; }
  // A Q or a parasitic in force: the built ladder has a response of its own.
  bool lossy() const;
  // The built circuit's name: "rounded with losses", "with parasitics",
  // "rounded with losses and parasitics", ...
  std::string built_name() const;
  bool masked() const;
  bool any() const { return rounded() || lossy() || tolerances || masked() || refine; }
};

struct Job {
  bool analyse = false;  // a file to analyse (path) rather than a design to make
  DesignRequest design;  // the design, when not analysing
  std::string path;      // the design file or circuit data file
  std::optional<Configuration> circuit;
  std::optional<Termination> source, load;
  std::optional<SweepRequest> sweep;
  std::optional<int64_t> points;    // of the default sweep (201 when not given)
  std::optional<double> reference;  // ohms, of the Touchstone file
  bool return_loss = false;
  PracticalOptions practical;
  MeasuredRequest measured;  // measured parts and the measurement to compare
  bool both = false;      // the page draws the alternative circuit too
  bool log_axis = false;  // the page's frequency axes are logarithmic
  // Each output asked for and its path ("-": standard output). With none the
  // report goes to standard output.
  std::map<Output, std::string> outputs;
  bool wants(Output o) const { return outputs.count(o) != 0; }
};

// Reads and checks the options of a design or analyse command; throws
// UsageError naming the option and the rule.
Job read_job(const Command& command);

// A coupled-resonator design has one circuit: throws UsageError for
// --circuit dual and --both.
void check_one_circuit(const Job& job);

}  // namespace varnholt

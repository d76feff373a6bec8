// The practical-design options of the design and analyse commands: element
// values rounded to a preferred-value series, component Q, and tolerances
// with their Monte Carlo yield against a mask. Read and checked here; run by
// run_practical for the exports and the report section that follows the
// dialog's report.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/exports.h"
#include "ladder/network.h"
#include "practical/standard_values.h"
#include "practical/tolerance.h"

namespace CLI {
class App;
}

namespace varnholt {

struct PracticalOptions {
  std::optional<ESeries> round_l, round_c;
  Losses losses;  // infinite Q: lossless
  std::optional<Tolerances> tolerances;
  Mask mask;  // its passbands come from the design's edges
  YieldOptions yield;
  bool rounded() const { return round_l || round_c; }
  bool lossy() const;
  bool any() const { return rounded() || lossy() || tolerances; }
};

// Adds the options to a command's parser (their text goes to Command::values;
// --mask-stopband, repeatable, keeps its values joined by ';').
void add_practical_options(CLI::App& app, Command& command);

// The checked options; throws UsageError naming the option and the rule.
PracticalOptions read_practical_options(const Command& command);

// The passbands of a design between the sweep's ends: below the cut-off
// (low-pass), above it (high-pass), between the edges (band-pass), outside
// them (band-stop).
std::vector<Passband> design_passbands(FilterType type, double cutoff, double lower, double upper,
                                       double sweep_from, double sweep_to);

struct PracticalResult {
  PracticalOptions options;
  RoundedLadder rounded;  // the ideal ladder when nothing is rounded
  std::optional<YieldResult> yield;
  std::vector<double> f_mhz;  // the sweep
};

// Rounds the ladder and, with tolerances, runs the trials of the rounded
// lossy ladder between zs and zl over the sweep.
PracticalResult run_practical(const PracticalOptions& options, const Ladder& ideal, Complex zs,
                              Complex zl, const std::vector<Passband>& passbands,
                              std::span<const double> sweep_mhz);

// "Component Q: inductors 50, capacitors lossless, the same at every frequency".
std::string q_assumptions(const PracticalOptions& options);

// The report section: rounded values, the Q assumed, the yield.
void write_practical_report(std::ostream& out, const PracticalResult& result);

// The CSV columns: S21 dB of the rounded ladder (when rounding), of the lossy
// rounded ladder (with losses), the 5th/50th/95th percentiles of S21 dB and
// S11 dB over the trials (with tolerances).
CsvColumns practical_csv_columns(const PracticalResult& result, Complex zs, Complex zl);

}  // namespace varnholt

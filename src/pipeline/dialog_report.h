// The interactive program's report of a job, from its float path: the
// dialog run in-process on the job's data, as the command's evaluation sets
// it up, and printed with the dialog's own layouts.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "common/stores.h"
#include "synthesis/coupled_report.h"
#include "synthesis/elliptic.h"

namespace varnholt {

class DialogRunner;

struct DialogReport {
  // Computed: a response only the double path designs, reported from
  // stores filled with its values (`stores`, and the loads ros and rod).
  enum class Kind {
    Synthesis,
    EllipticSynthesis,
    ComputedSynthesis,
    CoupledSynthesis,
    DesignAnalysis,
    CircuitAnalysis
  };
  Kind kind = Kind::Synthesis;
  std::shared_ptr<DialogRunner> runner;    // holds the synthesised (or read) stores
  std::string analysis_replies;            // the analysis after the synthesis; none: empty
  std::optional<EllipticDesign> elliptic;  // EllipticSynthesis
  std::optional<CoupledReport> coupled;    // CoupledSynthesis
  std::string path;                        // CircuitAnalysis: the file
  std::shared_ptr<State> stores;           // ComputedSynthesis
  float ros = 0.0f, rod = 0.0f;            // ComputedSynthesis: the loads
  Datetime datetime;                       // Elliptic, Computed and CoupledSynthesis: of the run header
  int64_t rows = 0;                        // of the analysis
};

// Runs the report's analysis (if any) and prints the report to `out`.
void print_dialog_report(std::ostream& out, const DialogReport& report);

}  // namespace varnholt

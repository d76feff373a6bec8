// The one result of a job: every circuit, sweep and figure that any output
// shows, computed once by evaluate(). The writers (src/writers) format it;
// none of them computes anything of its own. Two things are computed as they
// are written, so that millions of rows stream in constant memory: the float
// rows of the interactive program's report (Result::dialog), and the points
// of a network's response over the sweep (SweepResponse), each the same
// numbers in every output.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/stores.h"
#include "ladder/ladder.h"
#include "ladder/network.h"
#include "pipeline/dialog_report.h"
#include "pipeline/job.h"
#include "pipeline/measured.h"
#include "pipeline/response.h"
#include "practical/optimise.h"
#include "practical/standard_values.h"
#include "practical/tolerance.h"
#include "synthesis/coupled_report.h"
#include "synthesis/elliptic.h"

namespace varnholt {

// A stopband requirement: at least `db` of loss from the stopband edge(s)
// outward (low-pass: above the edge; band-stop: between two edges).
struct StopbandRequirement {
  std::vector<double> edges_mhz;  // one or two
  double db = 0.0;                // positive: loss
  // Where the figures quote the loss; the edge with the least loss when absent.
  std::optional<double> figure_mhz;
};

// The figures of the chosen circuit: loss at the cut-off (the worse band
// edge), at F1 (or the stopband edge), and the worst return loss over the
// swept passband.
struct KeyFigures {
  std::optional<double> cutoff_mhz, loss_at_cutoff_db;
  std::optional<double> f1_mhz, loss_at_f1_db;
  std::optional<double> worst_return_loss_db;
};

// One circuit checked against the mask: its worst margin (dB, positive
// inside the mask), the mask item and the frequency where it occurs.
struct MaskCheck {
  std::string circuit;  // "ideal", "rounded", PracticalOptions::built_name()
  bool pass = true;
  double worst_margin_db = 0.0;
  double at_mhz = 0.0;
  std::size_t item = 0;  // index into Result::mask_items
};

// What the design file records: the design data, the prototype, both
// circuits in double precision and in the element stores' float values
// (which the interactive program's report analyses).
struct DesignRecord {
  DesignRequest design;
  int32_t sections = 0;
  std::optional<double> attenuation_reached;  // dB at the skirt (order from the skirt)
  std::vector<double> prototype;              // g(1) .. g(n+1)
  Circuit standard, dual;                     // with their own loads
  std::optional<std::pair<Circuit, Circuit>> dialog_values;  // standard, dual: the stores' floats
  std::vector<double> stopband_mhz;           // elliptic: the stopband edges
  // Coupled resonators: the design (its elements with the values of
  // `standard`, the one circuit); no dual circuit, no dialog values.
  std::optional<CoupledDesign> coupled;
};

// A refinement: the fit and what it was fitted to.
struct Refinement {
  RefineResult fit;
  std::string target;  // "the ladder band-pass of the same design", ...
  std::vector<double> f_mhz;  // the frequencies fitted: the swept passband and its edges
  std::optional<MeasuredBand> band;  // coupled resonators: the band the refined circuit has
};

struct Result {
  FilterType type = FilterType::LowPass;
  int32_t sections = 0;
  std::optional<DesignRecord> record;  // designs and design files; none for a circuit data file
  std::string source_name;             // the file analysed; empty for a design
  std::string description;             // "varnholt 1.1 design: lowpass chebyshev, 5 sections, ..."

  Circuit chosen;
  std::optional<Circuit> other;  // the alternative circuit (standard or dual), when asked for
  bool log_frequency = false;    // the page's frequency axes
  double reference_ohms = 50.0;  // of the S-parameters

  std::pair<double, double> passband;  // edges, MHz; low-pass {0, fc}, high-pass {fc, fc}
  std::optional<StopbandRequirement> stopband;  // skirt requirement or elliptic stopband

  std::vector<double> f_mhz;  // the sweep of every output but the report
  SweepResponse ideal;        // the chosen circuit over f_mhz (for the CSV and the page)
  KeyFigures figures;         // for the page
  // Coupled resonators: the band the chosen circuit really has.
  std::optional<MeasuredBand> measured;

  // Practical design: what is built (rounded, with losses) and how it fares.
  PracticalOptions practical;
  RoundedLadder rounded;                // every element ideal and rounded; the ideal when not rounding
  SweepResponse rounded_response;       // the rounded ladder, when rounding
  SweepResponse lossy;                  // the built ladder with its Q and parasitics, when lossy
  std::vector<MaskItem> mask_items;     // with their trial failures when there were trials
  std::vector<MaskCheck> checks;        // ideal, rounded, lossy: those that differ
  std::optional<YieldResult> yield;     // of the built ladder

  // The values searched for (--optimise) or refined (--refine): the ladder
  // built instead of the plain rounding, its response without the parts'
  // losses and parasitics, and (with tolerances) the yield of the ideal
  // values and of the plain rounding beside the built one's.
  std::optional<ValueResult> optimised;
  std::optional<Refinement> refined;
  SweepResponse chosen_response;  // the built ladder without its losses
  std::optional<double> ideal_yield_percent, rounded_yield_percent;

  // Measured parts in the built ladder, a measurement compared with it, or a
  // measured file shown alone (then `ideal` holds the measurement).
  Measurements measurements;

  // The built ladder with its losses, whose S-parameters alone the
  // Touchstone file gives, when asked for.
  std::optional<Evaluator> built_network;

  // The interactive program's own report of the job, when it is asked for:
  // the dialog holding its float design (or the file it read) and the
  // analysis it is to report. Its rows are computed in float as they are
  // printed, as the interactive program prints them, so that a report of
  // millions of rows streams in constant memory; nothing else in the result
  // holds them.
  std::optional<DialogReport> dialog;

  // The ladder that would be built: optimised, refined or rounded; the Q and
  // parasitics in practical.losses.
  const Ladder& built() const {
    return optimised ? optimised->ladder : refined ? refined->fit.ladder : rounded.ladder;
  }
};

}  // namespace varnholt

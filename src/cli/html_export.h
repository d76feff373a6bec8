// The design page (--html): a command's design or analysis gathered into the
// page's data. The sweep is the exports' sweep (the same frequencies as
// --csv) evaluated in double precision; the key figures are computed here,
// the page only shows them.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/command.h"
#include "html/page.h"
#include "ladder/ladder.h"

namespace varnholt {

// A circuit with the terminations it is evaluated between.
struct PageCircuit {
  std::string name;  // "Standard circuit", "Dual circuit", ...
  Ladder ladder;
  Termination source, load;
};

// A stopband requirement: at least `db` of loss from the stopband edge(s)
// outward (low-pass: above the edge; band-stop: between two edges).
struct StopbandRequirement {
  std::vector<double> edges_mhz;  // one or two
  double db = 0.0;                // positive: loss
  // Where the page quotes the loss; the edge with the least loss when absent.
  std::optional<double> figure_mhz;
};

// What the page shows, as the command knows it.
struct PageRequest {
  std::string title;
  std::vector<html::Parameter> parameters;
  FilterType type = FilterType::LowPass;
  std::pair<double, double> passband;  // edges, MHz; low-pass {0, fc}, high-pass {fc, fc}
  PageCircuit chosen;
  std::optional<PageCircuit> other;  // --both
  SweepRange sweep;
  std::optional<StopbandRequirement> stopband;
  bool log_frequency = false;
};

// The page's data: sweep, passband, mask and key figures computed from the
// request. Further data (overlays, a tolerance band, standard values) may be
// added to the result before it is written.
html::PageData page_data(const PageRequest& request);

// The page of a design: its title, parameters and passband from the request.
PageRequest design_page(const DesignRequest& d, int32_t sections, PageCircuit chosen,
                        std::optional<PageCircuit> other, const SweepRange& sweep);

// The passband edges of a filter type: low-pass {0, fc}, high-pass {fc, fc},
// band types {lower, upper}.
std::pair<double, double> design_passband(FilterType type, double cutoff, double lower,
                                          double upper);

const char* circuit_title(Configuration c);
const char* type_title(FilterType t);

// The skirt requirement of a dialog design (F1, A1), nothing without one.
// A band-stop skirt spans F1 to its mirror about the band's geometric centre.
std::optional<StopbandRequirement> skirt_requirement(const DesignRequest& d, double lower,
                                                     double upper);

// Writes the page of `request` to `out` when the command asks for --html,
// with --both and --log applied.
void write_page(std::ostream* out, const Command& c, PageRequest request);

// Refuses --both and --log without --html, and --both where there is no
// alternative circuit (`has_other` false). Throws UsageError.
void check_page_options(const Command& c, bool has_other);

}  // namespace varnholt

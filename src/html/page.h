// A self-contained HTML5 page of one design or analysis: the parameters, the
// key figures, the circuit diagram, the response charts and the element
// values. Everything is inline (CSS, SVG); the page makes no requests and
// runs no script, and prints on A4 or Letter.
//
// The one entry point is html_page(PageData). The caller fills PageData from
// its own results and writes the returned text to a file, e.g.
//
//   varnholt::html::PageData page;
//   page.title = "Band-pass 88-108 MHz";
//   page.parameters = {{"Response", "Chebyshev 0.1 dB"}, {"Sections", "5"}};
//   page.ladder = ladder;                // the chosen circuit
//   page.source = {50, 0}; page.load = {50, 0};
//   page.sweep = points;                 // f, S21 dB, S11 dB, delay, S11
//   page.passband = {{88, 108}};
//   std::ofstream("page.html") << varnholt::html::html_page(page);
//
// Options of the command line map onto fields: --both sets `other` (and
// `other_load` when the dual circuit's load differs), --log sets
// `log_frequency`; standard values go in `rounded` (their series in
// `rounded_series`), lossy or ideal responses in `overlays`, a tolerance
// run's percentiles in `yield`, a skirt or a stopband requirement in `mask`,
// passband loss and return loss requirements in `passband_mask` and
// `return_loss_mask`, how each circuit meets them in `verdicts`.
//
// Tooltips: every point that carries a marker shows its values when the
// pointer rests on it (SVG <title>), with no script. Frequencies print with
// nine significant digits, dB values with four decimals, delays with four
// decimals (ns), S11 with six decimals, element values with nine significant
// digits. Curves of more than kMaxMarkers (chart.h) points carry markers on
// evenly spaced points (and the last) only; the curve itself is drawn through
// every point.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "html/schematic.h"
#include "ladder/ladder.h"

namespace varnholt::html {

// One frequency of a sweep.
struct SweepPoint {
  double f_mhz = 0.0;
  double s21_db = 0.0;         // transducer gain, dB (negative: loss)
  double s11_db = 0.0;         // input reflection, dB
  double delay_ns = 0.0;       // group delay
  std::complex<double> s11{};  // input reflection coefficient (Smith chart)
};

// A further response drawn over the main one (ideal, rounded, lossy ...):
// its S21 on the response and passband charts, its delay on the delay chart.
// A measured one (with_s11) draws its S11 on the response chart too.
struct Overlay {
  std::string name;
  std::vector<SweepPoint> points;
  bool with_s11 = false;
};

// The spread of S21 over toleranced builds: 5th and 95th percentile, dB.
struct YieldBand {
  std::vector<double> f_mhz;
  std::vector<double> p5_db;
  std::vector<double> p95_db;
};

// A piece of a mask: the straight segments between consecutive points (dB
// at MHz) bound a curve over the frequencies they span. PageData holds three
// kinds:
//  - `mask`, stopband: S21 must stay at or below the piece. A skirt
//    requirement "at least A dB at F" is {F, -A} .. {sweep end, -A}
//    (low-pass, band-pass upper side) or {sweep start, -A} .. {F, -A}.
//  - `passband_mask`: S21 must stay at or above the piece. "At most X dB
//    loss from F1 to F2" is {F1, -X} .. {F2, -X}.
//  - `return_loss_mask`: S11 must stay at or below the piece. "At least R dB
//    return loss from F1 to F2" is {F1, -R} .. {F2, -R}.
struct MaskPoint {
  double f_mhz = 0.0;
  double db = 0.0;
};
using MaskPiece = std::vector<MaskPoint>;

// How one evaluated circuit meets the whole mask (all three kinds).
struct MaskVerdict {
  std::string circuit;          // "Ideal", "Rounded", "Rounded with losses", ...
  bool pass = false;            // every mask item met
  double worst_margin_db = 0.0; // the smallest distance to the mask; positive: inside it
  double at_mhz = 0.0;          // the frequency of that margin
  std::string item;             // the mask item of that margin ("30 dB at 75 MHz"); may be empty
};

struct Parameter {
  std::string name;
  std::string value;
};

// Figures shown in the summary table when present.
struct KeyFigures {
  std::optional<double> cutoff_mhz;
  std::optional<double> loss_at_cutoff_db;  // positive: loss
  std::optional<double> f1_mhz;
  std::optional<double> loss_at_f1_db;
  std::optional<double> worst_return_loss_db;  // in the passband, positive
  std::optional<double> yield_percent;
};

// A table of texts: the values chosen for the parts beside the ideal and
// the rounded ones, with the figures of each.
struct TextTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

struct PageData {
  std::string title;
  std::vector<Parameter> parameters;  // design parameters, in order
  std::string circuit_name = "Circuit";
  Ladder ladder;                  // the chosen circuit, values as designed
  // The same circuit in standard values: when given (and of the same shape)
  // the diagram shows these values, the element table both with the error.
  std::optional<Ladder> rounded;
  std::string rounded_series;     // the series of `rounded`, "E24 inductors, E12 capacitors"
  std::optional<Ladder> other;    // the alternative circuit, drawn at the same scale
  std::string other_name = "Alternative circuit";
  std::optional<Termination> other_load;  // its load, when not the same as `load`
  Termination source;
  Termination load;
  std::vector<SweepPoint> sweep;
  std::vector<Overlay> overlays;
  bool circuit = true;  // false: a measurement shown alone, no diagram or element table
  std::optional<YieldBand> yield;
  std::vector<MaskPiece> mask;              // S21 at or below (stopband)
  std::vector<MaskPiece> passband_mask;     // S21 at or above (passband loss)
  std::vector<MaskPiece> return_loss_mask;  // S11 at or below (return loss)
  // Edges (MHz) of the passband for the enlarged chart: it spans the edges and
  // a tenth of their distance either side, scaled to S21 between them. With
  // passband_outside (band-stop) the passbands lie below and above the edges:
  // the chart spans the sweep, scaled to S21 outside the edges.
  std::optional<std::pair<double, double>> passband;
  bool passband_outside = false;
  KeyFigures figures;
  bool log_frequency = false;
  // The practical design, shown in its own block when any is given. Texts
  // print as given; the yield itself is figures.yield_percent.
  std::string component_q;                 // the losses assumed, "QL 80, QC 400 at 100 MHz"
  std::string parasitics;                  // "0.15 pF across every inductor; ..."
  std::string tolerances;                  // "5 % inductors, 2 % capacitors, uniform"
  std::optional<int> trials;               // builds of the tolerance run
  std::optional<std::string> most_failed;  // the mask item the most builds failed
  std::optional<int> most_failed_count;    // how many builds failed it
  std::vector<MaskVerdict> verdicts;       // one row per evaluated circuit, in order
  // Values chosen by a search or refined: what was done, a line each, and
  // the values compared.
  std::vector<std::string> value_notes;
  std::optional<TextTable> compared_values;
};

// The complete page (UTF-8).
std::string html_page(const PageData& data);

}  // namespace varnholt::html

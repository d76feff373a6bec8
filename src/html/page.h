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
// `log_frequency`; standard values go in `rounded`, lossy or ideal responses
// in `overlays`, a tolerance run's percentiles in `yield`, a skirt or a
// stopband requirement in `mask`.
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
struct Overlay {
  std::string name;
  std::vector<SweepPoint> points;
};

// The spread of S21 over toleranced builds: 5th and 95th percentile, dB.
struct YieldBand {
  std::vector<double> f_mhz;
  std::vector<double> p5_db;
  std::vector<double> p95_db;
};

// A stopband requirement: S21 must stay at or below db (negative, dB) along
// the straight segments between consecutive points of one piece. A skirt
// requirement "at least A dB at F" is the piece {F, -A} .. {sweep end, -A}
// (low-pass, band-pass upper side) or {sweep start, -A} .. {F, -A}.
struct MaskPoint {
  double f_mhz = 0.0;
  double db = 0.0;
};
using MaskPiece = std::vector<MaskPoint>;

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

struct PageData {
  std::string title;
  std::vector<Parameter> parameters;  // design parameters, in order
  std::string circuit_name = "Circuit";
  Ladder ladder;                  // the chosen circuit, values as designed
  std::optional<Ladder> rounded;  // the same circuit in standard values, drawn when given
  std::optional<Ladder> other;    // the alternative circuit, drawn smaller
  std::string other_name = "Alternative circuit";
  std::optional<Termination> other_load;  // its load, when not the same as `load`
  Termination source;
  Termination load;
  std::vector<SweepPoint> sweep;
  std::vector<Overlay> overlays;
  std::optional<YieldBand> yield;
  std::vector<MaskPiece> mask;
  // Edges (MHz) of the passband for the enlarged chart: it spans the edges and
  // a tenth of their distance either side, scaled to S21 between them. With
  // passband_outside (band-stop) the passbands lie below and above the edges:
  // the chart spans the sweep, scaled to S21 outside the edges.
  std::optional<std::pair<double, double>> passband;
  bool passband_outside = false;
  KeyFigures figures;
  bool log_frequency = false;
};

// The complete page (UTF-8).
std::string html_page(const PageData& data);

}  // namespace varnholt::html

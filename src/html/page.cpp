#include "html/page.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "html/chart.h"
#include "html/smith.h"
#include "html/svg.h"
#include "html/units.h"

namespace varnholt::html {
namespace {

constexpr const char* kS21Color = "#1f5fb4";
constexpr const char* kS11Color = "#c0392b";
constexpr const char* kMaskColor = "#222222";
constexpr const char* kReturnMaskColor = "#7b241c";
constexpr const char* kOverlayColors[] = {"#2e8b57", "#8e44ad", "#d35400", "#7f8c8d", "#b7950b"};

constexpr const char* kStyle = R"(
@page { margin: 12mm; }
:root { color-scheme: light; }
body { font-family: system-ui, "Segoe UI", Helvetica, Arial, sans-serif; color: #111;
       margin: 0 auto; padding: 16px; max-width: 1000px; font-size: 14px; }
h1 { font-size: 22px; margin: 0 0 8px; }
h2 { font-size: 16px; margin: 18px 0 6px; border-bottom: 1px solid #bbb; }
table { border-collapse: collapse; margin: 4px 0 10px; }
th, td { border: 1px solid #ccc; padding: 2px 8px; text-align: left; font-size: 13px; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
td.pass { color: #1e7b34; font-weight: 600; }
td.fail { color: #b03a2e; font-weight: 600; }
p.note { font-size: 12px; color: #444; margin: 0 0 10px; }
figure { margin: 8px 0; break-inside: avoid; page-break-inside: avoid; }
figcaption { font-size: 12px; color: #444; }
svg { width: 100%; height: auto; display: block; }
svg.smith { max-width: 420px; }
.grid { stroke: #dcdcdc; stroke-width: 0.8; }
.frame { fill: none; stroke: #555; stroke-width: 1; }
.tick, .legend { font-size: 11px; fill: #333; }
.label { font-size: 12px; fill: #222; }
.title { font-size: 13px; font-weight: 600; fill: #111; }
.wire, .sym { stroke: #111; stroke-width: 1.4; }
.plate { stroke: #111; stroke-width: 2.6; }
.dot { fill: #111; }
.term { fill: #fff; stroke: #111; stroke-width: 1.2; }
.ref { font-size: 11px; font-weight: 600; fill: #111; }
.val { font-size: 10.5px; fill: #222; }
.marker { stroke: none; }
.pair { display: flex; gap: 12px; flex-wrap: wrap; align-items: flex-start; }
@media print {
  body { max-width: none; padding: 0; font-size: 11pt; }
  h2 { break-after: avoid; page-break-after: avoid; }
}
)";

std::vector<double> column(const std::vector<SweepPoint>& pts, double SweepPoint::*field) {
  std::vector<double> v;
  v.reserve(pts.size());
  for (const auto& p : pts) {
    v.push_back(p.*field);
  }
  return v;
}

Series series_of(const std::string& name, const std::vector<SweepPoint>& pts,
                 double SweepPoint::*field, const std::string& unit, const char* color,
                 bool dashed) {
  Series s;
  s.name = name;
  s.unit = unit;
  s.x = column(pts, &SweepPoint::f_mhz);
  s.y = column(pts, field);
  s.color = color;
  s.dashed = dashed;
  return s;
}

const char* overlay_color(std::size_t i) {
  return kOverlayColors[i % std::size(kOverlayColors)];
}

std::vector<Shade> yield_shades(const PageData& d) {
  if (!d.yield) {
    return {};
  }
  Shade s;
  s.name = "S21 5-95 % of builds";
  s.lo_name = "S21 5th percentile";
  s.hi_name = "S21 95th percentile";
  s.x = d.yield->f_mhz;
  s.lo = d.yield->p5_db;
  s.hi = d.yield->p95_db;
  return {s};
}

void add_overlays(ChartSpec& c, const PageData& d, double SweepPoint::*field,
                  const std::string& quantity, const std::string& unit) {
  for (std::size_t i = 0; i < d.overlays.size(); ++i) {
    Series s = series_of(quantity + " " + d.overlays[i].name, d.overlays[i].points, field, unit,
                         overlay_color(i), true);
    // A quantity the overlay does not have (a measurement's delay) is left out.
    if (std::none_of(s.y.begin(), s.y.end(), [](double y) { return !std::isnan(y); })) continue;
    c.series.push_back(std::move(s));
  }
}

// The pieces of one kind of mask as curves: "Stopband mask", numbered when
// there are several.
void add_masks(ChartSpec& c, const std::vector<MaskPiece>& pieces, const std::string& name,
               const char* color) {
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Series m;
    m.name = pieces.size() > 1 ? name + " " + std::to_string(i + 1) : name;
    m.unit = "dB";
    m.color = color;
    for (const auto& p : pieces[i]) {
      m.x.push_back(p.f_mhz);
      m.y.push_back(p.db);
    }
    c.series.push_back(std::move(m));
  }
}

// The lowest level shown on the response chart: 120 dB down, or 20 dB
// beyond the deepest mask point when the mask goes deeper.
std::optional<Range> response_range(const ChartSpec& c, const PageData& d) {
  double lo = std::numeric_limits<double>::infinity();
  double hi = 0.0;
  for (const auto& s : c.series) {
    for (const double y : s.y) {
      if (std::isfinite(y)) {
        lo = std::min(lo, y);
        hi = std::max(hi, y);
      }
    }
  }
  if (!std::isfinite(lo)) {
    return std::nullopt;
  }
  double floor = -120.0;
  for (const auto* kind : {&d.mask, &d.passband_mask, &d.return_loss_mask}) {
    for (const auto& piece : *kind) {
      for (const auto& m : piece) {
        floor = std::min(floor, m.db - 20.0);
      }
    }
  }
  return Range{std::max(lo, floor), hi};
}

std::string response_chart(const PageData& d) {
  ChartSpec c;
  c.id = "response";
  c.title = "Insertion loss and return loss";
  c.y_label = "dB";
  c.log_x = d.log_frequency;
  c.shades = yield_shades(d);
  c.series.push_back(series_of("S21", d.sweep, &SweepPoint::s21_db, "dB", kS21Color, false));
  c.series.push_back(series_of("S11", d.sweep, &SweepPoint::s11_db, "dB", kS11Color, false));
  add_overlays(c, d, &SweepPoint::s21_db, "S21", "dB");
  for (std::size_t i = 0; i < d.overlays.size(); ++i) {
    if (!d.overlays[i].with_s11) continue;
    c.series.push_back(series_of("S11 " + d.overlays[i].name, d.overlays[i].points,
                                 &SweepPoint::s11_db, "dB", overlay_color(i), true));
  }
  add_masks(c, d.mask, "Stopband mask", kMaskColor);
  add_masks(c, d.passband_mask, "Passband mask", kMaskColor);
  add_masks(c, d.return_loss_mask, "Return-loss mask", kReturnMaskColor);
  c.y_range = response_range(c, d);
  return chart_svg(c);
}

std::string passband_chart(const PageData& d) {
  const double lo = d.passband->first;
  const double hi = d.passband->second;
  ChartSpec c;
  c.id = "passband";
  c.title = "Passband";
  c.y_label = "S21 (dB)";
  c.log_x = d.log_frequency && (lo > 0.0 || d.passband_outside);
  c.shades = yield_shades(d);
  c.series.push_back(series_of("S21", d.sweep, &SweepPoint::s21_db, "dB", kS21Color, false));
  add_overlays(c, d, &SweepPoint::s21_db, "S21", "dB");
  add_masks(c, d.passband_mask, "Passband mask", kMaskColor);
  double y_lo = std::numeric_limits<double>::infinity();
  double y_hi = 0.0;
  const auto take = [&](double f, double y) {
    if ((f >= lo && f <= hi) != d.passband_outside && std::isfinite(y)) {
      y_lo = std::min(y_lo, y);
      y_hi = std::max(y_hi, y);
    }
  };
  for (const auto& s : c.series) {
    for (std::size_t i = 0; i < s.x.size(); ++i) {
      take(s.x[i], s.y[i]);
    }
  }
  for (const auto& b : c.shades) {
    for (std::size_t i = 0; i < b.x.size() && i < b.lo.size(); ++i) {
      take(b.x[i], b.lo[i]);
    }
  }
  const double f_first = d.sweep.front().f_mhz;
  const double f_last = d.sweep.back().f_mhz;
  const double margin = (hi - lo) * 0.1;
  if (!d.passband_outside) {
    c.x_range =
        Range{std::max(c.log_x ? lo / 1.1 : lo - margin, f_first), std::min(hi + margin, f_last)};
  }
  if (std::isfinite(y_lo)) {
    c.y_range = Range{y_lo - std::max(0.25 * (y_hi - y_lo), 0.05), y_hi};
  }
  return chart_svg(c);
}

std::string delay_chart(const PageData& d) {
  ChartSpec c;
  c.id = "delay";
  c.title = "Group delay";
  c.y_label = "ns";
  c.log_x = d.log_frequency;
  c.series.push_back(series_of("Delay", d.sweep, &SweepPoint::delay_ns, "ns", kS21Color, false));
  add_overlays(c, d, &SweepPoint::delay_ns, "Delay", "ns");
  return chart_svg(c);
}

std::string smith_chart(const PageData& d) {
  SmithTrace t;
  t.f_mhz = column(d.sweep, &SweepPoint::f_mhz);
  for (const auto& p : d.sweep) {
    t.gamma.push_back(p.s11);
  }
  t.z0 = d.source.r;
  return smith_svg("smith", "S11 (Smith chart)", t);
}

void row(std::string& out, const std::string& name, const std::string& value,
         bool numeric = false) {
  out += "<tr><th>" + escaped(name) + (numeric ? "</th><td class=\"num\">" : "</th><td>") +
         escaped(value) + "</td></tr>\n";
}

std::string parameters_table(const PageData& d) {
  std::string out = "<table class=\"parameters\">\n";
  for (const auto& p : d.parameters) {
    row(out, p.name, p.value);
  }
  row(out, "Source", resistance_text(d.source.r, d.source.x));
  row(out, "Load", resistance_text(d.load.r, d.load.x));
  out += "</table>\n";
  return out;
}

std::string figures_table(const KeyFigures& k) {
  std::string out;
  const auto put = [&out](const std::string& name, const std::optional<double>& v,
                          const std::string& unit, int decimals) {
    if (v) {
      row(out, name, fixed(*v, decimals) + " " + unit, true);
    }
  };
  const auto at = [](const std::optional<double>& f) {
    return f ? " at " + number(*f, 9) + " MHz" : std::string();
  };
  put("Loss at cut-off" + at(k.cutoff_mhz), k.loss_at_cutoff_db, "dB", 3);
  put("Loss" + at(k.f1_mhz), k.loss_at_f1_db, "dB", 3);
  put("Worst passband return loss", k.worst_return_loss_db, "dB", 2);
  put("Yield", k.yield_percent, "%", 1);
  return out.empty() ? out : "<table class=\"figures\">\n" + out + "</table>\n";
}

bool same_shape(const Ladder& a, const Ladder& b) {
  return a.branches.size() == b.branches.size() &&
         std::equal(a.branches.begin(), a.branches.end(), b.branches.begin(),
                    [](const Branch& x, const Branch& y) {
                      return x.kind == y.kind && x.placement == y.placement;
                    });
}

std::string value_text(const Designated& p) {
  return p.inductor ? inductance_text(p.value) : capacitance_text(p.value);
}

// A value with its sign ("+0.41", "-2.10"); one that prints as zero has none.
std::string signed_fixed(double v, int decimals) {
  if (!std::isfinite(v)) {
    return fixed(v, decimals);
  }
  const std::string t = fixed(std::fabs(v), decimals);
  if (t.find_first_not_of("0.") == std::string::npos) {
    return t;
  }
  return (v < 0.0 ? "-" : "+") + t;
}

// The built value against the designed one, percent.
std::string error_text(double designed, double built) {
  if (designed == 0.0 || !std::isfinite(designed) || !std::isfinite(built)) {
    return "\u2013";
  }
  return signed_fixed((built - designed) / designed * 100.0, 2) + " %";
}

std::string elements_table(const PageData& d) {
  const bool rounded = d.rounded && same_shape(d.ladder, *d.rounded);
  std::string out =
      "<table class=\"elements\">\n<tr><th>Part</th><th>Position</th>"
      "<th>Branch</th><th>Designed</th>";
  out += rounded ? "<th>Built</th><th>Error</th></tr>\n" : "</tr>\n";
  for (std::size_t i = 0; i < d.ladder.branches.size(); ++i) {
    const Branch& b = d.ladder.branches[i];
    const auto parts = branch_parts(b, static_cast<int>(i));
    const auto built = rounded ? branch_parts(d.rounded->branches[i], static_cast<int>(i)) : parts;
    for (std::size_t j = 0; j < parts.size(); ++j) {
      out += "<tr><td>" + escaped(parts[j].ref) + "</td><td class=\"num\">" +
             std::to_string(i + 1) + "</td><td>" +
             (b.placement == Placement::Series ? "series" : "shunt") + "</td><td class=\"num\">" +
             escaped(value_text(parts[j])) + "</td>";
      if (rounded) {
        out += "<td class=\"num\">" + escaped(value_text(built[j])) + "</td><td class=\"num\">" +
               escaped(error_text(parts[j].value, built[j].value)) + "</td>";
      }
      out += "</tr>\n";
    }
  }
  out += "</table>\n";
  if (rounded) {
    out += "<p class=\"note\">Built: the standard values" +
           (d.rounded_series.empty() ? std::string() : ", " + escaped(d.rounded_series)) +
           "; error: built against designed.</p>\n";
  }
  return out;
}

// The chosen values beside the ideal and rounded ones, then the notes on
// how they were chosen.
std::string compared_table(const PageData& d) {
  const TextTable& t = *d.compared_values;
  std::string out = "<table class=\"compared\">\n<tr>";
  for (const std::string& h : t.header) out += "<th>" + escaped(h) + "</th>";
  out += "</tr>\n";
  for (const auto& row : t.rows) {
    out += "<tr>";
    for (std::size_t c = 0; c < row.size(); ++c) {
      out += (c == 0 ? "<td>" : "<td class=\"num\">") + escaped(row[c]) + "</td>";
    }
    out += "</tr>\n";
  }
  out += "</table>\n";
  for (const std::string& note : d.value_notes) out += "<p class=\"note\">" + escaped(note) + "</p>\n";
  return out;
}

bool has_practical(const PageData& d) {
  return !d.rounded_series.empty() || !d.component_q.empty() || !d.parasitics.empty() ||
         d.compared_values ||
         !d.tolerances.empty() ||
         d.trials || d.most_failed || !d.verdicts.empty();
}

std::string builds_text(int n) {
  return std::to_string(n) + (n == 1 ? " build" : " builds");
}

// The assumptions of the practical design, the tolerance run and how each
// evaluated circuit meets the mask.
std::string practical_block(const PageData& d) {
  std::string out = "<h2>Practical design</h2>\n<section class=\"practical pair\">\n";
  std::string rows;
  if (!d.rounded_series.empty()) row(rows, "Standard values", d.rounded_series);
  if (!d.component_q.empty()) row(rows, "Component Q", d.component_q);
  if (!d.parasitics.empty()) row(rows, "Parasitics", d.parasitics);
  if (!d.tolerances.empty()) row(rows, "Tolerances", d.tolerances);
  if (d.figures.yield_percent || d.trials) {
    std::string v = d.figures.yield_percent ? fixed(*d.figures.yield_percent, 1) + " %" : "";
    if (d.trials) v += (v.empty() ? "" : " of ") + builds_text(*d.trials);
    row(rows, d.figures.yield_percent ? "Yield" : "Tolerance run", v);
  }
  if (d.most_failed) {
    std::string v = *d.most_failed;
    if (d.most_failed_count) {
      v += " (" +
           (d.trials ? std::to_string(*d.most_failed_count) + " of " + builds_text(*d.trials)
                     : builds_text(*d.most_failed_count)) +
           ")";
    }
    row(rows, "Failed most often", v);
  }
  if (!rows.empty()) out += "<table class=\"assumptions\">\n" + rows + "</table>\n";
  if (!d.verdicts.empty()) {
    out +=
        "<table class=\"verdicts\">\n<tr><th>Circuit</th><th>Mask</th><th>Worst margin</th>"
        "<th>At</th><th>Item</th></tr>\n";
    for (const MaskVerdict& v : d.verdicts) {
      out += "<tr><td>" + escaped(v.circuit) + "</td>" +
             (v.pass ? "<td class=\"pass\">pass</td>" : "<td class=\"fail\">fail</td>") +
             "<td class=\"num\">" + signed_fixed(v.worst_margin_db, 2) +
             " dB</td><td class=\"num\">" + escaped(number(v.at_mhz, 9)) + " MHz</td><td>" +
             escaped(v.item) + "</td></tr>\n";
    }
    out += "</table>\n";
  }
  out += "</section>\n";
  if (d.compared_values) out += compared_table(d);
  if (!d.verdicts.empty()) {
    out += "<p class=\"note\">Margin: the least distance of the response to the mask; "
           "positive inside it.</p>\n";
  }
  return out;
}

std::string figure(const std::string& svg, const std::string& caption) {
  return "<figure>\n" + svg + "<figcaption>" + escaped(caption) + "</figcaption>\n</figure>\n";
}

}  // namespace

std::string html_page(const PageData& d) {
  const std::string title = d.title.empty() ? "Filter design" : d.title;
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>" +
      escaped(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  out += "<h1>" + escaped(title) + "</h1>\n";
  out += "<section class=\"summary pair\">\n" + parameters_table(d) + figures_table(d.figures) +
         "</section>\n";
  if (has_practical(d)) {
    out += practical_block(d);
  }
  const Ladder& drawn = d.rounded && same_shape(d.ladder, *d.rounded) ? *d.rounded : d.ladder;
  std::string caption = "Element values as designed";
  if (&drawn != &d.ladder) {
    caption = "Element values as built: standard values" +
              (d.rounded_series.empty() ? std::string() : ", " + d.rounded_series);
  }
  if (d.circuit) {
    out += "<h2>" + escaped(d.circuit_name) + "</h2>\n";
    out += figure(schematic_svg("schematic", drawn, d.source, d.load),
                  caption + "; hover a part for its exact value.");
  }
  if (d.other) {
    const std::string svg =
        schematic_svg("schematic-other", *d.other, d.source, d.other_load.value_or(d.load));
    out += "<h2>" + escaped(d.other_name) + "</h2>\n" + figure(svg, "The alternative circuit.");
  }
  if (!d.sweep.empty()) {
    out += "<h2>Response</h2>\n";
    out += figure(response_chart(d), "Hover a point for its values.");
    if (d.passband && d.passband->second > d.passband->first) {
      out += figure(passband_chart(d),
                    d.passband_outside ? "The passbands, enlarged." : "The passband, enlarged.");
    }
    out += figure(delay_chart(d), "Group delay of the transmission.");
    out += figure(smith_chart(d), "Input reflection, referred to the source resistance.");
  }
  if (d.circuit) out += "<h2>Elements</h2>\n" + elements_table(d);
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace varnholt::html

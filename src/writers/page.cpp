// The design page: the result drawn and tabled (the page library lays it out).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "html/page.h"
#include "writers/measured.h"
#include "writers/optimised.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

bool is_band(FilterType t) { return t == FilterType::BandPass || t == FilterType::BandStop; }

std::string text(double v) { return shortest(v); }

const char* type_title(FilterType t) {
  switch (t) {
    case FilterType::LowPass: return "low-pass";
    case FilterType::HighPass: return "high-pass";
    case FilterType::BandPass: return "band-pass";
    case FilterType::BandStop: return "band-stop";
  }
  return "";
}

std::string design_title(const DesignRequest& d) {
  std::string title = std::string(title_of(d.response)) + " " + type_title(d.type) + ", ";
  if (is_band(d.type)) return title + text(lower_edge(d)) + "-" + text(upper_edge(d)) + " MHz";
  return title + text(d.cutoff) + " MHz";
}

// A coupled design's own parameters: the topology, the resonator L and the
// band its circuit really has.
void coupled_parameters(std::vector<html::Parameter>& p, const Result& r) {
  const CoupledDesign& c = *r.record->coupled;
  p.push_back({"Topology", std::string(coupled_topology_name(*r.record->design.topology)) +
                               " coupled resonators"});
  p.push_back({"Resonator L", formatted("%.6g", c.resonator_l_nh) + " nH" +
                                  (r.record->design.resonator_l_nh ? "" : " (set by the source)")});
  const MeasuredBand& m = *r.measured;
  if (!m.lower_mhz || !m.upper_mhz) {
    p.push_back({"Circuit's band", "loss never below " + formatted("%.3g", m.level_db) + " dB"});
    return;
  }
  p.push_back({"Circuit's band edges", formatted("%.4f", *m.lower_mhz) + " and " +
                                           formatted("%.4f", *m.upper_mhz) + " MHz at " +
                                           formatted("%.3g", m.level_db) + " dB"});
  if (m.ripple_db) p.push_back({"Circuit's ripple", formatted("%.4f", *m.ripple_db) + " dB"});
}

std::vector<html::Parameter> design_parameters(const DesignRequest& d, int32_t sections) {
  std::vector<html::Parameter> p;
  p.push_back({"Filter", type_title(d.type)});
  p.push_back({"Response", title_of(d.response)});
  if (is_band(d.type)) {
    p.push_back({"Centre", text(d.center) + " MHz"});
    p.push_back({"Bandwidth", text(d.bandwidth) + " MHz"});
    p.push_back({"Band edges", text(lower_edge(d)) + " and " + text(upper_edge(d)) + " MHz"});
  } else {
    p.push_back({"Cut-off", text(d.cutoff) + " MHz"});
  }
  if (d.ripple != 0.0) p.push_back({"Ripple", text(d.ripple) + " dB"});
  p.push_back({"Sections", std::to_string(sections)});
  if (d.response == Response::Elliptic) {
    p.push_back({"Stopband attenuation", text(d.attenuation) + " dB"});
    if (d.skirt != 0.0) p.push_back({"Stopband edge wanted", text(d.skirt) + " MHz"});
  } else if (d.skirt != 0.0) {
    p.push_back({"Skirt (F1, A1)", text(d.skirt) + " MHz, " + text(d.attenuation) + " dB"});
  }
  p.push_back({"Impedance", text(d.impedance) + " ohms"});
  return p;
}

html::Termination page_termination(const Termination& t) { return {t.r, t.x}; }

// The passband edges as the enlarged chart takes them: a low-pass band starts
// at the sweep, a high-pass band ends with it.
std::pair<double, double> chart_passband(const Result& r, double start, double end) {
  switch (r.type) {
    case FilterType::LowPass: return {std::min(start, r.passband.second), r.passband.second};
    case FilterType::HighPass: return {r.passband.first, std::max(end, r.passband.first)};
    default: return r.passband;
  }
}

std::vector<html::MaskPiece> stopband_mask(const Result& r, double start, double end) {
  std::vector<html::MaskPiece> mask;
  const auto piece = [&](double from, double to, double db) {
    from = std::max(from, start);
    to = std::min(to, end);
    if (from < to) mask.push_back({{from, -db}, {to, -db}});
  };
  if (r.stopband) {
    const auto& edges = r.stopband->edges_mhz;
    if (r.type == FilterType::BandStop) {
      piece(*std::min_element(edges.begin(), edges.end()),
            *std::max_element(edges.begin(), edges.end()), r.stopband->db);
    } else {
      for (const double e : edges) {
        if (e >= r.passband.second) piece(e, end, r.stopband->db);
        else piece(start, e, r.stopband->db);
      }
    }
  }
  // A stopband point of the practical mask: a short mark at its frequency.
  for (const StopPoint& s : r.practical.mask.stop) {
    const double half = (end - start) / 100.0;
    piece(s.f_mhz - half, s.f_mhz + half, s.min_loss_db);
  }
  return mask;
}

std::vector<html::SweepPoint> points_of(const Result& r, const SweepResponse& response) {
  const std::vector<Point> points = response.over(r.f_mhz);
  std::vector<html::SweepPoint> out;
  out.reserve(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point& p = points[i];
    out.push_back({r.f_mhz[i], p.s21_db, p.s11_db, p.delay_ns, p.s11});
  }
  return out;
}

// The page's sweep with the S21 of `response` in place of the ideal's.
std::vector<html::SweepPoint> with_s21_of(const html::PageData& page, const Result& r,
                                          const SweepResponse& response) {
  std::vector<html::SweepPoint> out = page.sweep;
  const std::vector<Point> points = response.over(r.f_mhz);
  for (std::size_t i = 0; i < out.size(); ++i) out[i].s21_db = points[i].s21_db;
  return out;
}

std::string percent_text(double p) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", p);
  return buffer;
}

// Searched or refined values: drawn in the diagram, their response without
// the parts' losses over the ideal one, and the values compared.
void chosen_values_page(html::PageData& page, const Result& r) {
  page.rounded = r.built();
  const char* how = r.optimised ? "optimised" : "refined";
  page.rounded_series += (page.rounded_series.empty() ? "" : ", ") + std::string(how);
  page.overlays.push_back({how, with_s21_of(page, r, r.chosen_response)});
  const ValueTable t = compared_values(r);
  page.compared_values = html::TextTable{t.header, t.rows};
  page.value_notes = value_method_lines(r);
}

void practical_page(html::PageData& page, const Result& r) {
  const PracticalOptions& p = r.practical;
  if (p.rounded()) {
    page.rounded = r.rounded.ladder;
    const auto name = [](const std::optional<ESeries>& s) {
      return s ? std::string(series_name(*s)) : std::string("ideal");
    };
    page.rounded_series = name(p.round_l) + " inductors, " + name(p.round_c) + " capacitors";
    page.overlays.push_back({"rounded", with_s21_of(page, r, r.rounded_response)});
  }
  if (r.optimised || r.refined) chosen_values_page(page, r);
  if (!r.lossy.empty()) {
    page.overlays.push_back({p.built_name(), points_of(r, r.lossy)});
  }
  if (p.lossy()) {
    if (p.losses.lossy()) {
      page.component_q = q_assumptions(p).substr(std::string("Component Q: ").size()) + "; " +
                         q_model_text(p).substr(std::string("Q model: ").size());
    }
    if (p.losses.parasitic()) {
      page.parasitics = parasitic_assumptions(p).substr(std::string("Parasitics: ").size());
    }
  }
  for (const MaskItem& item : r.mask_items) {
    if (item.kind == MaskItem::Kind::StopLoss) continue;
    const Passband& b = p.mask.passbands.at(item.index);
    if (item.kind == MaskItem::Kind::PassbandLoss) {
      page.passband_mask.push_back({{b.lo_mhz, -p.mask.max_passband_loss_db},
                                    {b.hi_mhz, -p.mask.max_passband_loss_db}});
    } else {
      page.return_loss_mask.push_back({{b.lo_mhz, -p.mask.min_return_loss_db},
                                       {b.hi_mhz, -p.mask.min_return_loss_db}});
    }
  }
  for (const MaskCheck& c : r.checks) {
    std::string name = c.circuit;
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    page.verdicts.push_back({name, c.pass, c.worst_margin_db, c.at_mhz,
                             mask_item_text(p.mask, r.mask_items.at(c.item))});
  }
  if (!r.yield) return;
  const Tolerances& t = *p.tolerances;
  page.tolerances = percent_text(t.inductor_percent) + " % inductors, " +
                    percent_text(t.capacitor_percent) + " % capacitors, " +
                    (t.spread == Spread::Normal ? "normal (3 sigma)" : "uniform") + ", seed " +
                    std::to_string(p.yield.seed) + (p.align ? ", each trial aligned" : "");
  const YieldResult& y = *r.yield;
  page.figures.yield_percent = y.yield_percent;
  page.trials = y.trials;
  if (y.most_failed >= 0) {
    const MaskItem& worst = y.items.at(static_cast<std::size_t>(y.most_failed));
    page.most_failed = mask_item_text(p.mask, worst);
    page.most_failed_count = worst.failures;
  }
  html::YieldBand band;
  band.f_mhz = r.f_mhz;
  for (std::size_t i = 0; i < y.s21_db.size(); ++i) {
    band.p5_db.push_back(y.s21_db[i].p5);
    band.p95_db.push_back(y.s21_db[i].p95);
  }
  page.yield = std::move(band);
}

}  // namespace

void write_page(std::ostream& out, const Result& r) {
  if (r.measurements.alone) return write_measurement_page(out, r);
  html::PageData page;
  if (r.record) {
    page.title = design_title(r.record->design);
    page.parameters = design_parameters(r.record->design, r.sections);
    if (r.record->coupled) coupled_parameters(page.parameters, r);
  } else {
    page.title = "Analysis of " + r.source_name.substr(r.source_name.rfind('/') + 1);
    page.parameters = {{"Circuit file", r.source_name},
                       {"Filter", type_title(r.type)},
                       {"Sections", std::to_string(r.sections)}};
  }
  page.circuit_name = r.chosen.name;
  page.ladder = r.chosen.ladder;
  page.source = page_termination(r.chosen.source);
  page.load = page_termination(r.chosen.load);
  if (r.other) {
    page.other = r.other->ladder;
    page.other_name = r.other->name;
    if (r.other->load.r != r.chosen.load.r || r.other->load.x != r.chosen.load.x) {
      page.other_load = page_termination(r.other->load);
    }
  }
  page.sweep = points_of(r, r.ideal);
  const double start = r.f_mhz.front();
  const double end = r.f_mhz.back();
  page.passband = chart_passband(r, start, end);
  page.passband_outside = r.type == FilterType::BandStop;
  page.mask = stopband_mask(r, start, end);
  page.figures.cutoff_mhz = r.figures.cutoff_mhz;
  page.figures.loss_at_cutoff_db = r.figures.loss_at_cutoff_db;
  page.figures.f1_mhz = r.figures.f1_mhz;
  page.figures.loss_at_f1_db = r.figures.loss_at_f1_db;
  page.figures.worst_return_loss_db = r.figures.worst_return_loss_db;
  page.log_frequency = r.log_frequency;
  page.parameters.push_back({"Sweep", text(start) + " to " + text(end) + " MHz, " +
                                          std::to_string(r.f_mhz.size()) + " points"});
  if (r.practical.any() || !r.lossy.empty()) practical_page(page, r);
  measured_page(page, r);
  out << html::html_page(page);
}

void write_output(Output output, std::ostream& out, const Result& r, const Destination& to) {
  switch (output) {
    case Output::Report: return write_report(out, r);
    case Output::Json: return write_design_file(out, r);
    case Output::Spice: return write_spice(out, r, to);
    case Output::Touchstone: return write_touchstone(out, r);
    case Output::Csv: return write_csv(out, r);
    case Output::Html: return write_page(out, r);
  }
}

}  // namespace varnholt

#include "writers/measured.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "writers/writers.h"

namespace varnholt {
namespace {

std::string mhz(double f) { return formatted("%.9g", f) + " MHz"; }

std::string file_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string value_text(const PartUse& p) {
  return formatted("%.9g", p.nominal) + (p.where.inductor ? " nH" : " pF");
}

// "L2: measured part l2.s2p (series fixture, 1 MHz to 500 MHz), not rounded or toleranced".
std::string part_text(const PartUse& p) {
  return p.name + ": measured part " + file_name(p.path) + " (" + p.fixture + ", " +
         mhz(p.from_mhz) + " to " + mhz(p.to_mhz) + "), not rounded or toleranced";
}

std::string extrapolated_text(const PartUse& p) {
  return p.name + ": extrapolated beyond " + file_name(p.path) +
         " (the nearest point's series " + (p.where.inductor ? "L" : "C") + " and resistance held)";
}

std::string compare_head(const Comparison& c) {
  return "Measured " + file_name(c.path) + " (" + mhz(c.from_mhz) + " to " + mhz(c.to_mhz) +
         ") against the " + c.against + " circuit";
}

std::string partial_text(const Comparison& c) {
  return "The sweep reaches beyond " + file_name(c.path) +
         ": the measured values end with the file";
}

std::string worst_text(const Comparison& c) {
  if (!c.worst_db) return "Passband difference: no measured point in the passband";
  return "Worst passband difference |S21 " + c.against + " - measured|: " +
         formatted("%.4f", *c.worst_db) + " dB at " + mhz(*c.worst_at_mhz);
}

std::string edge_text(const EdgeShift& e) {
  std::string t = "Band edge " + mhz(e.designed_mhz) + " (S21 " + formatted("%.4f", e.level_db) +
                  " dB): ";
  if (!e.measured_mhz) return t + "the measurement never crosses that level";
  const double shift = *e.measured_mhz - e.designed_mhz;
  return t + "measured at " + mhz(*e.measured_mhz) + ", shift " + formatted("%+.6f", shift) +
         " MHz (" + formatted("%+.4f", 100.0 * shift / e.designed_mhz) + " %)";
}

std::vector<std::string> lines_of(const Result& r) {
  std::vector<std::string> lines;
  const Measurements& m = r.measurements;
  for (const PartUse& p : m.parts) {
    lines.push_back(part_text(p));
    if (p.extrapolated) lines.push_back(extrapolated_text(p));
  }
  if (m.compare) {
    const Comparison& c = *m.compare;
    lines.push_back(compare_head(c));
    if (c.partial) lines.push_back(partial_text(c));
    lines.push_back(worst_text(c));
    for (const EdgeShift& e : c.edges) lines.push_back(edge_text(e));
  }
  return lines;
}

nlohmann::json or_null(const std::optional<double>& v) {
  return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

}  // namespace

void write_measured_section(std::ostream& out, const Result& r) {
  if (r.measurements.parts.empty() && !r.measurements.compare) return;
  out << "\nMeasurements\n";
  for (const std::string& line : lines_of(r)) out << line << '\n';
}

std::string measured_comments(const Result& r) {
  std::string text;
  for (const std::string& line : lines_of(r)) text += "\n" + line;
  return text;
}

std::string netlist_part_comments(const Result& r) {
  std::string text;
  for (const PartUse& p : r.measurements.parts) {
    const Branch& b = r.built().branches.at(p.where.branch);
    std::string tag = (b.placement == Placement::Series ? "SER" : "SH") +
                      std::to_string(p.where.branch + 1);
    if (shape(b.kind).pairs == 2) tag += p.where.pair == 0 ? "A" : "B";
    text += "* " + p.name + " (" + (p.where.inductor ? "L" : "C") + tag +
            ") holds its nominal value, " + value_text(p) + ": a netlist cannot hold the part "
            "measured in " + file_name(p.path) + "\n";
  }
  return text;
}

nlohmann::json measured_json(const Result& r) {
  using nlohmann::json;
  const Measurements& m = r.measurements;
  json j;
  json parts = json::array();
  for (const PartUse& p : m.parts) {
    parts.push_back({{"name", p.name},
                     {"file", p.path},
                     {"fixture", p.fixture},
                     {"from_mhz", p.from_mhz},
                     {"to_mhz", p.to_mhz},
                     {"nominal", p.nominal},
                     {"unit", p.where.inductor ? "nH" : "pF"},
                     {"extrapolated", p.extrapolated}});
  }
  j["parts"] = parts;
  j["extrapolate"] = m.extrapolate;
  if (m.compare) {
    const Comparison& c = *m.compare;
    json edges = json::array();
    for (const EdgeShift& e : c.edges) {
      json edge = {{"designed_mhz", e.designed_mhz},
                   {"level_db", e.level_db},
                   {"measured_mhz", nullptr},
                   {"shift_mhz", nullptr},
                   {"shift_percent", nullptr}};
      if (e.measured_mhz) {
        const double shift = *e.measured_mhz - e.designed_mhz;
        edge["measured_mhz"] = *e.measured_mhz;
        edge["shift_mhz"] = shift;
        edge["shift_percent"] = 100.0 * shift / e.designed_mhz;
      }
      edges.push_back(edge);
    }
    j["compare"] = {{"file", c.path},
                    {"against", c.against},
                    {"from_mhz", c.from_mhz},
                    {"to_mhz", c.to_mhz},
                    {"sweep_beyond_file", c.partial},
                    {"worst_passband_difference_db", or_null(c.worst_db)},
                    {"worst_at_mhz", or_null(c.worst_at_mhz)},
                    {"edges", edges}};
  }
  return j;
}

void measured_page(html::PageData& page, const Result& r) {
  const Measurements& m = r.measurements;
  for (const PartUse& p : m.parts) {
    page.parameters.push_back({"Measured part " + p.name,
                               file_name(p.path) + ", " + p.fixture + ", " + mhz(p.from_mhz) +
                                   " to " + mhz(p.to_mhz) + "; not rounded or toleranced"});
    if (p.extrapolated) page.parameters.push_back({"Extrapolated", extrapolated_text(p)});
  }
  if (!m.compare) return;
  const Comparison& c = *m.compare;
  page.parameters.push_back({"Compared with", compare_head(c)});
  if (c.partial) page.parameters.push_back({"Measured range", partial_text(c)});
  page.parameters.push_back({"Passband difference", worst_text(c)});
  for (const EdgeShift& e : c.edges) page.parameters.push_back({"Edge shift", edge_text(e)});
  html::Overlay measured{"measured", {}, true};
  for (std::size_t i = 0; i < r.f_mhz.size(); ++i) {
    if (std::isnan(c.s21_db[i])) continue;  // the curves end with the file
    const double s11_db = c.s11_db[i];
    measured.points.push_back({r.f_mhz[i], c.s21_db[i], s11_db, std::nan(""), {}});
  }
  page.overlays.push_back(std::move(measured));
}

void write_measurement_page(std::ostream& out, const Result& r) {
  const MeasurementFigures& f = *r.measurements.alone;
  html::PageData page;
  page.title = "Measurement " + file_name(r.source_name);
  page.circuit = false;
  page.parameters = {{"Measured file", r.source_name},
                     {"Ports", std::to_string(f.ports)},
                     {"Reference", shortest(r.chosen.source.r) + " ohms"},
                     {"File's frequencies", std::to_string(f.file_points) + " points, " +
                                                mhz(f.from_mhz) + " to " + mhz(f.to_mhz)}};
  if (f.resampled) {
    page.parameters.push_back({"Shown", "interpolated onto the sweep (dB and phase linear in f)"});
  }
  if (f.least_loss_db) {
    page.parameters.push_back(
        {"Least loss", formatted("%.4f", *f.least_loss_db) + " dB at " + mhz(*f.least_loss_mhz)});
    const auto edge = [](const std::optional<double>& e, const char* beyond) {
      return e ? mhz(*e) : std::string(beyond);
    };
    page.parameters.push_back({"3 dB band", edge(f.band_lo_mhz, "below the file") + " to " +
                                                edge(f.band_hi_mhz, "above the file")});
  }
  if (f.worst_return_loss_db) {
    page.parameters.push_back({f.ports == 2 ? "Worst return loss in the 3 dB band" : "Worst return loss",
                               formatted("%.2f", *f.worst_return_loss_db) + " dB"});
  }
  page.source = {r.chosen.source.r, 0.0};
  page.load = {r.chosen.load.r, 0.0};
  const std::vector<Point> points = r.ideal.over(r.f_mhz);
  for (std::size_t i = 0; i < r.f_mhz.size(); ++i) {
    const Point& p = points[i];
    page.sweep.push_back({r.f_mhz[i], p.s21_db, p.s11_db, p.delay_ns, p.s11});
  }
  if (f.band_lo_mhz && f.band_hi_mhz) page.passband = std::pair{*f.band_lo_mhz, *f.band_hi_mhz};
  page.log_frequency = r.log_frequency;
  out << html::html_page(page);
}

}  // namespace varnholt

#include "cli/html_export.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cli/exports.h"
#include "ladder/network.h"

namespace varnholt {
namespace {

html::Termination page_termination(const Termination& t) { return {t.r, t.x}; }

// Evaluates one circuit between its terminations.
class Evaluator {
 public:
  explicit Evaluator(const PageCircuit& c)
      : network_(c.ladder), zs_(c.source.r, c.source.x), zl_(c.load.r, c.load.x) {}
  PortResponse at(double f_mhz) const {
    return port_response(network_.chain_matrix_slope(f_mhz), zs_, zl_);
  }

 private:
  PreparedNetwork network_;
  Complex zs_, zl_;
};

bool in_passband(const PageRequest& r, double f) {
  const auto [lo, hi] = r.passband;
  if (r.type == FilterType::BandStop) return f <= lo || f >= hi;
  if (r.type == FilterType::HighPass) return f >= lo;
  return f >= lo && f <= hi;
}

// The passband edges as the enlarged chart takes them: a low-pass band starts
// at the sweep, a high-pass band ends with it.
std::pair<double, double> chart_passband(const PageRequest& r, double start, double end) {
  switch (r.type) {
    case FilterType::LowPass: return {std::min(start, r.passband.second), r.passband.second};
    case FilterType::HighPass: return {r.passband.first, std::max(end, r.passband.first)};
    default: return r.passband;
  }
}

std::vector<html::MaskPiece> stopband_mask(const PageRequest& r, double start, double end) {
  std::vector<html::MaskPiece> mask;
  if (!r.stopband) return mask;
  const double db = -r.stopband->db;
  const auto piece = [&](double from, double to) {
    from = std::max(from, start);
    to = std::min(to, end);
    if (from < to) mask.push_back({{from, db}, {to, db}});
  };
  const auto& edges = r.stopband->edges_mhz;
  if (r.type == FilterType::BandStop) {
    piece(*std::min_element(edges.begin(), edges.end()),
          *std::max_element(edges.begin(), edges.end()));
    return mask;
  }
  for (const double e : edges) {
    if (e >= r.passband.second) piece(e, end);
    else piece(start, e);
  }
  return mask;
}

// The frequency of `edges` with the least loss, and that loss.
std::pair<double, double> least_loss(const Evaluator& ev, const std::vector<double>& edges) {
  std::pair<double, double> best{0.0, std::numeric_limits<double>::infinity()};
  for (const double f : edges) {
    const double loss = -ev.at(f).s21_db;
    if (loss < best.second) best = {f, loss};
  }
  return best;
}

html::KeyFigures key_figures(const PageRequest& r, const Evaluator& ev,
                             const std::vector<html::SweepPoint>& sweep) {
  html::KeyFigures k;
  std::vector<double> edges;
  if (r.type != FilterType::HighPass) edges.push_back(r.passband.second);
  if (r.type != FilterType::LowPass) edges.push_back(r.passband.first);
  // The edge with the most loss: the band's worst.
  for (const double f : edges) {
    const double loss = -ev.at(f).s21_db;
    if (!k.loss_at_cutoff_db || loss > *k.loss_at_cutoff_db) {
      k.cutoff_mhz = f;
      k.loss_at_cutoff_db = loss;
    }
  }
  if (r.stopband) {
    const auto [f, loss] = r.stopband->figure_mhz
                               ? least_loss(ev, {*r.stopband->figure_mhz})
                               : least_loss(ev, r.stopband->edges_mhz);
    k.f1_mhz = f;
    k.loss_at_f1_db = loss;
  }
  for (const html::SweepPoint& p : sweep) {
    if (!in_passband(r, p.f_mhz)) continue;
    const double return_loss = -p.s11_db;
    if (!k.worst_return_loss_db || return_loss < *k.worst_return_loss_db) {
      k.worst_return_loss_db = return_loss;
    }
  }
  return k;
}

std::string text(float v) { return shortest(v); }

}  // namespace

const char* type_title(FilterType t) {
  switch (t) {
    case FilterType::LowPass: return "low-pass";
    case FilterType::HighPass: return "high-pass";
    case FilterType::BandPass: return "band-pass";
    case FilterType::BandStop: return "band-stop";
  }
  return "";
}

namespace {

const char* response_title(Response r) {
  switch (r) {
    case Response::Chebyshev: return "Chebyshev";
    case Response::Butterworth: return "Butterworth";
    case Response::Bessel: return "Bessel";
    case Response::LinearPhase: return "Linear-phase";
    case Response::Elliptic: return "Elliptic";
    case Response::Legendre: return "Legendre";
    case Response::Gaussian: return "Gaussian";
    case Response::Transitional6dB: return "Gaussian to 6 dB";
    case Response::Transitional12dB: return "Gaussian to 12 dB";
    case Response::EquirippleDelay: return "Equiripple delay";
    case Response::InverseChebyshev: return "Inverse Chebyshev";
  }
  return "";
}

bool is_band(FilterType t) { return t == FilterType::BandPass || t == FilterType::BandStop; }

}  // namespace

namespace {

std::string design_title(const DesignRequest& d) {
  std::string title = std::string(response_title(d.response)) + " " + type_title(d.type) + ", ";
  if (is_band(d.type)) {
    title += text(lower_edge(d)) + "-" + text(upper_edge(d)) + " MHz";
  } else {
    title += text(d.cutoff) + " MHz";
  }
  return title;
}

std::vector<html::Parameter> design_parameters(const DesignRequest& d, int32_t sections) {
  std::vector<html::Parameter> p;
  p.push_back({"Filter", type_title(d.type)});
  p.push_back({"Response", response_title(d.response)});
  if (is_band(d.type)) {
    p.push_back({"Centre", text(d.center) + " MHz"});
    p.push_back({"Bandwidth", text(d.bandwidth) + " MHz"});
    p.push_back({"Band edges", text(lower_edge(d)) + " and " + text(upper_edge(d)) + " MHz"});
  } else {
    p.push_back({"Cut-off", text(d.cutoff) + " MHz"});
  }
  if (d.ripple != 0.0f) p.push_back({"Ripple", text(d.ripple) + " dB"});
  p.push_back({"Sections", std::to_string(sections)});
  if (d.response == Response::Elliptic) {
    p.push_back({"Stopband attenuation", text(d.attenuation) + " dB"});
    if (d.skirt != 0.0f) p.push_back({"Stopband edge wanted", text(d.skirt) + " MHz"});
  } else if (d.skirt != 0.0f) {
    p.push_back({"Skirt (F1, A1)", text(d.skirt) + " MHz, " + text(d.attenuation) + " dB"});
  }
  p.push_back({"Impedance", text(d.impedance) + " ohms"});
  return p;
}

}  // namespace

html::PageData page_data(const PageRequest& r) {
  html::PageData page;
  page.title = r.title;
  page.parameters = r.parameters;
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
  const Evaluator ev(r.chosen);
  const int64_t points = sweep_points(r.sweep);
  page.sweep.reserve(static_cast<std::size_t>(points));
  for (int64_t k = 0; k < points; ++k) {
    const double f = sweep_point(r.sweep, k);
    const PortResponse p = ev.at(f);
    page.sweep.push_back({f, p.s21_db, p.s11_db, p.delay_ns, p.s11});
  }
  const double start = page.sweep.front().f_mhz;
  const double end = page.sweep.back().f_mhz;
  page.passband = chart_passband(r, start, end);
  page.passband_outside = r.type == FilterType::BandStop;
  page.mask = stopband_mask(r, start, end);
  page.figures = key_figures(r, ev, page.sweep);
  page.log_frequency = r.log_frequency;
  page.parameters.push_back({"Sweep", text(static_cast<float>(start)) + " to " +
                                          text(static_cast<float>(end)) + " MHz, " +
                                          std::to_string(points) + " points"});
  return page;
}

const char* circuit_title(Configuration c) {
  return c == Configuration::Dual ? "Dual circuit" : "Standard circuit";
}

PageRequest design_page(const DesignRequest& d, int32_t sections, PageCircuit chosen,
                        std::optional<PageCircuit> other, const SweepRange& sweep) {
  PageRequest r;
  r.title = design_title(d);
  r.parameters = design_parameters(d, sections);
  r.type = d.type;
  r.passband = design_passband(d.type, d.cutoff, lower_edge(d), upper_edge(d));
  r.chosen = std::move(chosen);
  r.other = std::move(other);
  r.sweep = sweep;
  r.stopband = skirt_requirement(d, lower_edge(d), upper_edge(d));
  return r;
}

void write_page(std::ostream* out, const Command& c, PageRequest request) {
  if (out == nullptr) return;
  if (!c.both) request.other.reset();
  request.log_frequency = c.log_axis;
  *out << html::html_page(page_data(request));
}

std::pair<double, double> design_passband(FilterType type, double cutoff, double lower,
                                          double upper) {
  if (is_band(type)) return {lower, upper};
  if (type == FilterType::LowPass) return {0.0, cutoff};
  return {cutoff, cutoff};
}

std::optional<StopbandRequirement> skirt_requirement(const DesignRequest& d, double lower,
                                                     double upper) {
  if (d.skirt == 0.0f || d.attenuation == 0.0f || d.response == Response::Elliptic) return {};
  StopbandRequirement s{{d.skirt}, d.attenuation, d.skirt};
  // A band-stop network is symmetric about the geometric centre of its band.
  if (d.type == FilterType::BandStop) s.edges_mhz.push_back(lower * upper / d.skirt);
  return s;
}

void check_page_options(const Command& c, bool has_other) {
  if (!c.given("--html")) {
    if (c.both) throw UsageError("--both: only with --html");
    if (c.log_axis) throw UsageError("--log: only with --html");
    return;
  }
  if (c.both && !has_other) {
    throw UsageError("--both: a circuit data file holds one circuit; give a design or design file");
  }
}

}  // namespace varnholt

#include "pipeline/evaluate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "analysis/sweep.h"
#include "common/file_kind.h"
#include "common/parallel.h"
#include "pipeline/design_file.h"
#include "pipeline/dialog_report.h"
#include "pipeline/dialog_runner.h"
#include "pipeline/measured.h"
#include "pipeline/optimised.h"
#include "practical/elements.h"
#include "common/code_traits.h"
#include "format/reader.h"
#include "synthesis/exact_design.h"
#include "synthesis/transform.h"

namespace varnholt {
namespace {

constexpr int64_t kDefaultPoints = 201;

bool is_band(FilterType t) { return t == FilterType::BandPass || t == FilterType::BandStop; }

const char* circuit_title(Configuration c) {
  return c == Configuration::Dual ? "Dual circuit" : "Standard circuit";
}

Configuration other_circuit(Configuration c) {
  return c == Configuration::Dual ? Configuration::Standard : Configuration::Dual;
}

// --- The sweep ---------------------------------------------------------------

// f(k) = (a + k b) / d for integers a, b, d small enough that every sum is
// exact: the division then rounds the exact value once.
struct DecimalGrid {
  double a = 0.0, b = 0.0, d = 1.0;
};

std::optional<DecimalGrid> decimal_grid(double from, double step_or_to, int64_t points,
                                        bool by_points) {
  const auto f = decimal_digits(from);
  const auto s = decimal_digits(step_or_to);
  if (!f || !s) return std::nullopt;
  const int places = std::max(f->second, s->second);
  const double scale = std::pow(10.0, places);
  const double a = std::round(from * scale);
  const double c = std::round(step_or_to * scale);
  const double intervals = static_cast<double>(points - 1);
  DecimalGrid g;
  if (by_points) {  // from + k (to - from) / (points - 1)
    g = {a * intervals, c - a, scale * intervals};
  } else {
    g = {a, c, scale};
  }
  const double most = std::fabs(g.a) + std::fabs(g.b) * intervals;
  if (most >= 0x1p53 || g.d >= 0x1p53) return std::nullopt;
  return g;
}

// The exports hold their sweep in memory, some 100 bytes a point.
constexpr double kMostExportPoints = 20'000'000;

int64_t step_count(const SweepRequest& s) {
  // The last point is `to` itself when it lies on the grid, within rounding.
  const double points = s.points > 0 ? static_cast<double>(s.points)
                                     : std::floor((s.to - s.from) / s.step * (1.0 + 1e-12) + 1e-9) + 1;
  if (!(points <= kMostExportPoints)) {
    throw UsageError(std::string(s.points > 0 ? "--points" : "--step") +
                     ": the exports take at most 20000000 points (the report alone has no limit)");
  }
  return static_cast<int64_t>(points);
}

// --- The design's figures -----------------------------------------------------

std::pair<double, double> design_passband(FilterType type, double cutoff, double lower,
                                          double upper) {
  if (is_band(type)) return {lower, upper};
  if (type == FilterType::LowPass) return {0.0, cutoff};
  return {cutoff, cutoff};
}

std::optional<StopbandRequirement> skirt_requirement(const DesignRequest& d) {
  if (d.skirt == 0.0 || d.attenuation == 0.0 || d.response == Response::Elliptic) return {};
  StopbandRequirement s{{d.skirt}, d.attenuation, d.skirt};
  // A band-stop network is symmetric about the geometric centre of its band.
  if (d.type == FilterType::BandStop) {
    s.edges_mhz.push_back(decimal_snap(lower_edge(d) * upper_edge(d) / d.skirt));
  }
  return s;
}

bool in_passband(FilterType type, std::pair<double, double> band, double f) {
  const auto [lo, hi] = band;
  if (type == FilterType::BandStop) return f <= lo || f >= hi;
  if (type == FilterType::HighPass) return f >= lo;
  return f >= lo && f <= hi;
}

KeyFigures key_figures(const Result& r, const std::vector<Point>& ideal) {
  KeyFigures k;
  const Evaluator ev(r.chosen);
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
    // At F1, or at the stopband edge with the least loss.
    const std::vector<double> at = r.stopband->figure_mhz
                                       ? std::vector<double>{*r.stopband->figure_mhz}
                                       : r.stopband->edges_mhz;
    for (const double f : at) {
      const double loss = -ev.at(f).s21_db;
      if (!k.loss_at_f1_db || loss < *k.loss_at_f1_db) {
        k.f1_mhz = f;
        k.loss_at_f1_db = loss;
      }
    }
  }
  for (std::size_t i = 0; i < r.f_mhz.size(); ++i) {
    if (!in_passband(r.type, r.passband, r.f_mhz[i])) continue;
    const double return_loss = -ideal[i].s11_db;
    if (!k.worst_return_loss_db || return_loss < *k.worst_return_loss_db) {
      k.worst_return_loss_db = return_loss;
    }
  }
  return k;
}

// --- What the job builds --------------------------------------------------------

std::string design_comment(const DesignRequest& d, int32_t n, Configuration circuit) {
  std::ostringstream s;
  s << kVersion << " design: " << name_of(d.type) << ' ' << name_of(d.response) << ", " << n
    << " sections, ";
  if (is_band(d.type)) {
    s << "centre " << shortest(d.center) << " MHz, bandwidth " << shortest(d.bandwidth) << " MHz";
  } else {
    s << "cut-off " << shortest(d.cutoff) << " MHz";
  }
  if (d.ripple != 0.0) s << ", ripple " << shortest(d.ripple) << " dB";
  if (d.response == Response::Elliptic) s << ", stopband " << shortest(d.attenuation) << " dB";
  s << ", impedance " << shortest(d.impedance) << " ohms, ";
  if (d.topology) {
    s << coupled_topology_name(*d.topology) << " coupled resonators";
    if (d.resonator_l_nh) s << ", resonator L " << shortest(*d.resonator_l_nh) << " nH";
  } else {
    s << (circuit == Configuration::Dual ? "dual" : "standard") << " circuit";
  }
  return s.str();
}

// The float sweep of the dialog's report: the typed range, or the range the
// command's default gives, formed in float from the stores' frequencies.
SweepRange dialog_sweep(const Job& job, FilterType type, float cutoff, float lower, float upper) {
  SweepRange s;
  int64_t points = job.points.value_or(kDefaultPoints);
  if (job.sweep) {
    s.fmin = dialog_float(job.sweep->from, "--from");
    s.fmax = dialog_float(job.sweep->to, "--to");
    if (job.sweep->points == 0) {
      s.fstep = dialog_float(job.sweep->step, "--step");
      return s;
    }
    points = job.sweep->points;
  } else if (type == FilterType::LowPass) {
    s.fmin = cutoff * 0.01f;
    s.fmax = cutoff * 3.0f;
  } else if (type == FilterType::HighPass) {
    s.fmin = cutoff / 3.0f;
    s.fmax = cutoff * 3.0f;
  } else {
    const float centre = (lower + upper) * 0.5f;
    const float width = upper - lower;
    s.fmin = centre - 1.5f * width;
    if (!(s.fmin > 0.0f)) s.fmin = lower * 0.1f;
    s.fmax = centre + 1.5f * width;
  }
  if (points == 1) {
    s.fstep = 1.0f;
    return s;
  }
  // The float step may round so that the dialog's count differs by one; the
  // neighbouring floats are tried.
  const auto step = static_cast<float>((static_cast<double>(s.fmax) - s.fmin) /
                                       static_cast<double>(points - 1));
  float candidate = step;
  for (int i = 0; i < 4; ++i) {
    for (const float t : {candidate, std::nextafter(step, 0.0f), std::nextafter(step, 1e30f)}) {
      if (t > 0.0f && sweep_steps(s.fmin, s.fmax, t) == points - 1) {
        s.fstep = t;
        return s;
      }
    }
    candidate = std::nextafter(candidate, 0.0f);
  }
  throw UsageError("--points: no float step gives " + std::to_string(points) +
                   " points over this range for the report");
}

AnalysisRequest dialog_analysis(const Job& job, Configuration circuit, Termination source,
                                Termination load, const SweepRange& sweep) {
  AnalysisRequest a;
  a.circuit = circuit;
  a.source = job.source.value_or(source);
  a.load = job.load.value_or(load);
  a.sweep = sweep;
  a.return_loss = job.return_loss;
  return a;
}

// The float loads of the dialog's design, ohms: standard and dual.
std::pair<float, float> dialog_loads(const State& st, double impedance) {
  float rod = 0.0f;
  float ros = 0.0f;
  load_resistances(st.capind.g, st.block1.n, static_cast<float>(impedance), rod, ros);
  return {ros, rod};
}

// A design file's circuit into the element stores, position by position.
void stores_from_ladder(const Ladder& ladder, FilterType type, Capind& c) {
  std::size_t k = 1;
  for (const Branch& b : ladder.branches) {
    const BranchStores s = branch_stores(type, b.placement);
    if (s.l != nullptr) (c.*s.l)[k] = static_cast<float>(b.l[0]);
    if (s.c != nullptr) (c.*s.c)[k] = static_cast<float>(b.c[0]);
    ++k;
  }
}

// A ladder of the element stores with every value as its shortest decimal:
// the values a circuit data file wrote, not their float neighbours.
Ladder as_typed(const Ladder& stored) {
  Ladder l = stored;
  for (Branch& b : l.branches) {
    for (double& v : b.l) v = value_as_typed(static_cast<float>(v));
    for (double& v : b.c) v = value_as_typed(static_cast<float>(v));
  }
  return l;
}

// The two circuits of a record, the chosen one first, with the job's terminations.
void choose(Result& r, const DesignRecord& rec, const Job& job) {
  const Configuration circuit = job.circuit.value_or(Configuration::Standard);
  const bool dual = circuit == Configuration::Dual;
  r.chosen = dual ? rec.dual : rec.standard;
  Circuit other = dual ? rec.standard : rec.dual;
  r.chosen.name = circuit_title(circuit);
  other.name = circuit_title(other_circuit(circuit));
  r.chosen.source = other.source = job.source.value_or(r.chosen.source);
  r.chosen.load = job.load.value_or(r.chosen.load);
  other.load = job.load.value_or(other.load);
  r.other = other;
}

Circuit circuit_of(const Ladder& ladder, double source, double load) {
  return {"", ladder, {source, 0.0}, {load, 0.0}};
}

void build_elliptic(Result& r, std::optional<DialogReport>& dialog, const Job& job,
                    const Clock& clock) {
  const DesignRequest& d = job.design;
  const EllipticDesign standard = elliptic_design(d, Configuration::Standard, "--");
  const EllipticDesign dual = elliptic_design(d, Configuration::Dual, "--");
  DesignRecord rec;
  rec.design = d;
  rec.sections = standard.order;
  // The loads to 12 digits: an odd order's is the impedance itself, which the
  // extraction reaches only to its rounding (49.999999999999915).
  rec.standard = circuit_of(standard.ladder(), standard.source_ohms,
                            decimal_snap(standard.load_ohms, 12));
  rec.dual = circuit_of(dual.ladder(), dual.source_ohms, decimal_snap(dual.load_ohms, 12));
  rec.stopband_mhz = standard.stopband_mhz;
  choose(r, rec, job);
  r.sections = rec.sections;
  r.stopband = StopbandRequirement{rec.stopband_mhz, d.attenuation, std::nullopt};
  if (job.wants(Output::Report)) {
    DialogReport report;
    report.kind = DialogReport::Kind::EllipticSynthesis;
    report.elliptic = job.circuit == Configuration::Dual ? dual : standard;
    report.datetime = clock();
    dialog = std::move(report);
  }
  r.record = std::move(rec);
}

ExactRequest exact_request(const DesignRequest& d, int32_t sections) {
  ExactRequest x;
  x.type = d.type;
  x.response = d.response;
  x.cutoff_mhz = d.cutoff;
  x.lower_mhz = lower_edge(d);
  x.upper_mhz = upper_edge(d);
  x.ripple_db = d.response == Response::EquirippleDelay ? d.phase_error : d.ripple;
  x.order = sections;
  x.impedance_ohms = d.impedance;
  return x;
}

// Element stores filled with a double-precision design, as the synthesis
// report prints them.
std::shared_ptr<State> stores_of(const DesignRecord& rec) {
  const DesignRequest& d = rec.design;
  auto st = std::make_shared<State>();
  st->control.ides = static_cast<int32_t>(d.type);
  st->control.iop = static_cast<int32_t>(d.response);
  st->control.iskirt = d.sections == 0 ? 1 : 0;
  st->block1.n = rec.sections;
  st->block1.am = static_cast<float>(d.ripple);
  st->imp1.zo = static_cast<float>(d.impedance);
  Freq1& f = st->freq1;
  f.fc1 = static_cast<float>(d.cutoff);
  f.fl1 = static_cast<float>(lower_edge(d));
  f.fh1 = static_cast<float>(upper_edge(d));
  f.fo = static_cast<float>(std::sqrt(lower_edge(d) * upper_edge(d)));
  f.bw = static_cast<float>(upper_edge(d) - lower_edge(d));
  f.f1 = static_cast<float>(d.skirt);
  if (rec.attenuation_reached) st->main.a2 = static_cast<float>(*rec.attenuation_reached);
  st->main.design = filter_type_traits(st->control.ides).name;
  st->main.resp = padded(response_traits(d.response).name, 20);
  for (std::size_t k = 0; k < rec.prototype.size() && k + 1 < kMaxPositions; ++k) {
    st->capind.g[k + 1] = static_cast<float>(rec.prototype[k]);
  }
  stores_from_ladder(rec.standard.ladder, d.type, st->capind);
  stores_from_ladder(rec.dual.ladder, d.type, st->capind);
  return st;
}

// A response only the double path designs: its report from its own values.
void build_computed(Result& r, std::optional<DialogReport>& dialog, const Job& job,
                    const Clock& clock) {
  const DesignRequest& d = job.design;
  const int32_t n = design_sections(d);
  const auto exact = design_exact(exact_request(d, n));
  if (!exact) throw UsageError("--sections: no " + std::string(name_of(d.response)) + " design of " + std::to_string(n) + " sections");
  DesignRecord rec;
  rec.design = d;
  rec.sections = n;
  rec.prototype.assign(exact->g.begin() + 1, exact->g.end());
  rec.standard = circuit_of(exact->standard, exact->source_ohms, exact->standard_load_ohms);
  rec.dual = circuit_of(exact->dual, exact->source_ohms, exact->dual_load_ohms);
  if (d.sections == 0) {
    const Circuit probe{"", exact->standard, {d.impedance, 0.0}, {exact->standard_load_ohms, 0.0}};
    rec.attenuation_reached = -Evaluator(probe).at(d.skirt).s21_db;
  }
  choose(r, rec, job);
  r.sections = n;
  r.stopband = skirt_requirement(d);
  if (job.wants(Output::Report)) {
    DialogReport report;
    report.kind = DialogReport::Kind::ComputedSynthesis;
    report.stores = stores_of(rec);
    report.ros = static_cast<float>(exact->standard_load_ohms);
    report.rod = static_cast<float>(exact->dual_load_ohms);
    report.datetime = clock();
    dialog = std::move(report);
  }
  r.record = std::move(rec);
}

// --- Coupled resonators -----------------------------------------------------------

const char* coupled_title(CoupledTopology t) {
  switch (t) {
    case CoupledTopology::TopC: return "Top-C coupled circuit";
    case CoupledTopology::TopL: return "Top-L coupled circuit";
    case CoupledTopology::ShuntC: return "Shunt-C coupled circuit";
  }
  return "";
}

// The band a circuit really has about the band asked: on a grid from two
// bandwidths below to two above, the outermost points whose loss is at most
// `level`, each edge then bisected to the crossing; the ripple (Chebyshev)
// is the largest loss between the edges, the level included, less the least,
// each extreme refined about its grid point.
MeasuredBand measured_band(const Circuit& c, double lower, double upper, double level,
                           bool ripple, const PartModel& losses = {}) {
  const Evaluator ev(c, losses);
  const auto loss = [&ev](double f) { return -ev.at(f).s21_db; };
  MeasuredBand m;
  m.level_db = level;
  const double width = upper - lower;
  const double from = std::max(lower - 2.0 * width, lower / 4.0), to = upper + 2.0 * width;
  constexpr int kSteps = 5000;
  const double step = (to - from) / kSteps;
  std::vector<double> grid(kSteps + 1);
  for (int i = 0; i <= kSteps; ++i) grid[static_cast<std::size_t>(i)] = loss(from + i * step);
  int first = -1, last = -1;
  for (int i = 0; i <= kSteps; ++i) {
    if (grid[static_cast<std::size_t>(i)] > level) continue;
    if (first < 0) first = i;
    last = i;
  }
  if (first < 0) return m;
  // The crossing between a point above the level and one at or below it.
  const auto crossing = [&](double above, double below) {
    for (int k = 0; k < 200 && std::fabs(above - below) > 1e-13 * below; ++k) {
      const double mid = 0.5 * (above + below);
      (loss(mid) > level ? above : below) = mid;
    }
    return 0.5 * (above + below);
  };
  m.lower_mhz = first > 0 ? crossing(from + (first - 1) * step, from + first * step) : from;
  m.upper_mhz = last < kSteps ? crossing(from + (last + 1) * step, from + last * step) : to;
  if (!ripple) return m;
  // Golden-section search of the loss (or its negative) about a grid point.
  const auto refine = [&](int i, double sign) {
    double a = from + std::max(i - 1, first) * step, b = from + std::min(i + 1, last) * step;
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int k = 0; k < 80; ++k) {
      const double x1 = b - g * (b - a), x2 = a + g * (b - a);
      if (sign * loss(x1) > sign * loss(x2)) {
        b = x2;
      } else {
        a = x1;
      }
    }
    return loss(0.5 * (a + b));
  };
  int most = first, least = first;
  for (int i = first; i <= last; ++i) {
    const double v = grid[static_cast<std::size_t>(i)];
    if (v > grid[static_cast<std::size_t>(most)]) most = i;
    if (v < grid[static_cast<std::size_t>(least)]) least = i;
  }
  m.ripple_db = std::max(level, refine(most, 1.0)) - refine(least, -1.0);
  return m;
}

// The one circuit of a coupled record with the job's terminations, its band
// and its report.
void coupled_result(Result& r, std::optional<DialogReport>& dialog, DesignRecord rec,
                    const Job& job, const Clock& clock) {
  check_one_circuit(job);
  const DesignRequest& d = rec.design;
  r.type = d.type;
  r.sections = rec.sections;
  r.passband = design_passband(d.type, d.cutoff, lower_edge(d), upper_edge(d));
  r.stopband = skirt_requirement(d);
  r.description = design_comment(d, rec.sections, Configuration::Standard);
  r.chosen = rec.standard;
  r.chosen.name = coupled_title(*d.topology);
  r.chosen.source = job.source.value_or(r.chosen.source);
  r.chosen.load = job.load.value_or(r.chosen.load);
  r.other.reset();
  const bool chebyshev = d.response == Response::Chebyshev;
  r.measured = measured_band(r.chosen, lower_edge(d), upper_edge(d),
                             chebyshev ? d.ripple : 10.0 * std::log10(2.0), chebyshev);
  if (job.wants(Output::Report)) {
    DialogReport report;
    report.kind = DialogReport::Kind::CoupledSynthesis;
    report.coupled = CoupledReport{coupled_request(d), *rec.coupled, *r.measured};
    report.datetime = clock();
    dialog = std::move(report);
  }
  r.record = std::move(rec);
}

void build_coupled(Result& r, std::optional<DialogReport>& dialog, const Job& job,
                   const Clock& clock) {
  const DesignRequest& d = job.design;
  DesignRecord rec;
  rec.design = d;
  rec.coupled = coupled_design(d, "--");
  rec.sections = static_cast<int32_t>(rec.coupled->resonators.size());
  rec.prototype.assign(rec.coupled->g.begin() + 1, rec.coupled->g.end());
  rec.standard = circuit_of(rec.coupled->ladder, rec.coupled->source_ohms, rec.coupled->load_ohms);
  coupled_result(r, dialog, std::move(rec), job, clock);
}

// The design of the job in double, and the dialog's float design beside it.
void build_design(Result& r, std::optional<DialogReport>& dialog, const Job& job, FileSystem& files,
                  const Clock& clock) {
  const DesignRequest& d = job.design;
  r.type = d.type;
  r.passband = design_passband(d.type, d.cutoff, lower_edge(d), upper_edge(d));
  const Configuration chosen = job.circuit.value_or(Configuration::Standard);
  if (d.topology) return build_coupled(r, dialog, job, clock);
  if (d.response == Response::Elliptic || d.response == Response::InverseChebyshev) {
    build_elliptic(r, dialog, job, clock);
    r.description = design_comment(d, r.sections, chosen);
    return;
  }
  if (!dialog_designs(d)) {
    build_computed(r, dialog, job, clock);
    r.description = design_comment(d, r.sections, chosen);
    return;
  }
  auto runner = std::make_shared<DialogRunner>(files, clock);
  runner->synthesise(d);
  const State& st = runner->state();
  const auto exact = design_exact(exact_request(d, st.block1.n));
  if (!exact) throw std::logic_error("no double-precision design for an accepted request");
  DesignRecord rec;
  rec.design = d;
  rec.sections = st.block1.n;
  if (d.sections == 0) rec.attenuation_reached = st.main.a2;
  rec.prototype.assign(exact->g.begin() + 1, exact->g.end());
  rec.standard = circuit_of(exact->standard, exact->source_ohms, exact->standard_load_ohms);
  rec.dual = circuit_of(exact->dual, exact->source_ohms, exact->dual_load_ohms);
  const auto [ros, rod] = dialog_loads(st, d.impedance);
  rec.dialog_values = std::pair{
      circuit_of(ladder_from_stores(st.capind, d.type, Configuration::Standard, st.block1.n),
                 static_cast<float>(d.impedance), ros),
      circuit_of(ladder_from_stores(st.capind, d.type, Configuration::Dual, st.block1.n),
                 static_cast<float>(d.impedance), rod)};
  choose(r, rec, job);
  r.sections = rec.sections;
  r.description = design_comment(d, r.sections, chosen);
  r.stopband = skirt_requirement(d);
  if (job.wants(Output::Report)) {
    DialogReport report;
    report.kind = DialogReport::Kind::Synthesis;
    if (job.sweep) {
      const Configuration circuit = job.circuit.value_or(Configuration::Standard);
      const SweepRange s =
          dialog_sweep(job, d.type, st.freq1.fc1, st.freq1.fl1, st.freq1.fh1);
      const AnalysisRequest a = dialog_analysis(
          job, circuit, {static_cast<float>(d.impedance), 0.0},
          {circuit == Configuration::Dual ? rod : ros, 0.0}, s);
      report.analysis_replies = DialogRunner::analysis_replies(a, true);
      report.rows = sweep_steps(s.fmin, s.fmax, s.fstep) + 1;
    }
    report.runner = std::move(runner);
    dialog = std::move(report);
  }
  r.record = std::move(rec);
}

// A design file: its design data and circuits as recorded.
void build_from_design_file(Result& r, std::optional<DialogReport>& dialog, const Job& job,
                            const std::string& text, FileSystem& files,
                            const Clock& clock) {
  DesignRecord rec = read_design_file(text, job.path);
  if (rec.coupled) return coupled_result(r, dialog, std::move(rec), job, clock);
  const DesignRequest& d = rec.design;
  const Configuration circuit = job.circuit.value_or(Configuration::Standard);
  r.type = d.type;
  r.sections = rec.sections;
  r.description = design_comment(d, rec.sections, circuit);
  r.passband = design_passband(d.type, d.cutoff, lower_edge(d), upper_edge(d));
  r.stopband = !rec.stopband_mhz.empty()
                   ? std::optional(StopbandRequirement{rec.stopband_mhz, d.attenuation, std::nullopt})
                   : skirt_requirement(d);
  choose(r, rec, job);
  if (job.wants(Output::Report)) {
    if (!rec.stopband_mhz.empty()) {
      // The dialog's analysis knows single-pair branches only.
      throw UsageError(std::string(job.outputs.at(Output::Report) == "-" && job.outputs.size() == 1
                                       ? job.path
                                       : "--report") +
                       ": the analysis report covers the interactive program's designs; for this " +
                       name_of(d.response) + " design ask for --csv, --touchstone or --spice");
    }
    auto runner = std::make_shared<DialogRunner>(files, clock);
    // The dialog's design, or a computed one's values put in its stores.
    if (rec.dialog_values) {
      runner->synthesise(d);
    } else {
      const Datetime now = runner->state().datetime;
      runner->state() = *stores_of(rec);
      runner->state().datetime = now;
    }
    State& st = runner->state();
    const Circuit& stored = !rec.dialog_values           ? r.chosen
                            : circuit == Configuration::Dual ? rec.dialog_values->second
                                                             : rec.dialog_values->first;
    stores_from_ladder(stored.ladder, d.type, st.capind);
    const SweepRange s = dialog_sweep(job, d.type, st.freq1.fc1, st.freq1.fl1, st.freq1.fh1);
    DialogReport report;
    report.kind = DialogReport::Kind::DesignAnalysis;
    report.analysis_replies =
        DialogRunner::analysis_replies(dialog_analysis(job, circuit, stored.source, stored.load, s), true);
    report.rows = sweep_steps(s.fmin, s.fmax, s.fstep) + 1;
    report.runner = std::move(runner);
    dialog = std::move(report);
  }
  r.record = std::move(rec);
}

void build_from_circuit_file(Result& r, std::optional<DialogReport>& dialog, const Job& job,
                             FileSystem& files, const Clock& clock) {
  if (job.circuit) throw UsageError("--circuit: only for design files; a circuit data file gives its own");
  if (job.both) {
    throw UsageError("--both: a circuit data file holds one circuit; give a design or design file");
  }
  auto runner = std::make_shared<DialogRunner>(files, clock);
  runner->read_circuit(job.path);
  const State& st = runner->state();
  r.type = filter_type(st.control.ides);
  r.sections = st.block1.n;
  const Configuration circuit = configuration(st.control.icfg);
  r.source_name = job.path;
  r.description = std::string(kVersion) + " analysis of " + job.path + ": " + name_of(r.type) +
                  ", " + std::to_string(st.block1.n) + " sections, " +
                  (circuit == Configuration::Dual ? "dual" : "standard") + " circuit";
  r.passband = design_passband(r.type, value_as_typed(st.freq1.fc1), value_as_typed(st.freq1.fl1),
                               value_as_typed(st.freq1.fh1));
  r.chosen = {circuit_title(circuit),
              as_typed(ladder_from_stores(st.capind, r.type, circuit, st.block1.n)),
              job.source.value_or(Termination{}), job.load.value_or(Termination{})};
  if (job.wants(Output::Report)) {
    const SweepRange s = dialog_sweep(job, r.type, st.freq1.fc1, st.freq1.fl1, st.freq1.fh1);
    DialogReport report;
    report.kind = DialogReport::Kind::CircuitAnalysis;
    report.path = job.path;
    report.analysis_replies =
        DialogRunner::analysis_replies(dialog_analysis(job, circuit, {}, {}, s), false);
    report.rows = sweep_steps(s.fmin, s.fmax, s.fstep) + 1;
    report.runner = std::move(runner);
    dialog = std::move(report);
  }
}

std::string read_text(FileSystem& files, const std::string& path) {
  std::string text, why;
  if (!read_whole(files, path, text, why)) throw UsageError(path + ": cannot be read (" + why + ")");
  return text;
}

void build_from_file(Result& r, std::optional<DialogReport>& dialog, const Job& job,
                     const std::string& text, FileSystem& files, const Clock& clock) {
  const FileKind kind = sniff_file(text);
  switch (kind) {
    case FileKind::Json:
      return build_from_design_file(r, dialog, job, text, files, clock);
    case FileKind::Other:
      return build_from_circuit_file(r, dialog, job, files, clock);
    default:
      throw UsageError(job.path + ": " + file_kind_text(kind) +
                       ", not a circuit data file or a design file (analyse reads the circuit "
                       "data files of the interactive program and the design files of design "
                       "--json)");
  }
}

// --- The practical work ---------------------------------------------------------

std::vector<double> s21_db_of(const std::vector<Point>& points) {
  std::vector<double> db;
  db.reserve(points.size());
  for (const Point& p : points) db.push_back(p.s21_db);
  return db;
}

void check_mask(Result& r, const std::string& name, const Ladder& ladder, const PartModel& losses) {
  const Complex zs(r.chosen.source.r, r.chosen.source.x), zl(r.chosen.load.r, r.chosen.load.x);
  const auto margins = mask_margins(ladder, losses, zs, zl, r.practical.mask, r.f_mhz);
  MaskCheck c;
  c.circuit = name;
  c.worst_margin_db = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < margins.size(); ++i) {
    if (margins[i].margin_db < c.worst_margin_db) {
      c.worst_margin_db = margins[i].margin_db;
      c.at_mhz = margins[i].at_mhz;
      c.item = i;
    }
  }
  c.pass = c.worst_margin_db >= 0.0;
  r.checks.push_back(c);
}

[[noreturn]] void practical_failure(const Job& job, const std::exception& e) {
  const PracticalOptions& p = job.practical;
  const char* option = p.rounded() ? (p.round_l && p.round_c ? "--round"
                                      : p.round_l            ? "--round-l"
                                                             : "--round-c")
                                   : "--trials";
  throw UsageError(std::string(option) + ": " + e.what());
}

// The elements replaced by measured parts: their models in the losses, their
// own values kept (they are not rounded), every frequency the built circuit
// is evaluated at inside their files.
void attach_parts(Result& r, const Job& job, FileSystem& files) {
  PracticalOptions& p = r.practical;
  std::vector<PartUse>& parts = r.measurements.parts;
  r.measurements.extrapolate = job.measured.extrapolate;
  load_parts(job.measured, r.chosen.ladder, files, p.losses, parts);
  for (const PartUse& u : parts) {
    element_value(r.rounded.ladder, u.where) = u.nominal;
    std::erase_if(r.rounded.elements, [&](const RoundedElement& e) {
      return e.where == u.where;
    });
  }
  const bool extrapolate = job.measured.extrapolate;
  check_part_ranges(parts, extrapolate, r.f_mhz.front(), r.f_mhz.back(), "the sweep");
  for (const StopPoint& s : p.mask.stop) check_part_ranges(parts, extrapolate, s.f_mhz, s.f_mhz, "the mask");
  if (!job.measured.compare.empty()) {
    for (const double e : {r.passband.first, r.passband.second}) {
      if (e > 0.0) check_part_ranges(parts, extrapolate, e, e, "the band edge");
    }
  }
}

// The mask's passbands: those of the design inside the sweep.
void set_passbands(Result& r) {
  Mask& mask = r.practical.mask;
  const auto [lower, upper] = r.passband;
  const double cutoff = r.type == FilterType::LowPass ? upper : lower;
  mask.passbands = design_passbands(r.type, cutoff, lower, upper, r.f_mhz.front(), r.f_mhz.back());
  const bool passband_limited =
      std::isfinite(mask.max_passband_loss_db) || std::isfinite(mask.min_return_loss_db);
  if (passband_limited && mask.passbands.empty()) {
    throw UsageError(std::string(std::isfinite(mask.max_passband_loss_db) ? "--mask-passband-loss"
                                                                       : "--mask-return-loss") +
                     ": the design's passband lies outside the sweep");
  }
}

// Open-ended work reports a count while it runs (total kRunning) and its
// end (done == total).
constexpr int64_t kRunning = -1;

// --optimise: the search, its progress told as designs evaluated.
void optimise_work(Result& r, const Progress& progress) {
  const auto told = [&progress](int64_t n) {
    if (progress) progress("--optimise", n, kRunning);
  };
  r.optimised = optimise_step(r, *r.practical.optimise, told);
  if (progress) progress("--optimise", r.optimised->evaluations, r.optimised->evaluations);
}

// --refine: a coupled-resonator design toward the ladder band-pass of the
// same design; any other toward its own ideal circuit, which its parts'
// losses and parasitics moved away from.
void refine_work(Result& r) {
  const bool coupled = r.record && r.record->coupled;
  if (!coupled && !r.practical.lossy() && r.practical.losses.parts.empty()) {
    throw UsageError("--refine: nothing to refine: the circuit is the ideal design (refine a "
                     "coupled-resonator design, or one with Q, parasitics or measured parts)");
  }
  if (!coupled) {
    r.refined = refine_step(r, r.chosen, "the ideal circuit without the parts' losses and parasitics");
    return;
  }
  DesignRequest d = r.record->design;
  d.topology.reset();
  const auto exact = design_exact(exact_request(d, r.sections));
  if (!exact) throw UsageError("--refine: no ladder band-pass of this design to match");
  const Circuit target = circuit_of(exact->standard, exact->source_ohms, exact->standard_load_ohms);
  r.refined = refine_step(r, target, "the ladder band-pass of the same design");
  const bool chebyshev = d.response == Response::Chebyshev;
  const Circuit refined{r.chosen.name, r.refined->fit.ladder, r.chosen.source, r.chosen.load};
  r.refined->band = measured_band(refined, lower_edge(d), upper_edge(d),
                                  chebyshev ? d.ripple : 10.0 * std::log10(2.0), chebyshev,
                                  r.practical.losses);
}

// The yield of the trials of `nominal` (the built ladder, or the ideal or
// rounded values it is compared with).
YieldResult yield_of(const Result& r, const Ladder& nominal, const TrialAdjustment& align) {
  const PracticalOptions& p = r.practical;
  try {
    return analyse_yield(nominal, p.losses, {r.chosen.source.r, r.chosen.source.x},
                         {r.chosen.load.r, r.chosen.load.x}, *p.tolerances, p.mask, r.f_mhz,
                         p.yield, align);
  } catch (const std::invalid_argument& e) {
    throw UsageError(std::string("--trials: ") + e.what());
  }
}

// --align: each trial of a coupled design tuned to the centre before its check.
TrialAdjustment trial_alignment(const Result& r) {
  if (!r.practical.align) return {};
  if (!r.record || !r.record->coupled) {
    throw UsageError("--align: only for a coupled-resonator design (--topology top-c, top-l or "
                     "shunt-c)");
  }
  const CoupledTopology topology = *r.record->design.topology;
  const double f0 = r.record->coupled->centre_mhz, rs = r.chosen.source.r, rl = r.chosen.load.r;
  // A trial no positive capacitor can tune stays as it was drawn.
  return [=](const Ladder& trial) {
    try {
      return align_coupled(trial, topology, f0, rs, rl);
    } catch (const std::invalid_argument&) {
      return trial;
    }
  };
}

// The mask checks and the yield: the ideal, the rounded and the built
// circuit (the rounding with the parts' losses, then the searched or
// refined values), each where it differs.
void mask_work(Result& r) {
  const PracticalOptions& p = r.practical;
  const bool modelled = p.lossy() || !p.losses.parts.empty();
  const bool chosen = r.optimised || r.refined;
  r.mask_items = mask_items(p.mask);
  check_mask(r, "ideal", r.chosen.ladder, {});
  if (p.rounded()) check_mask(r, "rounded", r.rounded.ladder, {});
  if (modelled) {
    PracticalOptions plain = p;
    plain.optimise.reset();
    plain.refine = false;
    check_mask(r, plain.built_name(), r.rounded.ladder, p.losses);
  }
  if (chosen) check_mask(r, p.built_name(), r.built(), p.losses);
  if (!p.tolerances) return;
  const TrialAdjustment align = trial_alignment(r);
  r.yield = yield_of(r, r.built(), align);
  r.mask_items = r.yield->items;
  if (!chosen) return;
  Ladder ideal = r.chosen.ladder;
  for (const PartUse& u : r.measurements.parts) element_value(ideal, u.where) = u.nominal;
  r.ideal_yield_percent = yield_of(r, ideal, align).yield_percent;
  if (p.rounded()) r.rounded_yield_percent = yield_of(r, r.rounded.ladder, align).yield_percent;
}

void practical_work(Result& r, const Job& job, FileSystem& files, const Progress& progress) {
  r.practical = job.practical;
  PracticalOptions& p = r.practical;
  try {
    r.rounded = round_ladder(r.chosen.ladder, p.round_l, p.round_c);
  } catch (const std::invalid_argument& e) {
    practical_failure(job, e);
  }
  attach_parts(r, job, files);
  if (p.masked() || p.refine) set_passbands(r);
  if (p.optimise) optimise_work(r, progress);
  if (p.refine) refine_work(r);
  const bool modelled = p.lossy() || !p.losses.parts.empty();
  const Circuit rounded{r.chosen.name, r.rounded.ladder, r.chosen.source, r.chosen.load};
  const Circuit built{r.chosen.name, r.built(), r.chosen.source, r.chosen.load};
  if (p.rounded()) r.rounded_response = SweepResponse(rounded);
  if (r.optimised || r.refined) r.chosen_response = SweepResponse(built);
  if (modelled) r.lossy = SweepResponse(built, p.losses);
  if (p.masked()) mask_work(r);
}

// The measurement of --compare against the circuit as built.
void compare_step(Result& r, const Job& job, FileSystem& files) {
  const PracticalOptions& p = r.practical;
  const Circuit built{r.chosen.name, r.built(), r.chosen.source, r.chosen.load};
  const Evaluator ev(built, p.losses);
  const std::string against = p.built_name();
  compare_measurement(r, job.measured.compare, against, files, s21_db_of(ev.over(r.f_mhz)),
                      [&ev](double f) { return ev.at(f).s21_db; });
}

void touchstone_sweep(Result& r, const Job& job) {
  r.reference_ohms = job.reference.value_or(r.chosen.source.r);
  r.built_network.emplace(Circuit{r.chosen.name, r.built(), r.chosen.source, r.chosen.load},
                          r.practical.losses);
}

}  // namespace

std::vector<double> sweep_frequencies(const SweepRequest& s) {
  const int64_t points = step_count(s);
  std::vector<double> f(static_cast<std::size_t>(points));
  const bool by_points = s.points > 0;
  if (points == 1) return {s.from};
  const auto grid = decimal_grid(s.from, by_points ? s.to : s.step, points, by_points);
  const double step = by_points ? (s.to - s.from) / static_cast<double>(points - 1) : s.step;
  parallel_ranges(f.size(), [&](std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
      const auto kd = static_cast<double>(k);
      f[k] = grid ? (grid->a + kd * grid->b) / grid->d : decimal_snap(s.from + kd * step);
    }
  }, 65536);
  if (by_points) f.back() = s.to;
  return f;
}

SweepRequest default_sweep(FilterType type, double cutoff, double lower, double upper,
                           std::optional<int64_t> points) {
  SweepRequest s;
  switch (type) {
    case FilterType::LowPass:
      s.from = decimal_combine(1.0, cutoff, 0.0, 0.0, 100.0);
      s.to = decimal_combine(3.0, cutoff, 0.0, 0.0, 1.0);
      break;
    case FilterType::HighPass:
      s.from = decimal_combine(1.0, cutoff, 0.0, 0.0, 3.0);
      s.to = decimal_combine(3.0, cutoff, 0.0, 0.0, 1.0);
      break;
    case FilterType::BandPass:
    case FilterType::BandStop: {
      const double centre = decimal_combine(1.0, lower, 1.0, upper, 2.0);
      const double width = decimal_combine(1.0, upper, -1.0, lower, 1.0);
      s.from = decimal_combine(2.0, centre, -3.0, width, 2.0);
      if (!(s.from > 0.0)) s.from = decimal_combine(1.0, lower, 0.0, 0.0, 10.0);
      s.to = decimal_combine(2.0, centre, 3.0, width, 2.0);
      break;
    }
  }
  s.points = points.value_or(kDefaultPoints);
  return s;
}

std::vector<Passband> design_passbands(FilterType type, double cutoff, double lower, double upper,
                                       double sweep_from, double sweep_to) {
  std::vector<Passband> bands;
  const auto add = [&](double lo, double hi) {
    lo = std::max(lo, sweep_from);
    hi = std::min(hi, sweep_to);
    if (lo > 0.0 && lo <= hi) bands.push_back({lo, hi});
  };
  switch (type) {
    case FilterType::LowPass: add(sweep_from, cutoff); break;
    case FilterType::HighPass: add(cutoff, sweep_to); break;
    case FilterType::BandPass: add(lower, upper); break;
    case FilterType::BandStop:
      add(sweep_from, lower);
      add(upper, sweep_to);
      break;
  }
  return bands;
}

Result evaluate(const Job& job, FileSystem& files, const Clock& clock, const Progress& progress) {
  Result r;
  std::optional<DialogReport> dialog;
  if (job.analyse) {
    const std::string text = read_text(files, job.path);
    if (is_network_file(job.path, text)) return measurement_result(job, text);
    build_from_file(r, dialog, job, text, files, clock);
  } else {
    build_design(r, dialog, job, files, clock);
  }
  if (!job.both) r.other.reset();
  r.log_frequency = job.log_axis;
  // The report alone is the dialog's: the exports' sweep is not needed.
  const bool exports = job.outputs.size() > 1 || !job.wants(Output::Report) ||
                       job.practical.any() || job.measured.any();
  if (exports) {
    const auto [lo, hi] = r.passband;
    const SweepRequest sweep = job.sweep.value_or(default_sweep(
        r.type, r.type == FilterType::LowPass ? hi : lo, lo, hi, job.points));
    r.f_mhz = sweep_frequencies(sweep);
    if (job.wants(Output::Html)) {  // the page's figures and charts: every point held
      std::vector<Point> ideal = Evaluator(r.chosen).over(r.f_mhz);
      r.figures = key_figures(r, ideal);
      r.ideal = SweepResponse(std::move(ideal));
    } else if (job.wants(Output::Csv)) {
      r.ideal = SweepResponse(r.chosen);
    }
    practical_work(r, job, files, progress);
    if (!job.measured.compare.empty()) compare_step(r, job, files);
    if (job.wants(Output::Touchstone)) touchstone_sweep(r, job);
  }
  r.dialog = std::move(dialog);
  return r;
}

}  // namespace varnholt

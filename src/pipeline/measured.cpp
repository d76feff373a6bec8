#include "pipeline/measured.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <sstream>

#include "common/file_kind.h"
#include "common/letters.h"
#include "pipeline/evaluate.h"
#include "pipeline/job.h"
#include "pipeline/result.h"
#include "practical/elements.h"
#include "touchstone/part_model.h"

namespace varnholt {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string mhz(double f) {
  std::ostringstream s;
  s.precision(9);
  s << f << " MHz";
  return s.str();
}

std::string base_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The network data of `path`; `option` ("--part L2", "--compare", or empty
// for the file analysed) leads every message.
NetworkData read_network(FileSystem& files, const std::string& path, const std::string& option) {
  const std::string lead = option.empty() ? "" : option + ": ";
  std::string text, why;
  if (!read_whole(files, path, text, why)) {
    throw UsageError(lead + path + ": cannot be read (" + why + ")");
  }
  try {
    return read_touchstone(text, path);
  } catch (const TouchstoneError& e) {
    throw UsageError(lead + e.what());
  }
}

double db(std::complex<double> v) { return 20.0 * std::log10(std::abs(v)); }

// y(x) of the table (xs, ys) by straight lines, NaN outside it.
double linear(const std::vector<double>& xs, const std::vector<double>& ys, double x) {
  if (xs.empty() || x < xs.front() || x > xs.back()) return kNaN;
  if (xs.size() == 1) return ys.front();
  std::size_t i = static_cast<std::size_t>(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin());
  i = std::min(i, xs.size() - 1) - 1;
  const double t = (x - xs[i]) / (xs[i + 1] - xs[i]);
  return ys[i] + (ys[i + 1] - ys[i]) * t;
}

// Phases (degrees) made continuous: no jumps of more than 180 degrees.
std::vector<double> unwrapped(std::vector<double> deg) {
  for (std::size_t i = 1; i < deg.size(); ++i) {
    deg[i] -= 360.0 * std::round((deg[i] - deg[i - 1]) / 360.0);
  }
  return deg;
}

// Where the table (f, y) crosses `level`, by straight lines: the crossing
// nearest to `near`.
std::optional<double> crossing(const std::vector<double>& f, const std::vector<double>& y,
                               double level, double near) {
  std::optional<double> best;
  const auto take = [&](double x) {
    if (!best || std::fabs(x - near) < std::fabs(*best - near)) best = x;
  };
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (y[i] == level) take(f[i]);
    if (i + 1 == f.size()) break;
    const double a = y[i] - level, b = y[i + 1] - level;
    if ((a < 0.0 && b > 0.0) || (a > 0.0 && b < 0.0)) take(f[i] + (f[i + 1] - f[i]) * a / (a - b));
  }
  return best;
}

struct Columns {
  std::vector<double> f_mhz, s21_db, s21_deg, s11_db, s11_deg;
};

Columns columns_of(const NetworkData& d) {
  Columns c;
  for (std::size_t i = 0; i < d.f_hz.size(); ++i) {
    const auto& s = d.s[i];
    c.f_mhz.push_back(d.f_hz[i] / 1e6);
    c.s11_db.push_back(db(s[0]));
    c.s11_deg.push_back(std::arg(s[0]) * 180.0 / std::numbers::pi);
    c.s21_db.push_back(d.ports == 2 ? db(s[2]) : kNaN);
    c.s21_deg.push_back(d.ports == 2 ? std::arg(s[2]) * 180.0 / std::numbers::pi : kNaN);
  }
  c.s11_deg = unwrapped(c.s11_deg);
  c.s21_deg = unwrapped(c.s21_deg);
  return c;
}

std::string range_text(double lo, double hi) { return mhz(lo) + " to " + mhz(hi); }

}  // namespace

void load_parts(const MeasuredRequest& request, const Ladder& ladder, FileSystem& files,
                PartModel& model, std::vector<PartUse>& out) {
  for (const PartRequest& p : request.parts) {
    const std::string option = "--part " + p.name;
    const auto it = element_named(ladder, p.name);
    if (!it) {
      throw UsageError(option + ": this ladder has no element " + p.name + "; its elements are " +
                       element_names(ladder));
    }
    const std::string name = element_name(ladder, *it);
    for (const PartUse& u : out) {
      if (u.name == name) throw UsageError(option + ": " + name + " is given twice");
    }
    const NetworkData d = read_network(files, p.path, option);
    std::string why;
    auto data = part_impedances(d, why);
    if (!data) throw UsageError(option + ": " + p.path + ": " + why);
    if (data->f_mhz.empty()) throw UsageError(option + ": " + p.path + ": holds no frequencies");
    PartUse use;
    use.name = name;
    use.path = p.path;
    use.where = *it;
    use.fixture = fixture_name(data->fixture);
    use.from_mhz = data->f_mhz.front();
    use.to_mhz = data->f_mhz.back();
    use.nominal = element_value(ladder, *it);
    model.parts.push_back(
        {*it, std::make_shared<InterpolatedPart>(std::move(*data), it->inductor, request.extrapolate)});
    out.push_back(use);
  }
}

void check_part_ranges(std::vector<PartUse>& parts, bool extrapolate, double lo, double hi,
                       const std::string& what) {
  for (PartUse& p : parts) {
    if (lo >= p.from_mhz && hi <= p.to_mhz) continue;
    if (extrapolate) {
      p.extrapolated = true;
      continue;
    }
    const double outside = lo < p.from_mhz ? lo : hi;
    throw UsageError("--part " + p.name + ": " + base_name(p.path) + " covers " +
                     range_text(p.from_mhz, p.to_mhz) + "; " + what + " reaches " + mhz(outside) +
                     " (--extrapolate holds the nearest point's series L or C and resistance beyond it)");
  }
}

void compare_measurement(Result& r, const std::string& path, const std::string& against,
                         FileSystem& files, const std::vector<double>& built_s21_db,
                         const std::function<double(double)>& built_s21_at) {
  const NetworkData d = read_network(files, path, "--compare");
  if (d.ports != 2 || d.f_hz.empty()) {
    throw UsageError("--compare: " + path +
                     " is a one-port file; the comparison needs a measured two-port (S21 and S11)");
  }
  const Columns m = columns_of(d);
  Comparison c;
  c.path = path;
  c.against = against;
  c.from_mhz = m.f_mhz.front();
  c.to_mhz = m.f_mhz.back();
  for (const double f : r.f_mhz) {
    c.s21_db.push_back(linear(m.f_mhz, m.s21_db, f));
    c.s11_db.push_back(linear(m.f_mhz, m.s11_db, f));
    c.partial = c.partial || std::isnan(c.s21_db.back());
  }
  const auto [lower, upper] = r.passband;
  const double cutoff = r.type == FilterType::LowPass ? upper : lower;
  const auto bands =
      design_passbands(r.type, cutoff, lower, upper, r.f_mhz.front(), r.f_mhz.back());
  for (std::size_t i = 0; i < r.f_mhz.size(); ++i) {
    const double f = r.f_mhz[i];
    const bool inside = std::any_of(bands.begin(), bands.end(), [f](const Passband& b) {
      return f >= b.lo_mhz && f <= b.hi_mhz;
    });
    if (!inside || std::isnan(c.s21_db[i])) continue;
    const double diff = std::fabs(built_s21_db[i] - c.s21_db[i]);
    if (!c.worst_db || diff > *c.worst_db) {
      c.worst_db = diff;
      c.worst_at_mhz = f;
    }
  }
  std::vector<double> edges;
  if (r.type != FilterType::HighPass) edges.push_back(upper);
  if (r.type != FilterType::LowPass) edges.insert(edges.begin(), lower);
  for (const double e : edges) {
    EdgeShift s;
    s.designed_mhz = e;
    s.level_db = built_s21_at(e);
    s.measured_mhz = crossing(m.f_mhz, m.s21_db, s.level_db, e);
    c.edges.push_back(s);
  }
  r.measurements.compare = std::move(c);
}

bool is_network_file(const std::string& path, const std::string& text) {
  if (sniff_file(text) == FileKind::Touchstone) return true;
  const auto dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string_view ext = std::string_view(path).substr(dot);
  return same_letters(ext, ".s1p") || same_letters(ext, ".s2p");
}

Result measurement_result(const Job& job, const std::string& text) {
  const std::string& path = job.path;
  const auto refuse = [&](bool given, const char* option, const char* why) {
    if (given) throw UsageError(std::string(option) + ": " + why + " (" + path + " is a measurement)");
  };
  refuse(job.circuit.has_value(), "--circuit", "only for design files");
  refuse(job.both, "--both", "only for a design");
  refuse(job.source || job.load, job.source ? "--source" : "--load",
         "a measurement holds its terminations: the reference resistances of its file");
  refuse(job.reference.has_value(), "--reference", "only for --touchstone");
  const PracticalOptions& practical = job.practical;
  refuse(practical.rounded(), "--round", "applies to a circuit");
  refuse(practical.lossy(), "--q-inductor, --q-capacitor and the parasitics", "apply to a circuit");
  refuse(practical.tolerances.has_value(), "--tolerance-l", "applies to a circuit");
  refuse(practical.masked(), "--mask-passband-loss, --mask-return-loss and --mask-stopband",
         "apply to a circuit");
  refuse(!job.measured.parts.empty(), "--part", "replaces an element of a circuit");
  refuse(!job.measured.compare.empty(), "--compare", "lays a measurement over a circuit");
  refuse(job.points && !job.sweep, "--points", "give --from and --to with it, or none for the file's own frequencies");

  NetworkData d;
  try {
    d = read_touchstone(text, path);
  } catch (const TouchstoneError& e) {
    throw UsageError(e.what());
  }
  if (d.f_hz.empty()) throw UsageError(path + ": holds no frequencies");
  const Columns m = columns_of(d);
  Result r;
  r.source_name = path;
  r.reference_ohms = d.reference_ohms.front();
  r.chosen.name = "Measurement";
  r.chosen.source = {d.reference_ohms.front(), 0.0};
  r.chosen.load = {d.reference_ohms.back(), 0.0};
  r.log_frequency = job.log_axis;
  MeasurementFigures fig;
  fig.ports = d.ports;
  fig.file_points = d.f_hz.size();
  fig.from_mhz = m.f_mhz.front();
  fig.to_mhz = m.f_mhz.back();

  // Group delay from the slope of the unwrapped phase: central differences,
  // one-sided at the ends.
  std::vector<double> delay(m.f_mhz.size(), d.ports == 2 ? 0.0 : kNaN);
  if (d.ports == 2 && m.f_mhz.size() > 1) {
    for (std::size_t i = 0; i < m.f_mhz.size(); ++i) {
      const std::size_t a = i == 0 ? 0 : i - 1, b = std::min(i + 1, m.f_mhz.size() - 1);
      // degrees per MHz to ns: -dphi / domega = -(deg / 360) / (MHz * 1e6) s.
      delay[i] = -(m.s21_deg[b] - m.s21_deg[a]) / (360.0 * (m.f_mhz[b] - m.f_mhz[a])) * 1e3;
    }
  }
  if (job.sweep) {
    r.f_mhz = sweep_frequencies(*job.sweep);
    if (r.f_mhz.front() < fig.from_mhz || r.f_mhz.back() > fig.to_mhz) {
      throw UsageError(std::string(r.f_mhz.front() < fig.from_mhz ? "--from" : "--to") + ": " +
                       base_name(path) + " covers " + range_text(fig.from_mhz, fig.to_mhz) +
                       "; the sweep reaches " +
                       mhz(r.f_mhz.front() < fig.from_mhz ? r.f_mhz.front() : r.f_mhz.back()));
    }
    fig.resampled = true;
  } else {
    r.f_mhz = m.f_mhz;
  }
  const double r1 = d.reference_ohms.front();
  std::vector<Point> ideal;
  ideal.reserve(r.f_mhz.size());
  for (const double f : r.f_mhz) {
    Point p;
    p.s21_db = linear(m.f_mhz, m.s21_db, f);
    p.s21_deg = linear(m.f_mhz, m.s21_deg, f);
    if (std::isfinite(p.s21_deg)) p.s21_deg -= 360.0 * std::round(p.s21_deg / 360.0);
    p.delay_ns = linear(m.f_mhz, delay, f);
    p.s11_db = linear(m.f_mhz, m.s11_db, f);
    const double deg = linear(m.f_mhz, m.s11_deg, f);
    p.s11 = std::polar(std::pow(10.0, p.s11_db / 20.0), deg * std::numbers::pi / 180.0);
    const double mag = std::abs(p.s11);
    p.vswr = mag < 1.0 ? (1.0 + mag) / (1.0 - mag) : std::numeric_limits<double>::infinity();
    p.zin = r1 * (1.0 + p.s11) / (1.0 - p.s11);
    ideal.push_back(p);
  }
  // The figures of a measurement: the least loss and where, the band within
  // 3 dB of it, the worst return loss in that band.
  std::size_t lo = 0, hi = ideal.size() - 1;
  if (d.ports == 2) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < ideal.size(); ++i) {
      if (ideal[i].s21_db > ideal[best].s21_db) best = i;
    }
    fig.least_loss_db = -ideal[best].s21_db;
    fig.least_loss_mhz = r.f_mhz[best];
    const double level = ideal[best].s21_db - 3.0;
    lo = hi = best;
    while (lo > 0 && ideal[lo - 1].s21_db >= level) --lo;
    while (hi + 1 < ideal.size() && ideal[hi + 1].s21_db >= level) ++hi;
    const auto edge = [&](std::size_t in, std::size_t out) {
      const double a = ideal[in].s21_db - level, b = ideal[out].s21_db - level;
      return r.f_mhz[in] + (r.f_mhz[out] - r.f_mhz[in]) * a / (a - b);
    };
    if (lo > 0) fig.band_lo_mhz = edge(lo, lo - 1);
    if (hi + 1 < ideal.size()) fig.band_hi_mhz = edge(hi, hi + 1);
    r.passband = {fig.band_lo_mhz.value_or(r.f_mhz.front()), fig.band_hi_mhz.value_or(r.f_mhz.back())};
    r.type = FilterType::BandPass;
  }
  for (std::size_t i = lo; i <= hi; ++i) {
    const double rl = -ideal[i].s11_db;
    if (!fig.worst_return_loss_db || rl < *fig.worst_return_loss_db) fig.worst_return_loss_db = rl;
  }
  r.ideal = SweepResponse(std::move(ideal));
  r.figures.worst_return_loss_db = fig.worst_return_loss_db;
  std::ostringstream s;
  s << kVersion << " measurement " << path << ": " << d.ports << "-port, " << fig.file_points
    << " points from " << range_text(fig.from_mhz, fig.to_mhz) << ", referred to "
    << shortest(r1) << " ohms";
  if (fig.resampled) s << "; interpolated onto the sweep (dB and phase linear in f)";
  r.description = s.str();
  r.measurements.alone = fig;
  // Checked last, so that every other fault of the command is named first.
  for (const Output o : {Output::Spice, Output::Touchstone, Output::Json, Output::Report}) {
    if (!job.wants(o)) continue;
    throw UsageError(path + ": a measured network file; analyse shows it as a table (--csv) and a "
                     "page (--html); " + option_of(o) + " needs a circuit");
  }
  return r;
}

}  // namespace varnholt

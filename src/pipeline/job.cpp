#include "pipeline/job.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "common/quantity.h"
#include "common/stores.h"

namespace varnholt {
namespace {

[[noreturn]] void fail(const std::string& option, const std::string& rule) {
  throw UsageError(option + ": " + rule);
}

// A plain number (dB, percent, a count written with a fraction).
double number(const std::string& option, const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, value);
  if (res.ec != std::errc() || res.ptr != end || !std::isfinite(value)) {
    fail(option, "not a number (got '" + text + "')");
  }
  return value;
}

double quantity(const std::string& option, const std::string& text, Quantity q) {
  std::string why;
  const auto value = parse_quantity(text, q, why);
  if (!value) fail(option, why);
  return *value;
}

void check_positive(const std::string& option, const std::string& text, double value) {
  if (!(value > 0.0)) fail(option, "must be above 0 (got " + text + ")");
}

double positive(const std::string& option, const std::string& text) {
  const double v = number(option, text);
  check_positive(option, text, v);
  return v;
}

double positive(const std::string& option, const std::string& text, Quantity q) {
  const double v = quantity(option, text, q);
  check_positive(option, text, v);
  return v;
}

int64_t whole(const std::string& option, const std::string& text) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, value);
  if (res.ec != std::errc() || res.ptr != end) fail(option, "not a whole number (got '" + text + "')");
  return value;
}

uint64_t counting(const std::string& option, const std::string& text, uint64_t least,
                  uint64_t most) {
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, value);
  if (res.ec != std::errc() || res.ptr != end || value < least || value > most) {
    fail(option, "must be a whole number from " + std::to_string(least) + " to " +
                     std::to_string(most) + " (got '" + text + "')");
  }
  return value;
}

// "A,B": the two parts, B empty when there is no comma.
std::pair<std::string, std::string> split(const std::string& text, char mark = ',') {
  const auto at = text.find(mark);
  if (at == std::string::npos) return {text, ""};
  return {text.substr(0, at), text.substr(at + 1)};
}

Termination termination(const std::string& option, const std::string& text) {
  const auto [r, x] = split(text);
  Termination t;
  t.r = positive(option, r, Quantity::Impedance);
  t.x = text.find(',') == std::string::npos ? 0.0 : quantity(option, x, Quantity::Impedance);
  return t;
}

class Reader {
 public:
  explicit Reader(const Command& c) : c_(c) {}
  std::optional<std::string> text(const std::string& option) const {
    const auto it = c_.values.find(option);
    if (it == c_.values.end()) return std::nullopt;
    return it->second;
  }
  bool given(const std::string& option) const { return c_.given(option); }
  double frequency_or(const std::string& option, double absent) const {
    const auto t = text(option);
    return t ? positive(option, *t, Quantity::Frequency) : absent;
  }
  double positive_or(const std::string& option, double absent) const {
    const auto t = text(option);
    return t ? positive(option, *t) : absent;
  }

 private:
  const Command& c_;
};

void read_band(const Reader& r, DesignRequest& d) {
  const auto band = r.text("--band");
  if (!band) return;
  if (r.given("--center") || r.given("--bandwidth")) {
    fail("--band", "give the band edges or the centre and bandwidth, not both");
  }
  if (band->find(',') == std::string::npos) fail("--band", "must be FL,FH (got '" + *band + "')");
  const auto [lo, hi] = split(*band);
  const double fl = positive("--band", lo, Quantity::Frequency);
  const double fh = positive("--band", hi, Quantity::Frequency);
  if (!(fl < fh)) fail("--band", "FL must be below FH (got " + *band + ")");
  d.band_lower = fl;
  d.band_upper = fh;
  d.center = decimal_combine(1.0, fl, 1.0, fh, 2.0);
  d.bandwidth = decimal_combine(1.0, fh, -1.0, fl, 1.0);
}

DesignRequest design_request(const Reader& r) {
  DesignRequest d;
  const auto type = r.text("--type");
  if (!type) fail("--type", "required (lowpass, highpass, bandpass or bandstop)");
  const auto t = filter_type_named(*type);
  if (!t) fail("--type", "must be lowpass, highpass, bandpass or bandstop (got '" + *type + "')");
  d.type = *t;
  if (const auto resp = r.text("--response")) {
    const auto v = response_named(*resp);
    if (!v) {
      fail("--response",
           "must be chebyshev, butterworth, bessel, linear-phase, elliptic, legendre, gaussian, "
           "transitional-6db, transitional-12db, equiripple-phase or inverse-chebyshev (got '" +
               *resp + "')");
    }
    d.response = *v;
  }
  d.cutoff = r.frequency_or("--cutoff", 0.0);
  d.center = r.frequency_or("--center", 0.0);
  d.bandwidth = r.frequency_or("--bandwidth", 0.0);
  read_band(r, d);
  d.ripple = r.positive_or("--ripple", 0.0);
  // The classic equiripple-phase response holds its phase to 0.05 degrees.
  d.phase_error = r.positive_or("--phase-error", d.response == Response::EquirippleDelay ? 0.05 : 0.0);
  if (const auto n = r.text("--sections")) {
    const int64_t v = whole("--sections", *n);
    if (v < 2 || v > kMaxSections) fail("--sections", "must be from 2 to 30 (got " + *n + ")");
    d.sections = static_cast<int32_t>(v);
  }
  d.skirt = r.frequency_or("--skirt", 0.0);
  d.attenuation = r.positive_or("--attenuation", 0.0);
  if (const auto t = r.text("--topology")) {
    if (d.type != FilterType::BandPass) {
      fail("--topology", "coupled resonators are band-pass filters; other types take the ladder only");
    }
    if (*t != "ladder") {
      d.topology = coupled_topology(*t);
      if (!d.topology) fail("--topology", "must be ladder, top-c, top-l or shunt-c (got '" + *t + "')");
    }
  }
  if (const auto l = r.text("--resonator-l")) {
    d.resonator_l_nh = positive("--resonator-l", *l, Quantity::Inductance);
  }
  d.impedance = r.text("--impedance") ? positive("--impedance", *r.text("--impedance"),
                                                 Quantity::Impedance)
                                      : 50.0;
  check_design(d, "--");
  return d;
}

std::optional<SweepRequest> sweep_request(const Reader& r, std::optional<int64_t> points) {
  const bool any = r.given("--from") || r.given("--to") || r.given("--step");
  if (!any) {
    if (points && *points < 2) fail("--points", "must be at least 2 (got " + std::to_string(*points) + ")");
    return std::nullopt;
  }
  if (!r.given("--from")) fail("--from", "required with --to and --step or --points");
  if (!r.given("--to")) fail("--to", "required with --from");
  SweepRequest s;
  s.from = r.frequency_or("--from", 0.0);
  s.to = r.frequency_or("--to", 0.0);
  if (s.to < s.from) {
    fail("--to", "must not be below --from (got " + *r.text("--to") + " < " + *r.text("--from") + ")");
  }
  if (r.given("--step") && points) fail("--step", "give --step or --points, not both");
  if (!r.given("--step") && !points) fail("--step", "required with --from and --to (or --points)");
  if (points) {
    if (*points < 1 || *points > INT32_MAX) {
      fail("--points", "must be from 1 to 2147483647 (got " + std::to_string(*points) + ")");
    }
    if (*points == 1 && s.from != s.to) fail("--points", "must be at least 2 for a range (got 1)");
    if (*points > 1 && s.from == s.to) fail("--points", "must be 1 when --from equals --to");
    s.points = *points;
  } else {
    s.step = r.frequency_or("--step", 0.0);
  }
  return s;
}

ESeries series(const std::string& option, const std::string& text) {
  const auto s = series_from_name(text);
  if (!s) fail(option, "must be E6, E12, E24, E48, E96 or E192 (got '" + text + "')");
  return *s;
}

double percent(const std::string& option, const std::string& text) {
  const double v = number(option, text);
  if (!(v >= 0.0 && v < 100.0)) fail(option, "must be from 0 to below 100 percent (got " + text + ")");
  return v;
}

constexpr const char* kStopbandOption = "--mask-stopband";

StopPoint stop_point(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) {
    fail(kStopbandOption, "must be F:dB, the frequency and the loss in dB (got '" + text + "')");
  }
  return {positive(kStopbandOption, text.substr(0, colon), Quantity::Frequency),
          positive(kStopbandOption, text.substr(colon + 1))};
}

void read_rounding(const Reader& r, PracticalOptions& p) {
  if (const auto s = r.text("--round")) {
    if (r.given("--round-l") || r.given("--round-c")) {
      fail("--round", "give --round or --round-l and --round-c, not both");
    }
    p.round_l = p.round_c = series("--round", *s);
  }
  if (const auto s = r.text("--round-l")) p.round_l = series("--round-l", *s);
  if (const auto s = r.text("--round-c")) p.round_c = series("--round-c", *s);
}

QLaw q_law(const std::string& text) {
  std::string names;
  for (const QLawText& t : kQLaws) {
    if (text == t.name) return t.law;
    names += names.empty() ? "" : &t == std::end(kQLaws) - 1 ? " or " : ", ";
    names += t.name;
  }
  fail("--q-model", "must be " + names + " (got '" + text + "')");
}

void read_losses(const Reader& r, PracticalOptions& p) {
  PartModel& m = p.losses;
  if (const auto q = r.text("--q-inductor")) m.q_inductor = positive("--q-inductor", *q);
  if (const auto q = r.text("--q-capacitor")) m.q_capacitor = positive("--q-capacitor", *q);
  const auto law = r.text("--q-model");
  for (const char* o : {"--q-at", "--q-model"}) {
    if (r.given(o) && !m.lossy()) fail(o, "only with --q-inductor or --q-capacitor");
  }
  if (law) m.q_law = q_law(*law);
  if (r.given("--q-at")) {
    if (law && m.q_law == QLaw::Constant) {
      fail("--q-at", "does not apply with --q-model constant (the same Q at every frequency)");
    }
    m.q_at_mhz = r.frequency_or("--q-at", 0.0);
  } else if (law && m.q_law != QLaw::Constant) {
    fail("--q-model", *law + " needs --q-at, the frequency where the Q holds");
  }
}

// The parasitics of the parts: each a positive quantity of its own kind.
void read_parasitics(const Reader& r, PracticalOptions& p) {
  PartModel& m = p.losses;
  if (r.given("--inductor-srf") && r.given("--inductor-cp")) {
    fail("--inductor-srf", "give --inductor-srf or --inductor-cp, not both");
  }
  const auto read = [&r](const char* option, Quantity q, double& into) {
    if (const auto t = r.text(option)) into = positive(option, *t, q);
  };
  read("--inductor-srf", Quantity::Frequency, m.inductor_srf_mhz);
  read("--inductor-cp", Quantity::Capacitance, m.inductor_cp_pf);
  read("--capacitor-esl", Quantity::Inductance, m.capacitor_esl_nh);
  read("--capacitor-esr", Quantity::Impedance, m.capacitor_esr_ohms);
  read("--node-capacitance", Quantity::Capacitance, m.node_pf);
}

void read_mask(const Reader& r, PracticalOptions& p) {
  if (r.given("--mask-passband-loss")) {
    p.mask.max_passband_loss_db = r.positive_or("--mask-passband-loss", 0.0);
  }
  if (r.given("--mask-return-loss")) {
    p.mask.min_return_loss_db = r.positive_or("--mask-return-loss", 0.0);
  }
  if (const auto t = r.text(kStopbandOption)) {
    std::size_t start = 0;
    while (start <= t->size()) {
      std::size_t end = t->find(';', start);
      if (end == std::string::npos) end = t->size();
      p.mask.stop.push_back(stop_point(t->substr(start, end - start)));
      start = end + 1;
    }
  }
}

void read_tolerances(const Reader& r, PracticalOptions& p) {
  constexpr const char* kTrialOptions[] = {"--distribution", "--trials", "--seed", "--threads"};
  const bool toleranced = r.given("--tolerance-l") || r.given("--tolerance-c");
  if (!toleranced) {
    for (const char* o : kTrialOptions) {
      if (r.given(o)) fail(o, "only with --tolerance-l or --tolerance-c");
    }
    return;
  }
  Tolerances t;
  if (const auto v = r.text("--tolerance-l")) t.inductor_percent = percent("--tolerance-l", *v);
  if (const auto v = r.text("--tolerance-c")) t.capacitor_percent = percent("--tolerance-c", *v);
  if (const auto d = r.text("--distribution")) {
    if (*d == "uniform") t.spread = Spread::Uniform;
    else if (*d == "normal") t.spread = Spread::Normal;
    else fail("--distribution", "must be uniform or normal (got '" + *d + "')");
  }
  p.tolerances = t;
  if (const auto v = r.text("--trials")) {
    p.yield.trials = static_cast<int>(counting("--trials", *v, 1, 100'000'000));
  }
  if (const auto v = r.text("--seed")) p.yield.seed = counting("--seed", *v, 0, UINT64_MAX);
  if (const auto v = r.text("--threads")) {
    p.yield.threads = static_cast<unsigned>(counting("--threads", *v, 1, 1024));
  }
  if (!p.masked()) {
    fail(r.given("--tolerance-l") ? "--tolerance-l" : "--tolerance-c",
         "needs a mask (--mask-passband-loss, --mask-return-loss or --mask-stopband)");
  }
}

std::vector<std::string> names_in(const std::string& option, const std::string& text) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    names.push_back(text.substr(start, end - start));
    if (names.back().empty()) fail(option, "must be element names separated by commas (got '" + text + "')");
    start = end + 1;
  }
  return names;
}

void read_optimisation(const Reader& r, PracticalOptions& p) {
  if (!r.given("--optimise")) {
    for (const char* o : {"--pairs", "--free", "--max-evaluations"}) {
      if (r.given(o)) fail(o, "only with --optimise");
    }
  } else {
    OptimiseRequest o;
    const std::string how = *r.text("--optimise");
    if (how == "yield") o.objective = ValueObjective::Yield;
    else if (!how.empty() && how != "margin") fail("--optimise", "must be margin or yield (got '" + how + "')");
    if (!p.rounded()) fail("--optimise", "needs the series to choose from (--round, --round-l or --round-c)");
    if (!p.masked()) {
      fail("--optimise", "needs a mask (--mask-passband-loss, --mask-return-loss or --mask-stopband)");
    }
    if (o.objective == ValueObjective::Yield && !p.tolerances) {
      fail("--optimise", "yield needs tolerances (--tolerance-l or --tolerance-c)");
    }
    o.pairs = r.given("--pairs");
    if (const auto t = r.text("--free")) o.free = names_in("--free", *t);
    if (const auto t = r.text("--max-evaluations")) {
      o.max_evaluations = static_cast<int64_t>(counting("--max-evaluations", *t, 1, 1'000'000'000));
    }
    p.optimise = o;
  }
  if (!r.given("--refine")) return;
  if (p.optimise) fail("--refine", "sets every value continuously; not with --optimise");
  if (p.rounded()) {
    fail("--refine", "sets every value continuously; not with rounding (choose standard values with "
                     "--optimise)");
  }
  p.refine = true;
}

PracticalOptions practical_options(const Reader& r) {
  PracticalOptions p;
  read_rounding(r, p);
  read_losses(r, p);
  read_parasitics(r, p);
  read_mask(r, p);
  read_tolerances(r, p);
  read_optimisation(r, p);
  return p;
}

void read_outputs(const Command& c, Job& job) {
  for (const Output o : kOutputs) {
    if (c.given(option_of(o))) job.outputs[o] = c.values.at(option_of(o));
  }
  if (job.outputs.empty()) job.outputs[Output::Report] = "-";
  if (!job.wants(Output::Html)) {
    if (c.both) fail("--both", "only with --html");
    if (c.log_axis) fail("--log", "only with --html");
  }
  if (job.analyse && job.wants(Output::Json)) {
    fail("--json", "only the design command writes a design file");
  }
}

MeasuredRequest measured_request(const Command& c) {
  MeasuredRequest m;
  for (const std::string& p : c.parts) {
    const auto at = p.find('=');
    if (at == std::string::npos || at == 0 || at + 1 == p.size()) {
      fail("--part", "must be NAME=FILE, the element and its measured file (got '" + p + "')");
    }
    m.parts.push_back({p.substr(0, at), p.substr(at + 1)});
  }
  if (c.extrapolate && m.parts.empty()) fail("--extrapolate", "only with --part");
  m.extrapolate = c.extrapolate;
  if (const auto it = c.values.find("--compare"); it != c.values.end()) m.compare = it->second;
  return m;
}

}  // namespace

void check_one_circuit(const Job& job) {
  if (job.circuit == Configuration::Dual) {
    fail("--circuit", "a coupled-resonator design has one circuit; dual is for the ladder topology");
  }
  if (job.both) fail("--both", "a coupled-resonator design has one circuit; there is no alternative to draw");
}

const char* option_of(Output output) {
  switch (output) {
    case Output::Report: return "--report";
    case Output::Json: return "--json";
    case Output::Spice: return "--spice";
    case Output::Touchstone: return "--touchstone";
    case Output::Csv: return "--csv";
    case Output::Html: return "--html";
  }
  return "";
}

bool PracticalOptions::lossy() const { return losses.lossy() || losses.parasitic(); }

std::string PracticalOptions::built_name() const {
  std::vector<std::string> with;
  if (losses.lossy()) with.emplace_back("losses");
  if (losses.parasitic()) with.emplace_back("parasitics");
  if (!losses.parts.empty()) with.emplace_back("measured parts");
  const std::string values = optimise ? "optimised" : refine ? "refined" : rounded() ? "rounded" : "";
  if (with.empty()) return values.empty() ? "ideal" : values;
  std::string what = with.front();
  for (std::size_t i = 1; i < with.size(); ++i) what += (i + 1 == with.size() ? " and " : ", ") + with[i];
  return (values.empty() ? "" : values + " ") + "with " + what;
}

bool PracticalOptions::masked() const {
  return std::isfinite(mask.max_passband_loss_db) || std::isfinite(mask.min_return_loss_db) ||
         !mask.stop.empty();
}

Job read_job(const Command& c) {
  const Reader r(c);
  Job job;
  job.analyse = c.kind == CommandKind::Analyse;
  if (job.analyse) {
    job.path = c.circuit_file;
  } else {
    job.design = design_request(r);
  }
  if (const auto circuit = r.text("--circuit")) {
    if (*circuit == "standard") job.circuit = Configuration::Standard;
    else if (*circuit == "dual") job.circuit = Configuration::Dual;
    else fail("--circuit", "must be standard or dual (got '" + *circuit + "')");
  }
  if (const auto s = r.text("--source")) job.source = termination("--source", *s);
  if (const auto l = r.text("--load")) job.load = termination("--load", *l);
  if (const auto p = r.text("--points")) job.points = whole("--points", *p);
  job.sweep = sweep_request(r, job.points);
  if (const auto z = r.text("--reference")) job.reference = positive("--reference", *z, Quantity::Impedance);
  job.return_loss = c.return_loss;
  job.practical = practical_options(r);
  job.both = c.both;
  job.log_axis = c.log_axis;
  if (c.align) {
    if (!job.practical.tolerances) fail("--align", "only with --tolerance-l or --tolerance-c");
    if (!job.analyse && !job.design.topology) {
      fail("--align", "only for a coupled-resonator design (--topology top-c, top-l or shunt-c)");
    }
    if (job.practical.optimise && job.practical.optimise->objective == ValueObjective::Yield) {
      fail("--align", "not with --optimise yield (the search draws its trials unaligned)");
    }
    job.practical.align = true;
  }
  job.measured = measured_request(c);
  read_outputs(c, job);
  if (!job.analyse && job.design.topology) check_one_circuit(job);
  return job;
}

}  // namespace varnholt

#include <charconv>
#include <cmath>

#include "analysis/sweep.h"
#include "cli/command.h"
#include "common/stores.h"

namespace varnholt {
namespace {

constexpr int64_t kDefaultPoints = 201;

[[noreturn]] void fail(const std::string& option, const std::string& rule) {
  throw UsageError(option + ": " + rule);
}

float number(const std::string& option, const std::string& text) {
  float value = 0.0f;
  const char* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, value);
  if (res.ec != std::errc() || res.ptr != end || !std::isfinite(value)) {
    fail(option, "not a number (got '" + text + "')");
  }
  return value;
}

float positive(const std::string& option, const std::string& text) {
  const float value = number(option, text);
  if (!(value > 0.0f)) fail(option, "must be above 0 (got " + text + ")");
  return value;
}

int64_t whole(const std::string& option, const std::string& text) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, value);
  if (res.ec != std::errc() || res.ptr != end) fail(option, "not a whole number (got '" + text + "')");
  return value;
}

// "A,B": the two parts, B empty when there is no comma.
std::pair<std::string, std::string> split(const std::string& text) {
  const auto comma = text.find(',');
  if (comma == std::string::npos) return {text, ""};
  return {text.substr(0, comma), text.substr(comma + 1)};
}

Termination termination(const std::string& option, const std::string& text) {
  const auto [r, x] = split(text);
  Termination t;
  t.r = positive(option, r);
  t.x = text.find(',') == std::string::npos ? 0.0f : number(option, x);
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
  float positive_or(const std::string& option, float absent) const {
    const auto t = text(option);
    return t ? positive(option, *t) : absent;
  }

 private:
  const Command& c_;
};

DesignRequest design_request(const Command& c, const Reader& r) {
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
           "must be chebyshev, butterworth, bessel, linear-phase or elliptic (got '" + *resp + "')");
    }
    d.response = *v;
  }
  d.cutoff = r.positive_or("--cutoff", 0.0f);
  d.center = r.positive_or("--center", 0.0f);
  d.bandwidth = r.positive_or("--bandwidth", 0.0f);
  if (const auto band = r.text("--band")) {
    if (c.given("--center") || c.given("--bandwidth")) {
      fail("--band", "give the band edges or the centre and bandwidth, not both");
    }
    const auto [lo, hi] = split(*band);
    if (band->find(',') == std::string::npos) fail("--band", "must be FL,FH (got '" + *band + "')");
    const float fl = positive("--band", lo);
    const float fh = positive("--band", hi);
    if (!(fl < fh)) fail("--band", "FL must be below FH (got " + *band + ")");
    d.center = (fl + fh) * 0.5f;
    d.bandwidth = fh - fl;
  }
  d.ripple = r.positive_or("--ripple", 0.0f);
  if (const auto n = r.text("--sections")) {
    const int64_t v = whole("--sections", *n);
    if (v < 2 || v > kMaxSections) fail("--sections", "must be from 2 to 30 (got " + *n + ")");
    d.sections = static_cast<int32_t>(v);
  }
  d.skirt = r.positive_or("--skirt", 0.0f);
  d.attenuation = r.positive_or("--attenuation", 0.0f);
  d.impedance = r.positive_or("--impedance", 50.0f);
  check_design(d, "--");
  return d;
}

std::optional<SweepRange> sweep_range(const Command& c, const Reader& r, std::optional<int64_t> points) {
  const bool any = c.given("--from") || c.given("--to") || c.given("--step");
  if (!any) {
    if (points && *points < 2) fail("--points", "must be at least 2 (got " + std::to_string(*points) + ")");
    return std::nullopt;
  }
  if (!c.given("--from")) fail("--from", "required with --to and --step or --points");
  if (!c.given("--to")) fail("--to", "required with --from");
  SweepRange s;
  s.fmin = r.positive_or("--from", 0.0f);
  s.fmax = r.positive_or("--to", 0.0f);
  if (s.fmax < s.fmin) {
    fail("--to", "must not be below --from (got " + *r.text("--to") + " < " + *r.text("--from") + ")");
  }
  if (c.given("--step") && points) fail("--step", "give --step or --points, not both");
  if (!c.given("--step") && !points) fail("--step", "required with --from and --to (or --points)");
  if (points) {
    s.fstep = step_for_points(s.fmin, s.fmax, *points);
  } else {
    s.fstep = r.positive_or("--step", 0.0f);
  }
  return s;
}

}  // namespace

float step_for_points(float from, float to, int64_t points) {
  if (points < 1 || points > INT32_MAX) {
    fail("--points", "must be from 1 to 2147483647 (got " + std::to_string(points) + ")");
  }
  if (points == 1) {
    if (from != to) fail("--points", "must be at least 2 for a range (got 1)");
    return 1.0f;
  }
  if (from == to) fail("--points", "must be 1 when --from equals --to");
  const auto step = static_cast<float>((static_cast<double>(to) - from) / static_cast<double>(points - 1));
  // The float step may round so that the dialog's count differs by one; the
  // neighbouring floats are tried.
  float candidate = step;
  for (int i = 0; i < 4; ++i) {
    for (const float s : {candidate, std::nextafter(step, 0.0f), std::nextafter(step, 1e30f)}) {
      if (s > 0.0f && sweep_steps(from, to, s) == points - 1) return s;
    }
    candidate = std::nextafter(candidate, 0.0f);
  }
  fail("--points", "no float step gives " + std::to_string(points) + " points over this range");
}

SweepRange default_sweep(FilterType type, float cutoff, float lower, float upper,
                    std::optional<int64_t> points) {
  SweepRange s;
  switch (type) {
    case FilterType::LowPass:
      s.fmin = cutoff * 0.01f;
      s.fmax = cutoff * 3.0f;
      break;
    case FilterType::HighPass:
      s.fmin = cutoff / 3.0f;
      s.fmax = cutoff * 3.0f;
      break;
    case FilterType::BandPass:
    case FilterType::BandStop: {
      const float centre = (lower + upper) * 0.5f;
      const float width = upper - lower;
      s.fmin = centre - 1.5f * width;
      if (!(s.fmin > 0.0f)) s.fmin = lower * 0.1f;
      s.fmax = centre + 1.5f * width;
      break;
    }
  }
  s.fstep = step_for_points(s.fmin, s.fmax, points.value_or(kDefaultPoints));
  return s;
}

Options read_options(const Command& c) {
  const Reader r(c);
  Options o;
  if (c.kind == CommandKind::Design) o.design = design_request(c, r);
  if (const auto circuit = r.text("--circuit")) {
    if (*circuit == "standard") o.circuit = Configuration::Standard;
    else if (*circuit == "dual") o.circuit = Configuration::Dual;
    else fail("--circuit", "must be standard or dual (got '" + *circuit + "')");
  }
  if (const auto s = r.text("--source")) o.source = termination("--source", *s);
  if (const auto l = r.text("--load")) o.load = termination("--load", *l);
  if (const auto p = r.text("--points")) o.points = whole("--points", *p);
  o.sweep = sweep_range(c, r, o.points);
  if (c.given("--reference")) o.reference = r.positive_or("--reference", 0.0f);
  o.return_loss = c.return_loss;
  return o;
}

}  // namespace varnholt

#include "cli/practical_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace varnholt {
namespace {

struct OptionText {
  const char* name;
  const char* help;
};

constexpr OptionText kPracticalOptions[] = {
    {"--round", "E6, E12, E24, E48, E96 or E192: every L and C to the nearest value of the series"},
    {"--round-l", "E6 ... E192: the inductors only (instead of --round)"},
    {"--round-c", "E6 ... E192: the capacitors only (instead of --round)"},
    {"--q-inductor", "Q of every inductor (default: lossless)"},
    {"--q-capacitor", "Q of every capacitor (default: lossless)"},
    {"--q-at", "frequency of the Q, MHz (default: the same Q at every frequency)"},
    {"--tolerance-l", "tolerance of the inductors, percent"},
    {"--tolerance-c", "tolerance of the capacitors, percent"},
    {"--distribution", "uniform (default) or normal (the tolerance is 3 sigma)"},
    {"--trials", "Monte Carlo trials (default 1000)"},
    {"--seed", "seed of the trials (default 1)"},
    {"--threads", "threads of the trials (default: all cores)"},
    {"--mask-passband-loss", "mask: at most this loss in the passband, dB"},
    {"--mask-return-loss", "mask: at least this return loss in the passband, dB"},
};
constexpr const char* kStopbandOption = "--mask-stopband";

[[noreturn]] void fail(const std::string& option, const std::string& rule) {
  throw UsageError(option + ": " + rule);
}

double real_number(const std::string& option, const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, value);
  if (res.ec != std::errc() || res.ptr != end || !std::isfinite(value)) {
    fail(option, "not a number (got '" + text + "')");
  }
  return value;
}

double above_zero(const std::string& option, const std::string& text) {
  const double v = real_number(option, text);
  if (!(v > 0.0)) fail(option, "must be above 0 (got " + text + ")");
  return v;
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

ESeries series(const std::string& option, const std::string& text) {
  const auto s = series_from_name(text);
  if (!s) fail(option, "must be E6, E12, E24, E48, E96 or E192 (got '" + text + "')");
  return *s;
}

double percent(const std::string& option, const std::string& text) {
  const double v = real_number(option, text);
  if (!(v >= 0.0 && v < 100.0))
    fail(option, "must be from 0 to below 100 percent (got " + text + ")");
  return v;
}

StopPoint stop_point(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) {
    fail(kStopbandOption, "must be F:dB, frequency in MHz and loss in dB (got '" + text + "')");
  }
  return {above_zero(kStopbandOption, text.substr(0, colon)),
          above_zero(kStopbandOption, text.substr(colon + 1))};
}

std::optional<std::string> text_of(const Command& c, const std::string& option) {
  const auto it = c.values.find(option);
  if (it == c.values.end()) return std::nullopt;
  return it->second;
}

void read_rounding(const Command& c, PracticalOptions& p) {
  if (const auto s = text_of(c, "--round")) {
    if (c.given("--round-l") || c.given("--round-c")) {
      fail("--round", "give --round or --round-l and --round-c, not both");
    }
    p.round_l = p.round_c = series("--round", *s);
  }
  if (const auto s = text_of(c, "--round-l")) p.round_l = series("--round-l", *s);
  if (const auto s = text_of(c, "--round-c")) p.round_c = series("--round-c", *s);
}

void read_losses(const Command& c, PracticalOptions& p) {
  if (const auto q = text_of(c, "--q-inductor"))
    p.losses.q_inductor = above_zero("--q-inductor", *q);
  if (const auto q = text_of(c, "--q-capacitor"))
    p.losses.q_capacitor = above_zero("--q-capacitor", *q);
  if (const auto f = text_of(c, "--q-at")) {
    if (!p.lossy()) fail("--q-at", "only with --q-inductor or --q-capacitor");
    p.losses.q_at_mhz = above_zero("--q-at", *f);
  }
}

void read_mask(const Command& c, PracticalOptions& p) {
  if (const auto t = text_of(c, "--mask-passband-loss")) {
    p.mask.max_passband_loss_db = above_zero("--mask-passband-loss", *t);
  }
  if (const auto t = text_of(c, "--mask-return-loss")) {
    p.mask.min_return_loss_db = above_zero("--mask-return-loss", *t);
  }
  if (const auto t = text_of(c, kStopbandOption)) {
    std::size_t start = 0;
    while (start <= t->size()) {
      std::size_t end = t->find(';', start);
      if (end == std::string::npos) end = t->size();
      p.mask.stop.push_back(stop_point(t->substr(start, end - start)));
      start = end + 1;
    }
  }
}

void read_tolerances(const Command& c, PracticalOptions& p) {
  constexpr const char* kTrialOptions[] = {
      "--distribution",       "--trials",           "--seed",       "--threads",
      "--mask-passband-loss", "--mask-return-loss", kStopbandOption};
  const bool toleranced = c.given("--tolerance-l") || c.given("--tolerance-c");
  if (!toleranced) {
    for (const char* o : kTrialOptions) {
      if (c.given(o)) fail(o, "only with --tolerance-l or --tolerance-c");
    }
    return;
  }
  Tolerances t;
  if (const auto v = text_of(c, "--tolerance-l")) t.inductor_percent = percent("--tolerance-l", *v);
  if (const auto v = text_of(c, "--tolerance-c"))
    t.capacitor_percent = percent("--tolerance-c", *v);
  if (const auto d = text_of(c, "--distribution")) {
    if (*d == "uniform")
      t.spread = Spread::Uniform;
    else if (*d == "normal")
      t.spread = Spread::Normal;
    else
      fail("--distribution", "must be uniform or normal (got '" + *d + "')");
  }
  p.tolerances = t;
  if (const auto v = text_of(c, "--trials")) {
    p.yield.trials = static_cast<int>(counting("--trials", *v, 1, 100'000'000));
  }
  if (const auto v = text_of(c, "--seed")) p.yield.seed = counting("--seed", *v, 0, UINT64_MAX);
  if (const auto v = text_of(c, "--threads")) {
    p.yield.threads = static_cast<unsigned>(counting("--threads", *v, 1, 1024));
  }
  read_mask(c, p);
  if (!std::isfinite(p.mask.max_passband_loss_db) && !std::isfinite(p.mask.min_return_loss_db) &&
      p.mask.stop.empty()) {
    fail(c.given("--tolerance-l") ? "--tolerance-l" : "--tolerance-c",
         "needs a mask (--mask-passband-loss, --mask-return-loss or --mask-stopband)");
  }
}

// Shortest text of a float value, as the CSV writes its numbers.
void append_value(std::string& text, double value) {
  char buffer[24];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
  text += ',';
  text.append(buffer, res.ptr);
}

std::string formatted(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// "L3", "C3", or "L3a" / "C3b" in a branch of two pairs.
std::string element_name(const Ladder& ladder, const ElementRef& e) {
  std::string name = (e.inductor ? "L" : "C") + std::to_string(e.branch + 1);
  if (shape(ladder.branches[e.branch].kind).pairs == 2) name += e.pair == 0 ? "a" : "b";
  return name;
}

std::string q_text(double q) { return std::isfinite(q) ? formatted("%g", q) : "lossless"; }

std::string mask_item_text(const Mask& mask, const std::vector<Passband>& passbands,
                           const MaskItem& item) {
  switch (item.kind) {
    case MaskItem::Kind::PassbandLoss:
    case MaskItem::Kind::ReturnLoss: {
      const Passband& b = passbands.at(item.index);
      const bool loss = item.kind == MaskItem::Kind::PassbandLoss;
      return std::string(loss ? "passband loss at most " : "return loss at least ") +
             formatted("%g", loss ? mask.max_passband_loss_db : mask.min_return_loss_db) +
             " dB from " + formatted("%g", b.lo_mhz) + " to " + formatted("%g", b.hi_mhz) + " MHz";
    }
    case MaskItem::Kind::StopLoss: {
      const StopPoint& s = mask.stop.at(item.index);
      return "stopband loss at least " + formatted("%g", s.min_loss_db) + " dB at " +
             formatted("%g", s.f_mhz) + " MHz";
    }
  }
  return {};
}

void write_rounding(std::ostream& out, const PracticalResult& r) {
  const auto name = [](const std::optional<ESeries>& s) {
    return s ? std::string(series_name(*s)) : std::string("not rounded");
  };
  out << "Inductors " << name(r.options.round_l) << ", capacitors " << name(r.options.round_c)
      << '\n';
  char header[96];
  std::snprintf(header, sizeof header, "  %-7s %15s %15s %9s\n", "Element", "Ideal", "Rounded",
                "Error %");
  out << header;
  for (const RoundedElement& e : r.rounded.elements) {
    const char* unit = e.where.inductor ? " nH" : " pF";
    char line[128];
    std::snprintf(line, sizeof line, "  %-7s %12.5g%s %12.5g%s %9.2f\n",
                  element_name(r.rounded.ladder, e.where).c_str(), e.ideal, unit, e.rounded, unit,
                  e.error_percent);
    out << line;
  }
}

}  // namespace

std::string q_assumptions(const PracticalOptions& o) {
  std::string text = "Component Q: inductors " + q_text(o.losses.q_inductor) + ", capacitors " +
                     q_text(o.losses.q_capacitor);
  if (!o.lossy()) return text;
  return text + (o.losses.q_at_mhz > 0.0 ? ", at " + formatted("%g", o.losses.q_at_mhz) + " MHz"
                                         : std::string(", the same at every frequency"));
}

bool PracticalOptions::lossy() const {
  return std::isfinite(losses.q_inductor) || std::isfinite(losses.q_capacitor);
}

void add_practical_options(CLI::App& app, Command& command) {
  auto& values = command.values;
  for (const OptionText& o : kPracticalOptions) {
    const std::string name = o.name;
    app.add_option_function<std::string>(
        name, [&values, name](const std::string& v) { values[name] = v; }, o.help);
  }
  app.add_option_function<std::vector<std::string>>(
         kStopbandOption,
         [&values](const std::vector<std::string>& all) {
           std::string joined;
           for (const std::string& v : all) joined += (joined.empty() ? "" : ";") + v;
           values[kStopbandOption] = joined;
         },
         "F:dB: mask point, at least dB of loss at F MHz (repeatable)")
      ->allow_extra_args(false);
}

PracticalOptions read_practical_options(const Command& c) {
  PracticalOptions p;
  read_rounding(c, p);
  read_losses(c, p);
  read_tolerances(c, p);
  return p;
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
    case FilterType::LowPass:
      add(sweep_from, cutoff);
      break;
    case FilterType::HighPass:
      add(cutoff, sweep_to);
      break;
    case FilterType::BandPass:
      add(lower, upper);
      break;
    case FilterType::BandStop:
      add(sweep_from, lower);
      add(upper, sweep_to);
      break;
  }
  return bands;
}

PracticalResult run_practical(const PracticalOptions& options, const Ladder& ideal, Complex zs,
                              Complex zl, const std::vector<Passband>& passbands,
                              std::span<const double> sweep_mhz) {
  PracticalResult r;
  r.options = options;
  r.f_mhz.assign(sweep_mhz.begin(), sweep_mhz.end());
  try {
    r.rounded = round_ladder(ideal, options.round_l, options.round_c);
  } catch (const std::invalid_argument& e) {
    fail(options.round_l ? (options.round_c ? "--round" : "--round-l") : "--round-c", e.what());
  }
  if (!options.tolerances) return r;
  r.options.mask.passbands = passbands;
  const Mask& mask = r.options.mask;
  const bool passband_limited =
      std::isfinite(mask.max_passband_loss_db) || std::isfinite(mask.min_return_loss_db);
  if (passband_limited && passbands.empty()) {
    fail(std::isfinite(mask.max_passband_loss_db) ? "--mask-passband-loss" : "--mask-return-loss",
         "the design's passband lies outside the sweep");
  }
  try {
    r.yield = analyse_yield(r.rounded.ladder, options.losses, zs, zl, *options.tolerances, mask,
                            sweep_mhz, options.yield);
  } catch (const std::invalid_argument& e) {
    fail("--trials", e.what());
  }
  return r;
}

namespace {

void write_section(std::ostream& out, const PracticalResult& r) {
  const PracticalOptions& o = r.options;
  out << "\nPractical design\n";
  if (o.rounded()) write_rounding(out, r);
  out << q_assumptions(o) << '\n';
  if (!r.yield) return;
  const Tolerances& t = *o.tolerances;
  out << "Tolerances: inductors " << formatted("%g", t.inductor_percent) << " %, capacitors "
      << formatted("%g", t.capacitor_percent) << " %, "
      << (t.spread == Spread::Normal ? "normal (3 sigma)" : "uniform") << ", seed " << o.yield.seed
      << '\n';
  const YieldResult& y = *r.yield;
  for (const MaskItem& item : y.items) {
    out << "Mask: " << mask_item_text(o.mask, o.mask.passbands, item) << '\n';
  }
  out << "Yield: " << formatted("%.1f", y.yield_percent) << " % of " << y.trials << " trials\n";
  if (y.most_failed < 0) {
    out << "No mask point failed.\n";
    return;
  }
  const MaskItem& worst = y.items.at(static_cast<std::size_t>(y.most_failed));
  out << "Failed most often: " << mask_item_text(o.mask, o.mask.passbands, worst) << " ("
      << worst.failures << " trials)\n";
}

}  // namespace

void write_practical_report(std::ostream& report, const PracticalResult& r) {
  std::ostringstream out;
  write_section(out, r);
  // The dialog's report ends its lines with CR LF; the section does the same.
  for (const char ch : out.str()) {
    if (ch == '\n') report << '\r';
    report << ch;
  }
}

CsvColumns practical_csv_columns(const PracticalResult& r, Complex zs, Complex zl) {
  CsvColumns columns;
  const bool rounded = r.options.rounded();
  const bool lossy = r.options.lossy();
  if (rounded) columns.header += ",s21_rounded_dB";
  if (lossy) columns.header += ",s21_lossy_dB";
  if (r.yield) {
    columns.header += ",s21_p5_dB,s21_p50_dB,s21_p95_dB,s11_p5_dB,s11_p50_dB,s11_p95_dB";
  }
  auto network = std::make_shared<PreparedNetwork>(r.rounded.ladder);
  const Losses losses = r.options.losses;
  const std::optional<YieldResult>* yield = &r.yield;
  columns.row = [=](int64_t k, double f, std::string& text) {
    if (rounded) append_value(text, port_response(network->chain_matrix_slope(f), zs, zl).s21_db);
    if (lossy) {
      append_value(text, port_response(network->chain_matrix_slope(f, losses), zs, zl).s21_db);
    }
    if (*yield) {
      const auto i = static_cast<std::size_t>(k);
      for (const auto* p : {&(*yield)->s21_db.at(i), &(*yield)->s11_db.at(i)}) {
        append_value(text, p->p5);
        append_value(text, p->p50);
        append_value(text, p->p95);
      }
    }
  };
  return columns;
}

}  // namespace varnholt

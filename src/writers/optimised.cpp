#include "writers/optimised.h"

#include <cmath>

#include "practical/elements.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

const char* unit_of(const ElementRef& e) { return e.inductor ? " nH" : " pF"; }

std::string value_text(double v, const ElementRef& e) { return formatted("%.5g", v) + unit_of(e); }

std::string margin_text(double db) {
  return std::isfinite(db) ? formatted("%.3f", db) + " dB" : std::string("no mask item");
}

std::string percent_text(const std::optional<double>& p) {
  return p ? formatted("%.1f", *p) + " %" : std::string("-");
}

std::string series_words(const PracticalOptions& p) {
  const auto name = [](const std::optional<ESeries>& s) {
    return s ? std::string(series_name(*s)) : std::string("ideal");
  };
  return name(p.round_l) + " inductors, " + name(p.round_c) + " capacitors";
}

std::string free_words(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  }
  return text;
}

}  // namespace

std::string parts_text(const ChosenValue& v) {
  const char* unit = unit_of(v.where);
  switch (v.choice) {
    case PartChoice::Single: return formatted("%g", v.first) + unit;
    case PartChoice::Parallel:
      return formatted("%g", v.first) + unit + " || " + formatted("%g", v.second) + unit;
    case PartChoice::Series:
      return formatted("%g", v.first) + unit + " + " + formatted("%g", v.second) + unit +
             " in series";
    case PartChoice::Free: return formatted("%.5g", v.value) + unit + " (free)";
    case PartChoice::Ideal: break;
  }
  return formatted("%.5g", v.value) + unit;
}

ValueTable compared_values(const Result& r) {
  ValueTable t;
  const bool rounded = r.practical.rounded();
  t.header = {"Element", "Ideal"};
  if (rounded) t.header.emplace_back("Rounded");
  t.header.emplace_back(r.optimised ? "Optimised" : "Refined");
  const Ladder& built = r.built();
  for (const ElementRef& e : ladder_elements(r.chosen.ladder)) {
    std::vector<std::string> row{element_name(built, e), value_text(element_value(r.chosen.ladder, e), e)};
    if (rounded) row.push_back(value_text(element_value(r.rounded.ladder, e), e));
    std::string chosen = value_text(element_value(built, e), e);
    if (r.optimised) {
      for (const ChosenValue& v : r.optimised->elements)
        if (v.where == e) chosen = parts_text(v);
    }
    row.push_back(chosen);
    t.rows.push_back(std::move(row));
  }
  t.elements = t.rows.size();
  if (!r.checks.empty()) {
    std::vector<std::string> row{"Worst margin", margin_text(r.checks.front().worst_margin_db)};
    // Rounding goes with --optimise alone, whose search measured the plain rounding.
    if (rounded) row.push_back(margin_text(r.optimised->rounded_margin_db));
    row.push_back(margin_text(r.checks.back().worst_margin_db));
    t.rows.push_back(std::move(row));
  }
  if (r.yield) {
    std::vector<std::string> row{"Yield", percent_text(r.ideal_yield_percent)};
    if (rounded) row.push_back(percent_text(r.rounded_yield_percent));
    row.push_back(percent_text(r.yield->yield_percent));
    t.rows.push_back(std::move(row));
  }
  return t;
}

std::vector<std::string> value_method_lines(const Result& r) {
  std::vector<std::string> lines;
  const PracticalOptions& p = r.practical;
  if (r.optimised) {
    const OptimiseRequest& o = *p.optimise;
    const ValueResult& v = *r.optimised;
    const bool yield = o.objective == ValueObjective::Yield;
    lines.push_back(std::string("Optimised for ") +
                    (yield ? "the yield of the trials (the same draws for every candidate; the "
                             "worst margin breaks ties)"
                           : "the worst margin to the mask") +
                    ", over " + series_words(p) + (o.pairs ? ", capacitors also as pairs" : ""));
    lines.push_back(
        std::string("Search: coordinate descent over two series values either side of each plain "
                    "rounding") +
        (o.pairs ? " and the pairs nearest the ideal" : "") +
        (yield ? ", from the rounding and from the end of a worst-margin search"
               : ", from 6 starts (the rounding, all down, all up, 3 seeded random)") +
        ", then two-element moves; " + std::to_string(v.evaluations) + " designs evaluated");
    if (!o.free.empty()) {
      lines.push_back("Free: " + free_words(o.free) +
                      " set continuously within +-50 % of the ideal value (NLopt Subplex)");
    }
    if (v.stopped) {
      lines.push_back("Stopped at --max-evaluations " + std::to_string(o.max_evaluations) +
                      " with the best found so far");
    }
  }
  if (r.refined) {
    const RefineResult& f = r.refined->fit;
    lines.push_back("Refined toward " + r.refined->target + ": least squares on the loss at " +
                    std::to_string(r.refined->f_mhz.size()) +
                    " frequencies of the passband (each edge weighted as a quarter of them), every value "
                    "within +-50 %");
    lines.push_back("Loss error: rms " + formatted("%.4f", f.rms_error_db) + " dB (from " +
                    formatted("%.4f", f.start_rms_error_db) + " dB), largest " +
                    formatted("%.4f", f.max_error_db) + " dB at " +
                    formatted("%g", f.max_error_at_mhz) + " MHz, " + std::to_string(f.iterations) +
                    " iterations");
    if (const auto& b = r.refined->band; b && b->lower_mhz && b->upper_mhz) {
      std::string band = "Refined band: " + formatted("%.6g", *b->lower_mhz) + " to " +
                         formatted("%.6g", *b->upper_mhz) + " MHz at " +
                         formatted("%g", b->level_db) + " dB";
      if (b->ripple_db) band += ", ripple " + formatted("%.4f", *b->ripple_db) + " dB";
      lines.push_back(band);
    }
  }
  return lines;
}

std::string value_comments(const Result& r) {
  std::string text;
  for (const std::string& line : value_method_lines(r)) text += "\n" + line;
  if (!r.optimised) return text;
  for (const ChosenValue& v : r.optimised->elements) {
    if (v.choice != PartChoice::Parallel && v.choice != PartChoice::Series &&
        v.choice != PartChoice::Free) {
      continue;
    }
    text += "\n" + element_name(r.built(), v.where) + " is " + parts_text(v) + ": " +
            value_text(v.value, v.where) + " in the circuit";
  }
  return text;
}

}  // namespace varnholt

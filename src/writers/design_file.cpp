// The design file, with the practical results of the design command after
// the design (what reading the file back takes ignores them).
#include <cmath>

#include "common/decimal.h"
#include "pipeline/design_file.h"
#include "writers/measured.h"
#include "writers/optimised.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

using nlohmann::json;

json or_null(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json series_json(const std::optional<ESeries>& s) {
  return s ? json(std::string(series_name(*s))) : json(nullptr);
}

const char* choice_name(PartChoice c) {
  switch (c) {
    case PartChoice::Ideal: return "ideal";
    case PartChoice::Single: return "single";
    case PartChoice::Parallel: return "parallel";
    case PartChoice::Series: return "series";
    case PartChoice::Free: return "free";
  }
  return "ideal";
}

// An element built with searched or refined values: its plain rounding kept
// beside the value built, and how the search builds it.
void chosen_element(json& element, const Result& r, const RoundedElement& e) {
  const double built = element_value(r.built(), e.where);
  if (r.practical.rounded()) element["rounded"] = e.rounded;
  element["built"] = built;
  element["error_percent"] = e.ideal == 0.0 ? 0.0 : decimal_snap((built - e.ideal) / e.ideal * 100.0, 12);
  if (!r.optimised) return;
  for (const ChosenValue& v : r.optimised->elements) {
    if (!(v.where == e.where)) continue;
    json parts = json::array();
    if (v.choice == PartChoice::Single || v.choice == PartChoice::Parallel ||
        v.choice == PartChoice::Series) {
      parts.push_back(v.first);
    }
    if (v.choice == PartChoice::Parallel || v.choice == PartChoice::Series) parts.push_back(v.second);
    element["parts"] = {{"choice", choice_name(v.choice)}, {"values", parts}, {"text", parts_text(v)}};
  }
}

json optimisation_json(const Result& r) {
  const OptimiseRequest& o = *r.practical.optimise;
  const ValueResult& v = *r.optimised;
  const bool yield = o.objective == ValueObjective::Yield;
  json j = {{"objective", yield ? "yield" : "margin"},
            {"pairs", o.pairs},
            {"free", o.free},
            {"evaluations", v.evaluations},
            {"max_evaluations", o.max_evaluations},
            {"stopped", v.stopped},
            {"worst_margin_db", or_null(decimal_snap(v.margin_db, 12))},
            {"rounded_worst_margin_db", or_null(decimal_snap(v.rounded_margin_db, 12))},
            {"method", value_method_lines(r)}};
  if (yield) {
    j["yield_percent"] = v.yield_percent;
  }
  if (r.rounded_yield_percent) j["rounded_yield_percent"] = *r.rounded_yield_percent;
  if (r.ideal_yield_percent) j["ideal_yield_percent"] = *r.ideal_yield_percent;
  return j;
}

json refinement_json(const Result& r) {
  const Refinement& f = *r.refined;
  json j = {{"target", f.target},
            {"frequencies", f.f_mhz.size()},
            {"rms_error_db", f.fit.rms_error_db},
            {"start_rms_error_db", f.fit.start_rms_error_db},
            {"max_error_db", f.fit.max_error_db},
            {"max_error_at_mhz", f.fit.max_error_at_mhz},
            {"iterations", f.fit.iterations},
            {"method", value_method_lines(r)}};
  if (f.band) {
    const auto opt = [](const std::optional<double>& x) { return x ? json(*x) : json(nullptr); };
    j["band"] = {{"level_db", f.band->level_db},
                 {"lower_mhz", opt(f.band->lower_mhz)},
                 {"upper_mhz", opt(f.band->upper_mhz)},
                 {"ripple_db", opt(f.band->ripple_db)}};
  }
  if (r.ideal_yield_percent) j["ideal_yield_percent"] = *r.ideal_yield_percent;
  return j;
}

json practical_json(const Result& r) {
  const PracticalOptions& p = r.practical;
  json j;
  j["rounding"] = {{"inductors", series_json(p.round_l)}, {"capacitors", series_json(p.round_c)}};
  json elements = json::array();
  for (const RoundedElement& e : r.rounded.elements) {
    json element = {{"name", element_name(r.rounded.ladder, e.where)},
                    {"ideal", e.ideal},
                    {"built", e.rounded},
                    {"error_percent", e.error_percent}};
    if (r.optimised || r.refined) chosen_element(element, r, e);
    elements.push_back(std::move(element));
  }
  j["elements"] = elements;
  if (r.optimised) j["optimisation"] = optimisation_json(r);
  if (r.refined) j["refinement"] = refinement_json(r);
  j["q"] = {{"inductor", or_null(p.losses.q_inductor)},
            {"capacitor", or_null(p.losses.q_capacitor)},
            {"at_mhz", p.losses.q_at_mhz > 0.0 ? json(p.losses.q_at_mhz) : json(nullptr)},
            {"model", p.losses.lossy() ? json(q_law_text(p.losses.law()).name) : json(nullptr)}};
  const auto given = [](double v) { return v > 0.0 ? json(v) : json(nullptr); };
  j["parasitics"] = {{"inductor_srf_mhz", given(p.losses.inductor_srf_mhz)},
                     {"inductor_cp_pf", given(p.losses.inductor_cp_pf)},
                     {"capacitor_esl_nh", given(p.losses.capacitor_esl_nh)},
                     {"capacitor_esr_ohms", given(p.losses.capacitor_esr_ohms)},
                     {"node_pf", given(p.losses.node_pf)}};
  json items = json::array();
  for (const MaskItem& item : r.mask_items) items.push_back(mask_item_text(p.mask, item));
  j["mask"] = items;
  json checks = json::array();
  for (const MaskCheck& c : r.checks) {
    checks.push_back({{"circuit", c.circuit},
                      {"pass", c.pass},
                      {"worst_margin_db", decimal_snap(c.worst_margin_db, 12)},
                      {"at_mhz", c.at_mhz},
                      {"item", mask_item_text(p.mask, r.mask_items.at(c.item))}});
  }
  j["checks"] = checks;
  if (p.tolerances && r.yield) {
    const YieldResult& y = *r.yield;
    j["tolerances"] = {{"inductor_percent", p.tolerances->inductor_percent},
                       {"capacitor_percent", p.tolerances->capacitor_percent},
                       {"distribution", p.tolerances->spread == Spread::Normal ? "normal" : "uniform"},
                       {"seed", p.yield.seed},
                       {"aligned", p.align}};
    json failures = json::array();
    for (const MaskItem& item : y.items) failures.push_back(item.failures);
    j["yield"] = {{"percent", y.yield_percent},
                  {"trials", y.trials},
                  {"passed", y.passed},
                  {"failures", failures},
                  {"most_failed", y.most_failed < 0
                                      ? json(nullptr)
                                      : json(mask_item_text(p.mask, y.items.at(
                                                                        static_cast<std::size_t>(y.most_failed))))}};
  }
  return j;
}

}  // namespace

void write_design_file(std::ostream& out, const Result& r) {
  json j = design_record_json(*r.record);
  if (r.practical.any()) j["practical"] = practical_json(r);
  if (r.measurements.any()) j["measured"] = measured_json(r);
  out << j.dump(2) << '\n';
}

}  // namespace varnholt

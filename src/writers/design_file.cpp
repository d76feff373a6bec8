// The design file, with the practical results of the design command after
// the design (what reading the file back takes ignores them).
#include <cmath>

#include "common/decimal.h"
#include "pipeline/design_file.h"
#include "writers/measured.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

using nlohmann::json;

json or_null(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json series_json(const std::optional<ESeries>& s) {
  return s ? json(std::string(series_name(*s))) : json(nullptr);
}

json practical_json(const Result& r) {
  const PracticalOptions& p = r.practical;
  json j;
  j["rounding"] = {{"inductors", series_json(p.round_l)}, {"capacitors", series_json(p.round_c)}};
  json elements = json::array();
  for (const RoundedElement& e : r.rounded.elements) {
    elements.push_back({{"name", element_name(r.rounded.ladder, e.where)},
                        {"ideal", e.ideal},
                        {"built", e.rounded},
                        {"error_percent", e.error_percent}});
  }
  j["elements"] = elements;
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

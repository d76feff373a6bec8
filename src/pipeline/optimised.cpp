#include "pipeline/optimised.h"

#include <algorithm>
#include <stdexcept>

#include "pipeline/requests.h"
#include "practical/elements.h"

namespace varnholt {
namespace {

Complex impedance_of(const Termination& t) { return {t.r, t.x}; }

// The elements of --free, each checked against the ladder by name.
std::vector<ElementRef> free_elements(const Result& r, const std::vector<std::string>& names) {
  std::vector<ElementRef> refs;
  const Ladder& ladder = r.chosen.ladder;
  for (const std::string& name : names) {
    const auto e = element_named(ladder, name);
    if (!e) {
      throw UsageError("--free: this ladder has no element " + name + "; its elements are " +
                       element_names(ladder));
    }
    for (const PartUse& u : r.measurements.parts) {
      if (u.where == *e) {
        throw UsageError("--free: " + u.name + " is a measured part (--part); it cannot be set freely");
      }
    }
    if (element_value(ladder, *e) == 0.0) {
      throw UsageError("--free: " + name + " has no value to set (it is zero in this ladder)");
    }
    if (std::find(refs.begin(), refs.end(), *e) != refs.end()) {
      throw UsageError("--free: " + name + " is named twice");
    }
    refs.push_back(*e);
  }
  return refs;
}

}  // namespace

ValueResult optimise_step(const Result& r, const OptimiseRequest& request,
                          const std::function<void(int64_t)>& progress) {
  const PracticalOptions& p = r.practical;
  ValueProblem problem;
  problem.ideal = r.chosen.ladder;
  for (const PartUse& u : r.measurements.parts) element_value(problem.ideal, u.where) = u.nominal;
  problem.inductors = p.round_l;
  problem.capacitors = p.round_c;
  problem.losses = p.losses;
  problem.zs = impedance_of(r.chosen.source);
  problem.zl = impedance_of(r.chosen.load);
  problem.mask = p.mask;
  problem.sweep_mhz = r.f_mhz;
  ValueOptions options;
  options.objective = request.objective;
  options.pairs = request.pairs;
  options.max_evaluations = request.max_evaluations;
  options.threads = p.yield.threads;
  options.free = free_elements(r, request.free);
  if (p.tolerances) options.tolerances = *p.tolerances;
  options.trials = p.yield.trials;
  options.trial_seed = p.yield.seed;
  options.progress = progress;
  try {
    return optimise_values(problem, options);
  } catch (const std::invalid_argument& e) {
    throw UsageError(std::string("--optimise: ") + e.what());
  }
}

Refinement refine_step(const Result& r, const Circuit& target, std::string target_name) {
  Refinement out;
  out.target = std::move(target_name);
  // The edges weigh as much as a quarter of the passband's points each: the
  // band asked for is held where a topology cannot follow the whole curve.
  LossTarget goal;
  for (const Passband& b : r.practical.mask.passbands) {
    std::vector<double> inside;
    for (const double f : r.f_mhz)
      if (f > b.lo_mhz && f < b.hi_mhz) inside.push_back(f);
    const std::size_t weight = std::max<std::size_t>(1, inside.size() / 4);
    out.f_mhz.push_back(b.lo_mhz);
    out.f_mhz.insert(out.f_mhz.end(), inside.begin(), inside.end());
    out.f_mhz.push_back(b.hi_mhz);
    goal.f_mhz.insert(goal.f_mhz.end(), weight, b.lo_mhz);
    goal.f_mhz.insert(goal.f_mhz.end(), inside.begin(), inside.end());
    goal.f_mhz.insert(goal.f_mhz.end(), weight, b.hi_mhz);
  }
  if (out.f_mhz.empty()) throw UsageError("--refine: the design's passband lies outside the sweep");
  goal.loss_db = loss_db(target.ladder, {}, impedance_of(target.source), impedance_of(target.load),
                         goal.f_mhz);
  RefineOptions options;
  options.threads = r.practical.yield.threads;
  try {
    out.fit = refine_to_loss(r.built(), r.practical.losses, impedance_of(r.chosen.source),
                             impedance_of(r.chosen.load), goal, options);
  } catch (const std::invalid_argument& e) {
    throw UsageError(std::string("--refine: ") + e.what());
  }
  return out;
}

}  // namespace varnholt

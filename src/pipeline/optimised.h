// The searched and the refined values of a job: the practical steps that
// replace the plain rounding by values chosen against the mask or the yield
// (--optimise), or move every value continuously toward a target response
// (--refine).
#pragma once

#include <functional>
#include <string>

#include "pipeline/result.h"

namespace varnholt {

// Standard values for the chosen ladder (its measured parts at their own
// values) with the job's series, losses, terminations, mask (its passbands
// set), sweep and, for the yield, tolerances and trials. `progress` is told
// the designs evaluated so far and may throw to stop the search. Throws
// UsageError naming the option for what cannot be searched.
ValueResult optimise_step(const Result& r, const OptimiseRequest& request,
                          const std::function<void(int64_t)>& progress);

// The built ladder's values refined so that its loss, with the parts' losses
// and parasitics, matches the loss of `target` (between its own terminations)
// at the swept frequencies of the passband and at its edges.
Refinement refine_step(const Result& r, const Circuit& target, std::string target_name);

}  // namespace varnholt

// Choosing the values a user can buy: every element of a ladder set to a value
// of its E series (or, for capacitors, a parallel or series pair of two such
// values) so that the circuit keeps as far inside a pass mask as it can, or
// passes it in as many Monte Carlo trials as it can; some elements left
// continuous (trimmers, wound coils) and set numerically; and the continuous
// refinement of a whole ladder toward a target loss curve.
//
// All functions are plain computations: no I/O, no global state. Results are
// the same on any number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "ladder/ladder.h"
#include "ladder/network.h"
#include "practical/standard_values.h"
#include "practical/tolerance.h"

namespace varnholt {

// The circuit to be built: the ideal ladder, the series its parts are bought
// in (nullopt: that kind stays at its ideal value), the part model, the
// terminations (positive resistances), the mask and the sweep it is checked on.
struct ValueProblem {
  Ladder ideal;
  std::optional<ESeries> inductors;
  std::optional<ESeries> capacitors;
  PartModel losses;
  Complex zs{50.0, 0.0};
  Complex zl{50.0, 0.0};
  Mask mask;
  std::vector<double> sweep_mhz;
};

enum class ValueObjective : uint8_t {
  WorstMargin,  // the largest smallest margin (dB) over the items of the mask
  Yield,        // the most Monte Carlo trials that pass; the worst nominal margin breaks ties
};

struct ValueOptions {
  ValueObjective objective = ValueObjective::WorstMargin;
  int steps = 2;          // series values either side of each element's plain rounding, 0..12
  bool pairs = false;     // capacitors may also be two parts in parallel or in series
  int random_starts = 3;  // seeded random starts besides the rounding, all-down and all-up, 0..64
                          // (of the worst-margin search)
  bool pairwise_moves = true;         // after the descent, try moving two elements at once
  uint64_t seed = 1;                  // of the random starts
  int64_t max_evaluations = 200'000;  // designs evaluated (a yield evaluation is one design), >= 1
  unsigned threads = 0;               // 0: std::thread::hardware_concurrency()
  // Elements set continuously within +-50 % of their ideal value (each must be
  // an element of the ladder the shapes use and not a measured part).
  std::vector<ElementRef> free;
  // The yield objective: the tolerances of the parts (a pair is toleranced as
  // one part of its kind, a free element as its kind) and the trials, drawn
  // as analyse_yield draws them (the same draws for every candidate, and the
  // yield analyse_yield reports for the result with the same trials and seed).
  Tolerances tolerances;
  int trials = 200;
  uint64_t trial_seed = 1;
  // Told the designs evaluated so far, on the calling thread, after each batch;
  // it may throw to end the search (the exception leaves optimise_values).
  std::function<void(int64_t evaluations)> progress;
};

// How an element is built.
enum class PartChoice : uint8_t {
  Ideal,     // left at its ideal value: no series for its kind, a zero value or a measured part
  Single,    // one part of the series
  Parallel,  // two parts in parallel (capacitors): first + second
  Series,    // two parts in series (capacitors): first second / (first + second)
  Free,      // a continuous value (a trimmer or a part wound to value)
};

struct ChosenValue {
  ElementRef where;
  double ideal = 0.0;  // nH or pF
  PartChoice choice = PartChoice::Ideal;
  double first = 0.0;   // the part (Single), the larger of two (Parallel, Series), else the value
  double second = 0.0;  // the other part of a pair, else 0
  double value = 0.0;   // the value the element has in the circuit
};

struct ValueResult {
  Ladder ladder;                      // the chosen values
  std::vector<ChosenValue> elements;  // in ladder_elements order
  // The worst margin of the chosen ladder (dB), the item of mask_items(mask)
  // it belongs to (-1 for a mask without items, then the margin is +inf) and
  // its frequency.
  double margin_db = 0.0;
  int worst_item = -1;
  double worst_at_mhz = 0.0;
  double rounded_margin_db = 0.0;  // the same for the plain rounding
  // The yield objective only (else 0): the share of the trials that pass.
  double yield_percent = 0.0;
  double rounded_yield_percent = 0.0;
  int64_t evaluations = 0;  // designs evaluated, the plain rounding included
  bool stopped = false;     // max_evaluations ended the search before it converged
};

// The search. Candidates: for each element the series values `steps` either
// side of its plain rounding, with `pairs` also the few parallel and series
// pairs whose total comes nearest the ideal value. Coordinate descent (each
// element in turn takes its best candidate; passes repeat until none moves)
// from the plain rounding, all rounded down, all rounded up and seeded random
// picks; the best end point, then pairwise moves and descent again until
// neither improves. The yield objective (costly, and piecewise constant, so
// that random starts rarely gain) descends from the plain rounding and from
// the end of the worst-margin search instead. A move is taken only when it
// strictly improves, so the result is never worse than the plain rounding;
// ties go to the earlier start and the smaller candidate. Free elements: after the discrete search
// each start of a derivative-free local search (NLopt's Subplex) sets them with the others held,
// then the others are searched again, until neither gains. Throws std::invalid_argument for bad
// values, terminations, masks or options.
ValueResult optimise_values(const ValueProblem& problem, const ValueOptions& options = {});

// The loss (dB, positive) to be matched at each frequency.
struct LossTarget {
  std::vector<double> f_mhz;
  std::vector<double> loss_db;
};

struct RefineOptions {
  double bound = 0.5;  // each element within (1 +- bound) times its start value, 0 < bound < 1
  int max_iterations = 200;    // Levenberg-Marquardt steps
  double tolerance_db = 1e-6;  // stop when the root-mean-square error changes by less
  unsigned threads = 0;        // 0: std::thread::hardware_concurrency()
};

struct RefineResult {
  Ladder ladder;
  double rms_error_db = 0.0;  // over the target frequencies
  double max_error_db = 0.0;
  double max_error_at_mhz = 0.0;
  double start_rms_error_db = 0.0;
  int iterations = 0;
  int64_t evaluations = 0;  // ladder responses over the target's frequencies
};

// Every element of `start` (except zero values and measured parts) moved
// continuously within the bound so that the loss between zs and zl matches
// the target in the least-squares sense. Throws std::invalid_argument for an
// empty or mismatched target, non-finite or non-positive frequencies or
// targets that are not finite, bad options, losses or terminations.
RefineResult refine_to_loss(const Ladder& start, const PartModel& losses, Complex zs, Complex zl,
                            const LossTarget& target, const RefineOptions& options = {});

// The loss (dB) of a ladder at each frequency: the target of a refinement
// taken from a reference design.
std::vector<double> loss_db(const Ladder& ladder, const PartModel& losses, Complex zs, Complex zl,
                            std::span<const double> f_mhz);

}  // namespace varnholt

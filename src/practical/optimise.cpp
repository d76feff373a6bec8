#include "practical/optimise.h"

#include <nlopt.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <random>
#include <stdexcept>
#include <thread>

#include "common/parallel.h"
#include "practical/elements.h"

namespace varnholt {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kFreeBound = 0.5;  // free elements within +-50 % of their ideal value

// A generator fixed by the seed and a stream number (the engine and the
// seed sequence are both fully specified by the C++ standard).
std::mt19937_64 seeded(uint64_t seed, uint32_t stream) {
  std::seed_seq seq{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32), stream};
  return std::mt19937_64(seq);
}

unsigned thread_count(unsigned requested) {
  return std::max(1u, requested != 0 ? requested : std::thread::hardware_concurrency());
}

// --- The values of a series over all decades ----------------------------------
//
// Series value number g (any integer) is table[g mod N] * 10^(g div N - 2)
// with the table in hundredths, formed exactly as round_to_series forms its
// results so that a plain rounding is one of the candidates bit for bit.

class SeriesScale {
 public:
  explicit SeriesScale(ESeries series) : series_(series) {
    for (double m : series_values(series))
      hundredths_.push_back(static_cast<int>(std::lround(m * 100)));
  }
  double at(int64_t g) const {
    const auto n = static_cast<int64_t>(hundredths_.size());
    const int64_t decade = g >= 0 ? g / n : -((-g + n - 1) / n);
    const int h = hundredths_[static_cast<std::size_t>(g - decade * n)];
    const int e = static_cast<int>(decade) - 2;
    return e >= 0 ? h * std::pow(10.0, e) : h / std::pow(10.0, -e);
  }
  // The number of a value of the series (as round_to_series gives it).
  int64_t index(double value) const {
    int64_t g = static_cast<int64_t>(std::floor(std::log10(value))) *
                static_cast<int64_t>(hundredths_.size());
    while (at(g) > value * (1 + 1e-9)) --g;
    while (at(g + 1) <= value * (1 + 1e-9)) ++g;
    return g;
  }
  double round(double value) const { return round_to_series(value, series_); }

 private:
  ESeries series_;
  std::vector<int> hundredths_;
};

// --- Candidates -------------------------------------------------------------

struct Candidate {
  PartChoice choice = PartChoice::Single;
  double first = 0.0, second = 0.0;
  double value = 0.0;
};

double log_error(double value, double ideal) { return std::abs(std::log(value / ideal)); }

// The pairs of two series values nearest the ideal: parallel pairs from a
// larger part at a few fractions of the ideal and the nearest complement,
// series pairs likewise above the ideal. Only pairs nearer the ideal than
// the plain rounding and with parts within a ratio of 20 are kept (the four
// nearest).
std::vector<Candidate> pair_candidates(const SeriesScale& scale, double ideal, double rounded) {
  std::vector<Candidate> found;
  const auto consider = [&](PartChoice how, double a, double b) {
    if (!(a > 0 && b > 0) || std::max(a, b) > 20 * std::min(a, b)) return;
    const double total = how == PartChoice::Parallel ? a + b : a * b / (a + b);
    if (log_error(total, ideal) >= log_error(rounded, ideal)) return;
    for (const Candidate& c : found)
      if (c.value == total) return;
    found.push_back({how, std::max(a, b), std::min(a, b), total});
  };
  for (double share : {0.95, 0.85, 0.7, 0.55}) {
    const double a = scale.round(ideal * share);
    if (a >= ideal) continue;
    const int64_t g = scale.index(scale.round(ideal - a));
    for (int64_t d = -1; d <= 1; ++d) consider(PartChoice::Parallel, a, scale.at(g + d));
  }
  for (double over : {1.05, 1.2, 1.45, 1.9}) {
    const double a = scale.round(ideal * over);
    if (a <= ideal) continue;
    const int64_t g = scale.index(scale.round(1.0 / (1.0 / ideal - 1.0 / a)));
    for (int64_t d = -1; d <= 1; ++d) consider(PartChoice::Series, a, scale.at(g + d));
  }
  std::stable_sort(found.begin(), found.end(), [ideal](const Candidate& x, const Candidate& y) {
    return log_error(x.value, ideal) < log_error(y.value, ideal);
  });
  if (found.size() > 4) found.resize(4);
  return found;
}

// One element of the ladder as the search sees it.
struct Slot {
  ElementRef where;
  double ideal = 0.0;
  bool searched = false;              // has candidates
  bool free = false;                  // set continuously
  std::vector<Candidate> candidates;  // ascending value; singles before pairs of equal value
  int rounded = 0, down = 0, up = 0;  // the plain rounding, the rounding down and up
};

bool is_measured(const PartModel& losses, const ElementRef& e) {
  for (const MeasuredElement& m : losses.parts)
    if (m.where == e)
      return true;
  return false;
}

std::vector<Slot> make_slots(const ValueProblem& p, const ValueOptions& o) {
  std::vector<Slot> slots;
  const std::vector<ElementRef> elements = ladder_elements(p.ideal);
  for (const ElementRef& e : elements) {
    Slot s;
    s.where = e;
    s.ideal = element_value(p.ideal, e);
    if (!std::isfinite(s.ideal) || s.ideal < 0)
      throw std::invalid_argument("element values must be finite and not negative");
    const bool measured = is_measured(p.losses, e);
    const std::optional<ESeries> series = e.inductor ? p.inductors : p.capacitors;
    if (series && s.ideal > 0 && !measured) {
      if (s.ideal < 1e-12 || s.ideal > 1e15)
        throw std::invalid_argument(
            "an element value is outside the range of parts (1e-12 to 1e15 nH or pF)");
      const SeriesScale scale(*series);
      const double r = scale.round(s.ideal);
      const int64_t g = scale.index(r);
      for (int64_t d = -o.steps; d <= o.steps; ++d)
        s.candidates.push_back(
            {PartChoice::Single, d == 0 ? r : scale.at(g + d), 0.0, d == 0 ? r : scale.at(g + d)});
      if (o.pairs && !e.inductor)
        for (const Candidate& c : pair_candidates(scale, s.ideal, r)) s.candidates.push_back(c);
      std::stable_sort(s.candidates.begin(), s.candidates.end(),
                       [](const Candidate& x, const Candidate& y) { return x.value < y.value; });
      s.searched = true;
      s.up = -1;
      for (std::size_t i = 0; i < s.candidates.size(); ++i) {
        const Candidate& c = s.candidates[i];
        if (c.choice != PartChoice::Single) continue;
        const int k = static_cast<int>(i);
        if (c.value == r) s.rounded = k;
        if (c.value <= s.ideal) s.down = k;
        if (c.value >= s.ideal && s.up < 0) s.up = k;
      }
      if (s.up < 0) s.up = s.rounded;
    }
    slots.push_back(std::move(s));
  }
  for (const ElementRef& f : o.free) {
    auto it = std::find_if(slots.begin(), slots.end(), [&f](const Slot& s) {
      return s.where == f;
    });
    if (it == slots.end())
      throw std::invalid_argument("a free element is not an element of the ladder");
    if (is_measured(p.losses, f))
      throw std::invalid_argument("a measured part cannot be set freely");
    if (it->ideal == 0) throw std::invalid_argument("a free element needs a non-zero ideal value");
    it->free = true;
  }
  return slots;
}

// --- Scores -------------------------------------------------------------------

// What a design achieves: the yield (percent; 0 for the margin objective)
// first, then the worst nominal margin.
struct Score {
  double yield = 0.0;
  double margin = -kInf;
};

bool better(const Score& a, const Score& b) {
  return a.yield > b.yield || (a.yield == b.yield && a.margin > b.margin);
}

double worst_margin(const std::vector<MaskMargin>& m) {
  double w = kInf;
  for (const MaskMargin& x : m) w = std::min(w, std::isnan(x.margin_db) ? -kInf : x.margin_db);
  return w;
}

// A design: the candidate of each searched slot and the value of each free
// one (slots neither searched nor free keep their ideal value).
// Free slots are searched over their candidates like the others until the
// design turns continuous; from then on they take their free value.
struct Design {
  std::vector<int> pick;
  std::vector<double> free_value;  // per slot; used where the slot is free
  bool continuous = false;
};

struct PartValues {
  double first = 0.0, second = 0.0;
  PartChoice how = PartChoice::Ideal;
};

class Evaluator {
 public:
  Evaluator(const ValueProblem& p, const ValueOptions& o, const std::vector<Slot>& slots)
      : p_(p), o_(o), slots_(slots) {
    // Margins read the sweep only inside the passbands (edges and stop points
    // are evaluated apart): the other points are left out of every
    // evaluation, with the same result. The whole sweep is checked once.
    mask_margins(p.ideal, p.losses, p.zs, p.zl, p.mask, p.sweep_mhz);
    for (double f : p.sweep_mhz)
      for (const Passband& b : p.mask.passbands)
        if (f >= b.lo_mhz && f <= b.hi_mhz) {
          sweep_.push_back(f);
          break;
        }
    if (o.objective != ValueObjective::Yield) return;
    // Every trial's factors, drawn as analyse_yield draws them (perturbed() of
    // a ladder of ones gives the factors themselves), so that a design's yield
    // here is the yield analyse_yield reports for it with the same trials.
    Ladder ones = p.ideal;
    for (const Slot& s : slots) element_value(ones, s.where) = 1.0;
    for (int t = 0; t < o.trials; ++t)
      factors_.push_back(perturbed(ones, o.tolerances, o.trial_seed, static_cast<uint64_t>(t)));
  }

  PartValues parts(const Design& d, std::size_t i) const {
    const Slot& s = slots_[i];
    if (s.free && d.continuous) return {d.free_value[i], 0.0, PartChoice::Free};
    if (!s.searched) return {s.ideal, 0.0, PartChoice::Ideal};
    const Candidate& c = s.candidates[static_cast<std::size_t>(d.pick[i])];
    return {c.first, c.second, c.choice};
  }

  double value(const Design& d, std::size_t i) const { return combined(parts(d, i)); }

  Ladder ladder(const Design& d) const {
    Ladder lad = p_.ideal;
    for (std::size_t i = 0; i < slots_.size(); ++i)
      element_value(lad, slots_[i].where) = combined(parts(d, i));
    return lad;
  }

  std::vector<MaskMargin> margins(const Ladder& lad) const {
    return mask_margins(lad, p_.losses, p_.zs, p_.zl, p_.mask, sweep_);
  }

  Score score(const Design& d) const {
    const Ladder nominal = ladder(d);
    Score s{0.0, worst_margin(margins(nominal))};
    if (o_.objective != ValueObjective::Yield) {
      s.yield = 0.0;
      return s;
    }
    // A pair is toleranced as one part of its kind (its two parts' errors
    // partly cancel, so this errs on the safe side), and the trials keep the
    // nominal inductors' self-capacitance, both as analyse_yield does.
    const PartModel trial_losses = holding_self_capacitance(p_.losses, nominal);
    int passed = 0;
    Ladder lad = nominal;
    for (const Ladder& factors : factors_) {
      for (const Slot& slot : slots_)
        element_value(lad, slot.where) =
            element_value(nominal, slot.where) * element_value(factors, slot.where);
      bool pass = true;
      for (const MaskMargin& m : mask_margins(lad, trial_losses, p_.zs, p_.zl, p_.mask, sweep_))
        pass = pass && !(m.margin_db < 0.0);
      passed += pass ? 1 : 0;
    }
    s.yield = 100.0 * passed / static_cast<double>(factors_.size());
    return s;
  }

 private:
  static double combined(const PartValues& v) {
    switch (v.how) {
      case PartChoice::Parallel:
        return v.first + v.second;
      case PartChoice::Series:
        return v.first * v.second / (v.first + v.second);
      default:
        return v.first;
    }
  }

  const ValueProblem& p_;
  const ValueOptions& o_;
  const std::vector<Slot>& slots_;
  std::vector<double> sweep_;  // the sweep points inside a passband
  std::vector<Ladder> factors_;  // each trial's factor per element
};

// --- The discrete search --------------------------------------------------------

class Search {
 public:
  // `counted_before`: the evaluations of the whole optimisation before this
  // search's, for the progress.
  Search(const Evaluator& eval, const std::vector<Slot>& slots, const ValueOptions& o,
         int64_t budget, int64_t counted_before = 0)
      : eval_(eval), slots_(slots), budget_(budget), threads_(thread_count(o.threads)),
        progress_(o.progress), counted_before_(counted_before) {}

  int64_t evaluations() const { return evaluations_; }
  bool stopped() const { return stopped_; }
  void forget() { cache_.clear(); }  // the free values changed
  void count(int64_t n) {
    evaluations_ += n;
    if (progress_) progress_(counted_before_ + evaluations_);
  }
  int64_t remaining() const { return budget_ - evaluations_; }
  void mark_stopped() { stopped_ = true; }

  // Scores of the designs in order; designs met before come from the cache.
  // When the budget runs out only the first ones are scored: the result is
  // shorter and the search is marked stopped.
  std::vector<Score> score(const std::vector<Design>& designs) {
    std::vector<Score> out;
    std::vector<std::size_t> fresh;
    for (std::size_t i = 0; i < designs.size(); ++i) {
      auto it = cache_.find(designs[i].pick);
      if (it != cache_.end()) {
        out.push_back(it->second);
        continue;
      }
      if (static_cast<int64_t>(fresh.size()) >= remaining()) {
        stopped_ = true;
        break;
      }
      fresh.push_back(i);
      out.emplace_back();
    }
    std::vector<Score> computed(fresh.size());
    parallel_for(fresh.size(),
                 std::clamp<unsigned>(
                     threads_, 1, static_cast<unsigned>(std::max<std::size_t>(fresh.size(), 1))),
                 [&](std::size_t k) { computed[k] = eval_.score(designs[fresh[k]]); });
    for (std::size_t k = 0; k < fresh.size(); ++k) {
      out[fresh[k]] = computed[k];
      cache_.emplace(designs[fresh[k]].pick, computed[k]);
    }
    count(static_cast<int64_t>(fresh.size()));
    return out;
  }

  // Coordinate descent from `d` (scored `s`), in place.
  void descend(Design& d, Score& s) {
    for (bool moved = true; moved && !stopped_;) {
      moved = false;
      for (std::size_t i = 0; i < slots_.size() && !stopped_; ++i) {
        if (!moves(d, i)) continue;
        std::vector<Design> trial;
        for (std::size_t c = 0; c < slots_[i].candidates.size(); ++c) {
          if (static_cast<int>(c) == d.pick[i]) continue;
          trial.push_back(d);
          trial.back().pick[i] = static_cast<int>(c);
        }
        if (take_best(trial, score(trial), d, s)) moved = true;
      }
    }
  }

  // Descent, then pairwise moves and descent again while they gain.
  void improve(Design& d, Score& s, bool pairwise_moves) {
    descend(d, s);
    while (pairwise_moves && !stopped_ && pairwise(d, s)) descend(d, s);
  }

  // Moves of two elements by one candidate each way; the best strict
  // improvement is taken. Returns whether one was.
  bool pairwise(Design& d, Score& s) {
    std::vector<Design> trial;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (!moves(d, i)) continue;
      for (std::size_t j = i + 1; j < slots_.size(); ++j) {
        if (!moves(d, j)) continue;
        for (int di : {-1, 1})
          for (int dj : {-1, 1}) {
            const int a = d.pick[i] + di, b = d.pick[j] + dj;
            if (a < 0 || b < 0 || a >= static_cast<int>(slots_[i].candidates.size()) ||
                b >= static_cast<int>(slots_[j].candidates.size()))
              continue;
            trial.push_back(d);
            trial.back().pick[i] = a;
            trial.back().pick[j] = b;
          }
      }
    }
    return take_best(trial, score(trial), d, s);
  }

 private:
  bool moves(const Design& d, std::size_t i) const {
    return slots_[i].searched && !(slots_[i].free && d.continuous);
  }

  static bool take_best(const std::vector<Design>& trial, const std::vector<Score>& scores,
                        Design& d, Score& s) {
    int best = -1;
    for (std::size_t k = 0; k < scores.size(); ++k)
      if (better(scores[k], best < 0 ? s : scores[static_cast<std::size_t>(best)]))
        best = static_cast<int>(k);
    if (best < 0) return false;
    d = trial[static_cast<std::size_t>(best)];
    s = scores[static_cast<std::size_t>(best)];
    return true;
  }

  const Evaluator& eval_;
  const std::vector<Slot>& slots_;
  int64_t budget_;
  unsigned threads_;
  std::function<void(int64_t)> progress_;
  int64_t counted_before_;
  int64_t evaluations_ = 0;
  bool stopped_ = false;
  std::map<std::vector<int>, Score> cache_;
};

// The starts of the worst-margin search: the rounding, all rounded down, all
// rounded up, then seeded random picks of the candidates.
std::vector<Design> margin_starts(const std::vector<Slot>& slots, const Design& rounding,
                                  const ValueOptions& o) {
  std::vector<Design> starts{rounding, rounding, rounding};
  for (std::size_t i = 0; i < slots.size(); ++i)
    starts[1].pick[i] = slots[i].down, starts[2].pick[i] = slots[i].up;
  for (int r = 0; r < o.random_starts; ++r) {
    std::mt19937_64 rng = seeded(o.seed, static_cast<uint32_t>(r));
    Design d = rounding;
    for (std::size_t i = 0; i < slots.size(); ++i)
      if (slots[i].searched) d.pick[i] = static_cast<int>(rng() % slots[i].candidates.size());
    starts.push_back(d);
  }
  return starts;
}

// Descent from each start in turn; the best end point (the first of equals)
// replaces `best` when it is strictly better, then pairwise moves polish it.
void run_starts(Search& search, const std::vector<Design>& starts, Design& best, Score& best_score,
                bool pairwise) {
  for (const Design& start : starts) {
    const std::vector<Score> first = search.score({start});
    if (first.empty()) break;
    Design d = start;
    Score s = first.front();
    search.descend(d, s);
    if (better(s, best_score)) best = d, best_score = s;
    if (search.stopped()) break;
  }
  search.improve(best, best_score, pairwise);
}

// --- Free elements ----------------------------------------------------------------
//
// NLopt's Subplex (LN_SBPLX): the worst margin is a minimum of smooth
// functions and has kinks where the worst item or frequency changes, and the
// yield is piecewise constant. Methods that fit a quadratic model (BOBYQA,
// NEWUOA) assume smoothness and stall at the kinks; Subplex runs Nelder-Mead
// on low-dimensional subspaces, needs only comparisons of values and copes
// with both. The variables are the ratios to the ideal values, in
// [0.5, 1.5].

// One scalar for NLopt that orders designs as `better` does: the yield plus
// less than half a trial's share for the margin.
double scalar(const Score& s, const ValueOptions& o) {
  if (o.objective != ValueObjective::Yield)
    return std::isfinite(s.margin) ? s.margin : (s.margin > 0 ? 1e300 : -1e300);
  return s.yield + 49.0 / o.trials * std::atan(s.margin) / (std::numbers::pi / 2);
}

struct LocalRun {
  const Evaluator* eval;
  const ValueOptions* options;
  Design design;
  std::vector<std::size_t> vars;
  std::vector<double> ideal;
  Score best;
  Design best_design;
  int64_t evaluations = 0;
};

struct LocalContext {
  LocalRun* run;
  nlopt_opt opt;
};

double local_objective(unsigned n, const double* x, double*, void* data) {
  const auto& context = *static_cast<LocalContext*>(data);
  LocalRun& run = *context.run;
  try {
    for (unsigned k = 0; k < n; ++k) run.design.free_value[run.vars[k]] = x[k] * run.ideal[k];
    ++run.evaluations;
    const Score s = run.eval->score(run.design);
    if (better(s, run.best)) run.best = s, run.best_design = run.design;
    return scalar(s, *run.options);
  } catch (...) {  // nothing may unwind through the C library: stop the run instead
    nlopt_force_stop(context.opt);
    return -HUGE_VAL;
  }
}

// Free elements set from several starts (the current values, the ideal ones
// and a seeded point of the box), each start with an even share of the
// budget, run in parallel and compared in start order. Returns whether the
// design improved.
bool set_free(const Evaluator& eval, const std::vector<Slot>& slots, const ValueOptions& o,
              Search& search, Design& d, Score& s) {
  std::vector<std::size_t> vars;
  std::vector<double> ideal;
  for (std::size_t i = 0; i < slots.size(); ++i)
    if (slots[i].free) vars.push_back(i), ideal.push_back(slots[i].ideal);
  if (vars.empty() || search.remaining() <= 0) return false;
  const std::size_t n = vars.size();
  std::vector<std::vector<double>> starts(3, std::vector<double>(n, 1.0));
  std::mt19937_64 rng = seeded(o.seed, 0x5eedu);
  for (std::size_t k = 0; k < n; ++k) {
    starts[0][k] = std::clamp(d.free_value[vars[k]] / ideal[k], 1 - kFreeBound, 1 + kFreeBound);
    starts[2][k] = 1 - kFreeBound + 2 * kFreeBound * static_cast<double>(rng() >> 11) * 0x1.0p-53;
  }
  starts.resize(static_cast<std::size_t>(std::min<int64_t>(3, search.remaining())));
  const int64_t share = std::max<int64_t>(
      1, std::min<int64_t>(search.remaining() / static_cast<int64_t>(starts.size()),
                           300 * static_cast<int64_t>(n + 1)));
  std::vector<LocalRun> runs(starts.size(), LocalRun{&eval, &o, d, vars, ideal, s, d, 0});
  parallel_for(runs.size(), std::min<unsigned>(thread_count(o.threads), 3), [&](std::size_t r) {
    nlopt_opt opt = nlopt_create(NLOPT_LN_SBPLX, static_cast<unsigned>(n));
    if (!opt) throw std::bad_alloc();
    const std::vector<double> lo(n, 1 - kFreeBound), hi(n, 1 + kFreeBound), step(n, 0.05);
    nlopt_set_lower_bounds(opt, lo.data());
    nlopt_set_upper_bounds(opt, hi.data());
    nlopt_set_initial_step(opt, step.data());
    LocalContext context{&runs[r], opt};
    nlopt_set_max_objective(opt, local_objective, &context);
    nlopt_set_maxeval(opt, static_cast<int>(std::min<int64_t>(share, 1'000'000)));
    nlopt_set_xtol_rel(opt, 1e-7);
    std::vector<double> x = starts[r];
    double f = 0;
    nlopt_optimize(opt, x.data(), &f);  // the best point is kept by the objective itself
    nlopt_destroy(opt);
  });
  bool improved = false;
  int64_t used = 0;
  for (LocalRun& run : runs) {
    used += run.evaluations;
    if (better(run.best, s)) s = run.best, d = run.best_design, improved = true;
  }
  search.count(used);
  if (search.remaining() <= 0) search.mark_stopped();
  return improved;
}

void check_options(const ValueOptions& o) {
  if (o.steps < 0 || o.steps > 12) throw std::invalid_argument("steps must be 0 to 12");
  if (o.random_starts < 0 || o.random_starts > 64)
    throw std::invalid_argument("random starts must be 0 to 64");
  if (o.max_evaluations < 1) throw std::invalid_argument("at least one evaluation is needed");
  if (o.objective == ValueObjective::Yield && (o.trials < 1 || o.trials > 1'000'000))
    throw std::invalid_argument("the yield needs 1 to 1,000,000 trials");
}

}  // namespace

ValueResult optimise_values(const ValueProblem& problem, const ValueOptions& options) {
  check_options(options);
  const std::vector<Slot> slots = make_slots(problem, options);
  const Evaluator eval(problem, options, slots);
  Search search(eval, slots, options, options.max_evaluations);

  Design rounding{std::vector<int>(slots.size(), 0), std::vector<double>(slots.size(), 0.0)};
  for (std::size_t i = 0; i < slots.size(); ++i) {
    rounding.pick[i] = slots[i].rounded;  // 0 for a slot without candidates
    rounding.free_value[i] = slots[i].ideal;
  }
  // The plain rounding first: the score to beat (bad terminations or losses
  // throw here, a bad mask or sweep in the evaluator).
  const Score rounded = search.score({rounding}).front();

  Design best = rounding;
  Score best_score = rounded;
  if (mask_items(problem.mask).empty()) {
    // Nothing to keep inside: every design scores the same.
  } else if (options.objective == ValueObjective::Yield) {
    // The yield is piecewise constant and costly: its descent starts from the
    // plain rounding and from the end of the (cheap) worst-margin search,
    // whose evaluations count against the same budget.
    ValueOptions by_margin = options;
    by_margin.objective = ValueObjective::WorstMargin;
    const Evaluator margin_eval(problem, by_margin, slots);
    Search margin_search(margin_eval, slots, by_margin, search.remaining(), search.evaluations());
    Design d = rounding;
    Score s = margin_search.score({rounding}).front();
    run_starts(margin_search, margin_starts(slots, rounding, options), d, s,
               options.pairwise_moves);
    search.count(margin_search.evaluations());  // (the progress told this count already)
    if (margin_search.stopped()) search.mark_stopped();
    run_starts(search, {rounding, d}, best, best_score, options.pairwise_moves);
  } else {
    run_starts(search, margin_starts(slots, rounding, options), best, best_score,
               options.pairwise_moves);
  }

  // Free elements turn continuous at the values the discrete search gave
  // them (for a pair under tolerances the score changes: one part now), then
  // the continuous and the discrete search take turns until neither gains.
  if (!options.free.empty() && !search.stopped() && !mask_items(problem.mask).empty()) {
    for (std::size_t i = 0; i < slots.size(); ++i)
      if (slots[i].free) best.free_value[i] = eval.value(best, i);
    best.continuous = true;
    search.forget();
    const std::vector<Score> now = search.score({best});
    if (!now.empty()) best_score = now.front();
    for (int round = 0; round < 8 && !search.stopped(); ++round) {
      if (!set_free(eval, slots, options, search, best, best_score)) break;
      search.forget();
      search.improve(best, best_score, options.pairwise_moves);
    }
  }

  ValueResult r;
  r.ladder = eval.ladder(best);
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const PartValues v = eval.parts(best, i);
    r.elements.push_back({slots[i].where, slots[i].ideal, v.how, v.first, v.second,
                          element_value(r.ladder, slots[i].where)});
  }
  const std::vector<MaskMargin> m = eval.margins(r.ladder);
  r.margin_db = kInf;
  for (std::size_t i = 0; i < m.size(); ++i)
    if (!(m[i].margin_db >= r.margin_db))
      r.margin_db = m[i].margin_db, r.worst_item = static_cast<int>(i),
      r.worst_at_mhz = m[i].at_mhz;
  r.rounded_margin_db = rounded.margin;
  if (options.objective == ValueObjective::Yield) {
    r.yield_percent = best_score.yield;
    r.rounded_yield_percent = rounded.yield;
  }
  r.evaluations = search.evaluations();
  r.stopped = search.stopped();
  return r;
}

// --- Refinement toward a loss curve -----------------------------------------------
//
// Levenberg-Marquardt on the residuals loss(f_j) - target_j: the problem is a
// smooth least-squares fit, for which the Gauss-Newton model with a damping
// that shrinks as the steps succeed converges in a few steps where a general
// derivative-free method needs thousands of evaluations. The variables are
// the logarithms of the ratios to the start values, held to the bound by
// projection; the Jacobian is by forward differences, column by column in
// parallel.

std::vector<double> loss_db(const Ladder& ladder, const PartModel& losses, Complex zs, Complex zl,
                            std::span<const double> f_mhz) {
  const PreparedNetwork net(ladder);
  std::vector<double> out;
  out.reserve(f_mhz.size());
  for (double f : f_mhz) {
    if (!(f > 0) || !std::isfinite(f)) throw std::invalid_argument("frequencies must be positive");
    out.push_back(-20.0 * std::log10(std::abs(transfer(net.chain_matrix(f, losses), zs, zl).s21)));
  }
  return out;
}

namespace {

// Solves a x = b (n by n, row-major) by Gaussian elimination with partial
// pivoting; false for a singular matrix.
bool solve(std::vector<double> a, std::vector<double>& b) {
  const std::size_t n = b.size();
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t p = k;
    for (std::size_t i = k + 1; i < n; ++i)
      if (std::abs(a[i * n + k]) > std::abs(a[p * n + k])) p = i;
    if (!(std::abs(a[p * n + k]) > 0)) return false;
    if (p != k) {
      for (std::size_t j = 0; j < n; ++j) std::swap(a[k * n + j], a[p * n + j]);
      std::swap(b[k], b[p]);
    }
    for (std::size_t i = k + 1; i < n; ++i) {
      const double m = a[i * n + k] / a[k * n + k];
      for (std::size_t j = k; j < n; ++j) a[i * n + j] -= m * a[k * n + j];
      b[i] -= m * b[k];
    }
  }
  for (std::size_t k = n; k-- > 0;) {
    for (std::size_t j = k + 1; j < n; ++j) b[k] -= a[k * n + j] * b[j];
    b[k] /= a[k * n + k];
  }
  return true;
}

double sum_squares(const std::vector<double>& r) {
  double s = 0;
  for (double x : r) s += x * x;
  return std::isfinite(s) ? s : kInf;
}

}  // namespace

RefineResult refine_to_loss(const Ladder& start, const PartModel& losses, Complex zs, Complex zl,
                            const LossTarget& target, const RefineOptions& options) {
  if (target.f_mhz.empty() || target.f_mhz.size() != target.loss_db.size())
    throw std::invalid_argument("the target needs one loss for each of at least one frequency");
  for (double t : target.loss_db)
    if (!std::isfinite(t)) throw std::invalid_argument("target losses must be finite");
  if (!(options.bound > 0 && options.bound < 1))
    throw std::invalid_argument("the bound must be between 0 and 1");
  if (options.max_iterations < 0) throw std::invalid_argument("the iterations cannot be negative");

  std::vector<ElementRef> vars;
  std::vector<double> base;
  for (const ElementRef& e : ladder_elements(start)) {
    const double v = element_value(start, e);
    if (!std::isfinite(v) || v < 0)
      throw std::invalid_argument("element values must be finite and not negative");
    if (v > 0 && !is_measured(losses, e)) vars.push_back(e), base.push_back(v);
  }
  const std::size_t n = vars.size(), m = target.f_mhz.size();
  const double lo = std::log(1 - options.bound), hi = std::log(1 + options.bound);

  RefineResult out;
  const auto ladder_at = [&](const std::vector<double>& u) {
    Ladder lad = start;
    for (std::size_t k = 0; k < n; ++k) element_value(lad, vars[k]) = base[k] * std::exp(u[k]);
    return lad;
  };
  const auto residuals = [&](const std::vector<double>& u) {
    std::vector<double> r = loss_db(ladder_at(u), losses, zs, zl, target.f_mhz);
    for (std::size_t j = 0; j < m; ++j) r[j] -= target.loss_db[j];
    return r;
  };

  std::vector<double> u(n, 0.0);
  std::vector<double> r = residuals(u);
  ++out.evaluations;
  double cost = sum_squares(r);
  out.start_rms_error_db = std::sqrt(cost / static_cast<double>(m));
  double lambda = 1e-3;
  const unsigned threads = thread_count(options.threads);
  bool converged = false;
  for (int it = 0; it < options.max_iterations && n > 0 && cost > 0 && !converged; ++it) {
    out.iterations = it + 1;
    std::vector<std::vector<double>> jac(n);  // jac[k][j] = d r_j / d u_k
    parallel_for(n, std::min<unsigned>(threads, static_cast<unsigned>(n)), [&](std::size_t k) {
      std::vector<double> v = u;
      const double h = v[k] + 1e-6 > hi ? -1e-6 : 1e-6;
      v[k] += h;
      jac[k] = residuals(v);
      for (std::size_t j = 0; j < m; ++j) jac[k][j] = (jac[k][j] - r[j]) / h;
    });
    out.evaluations += static_cast<int64_t>(n);
    std::vector<double> jtj(n * n), jtr(n);
    for (std::size_t a = 0; a < n; ++a) {
      for (std::size_t j = 0; j < m; ++j) jtr[a] -= jac[a][j] * r[j];
      for (std::size_t b = a; b < n; ++b) {
        double s = 0;
        for (std::size_t j = 0; j < m; ++j) s += jac[a][j] * jac[b][j];
        jtj[a * n + b] = jtj[b * n + a] = s;
      }
    }
    bool accepted = false;
    for (int tries = 0; tries < 12 && !accepted; ++tries) {
      std::vector<double> damped = jtj, step = jtr;
      for (std::size_t a = 0; a < n; ++a)
        damped[a * n + a] += lambda * std::max(jtj[a * n + a], 1e-12);
      if (solve(damped, step)) {
        std::vector<double> next = u;
        for (std::size_t a = 0; a < n; ++a) next[a] = std::clamp(u[a] + step[a], lo, hi);
        std::vector<double> rn = residuals(next);
        ++out.evaluations;
        const double c = sum_squares(rn);
        if (c < cost) {
          const double before = std::sqrt(cost / static_cast<double>(m));
          u = next, r = rn, cost = c, accepted = true;
          // A small gain counts as convergence only for a step near the
          // Gauss-Newton one; a heavily damped step is small for another reason.
          converged = lambda < 1 &&
                      before - std::sqrt(cost / static_cast<double>(m)) < options.tolerance_db;
          lambda = std::max(lambda / 3, 1e-12);
        }
      }
      if (!accepted) lambda *= 4;
    }
    if (!accepted) break;
  }
  out.ladder = ladder_at(u);
  out.rms_error_db = std::sqrt(cost / static_cast<double>(m));
  for (std::size_t j = 0; j < m; ++j)
    if (std::abs(r[j]) > out.max_error_db)
      out.max_error_db = std::abs(r[j]), out.max_error_at_mhz = target.f_mhz[j];
  return out;
}

}  // namespace varnholt

// Component tolerances: Monte Carlo trials of a ladder with its element values
// drawn around the nominal ones, the share of trials that meet a pass mask,
// and the spread of the response over frequency.
//
// Reproducibility: trial t of a run with seed s draws its values from its own
// std::mt19937_64 seeded through std::seed_seq{s low, s high, t low, t high}
// (both fully specified by the C++ standard) and turns them into uniform and
// normal numbers with this file's own transforms, so a trial's values depend
// only on (s, t): the results are the same on any number of threads.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <limits>
#include <vector>

#include "ladder/ladder.h"
#include "ladder/network.h"

namespace varnholt {

enum class Spread : uint8_t {
  Uniform,  // every value in nominal * (1 +- P / 100), evenly
  Normal,   // normal about the nominal with P / 100 as three standard deviations (not truncated)
};

// Tolerances in percent (0 <= P < 100) of the inductors and the capacitors.
struct Tolerances {
  double inductor_percent = 0.0;
  double capacitor_percent = 0.0;
  Spread spread = Spread::Uniform;
};

// The ladder of trial `trial` in the run seeded `seed`: each element the shape
// uses (in ladder_elements order) times its own random factor.
Ladder perturbed(const Ladder& nominal, const Tolerances& tol, uint64_t seed, uint64_t trial);

// The pass mask. Losses are positive dB (loss = -S21 dB, return loss = -S11 dB).
// A passband is checked at its two edges and at every sweep frequency between.
struct Passband {
  double lo_mhz = 0.0, hi_mhz = 0.0;
};
struct StopPoint {
  double f_mhz = 0.0;
  double min_loss_db = 0.0;  // at least this loss at f
};
struct Mask {
  std::vector<Passband> passbands;
  double max_passband_loss_db = std::numeric_limits<double>::infinity();  // inf: no limit
  double min_return_loss_db = -std::numeric_limits<double>::infinity();   // -inf: no limit
  std::vector<StopPoint> stop;
};

// One requirement of a mask, with how many trials failed it.
struct MaskItem {
  enum class Kind : uint8_t { PassbandLoss, ReturnLoss, StopLoss };
  Kind kind = Kind::PassbandLoss;
  std::size_t index = 0;  // the passband (PassbandLoss, ReturnLoss) or the stop point
  int failures = 0;
};

// The requirements of a mask: for each passband its loss and its return loss
// (each only when limited), then every stop point, in that order.
std::vector<MaskItem> mask_items(const Mask& mask);

// How far the ladder keeps inside each item of mask_items(mask): the margin
// (dB; negative outside the mask) at the item's worst frequency.
struct MaskMargin {
  double margin_db = 0.0;
  double at_mhz = 0.0;
};
std::vector<MaskMargin> mask_margins(const Ladder& ladder, const PartModel& losses, Complex zs,
                                     Complex zl, const Mask& mask,
                                     std::span<const double> sweep_mhz);

// Whether the ladder fails each item of mask_items(mask) (one flag per item).
std::vector<bool> mask_failures(const Ladder& ladder, const PartModel& losses, Complex zs, Complex zl,
                                const Mask& mask, std::span<const double> sweep_mhz);

struct Percentiles {
  double p5 = 0.0, p50 = 0.0, p95 = 0.0;  // linear between order statistics
};

struct YieldOptions {
  // {trials, seed, threads}, as callers write them, without naming the progress.
  YieldOptions(int trials_ = 1000, uint64_t seed_ = 1, unsigned threads_ = 0)
      : trials(trials_), seed(seed_), threads(threads_) {}
  int trials = 1000;
  uint64_t seed = 1;
  unsigned threads = 0;  // 0: std::thread::hardware_concurrency()
  // Called after each trial that the calling thread runs, with the trials
  // done so far, and then before each frequency's percentiles it works out
  // (all trials done); an exception it throws abandons the run and leaves
  // analyse_yield (a caller that can be interrupted stops the work so).
  std::function<void(int64_t done, int64_t total)> progress;
};

struct YieldResult {
  int trials = 0;
  int passed = 0;
  double yield_percent = 0.0;
  std::vector<MaskItem> items;  // mask_items(mask) with their failure counts
  int most_failed = -1;  // the item failed most often (the first on a tie); -1: none failed
  std::vector<double> f_mhz;    // the sweep
  std::vector<Percentiles> s21_db, s11_db;  // per sweep frequency, over the trials
};

// Runs the trials of the ladder between zs and zl (positive resistances) over
// the sweep. Memory: 8 bytes per trial and sweep frequency, at most
// kMaxYieldSamples of them. Throws std::invalid_argument for bad tolerances,
// losses, terminations, trials < 1, trials times frequencies above the limit,
// a passband with lo > hi or a non-positive frequency.
// An inductor SRF in `losses` gives every trial the nominal inductors'
// parallel capacitances (holding_self_capacitance), not its own L's.
// `adjust`, when given, changes each trial's ladder before it is analysed
// and checked (an alignment, as on the bench). It must depend on the ladder
// alone, so that a trial's result stays that of (seed, trial) on any number
// of threads, and may be called from several threads at once.
inline constexpr std::size_t kMaxYieldSamples = 100'000'000;
using TrialAdjustment = std::function<Ladder(const Ladder&)>;
YieldResult analyse_yield(const Ladder& nominal, const PartModel& losses, Complex zs, Complex zl,
                          const Tolerances& tol, const Mask& mask,
                          std::span<const double> sweep_mhz, const YieldOptions& options = {},
                          const TrialAdjustment& adjust = {});

}  // namespace varnholt

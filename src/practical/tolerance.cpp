#include "practical/tolerance.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <numbers>
#include <random>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "common/parallel.h"
#include "practical/elements.h"

namespace varnholt {
namespace {

// [0, 1) from the top 53 bits.
double unit(std::mt19937_64& rng) { return static_cast<double>(rng() >> 11) * 0x1.0p-53; }

// Standard normal by Box-Muller (one of the pair; 1 - u keeps the log finite).
double standard_normal(std::mt19937_64& rng) {
  const double radius = std::sqrt(-2.0 * std::log(1.0 - unit(rng)));
  return radius * std::cos(2.0 * std::numbers::pi * unit(rng));
}

double draw_factor(std::mt19937_64& rng, double percent, Spread spread) {
  const double p = percent / 100.0;
  return spread == Spread::Uniform ? 1.0 + p * (2.0 * unit(rng) - 1.0)
                                   : 1.0 + p / 3.0 * standard_normal(rng);
}

void check_tolerances(const Tolerances& t) {
  for (double p : {t.inductor_percent, t.capacitor_percent})
    if (!(p >= 0.0 && p < 100.0)) throw std::invalid_argument("a tolerance must be 0 to <100 %");
}

void check_frequency(double f) {
  if (!(f > 0.0) || !std::isfinite(f)) throw std::invalid_argument("frequencies must be positive");
}

void check_mask(const Mask& mask, std::span<const double> sweep) {
  for (double f : sweep) check_frequency(f);
  for (const Passband& b : mask.passbands) {
    check_frequency(b.lo_mhz);
    check_frequency(b.hi_mhz);
    if (b.lo_mhz > b.hi_mhz)
      throw std::invalid_argument("a passband's lower edge is above its upper");
  }
  for (const StopPoint& s : mask.stop) check_frequency(s.f_mhz);
}

struct Db {
  double s21, s11;
};

Db response_db(const Abcd& m, Complex zs, Complex zl) {
  const Transfer t = transfer(m, zs, zl);
  const auto power = [](Complex z) { return z.real() * z.real() + z.imag() * z.imag(); };
  return {10.0 * std::log10(power(t.s21)), 10.0 * std::log10(power(t.s11))};
}

Db response_db(const PreparedNetwork& ladder, double f, const PartModel& losses, Complex zs,
               Complex zl) {
  return response_db(ladder.chain_matrix(f, losses), zs, zl);
}

// The worst passband loss and return loss of one band (and where they
// occur), from the edges and the sweep points inside; `sweep_db` holds the
// response at the sweep frequencies.
struct BandWorst {
  Db db{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  double s21_at = 0.0, s11_at = 0.0;
};
BandWorst worst_in_band(const PreparedNetwork& ladder, const PartModel& losses, Complex zs,
                        Complex zl, const Passband& band, std::span<const double> sweep,
                        std::span<const Db> sweep_db) {
  BandWorst w;
  const auto see = [&w](double f, Db d) {
    if (d.s21 < w.db.s21) w.db.s21 = d.s21, w.s21_at = f;
    if (d.s11 > w.db.s11) w.db.s11 = d.s11, w.s11_at = f;
  };
  see(band.lo_mhz, response_db(ladder, band.lo_mhz, losses, zs, zl));
  for (std::size_t i = 0; i < sweep.size(); ++i)
    if (sweep[i] >= band.lo_mhz && sweep[i] <= band.hi_mhz) see(sweep[i], sweep_db[i]);
  see(band.hi_mhz, response_db(ladder, band.hi_mhz, losses, zs, zl));
  return w;
}

// Each item's margin: positive inside the mask, negative outside.
std::vector<MaskMargin> margins(const PreparedNetwork& ladder, const PartModel& losses, Complex zs,
                                Complex zl, const Mask& mask, const std::vector<MaskItem>& items,
                                std::span<const double> sweep, std::span<const Db> sweep_db) {
  std::vector<BandWorst> bands;
  for (const Passband& b : mask.passbands)
    bands.push_back(worst_in_band(ladder, losses, zs, zl, b, sweep, sweep_db));
  std::vector<MaskMargin> out;
  for (const MaskItem& item : items) {
    switch (item.kind) {
      case MaskItem::Kind::PassbandLoss: {
        const BandWorst& w = bands[item.index];
        out.push_back({mask.max_passband_loss_db + w.db.s21, w.s21_at});
        break;
      }
      case MaskItem::Kind::ReturnLoss: {
        const BandWorst& w = bands[item.index];
        out.push_back({-w.db.s11 - mask.min_return_loss_db, w.s11_at});
        break;
      }
      case MaskItem::Kind::StopLoss: {
        const StopPoint& s = mask.stop[item.index];
        out.push_back({-response_db(ladder, s.f_mhz, losses, zs, zl).s21 - s.min_loss_db, s.f_mhz});
        break;
      }
    }
  }
  return out;
}

std::vector<bool> failures(const PreparedNetwork& ladder, const PartModel& losses, Complex zs,
                           Complex zl, const Mask& mask, const std::vector<MaskItem>& items,
                           std::span<const double> sweep, std::span<const Db> sweep_db) {
  std::vector<bool> failed;
  for (const MaskMargin& m : margins(ladder, losses, zs, zl, mask, items, sweep, sweep_db))
    failed.push_back(m.margin_db < 0.0);
  return failed;
}

// p in [0, 1] of the values (reordered), linear between order statistics.
// The p-quantile of v, interpolated between order statistics; `from` is a
// place with nothing greater before it and nothing smaller from it on (the
// beginning, or just after the last order statistic found), so that the
// search can start there.
double percentile(std::vector<float>& v, double p, std::vector<float>::iterator& from) {
  const double pos = p * static_cast<double>(v.size() - 1);
  const auto lo = v.begin() + static_cast<std::ptrdiff_t>(std::floor(pos));
  if (lo < from) from = v.begin();
  std::nth_element(from, lo, v.end());
  from = lo + 1;
  const double a = *lo;
  if (from == v.end()) return a;
  const double b = *std::min_element(from, v.end());
  return a + (pos - static_cast<double>(lo - v.begin())) * (b - a);
}

// The 5th, 50th and 95th percentiles, each found above the one before.
Percentiles percentiles(std::vector<float>& v) {
  auto from = v.begin();
  const double p5 = percentile(v, 0.05, from);
  const double p50 = percentile(v, 0.50, from);
  return {p5, p50, percentile(v, 0.95, from)};
}

// Everything a trial keeps: its response at the sweep (dB, as float) and the
// items it failed. The responses are left uninitialised until each trial
// writes its own, so that the pages are first touched by the threads
// running the trials rather than cleared on one thread beforehand.
struct TrialStore {
  TrialStore(std::size_t points, std::size_t trials)
      : s21(std::make_unique_for_overwrite<float[]>(points * trials)),
        s11(std::make_unique_for_overwrite<float[]>(points * trials)),
        failed(trials) {}
  std::unique_ptr<float[]> s21, s11;        // [trial * points + i]
  std::vector<std::vector<bool>> failed;    // [trial]
};

}  // namespace

Ladder perturbed(const Ladder& nominal, const Tolerances& tol, uint64_t seed, uint64_t trial) {
  check_tolerances(tol);
  std::seed_seq seq{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32),
                    static_cast<uint32_t>(trial), static_cast<uint32_t>(trial >> 32)};
  std::mt19937_64 rng(seq);
  Ladder out = nominal;
  for (const ElementRef& e : ladder_elements(nominal))
    element_value(out, e) *=
        draw_factor(rng, e.inductor ? tol.inductor_percent : tol.capacitor_percent, tol.spread);
  return out;
}

std::vector<MaskItem> mask_items(const Mask& mask) {
  std::vector<MaskItem> items;
  for (std::size_t i = 0; i < mask.passbands.size(); ++i) {
    if (mask.max_passband_loss_db < std::numeric_limits<double>::infinity())
      items.push_back({MaskItem::Kind::PassbandLoss, i, 0});
    if (mask.min_return_loss_db > -std::numeric_limits<double>::infinity())
      items.push_back({MaskItem::Kind::ReturnLoss, i, 0});
  }
  for (std::size_t i = 0; i < mask.stop.size(); ++i)
    items.push_back({MaskItem::Kind::StopLoss, i, 0});
  return items;
}

std::vector<MaskMargin> mask_margins(const Ladder& ladder, const PartModel& losses, Complex zs,
                                     Complex zl, const Mask& mask,
                                     std::span<const double> sweep_mhz) {
  check_mask(mask, sweep_mhz);
  const PreparedNetwork net(ladder);
  std::vector<Db> db;
  for (double f : sweep_mhz) db.push_back(response_db(net, f, losses, zs, zl));
  return margins(net, losses, zs, zl, mask, mask_items(mask), sweep_mhz, db);
}

std::vector<bool> mask_failures(const Ladder& ladder, const PartModel& losses, Complex zs, Complex zl,
                                const Mask& mask, std::span<const double> sweep_mhz) {
  std::vector<bool> failed;
  for (const MaskMargin& m : mask_margins(ladder, losses, zs, zl, mask, sweep_mhz))
    failed.push_back(m.margin_db < 0.0);
  return failed;
}

YieldResult analyse_yield(const Ladder& nominal, const PartModel& losses, Complex zs, Complex zl,
                          const Tolerances& tol, const Mask& mask,
                          std::span<const double> sweep_mhz, const YieldOptions& options,
                          const TrialAdjustment& adjust) {
  check_tolerances(tol);
  check_mask(mask, sweep_mhz);
  if (options.trials < 1) throw std::invalid_argument("at least one trial is needed");
  if (sweep_mhz.size() > kMaxYieldSamples / static_cast<std::size_t>(options.trials))
    throw std::invalid_argument("too many trials times frequencies for the memory of a yield run");
  transfer(chain_matrix(nominal, 1.0, losses), zs, zl);  // throws on bad losses or terminations

  YieldResult r;
  r.trials = options.trials;
  r.items = mask_items(mask);
  r.f_mhz.assign(sweep_mhz.begin(), sweep_mhz.end());
  const std::size_t points = sweep_mhz.size(), trials = static_cast<std::size_t>(options.trials);
  TrialStore store(points, trials);

  // Each trial's inductors keep the nominal parts' self-capacitance.
  const PartModel trial_losses = holding_self_capacitance(losses, nominal);
  const PreparedSweep at_sweep(sweep_mhz, trial_losses);
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int64_t> done{0};
  const auto run_trial = [&](std::size_t t) {
    const Ladder drawn = perturbed(nominal, tol, options.seed, t);
    const PreparedNetwork lad(adjust ? adjust(drawn) : drawn);
    std::vector<Db> db(points);
    for (std::size_t i = 0; i < points; ++i) {
      db[i] = response_db(at_sweep.chain_matrix(lad, i), zs, zl);
      store.s21[t * points + i] = static_cast<float>(db[i].s21);
      store.s11[t * points + i] = static_cast<float>(db[i].s11);
    }
    store.failed[t] = failures(lad, trial_losses, zs, zl, mask, r.items, sweep_mhz, db);
    const int64_t finished = ++done;
    if (options.progress && std::this_thread::get_id() == caller) {
      options.progress(finished, static_cast<int64_t>(trials));
    }
  };
  unsigned threads = options.threads != 0 ? options.threads : std::thread::hardware_concurrency();
  threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(trials));
  parallel_for(trials, threads, run_trial);

  for (const std::vector<bool>& failed : store.failed) {
    bool pass = true;
    for (std::size_t i = 0; i < failed.size(); ++i)
      if (failed[i]) ++r.items[i].failures, pass = false;
    r.passed += pass ? 1 : 0;
  }
  r.yield_percent = 100.0 * r.passed / r.trials;
  int most = 0;
  for (std::size_t i = 0; i < r.items.size(); ++i) {
    if (r.items[i].failures <= most) continue;
    most = r.items[i].failures;
    r.most_failed = static_cast<int>(i);
  }

  r.s21_db.resize(points);
  r.s11_db.resize(points);
  parallel_for(points, threads, [&](std::size_t i) {
    // A caller that stops the trials can stop the percentiles of a long run too.
    if (options.progress && std::this_thread::get_id() == caller) {
      options.progress(static_cast<int64_t>(trials), static_cast<int64_t>(trials));
    }
    std::vector<float> column(trials);
    for (std::size_t t = 0; t < trials; ++t) column[t] = store.s21[t * points + i];
    r.s21_db[i] = percentiles(column);
    for (std::size_t t = 0; t < trials; ++t) column[t] = store.s11[t * points + i];
    r.s11_db[i] = percentiles(column);
  });
  return r;
}

}  // namespace varnholt

// A circuit's response over the sweep, as the outputs read it: a
// measurement's points held as read, a network's computed where they are
// read, a few rows at a time, so that an export of millions of points
// streams in constant memory. Every point is the same numbers whichever
// rows, thread or output computes it: the chains of a lossless ladder run
// several frequencies side by side with the operations of one alone.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ladder/ladder.h"
#include "ladder/network.h"
#include "pipeline/requests.h"

namespace varnholt {

// A circuit between the terminations it is evaluated with.
struct Circuit {
  std::string name;  // "Standard circuit", "Dual circuit", ...
  Ladder ladder;
  Termination source, load;
};

// The response at one sweep frequency, between the circuit's terminations.
struct Point {
  double s21_db = 0.0, s21_deg = 0.0, delay_ns = 0.0, s11_db = 0.0, vswr = 0.0;
  Complex zin, s11;
};

// A circuit (with its parts' losses and parasitics) read once for evaluation
// at many frequencies.
class Evaluator {
 public:
  explicit Evaluator(const Circuit& c, const PartModel& losses = {});
  Point at(double f_mhz) const;
  // The response at each frequency of f into out (as long).
  void points(std::span<const double> f, std::span<Point> out) const;
  // The response at every frequency of f, on all cores.
  std::vector<Point> over(std::span<const double> f) const;
  // The S-parameters of the ladder alone, referred to z0 ohms, at each
  // frequency of f into out (as long).
  void s_parameters(std::span<const double> f, double z0, std::span<SParameters> out) const;
  Complex zs() const { return zs_; }
  Complex zl() const { return zl_; }

 private:
  PreparedNetwork network_;
  PartModel losses_;
  Complex zs_, zl_;
};

// The rows of the sweep read at a time by the writers (a few kilobytes of
// points on the stack).
inline constexpr std::size_t kRowChunk = 64;

// The response of one circuit at the sweep's frequencies; none (empty) when
// the job has no such circuit.
class SweepResponse {
 public:
  SweepResponse() = default;
  explicit SweepResponse(std::vector<Point> held) : held_(std::move(held)) {}
  explicit SweepResponse(const Circuit& c, const PartModel& losses = {})
      : network_(std::make_shared<const Evaluator>(c, losses)) {}

  bool empty() const { return !network_ && held_.empty(); }
  // The points of rows begin, begin + 1, ... of the sweep f into out.
  void points(std::span<const double> f, std::size_t begin, std::span<Point> out) const;
  // Every row of the sweep f.
  std::vector<Point> over(std::span<const double> f) const;

 private:
  std::vector<Point> held_;
  std::shared_ptr<const Evaluator> network_;
};

}  // namespace varnholt

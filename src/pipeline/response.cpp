#include "pipeline/response.h"

#include <algorithm>
#include <stdexcept>

#include "common/parallel.h"

namespace varnholt {
namespace {

Point point_of(const AbcdSlope& chain, Complex zs, Complex zl) {
  const PortResponse p = port_response(chain, zs, zl);
  return {p.s21_db, p.s21_deg, p.delay_ns, p.s11_db, p.vswr, p.zin, p.s11};
}

// The results at each frequency of f into out: the chains of kRowChunk
// frequencies at a time formed by form(frequencies, chains) into a buffer on
// the stack, each then turned into its result by finish(chain).
template <typename Chain, typename Out, typename Form, typename Finish>
void by_chunks(std::span<const double> f, std::span<Out> out, Form form, Finish finish) {
  if (f.size() != out.size()) throw std::invalid_argument("as many frequencies as results");
  Chain chains[kRowChunk];
  for (std::size_t i = 0; i < f.size(); i += kRowChunk) {
    const std::size_t n = std::min(kRowChunk, f.size() - i);
    form(f.subspan(i, n), std::span<Chain>(chains, n));
    for (std::size_t k = 0; k < n; ++k) out[i + k] = finish(chains[k]);
  }
}

}  // namespace

Evaluator::Evaluator(const Circuit& c, const PartModel& losses)
    : network_(c.ladder), losses_(losses), zs_(c.source.r, c.source.x), zl_(c.load.r, c.load.x) {}

Point Evaluator::at(double f_mhz) const {
  return point_of(network_.chain_matrix_slope(f_mhz, losses_), zs_, zl_);
}

void Evaluator::points(std::span<const double> f, std::span<Point> out) const {
  by_chunks<AbcdSlope>(
      f, out, [&](auto at, auto chains) { network_.chain_matrix_slopes(at, losses_, chains); },
      [&](const AbcdSlope& chain) { return point_of(chain, zs_, zl_); });
}

std::vector<Point> Evaluator::over(std::span<const double> f) const {
  std::vector<Point> points_at(f.size());
  parallel_ranges(f.size(), [&](std::size_t begin, std::size_t end) {
    points(f.subspan(begin, end - begin), std::span(points_at).subspan(begin, end - begin));
  });
  return points_at;
}

void Evaluator::s_parameters(std::span<const double> f, double z0, std::span<SParameters> out) const {
  by_chunks<Abcd>(
      f, out, [&](auto at, auto chains) { network_.chain_matrices(at, losses_, chains); },
      [&](const Abcd& chain) { return varnholt::s_parameters(chain, z0); });
}

void SweepResponse::points(std::span<const double> f, std::size_t begin, std::span<Point> out) const {
  if (network_) {
    network_->points(f.subspan(begin, out.size()), out);
  } else {
    if (begin + out.size() > held_.size()) throw std::out_of_range("rows beyond the response held");
    std::copy_n(held_.begin() + static_cast<std::ptrdiff_t>(begin), out.size(), out.begin());
  }
}

std::vector<Point> SweepResponse::over(std::span<const double> f) const {
  return network_ ? network_->over(f) : held_;
}

}  // namespace varnholt

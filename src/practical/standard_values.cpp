#include "practical/standard_values.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <stdexcept>
#include <string>

namespace varnholt {
namespace {

// The published decades in hundredths.
constexpr std::array<int, 6> kE6{100, 150, 220, 330, 470, 680};
constexpr std::array<int, 12> kE12{100, 120, 150, 180, 220, 270, 330, 390, 470, 560, 680, 820};
constexpr std::array<int, 24> kE24{100, 110, 120, 130, 150, 160, 180, 200, 220, 240, 270, 300,
                                   330, 360, 390, 430, 470, 510, 560, 620, 680, 750, 820, 910};
constexpr std::array<int, 48> kE48{
    100, 105, 110, 115, 121, 127, 133, 140, 147, 154, 162, 169, 178, 187, 196, 205,
    215, 226, 237, 249, 261, 274, 287, 301, 316, 332, 348, 365, 383, 402, 422, 442,
    464, 487, 511, 536, 562, 590, 619, 649, 681, 715, 750, 787, 825, 866, 909, 953};
constexpr std::array<int, 96> kE96{
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
    147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
    215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
    316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
    464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976};
constexpr std::array<int, 192> kE192{
    100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113, 114, 115, 117, 118, 120,
    121, 123, 124, 126, 127, 129, 130, 132, 133, 135, 137, 138, 140, 142, 143, 145,
    147, 149, 150, 152, 154, 156, 158, 160, 162, 164, 165, 167, 169, 172, 174, 176,
    178, 180, 182, 184, 187, 189, 191, 193, 196, 198, 200, 203, 205, 208, 210, 213,
    215, 218, 221, 223, 226, 229, 232, 234, 237, 240, 243, 246, 249, 252, 255, 258,
    261, 264, 267, 271, 274, 277, 280, 284, 287, 291, 294, 298, 301, 305, 309, 312,
    316, 320, 324, 328, 332, 336, 340, 344, 348, 352, 357, 361, 365, 370, 374, 379,
    383, 388, 392, 397, 402, 407, 412, 417, 422, 427, 432, 437, 442, 448, 453, 459,
    464, 470, 475, 481, 487, 493, 499, 505, 511, 517, 523, 530, 536, 542, 549, 556,
    562, 569, 576, 583, 590, 597, 604, 612, 619, 626, 634, 642, 649, 657, 665, 673,
    681, 690, 698, 706, 715, 723, 732, 741, 750, 759, 768, 777, 787, 796, 806, 816,
    825, 835, 845, 856, 866, 876, 887, 898, 909, 920, 931, 942, 953, 965, 976, 988};

struct SeriesTable {
  std::string_view name;
  std::span<const int> hundredths;
};

constexpr std::array<SeriesTable, 6> kTables{{{"E6", kE6},
                                              {"E12", kE12},
                                              {"E24", kE24},
                                              {"E48", kE48},
                                              {"E96", kE96},
                                              {"E192", kE192}}};

// The decades as doubles (each the double nearest the decimal value).
const std::array<std::vector<double>, 6>& decimal_tables() {
  static const std::array<std::vector<double>, 6> tables = [] {
    std::array<std::vector<double>, 6> t;
    for (std::size_t i = 0; i < kTables.size(); ++i)
      for (int h : kTables[i].hundredths) t[i].push_back(h / 100.0);
    return t;
  }();
  return tables;
}

// hundredths * 10^exponent, correctly rounded: both factors are exact.
double scaled(int hundredths, int exponent) {
  return exponent >= 0 ? hundredths * std::pow(10.0, exponent)
                       : hundredths / std::pow(10.0, -exponent);
}

}  // namespace

std::span<const double> series_values(ESeries series) {
  return decimal_tables()[static_cast<std::size_t>(series)];
}

std::optional<ESeries> series_from_name(std::string_view name) {
  std::string upper(name);
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  for (std::size_t i = 0; i < kTables.size(); ++i)
    if (kTables[i].name == upper) return static_cast<ESeries>(i);
  return std::nullopt;
}

std::string_view series_name(ESeries series) {
  return kTables[static_cast<std::size_t>(series)].name;
}

double round_to_series(double value, ESeries series) {
  if (!std::isfinite(value) || value < 0.0)
    throw std::invalid_argument("only a finite, non-negative value can be rounded to a series");
  if (value == 0.0) return 0.0;
  const std::span<const int> table = kTables[static_cast<std::size_t>(series)].hundredths;
  // The mantissa m = value / 10^decade in [1, 10), corrected where the
  // logarithm or the division rounded across a decade boundary.
  int decade = static_cast<int>(std::floor(std::log10(value)));
  double m = value / std::pow(10.0, decade);
  if (m < 1.0) m = value / std::pow(10.0, --decade);
  if (m >= 10.0) m = value / std::pow(10.0, ++decade);
  const double hm = m * 100.0;
  const auto above = std::upper_bound(table.begin(), table.end(), hm,
                                      [](double x, int h) { return x < h; });
  const int lower = *(above - 1);  // table[0] = 100 <= hm
  const int upper = above == table.end() ? 1000 : *above;
  // Nearer on a log scale: compare m^2 with the product of the neighbours.
  const double geometric = double(lower) * upper;
  const bool up = hm * hm >= geometric * (1.0 - 1e-12);
  return scaled(up ? upper : lower, decade - 2);
}

std::vector<ElementRef> ladder_elements(const Ladder& ladder) {
  std::vector<ElementRef> out;
  for (std::size_t b = 0; b < ladder.branches.size(); ++b) {
    const BranchShape s = shape(ladder.branches[b].kind);
    for (int p = 0; p < s.pairs; ++p) {
      if (s.pair[static_cast<std::size_t>(p)].has_l) out.push_back({b, p, true});
      if (s.pair[static_cast<std::size_t>(p)].has_c) out.push_back({b, p, false});
    }
  }
  return out;
}

double& element_value(Ladder& ladder, const ElementRef& e) {
  Branch& b = ladder.branches.at(e.branch);
  const auto p = static_cast<std::size_t>(e.pair);
  return e.inductor ? b.l.at(p) : b.c.at(p);
}

double element_value(const Ladder& ladder, const ElementRef& e) {
  const Branch& b = ladder.branches.at(e.branch);
  const auto p = static_cast<std::size_t>(e.pair);
  return e.inductor ? b.l.at(p) : b.c.at(p);
}

RoundedLadder round_ladder(const Ladder& ideal, std::optional<ESeries> inductors,
                           std::optional<ESeries> capacitors) {
  RoundedLadder out{ideal, {}};
  for (const ElementRef& e : ladder_elements(ideal)) {
    double& v = element_value(out.ladder, e);
    const std::optional<ESeries> series = e.inductor ? inductors : capacitors;
    const double before = v;
    if (series) v = round_to_series(before, *series);
    out.elements.push_back({e, before, v, before == 0.0 ? 0.0 : 100.0 * (v - before) / before});
  }
  return out;
}

}  // namespace varnholt

// Preferred component values (the IEC 60063 E series) and the rounding of a
// ladder's ideal element values to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "ladder/ladder.h"

namespace varnholt {

enum class ESeries : uint8_t { E6, E12, E24, E48, E96, E192 };

// The values of one decade, 1 <= m < 10, ascending, as the standard publishes
// them (E6 to E24 keep their historical values such as 2.7 and 8.2; E192 has
// 9.20 where the geometric rule would give 9.19).
std::span<const double> series_values(ESeries series);

// "E6" ... "E192" (case-insensitive) to the series; nullopt for any other text.
std::optional<ESeries> series_from_name(std::string_view name);
std::string_view series_name(ESeries series);

// The value of the series nearest to `value` on a logarithmic scale, in
// whatever decade (9.6 -> 10 in E24, 0.95 -> 1.0 in E12). A value exactly
// (to a relative 1e-12) at the geometric mean of two neighbours rounds up.
// Zero stays zero; a negative or non-finite value throws std::invalid_argument.
double round_to_series(double value, ESeries series);

// One element of a ladder that its branch's shape uses: pair `pair` of
// branch `branch`, the inductor l[pair] or the capacitor c[pair].
struct ElementRef {
  std::size_t branch = 0;
  int pair = 0;
  bool inductor = true;
};

// The elements in ladder order (by branch, then pair, inductor before
// capacitor), only those the shapes use.
std::vector<ElementRef> ladder_elements(const Ladder& ladder);
double& element_value(Ladder& ladder, const ElementRef& e);  // nH or pF
double element_value(const Ladder& ladder, const ElementRef& e);

struct RoundedElement {
  ElementRef where;
  double ideal = 0.0;    // nH or pF
  double rounded = 0.0;  // nH or pF
  double error_percent = 0.0;  // 100 (rounded - ideal) / ideal; 0 for a zero value
};

struct RoundedLadder {
  Ladder ladder;  // the ladder with rounded values
  std::vector<RoundedElement> elements;  // every element, rounded or not
};

// Every inductor rounded to `inductors` and every capacitor to `capacitors`;
// nullopt leaves that kind at its ideal value. The ideal values are kept in
// `elements` for reporting.
RoundedLadder round_ladder(const Ladder& ideal, std::optional<ESeries> inductors,
                           std::optional<ESeries> capacitors);

}  // namespace varnholt

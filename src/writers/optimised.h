// The searched (--optimise) and refined (--refine) values in words and
// tables, for every writer: one text of each fact.
#pragma once

#include <string>
#include <vector>

#include "pipeline/result.h"

namespace varnholt {

// How an element is built: "82 pF", "82 pF || 4.7 pF", "150 pF + 220 pF in
// series", "31.4 pF (free)".
std::string parts_text(const ChosenValue& v);

// The values side by side: a header (Element, Ideal, Rounded, then Optimised
// or Refined), a row per element, then the worst margin and the yield of
// each column where known.
struct ValueTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  std::size_t elements = 0;  // rows[0 .. elements) are elements; the rest figures
};
ValueTable compared_values(const Result& r);

// What the search or the refinement did, a line each: its method, what it
// evaluated and where it stopped.
std::vector<std::string> value_method_lines(const Result& r);

// The comment lines of the exports: how the values were chosen and, for each
// element that is not one part of the series, its parts.
std::string value_comments(const Result& r);

}  // namespace varnholt

// The circuit diagram of a ladder between its source and load, as inline SVG.
#pragma once

#include <string>
#include <vector>

#include "ladder/ladder.h"

namespace varnholt::html {

struct Termination {
  double r = 50.0;  // ohms
  double x = 0.0;   // ohms
};

// The source (a generator with its resistance, or an impedance box when it
// has reactance), every branch left to right (series branches in the line,
// shunt branches to the ground rail), and the load. Each branch is drawn from
// shape(kind): its pairs of elements in series or in parallel, so any branch
// the shape table describes draws without change here. Inductor and capacitor
// symbols carry a designator numbered by ladder position (L3; L3a and L3b
// when a branch holds two) and the value in engineering units; each is a
// <g class="part" data-ref="..."> whose tooltip gives the exact value.
// Long ladders wrap onto further rows, the rows joined by lettered terminals;
// a row wraps only when the next part (with a terminal after it) does not
// fit and neither does the rest of the ladder. Every diagram is drawn to the
// same scale: one fixed width, so two circuits on a page compare part for
// part.
std::string schematic_svg(const std::string& id, const Ladder& ladder, Termination source,
                          Termination load);

// The designators of branch `index` (0-based) in drawing order, as used in
// the schematic: inductor first, then capacitor, pair by pair.
struct Designated {
  std::string ref;
  bool inductor = true;
  double value = 0.0;  // nH or pF
};
std::vector<Designated> branch_parts(const Branch& b, int index);

}  // namespace varnholt::html

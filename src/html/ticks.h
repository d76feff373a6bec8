// Axis limits and tick values that people can read: round numbers in steps
// of 1, 2 or 5 times a power of ten on linear axes, 1-2-5 values or decades on
// logarithmic ones.
#pragma once

#include <string>
#include <vector>

namespace varnholt::html {

struct AxisScale {
  double lo = 0.0;  // axis limits; every tick lies inside them
  double hi = 1.0;
  bool log = false;
  std::vector<double> ticks;        // increasing
  std::vector<std::string> labels;  // one per tick, as printed on the axis
};

// The smallest value 1, 2 or 5 times a power of ten that is >= raw (> 0).
double nice_step(double raw);

// Limits and ticks covering [lo, hi] (swapped if given the wrong way round).
// Linear: about `target` intervals of one 1-2-5 step, limits widened to whole
// steps. A range too narrow to divide (zero width, or below twelve significant
// digits of its midpoint) is widened around its midpoint first; non-finite
// limits give 0..1. Logarithmic (log = true): lo <= 0 is replaced by
// hi / 1000; a range of less than a decade is ticked like a linear one; up to
// three decades get the 1-2-5 values, more get the powers of ten alone, and
// the limits widen to the enclosing tick values.
AxisScale nice_scale(double lo, double hi, bool log = false, int target = 6);

}  // namespace varnholt::html

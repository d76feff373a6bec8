// A part of the ladder whose impedance comes from a measurement rather than
// from its value: the evaluator asks it for the impedance at each frequency
// instead of forming j w L or 1 / (j w C).
#pragma once

#include <complex>
#include <memory>
#include <vector>

#include "ladder/ladder.h"

namespace varnholt {

// The impedance of a measured part at one frequency and its derivative with
// respect to the angular frequency omega (ohms, ohm s / rad), from which the
// group delay follows as for the modelled elements.
struct PartImpedance {
  std::complex<double> z;
  std::complex<double> dz;
};

class MeasuredPart {
 public:
  virtual ~MeasuredPart() = default;
  // The part's impedance at f (MHz). Callers keep f inside the range the part
  // covers (or the range its extrapolation rule allows).
  virtual PartImpedance at(double f_mhz) const = 0;
};

// An element of the ladder replaced by a measured part.
struct MeasuredElement {
  ElementRef where;
  std::shared_ptr<const MeasuredPart> part;
};

}  // namespace varnholt

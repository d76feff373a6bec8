// A termination impedance.
#pragma once

namespace varnholt {

// r + j x, ohms.
struct Impedance {
  float r = 0.0f;
  float x = 0.0f;
};

}  // namespace varnholt

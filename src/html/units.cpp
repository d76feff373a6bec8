#include "html/units.h"

#include <cmath>

#include "html/svg.h"

namespace varnholt::html {
namespace {

// value in the base unit, scaled by the largest step (x1000) it reaches.
std::string scaled(double v, const char* const units[], int count) {
  if (!std::isfinite(v)) {
    return number(v) + " " + units[0];
  }
  int u = 0;
  while (u + 1 < count && std::fabs(v) >= 999.95) {
    v /= 1000.0;
    ++u;
  }
  return number(v, 4) + " " + units[u];
}

}  // namespace

std::string inductance_text(double nh) {
  static const char* const units[] = {"nH", "\u00b5H", "mH", "H"};
  return scaled(nh, units, 4);
}

std::string capacitance_text(double pf) {
  static const char* const units[] = {"pF", "nF", "\u00b5F", "mF", "F"};
  return scaled(pf, units, 5);
}

std::string resistance_text(double ohms, double reactance) {
  std::string s = number(ohms, 6);
  if (reactance != 0.0) {
    s += (reactance < 0 ? " - j" : " + j") + number(std::fabs(reactance), 6);
  }
  return s + " \u03a9";
}

}  // namespace varnholt::html

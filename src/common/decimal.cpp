#include "common/decimal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace varnholt {

std::optional<std::pair<double, int>> decimal_digits(double value) {
  double scale = 1.0;
  for (int places = 0; places <= 12; ++places, scale *= 10.0) {
    const double n = std::round(value * scale);
    if (std::fabs(n) < 0x1p52 && n / scale == value) return std::pair{n, places};
  }
  return std::nullopt;
}

double decimal_combine(double ka, double a, double kb, double b, double d) {
  const auto da = decimal_digits(a);
  const auto db = decimal_digits(b);
  if (da && db) {
    const int places = std::max(da->second, db->second);
    const double scale = std::pow(10.0, places);
    const double sum = ka * std::round(a * scale) + kb * std::round(b * scale);
    if (std::fabs(sum) < 0x1p53 && d * scale < 0x1p53) return sum / (d * scale);
  }
  return decimal_snap((ka * a + kb * b) / d);
}

double decimal_snap(double value, int digits) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return std::strtod(text, nullptr);
}

}  // namespace varnholt

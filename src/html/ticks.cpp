#include "html/ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace varnholt::html {
namespace {

// Decimal places that show every multiple of step exactly (at most 15).
int decimals_for(double step) {
  const int d = static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  return std::clamp(d, 0, 15);
}

std::string tick_label(double v, double step, double largest) {
  char buf[64];
  const int d = decimals_for(step);
  if (largest < 1e9 && (d <= 12 || largest < 1.0)) {
    std::snprintf(buf, sizeof buf, "%.*f", d, v);
  } else {
    // Enough significant digits to tell neighbouring ticks apart.
    const int sig = std::clamp(
        static_cast<int>(std::floor(std::log10(largest)) - std::floor(std::log10(step))) + 1, 1,
        15);
    std::snprintf(buf, sizeof buf, "%.*g", sig, v);
  }
  std::string s = buf;
  if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) {
    s.erase(0, 1);  // "-0.0" prints as "0.0"
  }
  return s;
}

void label_all(AxisScale& a, double step) {
  const double largest = std::max(std::fabs(a.lo), std::fabs(a.hi));
  for (const double t : a.ticks) {
    a.labels.push_back(a.log ? tick_label(t, std::pow(10.0, std::floor(std::log10(t))), largest)
                             : tick_label(t, step, largest));
  }
}

AxisScale linear_scale(double lo, double hi, int target, bool log) {
  AxisScale a;
  a.log = log;
  const double mid = lo / 2 + hi / 2;
  const double span = hi - lo;
  if (!(span > std::fabs(mid) * 1e-12)) {
    const double half = mid == 0.0 ? 1.0 : nice_step(std::fabs(mid) * 0.1);
    lo = mid - half;
    hi = mid + half;
    if (log && lo <= 0.0) {
      lo = mid / 2;
    }
  }
  const double raw = std::isfinite(hi - lo) ? (hi - lo) / target : hi / target - lo / target;
  const double step = nice_step(raw);
  const double first = std::floor(lo / step + 1e-9);
  const double last = std::ceil(hi / step - 1e-9);
  a.lo = first * step;
  a.hi = last * step;
  for (double i = first; i <= last; i += 1.0) {
    a.ticks.push_back(i * step);
  }
  if (log && a.lo <= 0.0) {  // a logarithmic axis keeps its positive start
    a.lo = lo;
    std::erase_if(a.ticks, [lo](double t) { return t < lo; });
  }
  label_all(a, step);
  return a;
}

// The 1-2-5 values of the decades from 10^d0 to 10^d1.
std::vector<double> one_two_five(int d0, int d1) {
  std::vector<double> v;
  for (int d = d0; d <= d1; ++d) {
    const double p = std::pow(10.0, d);
    v.insert(v.end(), {p, 2 * p, 5 * p});
  }
  return v;
}

AxisScale log_scale(double lo, double hi) {
  AxisScale a;
  a.log = true;
  const int d0 = static_cast<int>(std::floor(std::log10(lo) + 1e-12));
  const int d1 = static_cast<int>(std::ceil(std::log10(hi) - 1e-12));
  std::vector<double> candidates;
  if (d1 - d0 <= 3) {
    candidates = one_two_five(d0, d1);
  } else {
    for (int d = d0; d <= d1; ++d) {
      candidates.push_back(std::pow(10.0, d));
    }
  }
  // Widen to the nearest candidates that enclose the data.
  const double tol = 1e-9;
  a.lo = candidates.front();
  for (const double c : candidates) {
    if (c <= lo * (1 + tol)) {
      a.lo = c;
    }
  }
  a.hi = candidates.back();
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    if (*it >= hi * (1 - tol)) {
      a.hi = *it;
    }
  }
  for (const double c : candidates) {
    if (c >= a.lo && c <= a.hi) {
      a.ticks.push_back(c);
    }
  }
  label_all(a, 0.0);
  return a;
}

}  // namespace

double nice_step(double raw) {
  if (!(raw > 0.0) || !std::isfinite(raw)) {
    return 1.0;
  }
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * p >= raw * (1 - 1e-12)) {
      return m * p;
    }
  }
  return 10.0 * p;
}

AxisScale nice_scale(double lo, double hi, bool log, int target) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) {
    lo = log ? 1.0 : 0.0;
    hi = log ? 10.0 : 1.0;
  }
  if (lo > hi) {
    std::swap(lo, hi);
  }
  target = std::max(target, 2);
  if (!log) {
    return linear_scale(lo, hi, target, false);
  }
  if (hi <= 0.0) {
    return linear_scale(lo, hi, target, false);
  }
  if (lo <= 0.0) {
    lo = hi / 1000.0;
  }
  if (hi / lo < 10.0) {
    return linear_scale(lo, hi, target, true);
  }
  return log_scale(lo, hi);
}

}  // namespace varnholt::html

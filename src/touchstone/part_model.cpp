#include "touchstone/part_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

namespace varnholt {
namespace {

using Complex = std::complex<double>;

// How close to the fixture's form a measured chain matrix must be: A and D
// within this of 1, the fixture's zero entry within this of 0 once made
// dimensionless by the reference resistance.
constexpr double kFixtureTolerance = 1e-2;

constexpr double kRadPerMhz = 2e6 * std::numbers::pi;

std::string mhz(double f_hz) {
  std::ostringstream s;
  s.precision(9);
  s << f_hz / 1e6 << " MHz";
  return s.str();
}

}  // namespace

const char* fixture_name(Fixture f) {
  switch (f) {
    case Fixture::OnePort: return "one-port file";
    case Fixture::Series: return "series fixture";
    case Fixture::Shunt: return "shunt fixture";
  }
  return "";
}

// Every impedance a finite, non-zero number: an open or a short (an ideal
// part at 0 Hz) cannot be interpolated, in Z or in Y.
bool finite_impedances(const NetworkData& d, const PartData& out, std::string& why) {
  for (std::size_t i = 0; i < out.z.size(); ++i) {
    const Complex z = out.z[i];
    if (std::isfinite(z.real()) && std::isfinite(z.imag()) && z != Complex{}) continue;
    why = "at " + mhz(d.f_hz[i]) +
          " the part is an open or a short; expected a finite, non-zero impedance";
    return false;
  }
  return true;
}

std::optional<PartData> part_impedances(const NetworkData& full, std::string& why) {
  // A 0 Hz point (analysers and simulators often start there) is an ideal
  // part's open or short, which no interpolation can use: the part is read
  // from its first frequency above 0 Hz.
  NetworkData d = full;
  if (!d.f_hz.empty() && d.f_hz.front() == 0.0 && d.f_hz.size() > 1) {
    d.f_hz.erase(d.f_hz.begin());
    d.s.erase(d.s.begin());
  }
  PartData out;
  for (const double f : d.f_hz) out.f_mhz.push_back(f / 1e6);
  if (d.ports == 1) {
    for (std::size_t i = 0; i < d.f_hz.size(); ++i) out.z.push_back(impedance_of(d, i));
    if (!finite_impedances(d, out, why)) return std::nullopt;
    return out;
  }
  const double r0 = d.reference_ohms.empty() ? 50.0 : d.reference_ohms.front();
  std::vector<std::array<Complex, 4>> m;
  bool series = true, shunt = true;
  double series_worst = 0.0, shunt_worst = 0.0;
  for (std::size_t i = 0; i < d.f_hz.size(); ++i) {
    m.push_back(chain_matrix_of(d, i));
    const auto& [a, b, c, dd] = m.back();
    const bool unit = std::abs(a - 1.0) <= kFixtureTolerance && std::abs(dd - 1.0) <= kFixtureTolerance;
    const double c_r = std::abs(c) * r0, b_g = std::abs(b) / r0;
    series_worst = std::max(series_worst, c_r);
    shunt_worst = std::max(shunt_worst, b_g);
    series = series && unit && c_r <= kFixtureTolerance;
    shunt = shunt && unit && b_g <= kFixtureTolerance;
    if (!series && !shunt) {
      std::ostringstream s;
      s.precision(6);
      s << "at " << mhz(d.f_hz[i]) << " the two-port is neither a series fixture (C = 0, A = D = 1) "
        << "nor a shunt fixture (B = 0, A = D = 1): A = " << a << ", B = " << b << " ohms, C = " << c
        << " S, D = " << dd << "; expected one part between the ports or from the line to ground";
      why = s.str();
      return std::nullopt;
    }
  }
  // Both hold only where the part barely touches the line: the closer form decides.
  out.fixture = series && (!shunt || series_worst <= shunt_worst) ? Fixture::Series : Fixture::Shunt;
  for (const auto& [a, b, c, dd] : m) {
    out.z.push_back(out.fixture == Fixture::Series ? b : 1.0 / c);
  }
  if (!finite_impedances(d, out, why)) return std::nullopt;
  return out;
}

InterpolatedPart::InterpolatedPart(PartData data, bool inductor, bool extrapolate)
    : data_(std::move(data)), inductor_(inductor), extrapolate_(extrapolate) {}

// The nearest point's equivalent series L (or C) and resistance at f.
PartImpedance InterpolatedPart::held(std::size_t i, double f_mhz) const {
  const Complex z = data_.z[i];
  if (!extrapolate_) return {z, {}};
  const double w0 = data_.f_mhz[i] * kRadPerMhz, w = f_mhz * kRadPerMhz;
  if (inductor_ || z.imag() == 0.0) {
    const double l = z.imag() / w0;  // henries
    return {{z.real(), w * l}, {0.0, l}};
  }
  const double c = -1.0 / (w0 * z.imag());  // farads
  return {{z.real(), -1.0 / (w * c)}, {0.0, 1.0 / (w * w * c)}};
}

PartImpedance InterpolatedPart::at(double f_mhz) const {
  const std::vector<double>& f = data_.f_mhz;
  if (f_mhz <= f.front()) {
    if (f_mhz < f.front() || f.size() == 1) return held(0, f_mhz);
  } else if (f_mhz >= f.back()) {
    if (f_mhz > f.back()) return held(f.size() - 1, f_mhz);
  }
  // The segment [f[i], f[i + 1]] holding f_mhz (the last one at the top end).
  std::size_t i = static_cast<std::size_t>(std::upper_bound(f.begin(), f.end(), f_mhz) - f.begin());
  i = std::min(i, f.size() - 1) - 1;
  const double span = f[i + 1] - f[i];
  const double t = (f_mhz - f[i]) / span;
  const Complex z0 = data_.z[i], z1 = data_.z[i + 1];
  if (inductor_) {
    return {z0 + (z1 - z0) * t, (z1 - z0) / (span * kRadPerMhz)};
  }
  const Complex y0 = 1.0 / z0, y1 = 1.0 / z1;
  const Complex y = y0 + (y1 - y0) * t;
  const Complex dy = (y1 - y0) / (span * kRadPerMhz);
  return {1.0 / y, -dy / (y * y)};
}

}  // namespace varnholt

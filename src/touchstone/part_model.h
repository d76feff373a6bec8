// A part measured by a network analyser as the ladder uses it: its impedance
// at the file's frequencies, read from a one-port file or from a two-port
// measured in a series or a shunt fixture, and interpolated in between.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "ladder/measured_part.h"
#include "touchstone/touchstone.h"

namespace varnholt {

enum class Fixture { OnePort, Series, Shunt };

// "one-port file", "series fixture", "shunt fixture".
const char* fixture_name(Fixture f);

struct PartData {
  Fixture fixture = Fixture::OnePort;
  std::vector<double> f_mhz;             // increasing
  std::vector<std::complex<double>> z;   // the part's impedance, ohms
};

// The part's impedance at each frequency of `d`. A one-port gives
// Z = R (1 + S11) / (1 - S11); a two-port is a series fixture (chain matrix
// [[1, Z], [0, 1]]) or a shunt fixture ([[1, 0], [1 / Z, 1]]), which the
// matrix itself tells. Returns nullopt, with `why` naming the first frequency
// that fits neither, for a two-port that is no such fixture.
std::optional<PartData> part_impedances(const NetworkData& d, std::string& why);

// The part between its file's frequencies: an inductor's impedance linear in
// f, a capacitor's admittance linear in f (both exact for an ideal part),
// the derivative from the same interpolant. Outside the file's range, with
// `extrapolate`, the nearest point's equivalent series L (or C) and series
// resistance hold; without it the nearest point's value holds (callers keep
// the frequencies inside covers()).
class InterpolatedPart : public MeasuredPart {
 public:
  InterpolatedPart(PartData data, bool inductor, bool extrapolate);
  PartImpedance at(double f_mhz) const override;
  double from_mhz() const { return data_.f_mhz.front(); }
  double to_mhz() const { return data_.f_mhz.back(); }
  bool covers(double f_mhz) const { return f_mhz >= from_mhz() && f_mhz <= to_mhz(); }

 private:
  PartImpedance held(std::size_t i, double f_mhz) const;
  PartData data_;
  bool inductor_;
  bool extrapolate_;
};

}  // namespace varnholt

// Arbitrary bytes as network data, named both as a one-port and as a
// two-port file. The reader either refuses the bytes with a TouchstoneError
// or gives data that keeps its promises: the port count of the name (or of
// [Number of Ports]), one reference per port, positive and strictly
// increasing frequencies, finite S-parameters; and it reads the same bytes
// the same way twice.
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "touchstone/touchstone.h"

using namespace varnholt;
using varnholt::fuzz::require;

namespace {

bool finite(std::complex<double> v) { return std::isfinite(v.real()) && std::isfinite(v.imag()); }

void check(const NetworkData& d, int ports) {
  require(d.ports == ports, "port count other than the name's");
  require(d.reference_ohms.size() == static_cast<std::size_t>(ports), "not one reference per port");
  for (double r : d.reference_ohms) require(std::isfinite(r) && r > 0, "reference not positive");
  require(!d.f_hz.empty() && d.f_hz.size() == d.s.size(), "no data, or as many frequencies as values");
  for (std::size_t i = 0; i < d.f_hz.size(); ++i) {
    require(std::isfinite(d.f_hz[i]) && d.f_hz[i] > 0, "frequency not positive");
    require(i == 0 || d.f_hz[i] > d.f_hz[i - 1], "frequencies not increasing");
    for (int k = 0; k < (ports == 1 ? 1 : 4); ++k) {
      require(finite(d.s[i][static_cast<std::size_t>(k)]), "S-parameter not finite");
    }
    if (ports == 1) impedance_of(d, i);
    else chain_matrix_of(d, i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const auto& [name, ports] : {std::pair<std::string, int>{"part.s1p", 1}, {"part.s2p", 2}}) {
    NetworkData d;
    try {
      d = read_touchstone(text, name);
    } catch (const TouchstoneError& e) {
      require(std::string(e.what()).rfind(name + ":" + std::to_string(e.line()) + ": ", 0) == 0,
              "message without the file name and line");
      require(e.line() >= 1, "line number below 1");
      continue;
    }
    check(d, ports);
    const NetworkData again = read_touchstone(text, name);
    require(again.f_hz == d.f_hz && again.s == d.s, "the same bytes read differently");
  }
  return 0;
}

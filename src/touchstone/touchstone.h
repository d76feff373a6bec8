// Network data files as network analysers and part vendors write them:
// Touchstone 1.x (an option line "# <unit> <parameter> <format> R <ohms>",
// '!' comments, rows folded over any number of lines, the port count from
// the file name's extension .s1p / .s2p) and 2.0 ([Version] 2.0,
// [Number of Ports], [Two-Port Data Order], [Number of Frequencies],
// [Reference] per port, [Network Data], [End]). One and two ports.
//
// Whatever parameters the file holds (S, Y, Z, H or G, in MA, DB or RI),
// the reader gives S-parameters referred to each port's own reference
// resistance, frequencies in Hz.
#pragma once

#include <array>
#include <complex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// A file that is not valid network data: what() reads
// "NAME:LINE: <what was found>; expected <what the format holds there>".
class TouchstoneError : public std::runtime_error {
 public:
  TouchstoneError(const std::string& name, int line, const std::string& message);
  int line() const { return line_; }

 private:
  int line_;
};

struct NetworkData {
  int ports = 2;                   // 1 or 2
  std::vector<double> f_hz;        // strictly increasing, positive
  // Per frequency: {S11, S12, S21, S22} for two ports, {S11, -, -, -} for one.
  std::vector<std::array<std::complex<double>, 4>> s;
  std::vector<double> reference_ohms;  // one per port
};

// Reads `text`, the contents of the file `name` (whose extension gives a
// version 1 file's port count). Throws TouchstoneError.
//
// Only the first option line counts; later ones are ignored. In a version 1
// two-port, the first row whose frequency is not above the one before starts
// the noise data (rows of five numbers, read and left out). Frequencies must
// be positive and strictly increasing; at most 20,000,000 are read.
NetworkData read_touchstone(std::string_view text, const std::string& name);

// The chain (ABCD) matrix {A, B, C, D} of a two-port at data point i, from
// its S-parameters and the two ports' references (not finite where S21 = 0).
std::array<std::complex<double>, 4> chain_matrix_of(const NetworkData& d, std::size_t i);

// The impedance a one-port presents at data point i, R (1 + S11) / (1 - S11)
// (not finite where S11 = 1).
std::complex<double> impedance_of(const NetworkData& d, std::size_t i);

}  // namespace varnholt

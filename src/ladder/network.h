// Two-port response of a Ladder in double precision, with optional component
// losses: the path of the command-line exports, the lossy and toleranced
// analyses and the branch kinds the dialog's float cascade does not know.
// (The dialog's reports keep their own float cascade, bit for bit.)
#pragma once

#include <complex>
#include <limits>
#include <vector>

#include "ladder/ladder.h"
#include "ladder/measured_part.h"

namespace varnholt {

using Complex = std::complex<double>;

// Component quality factors. Infinite Q is lossless. With q_at_mhz > 0 the Q
// holds at that frequency and the series loss resistance is fixed there
// (R = 2 pi F L / Q, R = 1 / (2 pi F C Q)); with q_at_mhz = 0 the Q is the same
// at every frequency.
struct PartModel {
  double q_inductor = std::numeric_limits<double>::infinity();
  double q_capacitor = std::numeric_limits<double>::infinity();
  double q_at_mhz = 0.0;
  // Elements replaced by measured parts: the evaluator takes their impedance
  // from the part and ignores their value.
  std::vector<MeasuredElement> parts;
};

// A model of the Q alone (no measured parts).
inline PartModel with_quality(double q_inductor, double q_capacitor, double q_at_mhz = 0.0) {
  PartModel m;
  m.q_inductor = q_inductor;
  m.q_capacitor = q_capacitor;
  m.q_at_mhz = q_at_mhz;
  return m;
}

// Series loss resistance (ohms) of an inductor of l nH or a capacitor of c pF
// at f (MHz), as the evaluator uses it: at q_at_mhz when that is set (then the
// same at every f), otherwise at f itself. Lossless (infinite Q): 0. A
// netlist with fixed resistors is exact for a Q fixed at q_at_mhz, and exact
// only at f for a constant Q.
double inductor_loss_ohms(double l_nh, double f_mhz, const PartModel& losses);
double capacitor_loss_ohms(double c_pf, double f_mhz, const PartModel& losses);

// Chain (ABCD) matrix [[a, b], [c, d]].
struct Abcd {
  Complex a{1.0, 0.0}, b{0.0, 0.0}, c{0.0, 0.0}, d{1.0, 0.0};
};

// The chain matrix at f (MHz) and its derivative with respect to the angular
// frequency omega (rad/s), from which the group delay is exact.
struct AbcdSlope {
  Abcd m;
  Abcd dm;
};

// Every evaluation below throws std::invalid_argument for a Q that is not
// positive or a q_at_mhz that is negative or not finite.

// Impedance of one branch at f (MHz), ohms. An exact open (a tank at its
// resonance, a zero capacitance) is 1e100 ohms: the evaluator holds infinite
// immittances at that finite size so that a cascade through them stays finite.
// (A branch alone has no position in a ladder: measured parts do not apply.)
Complex branch_impedance(const Branch& b, double f_mhz, const PartModel& losses = {});

Abcd chain_matrix(const Ladder& ladder, double f_mhz, const PartModel& losses = {});
AbcdSlope chain_matrix_slope(const Ladder& ladder, double f_mhz, const PartModel& losses = {});

// A branch read for evaluation: its shape and its values in henries and farads.
struct PreparedBranch {
  Placement placement = Placement::Shunt;
  BranchShape shape{};
  std::array<double, 2> l{}, c{};
};
PreparedBranch prepare(const Branch& b);

// The ladder read once for evaluation at many frequencies, with the same
// results as chain_matrix(ladder, ...) and chain_matrix_slope(ladder, ...).
class PreparedNetwork {
 public:
  explicit PreparedNetwork(const Ladder& ladder);
  Abcd chain_matrix(double f_mhz, const PartModel& losses = {}) const;
  AbcdSlope chain_matrix_slope(double f_mhz, const PartModel& losses = {}) const;

 private:
  std::vector<PreparedBranch> branches_;
};

// S-parameters of the ladder alone, all ports referred to the real z0 (ohms).
struct SParameters {
  Complex s11, s21, s12, s22;
};
SParameters s_parameters(const Abcd& m, double z0);

// Transmission and input reflection between a source zs and a load zl (both
// with positive resistance; std::invalid_argument otherwise), as in
// PortResponse: the quick path when neither delay nor phase is wanted.
struct Transfer {
  Complex s21, s11;
};
Transfer transfer(const Abcd& m, Complex zs, Complex zl);

// The ladder between a source zs = Rs + jXs and a load zl = Rl + jXl at one
// frequency. S21 = 2 sqrt(Rs Rl) / (A zl + B + C zs zl + D zs): |S21|^2 is the
// power in the load over the power available from the source (the transducer
// gain), for complex terminations as for real ones. A lossless ladder has
// |S11|^2 + |S21|^2 = 1. zin is infinite (real part) where C zl + D = 0.
// Throws std::invalid_argument unless Rs > 0 and Rl > 0.
struct PortResponse {
  double s21_db = 0.0;     // transducer gain, dB (negative: loss)
  double s21_deg = 0.0;    // phase of the transmission, degrees in (-180, 180]
  double delay_ns = 0.0;   // group delay, -d(phase)/d(omega), ns
  double s11_db = 0.0;     // input reflection, dB: the power wave (zin - zs*) / (zin + zs)
  double vswr = 0.0;       // (1 + |S11|) / (1 - |S11|), infinite at total reflection
  Complex zin;             // input impedance with the load connected, ohms
  Complex s21;             // the transmission coefficient itself
  Complex s11;             // the input reflection itself
};
PortResponse port_response(const AbcdSlope& m, Complex zs, Complex zl);

}  // namespace varnholt

// Two-port response of a Ladder in double precision, with optional component
// losses: the path of the command-line exports, the lossy and toleranced
// analyses and the branch kinds the dialog's float cascade does not know.
// (The dialog's reports keep their own float cascade, bit for bit.)
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "ladder/ladder.h"
#include "ladder/measured_part.h"

namespace varnholt {

using Complex = std::complex<double>;

// How the loss resistances follow the frequency from the frequency of the Q:
// the one table of the laws, read by the command line, its help and the
// outputs that state the model.
enum class QLaw : uint8_t {
  Constant,  // the same Q at every frequency (R = w L / Q, R = 1 / (w C Q) at each w)
  Linear,    // R fixed at its value at F: an inductor's Q rises in proportion to f
  Sqrt,      // R grows with sqrt(f / F) (skin effect of wound inductors)
};
struct QLawText {
  QLaw law;
  const char* name;   // as typed after --q-model
  const char* words;  // how the reports state it (after the frequency of the Q, if any)
  const char* help;
};
inline constexpr QLawText kQLaws[] = {
    {QLaw::Constant, "constant", "the same at every frequency",
     "the same Q at every frequency (the default without --q-at)"},
    {QLaw::Linear, "linear",
     "loss resistances fixed at their value there (an inductor's Q rising in proportion to f)",
     "loss resistances fixed at their value at --q-at (the default with --q-at)"},
    {QLaw::Sqrt, "sqrt",
     "loss resistances growing with the square root of f over that frequency (skin effect)",
     "loss resistances growing with sqrt(f / F) from F = --q-at (skin effect)"},
};
const QLawText& q_law_text(QLaw law);

// The model of real parts. Component quality factors: infinite Q is
// lossless. With q_at_mhz > 0 the Q holds at that frequency F and q_law says
// how the series loss resistances (R = 2 pi F L / Q, R = 1 / (2 pi F C Q) at
// F) follow f; with q_at_mhz = 0 the Q is the same at every frequency.
// Parasitics (zero: none), each applied to every element that has a value:
//  - inductors: a capacitance across each (the loss resistor inside it),
//    from the self-resonant frequency (Cp = 1 / ((2 pi SRF)^2 L), each from
//    its own L) or one value for all;
//  - capacitors: an inductance and a resistance in series with each (the
//    ESR adds to the Q's loss resistance);
//  - the line: a capacitance to ground at every node of the ladder's line,
//    the input, the output and every node after a series branch (never the
//    inner node of a pair or of a branch's two pairs).
struct PartModel {
  double q_inductor = std::numeric_limits<double>::infinity();
  double q_capacitor = std::numeric_limits<double>::infinity();
  double q_at_mhz = 0.0;
  QLaw q_law = QLaw::Linear;  // with q_at_mhz > 0
  double inductor_srf_mhz = 0.0;
  double inductor_cp_pf = 0.0;
  double capacitor_esl_nh = 0.0;
  double capacitor_esr_ohms = 0.0;
  double node_pf = 0.0;
  // The inductors' parallel capacitance held per element (pF, [branch][pair])
  // instead of following each L from the SRF: see holding_self_capacitance.
  std::vector<std::array<double, 2>> held_cp_pf;
  // Elements replaced by measured parts: the evaluator takes their impedance
  // from the part and ignores their value and the element parasitics (the
  // measurement includes them).
  std::vector<MeasuredElement> parts;

  // The law in force: constant without a frequency of the Q.
  QLaw law() const { return q_at_mhz > 0.0 ? q_law : QLaw::Constant; }
  bool lossy() const;      // a finite Q
  bool parasitic() const;  // any parasitic
};

// A model of the Q alone (no measured parts).
inline PartModel with_quality(double q_inductor, double q_capacitor, double q_at_mhz = 0.0) {
  PartModel m;
  m.q_inductor = q_inductor;
  m.q_capacitor = q_capacitor;
  m.q_at_mhz = q_at_mhz;
  return m;
}

// The model with each inductor's SRF capacitance taken from `nominal` and
// held (a part's self-capacitance is set by its winding, which its
// inductance tolerance hardly moves): the model of the trials drawn around
// that ladder. Without an SRF the model as it is.
PartModel holding_self_capacitance(const PartModel& model, const Ladder& nominal);

// Series loss resistance (ohms) of an inductor of l nH or a capacitor of c pF
// at f (MHz), as the evaluator uses it, following the model's law (the ESR
// not included). Lossless (infinite Q): 0. A netlist with fixed resistors is
// exact for the linear law, and exact only at f for the others.
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
// positive, a q_at_mhz that is negative or not finite, or a parasitic that
// is negative or not finite.

// Impedance of one branch at f (MHz), ohms. An exact open (a tank at its
// resonance, a zero capacitance) is 1e100 ohms: the evaluator holds infinite
// immittances at that finite size so that a cascade through them stays finite.
// (A branch alone has no position in a ladder: measured parts, held
// capacitances and node capacitances do not apply.)
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
  // The same at every frequency of f_mhz into out (as long), several at a
  // time where the ladder is lossless: the results are bit for bit those of
  // one frequency at a time.
  void chain_matrices(std::span<const double> f_mhz, const PartModel& losses,
                      std::span<Abcd> out) const;
  void chain_matrix_slopes(std::span<const double> f_mhz, const PartModel& losses,
                           std::span<AbcdSlope> out) const;

 private:
  friend class PreparedSweep;

 public:
  // How PreparedSweep evaluates each branch (None: the general way).
  enum class Direct : uint8_t { None, L, C, SeriesLC, Tank, ShuntL, ShuntC, ShuntSeriesLC, ShuntTank };

 private:
  std::vector<PreparedBranch> branches_;
  std::vector<Direct> direct_;
};

// The frequencies of a sweep and a model of the parts read once, for the
// chain matrices of many ladders there (the trials of a yield analysis): the
// per-frequency factors are computed once, and a lossy model without
// parasitics or measured parts on a ladder of single-pair branches takes a
// direct path with the very operations of the general one, so the results
// are those of net.chain_matrix(f_mhz[i], losses) bit for bit. Throws as
// the evaluation does for a bad model.
class PreparedSweep {
 public:
  PreparedSweep(std::span<const double> f_mhz, const PartModel& losses);
  Abcd chain_matrix(const PreparedNetwork& net, std::size_t i) const;

  // Per frequency: omega, an inductor's loss resistance per henry and the
  // capacitors' 1 / (1 + j k).
  struct Factors {
    double w, r_per_l;
    Complex cap_unit;
  };

 private:
  PartModel losses_;
  std::vector<double> f_mhz_;
  std::vector<Factors> factors_;  // empty where the direct path does not apply
};

// S-parameters of the ladder alone, all ports referred to the real z0 (ohms);
// S12 = S21, a ladder being reciprocal.
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

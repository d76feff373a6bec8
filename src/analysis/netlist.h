// SPICE netlist of a stored ladder between its terminations, for checking the
// analysis against an independent circuit simulator (ngspice in batch mode).
//
// The circuit written is the one the cascade analyses:
//   V1 src 0  AC 1          source EMF of 1 V, phase 0
//   RS src ..              source resistance zrs
//   XS .. ..               source reactance zis (see below)
//   VIN .. in  DC 0        ammeter: its current is the input current I1
//   positions 1..n from "in": a shunt branch to ground at the current node,
//                           or a series branch from it to a new node
//   VOUT .. out DC 0       ammeter between the last ladder node and the load
//   RL out ..  / XL .. 0   load resistance zrl and reactance zil
// Each branch is written from its shape (ladder.h): a pair in series gets an
// inner node, two pairs in series a node between them.
// Terminations: the program treats a reactance as constant over frequency,
// which no finite lumped element does. The netlist writes a positive reactance
// as an inductor X / w and a negative one as a capacitor -1 / (w X), and
// re-sizes it with "alter" before each analysis point, so that at every point
// the simulated reactance is exactly the one the program uses. A zero
// resistance or reactance is left out (a short).
//
// The control block runs one single-point AC analysis per requested frequency
// (so any list of frequencies can be analysed in one simulator run) and prints,
// with 15 significant digits, the frequency, V(out) (the load voltage V2),
// V(in) (the ladder input voltage V1) and the input current I1:
//   frequency = <re>,<im>
//   v(out) = <re>,<im>
//   v(in) = <re>,<im>
//   i(vin) = <re>,<im>
#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/impedance.h"
#include "common/stores.h"
#include "ladder/ladder.h"
#include "ladder/network.h"

namespace varnholt {

// Netlist of the ladder between source and load, analysed at each of
// freqs_mhz (MHz, positive) in the order given. Element values are written
// exactly as held (nH and pF converted to henries and farads).
std::string spice_netlist(const Ladder& ladder, Impedance source, Impedance load,
                          std::span<const double> freqs_mhz, std::string_view title);

// The ladder alone as subcircuit `name` with ports "in" and "out", branches
// as above (VOUT joins the last ladder node to "out"), ".subckt" to ".ends".
std::string spice_subcircuit(const Ladder& ladder, std::string_view name);

// The same with the model's real parts: each inductor and capacitor followed
// by its series loss resistor (element name with "R" before it), sized at
// loss_at_mhz as inductor_loss_ohms and capacitor_loss_ohms give it; each
// capacitor then by its ESR ("RESR" before its name) and ESL ("LESL"); a
// capacitor across each inductor and its loss resistor ("CP" before its
// name; from the SRF, from the inductor's own L); and a pad capacitor to
// ground at every node of the line (CPAD0 at "in", CPADk at the node after
// the series branch at position k).
std::string spice_subcircuit(const Ladder& ladder, std::string_view name, const PartModel& losses,
                             double loss_at_mhz);

// The circuit alone (title line to load, without an analysis or ".end"),
// with the termination reactances sized for f_mhz, for callers that write
// their own analysis.
std::string spice_circuit(const Ladder& ladder, Impedance source, Impedance load, double f_mhz,
                          std::string_view title);

// The same for positions 1..n (at most 31) of the ladder of the element
// stores, filter type ides, configuration icfg, between Zs = zrs + j zis and
// ZL = zrl + j zil.
std::string spice_netlist(const Capind& c, int32_t ides, int32_t icfg, int32_t n, float zrs,
                          float zis, float zrl, float zil, std::span<const double> freqs_mhz,
                          std::string_view title);

// One analysis point read back from the simulator's output.
struct SpicePoint {
  double f_mhz = 0.0;
  std::complex<double> v_out;  // load voltage V2, per volt of source EMF
  std::complex<double> v_in;   // ladder input voltage V1
  std::complex<double> i_in;   // ladder input current I1, amperes
};

// The points printed by the control block of spice_netlist, in order. A point
// is kept only when all four of its lines were read; anything else in the
// text (banners, notes) is ignored.
std::vector<SpicePoint> read_spice_points(std::string_view output);

}  // namespace varnholt

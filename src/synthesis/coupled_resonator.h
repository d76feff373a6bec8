// Narrow-band coupled-resonator band-pass filters from the low-pass prototype
// of an all-pole response (Chebyshev, Butterworth, Bessel, linear phase).
//
// With the fractional bandwidth w = (f2 - f1) / f0 at the geometric centre
// f0 = sqrt(f1 f2), the classical design asks of n synchronous resonators
//   external Q of the end resonators  Qe1 = g0 g1 / w,  Qen = gn gn+1 / w
//   coupling coefficients              k(i,i+1) = w / sqrt(gi gi+1)
// (normalised: q = g g, k = 1 / sqrt(g g), the values above times w).
// Each coupling element is an ideal inverter between its two resonators plus
// a negative element on each side (the pi of a series element, the T of a
// shunt one), which is taken from the resonators it loads; everything is
// evaluated at f0.
//
// Topologies (the ladder from the source):
//   top-c    shunt L || C resonators coupled by series capacitors:
//            J = w0 Cc = k b, b = 1 / (w0 L), each resonator's C short of
//            1 / (w0^2 L) by the coupling capacitors at its node.
//   top-l    shunt L || C resonators coupled by series inductors:
//            J = 1 / (w0 Lc) = k sqrt(bi bi+1); a coupling inductor's pi
//            leaves its positive half on both nodes, so a resonator's slope
//            is bi = 1 / (w0 L) + sum of its J (all L equal, the C differ).
//   shunt-c  series L + C resonators in the line coupled by shunt capacitors
//            (mesh coupling): K = 1 / (w0 Cc) = k x, x = w0 L, each
//            resonator's elastance 1 / C short of w0^2 L by 1 / Cc of the
//            coupling capacitors in its mesh.
// Ends. Without a resonator inductance the end resonators connect straight
// to the terminations: the source end's external Q fixes L (top-c:
// L = Rs / (w0 Qe1); top-l: L = Rs b1' / (w0 Qe1) with b1' the slope per
// 1 / (w0 L); shunt-c: L = Qe1 Rs / w0) and the load end's then fixes the
// load resistance. With a resonator inductance each end gets a coupling
// capacitor (series for top-c and top-l, shunt for shunt-c) sized so that the
// termination, seen through it at f0, gives the end resonator its external
// Q; the reactance it adds is taken from that resonator's capacitor.
// The termination seen through the capacitor varies with frequency unlike a
// capacitor of the same susceptance: the end resonator's slope is taken as
// loaded by it (b - (B/2 - (w0/2) dB/dw), dually for x), and the external Q
// and the couplings are computed from that loaded slope. The range of
// resonator inductance is where every element comes out positive and finite:
// top-c and top-l from the direct design's L (where the end capacitor
// becomes infinite) up to where an end resonator's C would vanish, shunt-c
// from where an end resonator's elastance would vanish up to the direct L.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/codes.h"
#include "ladder/ladder.h"

namespace varnholt {

enum class CoupledTopology : uint8_t { TopC, TopL, ShuntC };

// "top-c", "top-l", "shunt-c"; nothing for any other text.
std::optional<CoupledTopology> coupled_topology(std::string_view name);
std::string_view coupled_topology_name(CoupledTopology topology);

struct CoupledRequest {
  CoupledTopology topology = CoupledTopology::TopC;
  Response response = Response::Chebyshev;  // all-pole only
  int order = 0;                            // resonators, 2..30
  double ripple_db = 0.0;                   // Chebyshev only
  double lower_mhz = 0.0;                   // band edges f1 < f2
  double upper_mhz = 0.0;
  double source_ohms = 50.0;
  // With resonator_l_nh only: the load; 0 is the source resistance. Without
  // it the load follows from the design (CoupledDesign::load_ohms).
  double load_ohms = 0.0;
  std::optional<double> resonator_l_nh{};  // every resonator's inductor, nH
};

// One element of the design, named by its letter and branch position (the
// numbering of the netlist: "C3" is the capacitor of branch 3).
struct CoupledElement {
  std::string name;
  int branch = 0;         // 1-based position in the ladder
  bool inductor = false;  // otherwise a capacitor
  double value = 0.0;     // nH or pF
  std::string role;       // "resonator 2 tuning", "coupling 2-3", "source coupling", ...
};

struct CoupledDesign {
  Ladder ladder;            // branches from the source
  std::vector<double> g;    // the prototype, g[0] .. g[n + 1]
  double q_source = 0.0;    // normalised external q: g0 g1
  double q_load = 0.0;      // gn gn+1
  std::vector<double> k;    // normalised k(i,i+1) = 1 / sqrt(gi gi+1), n - 1 values
  double centre_mhz = 0.0;  // f0 = sqrt(f1 f2)
  double fractional_bandwidth = 0.0;
  double resonator_l_nh = 0.0;  // every resonator's inductor
  double source_ohms = 0.0;
  double load_ohms = 0.0;
  std::vector<int> resonators;           // 1-based branch positions of the resonators
  std::vector<CoupledElement> elements;  // in branch order
};

// The resonator inductances (nH) for which every element of the design with
// end coupling capacitors is positive and finite: the open interval
// (min_nh, max_nh), empty when min_nh >= max_nh (the bandwidth too wide for
// the topology). Throws as design_coupled does for a bad request.
struct InductanceRange {
  double min_nh = 0.0;
  double max_nh = 0.0;
};
InductanceRange coupled_resonator_l_range(const CoupledRequest& request);

// The design. Throws std::invalid_argument for a request outside the above
// (a response that is not all-pole, an order outside 2..30, edges not
// 0 < f1 < f2, a termination not positive), and for a resonator inductance
// that leaves an element zero, negative or infinite: the message names the
// element and the range of resonator inductance that works.
CoupledDesign design_coupled(const CoupledRequest& request);

// Alignment as on the bench: the ladder with each resonator's tuning
// capacitor (the C of a shunt L || C for top-c and top-l, the C of a series
// L + C for shunt-c) set so that the resonator, with its neighbouring
// resonators short-circuited, resonates at f0_mhz:
//   top-c, top-l  the neighbouring resonator nodes grounded: the resonator's
//                 node then sees its own L and C and each coupling element
//                 from the node to ground; C makes the node's susceptance
//                 zero at f0.
//   shunt-c       the dual: the neighbouring series resonators opened, so
//                 that the resonator's mesh is its L and C in series with the
//                 shunt coupling capacitors on both sides; C makes the mesh
//                 reactance zero at f0.
// An end resonator keeps its termination (source_ohms or load_ohms) through
// its end coupling element, if it has one, as on the bench where the end is
// tuned with the generator or detector connected; only the reactance
// counts. Throws std::invalid_argument when the ladder is not of the topology
// (resonators alternating with single coupling branches, at most one
// coupling branch at each end) or when no positive C resonates the resonator.
Ladder align_coupled(const Ladder& ladder, CoupledTopology topology, double f0_mhz,
                     double source_ohms, double load_ohms);

}  // namespace varnholt

// Elliptic (Cauer) filters: the normalised prototype from the exact elliptic
// rational function, its ladder realisation by zero shifting, and the scaled
// low-pass, high-pass, band-pass and band-stop circuits.
//
// Everything here is double precision, the extraction long double: the
// transmission zeros of a steep elliptic filter crowd against the passband
// edge, and extracting them one by one amplifies the error of each step, so
// the dialog's float path could not place the zeros or hold the ripple.
#pragma once

#include <complex>
#include <vector>

#include "common/codes.h"
#include "ladder/ladder.h"

namespace varnholt {

inline constexpr int kMinEllipticOrder = 2;
inline constexpr int kMaxEllipticOrder = 15;
inline constexpr double kMaxStopbandDb = 300.0;

// The low-pass prototype: passband edge 1 rad/s where the loss is exactly
// am_db, stopband from ws on with at least as_db everywhere. Odd orders are
// the classical response with equal terminations. Even orders are the
// modified response a ladder without coupled coils realises: the highest
// zero moved to infinity and the frequency axis remapped so that the ripple,
// the passband edge and as_db stay exact; ws moves up a little and the load
// differs from the source.
//
// The same description serves any low-pass prototype with finite
// transmission zeros whose ladder the zero shifting below realises
// (synthesis/inverse_chebyshev.h): `response` says which.
struct EllipticPrototype {
  Response response = Response::Elliptic;
  int order = 0;
  double am_db = 0.0;
  double as_db = 0.0;
  double ws = 0.0;                  // rad/s
  bool modified = false;            // even order, as above
  double epsilon = 0.0;             // ripple factor, sqrt(10^(am/10) - 1)
  double gain = 0.0;                // h: E = h prod(s - p), F = h s^(n mod 2) prod(s^2 + r^2)
  std::vector<double> zeros;        // finite transmission zeros, rad/s, ascending
  std::vector<double> reflection_zeros;  // loss zeros, rad/s (odd orders: one more, at 0)
  std::vector<std::complex<double>> poles;
};

// Throws std::invalid_argument unless 0 < am < as <= 300 and the order is 2..15.
EllipticPrototype elliptic_prototype(int order, double am_db, double as_db);

// The even-order modification above: the highest zero moved to infinity by
// w_a^2 = A w^2 / (1 + B w^2), which keeps 0 and 1 rad/s in place, with the
// zeros, reflection zeros, poles and ws moved along.
void move_highest_zero_to_infinity(EllipticPrototype& p);

// Transducer loss of the prototype at w rad/s, dB.
double prototype_loss_db(const EllipticPrototype& p, double w);

// The lowest order (2..15) whose stopband edge lies at or below ws (rad/s,
// beyond 1) for valid am and as; 0 when even order 15 does not reach it.
int elliptic_order(double am_db, double as_db, double ws);

// The ladder of the prototype between a 1 ohm source and load_ohms, standard
// form (shunt capacitors and series parallel-LC tanks; an even order ends in
// a series inductor). Values in H and F for 1 ohm and 1 rad/s. Of the orders
// of extraction of the zeros that give only positive elements, the one with
// the smallest spread of element values is taken. Throws std::runtime_error
// when no order gives positive elements.
struct NormalisedLadder {
  Ladder ladder;
  std::vector<double> zero;  // per branch: its transmission zero, rad/s, 0 when none
  double load_ohms = 1.0;
};
NormalisedLadder realise_prototype(const EllipticPrototype& p);

// A design request. Frequencies in MHz; fc for low- and high-pass, fl and fh
// (passband edges, geometric centre) for band-pass and band-stop. With
// order 0 the order is the lowest whose stopband edge reaches f1, and as_db
// is the attenuation required there.
struct EllipticRequest {
  FilterType type = FilterType::LowPass;
  Configuration configuration = Configuration::Standard;
  double am_db = 0.1;
  double as_db = 40.0;
  int order = 0;
  double f1_mhz = 0.0;
  double fc_mhz = 0.0;
  double fl_mhz = 0.0;
  double fh_mhz = 0.0;
  double zo = 50.0;
};

// One branch of the result with the frequencies (MHz) at which it blocks
// transmission: none, one (low- and high-pass) or two (band filters).
struct EllipticBranch {
  Branch branch;
  std::vector<double> zeros_mhz;
  Branch prototype;             // the low-pass prototype's branch: H and F, 1 ohm, 1 rad/s
  double prototype_zero = 0.0;  // its transmission zero, rad/s; 0 when none
};

struct EllipticDesign {
  EllipticRequest request;
  EllipticPrototype prototype;
  int order = 0;
  double source_ohms = 0.0;
  double load_ohms = 0.0;
  // The stopband edge(s) reached, MHz: one for low- and high-pass, the lower
  // and the upper for band filters.
  std::vector<double> stopband_mhz;
  std::vector<EllipticBranch> branches;
  Ladder ladder() const;
};

// Designs the filter. Throws std::invalid_argument with a message for the
// user when the request is malformed or needs more than 15 sections, and
// std::runtime_error when no ladder with positive elements realises the
// response, or the realised ladder's loss strays from the prototype's (by
// more than 0.001 dB in the passband or 0.01 dB in the stopband: orders near
// 15 with As far beyond 100 dB, or a stopband edge within 1e-6 of the
// passband edge).
EllipticDesign design_elliptic(const EllipticRequest& request);

// The skirt frequency f1 on the prototype's axis (1 at the passband edge),
// and the checks of design_elliptic (std::invalid_argument with a message).
double normalised_skirt(const EllipticRequest& request);
void check_request(const EllipticRequest& request);

// The design of a valid request (order, type, frequencies and zo as
// design_elliptic checks them) from its prototype, of any response: the
// ladder realised, scaled and checked as design_elliptic does it.
EllipticDesign design_from_prototype(const EllipticRequest& request,
                                     const EllipticPrototype& prototype);

}  // namespace varnholt

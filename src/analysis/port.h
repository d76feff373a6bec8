// Port quantities of a ladder between complex source and load impedances:
// transmission phase and loss, input impedance, reflection, VSWR, return loss
// and the finite-difference time delay. 32-bit float throughout, each
// operation rounded as written; no allocation, no state.
#pragma once

#include <cmath>
#include <cstdint>

#include "analysis/cascade.h"
#include "common/impedance.h"
#include "common/stores.h"
#include "common/units.h"

namespace varnholt {

// The parts of the port quantities that depend only on the terminations
// Zs (source) and ZL (load), formed once for a whole sweep.
struct Terminations {
  Impedance source;
  Impedance load;
  float temp = 0.0f;  // |ZL|^2
  float pr = 0.0f;    // Zs conj(ZL)
  float pim = 0.0f;
  float rootr = 0.0f;  // principal square root of Zs / ZL
  float rooti = 0.0f;
};

Terminations terminations(Impedance source, Impedance load);

// The terminations the analysis dialog stores: Zs = zrs + j zis, ZL = zrl + j zil.
Terminations terminations(const Imp1& z);

// What lddrtg gives with igd = 0.
struct PortValues {
  float il = 0.0f;
  float phf = 0.0f;
  float rtl = 0.0f;
  float vswr = 0.0f;
  float zini = 0.0f;
  float zinr = 0.0f;
};

// lddrtg(1, ...): the phase only, degrees.
float port_phase(const Terminations& t, const ChainMatrix& rs);
// lddrtg(0, ...): every quantity.
PortValues port_values(const Terminations& t, const ChainMatrix& rs);

// The same for `count` (1 to 4) matrices at once: phf[j], out[j] are those
// of *rs[j], bit for bit.
void port_phases(const Terminations& t, const ChainMatrix* const* rs, int count, float* phf);
void port_values(const Terminations& t, const ChainMatrix* const* rs, int count, PortValues* out);

// The steps of grpdly, for callers that form the cascades themselves:
// p0 = radians(phf at f); pp = radians(phase at delay_step_up(f)); when
// step_wrapped(p0, pp), pp = radians(phase at delay_step_down(f)) instead;
// then td = phase_delay(f, p0, fp, pp) with fp the frequency of pp.
inline constexpr float kDelayStepFactor = 1.0001f;  // relative frequency step

inline float radians(float degrees) { return degrees * (2.0f * kPi / 360.0f); }
inline float delay_step_up(float f) { return f * kDelayStepFactor; }
inline float delay_step_down(float f) { return f / kDelayStepFactor; }
// Opposite signs (or NaN): the phase wrapped through +-180 degrees or
// crossed 0 within the step.
inline bool step_wrapped(float p0, float pp) { return p0 != 0.0f && !(pp / p0 >= 0.0f); }
inline float phase_delay(float f, float p0, float fp, float pp) {
  const float ns_per_rad_per_mhz = 1000.0f / (2.0f * kPi);
  return std::fabs(ns_per_rad_per_mhz * (pp - p0) / (fp - f));
}

// Angle of x + j y in radians, in (-pi, pi]; atn2(0, 0) = 0. NaN in, NaN out.
float atn2(float x, float y);

// From the chain matrix rs and Zs = zrs + j zis, ZL = zrl + j zil:
//   phf        phase of tau = 2 sqrt(Zs/ZL) / (A + B/ZL + C Zs + D Zs/ZL), degrees
//   il         10 log10 |tau|^2, dB, never below -300
//   zinr, zini input impedance with the load connected, ohms
//   vswr       input VSWR against Zs, at most 999.99
//   rtl        20 log10 |reflection|, dB (reflection held at most 0.9995)
// With igd != 0 only phf is written.
void lddrtg(int32_t igd, float& il, float& phf, const ChainMatrix& rs, float& rtl, float& vswr,
            float zil, float& zini, float& zinr, float zis, float zrl, float zrs);

// lddrtg and grpdly are the per-point reference of the sweep: the sweep
// (sweep.h) forms the same values in batches, and tests compare the two.

// Time delay td (ns, never negative) at f (MHz) from the phase phf (degrees)
// that lddrtg gave there and the phase 0.01 % higher in frequency, or 0.01 %
// lower when the higher one has the opposite sign (a wrap through +-180
// degrees or a crossing of 0).
void grpdly(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t n, float phf, float& td,
            float zil, float zis, float zrl, float zrs);

}  // namespace varnholt

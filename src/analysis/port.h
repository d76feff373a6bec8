// Port quantities of a ladder between complex source and load impedances:
// transmission phase and loss, input impedance, reflection, VSWR, return loss
// and the finite-difference time delay. 32-bit float throughout, each
// operation rounded as written; no allocation, no state.
#pragma once

#include <cstdint>

#include "analysis/cascade.h"
#include "common/stores.h"

namespace varnholt {

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

// Time delay td (ns, never negative) at f (MHz) from the phase phf (degrees)
// that lddrtg gave there and the phase 0.01 % higher in frequency, or 0.01 %
// lower when the higher one has the opposite sign (a wrap through +-180
// degrees or a crossing of 0).
void grpdly(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t n, float phf, float& td,
            float zil, float zis, float zrl, float zrs);

}  // namespace varnholt

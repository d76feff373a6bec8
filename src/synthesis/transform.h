// Scaling of the prototype to real element values (nH, pF) for the four
// filter types.
#pragma once

#include <cstdint>

#include "common/stores.h"

namespace varnholt {

// Each routine computes the prototype with pev1 (g, n, am, ires), then writes,
// for every position k = 1..n, both the shunt-branch and the series-branch
// values of position k. The standard circuit uses shunt branches at odd k and
// series branches at even k; the dual circuit the other way round. ros and rod
// receive the load resistance (ohms) of the standard and the dual circuit.
// Fields a type does not use, and positions above n, are left alone. An order
// outside 1..30 writes nothing at all.

// The load resistances (ohms) of the standard (ros) and the dual (rod)
// circuit from the normalised termination g(n+1) and the system impedance zo.
void load_resistances(const PositionArray& g, int32_t n, float zo, float& rod, float& ros);

// Low-pass, cut-off fc (MHz): shunt capacitor shuntc, series inductor serl.
void lpfltr(Capind& c, float& am, float fc, int32_t ires, int32_t n, float& rod, float& ros,
            float zo);

// High-pass, cut-off fc (MHz): shunt inductor shuntl, series capacitor serc.
void hpfltr(Capind& c, float& am, float fc, int32_t ires, int32_t n, float& rod, float& ros,
            float zo);

// Band-pass, band edges fhigh and flow (MHz): parallel shuntl/shuntc to ground,
// series serl/serc in the line, all resonant at the geometric band centre.
void bpfltr(Capind& c, float& am, float fhigh, float flow, int32_t ires, int32_t n, float& rod,
            float& ros, float zo);

// Band-stop, band edges fhigh and flow (MHz): series shuntl/shuntc to ground,
// parallel serl/serc in the line, all resonant at the geometric band centre.
void bsfltr(Capind& c, float& am, float fhigh, float flow, int32_t ires, int32_t n, float& rod,
            float& ros, float zo);

}  // namespace varnholt

#include "analysis/port.h"

#include <math.h>

#include <cmath>

namespace varnholt {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kPowerFloor = 1e-30f;  // loss floor, -300 dB
constexpr float kReflectionCeiling = 0.9995f;
constexpr float kVswrCeiling = 999.99f;

// The port products are formed without the +-1e15 limit of the chain
// product. In a stopband (A ZL + B) conj(C ZL + D) passes 1e15 long before
// any chain entry does; a float holds it easily, and clipping it would turn
// the input impedance into nonsense.
inline void cmul(float& xt, float& yt, float x1, float y1, float x2, float y2) {
  nprod(1, xt, yt, x1, y1, x2, y2);
}
inline void cmulconj(float& xt, float& yt, float x1, float y1, float x2, float y2) {
  nprod(2, xt, yt, x1, y1, x2, y2);
}

// The phase (degrees) of the ladder at frequency f.
float phase_at(const Terminations& t, const Capind& c, float f, int32_t icfg, int32_t ides,
               int32_t n) {
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(c, f, icfg, ides, ierr, n, rs);  // only the eight valid codes occur here
  return port_phase(t, rs);
}

}  // namespace

float atn2(float x, float y) {
  if (std::isnan(x) || std::isnan(y)) {
    return x + y;
  }
  if (y == 0.0f) {
    return x < 0.0f ? kPi : 0.0f;
  }
  if (x == 0.0f) {
    return y > 0.0f ? kPi / 2.0f : -kPi / 2.0f;
  }
  const float a = ::atanf(::fabsf(y / x));
  if (x > 0.0f) {
    return y > 0.0f ? a : -a;
  }
  return y > 0.0f ? kPi - a : a - kPi;
}

Terminations terminations(float zil, float zis, float zrl, float zrs) {
  Terminations t;
  t.zrs = zrs;
  t.zis = zis;
  t.zrl = zrl;
  t.zil = zil;
  t.temp = zrl * zrl + zil * zil;
  cmulconj(t.pr, t.pim, zrs, zis, zrl, zil);  // Zs conj(ZL)
  // Principal square root of Zs/ZL.
  float wr = 0.0f;
  float wi = 0.0f;
  cmulconj(wr, wi, zrs, zis, zrl, zil);
  wr = wr / t.temp;
  wi = wi / t.temp;
  const float mag = ::powf(wr * wr + wi * wi, 0.25f);
  const float ang = atn2(wr, wi) * 0.5f;
  t.rootr = mag * ::cosf(ang);
  t.rooti = mag * ::sinf(ang);
  return t;
}

namespace {

// tau = 2 sqrt(Zs/ZL) / (A + B/ZL + C Zs + D Zs/ZL), with 1/ZL = conj(ZL) / |ZL|^2.
inline void transmission(const Terminations& t, const ChainMatrix& rs, float& taur,
                         float& taui) {
  const float ar = rs[0][kEntryA];
  const float ai = rs[1][kEntryA];
  const float br = rs[0][kEntryB];
  const float bi = rs[1][kEntryB];
  const float cr = rs[0][kEntryC];
  const float ci = rs[1][kEntryC];
  const float dr = rs[0][kEntryD];
  const float di = rs[1][kEntryD];

  float qr = 0.0f;
  float qi = 0.0f;
  cmul(qr, qi, dr, di, t.pr, t.pim);  // D Zs conj(ZL)
  float denr = qr / t.temp;
  float deni = qi / t.temp;
  float rr = 0.0f;
  float ri = 0.0f;
  cmul(rr, ri, cr, ci, t.zrs, t.zis);  // C Zs
  denr = denr + rr;
  deni = deni + ri;
  float sr = 0.0f;
  float si = 0.0f;
  cmulconj(sr, si, br, bi, t.zrl, t.zil);  // B conj(ZL)
  denr = sr / t.temp + denr + ar;
  deni = si / t.temp + deni + ai;

  // 1 / den
  const float s = denr * denr + deni * deni;
  const float recr = denr / s;
  const float reci = -deni / s;

  cmul(taur, taui, t.rootr, t.rooti, recr, reci);
  taur = taur * 2.0f;
  taui = taui * 2.0f;
}

inline float phase_degrees(float taur, float taui) { return atn2(taur, taui) * (180.0f / kPi); }

}  // namespace

float port_phase(const Terminations& t, const ChainMatrix& rs) {
  float taur = 0.0f;
  float taui = 0.0f;
  transmission(t, rs, taur, taui);
  return phase_degrees(taur, taui);
}

PortValues port_values(const Terminations& t, const ChainMatrix& rs) {
  PortValues v;
  float taur = 0.0f;
  float taui = 0.0f;
  transmission(t, rs, taur, taui);
  v.phf = phase_degrees(taur, taui);

  float power = taur * taur + taui * taui;
  if (power < kPowerFloor) {
    power = kPowerFloor;
  }
  v.il = 10.0f * ::log10f(power);

  const float ar = rs[0][kEntryA];
  const float ai = rs[1][kEntryA];
  const float br = rs[0][kEntryB];
  const float bi = rs[1][kEntryB];
  const float cr = rs[0][kEntryC];
  const float ci = rs[1][kEntryC];
  const float dr = rs[0][kEntryD];
  const float di = rs[1][kEntryD];

  // Zin = (A ZL + B) / (C ZL + D)
  float nr = 0.0f;
  float ni = 0.0f;
  cmul(nr, ni, ar, ai, t.zrl, t.zil);
  nr = nr + br;
  ni = ni + bi;
  float mr = 0.0f;
  float mi = 0.0f;
  cmul(mr, mi, cr, ci, t.zrl, t.zil);
  mr = mr + dr;
  mi = mi + di;
  float k = 1.0f / (mr * mr + mi * mi);
  cmulconj(v.zinr, v.zini, nr, ni, mr, mi);
  v.zinr = v.zinr * k;
  v.zini = v.zini * k;

  // Reflection (Zin - Zs) / (Zin + Zs)
  const float ur = v.zinr - t.zrs;
  const float ui = v.zini - t.zis;
  const float vr = v.zinr + t.zrs;
  const float vi = v.zini + t.zis;
  k = 1.0f / (vr * vr + vi * vi);
  float gsr = 0.0f;
  float gsi = 0.0f;
  cmulconj(gsr, gsi, ur, ui, vr, vi);
  gsr = gsr * k;
  gsi = gsi * k;

  float ags = ::sqrtf(gsr * gsr + gsi * gsi);
  if (ags > kReflectionCeiling) {
    ags = kReflectionCeiling;
  }
  v.vswr = (ags + 1.0f) / (1.0f - ags);
  if (v.vswr > kVswrCeiling) {
    v.vswr = kVswrCeiling;
  }
  v.rtl = 20.0f * ::log10f(ags);
  return v;
}

void lddrtg(int32_t igd, float& il, float& phf, const ChainMatrix& rs, float& rtl, float& vswr,
            float zil, float& zini, float& zinr, float zis, float zrl, float zrs) {
  const Terminations t = terminations(zil, zis, zrl, zrs);
  if (igd != 0) {
    phf = port_phase(t, rs);
    return;
  }
  const PortValues v = port_values(t, rs);
  il = v.il;
  phf = v.phf;
  rtl = v.rtl;
  vswr = v.vswr;
  zini = v.zini;
  zinr = v.zinr;
}

void grpdly(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t n, float phf, float& td,
            float zil, float zis, float zrl, float zrs) {
  const Terminations t = terminations(zil, zis, zrl, zrs);
  const float p0 = radians(phf);
  float fp = delay_step_up(f);
  float pp = radians(phase_at(t, c, fp, icfg, ides, n));
  // A wrap or a crossing of 0 within the step: take the step below f instead.
  if (step_wrapped(p0, pp)) {
    fp = delay_step_down(f);
    pp = radians(phase_at(t, c, fp, icfg, ides, n));
  }
  td = phase_delay(f, p0, fp, pp);
}

}  // namespace varnholt

#include "analysis/port.h"

#include <math.h>

#include <cmath>

namespace varnholt {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kPowerFloor = 1e-30f;  // loss floor, -300 dB
constexpr float kReflectionCeiling = 0.9995f;
constexpr float kVswrCeiling = 999.99f;
constexpr float kStepFactor = 1.0001f;  // relative frequency step of the delay

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

// Phase of the ladder at frequency f, in radians.
float phase_at(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t n, float zil,
               float zis, float zrl, float zrs, float cnst) {
  ChainMatrix rs{};
  int32_t ierr = 0;
  ladder(c, f, icfg, ides, ierr, n, rs);  // only the eight valid codes occur here
  float il = 0.0f;
  float phf = 0.0f;
  float rtl = 0.0f;
  float vswr = 0.0f;
  float zini = 0.0f;
  float zinr = 0.0f;
  lddrtg(1, il, phf, rs, rtl, vswr, zil, zini, zinr, zis, zrl, zrs);
  return phf * cnst;
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

void lddrtg(int32_t igd, float& il, float& phf, const ChainMatrix& rs, float& rtl, float& vswr,
            float zil, float& zini, float& zinr, float zis, float zrl, float zrs) {
  const float ar = rs[0][kEntryA];
  const float ai = rs[1][kEntryA];
  const float br = rs[0][kEntryB];
  const float bi = rs[1][kEntryB];
  const float cr = rs[0][kEntryC];
  const float ci = rs[1][kEntryC];
  const float dr = rs[0][kEntryD];
  const float di = rs[1][kEntryD];

  // |ZL|^2
  const float temp = zrl * zrl + zil * zil;

  // den = A + B/ZL + C Zs + D Zs/ZL, with 1/ZL = conj(ZL) / |ZL|^2.
  float pr = 0.0f;
  float pim = 0.0f;
  cmulconj(pr, pim, zrs, zis, zrl, zil);  // Zs conj(ZL)
  float qr = 0.0f;
  float qi = 0.0f;
  cmul(qr, qi, dr, di, pr, pim);  // D Zs conj(ZL)
  float denr = qr / temp;
  float deni = qi / temp;
  float rr = 0.0f;
  float ri = 0.0f;
  cmul(rr, ri, cr, ci, zrs, zis);  // C Zs
  denr = denr + rr;
  deni = deni + ri;
  float sr = 0.0f;
  float si = 0.0f;
  cmulconj(sr, si, br, bi, zrl, zil);  // B conj(ZL)
  denr = sr / temp + denr + ar;
  deni = si / temp + deni + ai;

  // 1 / den
  const float s = denr * denr + deni * deni;
  const float recr = denr / s;
  const float reci = -deni / s;

  // Principal square root of Zs/ZL.
  float wr = 0.0f;
  float wi = 0.0f;
  cmulconj(wr, wi, zrs, zis, zrl, zil);
  wr = wr / temp;
  wi = wi / temp;
  const float mag = ::powf(wr * wr + wi * wi, 0.25f);
  const float ang = atn2(wr, wi) * 0.5f;
  const float rootr = mag * ::cosf(ang);
  const float rooti = mag * ::sinf(ang);

  float taur = 0.0f;
  float taui = 0.0f;
  cmul(taur, taui, rootr, rooti, recr, reci);
  taur = taur * 2.0f;
  taui = taui * 2.0f;

  phf = atn2(taur, taui) * (180.0f / kPi);
  if (igd != 0) {
    return;
  }

  float power = taur * taur + taui * taui;
  if (power < kPowerFloor) {
    power = kPowerFloor;
  }
  il = 10.0f * ::log10f(power);

  // Zin = (A ZL + B) / (C ZL + D)
  float nr = 0.0f;
  float ni = 0.0f;
  cmul(nr, ni, ar, ai, zrl, zil);
  nr = nr + br;
  ni = ni + bi;
  float mr = 0.0f;
  float mi = 0.0f;
  cmul(mr, mi, cr, ci, zrl, zil);
  mr = mr + dr;
  mi = mi + di;
  float k = 1.0f / (mr * mr + mi * mi);
  cmulconj(zinr, zini, nr, ni, mr, mi);
  zinr = zinr * k;
  zini = zini * k;

  // Reflection (Zin - Zs) / (Zin + Zs)
  const float ur = zinr - zrs;
  const float ui = zini - zis;
  const float vr = zinr + zrs;
  const float vi = zini + zis;
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
  vswr = (ags + 1.0f) / (1.0f - ags);
  if (vswr > kVswrCeiling) {
    vswr = kVswrCeiling;
  }
  rtl = 20.0f * ::log10f(ags);
}

void grpdly(const Capind& c, float f, int32_t icfg, int32_t ides, int32_t n, float phf, float& td,
            float zil, float zis, float zrl, float zrs) {
  const float cnst = 2.0f * kPi / 360.0f;  // degrees to radians
  const float p0 = phf * cnst;
  float fp = f * kStepFactor;
  float pp = phase_at(c, fp, icfg, ides, n, zil, zis, zrl, zrs, cnst);
  // Opposite signs (or NaN): the phase wrapped through +-180 degrees or
  // crossed 0 within the step; take the step below f instead.
  if (p0 != 0.0f && !(pp / p0 >= 0.0f)) {
    fp = f / kStepFactor;
    pp = phase_at(c, fp, icfg, ides, n, zil, zis, zrl, zrs, cnst);
  }
  const float nsPerRadPerMHz = 1000.0f / (2.0f * kPi);
  td = ::fabsf(nsPerRadPerMHz * (pp - p0) / (fp - f));
}

}  // namespace varnholt

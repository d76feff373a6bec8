// A straight-line copy of the port arithmetic for the tests: every quantity
// at one frequency in one routine, every operation written out in the order
// that fixes its rounding. The library shares this arithmetic between one
// point and four points at a time; this copy pins what each must give.
#pragma once

#include <math.h>

#include <cstdint>

#include "analysis/cascade.h"
#include "analysis/port.h"

namespace varnholt::testref {

inline void plain_lddrtg(int32_t igd, float& il, float& phf, const ChainMatrix& rs, float& rtl,
                         float& vswr, float zil, float& zini, float& zinr, float zis, float zrl,
                         float zrs) {
  constexpr float kPi = 3.1415927f;
  constexpr float kPowerFloor = 1e-30f;
  constexpr float kReflectionCeiling = 0.9995f;
  constexpr float kVswrCeiling = 999.99f;
  auto cmul = [](float& xt, float& yt, float x1, float y1, float x2, float y2) {
    xt = x1 * x2 - y1 * y2;
    yt = x2 * y1 + x1 * y2;
  };
  auto cmulconj = [](float& xt, float& yt, float x1, float y1, float x2, float y2) {
    xt = x1 * x2 + y1 * y2;
    yt = x2 * y1 - x1 * y2;
  };
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

}  // namespace varnholt::testref

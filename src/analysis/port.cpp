#include "analysis/port.h"

#include <math.h>

#include <cmath>

namespace varnholt {
namespace {

constexpr float kPowerFloor = 1e-30f;  // loss floor, -300 dB
constexpr float kReflectionCeiling = 0.9995f;
constexpr float kVswrCeiling = 999.99f;

// The port products are formed without the +-1e15 limit of the chain
// product. In a stopband (A ZL + B) conj(C ZL + D) passes 1e15 long before
// any chain entry does; a float holds it easily, and clipping it would turn
// the input impedance into nonsense.
//
// The port arithmetic is written once for T = float (one point) and for
// T = V4 (four points, one per lane); each lane is rounded exactly as the
// scalar operation. These are the products of nprod, operation for operation.
template <typename T, typename U>
inline void cmul(T& xt, T& yt, T x1, T y1, U x2, U y2) {
  xt = x1 * x2 - y1 * y2;
  yt = x2 * y1 + x1 * y2;
}
template <typename T, typename U>
inline void cmulconj(T& xt, T& yt, T x1, T y1, U x2, U y2) {
  xt = x1 * x2 + y1 * y2;
  yt = x2 * y1 - x1 * y2;
}

using V4 = float __attribute__((vector_size(16)));

// "if (v < floor) v = floor" and "if (v > ceiling) v = ceiling", NaN kept.
inline float raised(float v, float floor) { return v < floor ? floor : v; }
inline V4 raised(V4 v, float floor) { return v < floor ? V4{floor, floor, floor, floor} : v; }
inline float lowered(float v, float ceiling) { return v > ceiling ? ceiling : v; }
inline V4 lowered(V4 v, float ceiling) {
  return v > ceiling ? V4{ceiling, ceiling, ceiling, ceiling} : v;
}

inline float root(float v) { return ::sqrtf(v); }
inline V4 root(V4 v) {
  // Square roots are correctly rounded, lane by lane as one by one.
  return V4{::sqrtf(v[0]), ::sqrtf(v[1]), ::sqrtf(v[2]), ::sqrtf(v[3])};
}

// The entries of a chain matrix; for V4 lane j holds those of matrix j.
template <typename T>
struct Entries {
  T ar, ai, br, bi, cr, ci, dr, di;
};

Entries<float> entries(const ChainMatrix& rs) {
  return {rs[0][kEntryA], rs[1][kEntryA], rs[0][kEntryB], rs[1][kEntryB],
          rs[0][kEntryC], rs[1][kEntryC], rs[0][kEntryD], rs[1][kEntryD]};
}

// Up to four matrices side by side; missing ones repeat the first.
Entries<V4> entries(const ChainMatrix* const* rs, int count) {
  Entries<V4> e;
  for (int j = 0; j < 4; ++j) {
    const Entries<float> one = entries(*rs[j < count ? j : 0]);
    e.ar[j] = one.ar;
    e.ai[j] = one.ai;
    e.br[j] = one.br;
    e.bi[j] = one.bi;
    e.cr[j] = one.cr;
    e.ci[j] = one.ci;
    e.dr[j] = one.dr;
    e.di[j] = one.di;
  }
  return e;
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

Terminations terminations(const Imp1& z) { return terminations({z.zrs, z.zis}, {z.zrl, z.zil}); }

Terminations terminations(Impedance source, Impedance load) {
  const float zrs = source.r;
  const float zis = source.x;
  const float zrl = load.r;
  const float zil = load.x;
  Terminations t;
  t.source = source;
  t.load = load;
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
template <typename T>
inline void transmission(const Terminations& t, const Entries<T>& m, T& taur, T& taui) {
  T qr;
  T qi;
  cmul(qr, qi, m.dr, m.di, t.pr, t.pim);  // D Zs conj(ZL)
  T denr = qr / t.temp;
  T deni = qi / t.temp;
  T rr;
  T ri;
  cmul(rr, ri, m.cr, m.ci, t.source.r, t.source.x);  // C Zs
  denr = denr + rr;
  deni = deni + ri;
  T sr;
  T si;
  cmulconj(sr, si, m.br, m.bi, t.load.r, t.load.x);  // B conj(ZL)
  denr = sr / t.temp + denr + m.ar;
  deni = si / t.temp + deni + m.ai;

  // 1 / den
  const T s = denr * denr + deni * deni;
  const T recr = denr / s;
  const T reci = -deni / s;

  // root * rec, with the factors of each product and the terms of the
  // imaginary sum in swapped order (both are exact in floating point).
  cmul(taur, taui, recr, reci, t.rootr, t.rooti);
  taur = taur * 2.0f;
  taui = taui * 2.0f;
}

inline float phase_degrees(float taur, float taui) { return atn2(taur, taui) * (180.0f / kPi); }

// Everything but the phase and the two logarithms: the power ratio |tau|^2
// (floored), the input impedance and the reflection magnitude (held).
template <typename T>
inline void port_rest(const Terminations& t, const Entries<T>& m, T taur, T taui, T& power,
                      T& zinr, T& zini, T& ags, T& vswr) {
  power = raised(taur * taur + taui * taui, kPowerFloor);

  // Zin = (A ZL + B) / (C ZL + D)
  T nr;
  T ni;
  cmul(nr, ni, m.ar, m.ai, t.load.r, t.load.x);
  nr = nr + m.br;
  ni = ni + m.bi;
  T mr;
  T mi;
  cmul(mr, mi, m.cr, m.ci, t.load.r, t.load.x);
  mr = mr + m.dr;
  mi = mi + m.di;
  T k = 1.0f / (mr * mr + mi * mi);
  cmulconj(zinr, zini, nr, ni, mr, mi);
  zinr = zinr * k;
  zini = zini * k;

  // Reflection (Zin - Zs) / (Zin + Zs)
  const T ur = zinr - t.source.r;
  const T ui = zini - t.source.x;
  const T vr = zinr + t.source.r;
  const T vi = zini + t.source.x;
  k = 1.0f / (vr * vr + vi * vi);
  T gsr;
  T gsi;
  cmulconj(gsr, gsi, ur, ui, vr, vi);
  gsr = gsr * k;
  gsi = gsi * k;

  ags = lowered(root(gsr * gsr + gsi * gsi), kReflectionCeiling);
  vswr = lowered((ags + 1.0f) / (1.0f - ags), kVswrCeiling);
}

}  // namespace

float port_phase(const Terminations& t, const ChainMatrix& rs) {
  float taur = 0.0f;
  float taui = 0.0f;
  transmission(t, entries(rs), taur, taui);
  return phase_degrees(taur, taui);
}

PortValues port_values(const Terminations& t, const ChainMatrix& rs) {
  const Entries<float> m = entries(rs);
  PortValues v;
  float taur = 0.0f;
  float taui = 0.0f;
  transmission(t, m, taur, taui);
  v.phf = phase_degrees(taur, taui);
  float power = 0.0f;
  float ags = 0.0f;
  port_rest(t, m, taur, taui, power, v.zinr, v.zini, ags, v.vswr);
  v.il = 10.0f * ::log10f(power);
  v.rtl = 20.0f * ::log10f(ags);
  return v;
}

void port_phases(const Terminations& t, const ChainMatrix* const* rs, int count, float* phf) {
  V4 taur;
  V4 taui;
  transmission(t, entries(rs, count), taur, taui);
  for (int j = 0; j < count; ++j) phf[j] = phase_degrees(taur[j], taui[j]);
}

void port_values(const Terminations& t, const ChainMatrix* const* rs, int count,
                 PortValues* out) {
  const Entries<V4> m = entries(rs, count);
  V4 taur;
  V4 taui;
  transmission(t, m, taur, taui);
  V4 power;
  V4 zinr;
  V4 zini;
  V4 ags;
  V4 vswr;
  port_rest(t, m, taur, taui, power, zinr, zini, ags, vswr);
  for (int j = 0; j < count; ++j) {
    PortValues& v = out[j];
    v.phf = phase_degrees(taur[j], taui[j]);
    v.il = 10.0f * ::log10f(power[j]);
    v.zinr = zinr[j];
    v.zini = zini[j];
    v.vswr = vswr[j];
    v.rtl = 20.0f * ::log10f(ags[j]);
  }
}

void lddrtg(int32_t igd, float& il, float& phf, const ChainMatrix& rs, float& rtl, float& vswr,
            float zil, float& zini, float& zinr, float zis, float zrl, float zrs) {
  const Terminations t = terminations({zrs, zis}, {zrl, zil});
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
  const Terminations t = terminations({zrs, zis}, {zrl, zil});
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

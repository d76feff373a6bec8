#include "synthesis/section_count.h"

#include "common/codes.h"

#include <cmath>
#include <limits>

#include "common/code_traits.h"

namespace varnholt {
namespace {

constexpr float kRoundUp = 0.999f;
constexpr float kFixedOrder = 5.0f;  // Bessel and linear phase
constexpr int32_t kMinOrder = 2;

// |f1/fo - fo/f1| / bw: the skirt frequency mapped onto the low-pass axis.
float band_freq(float f1, float fh1, float fl1) {
  const float fo = std::sqrt(fl1 * fh1);
  const float bw = (fh1 - fl1) / fo;
  return std::fabs((f1 / fo - fo / f1) / bw);
}

// Normalised skirt frequency, 1 at the passband edge, beyond 1 in the stopband.
float skirt_freq(float fc, float f1, float fh1, float fl1, int32_t ides) {
  switch (filter_type(ides)) {
    case FilterType::HighPass:
      return fc / f1;
    case FilterType::BandPass:
      return band_freq(f1, fh1, fl1);
    case FilterType::BandStop:
      return 1.0f / band_freq(f1, fh1, fl1);
    case FilterType::LowPass:
      break;
  }
  return f1 / fc;
}

// ln(x + sqrt(x^2 - 1)), the inverse hyperbolic cosine for x >= 1.
float arcosh(float x) {
  return std::log(x + std::sqrt(x * x - 1.0f));
}

float power_ratio(float db) {
  return std::pow(10.0f, db / 10.0f) - 1.0f;
}

void butterworth(float a1, float& a2, float freq, int32_t& n) {
  n = section_order(std::log(power_ratio(a1)) / (2.0f * std::log(freq)));
  const float rn = static_cast<float>(n);
  a2 = 10.0f * std::log10(std::pow(freq, 2.0f * rn) + 1.0f);
}

void chebyshev(float am, float a1, float& a2, float freq, int32_t& n) {
  const float temp = power_ratio(am);
  const float m = std::sqrt(power_ratio(a1) / temp);
  const bool stopband = freq >= 1.0f;
  const float tp = stopband ? arcosh(m) / arcosh(freq) : std::acos(m) / std::acos(freq);
  n = section_order(tp);
  const float rn = static_cast<float>(n);
  const float c = stopband ? std::cosh(rn * arcosh(freq)) : std::cos(rn * std::acos(freq));
  const float t = c * c;
  a2 = 10.0f * std::log10(temp * t + 1.0f);
}

}  // namespace

int32_t section_order(float tp) {
  const float t = tp + kRoundUp;
  if (t < static_cast<float>(kMinOrder + 1)) {
    return kMinOrder;
  }
  // 2^31 is exact in float; a NaN fails this test too.
  if (!(t < 2147483648.0f)) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(t);
}

void nsectn(float am, float a1, float& a2, float fc, float f1, float fh1, float fl1, int32_t ides,
            int32_t& ierr, int32_t ires, int32_t& n) {
  ierr = 0;
  const float freq = skirt_freq(fc, f1, fh1, fl1, ides);
  // A NaN skirt frequency (e.g. coinciding band edges) counts as not positive.
  if (!(a1 > am) || !(freq > 0.0f)) {
    ierr = 1;
    return;
  }
  if (response_traits(ires).tabulated) {
    n = section_order(kFixedOrder);
  } else if (static_cast<Response>(ires) == Response::Butterworth) {
    butterworth(a1, a2, freq, n);
  } else {
    chebyshev(am, a1, a2, freq, n);
  }
}

bool skirt_edge(int32_t ides, float f1, float fc1, float fl1, float fh1, float& fc) {
  switch (filter_type(ides)) {
    case FilterType::HighPass:
      fc = fc1;
      return f1 < fc1;
    case FilterType::BandPass:
      fc = f1 > fh1 ? fh1 : fl1;
      return f1 < fl1 || f1 > fh1;
    case FilterType::BandStop:
      fc = (f1 - fl1) > (fh1 - f1) ? fh1 : fl1;
      return fl1 < f1 && f1 < fh1;
    case FilterType::LowPass:
      break;
  }
  fc = fc1;
  return f1 > fc1;
}

}  // namespace varnholt

#include "synthesis/section_count.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace varnholt {
namespace {

constexpr int32_t kSaturated = std::numeric_limits<int32_t>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Result {
  int32_t ierr = -1;
  int32_t n = -1;
  float a2 = -1.0f;  // sentinel: "not written"
};

Result low_pass(float am, float a1, float fc, float f1, int32_t ires) {
  Result r;
  nsectn(am, a1, r.a2, fc, f1, 0.0f, 0.0f, 1, r.ierr, ires, r.n);
  return r;
}

Result banded(int32_t ides, float am, float a1, float f1, float fh1, float fl1, int32_t ires) {
  Result r;
  nsectn(am, a1, r.a2, 0.0f, f1, fh1, fl1, ides, r.ierr, ires, r.n);
  return r;
}

// Attenuation of an order-n response at normalised frequency w, in double.
double butterworth_db(int n, double w) {
  return 10.0 * std::log10(std::pow(w, 2.0 * n) + 1.0);
}
double chebyshev_db(int n, double am, double w) {
  const double c = std::cosh(n * std::acosh(w));
  return 10.0 * std::log10((std::pow(10.0, am / 10.0) - 1.0) * c * c + 1.0);
}

TEST(SectionCountDesigns, LowPassButterworthOctave) {
  // Exact order ln(9999) / (2 ln 2) = 6.64.
  const Result r = low_pass(0.0f, 40.0f, 100.0f, 200.0f, 2);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_EQ(r.n, 7);
  EXPECT_GT(r.a2, 42.1f);
  EXPECT_NEAR(r.a2, butterworth_db(7, 2.0), 1e-4);
}

TEST(SectionCountDesigns, LowPassChebyshevOctave) {
  // Exact order acosh(sqrt(9999 / (10^0.05 - 1))) / acosh(2) = 4.82.
  const Result r = low_pass(0.5f, 40.0f, 100.0f, 200.0f, 1);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_EQ(r.n, 5);
  EXPECT_GT(r.a2, 42.0f);
  EXPECT_NEAR(r.a2, chebyshev_db(5, 0.5, 2.0), 1e-4);
}

TEST(SectionCountDesigns, HighPassMirrorsLowPass) {
  for (const int32_t ires : {1, 2}) {
    Result hp;
    nsectn(0.5f, 40.0f, hp.a2, 100.0f, 50.0f, 0.0f, 0.0f, 2, hp.ierr, ires, hp.n);
    const Result lp = low_pass(0.5f, 40.0f, 100.0f, 200.0f, ires);
    EXPECT_EQ(hp.n, lp.n);
    EXPECT_EQ(hp.a2, lp.a2);
  }
}

TEST(SectionCountDesigns, BandPassUsesGeometricCentre) {
  const double fo = std::sqrt(90.0 * 110.0);
  const double w = (130.0 / fo - fo / 130.0) / (20.0 / fo);  // about 2.69
  const Result r = banded(3, 0.0f, 40.0f, 130.0f, 110.0f, 90.0f, 2);
  EXPECT_EQ(r.n, 5);
  EXPECT_NEAR(r.a2, butterworth_db(5, w), 1e-4);
  // The skirt below the band maps to the same |w| on the low-pass axis.
  const double below = fo * fo / 130.0;
  const Result lo = banded(3, 0.5f, 40.0f, static_cast<float>(below), 110.0f, 90.0f, 1);
  EXPECT_EQ(lo.n, 4);
  EXPECT_NEAR(lo.a2, chebyshev_db(4, 0.5, w), 1e-3);
}

TEST(SectionCountDesigns, BandStopInvertsBandPassFrequency) {
  // fl1 = 100, fh1 = 200, skirt at 130: w = 1 / |(130/fo - fo/130) / (100/fo)|.
  const double fo = std::sqrt(20000.0);
  const double w = 1.0 / std::fabs((130.0 / fo - fo / 130.0) / (100.0 / fo));
  const Result r = banded(4, 0.0f, 30.0f, 130.0f, 200.0f, 100.0f, 2);
  const int want = static_cast<int>(std::log(std::pow(10.0, 3.0) - 1.0) / (2.0 * std::log(w)) + 0.999);
  EXPECT_EQ(r.n, want);
  EXPECT_NEAR(r.a2, butterworth_db(want, w), 1e-3);
}

TEST(SectionCountDesigns, BandStopAtGeometricCentre) {
  const float centre = std::sqrt(100.0f * 200.0f);
  for (const int32_t ires : {1, 2}) {
    const Result r = banded(4, 0.5f, 40.0f, centre, 200.0f, 100.0f, ires);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.n, 2);
    EXPECT_EQ(r.a2, kInf);
  }
}

TEST(SectionCountDesigns, BesselAndLinearPhaseFixedOrder) {
  for (const int32_t ires : {3, 4}) {
    const Result r = low_pass(0.0f, 60.0f, 100.0f, 110.0f, ires);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.n, 5);
    EXPECT_EQ(r.a2, -1.0f);
  }
}

TEST(SectionCountRounding, IntegerPartOfOrderPlusAllowance) {
  EXPECT_EQ(section_order(3.0005f), 3);
  EXPECT_EQ(section_order(3.002f), 4);
  EXPECT_EQ(section_order(3.0f), 3);
  EXPECT_EQ(section_order(6.64f), 7);
  EXPECT_EQ(section_order(29.5f), 30);
  EXPECT_EQ(section_order(45.2f), 46);
}

TEST(SectionCountRounding, NeverBelowTwo) {
  for (const float tp : {2.0009f, 2.0f, 1.5f, 0.5f, 0.0f, -4.0f, -1e30f, -kInf}) {
    EXPECT_EQ(section_order(tp), 2) << tp;
  }
  // Easy requirements through the full estimate: exact order 0.48, and a
  // Butterworth skirt inside the passband (negative exact order).
  EXPECT_EQ(low_pass(0.0f, 10.0f, 100.0f, 10000.0f, 2).n, 2);
  EXPECT_EQ(low_pass(0.0f, 40.0f, 100.0f, 50.0f, 2).n, 2);
}

TEST(SectionCountRounding, UnboundedOrderSaturates) {
  for (const float tp : {kInf, kNaN, 2147483648.0f, 1e30f}) {
    EXPECT_EQ(section_order(tp), kSaturated) << tp;
  }
  EXPECT_EQ(section_order(2147483520.0f), 2147483520);  // largest float below 2^31
}

TEST(SectionCountUnreachable, SkirtAtBandEdge) {
  const Result b = low_pass(0.0f, 40.0f, 100.0f, 100.0f, 2);
  EXPECT_EQ(b.ierr, 0);
  EXPECT_EQ(b.n, kSaturated);
  EXPECT_NEAR(b.a2, 10.0 * std::log10(2.0), 1e-5);  // the 3 dB edge
  const Result c = low_pass(0.5f, 40.0f, 100.0f, 100.0f, 1);
  EXPECT_EQ(c.n, kSaturated);
  EXPECT_NEAR(c.a2, 0.5f, 1e-5);  // the ripple edge
}

TEST(SectionCountUnreachable, ChebyshevSkirtInsidePassband) {
  const Result r = low_pass(0.5f, 40.0f, 100.0f, 50.0f, 1);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_EQ(r.n, kSaturated);
  EXPECT_GE(r.a2, 0.0f);
  EXPECT_LE(r.a2, 0.5f + 1e-5f);  // never more than the ripple in the passband
}

TEST(SectionCountUnreachable, ZeroRippleChebyshev) {
  const Result r = low_pass(0.0f, 40.0f, 100.0f, 200.0f, 1);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_EQ(r.n, kSaturated);
}

TEST(SectionCountRejections, AttenuationNotAboveRipple) {
  for (const int32_t ires : {1, 2, 3, 4}) {
    for (const float a1 : {0.5f, 0.25f, kNaN}) {
      Result r;
      r.ierr = 7;
      nsectn(0.5f, a1, r.a2, 100.0f, 200.0f, 0.0f, 0.0f, 1, r.ierr, ires, r.n);
      EXPECT_EQ(r.ierr, 1);
      EXPECT_EQ(r.n, -1);
      EXPECT_EQ(r.a2, -1.0f);
    }
  }
}

TEST(SectionCountRejections, SkirtFrequencyNotPositive) {
  EXPECT_EQ(low_pass(0.5f, 40.0f, 100.0f, -50.0f, 1).ierr, 1);
  EXPECT_EQ(low_pass(0.5f, 40.0f, 100.0f, 0.0f, 2).ierr, 1);
  // Coinciding band edges with the skirt on them: 0 / 0.
  const Result r = banded(3, 0.5f, 40.0f, 100.0f, 100.0f, 100.0f, 1);
  EXPECT_EQ(r.ierr, 1);
  EXPECT_EQ(r.n, -1);
  EXPECT_EQ(r.a2, -1.0f);
}

TEST(SectionCountRejections, SuccessClearsErrorFlag) {
  Result r;
  r.ierr = 7;
  nsectn(0.5f, 40.0f, r.a2, 100.0f, 200.0f, 0.0f, 0.0f, 1, r.ierr, 1, r.n);
  EXPECT_EQ(r.ierr, 0);
}

}  // namespace
}  // namespace varnholt

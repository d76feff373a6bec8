// The section count for a skirt requirement: the order and the attenuation
// reached for every filter type, the rounding of the exact order, and the
// requirements that cannot be met or are rejected.
#include "synthesis/section_count.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/table.h"

namespace varnholt {
namespace {

constexpr int32_t kSaturated = std::numeric_limits<int32_t>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Result {
  int32_t ierr = 7, n = -1;
  float a2 = -1.0f;  // -1: not written
};

Result estimate(int32_t ides, int32_t ires, float am, float a1, float f1, float fc = 100.0f,
                float fh1 = 0.0f, float fl1 = 0.0f) {
  Result r;
  nsectn(am, a1, r.a2, fc, f1, fh1, fl1, ides, r.ierr, ires, r.n);
  return r;
}

// Attenuation of an order-n response at the normalised frequency w, in double.
double butterworth_db(int n, double w) { return 10.0 * std::log10(std::pow(w, 2.0 * n) + 1.0); }
double chebyshev_db(int n, double am, double w) {
  const double c = std::cosh(n * std::acosh(w));
  return 10.0 * std::log10((std::pow(10.0, am / 10.0) - 1.0) * c * c + 1.0);
}

TEST(SectionCount, OrderAndAttenuationReachedForEveryType) {
  const double fo = std::sqrt(90.0 * 110.0);
  const double w_bp = (130.0 / fo - fo / 130.0) / (20.0 / fo);  // about 2.69
  const double fo_bs = std::sqrt(20000.0);                        // band-stop 100..200
  const double w_bs = 1.0 / std::fabs((130.0 / fo_bs - fo_bs / 130.0) / (100.0 / fo_bs));
  const struct {
    const char* what;
    Result got;
    int32_t n;
    double a2, tol;
  } cases[] = {
      // Exact orders ln(9999) / (2 ln 2) = 6.64 and acosh(sqrt(9999 / (10^0.05 - 1))) / acosh(2)
      // = 4.82.
      {"LP Butterworth octave", estimate(1, 2, 0.0f, 40, 200), 7, butterworth_db(7, 2.0), 1e-4},
      {"LP Chebyshev octave", estimate(1, 1, 0.5f, 40, 200), 5, chebyshev_db(5, 0.5, 2.0), 1e-4},
      {"HP Butterworth octave", estimate(2, 2, 0.5f, 40, 50), 7, butterworth_db(7, 2.0), 1e-4},
      {"HP Chebyshev octave", estimate(2, 1, 0.5f, 40, 50), 5, chebyshev_db(5, 0.5, 2.0), 1e-4},
      {"BP above the band", estimate(3, 2, 0.0f, 40, 130, 0, 110, 90), 5, butterworth_db(5, w_bp),
       1e-4},
      {"BP below the band", estimate(3, 1, 0.5f, 40, float(fo * fo / 130), 0, 110, 90), 4,
       chebyshev_db(4, 0.5, w_bp), 1e-3},
      {"BS inside the band", estimate(4, 2, 0.0f, 30, 130, 0, 200, 100), 3, butterworth_db(3, w_bs),
       1e-3},
      {"BS at the centre", estimate(4, 1, 0.5f, 40, std::sqrt(20000.0f), 0, 200, 100), 2, kInf, 0},
      // Easy requirements: never below 2, also for a skirt inside the passband.
      {"LP exact order 0.48", estimate(1, 2, 0.0f, 10, 10000), 2, butterworth_db(2, 100.0), 1e-3},
      // Unreachable: the order saturates, so that the caller's limit rejects it.
      {"LP skirt at the 3 dB edge", estimate(1, 2, 0.0f, 40, 100), kSaturated, 10 * std::log10(2.0),
       1e-5},
      {"LP skirt at the ripple edge", estimate(1, 1, 0.5f, 40, 100), kSaturated, 0.5, 1e-5},
      {"LP Chebyshev skirt in the passband", estimate(1, 1, 0.5f, 40, 50), kSaturated, 0.25,
       0.25001},
      {"LP zero ripple", estimate(1, 1, 0.0f, 40, 200), kSaturated, kNaN, 0},  // a2 not looked at
      // Bessel and linear phase: a fixed order, a2 not written.
      {"LP Bessel", estimate(1, 3, 0.0f, 60, 110), 5, -1, 0},
      {"LP linear phase", estimate(1, 4, 0.0f, 60, 110), 5, -1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::tuple(c.got.ierr, c.got.n), std::tuple(0, c.n)) << c.what;
    EXPECT_TRUE(std::isnan(c.a2) || c.got.a2 == c.a2 || std::fabs(c.got.a2 - c.a2) <= c.tol)
        << c.what << ": " << c.got.a2 << " vs " << c.a2;
  }
  EXPECT_EQ(estimate(1, 2, 0.0f, 40, 50).n, 2);  // a Butterworth skirt inside the passband
}

TEST(SectionCount, ExactOrderRoundsUpPastAnAllowanceAndSaturates) {
  for (const auto& row : testing::read_table("section_order.txt"))
    EXPECT_EQ(section_order(testing::to_float(row[0])), std::stol(row[1])) << row[0];
}

// ierr = 1, with n and a2 untouched.
TEST(SectionCount, RejectedRequirements) {
  for (const int32_t ires : {1, 2, 3, 4}) {
    for (const float a1 : {0.5f, 0.25f, kNaN}) {  // not above the ripple
      const Result r = estimate(1, ires, 0.5f, a1, 200);
      EXPECT_EQ(std::tuple(r.ierr, r.n, r.a2), std::tuple(1, -1, -1.0f)) << ires << " " << a1;
    }
  }
  for (const Result& r : {estimate(1, 1, 0.5f, 40, -50), estimate(1, 2, 0.5f, 40, 0),
                          estimate(3, 1, 0.5f, 40, 100, 0, 100, 100)}) {  // coinciding edges: 0 / 0
    EXPECT_EQ(std::tuple(r.ierr, r.n, r.a2), std::tuple(1, -1, -1.0f));
  }
}

}  // namespace
}  // namespace varnholt

// The sweep: its step count and frequencies, and a band design analysed
// before any synthesis. Printed reports are recorded under tests/sessions/analysis-*.
#include "analysis/sweep.h"

#include <gtest/gtest.h>

#include "support/session.h"

namespace varnholt {
namespace {

TEST(Sweep, StepCountAndFrequencies) {
  EXPECT_EQ(sweep_steps(100, 200, 30), 3);
  EXPECT_EQ(sweep_steps(100, 200, 40), 3);               // 2.5 rounds away from zero
  EXPECT_FLOAT_EQ(sweep_frequency(100, 40, 3), 220.0f);  // the last point lies above fmax
  EXPECT_EQ(sweep_steps(150, 150, 10), 0);
  EXPECT_EQ(sweep_steps(200, 100, 10), -10);
  // 0.1 MHz steps: the double-precision quotient keeps 100 steps exactly.
  EXPECT_EQ(sweep_steps(0.1f, 10.1f, 0.1f), 100);
  EXPECT_EQ(sweep_frequency(0.1f, 0.1f, 100), 10.1f);
  // Counts beyond the 32-bit range saturate; non-numbers give no point.
  EXPECT_EQ(sweep_steps(1, 1e30f, 1e-10f), 2147483647);
  EXPECT_EQ(sweep_steps(1, 1e30f, 0.0f), 2147483647);
  EXPECT_EQ(sweep_steps(1e30f, -1e30f, 1e-10f), -1);
}

class AnalysisReport : public testing::DialogTest {};

// No synthesis yet (iop 0): bandwidth and ripple both shown; the frequency
// ratio is to Fo, not FC1, and Fo is 0.
TEST_F(AnalysisReport, BandDesignWithoutCentreShowsAnInfiniteRatio) {
  st.imp1 = {0, 0, 50, 50, 50};
  st.control = {.icfg = 1, .ides = 3, .ivswr = 1};
  st.main.resp = padded("User-defined", 20);
  st.freq1 = {.fc1 = 5, .fmax = 10, .fmin = 10, .fstep = 1};
  analysis_run(session);
  EXPECT_NE(output().find("                   BW   =     0.0000 MHz    Ripple   = 0.000 dB\r\n"),
            std::string::npos);
  EXPECT_TRUE(output().ends_with("    Inf\r\n")) << output();
}

}  // namespace
}  // namespace varnholt

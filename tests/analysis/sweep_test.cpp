// The sweep: its step count and frequencies, and the printed analysis report.
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

class AnalysisReport : public testing::DialogTest {
 protected:
  AnalysisReport() {
    st.imp1 = {0, 0, 50, 50, 50};
    st.control.icfg = st.control.ides = st.control.ivswr = 1;
    st.main.design = "Low Pass ";
    st.main.resp = padded("User-defined", 20);
  }
  std::string run() {
    mark();
    analysis_run(session);
    return written();
  }
  // The table rows: everything after the rule below the column heading.
  std::string rows() {
    const std::string out = run(), rule = std::string(6, ' ') + std::string(72, '-') + "\r\n";
    const auto pos = out.find(rule);
    return pos == std::string::npos ? out : out.substr(pos + rule.size());
  }
};

TEST_F(AnalysisReport, HeadingTerminationsAndTheRowOfASingleShuntCapacitor) {
  st.imp1 = {.zil = -12.5f, .zis = 3, .zo = 50, .zrl = 75, .zrs = 1000};
  st.block1.n = 1;
  st.capind.shuntc[1] = 1e6f / (2.0f * 3.1415927f * 100.0f * 50.0f);  // 1/50 S at 100 MHz
  st.freq1 = {.fc1 = 100, .fmax = 100, .fmin = 100, .fstep = 10};
  EXPECT_TRUE(run().starts_with(
            "\r\n"
            "                     Rs =***** Ohms               Rl = 75.0 Ohms\r\n"
            "                     Xs =  3.0 Ohms               Xl =-12.5 Ohms\r\n"
            "                    FC1 =   100.0000 MHz    Design   = Low Pass \r\n"
            "                                            Sections =  1\r\n"
            "                                            Response = User-defined\r\n"
            "\r\n"
            "             Frequency Analysis of your Lumped Element Filter results in\r\n"
            "             the following response profile:\r\n"
            "\r\n"
            "                                                  Thru Path\r\n"
            "       Analysis  Input Impedance, Ohms  Input  ----------------  Time\r\n"
            "       Frequency ---------------------  Port     Loss    Phase   Delay    F/Fo\r\n"
            "         (MHz)      Real    Imaginary   VSWR     (dB)    (Deg)   (nsec)\r\n"
            "      ------------------------------------------------------------------------\r\n"));
  st.imp1 = {0, 0, 50, 50, 50};
  EXPECT_EQ(rows(),
            "        100.0000   25.00      -25.00     2.62   -0.969  -26.57    0.637  1.000\r\n");
}

TEST_F(AnalysisReport, BandDesignWithoutCentreShowsAnInfiniteRatio) {
  st.control.ides = 3;
  st.block1.n = 0;
  st.freq1 = {.fc1 = 5, .fmax = 10, .fmin = 10, .fstep = 1};  // the ratio is to Fo, not FC1
  const std::string out = run();
  // No synthesis yet (iop 0): bandwidth and ripple both shown.
  EXPECT_NE(out.find("                   BW   =     0.0000 MHz    Ripple   = 0.000 dB\r\n"),
            std::string::npos);
  EXPECT_TRUE(out.ends_with("    Inf\r\n")) << out;
}

TEST_F(AnalysisReport, LongDelaysLoseTheirDecimals) {
  // A 1 H series inductor into 50 ohms: the delay at low frequency is
  // L / (2 R) = 1e9 / 100 ns, far above 10000 ns.
  st.control.icfg = 2;
  st.block1.n = 1;
  st.capind.serl[1] = 1e9f;
  st.freq1 = {.fc1 = 1, .fmax = 1e-6f, .fmin = 1e-6f, .fstep = 1};
  const std::string row = rows();
  ASSERT_EQ(row.size(), 80u) << row;
  EXPECT_EQ(row.substr(62, 9).find('.'), 8u) << row;
}

}  // namespace
}  // namespace varnholt

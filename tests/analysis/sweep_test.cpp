// The sweep: its step count and frequencies, and the printed analysis report.
#include "analysis/sweep.h"

#include <gtest/gtest.h>

#include <sstream>

#include "synthesis/transform.h"

namespace varnholt {
namespace {

TEST(SweepSteps, CountAndFrequencies) {
  EXPECT_EQ(sweep_steps(100, 200, 30), 3);
  EXPECT_EQ(sweep_steps(100, 200, 40), 3);  // 2.5 rounds away from zero
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

class AnalysisReport : public ::testing::Test {
 protected:
  AnalysisReport() {
    st.imp1 = {0, 0, 50, 50, 50};
    st.control.icfg = 1;
    st.control.ides = 1;
    st.control.ivswr = 1;
    st.main.design = "Low Pass ";
    st.main.resp = padded("User-defined", 20);
  }

  std::string run() {
    std::istringstream in;
    std::ostringstream out;
    Console console(in, out);
    MemoryFileSystem fs;
    Session s{st, console, fs, nullptr};
    EXPECT_TRUE(analysis_run(s));
    return out.str();
  }

  // The table rows: everything after the rule below the column heading.
  std::string rows() {
    const std::string out = run();
    const std::string rule = std::string(6, ' ') + std::string(72, '-') + "\r\n";
    const auto pos = out.find(rule);
    return pos == std::string::npos ? out : out.substr(pos + rule.size());
  }

  State st;
};

TEST_F(AnalysisReport, SingleShuntCapacitorBetweenFiftyOhms) {
  st.block1.n = 1;
  st.capind.shuntc[1] = 1e6f / (2.0f * 3.1415927f * 100.0f * 50.0f);
  st.freq1 = {.fc1 = 100, .fmax = 100, .fmin = 100, .fstep = 10};
  EXPECT_EQ(rows(), "        100.0000   25.00      -25.00     2.62   -0.969  -26.57    0.637  1.000\r\n");
}

TEST_F(AnalysisReport, ChebyshevLowPassRowsStandardAndDual) {
  float am = 0.5f;
  float rod = 0;
  float ros = 0;
  lpfltr(st.capind, am, 100, 1, 3, rod, ros, 50);
  st.block1 = {.am = am, .n = 3};
  st.control.iop = 1;
  st.freq1 = {.fc1 = 100, .fmax = 200, .fmin = 50, .fstep = 50};
  for (int32_t icfg : {1, 2}) {
    st.control.icfg = icfg;
    const std::string table = rows();
    // Loss column (three decimals) at 50, 100, 150 and 200 MHz.
    std::istringstream lines(table);
    std::vector<float> loss;
    for (std::string line; std::getline(lines, line);) loss.push_back(std::stof(line.substr(45, 9)));
    ASSERT_EQ(loss.size(), 4u) << table;
    EXPECT_NEAR(loss[0], -0.50f, 0.0051f);
    EXPECT_NEAR(loss[1], -0.50f, 0.0051f);
    EXPECT_NEAR(loss[2], -10.4f, 0.05f);
    EXPECT_NEAR(loss[3], -19.2f, 0.05f);
  }
}

TEST_F(AnalysisReport, EvenOrderNeedsItsOwnLoad) {
  float am = 0.5f;
  float rod = 0;
  float ros = 0;
  lpfltr(st.capind, am, 100, 1, 4, rod, ros, 50);
  st.block1 = {.am = am, .n = 4};
  st.freq1 = {.fc1 = 100, .fmax = 150, .fmin = 100, .fstep = 50};
  for (int32_t icfg : {1, 2}) {
    st.control.icfg = icfg;
    st.imp1.zrl = icfg == 1 ? ros : rod;
    const std::string table = rows();
    EXPECT_NEAR(std::stof(table.substr(45, 9)), -0.50f, 0.0051f) << table;
    EXPECT_NEAR(std::stof(table.substr(80 + 45, 9)), -18.4f, 0.05f) << table;
  }
}

TEST_F(AnalysisReport, ReturnLossHeadingAndExactMatch) {
  st.block1.n = 0;  // a plain through connection
  st.control.ivswr = 2;
  st.freq1 = {.fc1 = 100, .fmax = 100, .fmin = 100, .fstep = 1};
  const std::string out = run();
  EXPECT_NE(out.find("       Analysis  Input Impedance, Ohms  Return ----------------  Time\r\n"),
            std::string::npos);
  EXPECT_TRUE(out.ends_with(
      "        100.0000   50.00        0.00-Infinity    0.000    0.00    0.000  1.000\r\n"))
      << out;
}

TEST_F(AnalysisReport, HeadingBlockTerminationsAndDesignData) {
  st.imp1 = {.zil = -12.5f, .zis = 3, .zo = 50, .zrl = 75, .zrs = 1000};
  st.block1.n = 0;
  st.freq1 = {.fc1 = 100, .fmax = 100, .fmin = 100, .fstep = 1};
  const std::string out = run();
  EXPECT_TRUE(out.starts_with(
      "\r\n"
      "                     Rs =***** Ohms               Rl = 75.0 Ohms\r\n"
      "                     Xs =  3.0 Ohms               Xl =-12.5 Ohms\r\n"
      "                    FC1 =   100.0000 MHz    Design   = Low Pass \r\n"
      "                                            Sections =  0\r\n"
      "                                            Response = User-defined\r\n"
      "\r\n"
      "             Frequency Analysis of your Lumped Element Filter results in\r\n"
      "             the following response profile:\r\n"
      "\r\n"
      "                                                  Thru Path\r\n"
      "       Analysis  Input Impedance, Ohms  Input  ----------------  Time\r\n"
      "       Frequency ---------------------  Port     Loss    Phase   Delay    F/Fo\r\n"
      "         (MHz)      Real    Imaginary   VSWR     (dB)    (Deg)   (nsec)\r\n"))
      << out;
}

TEST_F(AnalysisReport, BandDesignWithoutCentreShowsInfiniteRatio) {
  st.control.ides = 3;
  st.block1.n = 0;
  st.freq1 = {.fmax = 10, .fmin = 10, .fstep = 1};
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
  const std::string delay = row.substr(62, 9);
  EXPECT_EQ(delay.back(), '.') << row;
  EXPECT_EQ(delay.find('.'), 8u) << row;
}

}  // namespace
}  // namespace varnholt

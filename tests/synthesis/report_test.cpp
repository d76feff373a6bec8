// The synthesis report: the unit switch at its edge, and the skirt line of
// the band designs without an attenuation estimate (a state no dialog
// reaches). Whole reports are recorded under tests/sessions/synthesis-*.
#include "synthesis/report.h"

#include <gtest/gtest.h>

#include "support/session.h"

namespace varnholt {
namespace {

class SynthesisReport : public testing::DialogTest {};

// Above 100000 nH or pF a value is shown in mH or uF.
TEST_F(SynthesisReport, ElementUnitsChangeAboveOneHundredThousand) {
  EXPECT_EQ(std::pair(inductor(100000.0f).value, inductor(100000.0f).unit),
            std::pair(100000.0f, std::string_view("nH")));
  EXPECT_EQ(std::pair(inductor(100001.0f).value, inductor(100001.0f).unit),
            std::pair(0.100001f, std::string_view("mH")));
  EXPECT_EQ(std::pair(capacitor(2.5e5f).value, capacitor(2.5e5f).unit),
            std::pair(0.25f, std::string_view("uF")));
}

// For Bessel and linear-phase band designs with a skirt requirement the
// attenuation shown, and kept, is 0.
TEST_F(SynthesisReport, BandStopBesselSkirtShowsNoAttenuation) {
  st.imp1.zo = 50;
  st.main.a2 = 42.5f;
  st.control = {.ides = 4, .iop = 3, .iskirt = 1};
  st.block1 = {.n = 3};
  st.freq1 = {.bw = 20, .fh1 = 110, .fl1 = 90, .fo = 100, .f1 = 100};
  st.main.design = "Band Stop";
  st.main.resp = padded("Bessel", 20);
  synthesis_run(session);
  EXPECT_NE(output().find("                   BW   =    20.0000 MHz\r\n"
                          "                   F1   =   100.0000 MHz    A1       =   0.00 dB\r\n"
                          "\r\n       Section  Prototype"),
            std::string::npos)
      << output();
  EXPECT_NE(output().find("          3     0.337421   1179.1997 nH   Series       5.4245 nH"),
            std::string::npos);
  EXPECT_EQ(st.main.a2, 0.0f);
}

}  // namespace
}  // namespace varnholt

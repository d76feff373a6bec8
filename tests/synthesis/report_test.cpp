// The synthesis report: design block and element table of both circuits.
#include "synthesis/report.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/session.h"

namespace varnholt {
namespace {

const std::string kBlockHeading = testing::crlf(
    "                    Design Frequencies:      Filter Parameters:\n"
    "                   ---------------------    --------------------\n");
const std::string kTableHeading = testing::crlf(
    "\n       Section  Prototype     Standard   Connection     Dual      Connection\n"
    "       Number    Element      Circuit    in Circuit    Circuit    in Circuit\n"
    "       ---------------------------------------------------------------------\n");

class SynthesisReport : public testing::DialogTest {
 protected:
  SynthesisReport() {
    st.imp1.zo = 50;
    st.main.a2 = 42.5f;
  }
  // The report from the design-block heading on.
  std::string report() {
    synthesis_run(session);
    const std::string text = output();
    return text.substr(std::min(text.find("                    Design Frequencies:"), text.size()));
  }
};

// Above 100000 nH or pF a value is shown in mH or uF.
TEST_F(SynthesisReport, ElementUnitsChangeAboveOneHundredThousand) {
  EXPECT_EQ(std::pair(inductor(100000.0f).value, inductor(100000.0f).unit),
            std::pair(100000.0f, std::string_view("nH")));
  EXPECT_EQ(std::pair(inductor(100001.0f).value, inductor(100001.0f).unit),
            std::pair(0.100001f, std::string_view("mH")));
  EXPECT_EQ(std::pair(capacitor(2.5e5f).value, capacitor(2.5e5f).unit),
            std::pair(0.25f, std::string_view("uF")));
}

TEST_F(SynthesisReport, HighPassButterworthThreeSections) {
  st.control = {.ides = 2, .iop = 2};
  st.block1.n = 3;
  st.freq1.fc1 = 100;
  st.main.design = "High Pass";
  st.main.resp = padded("Butterworth", 20);
  EXPECT_EQ(report(), kBlockHeading +
      "                    FC1 =   100.0000 MHz    Design   = High Pass\r\n"
      "                                            Sections =  3\r\n"
      "                                            Response = Butterworth \r\n" +
      kTableHeading +
      "          0     1.000000     50.00 Ohms   Source      50.00 Ohms   Source\r\n"
      "          1     1.000000     79.5775 nH   Shunt       31.8310 pF   Series\r\n"
      "          2     2.000000     15.9155 pF   Series      39.7887 nH   Shunt\r\n"
      "          3     1.000000     79.5775 nH   Shunt       31.8310 pF   Series\r\n"
      "          4     1.000000     50.00 Ohms   Load        50.00 Ohms   Load\r\n");
}

TEST_F(SynthesisReport, BandPassChebyshevWithSkirt) {
  st.control = {.ides = 3, .iop = 1, .iskirt = 1};
  st.block1 = {.am = 0.5f, .n = 2};
  st.freq1 = {.bw = 20, .fh1 = 110, .fl1 = 90, .fo = 100, .f1 = 130};
  st.main.design = "Band Pass";
  st.main.resp = padded("Chebyshev", 20);
  EXPECT_EQ(report(), kBlockHeading +
      "                   Flow =    90.0000 MHz    Design   = Band Pass\r\n"
      "                   Fo   =   100.0000 MHz    Sections =  2\r\n"
      "                   Fhigh=   110.0000 MHz    Response = Chebyshev   \r\n"
      "                   BW   =    20.0000 MHz    Ripple   = 0.500 dB\r\n"
      "                   F1   =   130.0000 MHz    A1       =  42.50 dB\r\n" +
      kTableHeading +
      "          0     1.000000     50.00 Ohms   Source      50.00 Ohms   Source\r\n"
      "          1     1.402944     11.4589 nH   Parallel   558.2138 nH   Series-\r\n"
      "                            223.2855 pF   -Shunt       4.5836 pF   Series\r\n"
      "          2     0.707084    281.3398 nH   Series-     22.7360 nH   Parallel\r\n"
      "                              9.0944 pF   Series     112.5359 pF   -Shunt\r\n"
      "          3     1.984127     25.20 Ohms   Load        99.21 Ohms   Load\r\n");
}

// For Bessel and linear-phase band designs with a skirt requirement the
// attenuation shown, and kept, is 0.
TEST_F(SynthesisReport, BandStopBesselSkirtShowsNoAttenuation) {
  st.control = {.ides = 4, .iop = 3, .iskirt = 1};
  st.block1 = {.n = 3};
  st.freq1 = {.bw = 20, .fh1 = 110, .fl1 = 90, .fo = 100, .f1 = 100};
  st.main.design = "Band Stop";
  st.main.resp = padded("Bessel", 20);
  EXPECT_EQ(report(), kBlockHeading +
      "                   Flow =    90.0000 MHz    Design   = Band Stop\r\n"
      "                   Fo   =   100.0000 MHz    Sections =  3\r\n"
      "                   Fhigh=   110.0000 MHz    Response = Bessel      \r\n"
      "                   BW   =    20.0000 MHz\r\n"
      "                   F1   =   100.0000 MHz    A1       =   0.00 dB\r\n" +
      kTableHeading +
      "          0     1.000000     50.00 Ohms   Source      50.00 Ohms   Source\r\n"
      "          1     2.203411    180.5779 nH   Series      35.4226 nH   Parallel\r\n"
      "                             14.1690 pF   -Shunt      72.2311 pF   Series\r\n"
      "          2     0.970512     15.6022 nH   Parallel   409.9768 nH   Series\r\n"
      "                            163.9907 pF   -Series      6.2409 pF   -Shunt\r\n"
      "          3     0.337421   1179.1997 nH   Series       5.4245 nH   Parallel\r\n"
      "                              2.1698 pF   -Shunt     471.6799 pF   Series\r\n"
      "          4     1.000000     50.00 Ohms   Load        50.00 Ohms   Load\r\n");
  EXPECT_EQ(st.main.a2, 0.0f);
}

TEST_F(SynthesisReport, LargeValuesInMicrofaradsAndMillihenries) {
  st.control = {.ides = 1, .iop = 2};
  st.block1 = {.n = 2};
  st.freq1.fc1 = 0.1f;
  st.imp1.zo = 10;
  st.main.design = "Low Pass ";
  st.main.resp = padded("Butterworth", 20);
  EXPECT_EQ(report(), kBlockHeading +
      "                    FC1 =     0.1000 MHz    Design   = Low Pass \r\n"
      "                                            Sections =  2\r\n"
      "                                            Response = Butterworth \r\n" +
      kTableHeading +
      "          0     1.000000     10.00 Ohms   Source      10.00 Ohms   Source\r\n"
      "          1     1.414214      0.2251 uF   Shunt    22507.9063 nH   Series\r\n"
      "          2     1.414214  22507.9063 nH   Series       0.2251 uF   Shunt\r\n"
      "          3     1.000000     10.00 Ohms   Load        10.00 Ohms   Load\r\n");
}

}  // namespace
}  // namespace varnholt

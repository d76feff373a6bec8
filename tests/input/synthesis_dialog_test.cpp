// The design-data dialog in whole sessions: every validation message, and
// the question it returns to, in the exact console bytes.
#include <gtest/gtest.h>

#include "support/session.h"

namespace varnholt::testing {
namespace {

const std::string kHeader = "      Please enter the following DESIGN DATA:\r\n";
const std::string kCutoff = "           -Low Pass Cutoff Frequency  (FC1), MHz = ";
const std::string kRipple = "           -Passband Amplitude Ripple   (Am), dB  = ";
const std::string kSections = "           -Number of sections in Filter (N)      = ";
const std::string kSkirt = "           -Out of Band Skirt Frequency (F1), MHz = ";
const std::string kAttenuation = "           -Attenuation at Skirt Freq.  (A1), dB  = ";
const std::string kImpedance = "           -Impedance Level of System  (Zo), Ohms = ";
const std::string kStorage = "\r\n      Is Output Data STORAGE desired (1=YES)= ";

std::string vswr(const char* value) {
  return "           -Resultant Passband VSWR level         =" + std::string(value) + "\r\n";
}
// The I3 field of N, the F9.2 of F1 and the F6.2 of the attenuation reached.
std::string estimate(const char* n, const char* f1, const char* a2) {
  return crlf("           -Number of sections needed in Filter   =" + std::string(n) +
              "\n           -Actual Attenuation at" + f1 + " MHz,dB =" + a2 + "\n");
}

// The console output from the design-data header to the storage question,
// for replies up to it; storage is declined and the program left.
std::string design_data(const std::string& replies) {
  SessionRunner runner;
  const std::string out = runner.run(replies + "0\n3\n").out;
  const auto begin = out.find(kHeader), end = out.find(kStorage);
  return begin == std::string::npos || end == std::string::npos ? "(not found) " + out
                                                                 : out.substr(begin, end - begin);
}

TEST(SynthesisDialog, AllBlankRepliesUseTheDefaultsAndTheSkirtEstimate) {
  // Chebyshev 0.5 dB low-pass at 100 MHz, 40 dB at 200 MHz: five sections.
  EXPECT_EQ(design_data(std::string(9, '\n')),
            kHeader + kCutoff + kRipple + vswr(" 1.984") + kSections + kSkirt + kAttenuation +
                estimate("  5", "   200.00", " 42.04") + kImpedance);
}

TEST(SynthesisDialog, BandEdgesOutOfOrderReturnToTheCentreFrequency) {
  // A centre so large that a 1 MHz band vanishes in float: FL1 equals FH1.
  const std::string centre_and_width =
      "           -Bandpass Center Frequency   (FO), MHz = "
      "           -Bandpass Filter`s Bandwidth (BW), MHz = ";
  EXPECT_EQ(design_data("2\n2\n3\n1e30\n1\n100\n20\n3\n\n"),
            kHeader + centre_and_width +
                crlf("\n      ERROR DETECTED: FH1 must be greater than\n"
                     "                    FL1. Re-enter FH1 and Fl1.\n\n") +
                centre_and_width + kSections + kImpedance);
}

TEST(SynthesisDialog, RippleSizeAndTheWarningAboveSixDecibels) {
  const std::string warning = crlf(
      "\n      ERROR DETECTED: Filters with AM > 6.0 dB have\n"
      "                      VSWR`s greater than 13.8 : 1.\n"
      "                           Enter 1 to re-enter AM : ");
  // 6.01 kept after answering 2; after answering 1, 6.0 passes silently.
  EXPECT_EQ(design_data("2\n1\n1\n\n6.01\n2\n3\n\n"),
            kHeader + kCutoff + kRipple + warning + vswr("13.889") + kSections + kImpedance);
  EXPECT_EQ(
      design_data("2\n1\n1\n\n7\n1\n6\n3\n\n"),
      kHeader + kCutoff + kRipple + warning + kRipple + vswr("13.852") + kSections + kImpedance);
  // A negative ripple is taken by its size: -1 dB gives the VSWR of 1 dB.
  EXPECT_EQ(design_data("2\n1\n1\n\n-1\n3\n\n"),
            kHeader + kCutoff + kRipple + vswr(" 2.660") + kSections + kImpedance);
}

TEST(SynthesisDialog, SectionCountRulesAndTheDesignReported) {
  // N = 1: the second line of the message stays open for the repeated prompt.
  EXPECT_EQ(design_data("2\n2\n1\n\n1\n4\n\n"),
            kHeader + kCutoff + kSections +
                crlf("\n      ERROR DETECTED: N must be less than 31\n"
                     "                      and greater than 1.") +
                kSections + kImpedance);
  SessionRunner runner;
  const struct {
    std::string replies, shown;
  } cases[] = {
      {"2\n2\n1\n\n31\n", "Sections =  5\r\n"},  // the default N, without a message
      {"2\n2\n1\n\n-538\n", "Sections =  1\r\n"},  // a single element, no checks
      {"2\n2\n1\n\n-538\n", "          2     1.000000     50.00 Ohms   Load"},
      {"2\n3\n1\n\n25\n", "Sections = 10\r\n"},  // Bessel and linear phase stop at 10
      {"2\n4\n1\n\n\n", "Sections = 10\r\n"},    // also for a blank reply
      {"2\n2\n2\n\n5\n", "Design   = High Pass\r\n"},
      {"2\n2\n3\n\n\n5\n", "Design   = Band Pass\r\n"},
      {"2\n2\n4\n\n\n5\n", "Design   = Band Stop\r\n"},
  };
  for (const auto& c : cases) {
    const auto r = runner.run(c.replies + "\n0\n3\n");
    EXPECT_NE(r.out.find(c.shown), std::string::npos) << c.replies;
    EXPECT_EQ(r.out.find("Skirt"), std::string::npos) << c.replies;
  }
}

TEST(SynthesisDialog, TheSkirtFrequencyMustLieInTheStopband) {
  const std::string in_passband = crlf(
      "\n      ERROR DETECTED: Skirt frequency must be outside of\n"
      "             filter passband. Enter new skirt frequency.\n\n");
  // Low-pass at 100 MHz: 50 MHz is rejected, then 200 MHz accepted.
  EXPECT_EQ(design_data("2\n2\n1\n\n\n50\n200\n40\n\n"),
            kHeader + kCutoff + kSections + kSkirt + in_passband + kSkirt + kAttenuation +
                estimate("  7", "   200.00", " 42.14") + kImpedance);
  // High-pass mirrored: 40 dB at 50 MHz below a 100 MHz cut-off.
  EXPECT_EQ(design_data("2\n2\n2\n\n\n50\n40\n\n"),
            kHeader + "           -Highpass Cutoff Frequency  (FC1), MHz = " + kSections + kSkirt +
                kAttenuation + estimate("  7", "    50.00", " 42.14") + kImpedance);
  // Band-stop 100..200: the centre is accepted, the edges are not.
  SessionRunner runner;
  for (const std::string f1 : {"100", "250"}) {
    EXPECT_NE(runner.run("2\n2\n4\n150\n100\n\n" + f1 + "\n").out.find(in_passband),
              std::string::npos)
        << f1;
  }
}

TEST(SynthesisDialog, AttenuationChecksByResponse) {
  // Butterworth: 3.99 goes back to the attenuation, 4.0 passes.
  EXPECT_EQ(design_data("2\n2\n1\n\n\n\n3.99\n4\n\n"),
            kHeader + kCutoff + kSections + kSkirt + kAttenuation +
                crlf("\n      ERROR DETECTED: For Butterworth response A1 should\n"
                     "                       be greater than 4.0. Re-enter A1.\n\n") +
                kAttenuation + estimate("  2", "   200.00", " 12.30") + kImpedance);
  // Chebyshev: A1 equal to AM goes back to the ripple question.
  EXPECT_EQ(design_data("2\n1\n1\n\n3\n\n\n3\n1\n\n\n\n\n"),
            kHeader + kCutoff + kRipple + vswr(" 5.809") + kSections + kSkirt + kAttenuation +
                crlf("\n      ERROR DETECTED: For Chebyshev response A1 should be\n"
                     "                     greater than AM. Re-enter A1 and AM.\n\n") +
                kRipple + vswr(" 2.660") + kSections + kSkirt + kAttenuation +
                estimate("  5", "   200.00", " 45.31") + kImpedance);
}

TEST(SynthesisDialog, AnEstimateAboveThirtyAsksForANewSkirtRequirement) {
  // 200 dB at 101 MHz needs far more than 30 sections; then the defaults give 7.
  EXPECT_EQ(design_data("2\n2\n1\n\n\n101\n200\n\n\n\n"),
            kHeader + kCutoff + kSections + kSkirt + kAttenuation +
                estimate("***", "   101.00", "200.08") +
                crlf("\n      ERROR DETECTED: Filter Synthesis is\n"
                     "               limited to N less than 31.\n\n") +
                kSkirt + kAttenuation + estimate("  7", "   200.00", " 42.14") + kImpedance);
}

TEST(SynthesisDialog, ReservedStorageNamesAreRefused) {
  SessionRunner runner;
  const std::string design = "2\n2\n1\n\n3\n\n";
  auto r = runner.run(design + "1\nvarnholt.def\n1\nVarnholt.Def\n3\n");
  EXPECT_NE(r.out.find(crlf("\n      Filename: varnholt.d is reserved by Varnholt.\n"
                            "      Please enter a different filename.\n\n") + kStorage),
            std::string::npos);
  EXPECT_TRUE(runner.fs.exists("Varnholt.Def"));
  r = runner.run(design + "1\n Varnholt.DEF\n3\n");  // a leading blank makes it ordinary
  EXPECT_TRUE(runner.fs.exists(" Varnholt.DEF"));
  // A blank name keeps the reserved one, refused again until storage is declined.
  r = runner.run(design + "1\nvarnholt.exe\n1\n\n0\n3\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("Output Data stored"), std::string::npos);
  EXPECT_NE(r.out.find(" is reserved "), r.out.rfind(" is reserved "));
}

}  // namespace
}  // namespace varnholt::testing

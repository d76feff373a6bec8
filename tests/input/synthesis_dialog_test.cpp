// The design-data dialog: every validation message, and the question it
// returns to, seen in the exact console bytes of whole sessions.
#include <gtest/gtest.h>

#include "support/session_harness.h"

namespace varnholt::testing {
namespace {

constexpr std::string_view kFrequencyPrompt = "           -Low Pass Cutoff Frequency  (FC1), MHz = ";
constexpr std::string_view kRipplePrompt = "           -Passband Amplitude Ripple   (Am), dB  = ";
constexpr std::string_view kSectionsPrompt = "           -Number of sections in Filter (N)      = ";
constexpr std::string_view kSkirtPrompt = "           -Out of Band Skirt Frequency (F1), MHz = ";
constexpr std::string_view kAttenuationPrompt =
    "           -Attenuation at Skirt Freq.  (A1), dB  = ";
constexpr std::string_view kImpedancePrompt = "           -Impedance Level of System  (Zo), Ohms = ";
constexpr std::string_view kStoragePrompt = "\r\n      Is Output Data STORAGE desired (1=YES)= ";

// The console output from the design-data header to the storage question.
std::string design_data(const std::string& out) {
  const auto begin = out.find("      Please enter the following DESIGN DATA:");
  const auto end = out.find(kStoragePrompt);
  if (begin == std::string::npos || end == std::string::npos) return "(not found) " + out;
  return out.substr(begin, end - begin);
}

std::string run_design(const std::string& replies) {
  SessionRunner runner;
  return design_data(runner.run(replies + "0\n3\n").out);
}

constexpr std::string_view kHeader = "      Please enter the following DESIGN DATA:\r\n";

TEST(SynthesisDialog, AllBlankRepliesUseTheDefaultsAndTheSkirtEstimate) {
  // Chebyshev 0.5 dB low-pass at 100 MHz, 40 dB at 200 MHz: five sections.
  EXPECT_EQ(run_design("\n\n\n\n\n\n\n\n\n"),
            std::string(kHeader) + std::string(kFrequencyPrompt) + std::string(kRipplePrompt) +
                "           -Resultant Passband VSWR level         = 1.984\r\n" +
                std::string(kSectionsPrompt) + std::string(kSkirtPrompt) +
                std::string(kAttenuationPrompt) +
                "           -Number of sections needed in Filter   =  5\r\n"
                "           -Actual Attenuation at   200.00 MHz,dB = 42.04\r\n" +
                std::string(kImpedancePrompt));
}

TEST(SynthesisDialog, BandEdgesOutOfOrderReturnToTheCentreFrequency) {
  // Band-pass with a centre so large that a 1 MHz band vanishes in float:
  // FL1 equals FH1.
  const std::string out = run_design("2\n2\n3\n1e30\n1\n100\n20\n3\n\n");
  EXPECT_EQ(out,
            std::string(kHeader) +
                "           -Bandpass Center Frequency   (FO), MHz = "
                "           -Bandpass Filter`s Bandwidth (BW), MHz = "
                "\r\n      ERROR DETECTED: FH1 must be greater than\r\n"
                "                    FL1. Re-enter FH1 and Fl1.\r\n\r\n"
                "           -Bandpass Center Frequency   (FO), MHz = "
                "           -Bandpass Filter`s Bandwidth (BW), MHz = " +
                std::string(kSectionsPrompt) + std::string(kImpedancePrompt));
}

TEST(SynthesisDialog, LargeRippleWarnsAndMayBeKept) {
  const std::string warning =
      "\r\n      ERROR DETECTED: Filters with AM > 6.0 dB have\r\n"
      "                      VSWR`s greater than 13.8 : 1.\r\n"
      "                           Enter 1 to re-enter AM : ";
  // 6.01 kept after answering 2; 6.0 passes silently.
  EXPECT_EQ(run_design("2\n1\n1\n\n6.01\n2\n3\n\n"),
            std::string(kHeader) + std::string(kFrequencyPrompt) + std::string(kRipplePrompt) +
                warning + "           -Resultant Passband VSWR level         =13.889\r\n" +
                std::string(kSectionsPrompt) + std::string(kImpedancePrompt));
  EXPECT_EQ(run_design("2\n1\n1\n\n7\n1\n6\n3\n\n"),
            std::string(kHeader) + std::string(kFrequencyPrompt) + std::string(kRipplePrompt) +
                warning + std::string(kRipplePrompt) +
                "           -Resultant Passband VSWR level         =13.852\r\n" +
                std::string(kSectionsPrompt) + std::string(kImpedancePrompt));
}

TEST(SynthesisDialog, SectionCountRules) {
  const std::string butterworth = "2\n2\n1\n\n";
  const std::string range_error =
      "\r\n      ERROR DETECTED: N must be less than 31\r\n"
      "                      and greater than 1.";
  // N = 1: the second line of the message stays open for the repeated prompt.
  EXPECT_EQ(run_design(butterworth + "1\n4\n\n"),
            std::string(kHeader) + std::string(kFrequencyPrompt) + std::string(kSectionsPrompt) +
                range_error + std::string(kSectionsPrompt) + std::string(kImpedancePrompt));
  // N = 31 falls back to the default N (5) without a message.
  SessionRunner runner;
  auto r = runner.run(butterworth + "31\n\n0\n3\n");
  EXPECT_NE(r.out.find("Sections =  5\r\n"), std::string::npos);
  // -538: a single element, no checks.
  r = runner.run(butterworth + "-538\n\n0\n3\n");
  EXPECT_NE(r.out.find("Sections =  1\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("          2     1.000000     50.00 Ohms   Load"), std::string::npos);
  // Bessel and linear phase stop at 10, also for a blank reply (no skirt questions).
  for (const std::string reply : {"25", ""}) {
    r = runner.run("2\n3\n1\n\n" + reply + "\n\n0\n3\n");
    EXPECT_NE(r.out.find("Sections = 10\r\n"), std::string::npos) << reply;
    EXPECT_EQ(r.out.find("Skirt"), std::string::npos);
  }
}

TEST(SynthesisDialog, SkirtFrequencyMustLieInTheStopband) {
  const std::string in_passband =
      "\r\n      ERROR DETECTED: Skirt frequency must be outside of\r\n"
      "             filter passband. Enter new skirt frequency.\r\n\r\n";
  // Low-pass at 100 MHz: 50 MHz is rejected, then 200 MHz accepted.
  EXPECT_EQ(run_design("2\n2\n1\n\n\n50\n200\n40\n\n"),
            std::string(kHeader) + std::string(kFrequencyPrompt) + std::string(kSectionsPrompt) +
                std::string(kSkirtPrompt) + in_passband + std::string(kSkirtPrompt) +
                std::string(kAttenuationPrompt) +
                "           -Number of sections needed in Filter   =  7\r\n"
                "           -Actual Attenuation at   200.00 MHz,dB = 42.14\r\n" +
                std::string(kImpedancePrompt));
  // Band-stop 100..200: the centre is accepted, the edges are not.
  SessionRunner runner;
  for (const std::string f1 : {"100", "250"}) {
    const auto r = runner.run("2\n2\n4\n150\n100\n\n" + f1 + "\n");
    EXPECT_NE(r.out.find(in_passband), std::string::npos) << f1;
  }
}

TEST(SynthesisDialog, AttenuationChecksByResponse) {
  const std::string flat_low =
      "\r\n      ERROR DETECTED: For Butterworth response A1 should\r\n"
      "                       be greater than 4.0. Re-enter A1.\r\n\r\n";
  const std::string ripple_high =
      "\r\n      ERROR DETECTED: For Chebyshev response A1 should be\r\n"
      "                     greater than AM. Re-enter A1 and AM.\r\n\r\n";
  // Butterworth: 3.99 rejected back to the attenuation, 4.0 passes.
  EXPECT_EQ(run_design("2\n2\n1\n\n\n\n3.99\n4\n\n"),
            std::string(kHeader) + std::string(kFrequencyPrompt) + std::string(kSectionsPrompt) +
                std::string(kSkirtPrompt) + std::string(kAttenuationPrompt) + flat_low +
                std::string(kAttenuationPrompt) +
                "           -Number of sections needed in Filter   =  2\r\n"
                "           -Actual Attenuation at   200.00 MHz,dB = 12.30\r\n" +
                std::string(kImpedancePrompt));
  // Chebyshev: A1 equal to AM goes back to the ripple question.
  const std::string out = run_design("2\n1\n1\n\n3\n\n\n3\n1\n\n\n\n\n");
  EXPECT_EQ(out.substr(0, out.find(ripple_high) + ripple_high.size() + kRipplePrompt.size()),
            std::string(kHeader) + std::string(kFrequencyPrompt) + std::string(kRipplePrompt) +
                "           -Resultant Passband VSWR level         = 5.809\r\n" +
                std::string(kSectionsPrompt) + std::string(kSkirtPrompt) +
                std::string(kAttenuationPrompt) + ripple_high + std::string(kRipplePrompt));
}

TEST(SynthesisDialog, EstimateAboveThirtyAsksForANewSkirtRequirement) {
  const std::string too_many =
      "\r\n      ERROR DETECTED: Filter Synthesis is\r\n"
      "               limited to N less than 31.\r\n\r\n";
  SessionRunner runner;
  // 200 dB at 101 MHz needs far more than 30 sections.
  const auto r = runner.run("2\n2\n1\n\n\n101\n200\n\n\n\n0\n3\n");
  EXPECT_EQ(r.status, 0);
  const std::string out = design_data(r.out);
  EXPECT_NE(out.find(too_many + std::string(kSkirtPrompt)), std::string::npos) << out;
  EXPECT_NE(r.out.find("Sections =  7\r\n"), std::string::npos);
}

TEST(SynthesisDialog, ReservedStorageNamesAreRefused) {
  SessionRunner runner;
  const std::string design = "2\n2\n1\n\n3\n\n";
  const std::string refused =
      "\r\n      Filename: varnholt.d is reserved by Varnholt.\r\n"
      "      Please enter a different filename.\r\n\r\n";
  auto r = runner.run(design + "1\nvarnholt.def\n1\nVarnholt.Def\n3\n");
  EXPECT_NE(r.out.find(refused), std::string::npos);
  EXPECT_TRUE(runner.fs.exists("Varnholt.Def"));
  // A leading blank makes it an ordinary name.
  r = runner.run(design + "1\n Varnholt.DEF\n3\n");
  EXPECT_TRUE(runner.fs.exists(" Varnholt.DEF"));
  // A blank name keeps the reserved one, refused again until storage is declined.
  r = runner.run(design + "1\nvarnholt.exe\n1\n\n0\n3\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("Output Data stored"), std::string::npos);
}

TEST(SynthesisDialog, HighPassSkirtBelowTheCutoff) {
  SessionRunner runner;
  // 40 dB at 50 MHz below a 100 MHz cut-off: the low-pass case mirrored.
  const auto r = runner.run("2\n2\n2\n\n\n50\n40\n\n0\n3\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(design_data(r.out),
            std::string(kHeader) + "           -Highpass Cutoff Frequency  (FC1), MHz = " +
                std::string(kSectionsPrompt) + std::string(kSkirtPrompt) +
                std::string(kAttenuationPrompt) +
                "           -Number of sections needed in Filter   =  7\r\n"
                "           -Actual Attenuation at    50.00 MHz,dB = 42.14\r\n" +
                std::string(kImpedancePrompt));
  EXPECT_NE(r.out.find("                    FC1 =   100.0000 MHz    Design   = High Pass\r\n"
                       "                    F1  =    50.0000 MHz    Sections =  7\r\n"
                       "                    A1  =  42.14 dB         Response = Butterworth \r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace varnholt::testing

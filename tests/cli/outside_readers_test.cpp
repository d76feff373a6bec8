// The exports read back by outside tools: the netlist run by ngspice agrees
// with the program's CSV (the double evaluator), scikit-rf's reading of the
// Touchstone file, terminated as the bench is, agrees with ngspice, and the
// CSV has the promised columns. A missing tool skips, except under CI=true.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "cli_support.h"
#include "outside_tools.h"

namespace varnholt::testing {
namespace {

double angle_gap(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

// The tolerances of the simulator checks of the dialog's analysis.
constexpr double kLossTol = 0.005, kPhaseTol = 0.05;  // dB, degrees

struct Case {
  const char* design;
  double rs, rl;  // the terminations the bench uses
};

TEST(CliOutsideReaders, SimulatorAndTouchstoneReaderAgreeWithTheExports) {
  if (!need("command -v ngspice >/dev/null 2>&1", "ngspice") ||
      !need("/usr/bin/python3 -c 'import skrf' >/dev/null 2>&1", "scikit-rf")) {
    GTEST_SKIP() << "ngspice or scikit-rf missing";
  }
  const Case cases[] = {
      {"--type lp --cutoff 100 --ripple 0.5 --sections 5 --from 10 --to 200", 50, 50},
      {"--type lp --cutoff 100 --ripple 0.5 --sections 4 --from 10 --to 200", 50, 0},
      {"--type hp --response bessel --cutoff 30 --sections 6 --circuit dual --from 3 --to 90", 50, 0},
      {"--type bp --center 100 --bandwidth 20 --ripple 0.1 --sections 5 --circuit dual --from 60 --to 140", 50, 50},
      {"--type bs --response butterworth --center 200 --bandwidth 80 --sections 4 --impedance 75 --from 100 --to 300", 75, 75},
      {"--type bp --response linear-phase --center 10 --bandwidth 2 --sections 3 --source 50 --load 200 --from 6 --to 14", 50, 200},
      {"--type bs --response elliptic --band 90,110 --ripple 0.1 --attenuation 40 --sections 4 --circuit dual --from 60 --to 140", 50, 0},
      {"--type lp --response elliptic --cutoff 100 --ripple 0.2 --attenuation 60 --skirt 130 --from 10 --to 300", 50, 0},
  };
  for (const Case& c : cases) {
    CliFolder folder;
    const std::string args = std::string("design ") + c.design +
                             " --points 41 --spice @/d.cir --csv @/d.csv --touchstone @/d.s2p --json @/d.json";
    ASSERT_EQ(folder.run(args).status, 0) << args;
    double rl = c.rl;
    if (rl == 0) {  // the design's own load: read back from its design file
      const std::string json = read_file(folder.path("d.json"));
      const bool dual = args.find("dual") != std::string::npos;
      auto at = json.find("\"load\"");
      if (!dual) at = json.find("\"load\"", at + 1);  // circuits are written dual first
      rl = std::stod(json.substr(json.find(':', at) + 1));
    }
    output_of("cd " + folder.path("") + " && ngspice -b d.cir >/dev/null 2>&1");
    const auto spice = numbers(read_file(folder.path("d-ac.txt")));
    const auto csv = numbers(read_file(folder.path("d.csv")), ',');
    const std::string readers = output_of("/usr/bin/python3 " + std::string(VARNHOLT_TEST_DATA) +
                                          "/../cli/readers.py " + folder.path("") + " " +
                                          std::to_string(c.rs) + " " + std::to_string(rl) + " 2>&1");
    EXPECT_NE(readers.find("csv 41\n"), std::string::npos) << args << "\n" << readers;
    const auto skrf = numbers(readers);
    ASSERT_EQ(spice.size(), 41u) << args;
    ASSERT_EQ(csv.size(), 41u) << args;
    ASSERT_EQ(skrf.size(), 41u) << args << readers;
    for (std::size_t i = 0; i < spice.size(); ++i) {
      const auto& s = spice[i];  // Hz, S21 dB, S21 deg, S11 dB, S11 deg
      if (s[1] < -250) continue;
      EXPECT_NEAR(csv[i][0], s[0] / 1e6, 1e-5 * csv[i][0]) << args;
      EXPECT_NEAR(csv[i][1], s[1], kLossTol) << args << " at " << csv[i][0];
      EXPECT_LT(angle_gap(csv[i][2], s[2]), kPhaseTol) << args << " at " << csv[i][0];
      EXPECT_NEAR(csv[i][4], s[3], std::max(kLossTol, 1e-3 * std::fabs(s[3]))) << args;
      EXPECT_NEAR(skrf[i][1], s[1], kLossTol) << args << " at " << csv[i][0];
      EXPECT_LT(angle_gap(skrf[i][2], s[2]), kPhaseTol) << args << " at " << csv[i][0];
      EXPECT_NEAR(skrf[i][3], s[3], std::max(kLossTol, 1e-3 * std::fabs(s[3]))) << args;
    }
  }
}

}  // namespace
}  // namespace varnholt::testing

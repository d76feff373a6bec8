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
#include "support/table.h"

namespace varnholt::testing {
namespace {

double angle_gap(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

// The tolerances of the simulator checks of the dialog's analysis.
constexpr double kLossTol = 0.005, kPhaseTol = 0.05;  // dB, degrees

TEST(CliOutsideReaders, SimulatorAndTouchstoneReaderAgreeWithTheExports) {
  if (!need("command -v ngspice >/dev/null 2>&1", "ngspice") ||
      !need("/usr/bin/python3 -c 'import skrf' >/dev/null 2>&1", "scikit-rf")) {
    GTEST_SKIP() << "ngspice or scikit-rf missing";
  }
  for (const Row& c : read_table("cli/outside_readers.txt")) {  // design | bench rs | rl
    CliFolder folder;
    const std::string args = "design " + c[0] +
                             " --points 41 --spice @/d.cir --csv @/d.csv --touchstone @/d.s2p --json @/d.json";
    ASSERT_EQ(folder.run(args).status, 0) << args;
    double rl = std::stod(c[2]);
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
                                          c[1] + " " + std::to_string(rl) + " 2>&1");
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

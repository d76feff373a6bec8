// The exports against physical properties and the stores: a lossless
// reciprocal ladder's S-parameters, the delay as the slope of the phase, and
// design files that read back as exactly the stores' float values.
#include <cmath>
#include <fstream>

#include "pipeline/design_file.h"
#include "pipeline/dialog_runner.h"
#include "ladder/ladder.h"
#include "cli_support.h"

namespace varnholt::testing {
namespace {

std::vector<std::vector<double>> rows_of(const std::string& text, char separator) {
  std::vector<std::vector<double>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || !(std::isdigit(static_cast<unsigned char>(line[0])))) continue;
    for (char& c : line) c = c == separator ? ' ' : c;
    std::istringstream words(line);
    rows.emplace_back();
    for (double v; words >> v;) rows.back().push_back(v);
  }
  return rows;
}

TEST(CliExports, TouchstoneOfALosslessLadderConservesPowerAndIsReciprocal) {
  CliFolder folder;
  const CliResult r = folder.run(
      "design --type bs --center 200 --bandwidth 50 --ripple 0.25 --sections 4 --from 100 --to 300 "
      "--points 101 --reference 75 --touchstone -");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\n# MHz S RI R 75\n"), std::string::npos);
  const auto rows = rows_of(r.out, ' ');
  ASSERT_EQ(rows.size(), 101u);
  for (const auto& v : rows) {
    ASSERT_EQ(v.size(), 9u);
    const double s11 = std::hypot(v[1], v[2]), s21 = std::hypot(v[3], v[4]);
    EXPECT_NEAR(s11 * s11 + s21 * s21, 1.0, 1e-9) << v[0];
    EXPECT_EQ(v[3], v[5]) << v[0];
    EXPECT_EQ(v[4], v[6]) << v[0];
  }
}

// The comment lines heading an export say what the file holds, and nothing
// more: tests/data/cli/export_comments.txt gives the lines of each command.
TEST(CliExports, CommentsSayWhatTheFileHolds) {
  std::ifstream in(std::string(VARNHOLT_TEST_DATA) + "/cli/export_comments.txt");
  std::string command, expected;
  const auto check = [&] {
    if (command.empty()) return;
    CliFolder folder;
    const CliResult r = folder.run(command);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string comments;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      const bool comment = line.rfind("! ", 0) == 0 || line.rfind("* ", 0) == 0;
      if (comment && line.rfind("! freq ", 0) != 0) comments += line + "\n";
    }
    EXPECT_EQ(comments, expected) << command;
  };
  int commands = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("$ ", 0) == 0) {
      command = line.substr(2), expected.clear();
      ++commands;
    } else if (line.empty()) {
      check();
      command.clear();
    } else if (line[0] != '#') {
      expected += line + "\n";
    }
  }
  check();
  EXPECT_EQ(commands, 6);
}

// The delay column against central differences of the phase column (over the
// frequencies as written: float sweep points are not evenly spaced; both
// columns hold float precision, hence the 3e-4).
TEST(CliExports, CsvDelayIsTheSlopeOfThePhase) {
  CliFolder folder;
  const CliResult r = folder.run(
      "design --type bp --center 100 --bandwidth 20 --ripple 0.5 --sections 5 --from 85 --to 115 "
      "--step 0.02 --source 50,10 --load 75,-20 --csv -");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = rows_of(r.out, ',');
  ASSERT_EQ(rows.size(), 1501u);
  for (std::size_t i = 1; i + 1 < rows.size(); i += 11) {
    const double dphase = std::remainder(rows[i + 1][2] - rows[i - 1][2], 360.0);
    const double df_mhz = rows[i + 1][0] - rows[i - 1][0];
    const double slope_ns = -dphase / 360.0 / (df_mhz * 1e6) * 1e9;
    EXPECT_NEAR(rows[i][3], slope_ns, 3e-4 * std::fabs(slope_ns)) << rows[i][0];
  }
}

// The report's circuits of a design file read back as exactly the dialog's
// float stores, so that analysing the file reports what the dialog would.
TEST(CliExports, DesignFileReadsBackAsTheStoresExactly) {
  for (const char* args : {"--type lp --cutoff 100 --ripple 0.5 --sections 5",
                           "--type bs --response butterworth --band 175,225 --skirt 190 --attenuation 20",
                           "--type hp --response bessel --cutoff 12.5 --sections 7 --impedance 75"}) {
    CliFolder folder;
    ASSERT_EQ(folder.run(std::string("design ") + args + " --json @/d.json").status, 0) << args;
    const DesignRecord f = read_design_file(read_file(folder.path("d.json")), "d.json");
    MemoryFileSystem files;
    DialogRunner runner(files, fixed_time);
    runner.synthesise(f.design);
    const State& st = runner.state();
    ASSERT_TRUE(f.dialog_values);
    for (const Configuration config : {Configuration::Standard, Configuration::Dual}) {
      const Ladder want = ladder_from_stores(st.capind, f.design.type, config, st.block1.n);
      const Ladder& got = (config == Configuration::Dual ? f.dialog_values->second
                                                         : f.dialog_values->first).ladder;
      ASSERT_EQ(got.branches.size(), want.branches.size()) << args;
      for (std::size_t k = 0; k < want.branches.size(); ++k) {
        EXPECT_EQ(got.branches[k].l, want.branches[k].l) << args << " position " << k + 1;
        EXPECT_EQ(got.branches[k].c, want.branches[k].c) << args << " position " << k + 1;
        EXPECT_EQ(got.branches[k].kind, want.branches[k].kind) << args;
      }
    }
    EXPECT_EQ(f.standard.source.r, f.design.impedance);
  }
}

}  // namespace
}  // namespace varnholt::testing

namespace varnholt::testing {
namespace {

// A design file holds the ladder exactly: its exports equal the design's.
TEST(CliExports, DesignFileGivesTheDesignsExports) {
  for (const char* args :
       {"--type bp --response butterworth --center 100 --bandwidth 20 --sections 4 --circuit dual",
        "--type bs --response elliptic --band 90,110 --ripple 0.1 --attenuation 40 --sections 5"}) {
    CliFolder folder;
    const std::string exports = " --from 60 --to 140 --points 33 --csv @/a.csv --touchstone @/a.s2p";
    const std::string circuit = std::string(args).find("dual") != std::string::npos ? " --circuit dual" : "";
    ASSERT_EQ(folder.run(std::string("design ") + args + " --json @/d.json" + exports).status, 0);
    const CliResult r = folder.run("analyse @/d.json" + circuit + " --csv - --from 60 --to 140 --points 33");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, read_file(folder.path("a.csv"))) << args;
  }
}

}  // namespace
}  // namespace varnholt::testing

namespace varnholt::testing {
namespace {

// Progress of a sweep beyond 100,000 points, on standard error and only for a terminal.
TEST(CliExports, LongSweepsShowProgressOnATerminalOnly) {
  CliFolder folder;
  const std::string sweep = "design --type lp --cutoff 100 --ripple 0.5 --sections 3 --from 1 "
                            "--to 100.0001 --step 0.001 --csv /dev/null";  // 99,001 points
  EXPECT_EQ(folder.run(sweep, true).err, "");
  const std::string longer = "design --type lp --cutoff 100 --ripple 0.5 --sections 3 --from 1 "
                             "--to 102 --step 0.001 --csv /dev/null --report /dev/null";  // 101,001
  const CliResult quiet = folder.run(longer);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
  const CliResult shown = folder.run(longer, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.err.find("\rvarnholt: csv 100%\n"), std::string::npos) << shown.err.substr(0, 200);
  EXPECT_NE(shown.err.find("\rvarnholt: report 100%\n"), std::string::npos);
}

}  // namespace
}  // namespace varnholt::testing

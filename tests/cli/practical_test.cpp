// The practical options end to end: the report section after the dialog's
// report, the values rounded to the published series, the CSV columns, the
// lossy netlist run by ngspice against the lossy CSV column, and the same
// yield on one thread as on two.
#include <algorithm>
#include <cmath>
#include <map>
#include <regex>

#include "cli_support.h"
#include "outside_tools.h"

namespace varnholt::testing {
namespace {

std::map<std::string, std::string> example() {
  std::map<std::string, std::string> rows;
  for (const std::string& row : table("practical.txt")) rows.insert(sides(row));
  return rows;
}

constexpr const char* kOutputs =
    " --report @/r.txt --csv @/d.csv --spice @/d.cir --touchstone @/d.s2p";

TEST(CliPractical, ReportGainsARoundingTableAndAYieldAfterTheDialogsBytes) {
  auto ex = example();
  CliFolder plain, practical;
  ASSERT_EQ(plain.run(ex["design"] + kOutputs).status, 0);
  const CliResult r = practical.run(ex["design"] + " " + ex["practical"] + kOutputs);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string dialog = read_file(plain.path("r.txt"));
  const std::string report = read_file(practical.path("r.txt"));
  ASSERT_EQ(report.substr(0, dialog.size()), dialog);
  const std::string section = report.substr(dialog.size());
  EXPECT_TRUE(std::regex_search(section, std::regex("\nYield: \\d+\\.\\d % of 300 trials\r\n")))
      << section;
  EXPECT_NE(section.find("Failed most often: "), std::string::npos) << section;
  EXPECT_EQ(std::count(section.begin(), section.end(), '\n'),
            std::count(section.begin(), section.end(), '\r'));

  // Every rounded value is a published E12 value within half a step of its ideal one.
  std::vector<double> e12;
  std::istringstream words(ex["e12"]);
  for (double v; words >> v;) e12.push_back(v);
  const std::regex row(R"(\n  ([LC]\d+) +(\S+) (nH|pF) +(\S+) (nH|pF) +(\S+))");
  int rows = 0;
  for (std::sregex_iterator it(section.begin(), section.end(), row), end; it != end; ++it, ++rows) {
    const double ideal = std::stod((*it)[2]), rounded = std::stod((*it)[4]);
    const double mantissa = rounded / std::pow(10.0, std::floor(std::log10(rounded) + 1e-9));
    EXPECT_TRUE(std::any_of(e12.begin(), e12.end(), [&](double v) {
      return std::fabs(v - mantissa) < 1e-6;
    })) << (*it)[0];
    EXPECT_LT(std::fabs(std::log10(rounded / ideal)), 1.0 / 24.0 + 1e-4) << (*it)[0];
  }
  EXPECT_EQ(rows, 5);

  // The CSV keeps its columns and gains the practical ones; percentiles in order.
  const std::string csv = read_file(practical.path("d.csv"));
  const std::string plain_csv = read_file(plain.path("d.csv"));
  const std::string header = csv.substr(0, csv.find('\n'));
  EXPECT_EQ(header, plain_csv.substr(0, plain_csv.find('\n')) + "," + ex["columns"]);
  const auto values = numbers(csv, ',');
  ASSERT_EQ(values.size(), 41u);
  for (const auto& v : values) {
    ASSERT_EQ(v.size(), 16u);
    EXPECT_LE(v[10], v[11]);
    EXPECT_LE(v[11], v[12]);
    EXPECT_LE(v[13], v[14]);
    EXPECT_LE(v[14], v[15]);
  }
  // The Touchstone file (referred to the 50 ohm terminations) is the lossy rounded ladder.
  const auto s2p = numbers(read_file(practical.path("d.s2p")));
  ASSERT_EQ(s2p.size(), values.size());
  for (std::size_t i = 0; i < s2p.size(); ++i) {
    EXPECT_NEAR(10.0 * std::log10(s2p[i][3] * s2p[i][3] + s2p[i][4] * s2p[i][4]), values[i][9],
                1e-4)
        << "at " << values[i][0] << " MHz";
  }
}

TEST(CliPractical, SimulatorAgreesWithTheLossyColumn) {
  if (!need("command -v ngspice >/dev/null 2>&1", "ngspice")) GTEST_SKIP() << "ngspice missing";
  auto ex = example();
  CliFolder folder;
  ASSERT_EQ(folder.run(ex["design"] + " " + ex["practical"] + kOutputs).status, 0);
  EXPECT_NE(read_file(folder.path("d.cir")).find("\nRLSER2 "), std::string::npos);
  output_of("cd " + folder.path("") + " && ngspice -b d.cir >/dev/null 2>&1");
  const auto spice = numbers(read_file(folder.path("d-ac.txt")));
  const auto csv = numbers(read_file(folder.path("d.csv")), ',');
  ASSERT_EQ(spice.size(), csv.size());
  int compared = 0;
  for (std::size_t i = 0; i < spice.size(); ++i) {
    if (csv[i][9] < -60) continue;
    EXPECT_NEAR(csv[i][9], spice[i][1], 0.01) << "at " << csv[i][0] << " MHz";
    ++compared;
  }
  EXPECT_GT(compared, 20);
}

TEST(CliPractical, OneThreadAndTwoGiveTheSameOutputForASeed) {
  auto ex = example();
  CliFolder one, two;
  ASSERT_EQ(one.run(ex["design"] + " " + ex["practical"] + " --threads 1" + kOutputs).status, 0);
  ASSERT_EQ(two.run(ex["design"] + " " + ex["practical"] + " --threads 2" + kOutputs).status, 0);
  for (const char* name : {"r.txt", "d.csv"}) {
    EXPECT_EQ(read_file(one.path(name)), read_file(two.path(name))) << name;
  }
}

// The IF filter: aligning the trials of its coupled resonators raises the
// yield above the untuned trials' and the ladder's; each design file
// analyses back to the design command's CSV.
TEST(CliPractical, AlignedCoupledTrialsYieldMostAndTheirDesignFileReadsBack) {
  auto ex = example();
  std::vector<double> yields;
  for (const auto& [coupled, align] : {std::pair{false, ""}, std::pair{true, ""},
                                      std::pair{true, " --align"}}) {
    const std::string practical = " " + ex["if_practical"] + align;
    const std::string topology = coupled ? " " + ex["if_coupled"] : "";
    SCOPED_TRACE(topology + practical);
    CliFolder folder;
    const CliResult r = folder.run(ex["if_design"] + topology + practical +
                                   " --report @/r.txt --csv @/d.csv --json @/d.json");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string report = read_file(folder.path("r.txt"));
    std::smatch yield;
    ASSERT_TRUE(std::regex_search(report, yield, std::regex("\nYield: (\\d+\\.\\d) % ")));
    yields.push_back(std::stod(yield[1]));
    ASSERT_EQ(folder.run("analyse @/d.json" + practical + " --csv @/a.csv").status, 0);
    EXPECT_EQ(read_file(folder.path("a.csv")), read_file(folder.path("d.csv")));
  }
  EXPECT_GT(yields[2], yields[1]);
  EXPECT_GT(yields[2], yields[0]);
}

}  // namespace
}  // namespace varnholt::testing

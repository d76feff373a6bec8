// Measurements through the command line: parts made by scikit-rf in place of
// ladder elements (tests/data/cli/measured_parts.txt), a measured two-port
// laid over a design (measured_compare.txt), a measured file shown alone,
// and broken Touchstone files refused wherever a command reads one.
#include <nlohmann/json.hpp>

#include <cmath>

#include "cli_support.h"
#include "outside_tools.h"
#include "support/table.h"

namespace varnholt::testing {
namespace {

using nlohmann::json;

const std::string kPython = "/usr/bin/python3 ";
const std::string kTools = std::string(VARNHOLT_TEST_DATA) + "/../cli/";

bool have_skrf() { return need("/usr/bin/python3 -c 'import skrf' >/dev/null 2>&1", "scikit-rf"); }

std::vector<std::vector<double>> csv_of(const CliFolder& f, const std::string& name) {
  return numbers(read_file(f.path(name)), ',');
}

double largest_gap(const std::vector<std::vector<double>>& a, std::size_t ca,
                   const std::vector<std::vector<double>>& b, std::size_t cb) {
  EXPECT_EQ(a.size(), b.size());
  double gap = 0.0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) gap = std::max(gap, std::fabs(a[i][ca] - b[i][cb]));
  return gap;
}

// Each row: the design, then the element, how its part was measured, a
// capacitance across it (pF), the file's range and points, and options.
// The part's file gives the element's own response (column s21_dB) in the
// column of the built circuit (s21_lossy_dB); with a capacitance across an
// inductor, the response of --inductor-cp.
TEST(CliMeasured, PartFilesStandInForTheirElements) {
  if (!have_skrf()) return;
  for (const std::string& row : table("measured_parts.txt")) {
    const auto [design, part] = sides(row);
    std::istringstream words(part);
    std::string name, fixture, cp, from, to, points, extra;
    words >> name >> fixture >> cp >> from >> to >> points;
    std::getline(words, extra);
    CliFolder f;
    ASSERT_EQ(f.run(design + " --json @/d.json --csv @/a.csv").status, 0) << row;
    const json d = json::parse(read_file(f.path("d.json")));
    const bool inductor = name[0] == 'L';
    const double value = d["circuits"]["standard"]["branches"][std::stoi(name.substr(1)) - 1]
                          [inductor ? "inductance" : "capacitance"];
    const std::string file = f.path("p." + std::string(fixture == "one-port" ? "s1p" : "s2p"));
    output_of(kPython + kTools + "make_part.py " + file + " " + (inductor ? "L " : "C ") +
              std::to_string(value) + " " + fixture + " " + cp + " " + from + " " + to + " " + points);
    const CliResult r = f.run(design + " --part " + name + "=" + file + extra + " --csv @/b.csv --touchstone @/b.s2p");
    ASSERT_EQ(r.status, 0) << row << r.err;
    const bool parasitic = std::stod(cp) > 0.0;
    if (parasitic) {
      ASSERT_EQ(f.run(design + " --inductor-cp " + cp + "p --csv @/a.csv").status, 0) << row;
    }
    EXPECT_LT(largest_gap(csv_of(f, "a.csv"), parasitic ? 8 : 1, csv_of(f, "b.csv"), 8), 0.01) << row;
    const std::string comments = read_file(f.path("b.s2p"));
    EXPECT_NE(comments.find("! " + name + ": measured part p."), std::string::npos) << row;
    EXPECT_EQ(comments.find("! " + name + ": extrapolated") != std::string::npos, !extra.empty()) << row;
  }
}

json compare_figures(CliFolder& f, const std::string& design, const std::string& outputs) {
  const CliResult r = f.run(design + " --compare @/m.s2p --json @/c.json" + outputs);
  EXPECT_EQ(r.status, 0) << design << r.err;
  return json::parse(read_file(f.path("c.json")))["measured"]["compare"];
}

// The program's own Touchstone file of a design, compared with that design,
// differs by nothing; compared with the design at other band edges, each
// edge moves by the difference of the two designs' edges.
TEST(CliMeasured, ComparisonFindsTheShiftPutIn) {
  for (const std::string& row : table("measured_compare.txt")) {
    const auto [built, measured] = sides(row);
    CliFolder f;
    ASSERT_EQ(f.run(measured + " --touchstone @/m.s2p").status, 0) << row;
    const json self = compare_figures(f, measured, "");
    EXPECT_LT(self["worst_passband_difference_db"].get<double>(), 1e-6) << row;
    const json other = compare_figures(f, built, " --csv @/c.csv --html @/c.html");
    ASSERT_EQ(other["edges"].size(), self["edges"].size()) << row;
    for (std::size_t k = 0; k < self["edges"].size(); ++k) {
      EXPECT_LT(std::fabs(self["edges"][k]["shift_mhz"].get<double>()), 1e-6) << row;
      const double put_in = self["edges"][k]["designed_mhz"].get<double>() -
                            other["edges"][k]["designed_mhz"].get<double>();
      EXPECT_NEAR(other["edges"][k]["shift_mhz"].get<double>(), put_in, 1e-6) << row;
    }
    const std::string csv = read_file(f.path("c.csv"));
    EXPECT_NE(csv.find(",s21_measured_dB,s11_measured_dB\n"), std::string::npos) << row;
    const std::string page = read_file(f.path("c.html"));
    for (const char* curve : {"S21 measured", "S11 measured"}) EXPECT_NE(page.find(curve), std::string::npos) << row;
  }
}

// A measured file alone: the page's charts and Smith chart without a circuit,
// and a table of the file's own values, as scikit-rf reads them.
TEST(CliMeasured, MeasuredFileAlone) {
  if (!have_skrf()) return;
  CliFolder f;
  ASSERT_EQ(f.run("design --type bp --center 100 --bandwidth 20 --response butterworth --sections 4 "
                  "--points 81 --touchstone @/m.s2p").status, 0);
  const CliResult r = f.run("analyse @/m.s2p --csv @/m.csv --html @/m.html");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string page = read_file(f.path("m.html"));
  for (const char* id : {"id=\"response\"", "id=\"passband\"", "id=\"smith\""}) EXPECT_NE(page.find(id), std::string::npos) << id;
  EXPECT_EQ(page.find("id=\"schematic\""), std::string::npos);
  const auto outside = numbers(output_of(kPython + "-c \"import numpy; numpy.complex = complex; import skrf; n = skrf.Network('" +
                                         f.path("m.s2p") + "'); [print(x / 1e6, a, b) for x, a, b in zip(n.f, n.s_db[:, 1, 0], n.s_db[:, 0, 0])]\" 2>/dev/null"));
  const auto csv = csv_of(f, "m.csv");
  ASSERT_EQ(outside.size(), 81u);
  EXPECT_LT(largest_gap(outside, 0, csv, 0), 1e-9);
  EXPECT_LT(largest_gap(outside, 1, csv, 1), 1e-9);
  EXPECT_LT(largest_gap(outside, 2, csv, 4), 1e-9);
}

// Every broken file of tests/data/touchstone/bad_files.txt ("name | line |
// fragment"), wherever a command reads it: status 2, its line and what is
// wrong in the message, nothing written.
TEST(CliMeasured, BrokenFilesAreRefusedWhereverTheyAreRead) {
  for (const Row& row : read_table("touchstone/bad_files.txt")) {
    const auto cell = [&row](std::size_t k) {
      std::istringstream words(row[k]);
      std::string word, all;
      while (words >> word) all += (all.empty() ? "" : " ") + word;
      return all;
    };
    const std::string name = cell(0), at = name + ":" + cell(1) + ":";
    const std::string file = std::string(VARNHOLT_TEST_DATA) + "/touchstone/bad/" + name;
    const std::string design = "design --type lp --cutoff 100 --ripple 0.5 --sections 5 --csv @/o.csv";
    for (const std::string& command : {"analyse " + file + " --csv @/o.csv", design + " --compare " + file,
                                       design + " --part L2=" + file}) {
      CliFolder f;
      const CliResult r = f.run(command);
      EXPECT_EQ(r.status, 2) << command;
      EXPECT_NE(r.err.find(at), std::string::npos) << command << r.err;
      EXPECT_NE(r.err.find(cell(2)), std::string::npos) << command << r.err;
      EXPECT_TRUE(f.files().empty()) << command;
    }
  }
}

// A two-port with no series impedance that is still not a fixture of one
// part (a transformer: A = 2, D = 0.5) stands in for no element.
TEST(CliMeasured, TwoPortThatIsNoFixtureIsRefused) {
  CliFolder f;
  const CliResult r = f.run("design --type lp --cutoff 100 --response butterworth --sections 3 "
                            "--points 11 --part L2=%/transformer.s2p --csv @/o.csv");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("neither a series fixture"), std::string::npos) << r.err;
  EXPECT_TRUE(f.files().empty());
}

}  // namespace
}  // namespace varnholt::testing

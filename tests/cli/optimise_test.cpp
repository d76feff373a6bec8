// The value search and the refinement through the command line: never worse
// than rounding, the same on one thread as on two, the search's own figures
// those of the outputs, the netlist of the chosen parts inside the mask in
// the simulator, and a wide coupled-resonator design refined back to its band.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <map>

#include "cli_support.h"
#include "outside_tools.h"

namespace varnholt::testing {
namespace {

using nlohmann::json;

std::map<std::string, std::string> rows() {
  std::map<std::string, std::string> out;
  for (const std::string& row : table("optimise.txt")) out.insert(sides(row));
  return out;
}

json json_of(const CliFolder& folder, const std::string& name) {
  return json::parse(read_file(folder.path(name)))["practical"];
}

double built_margin(const json& practical) { return practical["checks"].back()["worst_margin_db"]; }

// The column of a CSV header, by name.
std::size_t column(const std::string& csv, const std::string& name) {
  const std::string header = "," + csv.substr(0, csv.find('\n')) + ",";
  const auto at = header.find("," + name + ",");
  EXPECT_NE(at, std::string::npos) << name;
  return static_cast<std::size_t>(std::count(header.begin(), header.begin() + at, ','));
}

// The simulator's S21 of the netlist against the CSV's column of the same
// circuit, and inside the passband's largest loss at every point there.
void expect_simulated_inside(const CliFolder& folder, const std::string& band) {
  std::istringstream words(band);
  double lo = 0, hi = 0, max_loss = 0;
  words >> lo >> hi >> max_loss;
  output_of("cd " + folder.path("") + " && ngspice -b d.cir >/dev/null 2>&1");
  const auto spice = numbers(read_file(folder.path("d-ac.txt")));
  const std::string csv_text = read_file(folder.path("d.csv"));
  const auto csv = numbers(csv_text, ',');
  const bool lossy = csv_text.find("s21_lossy_dB") != std::string::npos;
  const std::size_t col = column(csv_text, lossy ? "s21_lossy_dB" : "s21_optimised_dB");
  ASSERT_EQ(spice.size(), csv.size());
  int inside = 0;
  for (std::size_t i = 0; i < spice.size(); ++i) {
    const double f = csv[i][0], s21 = spice[i][1];
    if (csv[i][col] > -60) {
      EXPECT_NEAR(s21, csv[i][col], 0.01) << "at " << f << " MHz";
    }
    if (f < lo || f > hi) continue;
    EXPECT_LE(-s21, max_loss + 1e-3) << "at " << f << " MHz";
    ++inside;
  }
  EXPECT_GT(inside, 10);
}

TEST(CliOptimise, SearchBeatsRoundingOnEveryDesignAndItsNetlistPassesInTheSimulator) {
  auto r = rows();
  const bool simulate = need("command -v ngspice >/dev/null 2>&1", "ngspice");
  const std::string tolerances = " " + r["tolerances"];
  for (const char* name : {"lowpass", "bandpass", "elliptic", "coupled", "butterworth_pairs",
                           "highpass_q"}) {
    SCOPED_TRACE(name);
    const auto [band, design] = sides(r[name]);
    std::string plain_design = design;
    if (const auto p = plain_design.find(" --pairs"); p != std::string::npos) plain_design.erase(p, 8);
    CliFolder rounded, margin, yield;
    ASSERT_EQ(rounded.run(plain_design + tolerances + " --json @/d.json").status, 0);
    const CliResult m =
        margin.run(design + tolerances + " --optimise --json @/d.json --csv @/d.csv --spice @/d.cir");
    ASSERT_EQ(m.status, 0) << m.err;
    ASSERT_EQ(yield.run(design + tolerances + " --optimise yield --json @/d.json").status, 0);
    const json plain = json_of(rounded, "d.json"), best = json_of(margin, "d.json"),
               most = json_of(yield, "d.json");

    // Rounding fails; the search passes, and says what the outputs say.
    EXPECT_LT(built_margin(plain), 0.0);
    EXPECT_GT(built_margin(best), 0.0);
    EXPECT_DOUBLE_EQ(best["optimisation"]["worst_margin_db"], built_margin(best));
    EXPECT_NEAR(best["optimisation"]["rounded_worst_margin_db"], built_margin(plain), 1e-9);
    EXPECT_EQ(best["optimisation"]["rounded_yield_percent"], plain["yield"]["percent"]);

    // The yield search: its yield is the trials' yield of its values, never below rounding's.
    EXPECT_EQ(most["optimisation"]["yield_percent"], most["yield"]["percent"]);
    EXPECT_GE(most["yield"]["percent"], plain["yield"]["percent"]);
    EXPECT_GE(built_margin(most), built_margin(plain));
    if (simulate) expect_simulated_inside(margin, band);
  }
}

TEST(CliOptimise, SameOutputsOnOneAndTwoThreads) {
  auto r = rows();
  const std::string command = sides(r["bandpass"]).second + " " + r["tolerances"] +
                              " --optimise yield --pairs --free C2" +
                              " --report @/r.txt --json @/d.json --csv @/d.csv --html @/p.html";
  CliFolder one, two;
  ASSERT_EQ(one.run(command + " --threads 1").status, 0);
  ASSERT_EQ(two.run(command + " --threads 2").status, 0);
  for (const char* name : {"r.txt", "d.json", "d.csv", "p.html"}) {
    EXPECT_EQ(read_file(one.path(name)), read_file(two.path(name))) << name;
  }
  // The free capacitor is set continuously, the others bought.
  const json practical = json_of(one, "d.json");
  for (const json& e : practical["elements"]) {
    EXPECT_EQ(e["parts"]["choice"] == "free", e["name"] == "C2") << e;
  }
}

// A bound on the designs evaluated ends the search with the best so far,
// which is never worse than rounding, and the outputs say that it stopped.
TEST(CliOptimise, StopsAtTheEvaluationBoundAndSaysSo) {
  auto r = rows();
  CliFolder folder;
  const CliResult run = folder.run(sides(r["lowpass"]).second +
                                       " --optimise --max-evaluations 12 --report @/r.txt --json @/d.json",
                                   true);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");  // a search under a second shows no progress
  EXPECT_NE(read_file(folder.path("r.txt")).find("Stopped at --max-evaluations 12 with the best found so far"),
            std::string::npos);
  const json o = json_of(folder, "d.json")["optimisation"];
  EXPECT_TRUE(o["stopped"]);
  EXPECT_LE(o["evaluations"], 12);
  EXPECT_GE(o["worst_margin_db"], o["rounded_worst_margin_db"]);
}

// The top-C band-pass of 20 % bandwidth: refined, its edges within 0.5 % of
// the bandwidth of those asked and its ripple within 0.05 dB, in the
// simulator as in the program's own measurement.
TEST(CliOptimise, RefineBringsAWideCoupledDesignBackToItsBand) {
  auto r = rows();
  std::istringstream asked(r["refine_band"]);
  double lower = 0, upper = 0, ripple = 0;
  asked >> lower >> upper >> ripple;
  const double width = upper - lower;
  CliFolder folder;
  const CliResult run = folder.run(r["refine"] + " --json @/d.json --spice @/d.cir --from " +
                                   std::to_string(lower - width / 4) + " --to " +
                                   std::to_string(upper + width / 4) + " --points 3001");
  ASSERT_EQ(run.status, 0) << run.err;
  const json band = json_of(folder, "d.json")["refinement"]["band"];
  EXPECT_NEAR(band["lower_mhz"], lower, 0.005 * width);
  EXPECT_NEAR(band["upper_mhz"], upper, 0.005 * width);
  EXPECT_NEAR(band["ripple_db"], ripple, 0.05);
  if (!need("command -v ngspice >/dev/null 2>&1", "ngspice")) GTEST_SKIP() << "ngspice missing";
  output_of("cd " + folder.path("") + " && ngspice -b d.cir >/dev/null 2>&1");
  const auto spice = numbers(read_file(folder.path("d-ac.txt")));
  ASSERT_EQ(spice.size(), 3001u);
  double first = 0, last = 0, worst = 0;
  for (const auto& p : spice) {
    const double f = p[0] / 1e6, loss = -p[1];
    if (loss > ripple + 1e-9) continue;
    if (first == 0) first = f;
    last = f;
  }
  for (const auto& p : spice)
    if (p[0] / 1e6 >= first && p[0] / 1e6 <= last) worst = std::max(worst, -p[1]);
  EXPECT_NEAR(first, lower, 0.005 * width);
  EXPECT_NEAR(last, upper, 0.005 * width);
  EXPECT_NEAR(worst, ripple, 0.05);
}

}  // namespace
}  // namespace varnholt::testing

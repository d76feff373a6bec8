// The computed responses by their defining properties, measured by ngspice
// on the netlists the command writes, and their orders from a skirt.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <numbers>

#include "cli_support.h"
#include "outside_tools.h"
#include "support/table.h"

namespace varnholt::testing {
namespace {

constexpr double kCutoffMhz = 100.0;

// ngspice's AC rows of `options`' 100 MHz low-pass: Hz, S21 dB, S21 deg, ...
std::vector<std::vector<double>> simulated(const std::string& options, const std::string& sweep) {
  CliFolder folder;
  EXPECT_EQ(folder.run("design --type lp --cutoff 100 " + options + " " + sweep + " --spice @/d.cir").status, 0);
  output_of("cd " + folder.path("") + " && ngspice -b d.cir >/dev/null 2>&1");
  return numbers(read_file(folder.path("d-ac.txt")));
}

// The step response's overshoot, percent: the netlist's source a unit step,
// its AC analysis a transient one.
double overshoot_percent(const std::string& options) {
  CliFolder folder;
  EXPECT_EQ(folder.run("design --type lp --cutoff 100 " + options + " --spice @/d.cir").status, 0);
  std::string net = read_file(folder.path("d.cir"));
  const auto swap = [&net](const std::string& from, const std::string& to) {
    const auto at = net.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    net.replace(at, net.find('\n', at) - at, to);
  };
  swap("V1 src 0", "V1 src 0 PULSE(0 1 0 1p 1p 1 2)");
  swap(".ac lin", ".tran 20p 200n");
  swap("let gain", "let vo = v(out)");
  swap("let s21_db", "wrdata step.txt vo");
  std::ofstream(folder.path("s.cir")) << net;
  output_of("cd " + folder.path("") + " && ngspice -b s.cir >/dev/null 2>&1");
  const auto rows = numbers(read_file(folder.path("step.txt")));
  EXPECT_GT(rows.size(), 1000u) << options;
  if (rows.empty()) return 1e9;
  double peak = 0.0;
  for (const auto& r : rows) peak = std::max(peak, r[1]);
  return 100.0 * (peak / rows.back()[1] - 1.0);
}

// Loss slope at the cut-off, dB per MHz, from the points either side.
double cutoff_slope(const std::vector<std::vector<double>>& rows) {
  double below = 0, above = 0;
  for (const auto& r : rows) {
    if (std::fabs(r[0] - 99e6) < 1) below = -r[1];
    if (std::fabs(r[0] - 101e6) < 1) above = -r[1];
  }
  return (above - below) / 2.0;
}

void expect_steeper(const std::string& options, double by) {
  const std::string sweep = "--from 1 --to 101 --step 1";
  const auto rows = simulated(options, sweep);
  ASSERT_EQ(rows.size(), 101u);
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_LE(rows[i][1], rows[i - 1][1] + 1e-9) << rows[i][0];
  std::string reference = options;
  reference.replace(reference.find("legendre"), 8, "butterworth");
  EXPECT_GT(cutoff_slope(rows), cutoff_slope(simulated(reference, sweep)) + by) << options;
}

// The phase less the line of unit delay (1 / (2 pi fc) seconds): its lobes
// from 0 Hz until it departs, each of the stated amplitude.
void expect_phase_ripple(const std::string& options, double amplitude) {
  const auto rows = simulated(options, "--from 0.5 --to 1500 --step 0.5");
  ASSERT_GT(rows.size(), 1000u);
  std::vector<double> error;
  for (const auto& r : rows) {
    const double linear = -360.0 * r[0] / (2.0 * std::numbers::pi * kCutoffMhz * 1e6);
    error.push_back(std::remainder(r[2] - linear, 360.0));
  }
  std::vector<double> lobes;  // the extremes between sign changes, until it departs
  double extreme = 0.0;
  for (std::size_t i = 1; i < error.size() && std::fabs(error[i]) < 3 * amplitude; ++i) {
    if (std::signbit(error[i]) != std::signbit(error[i - 1])) {
      lobes.push_back(std::fabs(extreme));
      extreme = 0.0;
    }
    if (std::fabs(error[i]) > std::fabs(extreme)) extreme = error[i];
  }
  const int order = std::stoi(options.substr(options.find("--sections") + 11));
  ASSERT_GE(lobes.size(), static_cast<std::size_t>(order)) << options;
  for (std::size_t k = 1; k < lobes.size(); ++k) {
    EXPECT_NEAR(lobes[k], amplitude, 0.05 * amplitude) << options << " lobe " << k;
  }
}

TEST(CliResponses, EachHasItsDefiningPropertyInTheSimulator) {
  if (!need("command -v ngspice >/dev/null 2>&1", "ngspice")) GTEST_SKIP() << "ngspice missing";
  for (const Row& row : read_table("cli/response_properties.txt")) {
    SCOPED_TRACE(row[0]);
    const double bound = std::stod(row[2]);
    if (row[1] == "steeper") expect_steeper(row[0], bound);
    if (row[1] == "ripple") expect_phase_ripple(row[0], bound);
    if (row[1] == "overshoot") {
      const double percent = overshoot_percent(row[0]);
      EXPECT_LT(percent, bound) << percent;
    }
  }
}

// The loss (dB) of a design at f MHz, from the command's CSV.
double loss_at(const std::string& design, const std::string& f) {
  CliFolder folder;
  const CliResult r = folder.run(design + " --from " + f + " --to " + f + " --points 1 --csv -");
  EXPECT_EQ(r.status, 0) << design << r.err;
  const auto rows = numbers(r.out, ',');
  return rows.empty() ? 0.0 : -rows[0][1];
}

// The order a skirt requirement gives meets it, and one section fewer does not.
TEST(CliResponses, SkirtGivesTheLowestOrderThatMeetsIt) {
  for (const Row& row : read_table("cli/skirt_orders.txt")) {  // design | F1 | A1
    SCOPED_TRACE(row[0]);
    CliFolder folder;
    const std::string skirt = " --skirt " + row[1] + " --attenuation " + row[2];
    const CliResult r = folder.run(row[0] + skirt + " --json -");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto at = r.out.find("\"sections\": ");
    ASSERT_NE(at, std::string::npos);
    const int n = std::stoi(r.out.substr(at + 12));
    const double a1 = std::stod(row[2]);
    EXPECT_GE(loss_at(row[0] + skirt, row[1]), a1);
    if (n > 2) {
      const std::string fewer = row[0] + " --sections " + std::to_string(n - 1) +
                                (row[0].find("inverse") != std::string::npos ? " --attenuation " + row[2] : "");
      EXPECT_LT(loss_at(fewer, row[1]), a1) << n - 1 << " sections";
    }
  }
}

}  // namespace
}  // namespace varnholt::testing

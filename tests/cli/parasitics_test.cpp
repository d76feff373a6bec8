// The parasitics of real parts end to end, from tests/data/cli/parasitics.txt:
// ngspice on the netlist against the built ladder's CSV column, the
// resonances the parasitics make at the frequencies the netlist's values
// predict, and the Q laws' loss resistance at twice the frequency of the Q.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <map>
#include <numbers>

#include "cli_support.h"
#include "outside_tools.h"

namespace varnholt::testing {
namespace {

struct Rows {
  std::map<std::string, std::string> circuits;
  std::vector<std::vector<std::string>> rows;  // the other rows, split at " | "
};

Rows rows() {
  Rows out;
  for (const std::string& line : table("parasitics.txt")) {
    std::vector<std::string> f;
    for (std::size_t at = 0;;) {
      const auto bar = line.find(" | ", at);
      f.push_back(line.substr(at, bar - at));
      if (bar == std::string::npos) break;
      at = bar + 3;
    }
    if (f[0] == "circuit") out.circuits[f[1]] = f[2];
    else out.rows.push_back(f);
  }
  return out;
}

// The CSV's rows and the index of its built-ladder column.
struct Csv {
  std::vector<std::vector<double>> v;
  std::size_t built = 0;
};
Csv run(CliFolder& folder, const std::string& command) {
  const CliResult r = folder.run(command + " --csv @/d.csv --spice @/d.cir --touchstone @/d.s2p");
  EXPECT_EQ(r.status, 0) << command << "\n" << r.err;
  const std::string text = read_file(folder.path("d.csv"));
  const std::string before = text.substr(0, text.find(",s21_lossy_dB") + 1);
  return {numbers(text, ','), static_cast<std::size_t>(std::count(before.begin(), before.end(), ','))};
}

// The netlist's elements by name, in henries and farads.
std::map<std::string, double> elements(const std::string& netlist) {
  static const std::map<std::string, double> scale{{"f", 1e-15}, {"p", 1e-12}, {"n", 1e-9},
                                                   {"u", 1e-6},  {"m", 1e-3},  {"", 1.0}};
  std::map<std::string, double> out;
  std::istringstream lines(netlist);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream w(line);
    std::string name, a, b, value;
    if (!(w >> name >> a >> b >> value) || !std::isupper(static_cast<unsigned char>(name[0]))) continue;
    char* end = nullptr;
    const double v = std::strtod(value.c_str(), &end);
    const std::string prefix(end);
    if (end != value.c_str() && scale.count(prefix)) out[name] = v * scale.at(prefix);
  }
  return out;
}

TEST(CliParasitics, SimulatorAgreesWithTheBuiltColumn) {
  if (!need("command -v ngspice >/dev/null 2>&1", "ngspice")) GTEST_SKIP() << "ngspice missing";
  const Rows t = rows();
  for (const auto& row : t.rows) {
    if (row[0] != "spice") continue;
    SCOPED_TRACE(row[1] + " " + row[2]);
    CliFolder folder;
    const Csv csv = run(folder, t.circuits.at(row[1]) + " " + row[2]);
    output_of("cd " + folder.path("") + " && ngspice -b d.cir >/dev/null 2>&1");
    const auto spice = numbers(read_file(folder.path("d-ac.txt")));
    ASSERT_EQ(spice.size(), csv.v.size());
    int compared = 0;
    for (std::size_t i = 0; i < spice.size(); ++i) {
      if (csv.v[i][csv.built] < -60) continue;
      EXPECT_NEAR(csv.v[i][csv.built], spice[i][1], 0.01) << "at " << csv.v[i][0] << " MHz";
      ++compared;
    }
    EXPECT_GT(compared, 20);
  }
}

TEST(CliParasitics, ResonancesFallWhereTheElementValuesPutThem) {
  const Rows t = rows();
  for (const auto& row : t.rows) {
    if (row[0] != "dip") continue;
    const std::string command = t.circuits.at(row[1]) + " " + row[2];
    CliFolder folder;
    run(folder, command);
    int found = 0;
    const auto values = elements(read_file(folder.path("d.cir")));
    for (const auto& [name, x] : values) {
      if (name.rfind(row[3], 0) != 0 || !values.count(row[4] + name)) continue;
      ++found;
      const double f = 1e-6 / (2 * std::numbers::pi * std::sqrt(x * values.at(row[4] + name)));
      SCOPED_TRACE(command + ": " + name + " at " + std::to_string(f) + " MHz");
      const Csv csv = run(folder, command + " --from " + std::to_string(0.9 * f) + " --to " +
                                      std::to_string(2 * f) + " --points 1101");
      // The deepest loss up to 1.1 f (the other elements' resonances lie further off).
      const auto near = std::find_if(csv.v.begin(), csv.v.end(), [&](auto& p) { return p[0] > 1.1 * f; });
      const auto deepest = std::min_element(csv.v.begin(), near, [&](auto& a, auto& b) {
        return a[csv.built] < b[csv.built];
      });
      EXPECT_NEAR((*deepest)[0] / f, 1.0, 0.05);
      EXPECT_LT((*deepest)[csv.built], csv.v.front()[csv.built] - 20.0);
      EXPECT_GT(csv.v.back()[csv.built], csv.v.back()[1] + 10.0);
    }
    EXPECT_GT(found, 1) << command;
  }
}

TEST(CliParasitics, QLawsScaleTheLossResistanceAsStated) {
  for (const auto& row : rows().rows) {
    if (row[0] != "law") continue;
    CliFolder folder;
    ASSERT_EQ(folder.run("analyse %/series_inductor.ckt --q-inductor 50 " + row[1] +
                         " --from 100 --to 200 --points 2 --touchstone @/d.s2p")
                  .status,
              0)
        << row[1];
    const auto s = numbers(read_file(folder.path("d.s2p")));
    ASSERT_EQ(s.size(), 2u);
    // A series Z, then a shunt Y: the chain matrix's B is Z, and from the
    // S-parameters B = z0 ((1 + S11) (1 + S22) - S12 S21) / (2 S21).
    const auto r = [](const std::vector<double>& p) {
      using C = std::complex<double>;
      const C s11(p[1], p[2]), s21(p[3], p[4]), s12(p[5], p[6]), s22(p[7], p[8]);
      return (50.0 * ((1.0 + s11) * (1.0 + s22) - s12 * s21) / (2.0 * s21)).real();
    };
    EXPECT_NEAR(r(s[1]) / r(s[0]), std::stod(row[2]), 1e-9) << row[1];
  }
}

}  // namespace
}  // namespace varnholt::testing

// The Touchstone reader: broken files name their line and defect; valid
// files read as tabulated; random networks in every form scikit-rf writes
// (and those it cannot write, made from its networks) read as scikit-rf's
// values; the program's own export reads back as the numbers it wrote.
#include <nlohmann/json.hpp>

#include <cmath>

#include "cli/cli_support.h"
#include "cli/outside_tools.h"
#include "support/table.h"
#include "touchstone/touchstone.h"

namespace varnholt::testing {
namespace {

const std::string kData = VARNHOLT_TEST_DATA "/touchstone/";
const std::string kScript = "/usr/bin/python3 " VARNHOLT_TEST_DATA "/../touchstone/skrf_networks.py ";

std::string trimmed(const std::string& s) {
  const auto a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::vector<double> values(const std::string& field) {
  std::istringstream in(field);
  std::vector<double> v;
  for (double x; in >> x;) v.push_back(x);
  return v;
}

TEST(Touchstone, BrokenFilesNameTheirLineAndDefect) {
  for (const Row& r : read_table("touchstone/bad_files.txt")) {
    const std::string name = trimmed(r[0]), fragment = trimmed(r[2]);
    try {
      read_touchstone(read_file(kData + "bad/" + name), name);
      ADD_FAILURE() << name << " was read";
    } catch (const TouchstoneError& e) {
      const std::string what = e.what();
      EXPECT_EQ(e.line(), std::stoi(r[1])) << what;
      EXPECT_EQ(what.rfind(name + ":" + std::to_string(e.line()) + ": ", 0), 0u) << what;
      EXPECT_NE(what.find(fragment), std::string::npos) << what;
    }
  }
}

TEST(Touchstone, ValidFilesReadAsTabulated) {
  for (const Row& r : read_table("touchstone/good_files.txt")) {
    const std::string name = trimmed(r[0]);
    const NetworkData d = read_touchstone(read_file(kData + "good/" + name), name);
    EXPECT_EQ(d.ports, std::stoi(r[1])) << name;
    ASSERT_EQ(d.f_hz.size(), std::stoul(r[2])) << name;
    EXPECT_EQ(d.f_hz.front(), std::stod(r[3])) << name;
    EXPECT_EQ(d.f_hz.back(), std::stod(r[4])) << name;
    EXPECT_EQ(d.reference_ohms, values(r[5])) << name;
    const auto s = values(r[6]);
    ASSERT_EQ(s.size(), d.ports == 1 ? 2u : 8u) << name;
    for (std::size_t k = 0; k < s.size() / 2; ++k) {
      EXPECT_NEAR(std::abs(d.s.back()[k] - std::complex<double>(s[2 * k], s[2 * k + 1])), 0, 1e-12)
          << name << " value " << k;
    }
  }
}

void expect_close(std::complex<double> got, const nlohmann::json& want, const std::string& what) {
  const std::complex<double> w(want[0].get<double>(), want[1].get<double>());
  EXPECT_LE(std::abs(got - w), 1e-9 * std::max(1.0, std::abs(w))) << what << ": " << got << " vs " << w;
}

// The reading of `file` against scikit-rf's entry for it.
void expect_as_scikit_rf(const std::string& file, const nlohmann::json& e) {
  const std::string name = e["file"];
  const NetworkData d = read_touchstone(read_file(file), name);
  ASSERT_EQ(d.ports, e["ports"].get<int>()) << name;
  ASSERT_EQ(d.f_hz.size(), e["f"].size()) << name;
  EXPECT_EQ(d.reference_ohms, e["z0"].get<std::vector<double>>()) << name;
  for (std::size_t i = 0; i < d.f_hz.size(); ++i) {
    const std::string at = name + " point " + std::to_string(i);
    EXPECT_NEAR(d.f_hz[i], e["f"][i].get<double>(), 1e-9 * d.f_hz[i]) << at;
    for (std::size_t k = 0; k < e["s"][i].size(); ++k) expect_close(d.s[i][k], e["s"][i][k], at + " S");
    if (d.ports == 1) {
      expect_close(impedance_of(d, i), e["z"][i], at + " Z");
    } else {
      const auto abcd = chain_matrix_of(d, i);
      for (std::size_t k = 0; k < 4; ++k) expect_close(abcd[k], e["abcd"][i][k], at + " ABCD");
    }
  }
}

TEST(Touchstone, ReadsEveryFormAsScikitRfDoes) {
  if (!need("/usr/bin/python3 -c 'import skrf' >/dev/null 2>&1", "scikit-rf")) GTEST_SKIP();
  CliFolder folder;
  const std::string log = output_of(kScript + folder.path("") + " 2>&1");
  const auto expected = nlohmann::json::parse(read_file(folder.path("expected.json")), nullptr, false);
  ASSERT_TRUE(expected.is_array()) << log;
  EXPECT_EQ(expected.size(), 61u) << log;
  for (const auto& e : expected) expect_as_scikit_rf(folder.path(e["file"]), e);
}

TEST(Touchstone, ReadsTheProgramsOwnExportAsWritten) {
  CliFolder folder;
  ASSERT_EQ(folder.run("design --type lp --cutoff 100 --ripple 0.5 --sections 5 --touchstone @/x.s2p").status, 0);
  const std::string text = read_file(folder.path("x.s2p"));
  const NetworkData d = read_touchstone(text, "x.s2p");
  const auto rows = numbers(text);  // MHz, then S11 S21 S12 S22 as real and imaginary parts
  ASSERT_EQ(d.f_hz.size(), rows.size());
  ASSERT_GT(rows.size(), 10u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(d.f_hz[i], rows[i][0] * 1e6);
    for (std::size_t k = 0; k < 4; ++k) {
      const std::size_t column = 1 + 2 * (k == 1 ? 2 : k == 2 ? 1 : k);
      EXPECT_EQ(d.s[i][k], std::complex<double>(rows[i][column], rows[i][column + 1])) << i << " " << k;
    }
  }
  if (!need("/usr/bin/python3 -c 'import skrf' >/dev/null 2>&1", "scikit-rf")) return;
  const std::string read = output_of(kScript + "read " + folder.path("x.s2p") + " 2>&1");
  const auto e = nlohmann::json::parse(read.substr(std::min(read.find('{'), read.size())), nullptr, false);
  ASSERT_TRUE(e.is_object()) << read;
  expect_as_scikit_rf(folder.path("x.s2p"), e);
}

}  // namespace
}  // namespace varnholt::testing

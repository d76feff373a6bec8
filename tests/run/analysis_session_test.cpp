// Whole analysis sessions: the filter just synthesised, the re-entries of the
// analysis menu and the response name each keeps, complex terminations, and
// a complete session against a transcript.
#include <gtest/gtest.h>

#include <complex>
#include <fstream>
#include <sstream>

#include "support/session_harness.h"

namespace varnholt::testing {
namespace {

// Chebyshev 0.5 dB low-pass at 100 MHz, N = 3, Zo = 50, no storage.
const std::string kChebyshevDesign = "2\n1\n1\n\n0.5\n3\n\n0\n";
// Configuration, blank terminations, one point at 100 MHz, VSWR format, no storage.
std::string analyse_at_100(const std::string& configuration) {
  return configuration + "\n\n\n\n\n100\n100\n1\n\n0\n";
}

std::size_t count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

// The rows of every analysis table in the output.
std::vector<std::string> table_rows(const std::string& out) {
  std::vector<std::string> rows;
  const std::string rule = std::string(6, ' ') + std::string(72, '-') + "\r\n";
  const std::string heading = "   VSWR     (dB)    (Deg)   (nsec)\r\n";
  for (auto pos = out.find(heading); pos != std::string::npos; pos = out.find(heading, pos + 1)) {
    auto line = out.find(rule, pos) + rule.size();
    for (auto end = out.find("\r\n", line); out.compare(line, rule.size(), rule) != 0;
         end = out.find("\r\n", line)) {
      rows.push_back(out.substr(line, end - line));
      line = end + 2;
    }
  }
  return rows;
}

TEST(AnalysisSession, FilterJustSynthesisedStandardAndDual) {
  SessionRunner runner;
  const auto r = runner.run(kChebyshevDesign + "1\n" + analyse_at_100("") + "2\n" +
                            kChebyshevDesign + "1\n" + analyse_at_100("2") + "4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  // Both analyses are reported under the synthesised design and response.
  EXPECT_EQ(count(r.out, "Design   = Low Pass \r\n"), 4u);
  EXPECT_EQ(count(r.out, "Response = Chebyshev   \r\n"), 4u);
  EXPECT_EQ(count(r.out, "Ripple   = 0.500 dB\r\n"), 4u);
  const auto rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 2u) << r.out;
  // The ripple-band edge: 0.5 dB of loss in both circuits.
  for (const std::string& row : rows) {
    EXPECT_EQ(row.substr(0, 16), "        100.0000");
    EXPECT_EQ(row.substr(45, 9), "   -0.500") << row;
  }
}

TEST(AnalysisSession, AnalysisMenuReentriesAndTheResponseNameEachKeeps) {
  SessionRunner runner;
  const std::string analysis = kChebyshevDesign + "1\n" + analyse_at_100("");
  // 1: new frequencies only, same response name.
  auto r = runner.run(analysis + "1\n150\n150\n1\n\n0\n4\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.out, "Response = Chebyshev   \r\n"), 3u);
  auto rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].substr(0, 16), "        150.0000");
  // 3: new electrical data (blank replies keep every element), renamed "User-defined";
  // 2.5 is taken as 3 here.
  r = runner.run(analysis + "2.5\n3\n\n\n\n\n0\n4\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(count(r.out, "Response = User-defined\r\n"), 1u);
  rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], rows[1]);  // same circuit, same sweep
  // 2: a new design from the banner, with the date of the start.
  r = runner.run(analysis + "2\n" + kChebyshevDesign + "3\n");
  EXPECT_EQ(count(r.out, "Program: Varnholt (v. 1.0)    Date: 5/ 6/2026\r\n"), 2u);
  // Anything else ends the program.
  for (const std::string reply : {"0", "-1", "4", "5", ""}) {
    r = runner.run(analysis + reply + "\n");
    EXPECT_EQ(r.status, 0) << reply;
    EXPECT_TRUE(r.out.ends_with("          *4. EXIT to operating system.\r\n"
                                "      OPERATION selected = "))
        << reply;
  }
}

TEST(AnalysisSession, ReturnLossOfAnExactMatchIsMinusInfinity) {
  SessionRunner runner;
  // A single typed shunt capacitor left at 0 pF: a plain through connection.
  const auto r = runner.run("1\n1\n1\n-538\n1\n\n\n\n\n\n100\n100\n1\n2\n0\n4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Return ----------------  Time\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("        100.0000   50.00        0.00-Infinity    0.000    0.00    0.000  1.000\r\n"),
            std::string::npos)
      << r.out;
}

TEST(AnalysisSession, ComplexTerminations) {
  SessionRunner runner;
  // The same through connection between 50 - j25 and 75 + j30 ohms.
  const auto r = runner.run("1\n1\n1\n-538\n1\n\n50\n-25\n75\n30\n100\n100\n1\n\n0\n4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("                     Rs = 50.0 Ohms               Rl = 75.0 Ohms\r\n"
                       "                     Xs =-25.0 Ohms               Xl = 30.0 Ohms\r\n"),
            std::string::npos);
  const auto rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 1u);
  // Independent values: tau = 2 sqrt(Zs/ZL) / (1 + Zs/ZL), Zin = ZL.
  const std::complex<double> zs(50, -25), zl(75, 30);
  const auto tau = 2.0 * std::sqrt(zs / zl) / (1.0 + zs / zl);
  const auto gamma = (zl - zs) / (zl + zs);
  const double vswr = (1 + std::abs(gamma)) / (1 - std::abs(gamma));
  EXPECT_EQ(rows[0].substr(16, 20), "   75.00       30.00");
  EXPECT_NEAR(std::stod(rows[0].substr(36, 9)), vswr, 0.006);
  EXPECT_NEAR(std::stod(rows[0].substr(45, 9)), 10 * std::log10(std::norm(tau)), 0.0006);
  EXPECT_NEAR(std::stod(rows[0].substr(54, 8)), std::arg(tau) * 180 / M_PI, 0.006);
}

// The whole console transcript of a first run with blank replies and the
// shipped default-values file: a five-section Chebyshev low-pass from the
// skirt requirement, then the exit.
TEST(AnalysisSession, BlankRepliesWithTheShippedDefaultsTranscript) {
  const auto read = [](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  };
  SessionRunner runner;
  runner.fs.put("Varnholt.DEF", read(VARNHOLT_TEST_DATA "/../../examples/Varnholt.DEF"));
  const auto r = runner.run(std::string(12, '\n'));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, read(VARNHOLT_TEST_DATA "/blank_replies_session.txt"));
}

}  // namespace
}  // namespace varnholt::testing

// Whole sessions through the main loop: both after-run menus and each kind of
// reply, analyses of the filter just synthesised and of typed-in elements, the
// storage file across runs, and a complete transcript.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/session.h"

namespace varnholt::testing {
namespace {

const std::string kRule = "      " + std::string(72, '-') + "\r\n";
const std::string kSynthesisMenu = crlf(
    "\n      Lumped Element Filter calculations completed.\n      Select next OPERATION:\n"
    "           1. Perform FREQUENCY ANALYSIS.\n           2. Design a NEW Filter.\n"
    "          *3. EXIT to operating system.\n      OPERATION selected = ");
const std::string kAnalysisMenu = crlf(
    "\n      Lumped Element Filter`s Frequency Analysis completed.\n      Select next OPERATION:\n"
    "           1. Change Analysis FREQUENCIES and Re-run.\n           2. Design a NEW Filter.\n"
    "           3. Change ELECTRICAL DATA and Re-run.\n          *4. EXIT to operating system.\n"
    "      OPERATION selected = ");
const std::string kBanner = "Program: Varnholt (v. 1.0)    Date: 5/ 6/2026\r\n";
// Butterworth low-pass, N = 3, default cut-off and impedance; the storage reply follows.
const std::string kButterworth = "2\n2\n1\n\n3\n\n";
// Chebyshev 0.5 dB low-pass at 100 MHz, N = 3, Zo = 50, no storage.
const std::string kChebyshev = "2\n1\n1\n\n0.5\n3\n\n0\n";
// Configuration, blank terminations, one point at 100 MHz, VSWR, no storage.
std::string at_100(const std::string& configuration) {
  return configuration + "\n\n\n\n\n100\n100\n1\n\n0\n";
}
// A typed-in single shunt capacitor left at 0 pF, a plain through connection,
// between the terminations given.
std::string through(const std::string& terminations, const std::string& format) {
  return "1\n1\n1\n-538\n1\n\n" + terminations + "100\n100\n1\n" + format + "\n0\n4\n";
}

std::size_t count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

// The rows of every analysis table in the output.
std::vector<std::string> table_rows(const std::string& out) {
  std::vector<std::string> rows;
  const std::string heading = "   (nsec)\r\n";
  for (auto pos = out.find(heading); pos != std::string::npos; pos = out.find(heading, pos + 1)) {
    for (auto line = out.find(kRule, pos) + kRule.size();
         out.compare(line, kRule.size(), kRule) != 0; line = out.find("\r\n", line) + 2) {
      rows.push_back(out.substr(line, out.find("\r\n", line) - line));
    }
  }
  return rows;
}

TEST(Session, SynthesisMenuReplies) {
  SessionRunner runner;
  // Blank, 2.5 (taken as 3), 0, 4, -1: the end, with nothing after the menu.
  for (const std::string reply : {"", "2.5", "0", "4", "-1"}) {
    const auto r = runner.run(kButterworth + "0\n" + reply + "\n");
    EXPECT_EQ(std::tuple(r.status, r.err), std::tuple(0, "")) << reply;
    EXPECT_TRUE(r.out.ends_with(kRule + kSynthesisMenu)) << reply;
    EXPECT_EQ(count(r.out, kRule), 2u);  // header rule and closing rule
  }
  // 1.5 is taken as 2: a new design, with the banner and the date of the start.
  auto r = runner.run(kButterworth + "0\n1.5\n" + kButterworth + "0\n3\n");
  EXPECT_EQ(std::tuple(count(r.out, kBanner), count(r.out, "at  9: 5: 3Hours")),
            std::tuple(2u, 2u));
  // 1: straight to the configuration of the filter just designed, no banner.
  r = runner.run(kButterworth + "0\n1\n");
  EXPECT_EQ(r.status, 2);  // the input ends at the configuration question
  EXPECT_TRUE(
      r.out.ends_with(kSynthesisMenu + crlf("\n\n           -Select the Filter`s CONFIGURATION:\n"
                                            "                *1 = Standard Circuit.\n"
                                            "                 2 = Dual Circuit.\n"
                                            "            CONFIGURATION of Filter selected  = ")));
  EXPECT_EQ(count(r.out, kBanner), 1u);
}

TEST(Session, FilterJustSynthesisedStandardAndDual) {
  SessionRunner runner;
  const auto r = runner.run(kChebyshev + "1\n" + at_100("") + "2\n" + kChebyshev + "1\n" +
                            at_100("2") + "4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  // Both analyses are reported under the synthesised design and response.
  EXPECT_EQ(count(r.out, "Design   = Low Pass \r\n"), 4u);
  EXPECT_EQ(count(r.out, "Response = Chebyshev   \r\n"), 4u);
  EXPECT_EQ(count(r.out, "Ripple   = 0.500 dB\r\n"), 4u);
  // The ripple-band edge: 0.5 dB of loss in both circuits.
  const auto rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 2u) << r.out;
  for (const std::string& row : rows) {
    EXPECT_EQ(row.substr(0, 16) + row.substr(45, 9), "        100.0000   -0.500") << row;
  }
  EXPECT_TRUE(r.out.ends_with(kRule + kAnalysisMenu));
}

TEST(Session, AnalysisMenuReentriesAndTheResponseNameEachKeeps) {
  SessionRunner runner;
  const std::string analysis = kChebyshev + "1\n" + at_100("");
  // 1: new frequencies only, same response name.
  auto r = runner.run(analysis + "1\n150\n150\n1\n\n0\n4\n");
  EXPECT_EQ(count(r.out, "Response = Chebyshev   \r\n"), 3u);
  auto rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].substr(0, 16), "        150.0000");
  // 2.5 is taken as 3, new electrical data (blank replies keep every element): "User-defined".
  r = runner.run(analysis + "2.5\n3\n\n\n\n\n0\n4\n");
  EXPECT_EQ(count(r.out, "Response = User-defined\r\n"), 1u);
  rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], rows[1]);  // same circuit, same sweep
  // 2: a new design from the banner, with the date of the start.
  r = runner.run(analysis + "2\n" + kChebyshev + "3\n");
  EXPECT_EQ(count(r.out, kBanner), 2u);
  // Anything else ends the program.
  for (const std::string reply : {"0", "-1", "4", "5", ""}) {
    r = runner.run(analysis + reply + "\n");
    EXPECT_EQ(r.status, 0) << reply;
    EXPECT_TRUE(r.out.ends_with(kAnalysisMenu)) << reply;
  }
}

TEST(Session, ReturnLossOfAnExactMatchIsMinusInfinity) {
  SessionRunner runner;
  const auto r = runner.run(through("\n\n\n\n", "2"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Response = User-defined\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("Return ----------------  Time\r\n"), std::string::npos);
  EXPECT_EQ(table_rows(r.out),
            std::vector<std::string>{"        100.0000   50.00        0.00"
                                     "-Infinity    0.000    0.00    0.000  1.000"});
}

TEST(Session, ComplexTerminations) {
  SessionRunner runner;
  // The same through connection between 50 - j25 and 75 + j30 ohms.
  const auto r = runner.run(through("50\n-25\n75\n30\n", ""));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("                     Rs = 50.0 Ohms               Rl = 75.0 Ohms\r\n"
                       "                     Xs =-25.0 Ohms               Xl = 30.0 Ohms\r\n"),
            std::string::npos);
  const auto rows = table_rows(r.out);
  ASSERT_EQ(rows.size(), 1u);
  // Independent values: tau = 2 sqrt(Zs/ZL) / (1 + Zs/ZL), Zin = ZL.
  const std::complex<double> zs(50, -25), zl(75, 30);
  const auto tau = 2.0 * std::sqrt(zs / zl) / (1.0 + zs / zl);
  const double gamma = std::abs((zl - zs) / (zl + zs));
  EXPECT_EQ(rows[0].substr(16, 20), "   75.00       30.00");
  EXPECT_NEAR(std::stod(rows[0].substr(36, 9)), (1 + gamma) / (1 - gamma), 0.006);
  EXPECT_NEAR(std::stod(rows[0].substr(45, 9)), 10 * std::log10(std::norm(tau)), 0.0006);
  EXPECT_NEAR(std::stod(rows[0].substr(54, 8)), std::arg(tau) * 180 / M_PI, 0.006);
}

TEST(Session, TheStorageFileMirrorsEveryReportLineButNoMenuOrPrompt) {
  SessionRunner runner;
  const auto r = runner.run(kButterworth + "1\nmine.txt\n3\n");
  EXPECT_EQ(r.status, 0);
  const std::string file = runner.fs.contents("mine.txt");
  EXPECT_TRUE(file.starts_with("\r\n" + kRule)) << file;
  EXPECT_TRUE(
      file.ends_with(kRule + "      Output Data stored in User Filename: mine.txt            \r\n"))
      << file;
  EXPECT_EQ(file.find("selected"), std::string::npos);
  // The console shows the same report lines, in the same order.
  EXPECT_EQ(r.out.substr(r.out.find("\r\n" + kRule), file.size()), file);
}

TEST(Session, StorageAcrossRunsAppendsSwitchesOffOrMovesToANewName) {
  SessionRunner runner;
  const std::string report = "SYNTHESIS of the Electrical Circuit";
  // The same name twice: both reports in one file, the old contents replaced.
  runner.fs.put("same.txt", "old contents that must go\r\n");
  runner.run(kButterworth + "1\nsame.txt\n2\n" + kButterworth + "1\nsame.txt\n3\n");
  EXPECT_EQ(runner.fs.contents("same.txt").find("old contents"), std::string::npos);
  EXPECT_EQ(count(runner.fs.contents("same.txt"), report), 2u);
  EXPECT_EQ(count(runner.fs.contents("same.txt"), "Output Data stored in User Filename: same"), 2u);
  // Storage off for the second run: the file keeps only the first report.
  const auto r = runner.run(kButterworth + "1\noff.txt\n2\n" + kButterworth + "0\n3\n");
  EXPECT_EQ(std::tuple(count(runner.fs.contents("off.txt"), report), count(r.out, report)),
            std::tuple(1u, 2u));
  // A new name: each file holds its own report.
  runner.run(kButterworth + "1\nfirst.txt\n2\n" + kButterworth + "1\nsecond.txt\n3\n");
  EXPECT_EQ(count(runner.fs.contents("first.txt"), report), 1u);
  EXPECT_EQ(count(runner.fs.contents("second.txt"), "Filename: second.txt"), 1u);
}

TEST(Session, AMissingOrDamagedDefaultsFile) {
  SessionRunner runner;
  runner.fs = MemoryFileSystem();
  const auto r = runner.run("");
  EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(2, ""));
  EXPECT_NE(r.err.find("Varnholt.DEF"), std::string::npos);
  runner.fs.put("Varnholt.DEF", "title only\r\n");
  EXPECT_EQ(runner.run("").out,
            crlf("\n      End-of-file in LUMPED ELEMENT FILTER default value data\n"
                 "      file (Varnholt.DEF). Entry missing for variable Am.         \n"));
}

// The whole console transcript of a first run with blank replies and the
// shipped default-values file: a five-section Chebyshev low-pass from the
// skirt requirement, then the exit.
TEST(Session, BlankRepliesWithTheShippedDefaultsTranscript) {
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

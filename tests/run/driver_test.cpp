// Whole sessions through the main loop: menus, naming, storage file and the
// ends of a run, compared byte for byte.
#include <gtest/gtest.h>

#include "support/session_harness.h"

namespace varnholt::testing {
namespace {

constexpr std::string_view kSynthesisMenu =
    "\r\n"
    "      Lumped Element Filter calculations completed.\r\n"
    "      Select next OPERATION:\r\n"
    "           1. Perform FREQUENCY ANALYSIS.\r\n"
    "           2. Design a NEW Filter.\r\n"
    "          *3. EXIT to operating system.\r\n"
    "      OPERATION selected = ";

constexpr std::string_view kRule =
    "      ------------------------------------------------------------------------\r\n";

// Butterworth low-pass, typed N = 3, default cut-off and impedance.
const std::string kButterworthDesign = "2\n2\n1\n\n3\n\n";

std::size_t count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

TEST(Driver, BlankReplyToTheSynthesisMenuEndsTheProgram) {
  SessionRunner runner;
  const auto r = runner.run(kButterworthDesign + "0\n\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  ASSERT_GE(r.out.size(), kSynthesisMenu.size());
  EXPECT_EQ(r.out.substr(r.out.size() - kSynthesisMenu.size()), kSynthesisMenu);
  EXPECT_EQ(count(r.out, kRule), 2u);  // header rule and closing rule
}

TEST(Driver, MenuRepliesRoundHalvesAwayFromZero) {
  SessionRunner runner;
  // 2.5 is taken as 3: exit.
  auto r = runner.run(kButterworthDesign + "0\n2.5\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.ends_with(kSynthesisMenu));
  // 1.5 is taken as 2: a new design, banner again with the date of the start.
  r = runner.run(kButterworthDesign + "0\n1.5\n" + kButterworthDesign + "0\n3\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.out, "Program: Varnholt (v. 1.0)    Date: 5/ 6/2026\r\n"), 2u);
  EXPECT_EQ(count(r.out, "Date: 5/ 6/2026 at  9: 5: 3Hours\r\n"), 2u);
}

TEST(Driver, SynthesisMenuReplyOneAnalysesTheFilterJustDesigned) {
  SessionRunner runner;
  const auto r = runner.run(kButterworthDesign + "0\n1\n");
  EXPECT_EQ(r.status, 2);  // input ends at the configuration question
  const std::string expected = std::string(kSynthesisMenu) +
                               "\r\n\r\n"
                               "           -Select the Filter`s CONFIGURATION:\r\n"
                               "                *1 = Standard Circuit.\r\n"
                               "                 2 = Dual Circuit.\r\n"
                               "            CONFIGURATION of Filter selected  = ";
  EXPECT_TRUE(r.out.ends_with(expected)) << r.out;
  EXPECT_EQ(count(r.out, "RF/Microwave Computer-Aided Engineering Software"), 1u);
}

TEST(Driver, StorageFileMirrorsEveryReportLineButNoMenuOrPrompt) {
  SessionRunner runner;
  const auto r = runner.run(kButterworthDesign + "1\nmine.txt\n3\n");
  EXPECT_EQ(r.status, 0);
  ASSERT_TRUE(runner.fs.exists("mine.txt"));
  const std::string file = runner.fs.contents("mine.txt");
  EXPECT_TRUE(file.starts_with("\r\n" + std::string(kRule))) << file;
  EXPECT_TRUE(file.ends_with(std::string(kRule) +
                             "      Output Data stored in User Filename: mine.txt            \r\n"))
      << file;
  EXPECT_EQ(file.find("OPERATION"), std::string::npos);
  EXPECT_EQ(file.find("selected"), std::string::npos);
  // The console shows the same report lines, in the same order.
  const auto header = r.out.find("\r\n" + std::string(kRule));
  ASSERT_NE(header, std::string::npos);
  EXPECT_EQ(r.out.substr(header, file.size()), file);
}

TEST(Driver, StorageAcrossRunsAppendsSwitchesOffOrMovesToANewName) {
  SessionRunner runner;
  runner.fs.put("same.txt", "old contents that must go\r\n");
  const std::string again = "2\n";
  // Same name twice: both reports in one file; the old contents replaced.
  auto r = runner.run(kButterworthDesign + "1\nsame.txt\n" + again + kButterworthDesign +
                      "1\nsame.txt\n3\n");
  EXPECT_EQ(r.status, 0);
  std::string file = runner.fs.contents("same.txt");
  EXPECT_EQ(file.find("old contents"), std::string::npos);
  EXPECT_EQ(count(file, "Output Data stored in User Filename: same.txt"), 2u);
  EXPECT_EQ(count(file, "SYNTHESIS of the Electrical Circuit"), 2u);

  // Storage off for the second run: the file keeps only the first report.
  r = runner.run(kButterworthDesign + "1\noff.txt\n" + again + kButterworthDesign + "0\n3\n");
  EXPECT_EQ(count(runner.fs.contents("off.txt"), "SYNTHESIS of the Electrical Circuit"), 1u);
  EXPECT_EQ(count(r.out, "SYNTHESIS of the Electrical Circuit"), 2u);

  // A new name: each file holds its own report.
  r = runner.run(kButterworthDesign + "1\nfirst.txt\n" + again + kButterworthDesign +
                 "1\nsecond.txt\n3\n");
  EXPECT_EQ(count(runner.fs.contents("first.txt"), "Output Data stored"), 1u);
  EXPECT_EQ(count(runner.fs.contents("second.txt"), "Output Data stored"), 1u);
  EXPECT_NE(runner.fs.contents("second.txt").find("second.txt"), std::string::npos);
}

TEST(Driver, FatalRepliesEndWithStatusTwoAndKeepStoredLines) {
  SessionRunner runner;
  for (const std::string ending : {"", "abc\n", "1.2.3\n"}) {
    const auto r = runner.run(kButterworthDesign + "1\nkept.txt\n" + ending);
    EXPECT_EQ(r.status, 2) << ending;
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(runner.fs.contents("kept.txt")
                    .ends_with("Output Data stored in User Filename: kept.txt            \r\n"));
  }
}

TEST(Driver, MissingOrDamagedDefaultsFile) {
  SessionRunner runner;
  MemoryFileSystem empty;
  std::istringstream in("");
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run_program(in, out, err, empty, fixed_time), 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("Varnholt.DEF"), std::string::npos);

  runner.fs.put("Varnholt.DEF", "title only\r\n");
  const auto r = runner.run("");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "\r\n      End-of-file in LUMPED ELEMENT FILTER default value data\r\n"
            "      file (Varnholt.DEF). Entry missing for variable Am.         \r\n");
}

}  // namespace
}  // namespace varnholt::testing

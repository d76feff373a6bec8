// Every recorded session under tests/sessions, run in-process: the console
// bytes, the diagnostic and exit status, and every file the run wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <filesystem>
#include <vector>

#include "support/session.h"

namespace varnholt::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> folders() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(VARNHOLT_TEST_SESSIONS)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Equal texts, or the line number and the first differing line of each side.
::testing::AssertionResult same_text(const std::string& what, const std::string& expected,
                                     const std::string& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  const auto at = static_cast<std::size_t>(
      std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first -
      expected.begin());
  const std::size_t begin = at == 0 ? 0 : expected.rfind('\n', at - 1) + 1;  // npos + 1 is 0
  const auto line = std::count(expected.begin(), expected.begin() + begin, '\n') + 1;
  const auto line_of = [begin](const std::string& text) {
    return begin >= text.size() ? "(end)" : text.substr(begin, text.find('\n', begin) - begin);
  };
  return ::testing::AssertionFailure() << what << " differs at line " << line << "\n  expected: "
                                       << line_of(expected) << "\n  actual:   " << line_of(actual);
}

class Sessions : public ::testing::TestWithParam<std::string> {};

TEST_P(Sessions, MatchRecording) {
  const fs::path folder = fs::path(VARNHOLT_TEST_SESSIONS) / GetParam();
  const FolderRun run = run_folder(folder);
  const std::string err = read_file(folder / "expected.err");
  EXPECT_TRUE(same_text(GetParam() + "/expected.out", read_file(folder / "expected.out"),
                        run.result.out));
  EXPECT_TRUE(same_text(GetParam() + "/expected.err", err, run.result.err));
  EXPECT_EQ(run.result.status, err.empty() ? 0 : 2);
  std::size_t stored = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("expected.") || name == "expected.out" || name == "expected.err") {
      continue;
    }
    ++stored;
    const auto file = run.written.find(name.substr(9));
    ASSERT_NE(file, run.written.end()) << name.substr(9) << " not written";
    EXPECT_TRUE(same_text(GetParam() + "/" + name, read_file(entry.path()), file->second));
  }
  EXPECT_EQ(run.written.size(), stored) << "a file written but not expected";
}

INSTANTIATE_TEST_SUITE_P(, Sessions, ::testing::ValuesIn(folders()), [](const auto& info) {
  std::string name = info.param;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

// One recording checked against physics rather than against itself: a
// through connection between 50 - j25 and 75 + j30 ohms.
TEST(Session, ThroughConnectionBetweenComplexTerminations) {
  const std::string out =
      run_folder(VARNHOLT_TEST_SESSIONS "/analysis-complex-terminations-through").result.out;
  const std::string rule = "      " + std::string(72, '-') + "\r\n";
  const auto begin = out.find(rule, out.find("   (nsec)\r\n")) + rule.size();
  const std::string row = out.substr(begin, out.find("\r\n", begin) - begin);
  ASSERT_EQ(row.size(), 78u) << out;
  // tau = 2 sqrt(Zs/ZL) / (1 + Zs/ZL), Zin = ZL.
  const std::complex<double> zs(50, -25), zl(75, 30);
  const auto tau = 2.0 * std::sqrt(zs / zl) / (1.0 + zs / zl);
  const double gamma = std::abs((zl - zs) / (zl + zs));
  EXPECT_EQ(row.substr(0, 36), "        100.0000   75.00       30.00");
  EXPECT_NEAR(std::stod(row.substr(36, 9)), (1 + gamma) / (1 - gamma), 0.006);
  EXPECT_NEAR(std::stod(row.substr(45, 9)), 10 * std::log10(std::norm(tau)), 0.0006);
  EXPECT_NEAR(std::stod(row.substr(54, 8)), std::arg(tau) * 180 / M_PI, 0.006);
}

}  // namespace
}  // namespace varnholt::testing

// The design page written by --html: one self-contained file with the
// circuit and the curves, and tooltips that agree with the CSV export.
#include <cmath>
#include <regex>

#include "cli_support.h"
#include "outside_tools.h"

namespace varnholt::testing {
namespace {

TEST(CliHtmlPage, DesignWritesOneSelfContainedPage) {
  for (const std::string& row : table("html_pages.txt")) {
    const auto [command, rest] = sides(row);
    const auto [counts, shown] = sides(rest);
    std::istringstream numbers(counts);
    int parts = 0, curves = 0;
    numbers >> parts >> curves;
    CliFolder folder;
    const CliResult r = folder.run(command + " --html @/page.html");
    ASSERT_EQ(r.status, 0) << row << r.err;
    EXPECT_EQ(folder.files(), std::vector<std::string>{"page.html"}) << row;
    const std::string page = read_file(folder.path("page.html"));
    EXPECT_EQ(count(page, "://"), count(page, "http://www.w3.org/2000/svg")) << row;
    EXPECT_EQ(page.rfind("</html>"), page.size() - 8) << row;
    EXPECT_EQ(count(page, "<g class=\"part\""), parts) << row;
    EXPECT_EQ(count(page, "<polyline"), curves) << row;
    std::istringstream texts(shown);
    for (std::string text; std::getline(texts, text, '|');) {
      const auto first = text.find_first_not_of(' ');
      text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
      EXPECT_NE(page.find(text), std::string::npos) << text;
    }
  }
}

// Every point's tooltip against the CSV row of its frequency: S21, S11 and
// delay to the tooltip's four decimals.
TEST(CliHtmlPage, TooltipsEqualTheCsvOfTheSameCommand) {
  CliFolder folder;
  const CliResult r = folder.run(
      "design --type bs --center 100 --bandwidth 20 --ripple 0.5 --sections 5 --points 61 "
      "--html @/p.html --csv @/p.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  std::map<double, std::vector<double>> csv;
  for (const auto& row : numbers(read_file(folder.path("p.csv")), ','))
    csv[row[0]].assign(row.begin() + 1, row.end());
  ASSERT_EQ(csv.size(), 61u);
  const std::string page = read_file(folder.path("p.html"));
  const std::regex tip("<title>f = ([0-9.e+-]+) MHz\n(S21|S11|Delay) = ([0-9.e+-]+) (dB|ns)");
  std::map<std::string, int> checked;
  for (std::sregex_iterator m(page.begin(), page.end(), tip), end; m != end; ++m) {
    const double f = std::stod((*m)[1]);
    const auto row = csv.lower_bound(f * (1 - 1e-8));
    ASSERT_NE(row, csv.end()) << f;
    ASSERT_NEAR(row->first, f, f * 1e-8);
    const std::string what = (*m)[2];
    const double csv_value = row->second[what == "S21" ? 0 : what == "S11" ? 3 : 2];
    EXPECT_NEAR(std::stod((*m)[3]), csv_value, 5.1e-5 + 1e-6 * std::fabs(csv_value))
        << what << " at " << f;
    ++checked[what];
  }
  EXPECT_GE(checked["S21"], 61 * 2);  // the response and passband charts
  EXPECT_EQ(checked["S11"], 61);
  EXPECT_EQ(checked["Delay"], 61);
}

}  // namespace
}  // namespace varnholt::testing

// Circuit diagrams: rows wrap only when the next part does not fit
// (tests/data/html/schematic_rows.txt), everything drawn stays inside the
// drawing, and an alternative circuit is drawn at the scale of the chosen one.
#include "html/schematic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "html/page.h"
#include "support/session.h"
#include "support/table.h"

namespace varnholt::html {
namespace {

Ladder ladder_of(const std::string& text) {
  const std::vector<std::string> kinds = {"Inductor",   "Capacitor",       "SeriesLC",
                                           "ParallelLC", "TankAndSeriesLC", "SeriesLCAndTank"};
  Ladder lad;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    std::istringstream words(item);
    std::string placement, kind;
    words >> placement >> kind;
    Branch b;
    b.placement = placement == "series" ? Placement::Series : Placement::Shunt;
    const auto k = std::find(kinds.begin(), kinds.end(), kind);
    EXPECT_NE(k, kinds.end()) << kind;
    b.kind = static_cast<BranchKind>(k - kinds.begin());
    b.l = {82.0, 1500.0};
    b.c = {33.0, 4700.0};
    lad.branches.push_back(b);
  }
  return lad;
}

// The width of the drawing (viewBox) and the largest x any element takes.
std::pair<double, double> width_and_reach(const std::string& svg) {
  const std::regex box(R"(viewBox="0 0 (\S+) )");
  std::smatch m;
  EXPECT_TRUE(std::regex_search(svg, m, box));
  const double width = std::stod(m[1]);
  const std::regex x(R"( (?:x|x1|x2|cx)="([-0-9.]+)\")");
  double reach = 0.0;
  for (std::sregex_iterator i(svg.begin(), svg.end(), x), e; i != e; ++i) {
    reach = std::max(reach, std::stod((*i)[1]));
  }
  return {width, reach};
}

TEST(Schematic, RowsWrapOnlyWhenTheRestDoesNotFit) {
  const auto rows = testing::read_table("html/schematic_rows.txt");
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    const std::string svg = schematic_svg("s", ladder_of(row[0]), {50, 0}, {50, 0});
    // A wrap draws two terminals (rail and ground) at the end of one row and
    // two at the start of the next.
    EXPECT_EQ(testing::count(svg, "class=\"term\"") / 4 + 1, std::stoi(row[1]));
    const auto [width, reach] = width_and_reach(svg);
    EXPECT_LE(reach, width - 12);
  }
  EXPECT_EQ(rows.size(), 5u);
}

TEST(Schematic, AlternativeCircuitIsDrawnAtTheScaleOfTheChosenOne) {
  PageData p;
  p.ladder = ladder_of("shunt ParallelLC, series SeriesLC, shunt ParallelLC");
  p.other = ladder_of("series ParallelLC, shunt SeriesLC, series ParallelLC");
  const std::string page = html_page(p);
  // The opening tag of each diagram, without its id and its height.
  const auto opening = [&page](const std::string& id) {
    const auto at = page.find("id=\"" + id + "\"");
    EXPECT_NE(at, std::string::npos) << id;
    const auto start = page.rfind("<svg", at);
    const std::string tag = page.substr(start, page.find('>', at) - start);
    return std::regex_replace(std::regex_replace(tag, std::regex(R"( id="[^"]*")"), ""),
                              std::regex(R"((viewBox="0 0 \S+) \S+")"), "$1\"");
  };
  EXPECT_EQ(opening("schematic"), opening("schematic-other"));
  EXPECT_EQ(page.find("small"), std::string::npos);
}

}  // namespace
}  // namespace varnholt::html

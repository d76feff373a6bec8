// Design pages built from real syntheses and swept with the double-precision
// evaluator: the numbers in the tooltips are the numbers given, and headless
// Chromium loads each page with no console message, no request outside the
// file and the drawing elements expected (screenshots land in the build
// folder, screenshots/).
#include "html/page.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "html/chart.h"
#include "ladder/network.h"
#include "practical/tolerance.h"
#include "cli/outside_tools.h"
#include "support/browser.h"
#include "support/session.h"
#include "support/design.h"
#include "support/table.h"

namespace varnholt::html {
namespace {

namespace fs = std::filesystem;
using testing::count;

// A Chebyshev 0.1 dB design from the synthesis: both circuits and their loads.
struct Designed {
  Ladder standard, dual;
  double ros = 0.0, rod = 0.0;
};

Designed chebyshev(FilterType type, int n, float f_a, float f_b, float zo) {
  const auto d = testing::synthesise(static_cast<int32_t>(type), 1, 0.1f, n, f_a, f_b, zo);
  return {ladder_from_stores(d.c, type, Configuration::Standard, n),
          ladder_from_stores(d.c, type, Configuration::Dual, n), d.ros, d.rod};
}

std::vector<SweepPoint> sweep_of(const Ladder& lad, double rs, double rl, double f0, double f1,
                                 int n, const PartModel& losses = {}) {
  std::vector<SweepPoint> pts;
  for (int i = 0; i < n; ++i) {
    const double f = f0 + (f1 - f0) * i / (n - 1);
    const PortResponse r = port_response(chain_matrix_slope(lad, f, losses), rs, rl);
    pts.push_back({f, r.s21_db, r.s11_db, r.delay_ns, r.s11});
  }
  return pts;
}

struct Case {
  std::string name;
  PageData page;
  int parts = 0;  // inductors and capacitors drawn
};

// A page of tests/data/html/pages.txt.
Case page_of(const testing::Row& r) {
  const float zo = testing::to_float(r[5]);
  const auto d = chebyshev(static_cast<FilterType>(std::stoi(r[1])), std::stoi(r[2]),
                           testing::to_float(r[3]), testing::to_float(r[4]), zo);
  const bool dual = r[6] == "dual";
  Case c{r[0], {}, std::stoi(r[12])};
  PageData& p = c.page;
  p.title = r[13];
  p.ladder = dual ? d.dual : d.standard;
  if (dual) p.other = d.standard, p.other_load = Termination{d.ros, 0.0};
  p.source = {zo, 0.0};
  p.load = {dual ? d.rod : d.ros, 0.0};
  std::istringstream sweep(r[7]), band(r[9]), mask(r[11]);
  double f0 = 0, f1 = 0, lo = 0, hi = 0;
  int points = 0;
  sweep >> f0 >> f1 >> points;
  p.sweep = sweep_of(p.ladder, zo, p.load.r, f0, f1, points);
  p.log_frequency = r[8] == "log";
  band >> lo >> hi;
  p.passband = {{lo, hi}};
  p.passband_outside = r[10] == "outside";
  MaskPiece stop;
  for (double f, db; mask >> f >> db;) stop.push_back({f, db});
  if (!stop.empty()) p.mask = {stop};
  return c;
}

std::string trimmed(const std::string& t) {
  const auto a = t.find_first_not_of(' ');
  return a == std::string::npos ? "" : t.substr(a, t.find_last_not_of(' ') - a + 1);
}

// Standard values (two significant digits), a lossy build, and the 5-95 %
// spread of S21 over 40 builds with 5 % parts.
Case practical() {
  const auto d = chebyshev(FilterType::LowPass, 7, 50.0f, 0.0f, 50.0f);
  Case c{"practical", {}, 7};
  PageData& p = c.page;
  p.title = "Low-pass 50 MHz in standard values";
  p.ladder = d.standard;
  p.rounded = p.ladder;
  for (auto& b : p.rounded->branches) {
    const auto two_digits = [](double v) {
      const double e = std::pow(10.0, std::floor(std::log10(v)) - 1);
      return std::round(v / e) * e;
    };
    b.l[0] = two_digits(b.l[0]);
    b.c[0] = two_digits(b.c[0]);
  }
  p.load = {d.ros, 0.0};
  p.sweep = sweep_of(*p.rounded, 50, d.ros, 1, 150, 301);
  p.overlays = {{"ideal", sweep_of(p.ladder, 50, d.ros, 1, 150, 301)},
                {"Q 60", sweep_of(*p.rounded, 50, d.ros, 1, 150, 301, with_quality(60, 60, 0))}};
  std::vector<double> f;
  for (const auto& pt : p.sweep) f.push_back(pt.f_mhz);
  const Mask at_most_half_db{{{1, 50}}, 0.5, -INFINITY, {}};  // over the passband
  const YieldResult r = analyse_yield(*p.rounded, {}, 50, d.ros, {5, 5, Spread::Uniform},
                                      at_most_half_db, f, {40, 7, 1});
  YieldBand y{f, {}, {}};
  for (const Percentiles& q : r.s21_db) y.p5_db.push_back(q.p5), y.p95_db.push_back(q.p95);
  p.yield = y;
  const auto loss_at = [&d](const Ladder& lad, double f) {
    return -port_response(chain_matrix_slope(lad, f), 50, d.ros).s21_db;
  };
  p.passband = {{1, 50}};
  p.mask = {{{75, -30}, {150, -30}}};  // at least 30 dB from 75 MHz
  p.passband_mask = {{{1, -0.5}, {50, -0.5}}};
  p.return_loss_mask = {{{1, -14}, {50, -14}}};
  p.rounded_series = "two significant digits";
  p.component_q = "Q 60 inductors and capacitors";
  p.tolerances = "5 % inductors and capacitors, uniform";
  p.trials = r.trials;
  if (r.most_failed >= 0) {
    p.most_failed = "0.5 dB loss from 1 to 50 MHz";
    p.most_failed_count = r.items[static_cast<std::size_t>(r.most_failed)].failures;
  }
  for (const auto& v : testing::read_table("html/verdicts.txt")) {
    p.verdicts.push_back(
        {trimmed(v[0]), trimmed(v[1]) == "pass", std::stod(v[2]), std::stod(v[3]), trimmed(v[4])});
  }
  double worst_rl = 1e9;
  for (const auto& pt : p.sweep) {
    worst_rl = pt.f_mhz <= 50 ? std::min(worst_rl, -pt.s11_db) : worst_rl;
  }
  p.figures = {50.0, loss_at(*p.rounded, 50), 75.0, loss_at(*p.rounded, 75), worst_rl, r.yield_percent};
  return c;
}

std::vector<Case> cases() {
  std::vector<Case> all;
  for (const auto& row : testing::read_table("html/pages.txt")) all.push_back(page_of(row));
  all.push_back(practical());
  return all;
}

// The part of the page from <svg ... id="id" to its </svg>.
std::string svg_section(const std::string& page, const std::string& id) {
  const auto start = page.find("id=\"" + id + "\"");
  if (start == std::string::npos) return {};
  return page.substr(start, page.find("</svg>", start) - start);
}

// Markers drawn on an n-point curve: all of them, or between half the limit
// and the limit when thinned.
void expect_markers(int drawn, std::size_t n) {
  if (n <= kMaxMarkers) {
    EXPECT_EQ(drawn, static_cast<int>(n));
  } else {
    EXPECT_GE(drawn, static_cast<int>(kMaxMarkers / 2));
    EXPECT_LE(drawn, static_cast<int>(kMaxMarkers));
  }
}

TEST(HtmlPage, TooltipsHoldTheValuesGiven) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const std::string page = html_page(c.page);
    const auto& sw = c.page.sweep;
    const auto point_in = [](const std::vector<SweepPoint>& pts, double f) {
      for (const auto& p : pts)
        if (std::fabs(p.f_mhz - f) <= 5e-9 * std::fabs(p.f_mhz)) return &p;
      return static_cast<const SweepPoint*>(nullptr);
    };
    const auto point_at = [&](double f) { return point_in(sw, f); };
    // The value the named curve holds at f: "S21", "S11", "Delay", the same
    // followed by an overlay's name, or a mask.
    const auto given = [&](const std::string& name, double f) -> std::optional<double> {
      const std::string quantity = name.substr(0, name.find(' '));
      const std::vector<MaskPiece>* mask = quantity == "Stopband"      ? &c.page.mask
                                           : quantity == "Passband"    ? &c.page.passband_mask
                                           : quantity == "Return-loss" ? &c.page.return_loss_mask
                                                                       : nullptr;
      if (mask != nullptr) {
        for (const auto& piece : *mask) {
          for (const auto& m : piece)
            if (m.f_mhz == f) return m.db;
        }
        return std::nullopt;
      }
      const std::vector<SweepPoint>* pts = &sw;
      if (name != quantity) {
        pts = nullptr;
        for (const auto& o : c.page.overlays) {
          pts = quantity + " " + o.name == name ? &o.points : pts;
        }
      }
      const SweepPoint* p = pts != nullptr ? point_in(*pts, f) : nullptr;
      if (p == nullptr) return std::nullopt;
      return quantity == "S21" ? p->s21_db : quantity == "S11" ? p->s11_db : p->delay_ns;
    };
    const std::regex curve_tip(R"(<title>f = (\S+) MHz\n([^=<]+) = (\S+) (dB|ns)</title>)");
    int tips = 0;
    std::set<const SweepPoint*> shown;
    for (const std::string chart : {"response", "passband", "delay"}) {
      const std::string svg = svg_section(page, chart);
      for (std::sregex_iterator m(svg.begin(), svg.end(), curve_tip), e; m != e; ++m) {
        const auto want = given((*m)[2], std::stod((*m)[1]));
        ASSERT_TRUE(want.has_value()) << (*m)[0];
        EXPECT_NEAR(std::stod((*m)[3]), *want, 5.1e-5) << (*m)[0];
        if (chart == "response" && (*m)[2] == "S21") {
          ++tips;
          shown.insert(point_at(std::stod((*m)[1])));
        }
      }
    }
    expect_markers(tips, sw.size());
    EXPECT_EQ(shown.size(), static_cast<std::size_t>(tips));
    EXPECT_TRUE(shown.count(&sw.front()) == 1 && shown.count(&sw.back()) == 1);
    if (c.page.yield) {  // the band's edges, by index of the frequency
      const YieldBand& y = *c.page.yield;
      const std::regex band_tip(
          R"(<title>f = (\S+) MHz\nS21 5th percentile = (\S+) dB\nS21 95th percentile = (\S+) dB)");
      tips = 0;
      for (std::sregex_iterator m(page.begin(), page.end(), band_tip), e; m != e; ++m, ++tips) {
        const auto i = static_cast<std::size_t>(point_at(std::stod((*m)[1])) - sw.data());
        ASSERT_LT(i, y.f_mhz.size()) << (*m)[0];
        EXPECT_NEAR(std::stod((*m)[2]), y.p5_db[i], 5.1e-5);
        EXPECT_NEAR(std::stod((*m)[3]), y.p95_db[i], 5.1e-5);
      }
      EXPECT_GT(tips, 0);
    }
    const std::string smith = svg_section(page, "smith");
    const std::regex s11_tip(R"(<title>f = (\S+) MHz\nS11 = (\S+) ([+-]) j(\S+) \()");
    tips = 0;
    for (std::sregex_iterator m(smith.begin(), smith.end(), s11_tip), e; m != e; ++m) {
      const SweepPoint* p = point_at(std::stod((*m)[1]));
      ASSERT_NE(p, nullptr) << (*m)[0];
      EXPECT_NEAR(std::stod((*m)[2]), p->s11.real(), 5.1e-7);
      EXPECT_NEAR(((*m)[3] == "-" ? -1 : 1) * std::stod((*m)[4]), p->s11.imag(), 5.1e-7);
      ++tips;
    }
    expect_markers(tips, sw.size());
    // Element values: position k's inductor or capacitor, nine digits.
    const Ladder& drawn_ladder = c.page.rounded ? *c.page.rounded : c.page.ladder;
    const std::regex part_tip(R"(<title>([LC])(\d+) = (\S+) (nH|pF)</title>)");
    const std::string schematic = svg_section(page, "schematic");
    tips = 0;
    for (std::sregex_iterator m(schematic.begin(), schematic.end(), part_tip), e; m != e; ++m) {
      const Branch& b = drawn_ladder.branches.at(std::stoul((*m)[2]) - 1);
      const double want = (*m)[1] == "L" ? b.l[0] : b.c[0];
      EXPECT_NEAR(std::stod((*m)[3]), want, 5e-9 * want) << (*m)[0];
      ++tips;
    }
    EXPECT_EQ(tips, c.page.other ? c.parts / 2 : c.parts);
  }
}

// The text of an HTML fragment as read: tags dropped, entities of the
// escaper decoded, white space collapsed.
std::string read_text(const std::string& html) {
  std::string t = std::regex_replace(html, std::regex("<[^>]*>"), " ");
  for (const auto& [entity, ch] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""},
                                   {"&#39;", "'"}, {"&amp;", "&"}}) {
    t = std::regex_replace(t, std::regex(entity), ch);
  }
  return trimmed(std::regex_replace(t, std::regex(R"(\s+)"), " "));
}

// The rows of the table of class `cls`, as read.
std::vector<std::string> table_rows(const std::string& page, const std::string& cls) {
  const auto start = page.find("<table class=\"" + cls + "\">");
  if (start == std::string::npos) return {};
  const std::string table = page.substr(start, page.find("</table>", start) - start);
  std::vector<std::string> rows;
  const std::regex tr("<tr>(.*?)</tr>");
  for (std::sregex_iterator m(table.begin(), table.end(), tr), e; m != e; ++m) {
    rows.push_back(read_text((*m)[1]));
  }
  return rows;
}

// The legend entries of a chart, with the x where each one's text starts.
std::vector<std::pair<std::string, double>> legend_of(const std::string& svg) {
  std::vector<std::pair<std::string, double>> entries;
  const std::regex entry(R"re(<text x="([^"]+)" y="[^"]+" class="legend">([^<]*)</text>)re");
  for (std::sregex_iterator m(svg.begin(), svg.end(), entry), e; m != e; ++m) {
    entries.emplace_back((*m)[2], std::stod((*m)[1]));
  }
  return entries;
}

// The practical page: its block of assumptions and verdicts, the built
// values beside the designed ones, and every curve named in the legends and
// kept inside the chart.
TEST(HtmlPage, PracticalDesignShowsAssumptionsVerdictsAndEveryCurve) {
  const PageData p = practical().page;
  const std::string page = html_page(p);

  std::vector<std::string> assumptions;
  for (const auto& row : testing::read_table("html/assumptions.txt")) assumptions.push_back(row[0]);
  EXPECT_EQ(table_rows(page, "assumptions"), assumptions);

  const auto verdicts = table_rows(page, "verdicts");
  const auto want = testing::read_table("html/verdicts.txt");
  ASSERT_EQ(verdicts.size(), want.size() + 1);
  EXPECT_EQ(verdicts[0], "Circuit Mask Worst margin At Item");
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(verdicts[i + 1], trimmed(want[i][5]));

  const auto elements = table_rows(page, "elements");
  ASSERT_EQ(elements.size(), 8u);
  EXPECT_EQ(elements[0], "Part Position Branch Designed Built Error");
  EXPECT_NE(page.find("Element values as built: standard values, two significant digits"),
            std::string::npos);

  const std::set<std::string> shared = {"S21 5-95 % of builds", "S21", "S21 ideal", "S21 Q 60",
                                        "Passband mask"};
  for (const auto& [chart, more] :
       {std::pair{"response", std::set<std::string>{"S11", "Stopband mask", "Return-loss mask"}},
        {"passband", std::set<std::string>{}}}) {
    SCOPED_TRACE(chart);
    const std::string svg = svg_section(page, chart);
    std::set<std::string> names = shared, seen;
    names.insert(more.begin(), more.end());
    for (const auto& [name, x] : legend_of(svg)) {
      seen.insert(name);
      EXPECT_LE(x + 6.2 * static_cast<double>(name.size()), 720.0) << name;  // within the chart
    }
    EXPECT_EQ(seen, names);
  }
}

// The error column: the built value against the designed one, percent,
// signed, zero without a sign (tests/data/html/element_errors.txt).
TEST(HtmlPage, ElementErrorsAreBuiltAgainstDesigned) {
  const auto rows = testing::read_table("html/element_errors.txt");
  PageData p;
  p.rounded.emplace();
  for (const auto& row : rows) {
    std::istringstream in(row[0]);
    std::string kind;
    double designed = 0.0, built = 0.0;
    in >> kind >> designed >> built;
    Branch b;
    b.kind = kind == "L" ? BranchKind::Inductor : BranchKind::Capacitor;
    b.placement = kind == "L" ? Placement::Series : Placement::Shunt;
    (kind == "L" ? b.l : b.c)[0] = designed;
    p.ladder.branches.push_back(b);
    (kind == "L" ? b.l : b.c)[0] = built;
    p.rounded->branches.push_back(b);
  }
  const auto shown = table_rows(html_page(p), "elements");
  ASSERT_EQ(shown.size(), rows.size() + 1);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string want = trimmed(rows[i][1]);
    const std::string& r = shown[i + 1];
    EXPECT_EQ(r.substr(r.size() - std::min(r.size(), want.size() + 1)), " " + want) << r;
  }
}

// Branches of two pairs draw all four parts, each with its own designator
// and exact value, however the shape table joins them.
TEST(HtmlPage, FourElementBranchesDrawEveryPart) {
  PageData p;
  for (const BranchKind kind : {BranchKind::TankAndSeriesLC, BranchKind::SeriesLCAndTank}) {
    Branch b;
    b.kind = kind;
    b.placement = p.ladder.branches.empty() ? Placement::Shunt : Placement::Series;
    b.l = {11.5, 1250.0};
    b.c = {3.3, 4700.0};
    p.ladder.branches.push_back(b);
  }
  const std::string page = html_page(p);
  const std::regex part(R"re(<g class="part" data-ref="([LC]\d[ab])"><title>\1 = (\S+) )re");
  std::set<std::string> seen;
  for (std::sregex_iterator m(page.begin(), page.end(), part), e; m != e; ++m) {
    const std::string ref = (*m)[1];
    const double want =
        ref[0] == 'L' ? (ref[2] == 'a' ? 11.5 : 1250.0) : (ref[2] == 'a' ? 3.3 : 4700.0);
    EXPECT_EQ(std::stod((*m)[2]), want) << ref;
    seen.insert(ref);
  }
  EXPECT_EQ(seen, (std::set<std::string>{"L1a", "C1a", "L1b", "C1b", "L2a", "C2a", "L2b", "C2b"}));
  EXPECT_NE(page.find("1.25 \u00b5H"), std::string::npos);
  EXPECT_NE(page.find("4.7 nF"), std::string::npos);
}

// Console messages, and resource loads the page itself started (the
// browser's own background requests carry other traffic annotations).
constexpr const char* kConsole = ":CONSOLE";
constexpr const char* kPageRequest = "\"traffic_annotation\":101845102";

TEST(HtmlPage, ChromiumLoadsEachPageQuietlyWithTheExpectedDrawing) {
  if (!testing::need("test -x /usr/bin/chromium", "chromium")) GTEST_SKIP() << "no chromium";
  const fs::path out = fs::path(VARNHOLT_BUILD_DIR) / "screenshots";
  fs::create_directories(out);
  // The checks see a page that breaks the rules.
  std::ofstream(out / "leaky.html")
      << "<!DOCTYPE html><img src=\"http://example.com/x.png\"><script>console.error(1)</script>";
  const testing::BrowserRun leaky = testing::chromium(out / "leaky.html", out / "leaky.png");
  EXPECT_NE(leaky.log.find(kConsole), std::string::npos);
  EXPECT_NE(leaky.netlog.find(kPageRequest), std::string::npos);

  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const std::string page = html_page(c.page);
    EXPECT_EQ(count(page, "://"), count(page, "xmlns=\"http://www.w3.org/2000/svg\""));
    const fs::path file = out / (c.name + ".html");
    std::ofstream(file) << page;
    const testing::BrowserRun r = testing::chromium(file, out / (c.name + ".png"));
    ASSERT_FALSE(r.dom.empty()) << "chromium did not run";
    EXPECT_EQ(r.log.find(kConsole), std::string::npos) << r.log;
    EXPECT_EQ(r.netlog.find(kPageRequest), std::string::npos);
    EXPECT_GT(fs::file_size(out / (c.name + ".png")), 10000u);

    EXPECT_EQ(count(r.dom, "<g class=\"part\""), c.parts);
    const int overlays = static_cast<int>(c.page.overlays.size());
    const int floors = static_cast<int>(c.page.passband_mask.size());
    const int masks = static_cast<int>(c.page.mask.size() + c.page.return_loss_mask.size());
    EXPECT_EQ(count(svg_section(r.dom, "response"), "<polyline"), 2 + overlays + masks + floors);
    EXPECT_EQ(count(svg_section(r.dom, "passband"), "<polyline"),
              c.page.passband ? 1 + overlays + floors : 0);
    EXPECT_EQ(count(svg_section(r.dom, "delay"), "<polyline"), 1 + overlays);
    EXPECT_EQ(count(svg_section(r.dom, "response"), "<polygon"), c.page.yield ? 1 : 0);
    const std::string smith = svg_section(r.dom, "smith");
    EXPECT_EQ(count(smith, "<polyline"), 1);
    expect_markers(count(smith, "class=\"marker\""), c.page.sweep.size());
  }
}

}  // namespace
}  // namespace varnholt::html

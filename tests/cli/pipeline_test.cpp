// Every path of the command line (design, elliptic design, design file,
// circuit data file) with every output, without and with practical options:
// each output exists, reads with an outside reader (ngspice, scikit-rf,
// Python's csv and json, chromium) and carries the practical results where
// they apply.
#include <algorithm>
#include <filesystem>

#include "cli_support.h"
#include "outside_tools.h"
#include "support/browser.h"

namespace varnholt::testing {
namespace {

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The CSV columns the practical options add.
std::string practical_columns(const std::string& options) {
  std::string columns;
  if (has(options, "--round")) columns += ",s21_rounded_dB";
  if (has(options, "--q-") || has(options, "--inductor-") || has(options, "--capacitor-") ||
      has(options, "--node-"))
    columns += ",s21_lossy_dB";
  if (has(options, "--tolerance")) {
    columns += ",s21_p5_dB,s21_p50_dB,s21_p95_dB,s11_p5_dB,s11_p50_dB,s11_p95_dB";
  }
  return columns;
}

CliResult run_all(CliFolder& folder, const std::string& commands, const std::string& last_args) {
  CliResult r;
  std::size_t start = 0;
  for (;;) {
    const auto next = commands.find(" && ", start);
    const std::string command = commands.substr(start, next - start);
    r = folder.run(command + (next == std::string::npos ? last_args : ""));
    if (r.status != 0 || next == std::string::npos) return r;
    start = next + 4;
  }
}

TEST(CliPipeline, EveryPathWritesEveryOutputThatOutsideReadersRead) {
  if (!need("command -v ngspice >/dev/null 2>&1", "ngspice") ||
      !need("/usr/bin/python3 -c 'import skrf' >/dev/null 2>&1", "scikit-rf") ||
      !need("test -x /usr/bin/chromium", "chromium")) {
    GTEST_SKIP() << "an outside reader is missing";
  }
  for (const std::string& row : table("pipeline_paths.txt")) {
    SCOPED_TRACE(row);
    const auto [commands, options_text] = sides(row);
    const bool practical = options_text != "-";
    const std::string options = practical ? " " + options_text : "";
    const bool design = commands.rfind("design", 0) == 0 && !has(commands, "&&");
    CliFolder folder;
    const CliResult r = run_all(folder, commands,
                                options + " --report @/r.txt --spice @/d.cir --touchstone @/d.s2p "
                                          "--csv @/d.csv --html @/p.html" +
                                    (design ? " --json @/d.json" : ""));
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string report = read_file(folder.path("r.txt"));
    EXPECT_EQ(has(report, "\r\nPractical design\r\n"), practical);
    EXPECT_EQ(has(report, "passes, worst margin") || has(report, "fails, worst margin"),
              has(options, "--mask"));

    output_of("cd " + folder.path("") + " && ngspice -b d.cir >/dev/null 2>&1");
    EXPECT_EQ(numbers(read_file(folder.path("d-ac.txt"))).size(), 41u) << "ngspice's rows";

    const std::string read = output_of("/usr/bin/python3 " + std::string(VARNHOLT_TEST_DATA) +
                                       "/../cli/read_outputs.py " + folder.path("") + " 2>&1");
    EXPECT_TRUE(has(read, "csv 41 frequency_MHz,s21_dB,s21_phase_deg,group_delay_ns,s11_dB,vswr,"
                          "zin_real_ohm,zin_imag_ohm" + practical_columns(options) + "\n"))
        << read;
    EXPECT_TRUE(has(read, "touchstone 41\n")) << read;
    if (design) {
      EXPECT_EQ(has(read, ",practical,"), practical) << read;
      EXPECT_EQ(has(read, "practical.checks"), has(options, "--mask")) << read;
      EXPECT_EQ(has(read, "practical.yield"), has(options, "--tolerance")) << read;
    }

    const BrowserRun page = chromium(folder.path("p.html"), folder.path("p.png"));
    ASSERT_FALSE(page.dom.empty()) << "chromium did not run";
    EXPECT_EQ(has(page.dom, "Practical design"), practical);
    EXPECT_EQ(has(page.dom, "<th>Built</th>"), has(options, "--round"));
    EXPECT_EQ(has(page.dom, "<th>Yield</th>"), has(options, "--tolerance"));
    EXPECT_EQ(has(page.dom, "<table class=\"verdicts\">"), has(options, "--mask"));
  }
}

// The exports compute a network's response as they write it, a few rows at
// a time on all cores, while the page holds every point: over a sweep of
// several blocks the CSV is the same bytes written alone or beside the page.
TEST(CliPipeline, EveryPathWritesTheSameCsvAloneAndBesideThePage) {
  for (const std::string& row : table("pipeline_paths.txt")) {
    SCOPED_TRACE(row);
    auto [commands, options] = sides(row);
    if (options == "-") options.clear();
    const auto points = commands.rfind("--points 41");
    ASSERT_NE(points, std::string::npos);
    commands.replace(points, 11, "--points 5001");
    CliFolder folder;
    ASSERT_EQ(run_all(folder, commands, " " + options + " --csv @/alone.csv").status, 0);
    ASSERT_EQ(run_all(folder, commands, " " + options + " --csv @/paged.csv --html @/p.html").status, 0);
    const std::string alone = read_file(folder.path("alone.csv"));
    EXPECT_GT(std::count(alone.begin(), alone.end(), '\n'), 5001);
    EXPECT_TRUE(alone == read_file(folder.path("paged.csv")));
  }
}

}  // namespace
}  // namespace varnholt::testing

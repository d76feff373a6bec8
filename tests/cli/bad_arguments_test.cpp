// Every rule a command is checked against, from tests/data/cli/bad_arguments.txt:
// status 2, one line naming the option and the rule, and no output file left
// behind, whole or partial.
#include "cli_support.h"

namespace varnholt::testing {
namespace {

TEST(CliBadArguments, EachRuleStopsTheCommandWithItsMessageAndNoFile) {
  for (const std::string& row : table("bad_arguments.txt")) {
    const auto [command, message] = sides(row);
    CliFolder folder;
    // Every row also asks for a report file, which must not be left behind
    // either (unless the row is about the report itself).
    const auto space = command.find(' ');
    const bool own_report = command.find("--report") != std::string::npos;
    const std::string args = own_report ? command
                                        : command.substr(0, space) + " --report @/r.txt" +
                                              (space == std::string::npos ? "" : command.substr(space));
    // In the scratch folder, so that rows may name files relatively.
    const auto working = std::filesystem::current_path();
    std::filesystem::current_path(folder.path(""));
    const CliResult r = folder.run(args);
    std::filesystem::current_path(working);
    EXPECT_EQ(r.status, 2) << row;
    EXPECT_EQ(r.err, "varnholt: " + folder.expand(message) + "\n") << row;
    EXPECT_TRUE(r.out.empty()) << row;
    EXPECT_TRUE(folder.files().empty()) << row;
  }
}

// A failed command leaves an existing file as it was and no temporary file;
// a good one replaces it.
TEST(CliBadArguments, FailedWriteKeepsTheOldFile) {
  CliFolder folder;
  { std::ofstream(folder.path("r.txt")) << "old"; }
  const std::string design = "design --type lp --cutoff 100 --ripple 0.5 --sections 5 --report @/r.txt";
  EXPECT_EQ(folder.run(design + " --csv @/none/a.csv").status, 2);
  EXPECT_EQ(folder.run(design + " --csv /dev/full").status, 2);
  EXPECT_EQ(read_file(folder.path("r.txt")), "old");
  EXPECT_EQ(folder.files(), std::vector<std::string>{"r.txt"});
  EXPECT_EQ(folder.run(design + " --csv /dev/null").status, 0);
  EXPECT_NE(read_file(folder.path("r.txt")), "old");
}

// Standard output that refuses the report: status 2, not a silent success.
TEST(CliBadArguments, FailedStandardOutputIsAnError) {
  std::ostream refusing(nullptr);
  std::ostringstream err;
  DiskFileSystem files;
  CliIo io{refusing, err, files, fixed_time, false};
  EXPECT_EQ(run_cli({"design", "--type", "lp", "--cutoff", "100", "--ripple", "0.5", "--sections", "5"}, io), 2);
  EXPECT_EQ(err.str(), "varnholt: --report: cannot write the report\n");
}

TEST(CliBadArguments, HelpAndVersionGoToStandardOutput) {
  CliFolder folder;
  for (const char* args : {"--help", "-h", "design --help", "analyse --help", "--version"}) {
    // In the scratch folder, so that rows may name files relatively.
    const auto working = std::filesystem::current_path();
    std::filesystem::current_path(folder.path(""));
    const CliResult r = folder.run(args);
    std::filesystem::current_path(working);
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_TRUE(r.err.empty()) << args;
    EXPECT_FALSE(r.out.empty()) << args;
  }
  EXPECT_NE(folder.run("design --help").out.find("--attenuation"), std::string::npos);
  EXPECT_NE(folder.run("analyse --help").out.find("CIRCUIT"), std::string::npos);
}

}  // namespace
}  // namespace varnholt::testing

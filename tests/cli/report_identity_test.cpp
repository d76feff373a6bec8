// The command-line reports against the dialog's: for each row of
// tests/data/cli/reports.txt the command's report must be, byte for byte,
// what the dialog stores for the same data typed as replies (without the
// line that names the storage file, which a command has no use for).
#include <filesystem>

#include "cli_support.h"

namespace varnholt::testing {
namespace {

const std::string kStoredLine = "      Output Data stored in User Filename:";

std::string dialog_replies(const std::string& row) {
  std::string replies;
  std::size_t start = 0;
  for (;;) {
    const auto bar = row.find('|', start);
    const std::string reply = row.substr(start, bar - start);
    replies += (reply == "." ? "" : reply) + "\n";
    if (bar == std::string::npos) return replies;
    start = bar + 1;
  }
}

// The dialog's stored reports without their storage-file lines.
std::string dialog_report(const std::string& replies) {
  RecordingFileSystem fs;
  for (const auto& e : std::filesystem::directory_iterator(std::string(VARNHOLT_TEST_DATA) + "/cli")) {
    fs.put(e.path().filename().string(), read_file(e.path().string()));
  }
  const FolderRun r = run_session(replies, fs);
  EXPECT_EQ(r.result.status, 0) << r.result.err;
  const std::string stored = fs.contents("out.txt");
  std::string report;
  for (std::size_t pos = 0; pos < stored.size();) {
    const std::size_t end = stored.find('\n', pos) + 1;
    if (stored.compare(pos, kStoredLine.size(), kStoredLine) != 0) {
      report += stored.substr(pos, end - pos);
    }
    pos = end;
  }
  return report;
}

TEST(CliReport, EqualsTheDialogsReportForTheSameData) {
  for (const std::string& row : table("reports.txt")) {
    const auto [commands, replies] = sides(row);
    CliFolder folder;
    CliResult r;
    std::size_t start = 0;
    for (;;) {
      const auto next = commands.find(" && ", start);
      r = folder.run(commands.substr(start, next - start));
      ASSERT_EQ(r.status, 0) << row << "\n" << r.err;
      if (next == std::string::npos) break;
      start = next + 4;
    }
    const std::string want = dialog_report(dialog_replies(replies));
    ASSERT_FALSE(want.empty()) << row;
    EXPECT_EQ(r.out, want) << row;
  }
}

// A report written to a file is the same text as on standard output.
TEST(CliReport, FileHoldsTheSameBytesAsStandardOutput) {
  CliFolder folder;
  const std::string design = "design --type bp --center 100 --bandwidth 20 --ripple 0.5 --sections 3";
  const CliResult shown = folder.run(design + " --from 80 --to 120 --step 5");
  ASSERT_EQ(folder.run(design + " --from 80 --to 120 --step 5 --report @/r.txt").status, 0);
  EXPECT_EQ(read_file(folder.path("r.txt")), shown.out);
}

}  // namespace
}  // namespace varnholt::testing

// Hostile console input: lines of 100,000 characters, NUL bytes, invalid
// UTF-8 and extreme numbers at every numeric prompt; and the storage file
// keeping every line already stored whichever way a session ends.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/session.h"

namespace varnholt::testing {
namespace {

using namespace std::string_literals;

const std::string kLong(100'000, 'x');
const std::string kReport = "SYNTHESIS of the Electrical Circuit";
// A Chebyshev low-pass at 100 MHz with 5 sections and Zo = 50, every value typed.
const std::vector<std::string> kDesign = {"2", "1", "1", "100", "0.5", "5", "50"};
const std::string kBadReply = "bad numeric reply", kEndOfInput = "end of input";

// The typed design, storage declined and the program left, with reply `at` replaced.
std::string design_with(std::size_t at, const std::string& reply) {
  std::vector<std::string> replies = kDesign;
  replies.insert(replies.end(), {"0", "3"});
  replies[at] = reply;
  return lines(replies);
}

TEST(HostileInput, LongLinesNulBytesAndInvalidUtf8InNumericReplies) {
  const std::string ones(kLong.size(), '1'), nines(kLong.size(), '9'), blanks(kLong.size(), ' ');
  const struct {
    std::string replies;
    int status;
    std::string shown;  // in the output, or for status 2 in the diagnostic
  } cases[] = {
      // Only the first 13 columns count: 13 ones at a menu are out of range (the
      // default holds), 13 nines overflow the F11.4 field of the report.
      {design_with(0, ones), 0, kReport},
      {design_with(3, nines), 0, "FC1 =*********** MHz"},
      {design_with(3, "100          " + kLong), 0, "FC1 =   100.0000 MHz"},
      {design_with(3, "100          \0\xff"s), 0, "FC1 =   100.0000 MHz"},
      {design_with(6, blanks), 0, kReport},
      // The last line needs no line end: 13 threes at the menu end the program.
      {lines(kDesign) + "0\r\n" + std::string(kLong.size(), '3'), 0, "OPERATION selected = "},
      {design_with(3, "1234x" + kLong), 2, kBadReply},
      {design_with(3, "\0"s), 2, kBadReply},
      {design_with(3, "1\0"s), 2, kBadReply},
      {design_with(3, "\xff"), 2, kBadReply},
      {design_with(3, "1\xc3\xa9"), 2, kBadReply},
      {design_with(3, "\xef\xbb\xbf" "2"), 2, kBadReply},
      // Values at the edge of the float range are printed by the field rules.
      {design_with(3, "1e39"), 0, "FC1 =   Infinity MHz"},
      {design_with(4, "1e38\r\n2"), 0, "-Resultant Passband VSWR level         =   Inf"},
      {design_with(5, "0\r\n200\r\n1e39\r\n200\r\n40"), 0,
       "-Number of sections needed in Filter   =***\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.replies.substr(0, 60));
    SessionRunner runner;
    const auto r = runner.run(c.replies);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.shown), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(kReport) == std::string::npos, c.status == 2);
  }
}

TEST(HostileInput, StorageNamesAreCutAtByte20AndKeptByteForByte) {
  std::string long_name(kLong.size(), 'a');
  long_name[19] = 'z';
  std::string accents;
  for (int i = 0; i < 11; ++i) accents += "\xc3\xa9";  // 22 bytes: cut inside a character
  const std::pair<std::string, std::string> cases[] = {
      {long_name, std::string(19, 'a') + "z"},
      {"twenty-char-name.txt\0\0"s, "twenty-char-name.txt"},
      {"\xff\xfe\xc3(.txt", "\xff\xfe\xc3(.txt"},
      {accents, accents.substr(0, 20)},
  };
  for (const auto& [reply, name] : cases) {
    SessionRunner runner;
    const auto r = runner.run(lines(kDesign) + lines({"1", reply, "3"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(runner.fs.contents(name).find(kReport), std::string::npos) << name;
    EXPECT_NE(r.out.find("Output Data stored in User Filename: " + name), std::string::npos);
  }
  // A NUL inside the name: no file can be opened, and what precedes it is not written.
  SessionRunner runner;
  const auto r = runner.run(lines(kDesign) + lines({"1", "r\0.txt"s, "3"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(runner.fs.exists("r") || runner.fs.exists("r\0.txt"s));
  EXPECT_EQ(r.out.find(kReport), std::string::npos);
}

// Each numeric prompt of both dialogs and menus, reached by `before` and
// followed by `after` and blank replies to the end: 1e38, 1e39 (beyond the
// float range: infinity), 1e-45 (the smallest subnormal) and -1e38 are each
// taken by the question's rules, and the session ends normally.
TEST(HostileInput, ExtremeNumbersAtEveryNumericPrompt) {
  const std::string bessel = "2\n3\n", typed = "1\n1\n1\n2\n";  // typed: low-pass, N = 2
  const struct {
    const char* prompt;
    std::string before, after;
  } prompts[] = {
      {"function", "", ""},
      {"response", "2\n", ""},
      {"design", bessel, ""},
      {"low-pass cut-off", bessel + "1\n", ""},
      {"high-pass cut-off", bessel + "2\n", ""},
      {"band centre", bessel + "3\n", "20\n"},
      {"bandwidth", bessel + "4\n100\n", ""},
      {"ripple", "2\n1\n1\n\n", "5\n"},
      {"ripple kept", "2\n1\n1\n\n7\n", ""},
      {"sections", "2\n1\n1\n\n\n", ""},
      {"skirt frequency", "2\n1\n1\n\n\n0\n", ""},
      {"skirt attenuation", "2\n1\n1\n\n\n0\n\n", ""},
      {"flat attenuation", "2\n2\n1\n\n0\n\n", ""},
      {"impedance", bessel + "1\n\n\n", ""},
      {"storage", bessel + "1\n\n\n\n", ""},
      {"synthesis menu", bessel + "1\n\n\n\n0\n", ""},
      {"analysis option", "1\n", ""},
      {"analysis design", "1\n1\n", ""},
      {"analysis sections", "1\n1\n1\n", ""},
      {"configuration", typed, ""},
      {"element", typed + "\n", ""},
      {"source resistance", typed + "\n\n\n", ""},
      {"source reactance", typed + "\n\n\n\n", ""},
      {"load resistance", typed + "\n\n\n\n\n", ""},
      {"load reactance", typed + "\n\n\n\n\n\n", ""},
      {"sweep start", typed + "\n\n\n\n\n\n\n", ""},
      {"sweep stop", typed + "\n\n\n\n\n\n\n\n", "@\n"},  // a step as extreme as the stop
      {"sweep step", typed + "\n\n\n\n\n\n\n100\n100\n", ""},
      {"print format", typed + "\n\n\n\n\n\n\n100\n100\n1\n", ""},
      {"analysis menu", typed + "\n\n\n\n\n\n\n100\n100\n1\n\n0\n", ""},
  };
  const std::string rule = "      " + std::string(72, '-') + "\r\n";
  for (const auto& p : prompts) {
    for (const std::string x : {"1e38", "1e39", "1e-45", "-1e38"}) {
      SCOPED_TRACE(std::string(p.prompt) + " " + x);
      SessionRunner runner;
      runner.fs.put("lowpass.ckt", "title\r\n1\r\n1\r\n100\r\n31.83\r\n159.2\r\n31.83\r\n");
      const std::string after = p.after == "@\n" ? x + "\n" : p.after;
      const auto r = runner.run(p.before + x + "\n" + after + std::string(40, '\n'));
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_NE(r.out.find("completed.\r\n      Select next OPERATION:"), std::string::npos);
      EXPECT_FALSE(runner.fs.exists("report.txt"));  // storage only on a reply rounding to 1
      // The report lines between the header rule and the closing rule keep their columns.
      const auto first = r.out.find(rule), last = r.out.rfind(rule);
      ASSERT_LT(first, last);
      for (auto start = first; start < last; start = r.out.find("\r\n", start) + 2) {
        EXPECT_LE(r.out.find("\r\n", start) - start, 80u) << r.out.substr(start, 100);
      }
    }
  }
}

// --- The storage file keeps every line already stored ------------------------

const std::string kStored = lines(kDesign) + "1\r\ns.txt\r\n";

// The file after the same run ended normally at the after-run menu.
std::string reference_report() {
  SessionRunner runner;
  runner.run(kStored + "3\r\n");
  return runner.fs.contents("s.txt");
}

TEST(StorageSurvives, EveryFatalEndKeepsEveryLineAlreadyStored) {
  const std::string expected = reference_report();
  ASSERT_NE(expected.find(kReport), std::string::npos);
  ASSERT_NE(expected.find("Output Data stored in User Filename: s.txt"), std::string::npos);
  const struct {
    std::vector<std::string> after_run;  // from the after-run menu to the fatal reply
    std::string why;
  } cases[] = {
      {{}, kEndOfInput},
      {{"abc"}, kBadReply},
      {{"2"}, kEndOfInput},  // function menu
      {{"2", "1.2.3"}, kBadReply},
      {{"2", "2", "1", "1"}, kEndOfInput},  // cut-off
      {{"2", "2", "1", "1", "abc"}, kBadReply},
      {{"2", "2", "1", "1", "100", "0.5", "5", "50", "\xff"}, kBadReply},  // storage question
      {{"2", "2", "1", "1", "100", "0.5", "5", "50", "1"}, kEndOfInput},   // name prompt
      {{"2", "2", "1", "1", "100", "0.5", "5", "50", "1", "a\0b"s}, "cannot"},
      {{"2", "1", "2", "none.ckt"}, "cannot open circuit data file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(lines(c.after_run));
    SessionRunner runner;
    const auto r = runner.run(kStored + lines(c.after_run));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_EQ(runner.fs.contents("s.txt"), expected);
  }
}

// Reads the defaults from memory and writes the storage file to the disk, so
// that the test sees what a real file holds after the program has ended.
class DiskStorage : public MemoryFileSystem {
 public:
  DiskStorage() { put("Varnholt.DEF", kDefaultsFile); }
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override {
    return disk_.open_write(name, why);
  }

 private:
  DiskFileSystem disk_;
};

TEST(StorageSurvives, ARealFileIsCompleteOnDiskAfterAFatalEnd) {
  std::string expected = reference_report();
  char dir[] = "/tmp/vhXXXXXX";  // short: the whole path must fit in a 20-character name
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/s.txt";
  const std::string field = padded("s.txt", kNameLength);  // the file is named by its path
  expected.replace(expected.find(field), kNameLength, padded(path, kNameLength));
  for (const std::string last : {"", "abc\r\n"}) {
    DiskStorage fs;
    std::istringstream in(lines(kDesign) + lines({"1", path, "2", "2", "1", "1"}) + last);
    std::ostringstream out, err;
    EXPECT_EQ(run_program(in, out, err, fs, fixed_time), 2);
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), expected);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varnholt::testing

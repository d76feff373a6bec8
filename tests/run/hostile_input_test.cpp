// Hostile console input: very long lines, NUL bytes, invalid UTF-8 and
// extreme numbers at every kind of prompt the synthesis dialog asks; and the
// storage file keeping every report line when a session ends on the end of
// input or on a reply that cannot be used.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../support/session_harness.h"

namespace varnholt::testing {
namespace {

using Replies = std::vector<std::string>;

std::string join(const Replies& replies) {
  std::string text;
  for (const std::string& r : replies) text += r + "\r\n";
  return text;
}

Replies concat(Replies a, const Replies& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

constexpr std::string_view kReportTitle = "SYNTHESIS of the Electrical Circuit";
constexpr std::string_view kMenuTitle = "Lumped Element Filter calculations completed.";

// A Chebyshev low-pass at 100 MHz with 5 sections and Zo = 50: every value
// typed, so the session does not depend on the defaults.
const Replies kDesign = {"2", "1", "1", "100", "0.5", "5", "50"};

bool ended_on_input(const SessionResult& r) {
  return r.status == 2 && r.err.find("end of input") != std::string::npos;
}

bool ended_on_bad_reply(const SessionResult& r) {
  return r.status == 2 && r.err.find("bad numeric reply") != std::string::npos;
}

// Report lines are fixed columns: whatever the values, none grows past 80
// columns, and each ends with CR LF.
void expect_whole_report_lines(const std::string& file) {
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(file.substr(file.size() - 2), "\r\n");
  std::size_t start = 0;
  for (std::size_t end = file.find("\r\n"); end != std::string::npos;
       end = file.find("\r\n", start)) {
    EXPECT_LE(end - start, 80u) << file.substr(start, end - start);
    EXPECT_EQ(file.substr(start, end - start).find_first_of("\r\n"), std::string::npos);
    start = end + 2;
  }
}

// ---------------------------------------------------------------------------
// Lines of 100,000 characters.

constexpr std::size_t kLong = 100000;

TEST(LongReplyLines, OnlyTheFirst13ColumnsOfANumericReplyCount) {
  SessionRunner runner;
  // At a menu: 13 ones are far out of range, so the default (synthesis) holds.
  const auto menu =
      runner.run(join({std::string(kLong, '1'), "1", "1", "100", "0.5", "5", "50", "0", "3"}));
  EXPECT_EQ(menu.status, 0) << menu.err;
  EXPECT_NE(menu.out.find(kReportTitle), std::string::npos);

  // At a cut-off prompt: 13 nines, too wide for the F11.4 field of the report.
  const auto nines = runner.run(
      join({"2", "1", "1", std::string(kLong, '9'), "0.5", "5", "50", "0", "3"}));
  EXPECT_EQ(nines.status, 0) << nines.err;
  EXPECT_NE(nines.out.find("FC1 =*********** MHz"), std::string::npos);

  // Letters past column 13 are ignored, however many there are.
  const auto tail = runner.run(join({"2", "1", "1", "100          " + std::string(kLong, 'x'),
                                     "0.5", "5", "50", "0", "3"}));
  EXPECT_EQ(tail.status, 0) << tail.err;
  EXPECT_NE(tail.out.find("FC1 =   100.0000 MHz"), std::string::npos);

  // Blanks only read as 0, which keeps the default: no error, no end.
  const auto blanks = runner.run(
      join({"2", "1", "1", "100", "0.5", "5", std::string(kLong, ' '), "0", "3"}));
  EXPECT_EQ(blanks.status, 0) << blanks.err;
  EXPECT_NE(blanks.out.find(kMenuTitle), std::string::npos);
}

TEST(LongReplyLines, ALetterInTheFirst13ColumnsEndsTheRunWithStatus2) {
  SessionRunner runner;
  const auto r = runner.run(join({"2", "1", "1", "1234x" + std::string(kLong, '0')}));
  EXPECT_TRUE(ended_on_bad_reply(r)) << r.status << " " << r.err;
  EXPECT_EQ(r.out.find(kReportTitle), std::string::npos);
}

TEST(LongReplyLines, ALastLineWithoutLineEndIsStillAReply) {
  SessionRunner runner;
  // 13 threes at the after-run menu: out of range, so the program ends normally.
  const auto r = runner.run(join(concat(kDesign, {"0"})) + std::string(kLong, '3'));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty());
}

TEST(LongReplyLines, AStorageNameIsCutTo20Characters) {
  SessionRunner runner;
  std::string name(kLong, 'a');
  name[19] = 'z';
  const auto r = runner.run(join(concat(kDesign, {"1", name, "3"})));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string stored = std::string(19, 'a') + "z";
  ASSERT_TRUE(runner.fs.exists(stored));
  EXPECT_NE(runner.fs.contents(stored).find(kReportTitle), std::string::npos);
  EXPECT_NE(r.out.find("Output Data stored in User Filename: " + stored + "\r\n"),
            std::string::npos);
}

// ---------------------------------------------------------------------------
// NUL bytes and invalid UTF-8: bytes like any other, never a crash.

TEST(UnusualBytes, ANulOrANonAsciiByteInANumericReplyIsABadValue) {
  for (const std::string& reply :
       {std::string("\0", 1), std::string("1\0", 2), std::string("\xff"), std::string("1\xc3\xa9"),
        std::string("\xef\xbb\xbf" "2")}) {
    SessionRunner runner;
    const auto r = runner.run(join({"2", "1", "1", reply}));
    EXPECT_TRUE(ended_on_bad_reply(r)) << r.status << " " << r.err;
  }
}

TEST(UnusualBytes, ANulOrANonAsciiBytePastColumn13IsIgnored) {
  SessionRunner runner;
  const auto r = runner.run(join({"2", "1", "1", std::string("100          \0\xff", 15), "0.5",
                                  "5", "50", "0", "3"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("FC1 =   100.0000 MHz"), std::string::npos);
}

TEST(UnusualBytes, AStorageNameWithANulCannotBeOpenedAndNothingIsWritten) {
  SessionRunner runner;
  const auto r = runner.run(join(concat(kDesign, {"1", std::string("r\0.txt", 6), "3"})));
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(r.err.empty());
  // Opening what precedes the NUL would write to the wrong file.
  EXPECT_FALSE(runner.fs.exists("r"));
  EXPECT_FALSE(runner.fs.exists(std::string("r\0.txt", 6)));
  EXPECT_EQ(r.out.find(kReportTitle), std::string::npos);
}

TEST(UnusualBytes, ANulPastThe20thCharacterOfANameIsIgnored) {
  SessionRunner runner;
  const std::string name = "twenty-char-name.txt";
  const auto r = runner.run(join(concat(kDesign, {"1", name + std::string("\0\0", 2), "3"})));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(runner.fs.exists(name));
}

TEST(UnusualBytes, InvalidUtf8InAStorageNameIsKeptByteForByte) {
  SessionRunner runner;
  const std::string name = "\xff\xfe\xc3(.txt";
  const auto r = runner.run(join(concat(kDesign, {"1", name, "3"})));
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(runner.fs.exists(name));
  EXPECT_NE(runner.fs.contents(name).find(kReportTitle), std::string::npos);
  EXPECT_NE(r.out.find(name), std::string::npos);
}

TEST(UnusualBytes, AMultiByteNameIsCutAtByte20EvenInsideACharacter) {
  SessionRunner runner;
  std::string name;
  for (int i = 0; i < 11; ++i) name += "\xc3\xa9";  // 22 bytes
  const auto r = runner.run(join(concat(kDesign, {"1", name, "3"})));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(runner.fs.exists(name.substr(0, 20)));
}

// ---------------------------------------------------------------------------
// Extreme numbers at every kind of numeric prompt of the synthesis dialog:
// 1e38, 1e39 (beyond the float range: infinity), 1e-45 (the smallest
// subnormal) and -1e38. Each is a readable number, so the dialog takes it by
// its rules (range, default, absolute value, rounding) and carries on.

enum class Prompt {
  Function,
  Response,
  Design,
  LowPassCutoff,
  HighPassCutoff,
  BandCentre,
  BandWidth,
  Ripple,
  RippleReentry,
  Sections,
  SkirtFrequency,
  SkirtAttenuation,
  FlatAttenuation,
  Impedance,
  StorageQuestion,
  OperationMenu,
};

struct Extreme {
  const char* text;
  bool infinite_or_huge;  // 1e38, 1e39, -1e38 (magnitude)
  bool tiny;              // 1e-45
  bool negative;          // -1e38
};

constexpr Extreme kExtremes[] = {
    {"1e38", true, false, false},
    {"1e39", true, false, false},
    {"1e-45", false, true, false},
    {"-1e38", true, false, true},
};

const Replies kStore = {"1", "x.txt", "3"};

struct Script {
  Replies replies;
  bool stored;  // storage asked for, so the file can be checked
};

// Replies that reach `prompt`, give it `v`, and finish the session with a
// synthesis report and a normal end, following the dialog's rules for `v`.
// Where `v` makes a question fall back to its default, the replies after it
// finish the session whatever that default is (the end still is normal).
Script script(Prompt prompt, const Extreme& v) {
  const std::string x = v.text;
  switch (prompt) {
    case Prompt::Function:
      return {concat({x, "1", "1", "100", "0.5", "5", "50"}, kStore), true};
    case Prompt::Response:
      return {concat({"2", x, "1", "100", "0.5", "5", "50"}, kStore), true};
    case Prompt::Design:
      return {concat({"2", "1", x, "100", "0.5", "5", "50"}, kStore), true};
    case Prompt::LowPassCutoff:
      return {concat({"2", "1", "1", x, "0.5", "5", "50"}, kStore), true};
    case Prompt::HighPassCutoff:
      return {concat({"2", "1", "2", x, "0.5", "5", "50"}, kStore), true};
    case Prompt::BandCentre: {
      // A huge centre swallows the half bandwidth: the edges coincide and
      // the centre and bandwidth are asked again.
      Replies r = {"2", "1", "3", x, "20"};
      if (v.infinite_or_huge && !v.negative) r = concat(r, {"100", "20"});
      return {concat(concat(r, {"0.5", "5", "50"}), kStore), true};
    }
    case Prompt::BandWidth: {
      // A tiny bandwidth vanishes beside the centre: asked again. A negative
      // one keeps the default bandwidth, which may be 0 (asked again too).
      Replies r = {"2", "1", "4", "100", x};
      if (v.tiny || v.negative) r = concat(r, {"100", "20"});
      return {concat(r, {"0.5", "5", "50", "0", "3"}), false};
    }
    case Prompt::Ripple: {
      // The absolute value of a huge ripple is above 6 dB: accepted on request.
      Replies r = {"2", "1", "1", "100", x};
      if (v.infinite_or_huge) r.push_back("2");
      return {concat(concat(r, {"5", "50"}), kStore), true};
    }
    case Prompt::RippleReentry:
      return {concat({"2", "1", "1", "100", "7", x, "5", "50"}, kStore), true};
    case Prompt::Sections:
      // 1e-45 rounds to 0: the skirt questions decide N. The others are far
      // outside 0..30 and leave N at its default, which may itself be invalid.
      if (v.tiny) return {concat({"2", "1", "1", "100", "0.5", x, "200", "40", "50"}, kStore), true};
      return {{"2", "1", "1", "100", "0.5", x, "5", "50", "0", "3"}, false};
    case Prompt::SkirtFrequency:
      // Any skirt frequency above the cut-off is accepted; 1e-45 is in the
      // passband and asked again; -1e38 keeps the default skirt frequency.
      if (v.negative) return {{"2", "1", "1", "100", "0.5", "0", x, "200", "40", "50", "0", "3"}, false};
      if (v.tiny) {
        return {concat({"2", "1", "1", "100", "0.5", "0", x, "200", "40", "50"}, kStore), true};
      }
      return {concat({"2", "1", "1", "100", "0.5", "0", x, "40", "50"}, kStore), true};
    case Prompt::SkirtAttenuation:
      // A huge attenuation needs more than 30 sections: skirt asked again.
      // 1e-45 is not above the ripple: back to the ripple question.
      if (v.tiny) {
        return {concat({"2", "1", "1", "100", "0.5", "0", "200", x, "0.5", "0", "200", "40", "50"},
                       kStore),
                true};
      }
      return {concat({"2", "1", "1", "100", "0.5", "0", "200", x, "200", "40", "50"}, kStore), true};
    case Prompt::FlatAttenuation:
      // Butterworth: below 4 dB the attenuation is asked again.
      if (v.tiny) return {concat({"2", "2", "1", "100", "0", "200", x, "40", "50"}, kStore), true};
      return {concat({"2", "2", "1", "100", "0", "200", x, "200", "40", "50"}, kStore), true};
    case Prompt::Impedance:
      return {concat({"2", "1", "1", "100", "0.5", "5", x}, kStore), true};
    case Prompt::StorageQuestion:
      return {concat(kDesign, {x, "3"}), false};
    case Prompt::OperationMenu:
      return {concat(kDesign, {"1", "x.txt", x}), true};
  }
  return {};
}

class ExtremeNumbers : public ::testing::TestWithParam<std::tuple<Prompt, int>> {};

TEST_P(ExtremeNumbers, AreTakenByTheRulesAndTheSessionEndsNormally) {
  const auto [prompt, index] = GetParam();
  const Extreme& v = kExtremes[index];
  const Script s = script(prompt, v);
  SessionRunner runner;
  const auto r = runner.run(join(s.replies));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty());
  EXPECT_NE(r.out.find(kReportTitle), std::string::npos);
  EXPECT_NE(r.out.find(kMenuTitle), std::string::npos);
  if (s.stored) {
    ASSERT_TRUE(runner.fs.exists("x.txt"));
    expect_whole_report_lines(runner.fs.contents("x.txt"));
  }
}

std::string extreme_case_name(const ::testing::TestParamInfo<std::tuple<Prompt, int>>& info) {
  static const char* const kPromptNames[] = {
      "Function",        "Response",       "Design",          "LowPassCutoff",
      "HighPassCutoff",  "BandCentre",     "BandWidth",       "Ripple",
      "RippleReentry",   "Sections",       "SkirtFrequency",  "SkirtAttenuation",
      "FlatAttenuation", "Impedance",      "StorageQuestion", "OperationMenu"};
  static const char* const kValueNames[] = {"1e38", "1e39", "1em45", "minus1e38"};
  return std::string(kPromptNames[static_cast<int>(std::get<0>(info.param))]) + "_" +
         kValueNames[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(
    EveryNumericPrompt, ExtremeNumbers,
    ::testing::Combine(
        ::testing::Values(Prompt::Function, Prompt::Response, Prompt::Design,
                          Prompt::LowPassCutoff, Prompt::HighPassCutoff, Prompt::BandCentre,
                          Prompt::BandWidth, Prompt::Ripple, Prompt::RippleReentry,
                          Prompt::Sections, Prompt::SkirtFrequency, Prompt::SkirtAttenuation,
                          Prompt::FlatAttenuation, Prompt::Impedance, Prompt::StorageQuestion,
                          Prompt::OperationMenu),
        ::testing::Range(0, 4)),
    extreme_case_name);

TEST(ExtremeNumbers, AnInfiniteSkirtAttenuationNeedsTooManySectionsAndIsAskedAgain) {
  SessionRunner runner;
  const auto r = runner.run(
      join({"2", "1", "1", "100", "0.5", "0", "200", "1e39", "200", "40", "50", "0", "3"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("-Number of sections needed in Filter   =***"), std::string::npos);
  EXPECT_NE(r.out.find("limited to N less than 31."), std::string::npos);
}

TEST(ExtremeNumbers, AnInfiniteCutoffPrintsAsInfinityInItsField) {
  SessionRunner runner;
  const auto r = runner.run(join({"2", "1", "1", "1e39", "0.5", "5", "50", "0", "3"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("FC1 =   Infinity MHz"), std::string::npos);
}

TEST(ExtremeNumbers, AHugeRippleGivesAnInfiniteVswrInsteadOfACrash) {
  SessionRunner runner;
  const auto r = runner.run(join({"2", "1", "1", "100", "1e38", "2", "5", "50", "0", "3"}));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("-Resultant Passband VSWR level         =   Inf"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The storage file keeps every report line when the session ends abruptly.

const Replies kStoredDesign = concat(kDesign, {"1", "s.txt"});

// The file after the same run ended normally at the after-run menu.
std::string reference_report() {
  SessionRunner runner;
  const auto r = runner.run(join(concat(kStoredDesign, {"3"})));
  EXPECT_EQ(r.status, 0) << r.err;
  return runner.fs.contents("s.txt");
}

struct AbruptEnd {
  const char* name;
  Replies after_run;  // replies that lead from the after-run menu to the prompt
  std::string last;   // what is read there; empty: the input just ends
  bool bad_value;     // `last` is an unreadable number
};

const AbruptEnd kAbruptEnds[] = {
    {"MenuPromptEndOfInput", {}, "", false},
    {"MenuPromptUnreadable", {}, "abc", true},
    {"FunctionMenuEndOfInput", {"2"}, "", false},
    {"FunctionMenuUnreadable", {"2"}, "1.2.3", true},
    {"CutoffPromptEndOfInput", {"2", "2", "1", "1"}, "", false},
    {"CutoffPromptUnreadable", {"2", "2", "1", "1"}, "abc", true},
    {"StorageQuestionUnreadable", {"2", "2", "1", "1", "100", "0.5", "5", "50"}, "\xff", true},
    {"NamePromptEndOfInput", {"2", "2", "1", "1", "100", "0.5", "5", "50", "1"}, "", false},
};

class StorageSurvives : public ::testing::TestWithParam<AbruptEnd> {};

TEST_P(StorageSurvives, AnAbruptEndKeepsEveryLineAlreadyStored) {
  const AbruptEnd& end = GetParam();
  const std::string expected = reference_report();
  ASSERT_NE(expected.find(kReportTitle), std::string::npos);
  ASSERT_NE(expected.find("Output Data stored in User Filename: s.txt"), std::string::npos);

  SessionRunner runner;
  std::string input = join(concat(kStoredDesign, end.after_run));
  if (!end.last.empty()) input += end.last + "\r\n";
  const auto r = runner.run(input);
  EXPECT_TRUE(end.bad_value ? ended_on_bad_reply(r) : ended_on_input(r))
      << r.status << " " << r.err;
  EXPECT_EQ(runner.fs.contents("s.txt"), expected);
}

INSTANTIATE_TEST_SUITE_P(EveryPromptKind, StorageSurvives, ::testing::ValuesIn(kAbruptEnds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StorageSurvives, AnUnopenableSecondNameKeepsTheFirstFile) {
  const std::string expected = reference_report();
  SessionRunner runner;
  const auto r = runner.run(join(concat(
      kStoredDesign, {"2", "2", "1", "1", "100", "0.5", "5", "50", "1", std::string("a\0b", 3)})));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(runner.fs.contents("s.txt"), expected);
}

// Reads the defaults from memory, writes the storage file to the disk, so that
// the test sees what a real file holds after the program has ended.
class DiskStorage : public FileSystem {
 public:
  explicit DiskStorage(const MemoryFileSystem& inputs) : inputs_(inputs) {}
  std::unique_ptr<std::istream> open_read(const std::string& name, std::string& why) override {
    return const_cast<MemoryFileSystem&>(inputs_).open_read(name, why);
  }
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override {
    return disk_.open_write(name, why);
  }

 private:
  const MemoryFileSystem& inputs_;
  DiskFileSystem disk_;
};

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(StorageSurvives, ARealFileIsCompleteOnDiskAfterAnAbruptEnd) {
  const std::string expected_body = reference_report();
  char dir[] = "/tmp/vhXXXXXX";  // short: the whole path must fit in a 20-character name
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/s.txt";
  ASSERT_LE(path.size(), kNameLength);

  for (const std::string& last : {std::string(), std::string("abc\r\n")}) {
    MemoryFileSystem inputs;
    inputs.put("Varnholt.DEF", kDefaultsFile);
    DiskStorage fs(inputs);
    std::istringstream in(join(concat(kDesign, {"1", path, "2", "2", "1", "1"})) + last);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run_program(in, out, err, fs, fixed_time), 2);
    const std::string stored = read_file(path);
    // The same report, naming the file by its path instead of "s.txt".
    std::string expected = expected_body;
    const std::string short_name = "s.txt" + std::string(kNameLength - 5, ' ');
    expected.replace(expected.find(short_name), short_name.size(), padded(path, kNameLength));
    EXPECT_EQ(stored, expected);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace varnholt::testing

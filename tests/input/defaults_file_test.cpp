// The default-values file: what a sound file fills in, every entry named
// when it is missing or rejected, and the checks at their edges.
#include "input/defaults_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/session.h"

namespace varnholt {
namespace {

using Changes = std::vector<std::pair<int, std::string>>;

// A sound file; comments stand after a comma or from column 14 on.
const std::vector<std::string> kGood = {
    "Varnholt default values", "0.1, Am", "40           A1", "100, FC1", "200, FH1", "150, FL1",
    "500, Fmax", "1, Fmin", "filter.ckt", "results.txt", "130, F1", "2.5, Fstep", "5, N",
    "-3, ZIL", "7, ZIS", "50, Zo", "75, ZRL", "60, ZRS"};

std::string message(bool missing, const std::string& label12) {
  return missing ? testing::crlf(
                       "\n      End-of-file in LUMPED ELEMENT FILTER default value data\n"
                       "      file (Varnholt.DEF). Entry missing for variable " +
                       label12 + "\n")
                 : testing::crlf(
                       "\n      Error exists in LUMPED ELEMENT FILTER default value data\n"
                       "      file (Varnholt.DEF). Fix entry for variable " +
                       label12 + "\n");
}

class DefaultsFile : public testing::DialogTest {
 protected:
  // Reads kGood with some lines replaced and cut to its first `keep` lines,
  // each ended by `end`; true when the file was accepted.
  bool read(const Changes& changes = {}, std::size_t keep = 99, const std::string& end = "\r\n") {
    st = State{};
    std::vector<std::string> lines = kGood;
    for (const auto& [index, text] : changes) lines[static_cast<std::size_t>(index)] = text;
    if (keep < lines.size()) lines.resize(keep);
    std::string text;
    for (const std::string& line : lines) text += line + end;
    fs.put("Varnholt.DEF", text);
    mark();
    defread(session);
    return st.control.isel != -1;
  }
};

TEST_F(DefaultsFile, SoundFileFillsWorkingAndDefaultFieldsSilently) {
  ASSERT_TRUE(read());
  const std::string sound = fs.contents("Varnholt.DEF");
  const Block2& d = st.block2;
  const Block3& e = st.block3;
  const Freq1& f = st.freq1;
  const Imp1& z = st.imp1;
  EXPECT_EQ(std::tuple(st.block1.am, st.block1.a1, st.block1.n), std::tuple(0.1f, 40.0f, 5));
  EXPECT_EQ(std::tuple(d.amdef, d.a1def, d.fc1def, d.fh1def, d.fl1def, d.fmaxdef, d.fmindef,
                       d.fskirt, d.fstepdef),
            std::tuple(0.1f, 40.0f, 100.0f, 200.0f, 150.0f, 500.0f, 1.0f, 130.0f, 2.5f));
  EXPECT_EQ(std::tuple(e.ndef, e.zildef, e.zisdef, e.zodef, e.zrldef, e.zrsdef),
            std::tuple(5, -3.0f, 7.0f, 50.0f, 75.0f, 60.0f));
  EXPECT_EQ(std::tuple(f.fc1, f.fh1, f.fl1, f.fmax, f.fmin, f.f1, f.fstep, f.bw, f.fo),
            std::tuple(100.0f, 200.0f, 150.0f, 500.0f, 1.0f, 130.0f, 2.5f, 0.0f, 0.0f));
  EXPECT_EQ(std::tuple(z.zil, z.zis, z.zo, z.zrl, z.zrs),
            std::tuple(-3.0f, 7.0f, 50.0f, 75.0f, 60.0f));
  EXPECT_EQ(std::pair(st.charac.fni, st.charac.fno),
            std::pair(padded("filter.ckt", 20), padded("results.txt", 20)));
  // Any line end; a 19th line is never read; the last line needs no line end.
  for (const char* end : {"\n", "\r"}) {
    EXPECT_TRUE(read({{17, std::string("60") + end + "abc"}}, 99, end)) << int{end[0]};
    EXPECT_EQ(st.block3.zrsdef, 60.0f);
  }
  fs.put("Varnholt.DEF", sound.substr(0, sound.size() - 2));
  st = State{};
  defread(session);
  EXPECT_EQ(std::tuple(st.control.isel, st.block3.zrsdef), std::tuple(0, 60.0f));
  EXPECT_EQ(output(), "");
}

TEST_F(DefaultsFile, EveryEntryIsNamedWhenMissingOrRejected) {
  const struct {
    int line;             // 0 is the title line
    const char* label12;  // as the message shows it
    const char* bad;      // a line the entry rejects
  } cases[] = {{0, "first line. ", nullptr}, {1, "Am.         ", "0"},
               {2, "A1.         ", ""},      {3, "FC1.        ", "0"},
               {4, "FH1.        ", "-200"},  {5, "FL1.        ", "250"},
               {6, "Fmax.       ", "1e"},    {7, "Fmin.       ", "600"},
               {8, "FNI.        ", "Varnholt.DEF"}, {9, "FNO.        ", "varnholt.exe"},
               {10, "F1.         ", "-1"},   {11, "Fstep.      ", "0"},
               {12, "N.          ", "31"},   {13, "ZIL.        ", "1.2.3"},
               {14, "ZIS.        ", "abc"},  {15, "Zo.         ", "9.99"},
               {16, "ZRL.        ", "5 x"},  {17, "ZRS.        ", "0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label12);
    EXPECT_FALSE(read({}, static_cast<std::size_t>(c.line)));
    EXPECT_EQ(written(), message(true, c.label12));
    if (c.bad == nullptr) continue;
    EXPECT_FALSE(read({{c.line, c.bad}}));
    EXPECT_EQ(written(), message(false, c.label12));
  }
}

// One line (or two) changed: accepted with the default of the last line
// changed showing `value`, or rejected under `label`.
TEST_F(DefaultsFile, ChecksAtTheirEdges) {
  const auto field = [this](int line) {
    const Block2& d = st.block2;
    const Block3& e = st.block3;
    const float fields[] = {0, d.amdef, d.a1def, 0, 0, d.fl1def, 0, d.fmindef, 0, 0, 0, 0,
                            static_cast<float>(e.ndef), e.zildef, 0, e.zodef, e.zrldef, e.zrsdef};
    return fields[line];
  };
  const struct {
    Changes changes;
    const char* label;  // null: accepted
    float value;
  } cases[] = {
      {{{1, ""}}, "Am.         ", 0},            {{{1, "-0.5"}}, nullptr, 0.5f},
      {{{1, "Am = 0.1"}}, "Am.         ", 0},    {{{1, "3"}, {2, "3"}}, "A1.         ", 0},
      {{{1, "-3"}, {2, "-2.9"}}, "A1.         ", 0}, {{{1, "3"}, {2, "-3.5"}}, nullptr, 3.5f},
      {{{5, "200"}}, "FL1.        ", 0},         {{{5, "199.5"}}, nullptr, 199.5f},
      {{{7, "500"}}, nullptr, 500.0f},           {{{7, "500.1"}}, "Fmin.       ", 0},
      {{{12, "30.4"}}, nullptr, 30.0f},          {{{12, "1.6"}}, nullptr, 2.0f},
      {{{12, "30.5"}}, "N.          ", 0},       {{{12, "1.49"}}, "N.          ", 0},
      {{{15, "10"}}, nullptr, 10.0f},            {{{13, "0"}}, nullptr, 0.0f},
      {{{16, ""}}, nullptr, 0.0f},               {{{16, "-75"}}, nullptr, -75.0f},
      {{{17, "0.001"}}, nullptr, 0.001f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.changes.back().second);
    EXPECT_EQ(read(c.changes), c.label == nullptr);
    EXPECT_EQ(written(), c.label == nullptr ? "" : message(false, c.label));
    if (c.label == nullptr) {
      EXPECT_EQ(field(c.changes.back().first), c.value);
    }
  }
}

// Exactly as written, letter case included, within the 20 columns read.
TEST_F(DefaultsFile, OnlyTheExactReservedNamesAreRefused) {
  for (const char* name : {"Varnholt.EXE", "varnholt.def", "varnholt.exe        past the field"}) {
    EXPECT_FALSE(read({{8, name}})) << name;
  }
  for (const char* name : {"VARNHOLT.EXE", "Varnholt.exe", " varnholt.exe", "varnholt.ex"}) {
    EXPECT_TRUE(read({{9, name}})) << name;
  }
}

TEST_F(DefaultsFile, AFileThatCannotBeOpenedOrReadIsFatal) {
  fs.put("varnholt.def", "another file");
  try {
    defread(session);
    FAIL() << "no error for a missing file";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(),
                 "cannot open default-values file \"Varnholt.DEF\": No such file or directory");
  }
  testing::FailingReadFileSystem failing("title\r\n0.1\r\n");
  Session broken{st, console, failing, {}};
  try {
    defread(broken);
    FAIL() << "no error for a file that cannot be read";
  } catch (const FatalError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot read default-values file \"Varnholt.DEF\"", 0),
              0u)
        << e.what();
  }
  EXPECT_EQ(output(), "");
}

}  // namespace
}  // namespace varnholt

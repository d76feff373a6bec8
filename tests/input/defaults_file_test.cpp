#include "input/defaults_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "session_fixture.h"

namespace varnholt {
namespace {

// A sound file. Comments stand after a comma or from column 14 on.
const std::vector<std::string> kGood = {
    "Varnholt default values", "0.1, Am", "40           A1", "100, FC1", "200, FH1", "150, FL1",
    "500, Fmax", "1, Fmin", "filter.ckt", "results.txt", "130, F1", "2.5, Fstep", "5, N",
    "-3, ZIL", "7, ZIS", "50, Zo", "75, ZRL", "60, ZRS"};

std::string message(bool missing, const std::string& label12) {
  return missing ? "\r\n      End-of-file in LUMPED ELEMENT FILTER default value data\r\n"
                   "      file (Varnholt.DEF). Entry missing for variable " + label12 + "\r\n"
                 : "\r\n      Error exists in LUMPED ELEMENT FILTER default value data\r\n"
                   "      file (Varnholt.DEF). Fix entry for variable " + label12 + "\r\n";
}

class DefaultsFileTest : public testing::SessionTest {
 protected:
  // Reads kGood with some lines replaced and, when `keep` is given, cut to
  // its first `keep` lines; true when the file was accepted.
  bool read(const std::vector<std::pair<int, std::string>>& changes = {}, std::size_t keep = 99) {
    st = State{};
    std::vector<std::string> lines = kGood;
    for (const auto& [index, text] : changes) lines[static_cast<std::size_t>(index)] = text;
    if (keep < lines.size()) lines.resize(keep);
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    fs.put("Varnholt.DEF", text);
    mark_ = output().size();
    defread(session);
    return st.control.isel != -1;
  }
  // What the last read wrote on the console.
  std::string written() const { return output().substr(mark_); }

 private:
  std::size_t mark_ = 0;
};

TEST_F(DefaultsFileTest, SoundFileFillsWorkingAndDefaultFieldsSilently) {
  ASSERT_TRUE(read());
  EXPECT_EQ(written(), "");
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
            std::pair(std::string("filter.ckt          "), std::string("results.txt         ")));
  EXPECT_EQ(st.control.isel, 0);
}

TEST_F(DefaultsFileTest, AnyLineEndAndExtraLines) {
  for (const char* end : {"\n", "\r", "\r\n"}) {
    std::string text;
    for (const std::string& line : kGood) text += line + end;
    fs.put("Varnholt.DEF", text + "abc, a 19th line is never read" + end);
    st = State{};
    defread(session);
    EXPECT_EQ(std::tuple(st.control.isel, st.block3.zrsdef), std::tuple(0, 60.0f));
  }
  // The last line needs no line end.
  std::string text;
  for (const std::string& line : kGood) text += line + "\r\n";
  fs.put("Varnholt.DEF", text.substr(0, text.size() - 2));
  st = State{};
  defread(session);
  EXPECT_EQ(std::tuple(st.control.isel, st.block3.zrsdef), std::tuple(0, 60.0f));
  EXPECT_EQ(output(), "");
}

struct LabelCase {
  int line;             // 0 is the title line
  const char* label12;  // as the message shows it
  const char* bad;      // a line the entry rejects
};

const LabelCase kLabels[] = {
    {0, "first line. ", nullptr}, {1, "Am.         ", "0"},
    {2, "A1.         ", ""},      {3, "FC1.        ", "0"},
    {4, "FH1.        ", "-200"},  {5, "FL1.        ", "250"},
    {6, "Fmax.       ", "1e"},    {7, "Fmin.       ", "600"},
    {8, "FNI.        ", "Varnholt.DEF"}, {9, "FNO.        ", "varnholt.exe"},
    {10, "F1.         ", "-1"},   {11, "Fstep.      ", "0"},
    {12, "N.          ", "31"},   {13, "ZIL.        ", "1.2.3"},
    {14, "ZIS.        ", "abc"},  {15, "Zo.         ", "9.99"},
    {16, "ZRL.        ", "5 x"},  {17, "ZRS.        ", "0"},
};

TEST_F(DefaultsFileTest, EveryEntryIsNamedWhenMissingOrRejected) {
  for (const LabelCase& c : kLabels) {
    SCOPED_TRACE(c.label12);
    EXPECT_FALSE(read({}, static_cast<std::size_t>(c.line)));
    EXPECT_EQ(written(), message(true, c.label12));
    EXPECT_EQ(st.control.isel, -1);
    if (c.bad == nullptr) continue;
    EXPECT_FALSE(read({{c.line, c.bad}}));
    EXPECT_EQ(written(), message(false, c.label12));
    EXPECT_EQ(st.control.isel, -1);
  }
}

TEST_F(DefaultsFileTest, ValuesBeforeFailureStayAndLaterLinesAreNotRead) {
  EXPECT_FALSE(read({{15, "9.99"}}));  // Zo
  EXPECT_EQ(std::tuple(st.block3.ndef, st.block3.zisdef, st.charac.fni),
            std::tuple(5, 7.0f, std::string("filter.ckt          ")));
  // The rejected value is in its working field only; ZRL and ZRS were not read.
  EXPECT_EQ(std::tuple(st.imp1.zo, st.block3.zodef, st.imp1.zrl, st.imp1.zrs),
            std::tuple(9.99f, 0.0f, 0.0f, 0.0f));
  EXPECT_FALSE(read({}, 17));  // a file of 17 lines
  EXPECT_EQ(written(), message(true, "ZRS.        "));
  EXPECT_EQ(st.block3.zrldef, 75.0f);
}

// One line (or two) changed: accepted with the field showing `value`, or
// rejected under `label`.
struct Edge {
  std::vector<std::pair<int, std::string>> changes;
  const char* label;  // null: accepted
  float (*field)(const State&);
  float value;
};

float amdef(const State& s) { return s.block2.amdef; }
float a1def(const State& s) { return s.block2.a1def; }
float fl1def(const State& s) { return s.block2.fl1def; }
float fmindef(const State& s) { return s.block2.fmindef; }
float ndef(const State& s) { return static_cast<float>(s.block3.ndef); }
float n(const State& s) { return static_cast<float>(s.block1.n); }
float zodef(const State& s) { return s.block3.zodef; }
float zildef(const State& s) { return s.block3.zildef; }
float zisdef(const State& s) { return s.block3.zisdef; }
float zrldef(const State& s) { return s.block3.zrldef; }
float zrsdef(const State& s) { return s.block3.zrsdef; }

TEST_F(DefaultsFileTest, ChecksAtTheirEdges) {
  const Edge edges[] = {
      {{{1, ""}}, "Am.         ", nullptr, 0},
      {{{1, "-0.5"}}, nullptr, amdef, 0.5f},
      {{{1, "0.1,ripple in dB"}}, nullptr, amdef, 0.1f},
      {{{1, "0.25         any text"}}, nullptr, amdef, 0.25f},
      {{{1, "Am = 0.1"}}, "Am.         ", nullptr, 0},
      {{{1, "3"}, {2, "3"}}, "A1.         ", nullptr, 0},
      {{{1, "-3"}, {2, "-2.9"}}, "A1.         ", nullptr, 0},
      {{{1, "3"}, {2, "-3.5"}}, nullptr, a1def, 3.5f},
      {{{5, "200"}}, "FL1.        ", nullptr, 0},
      {{{5, "199.5"}}, nullptr, fl1def, 199.5f},
      {{{7, "500"}}, nullptr, fmindef, 500.0f},
      {{{7, "500.1"}}, "Fmin.       ", nullptr, 0},
      {{{12, "30.4"}}, nullptr, ndef, 30.0f},
      {{{12, "1.6"}}, nullptr, n, 2.0f},
      {{{12, "30.5"}}, "N.          ", nullptr, 0},
      {{{12, "1.49"}}, "N.          ", nullptr, 0},
      {{{15, "10"}}, nullptr, zodef, 10.0f},
      {{{13, "0"}}, nullptr, zildef, 0.0f},
      {{{14, "-25"}}, nullptr, zisdef, -25.0f},
      {{{16, ""}}, nullptr, zrldef, 0.0f},
      {{{16, "-75"}}, nullptr, zrldef, -75.0f},
      {{{17, "0.001"}}, nullptr, zrsdef, 0.001f},
  };
  for (const Edge& e : edges) {
    SCOPED_TRACE(e.changes.back().second);
    EXPECT_EQ(read(e.changes), e.label == nullptr);
    if (e.label != nullptr) {
      EXPECT_EQ(written(), message(false, e.label));
    } else {
      EXPECT_EQ(e.field(st), e.value);
    }
  }
}

TEST_F(DefaultsFileTest, OnlyTheExactReservedNamesAreRefused) {
  for (const char* name : {"Varnholt.DEF", "Varnholt.EXE", "varnholt.def", "varnholt.exe",
                           "varnholt.exe        past the field"}) {
    EXPECT_FALSE(read({{8, name}})) << name;
    EXPECT_FALSE(read({{9, name}})) << name;
  }
  for (const char* name : {"VARNHOLT.EXE", "Varnholt.exe", " varnholt.exe", "varnholt.ex"}) {
    EXPECT_TRUE(read({{9, name}})) << name;
    EXPECT_EQ(st.charac.fno, padded(name, 20));
  }
}

TEST_F(DefaultsFileTest, FileThatCannotBeOpenedOrReadIsFatal) {
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
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("cannot read default-values file \"Varnholt.DEF\": error reading the "
                         "file: Input/output error", 0), 0u) << what;
  }
  EXPECT_EQ(output(), "");
  EXPECT_EQ(st.block1.am, 0.1f);
}

}  // namespace
}  // namespace varnholt

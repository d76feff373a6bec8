#include "input/circuit_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "session_fixture.h"

namespace varnholt {
namespace {

constexpr float kOld = -7.0f;  // element values held before a read
constexpr int32_t kUnset = -99;

using Slots = std::vector<std::pair<Ladder Capind::*, int>>;

std::string lines(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& line : list) text += line + "\r\n";
  return text;
}

// A file of `type` and `config` with cut-offs 100 (and 300), then `values`.
std::string circuit(int type, int config, std::vector<std::string> values) {
  std::vector<std::string> list = {"My filter", std::to_string(type), std::to_string(config),
                                   "100"};
  if (type > 2) list.push_back("300");
  list.insert(list.end(), values.begin(), values.end());
  return lines(list);
}

std::string failure(const std::string& entry3, const std::string& label12,
                    const std::string& name12 = "f.ckt       ") {
  return "\r\n\r\n      Error detected in User-defined data filename " + name12 +
         "\r\n      Correct data entry # " + entry3 + " for variable: " + label12 + "\r\n";
}

const std::string kLowPassEcho =
    "      User enters Lowpass Filter Cutoff Frequency =    100.0000 MHz.\r\n";
const std::string kHighPassEcho =
    "      User enters Highpass Filter Cutoff Frequency =    100.0000 MHz.\r\n";
const std::string kLowerEcho = "      User enters Lower Cutoff Frequency =    100.0000 MHz.\r\n";
const std::string kBandEcho =
    kLowerEcho + "      User enters Upper Cutoff Frequency =    300.0000 MHz.\r\n";

class CircuitFileTest : public testing::SessionTest {
 protected:
  void SetUp() override { reset(); }
  void reset() {
    st = State{};
    for (Ladder* s : {&st.capind.g, &st.capind.shuntc, &st.capind.shuntl, &st.capind.serc,
                      &st.capind.serl}) {
      s->fill(kOld);
    }
    st.control.isel = 2;
    icfg = ides = n = kUnset;
    mark_ = output().size();
  }

  // Reads `text` as the file "f.ckt", named by `fni`.
  void read(const std::string& text, const std::string& fni = "f.ckt") {
    fs.put("f.ckt", text);
    ckfread(session, padded(fni, 20), icfg, ides, st.control.isel, n);
  }
  std::string written() const { return output().substr(mark_); }

  // Every element slot but the listed ones still holds its old value.
  void expect_only(const Slots& used) {
    for (auto store :
         {&Capind::g, &Capind::shuntc, &Capind::shuntl, &Capind::serc, &Capind::serl}) {
      for (int k = 0; k <= kMaxPositions; ++k) {
        bool listed = false;
        for (const auto& [s, index] : used) listed = listed || (s == store && index == k);
        const float v = (st.capind.*store)[static_cast<std::size_t>(k)];
        if (!listed) {
          EXPECT_EQ(v, kOld) << "slot " << k;
        }
      }
    }
  }

  int32_t icfg = kUnset;
  int32_t ides = kUnset;
  int32_t n = kUnset;

 private:
  std::size_t mark_ = 0;
};

// --- Sound files ----------------------------------------------------------------

TEST_F(CircuitFileTest, EveryTypeAndConfigurationFillsItsSlotsInLadderOrder) {
  constexpr auto sc = &Capind::shuntc, sl = &Capind::shuntl, xc = &Capind::serc, xl = &Capind::serl;
  const struct {
    int type, config, positions;
    Slots slots;  // in file order, filled with 11, 12, ...
    std::string echo;
  } cases[] = {
      {1, 1, 5, {{sc, 1}, {xl, 2}, {sc, 3}, {xl, 4}, {sc, 5}}, kLowPassEcho},
      {1, 2, 4, {{xl, 1}, {sc, 2}, {xl, 3}, {sc, 4}}, kLowPassEcho},
      {2, 1, 4, {{sl, 1}, {xc, 2}, {sl, 3}, {xc, 4}}, kHighPassEcho},
      {2, 2, 4, {{xc, 1}, {sl, 2}, {xc, 3}, {sl, 4}}, kHighPassEcho},
      {3, 1, 3, {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}, {sl, 3}, {sc, 3}}, kBandEcho},
      {3, 2, 3, {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}, {xl, 3}, {xc, 3}}, kBandEcho},
      {4, 1, 3, {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}, {sl, 3}, {sc, 3}}, kBandEcho},
      {4, 2, 3, {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}, {xl, 3}, {xc, 3}}, kBandEcho},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + " config " + std::to_string(c.config));
    reset();
    std::vector<std::string> values;
    for (std::size_t i = 0; i < c.slots.size(); ++i) values.push_back(std::to_string(11 + i));
    read(circuit(c.type, c.config, values));
    EXPECT_EQ(written(), c.echo);
    EXPECT_EQ(std::tuple(n, ides, icfg, st.control.isel),
              std::tuple(c.positions, c.type, c.config, 2));
    for (std::size_t i = 0; i < c.slots.size(); ++i) {
      const auto& [store, k] = c.slots[i];
      EXPECT_EQ((st.capind.*store)[static_cast<std::size_t>(k)], 11.0f + static_cast<float>(i));
    }
    expect_only(c.slots);
  }
}

TEST_F(CircuitFileTest, CodesRoundAndCutOffsGiveBandwidthAndCentre) {
  read(lines({"title", "2.6", "1.5", "100", "300", "1", "2", "3", "4"}));
  EXPECT_EQ(std::tuple(ides, icfg, n), std::tuple(3, 2, 2));
  const Freq1& f = st.freq1;
  EXPECT_EQ(std::tuple(f.fl1, f.fh1, f.bw, f.fo), std::tuple(100.0f, 300.0f, 200.0f, 200.0f));
  EXPECT_EQ(std::tuple(st.capind.serl[1], st.capind.shuntc[2]), std::tuple(1.0f, 4.0f));
}

TEST_F(CircuitFileTest, EchoHasFourDecimalsCommentsAndAnyLineEnd) {
  read(lines({"title", "2, high-pass", "1            standard", "123.45678", "5", "6"}));
  EXPECT_EQ(written(), "      User enters Highpass Filter Cutoff Frequency =    123.4568 MHz.\r\n");
  EXPECT_EQ(n, 2);
  reset();
  read("t\r1\n2\r\n100\r1\n2\r3");
  EXPECT_EQ(std::tuple(n, st.capind.serl[1], st.capind.shuntc[2], st.capind.serl[3]),
            std::tuple(3, 1.0f, 2.0f, 3.0f));
}

// --- Counts the dialog must judge ---------------------------------------------------

TEST_F(CircuitFileTest, FileEndingBeforeTheElementsGivesZeroOrMinusOne) {
  const struct {
    std::string text;
    std::string echo;
    int32_t n;
  } cases[] = {
      {circuit(1, 1, {}), kLowPassEcho, 0},
      {circuit(3, 2, {}), kBandEcho, 0},
      {circuit(2, 1, {"33"}), kHighPassEcho, 1},
      {lines({"title", "1", "1"}), "", -1},
      {lines({"title", "4", "2", "100"}), kLowerEcho, -1},
  };
  for (const auto& c : cases) {
    reset();
    read(c.text);
    EXPECT_EQ(written(), c.echo);
    EXPECT_EQ(std::tuple(n, st.control.isel), std::tuple(c.n, 2));
  }
}

// --- Rejected entries ----------------------------------------------------------------

TEST_F(CircuitFileTest, RejectedEntryIsNamedByNumberAndLabel) {
  const struct {
    std::string text;
    std::string output;
  } cases[] = {
      // Elements: zero, negative, unreadable, or missing from a two-line position.
      {circuit(1, 1, {"1", "2", "-2.2"}), kLowPassEcho + failure("  3", "SHUNT Capaci")},
      {circuit(1, 1, {"1", "0"}), kLowPassEcho + failure("  2", "SERIES Induc")},
      {circuit(1, 2, {"0"}), kLowPassEcho + failure("  1", "SERIES Induc")},
      {circuit(2, 1, {"-2.2"}), kHighPassEcho + failure("  1", "SHUNT Induct")},
      {circuit(2, 2, {"0"}), kHighPassEcho + failure("  1", "SERIES Capac")},
      {circuit(2, 1, {"1", "abc"}), kHighPassEcho + failure("  2", "SERIES Capac")},
      {circuit(3, 1, {"0"}), kBandEcho + failure("  1", "SHUNT Induct")},
      {circuit(3, 1, {"1", "-2.2"}), kBandEcho + failure("  1", "SHUNT Capaci")},
      {circuit(4, 1, {"1", "2", "0"}), kBandEcho + failure("  2", "SERIES Induc")},
      {circuit(4, 1, {"1", "2", "3", "0"}), kBandEcho + failure("  2", "SERIES Capac")},
      {circuit(3, 2, {"1", "2", "3", "4", "5", "6", "7"}),
       kBandEcho + failure("  4", "SHUNT Capaci")},
      // A blank line after the last value reads as 0.
      {circuit(1, 1, {"10", "20", "30", ""}), kLowPassEcho + failure("  4", "SERIES Induc")},
      // Cut-offs.
      {lines({"t", "1", "1", "x"}), failure("  0", "LP Cutoff Fr")},
      {lines({"t", "2", "2", "1..5"}), failure("  0", "HP Cutoff Fr")},
      {lines({"t", "3", "1", "e5"}), failure("  0", "Lower Cutoff")},
      {lines({"t", "4", "1", "100", "2OO"}), kLowerEcho + failure("  0", "Upper Cutoff")},
      {lines({"t", "3", "1", "150", "150", "1", "2"}),
       "      User enters Lower Cutoff Frequency =    150.0000 MHz.\r\n"
       "      User enters Upper Cutoff Frequency =    150.0000 MHz.\r\n" +
           failure("  0", "Upper Cutoff")},
      // The title, type and configuration lines count as entry 0; a file that
      // ends at any of them is rejected there.
      {"", failure("  0", "1st line.   ")},
      {lines({"title"}), failure("  0", "IDES.       ")},
      {lines({"title", "x"}), failure("  0", "IDES.       ")},
      {lines({"title", "0"}), failure("  0", "IDES.       ")},
      {lines({"title", "4.5"}), failure("  0", "IDES.       ")},
      {lines({"title", "1"}), failure("  0", "ICFG.       ")},
      {lines({"title", "1", "0.4"}), failure("  0", "ICFG.       ")},
      {lines({"title", "1", "3"}), failure("  0", "ICFG.       ")},
      {lines({"title", "1", "1 1"}), failure("  0", "ICFG.       ")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    reset();
    read(c.text);
    EXPECT_EQ(written(), c.output);
    EXPECT_EQ(std::tuple(st.control.isel, n), std::tuple(-1, kUnset));
  }
}

TEST_F(CircuitFileTest, ValuesBeforeTheFailureStayButTheRejectedOneIsNotStored) {
  read(circuit(3, 2, {"1", "2", "3", "4", "5", "6", "7", "-8"}));
  EXPECT_EQ(std::tuple(st.capind.serc[3], st.capind.shuntl[4], st.capind.shuntc[4]),
            std::tuple(6.0f, 7.0f, kOld));
  reset();
  read(lines({"title", "5"}));
  EXPECT_EQ(ides, kUnset);
  reset();
  read(lines({"title", "2", "7"}));
  EXPECT_EQ(std::tuple(ides, icfg), std::tuple(2, kUnset));
}

// --- The file name ---------------------------------------------------------------------

TEST_F(CircuitFileTest, OnlyTheFirstTwelveCharactersNameTheFile) {
  fs.put("abcdefgh.ckt", circuit(1, 1, {"0"}));
  ckfread(session, padded("abcdefgh.ckt1234", 20), icfg, ides, st.control.isel, n);
  EXPECT_EQ(written(), kLowPassEcho + failure("  1", "SHUNT Capaci", "abcdefgh.ckt"));
}

TEST_F(CircuitFileTest, FileThatCannotBeOpenedOrReadIsFatal) {
  fs.put("f.ckt", circuit(1, 1, {"1", "2"}));
  try {
    ckfread(session, padded("other.ckt", 20), icfg, ides, st.control.isel, n);
    FAIL() << "no error for a missing file";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(),
                 "cannot open circuit data file \"other.ckt\": No such file or directory");
  }
  // A name whose first twelve characters are blank names no file.
  EXPECT_THROW(ckfread(session, std::string(20, ' '), icfg, ides, st.control.isel, n), FatalError);
  EXPECT_THROW(ckfread(session, std::string(12, ' ') + "f.ckt   ", icfg, ides, st.control.isel, n),
               FatalError);
  EXPECT_EQ(written(), "");

  testing::FailingReadFileSystem failing(circuit(1, 1, {"5"}));
  Session broken{st, console, failing, {}};
  try {
    ckfread(broken, padded("bad.ckt", 20), icfg, ides, st.control.isel, n);
    FAIL() << "no error for a file that cannot be read";
  } catch (const FatalError& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.rfind("cannot read circuit data file \"bad.ckt\": error reading the file: "
                         "Input/output error", 0), 0u) << what;
  }
  EXPECT_EQ(written(), kLowPassEcho);
  EXPECT_EQ(std::tuple(st.capind.shuntc[1], n, st.control.isel), std::tuple(5.0f, kUnset, 2));
}

// --- Long files --------------------------------------------------------------------------

TEST_F(CircuitFileTest, LongFilesAreCountedButStoredOnlyUpToPositionThirtyOne) {
  std::vector<std::string> one, two;
  for (int k = 1; k <= 10000; ++k) {
    one.push_back(std::to_string(k));
    two.push_back(std::to_string(k));
    two.push_back(std::to_string(k) + ".5");
  }
  read(circuit(1, 1, one));
  EXPECT_EQ(std::tuple(n, st.control.isel, st.block1.n), std::tuple(10000, 2, 0));
  EXPECT_EQ(written(), kLowPassEcho);
  Slots used;
  for (int k = 1; k <= kMaxPositions; ++k)
    used.push_back({k % 2 ? &Capind::shuntc : &Capind::serl, k});
  for (const auto& [store, k] : used) EXPECT_EQ((st.capind.*store)[k], static_cast<float>(k));
  expect_only(used);

  reset();
  read(circuit(4, 2, two));
  EXPECT_EQ(n, 10000);
  used.clear();
  for (int k = 1; k <= kMaxPositions; ++k) {
    const auto inductor = k % 2 ? &Capind::serl : &Capind::shuntl;
    const auto capacitor = k % 2 ? &Capind::serc : &Capind::shuntc;
    EXPECT_EQ((st.capind.*inductor)[k], static_cast<float>(k));
    EXPECT_EQ((st.capind.*capacitor)[k], static_cast<float>(k) + 0.5f);
    used.insert(used.end(), {{inductor, k}, {capacitor, k}});
  }
  expect_only(used);

  reset();
  one.resize(31);
  read(circuit(2, 2, one));
  EXPECT_EQ(std::tuple(n, st.capind.serc[31]), std::tuple(31, 31.0f));
}

TEST_F(CircuitFileTest, BadEntryBeyondTheStoresIsStillReported) {
  std::vector<std::string> values(10000, "1");
  values[4999] = "-1";
  read(circuit(1, 1, values));
  EXPECT_EQ(written(), kLowPassEcho + failure("***", "SERIES Induc"));
  values.assign(40, "1");
  values[39] = "0";
  reset();
  read(circuit(1, 1, values));
  EXPECT_EQ(written(), kLowPassEcho + failure(" 40", "SERIES Induc"));
  EXPECT_EQ(std::tuple(st.control.isel, n), std::tuple(-1, kUnset));
}

// --- The storage file ---------------------------------------------------------------------

TEST_F(CircuitFileTest, StorageFileIsLeftAsItWas) {
  std::ostringstream storage("report line\r\n", std::ios::ate);
  console.mirror_to(&storage);
  read(circuit(3, 1, {"1", "2"}));
  read(circuit(3, 1, {"1", "0"}));
  EXPECT_EQ(storage.str(), "report line\r\n");
  EXPECT_TRUE(console.mirroring());
  EXPECT_EQ(written(), kBandEcho + kBandEcho + failure("  1", "SHUNT Capaci"));
}

}  // namespace
}  // namespace varnholt

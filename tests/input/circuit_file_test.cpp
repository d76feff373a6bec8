// The circuit data file: every type and configuration, each rejected entry
// named by number and label, long files, and files that cannot be used.
#include "input/circuit_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/session.h"

namespace varnholt {
namespace {

using testing::lines;
constexpr float kOld = -7.0f;  // element values held before a read
constexpr int32_t kUnset = -99;
constexpr auto sc = &Capind::shuntc, sl = &Capind::shuntl, xc = &Capind::serc, xl = &Capind::serl;
using Slots = std::vector<std::pair<PositionArray Capind::*, int>>;

// A file of `type` and `config` with cut-offs 100 (and 300), then `values`.
std::string circuit(int type, int config, std::vector<std::string> values) {
  std::vector<std::string> list = {"My filter", std::to_string(type), std::to_string(config),
                                   "100"};
  if (type > 2) list.push_back("300");
  list.insert(list.end(), values.begin(), values.end());
  return lines(list);
}

std::string failure(const std::string& entry3, const std::string& label12) {
  return "\r\n\r\n      Error detected in User-defined data filename f.ckt       \r\n"
         "      Correct data entry # " + entry3 + " for variable: " + label12 + "\r\n";
}

std::string echo(const std::string& what, const char* mhz = "100.0000") {
  return "      User enters " + what + " =    " + mhz + " MHz.\r\n";
}
const std::string kLowPass = echo("Lowpass Filter Cutoff Frequency");
const std::string kHighPass = echo("Highpass Filter Cutoff Frequency");
const std::string kLower = echo("Lower Cutoff Frequency");
const std::string kBand = kLower + echo("Upper Cutoff Frequency", "300.0000");

class CircuitFile : public testing::DialogTest {
 protected:
  void SetUp() override { reset(); }
  void reset() {
    st = State{};
    for (auto store : {&Capind::g, sc, sl, xc, xl}) (st.capind.*store).fill(kOld);
    st.control.isel = 2;
    icfg = ides = n = kUnset;
    mark();
  }
  void read(const std::string& text) {
    fs.put("f.ckt", text);
    ckfread(session, padded("f.ckt", 20), icfg, ides, st.control.isel, n);
  }
  // Every element slot but the listed ones still holds its old value.
  void expect_only(const Slots& used) {
    for (auto store : {&Capind::g, sc, sl, xc, xl}) {
      for (int k = 0; k <= kMaxPositions; ++k) {
        if (std::find(used.begin(), used.end(), std::pair(store, k)) == used.end()) {
          EXPECT_EQ((st.capind.*store)[static_cast<std::size_t>(k)], kOld) << "slot " << k;
        }
      }
    }
  }

  int32_t icfg = kUnset, ides = kUnset, n = kUnset;
};

TEST_F(CircuitFile, EveryTypeAndConfigurationFillsItsSlotsInLadderOrder) {
  const struct {
    int type, config, positions;
    Slots slots;  // in file order, filled with 11, 12, ...
    std::string echo;
  } cases[] = {
      {1, 1, 5, {{sc, 1}, {xl, 2}, {sc, 3}, {xl, 4}, {sc, 5}}, kLowPass},
      {1, 2, 4, {{xl, 1}, {sc, 2}, {xl, 3}, {sc, 4}}, kLowPass},
      {2, 1, 4, {{sl, 1}, {xc, 2}, {sl, 3}, {xc, 4}}, kHighPass},
      {2, 2, 4, {{xc, 1}, {sl, 2}, {xc, 3}, {sl, 4}}, kHighPass},
      {3, 1, 3, {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}, {sl, 3}, {sc, 3}}, kBand},
      {3, 2, 3, {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}, {xl, 3}, {xc, 3}}, kBand},
      {4, 1, 3, {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}, {sl, 3}, {sc, 3}}, kBand},
      {4, 2, 3, {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}, {xl, 3}, {xc, 3}}, kBand},
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

TEST_F(CircuitFile, CodesRoundCutOffsGiveBandAndEchoAnyLineEnd) {
  read(lines({"title", "2.6", "1.5, dual", "100", "300            upper", "1", "2", "3", "4"}));
  EXPECT_EQ(std::tuple(ides, icfg, n), std::tuple(3, 2, 2));
  const Freq1& f = st.freq1;
  EXPECT_EQ(std::tuple(f.fl1, f.fh1, f.bw, f.fo), std::tuple(100.0f, 300.0f, 200.0f, 200.0f));
  EXPECT_EQ(std::tuple(st.capind.serl[1], st.capind.shuntc[2]), std::tuple(1.0f, 4.0f));
  reset();
  read("t\r2\n2\r\n123.45678\r1\n2\r3");
  EXPECT_EQ(written(), echo("Highpass Filter Cutoff Frequency", "123.4568"));
  EXPECT_EQ(std::tuple(n, st.capind.serc[1], st.capind.shuntl[2], st.capind.serc[3]),
            std::tuple(3, 1.0f, 2.0f, 3.0f));
}

TEST_F(CircuitFile, ARejectedEntryIsNamedByNumberAndLabel) {
  const struct {
    std::string text, output;
  } cases[] = {
      // Elements: zero, negative, unreadable, or missing from a two-line position.
      {circuit(1, 1, {"1", "2", "-2.2"}), kLowPass + failure("  3", "SHUNT Capaci")},
      {circuit(1, 1, {"1", "0"}), kLowPass + failure("  2", "SERIES Induc")},
      {circuit(1, 2, {"0"}), kLowPass + failure("  1", "SERIES Induc")},
      {circuit(2, 1, {"-2.2"}), kHighPass + failure("  1", "SHUNT Induct")},
      {circuit(2, 2, {"0"}), kHighPass + failure("  1", "SERIES Capac")},
      {circuit(2, 1, {"1", "abc"}), kHighPass + failure("  2", "SERIES Capac")},
      {circuit(3, 1, {"0"}), kBand + failure("  1", "SHUNT Induct")},
      {circuit(3, 1, {"1", "-2.2"}), kBand + failure("  1", "SHUNT Capaci")},
      {circuit(4, 1, {"1", "2", "0"}), kBand + failure("  2", "SERIES Induc")},
      {circuit(4, 1, {"1", "2", "3", "0"}), kBand + failure("  2", "SERIES Capac")},
      {circuit(3, 2, {"1", "2", "3", "4", "5", "6", "7"}), kBand + failure("  4", "SHUNT Capaci")},
      {circuit(1, 1, {"10", "20", "30", ""}), kLowPass + failure("  4", "SERIES Induc")},
      // Cut-offs.
      {lines({"t", "1", "1", "x"}), failure("  0", "LP Cutoff Fr")},
      {lines({"t", "2", "2", "1..5"}), failure("  0", "HP Cutoff Fr")},
      {lines({"t", "3", "1", "e5"}), failure("  0", "Lower Cutoff")},
      {lines({"t", "4", "1", "100", "2OO"}), kLower + failure("  0", "Upper Cutoff")},
      {lines({"t", "3", "1", "150", "150", "1", "2"}),
       echo("Lower Cutoff Frequency", "150.0000") + echo("Upper Cutoff Frequency", "150.0000") +
           failure("  0", "Upper Cutoff")},
      // The title, type and configuration lines count as entry 0.
      {"", failure("  0", "1st line.   ")},
      {lines({"title"}), failure("  0", "IDES.       ")},
      {lines({"title", "x"}), failure("  0", "IDES.       ")},
      {lines({"title", "0"}), failure("  0", "IDES.       ")},
      {lines({"title", "4.5"}), failure("  0", "IDES.       ")},
      {lines({"title", "1"}), failure("  0", "ICFG.       ")},
      {lines({"title", "1", "0.4"}), failure("  0", "ICFG.       ")},
      {lines({"title", "1", "3"}), failure("  0", "ICFG.       ")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    reset();
    read(c.text);
    EXPECT_EQ(written(), c.output);
    EXPECT_EQ(std::tuple(st.control.isel, n), std::tuple(-1, kUnset));
  }
}

TEST_F(CircuitFile, LongFilesAreCountedButStoredOnlyUpToPositionThirtyOne) {
  std::vector<std::string> one, two;
  for (int k = 1; k <= 10000; ++k) {
    one.push_back(std::to_string(k));
    two.insert(two.end(), {std::to_string(k), std::to_string(k) + ".5"});
  }
  read(circuit(1, 1, one));
  EXPECT_EQ(std::tuple(n, st.control.isel, written()), std::tuple(10000, 2, kLowPass));
  Slots used;
  for (int k = 1; k <= kMaxPositions; ++k) used.push_back({k % 2 ? sc : xl, k});
  for (const auto& [store, k] : used) EXPECT_EQ((st.capind.*store)[k], static_cast<float>(k));
  expect_only(used);
  reset();
  read(circuit(4, 2, two));
  EXPECT_EQ(n, 10000);
  used.clear();
  for (int k = 1; k <= kMaxPositions; ++k) {
    EXPECT_EQ((st.capind.*(k % 2 ? xl : sl))[k], static_cast<float>(k));
    EXPECT_EQ((st.capind.*(k % 2 ? xc : sc))[k], static_cast<float>(k) + 0.5f);
    used.insert(used.end(), {{k % 2 ? xl : sl, k}, {k % 2 ? xc : sc, k}});
  }
  expect_only(used);
  // A bad entry beyond the stores is still reported, its number in asterisks past 999.
  std::vector<std::string> values(10000, "1");
  values[4999] = "-1";
  reset();
  read(circuit(1, 1, values));
  EXPECT_EQ(written(), kLowPass + failure("***", "SERIES Induc"));
  values.assign(40, "1");
  values[39] = "0";
  reset();
  read(circuit(1, 1, values));
  EXPECT_EQ(written(), kLowPass + failure(" 40", "SERIES Induc"));
}

// The first twelve characters name the file (shown whole in the analysis dialog tests).
TEST_F(CircuitFile, AFileThatCannotBeOpenedOrReadIsFatal) {
  fs.put("f.ckt", circuit(1, 1, {"1", "2"}));
  try {
    ckfread(session, padded("other.ckt", 20), icfg, ides, st.control.isel, n);
    FAIL() << "no error for a missing file";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(),
                 "cannot open circuit data file \"other.ckt\": No such file or directory");
  }
  // A name whose first twelve characters are blank names no file.
  EXPECT_THROW(ckfread(session, std::string(12, ' ') + "f.ckt   ", icfg, ides, st.control.isel, n),
               FatalError);
  EXPECT_EQ(written(), "");
  testing::FailingReadFileSystem failing(circuit(1, 1, {"5"}));
  Session broken{st, console, failing, {}};
  try {
    ckfread(broken, padded("bad.ckt", 20), icfg, ides, st.control.isel, n);
    FAIL() << "no error for a file that cannot be read";
  } catch (const FatalError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot read circuit data file \"bad.ckt\"", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(written(), kLowPass);
}

TEST_F(CircuitFile, TheStorageFileIsLeftAsItWas) {
  std::ostringstream storage("report line\r\n", std::ios::ate);
  console.mirror_to(&storage);
  read(circuit(3, 1, {"1", "2"}));
  read(circuit(3, 1, {"1", "0"}));
  EXPECT_EQ(storage.str(), "report line\r\n");
  EXPECT_TRUE(console.mirroring());
  EXPECT_EQ(written(), kBand + kBand + failure("  1", "SHUNT Capaci"));
}

}  // namespace
}  // namespace varnholt

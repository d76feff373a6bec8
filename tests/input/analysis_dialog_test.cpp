// The analysis dialog from each entry: typed-in elements of every filter
// type, the section count, the filter just synthesised, new frequencies and
// circuit data files, in the exact console bytes.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "input/dialog.h"
#include "support/session.h"

namespace varnholt {
namespace {

using testing::crlf;

const std::string kOptionMenu = crlf(
    "\n      Select an OPTION for Analysis of Electrical Circuit:\n"
    "          1 = User enters values for Filter`s Circuit Elements.\n"
    "         *2 = User enters Data Filename  for Circuit Elements.\n"
    "      Analysis OPTION selected = ");
const std::string kElectricalData = crlf(
    "\n      Please enter the following ELECTRICAL DATA:\n"
    "           -Number of sections in Filter (N)  = ");
const std::string kNRejected = crlf(
    "\n      ERROR DETECTED: N must be less than 31\n                      and greater than 1.\n\n"
    "           -Number of sections in Filter (N)  = ");
const std::string kConfiguration = crlf(
    "           -Select the Filter`s CONFIGURATION:\n                *1 = Standard Circuit.\n"
    "                 2 = Dual Circuit.\n            CONFIGURATION of Filter selected  = ");
const std::string kFileName = crlf(
    "\n      Enter a FILENAME that contains Circuit Elements\n"
    "      for your Filter`s Design (up to 20 characters) = ");
const std::string kTerminations = crlf(
    "\n      Enter complex Source and Load Impedances of Filter:\n"
    "           -Source: Real  part (Rs), Ohms =            -Source: Imag. part (Xs), Ohms = "
    "           -Load  : Real  part (Rl), Ohms =            -Load  : Imag. part (Xl), Ohms = ");
const std::string kSweepAndFormat = crlf(
    "\n      Please enter a Frequency range for Filter ANALYSIS:\n"
    "           -Analysis Start Frequency, MHz =            -Analysis Stop  Frequency, MHz = "
    "           -Analysis Step  Frequency, MHz = \n      Select Output Print FORMAT:\n"
    "         *1 = Two-Port response with VSWR.\n          2 = Two-Port response with Return "
    "Loss.\n"
    "      Print FORMAT selected = ");
const std::string kLowPassEcho =
    "      User enters Lowpass Filter Cutoff Frequency =    100.0000 MHz.\r\n";

std::string attempting(const std::string& name12) {
  return "\r\n      Attempting to read User Data File: " + name12 + "...\r\n";
}
std::string read_completed(const std::string& n3) {
  return "      Read User Data File successfully completed.\r\n"
         "           -Number of sections in Filter (N) =" + n3 + "\r\n";
}
std::string low_pass_file(int positions) {
  std::string text = "title\r\n1\r\n1\r\n100\r\n";
  for (int k = 1; k <= positions; ++k) text += std::to_string(k) + "\r\n";
  return text;
}
// The prompts of one position: a single element, or a resonator pair.
std::string element(const char* kind, int k, const char* unit) {
  return "           -Value of " + std::string(kind) + " #" + (k < 10 ? " " : "") +
         std::to_string(k) + ", " + unit + " = ";
}
std::string section(int k, bool shunt) {
  const std::string kind = shunt ? "Shunt " : "Series";
  return crlf("           -Section # " + std::to_string(k) + " Circuit Elements:\n") +
         "                 -" + kind + " Inductor  # " + std::to_string(k) + ",  nH   = " +
         "                 -" + kind + " Capacitor # " + std::to_string(k) + ",  pF   = ";
}

constexpr float kOld = 0.5f;  // element values held before the dialog

class AnalysisDialog : public testing::DialogTest {
 protected:
  void SetUp() override {
    st = State{};
    st.block3 = Block3{5, -4.0f, 3.0f, 0.0f, 75.0f, 50.0f};  // ndef, zil, zis, zo, zrl, zrs
    st.block2 = {.fmaxdef = 100, .fmindef = 1, .fstepdef = 2};
    st.charac.fni = padded("filter.ckt", 20);
    st.control.ifunc = 1;
    for (PositionArray* s : {&st.capind.shuntc, &st.capind.shuntl, &st.capind.serc, &st.capind.serl}) {
      s->fill(kOld);
    }
  }
  // Runs the dialog from `entry`; "unused" follows the answers, so that a
  // question too many shows up as a wrong value, and one too few in unread().
  bool run(AnalysisEntry entry, const std::string& answers) {
    replies(answers + "unused\n");
    mark();
    return analysis_dialog(session, entry);
  }
};

TEST_F(AnalysisDialog, TypedElementsOfEveryTypeAndConfiguration) {
  constexpr auto sc = &Capind::shuntc, sl = &Capind::shuntl, xc = &Capind::serc, xl = &Capind::serl;
  const auto lp = [](int k, bool shunt) {
    return shunt ? element("Shunt  Capacitor", k, "pF") : element("Series Inductor ", k, "nH");
  };
  const auto hp = [](int k, bool shunt) {
    return shunt ? element("Shunt  Inductor ", k, "nH") : element("Series Capacitor", k, "pF");
  };
  const struct {
    int32_t ides;
    const char* config_reply;
    int32_t n;
    std::string prompts;
    std::vector<std::pair<PositionArray Capind::*, int>> slots;  // filled by replies 11, 12, ...
  } cases[] = {
      {1, "1", 5, lp(1, true) + lp(2, false) + lp(3, true) + lp(4, false) + lp(5, true),
       {{sc, 1}, {xl, 2}, {sc, 3}, {xl, 4}, {sc, 5}}},
      {1, "2", 3, lp(1, false) + lp(2, true) + lp(3, false), {{xl, 1}, {sc, 2}, {xl, 3}}},
      {2, "", 4, hp(1, true) + hp(2, false) + hp(3, true) + hp(4, false),
       {{sl, 1}, {xc, 2}, {sl, 3}, {xc, 4}}},
      {2, "2", 3, hp(1, false) + hp(2, true) + hp(3, false), {{xc, 1}, {sl, 2}, {xc, 3}}},
      {3, "1", 2, section(1, true) + section(2, false), {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}}},
      {3, "2", 2, section(1, false) + section(2, true), {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}}},
      {4, "1", 2, section(1, true) + section(2, false), {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}}},
      {4, "2", 3, section(1, false) + section(2, true) + section(3, false),
       {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}, {xl, 3}, {xc, 3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("ides " + std::to_string(c.ides) + " config reply " + c.config_reply);
    SetUp();
    st.control.ides = c.ides;
    st.control.isel = 3;
    std::string answers = std::to_string(c.n) + "\n" + c.config_reply + "\n";
    for (std::size_t i = 0; i < c.slots.size(); ++i) answers += std::to_string(11 + i) + "\n";
    EXPECT_TRUE(run(AnalysisEntry::ElectricalData, answers));
    EXPECT_EQ(written(), kElectricalData + kConfiguration + c.prompts);
    EXPECT_EQ(unread(), "unused\n");
    EXPECT_EQ(std::tuple(st.block1.n, st.control.icfg, st.control.ides, st.control.isel),
              std::tuple(c.n, c.config_reply[0] == '2' ? 2 : 1, c.ides, 3));
    int changed = 0;  // slots that no reply names keep their values
    for (const PositionArray* s :
         {&st.capind.shuntc, &st.capind.shuntl, &st.capind.serc, &st.capind.serl}) {
      for (const float v : *s) changed += v != kOld ? 1 : 0;
    }
    EXPECT_EQ(changed, static_cast<int>(c.slots.size()));
    for (std::size_t i = 0; i < c.slots.size(); ++i) {
      EXPECT_EQ((st.capind.*c.slots[i].first)[c.slots[i].second], 11.0f + static_cast<float>(i));
    }
  }
}

TEST_F(AnalysisDialog, SectionCountIsAskedUntilItLiesInTwoToThirty) {
  st.control.ides = 1;
  EXPECT_TRUE(run(AnalysisEntry::ElectricalData, "35\n1\n2\n\n\n\n"));
  EXPECT_EQ(written(), kElectricalData + kNRejected + kNRejected + kConfiguration +
                           element("Shunt  Capacitor", 1, "pF") +
                           element("Series Inductor ", 2, "nH"));
  EXPECT_EQ(std::tuple(st.block1.n, unread()), std::tuple(2, "unused\n"));
  st.block3.ndef = 31;  // a default outside the limits is judged like a reply
  EXPECT_TRUE(run(AnalysisEntry::ElectricalData, "\n2\n1\n\n\n"));
  EXPECT_EQ(written().substr(0, kElectricalData.size() + kNRejected.size()),
            kElectricalData + kNRejected);
  EXPECT_EQ(unread(), "unused\n");
  st.block3.ndef = 5;
  const struct {
    const char* reply;
    int32_t iop, n;
  } cases[] = {{"", 0, 5},     {"0", 0, 5},    {"-3", 0, 5},   {"2.5", 0, 3},  {"30.4", 1, 30},
               {"20", 2, 20},  {"20", 3, 10},  {"25", 4, 10},  {"9", 4, 9},    {"-538", 3, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("reply '") + c.reply + "' iop " + std::to_string(c.iop));
    st.control.iop = c.iop;
    const std::string elements(static_cast<std::size_t>(c.n), '\n');
    EXPECT_TRUE(run(AnalysisEntry::ElectricalData, std::string(c.reply) + "\n1\n" + elements));
    EXPECT_EQ(std::tuple(st.block1.n, unread()), std::tuple(c.n, "unused\n"));
    EXPECT_EQ(written().find("ERROR"), std::string::npos);
  }
  // -538: one position, asked without any check.
  st.control.ides = 3;
  EXPECT_TRUE(run(AnalysisEntry::ElectricalData, "-538\n2\n8\n9\n"));
  EXPECT_EQ(written(), kElectricalData + kConfiguration + section(1, false));
  EXPECT_EQ(std::tuple(st.block1.n, st.capind.serl[1], st.capind.serc[1]),
            std::tuple(1, 8.0f, 9.0f));
}

TEST_F(AnalysisDialog, OnlyAReplyRoundingToTwoChoosesTheDualCircuitOrReturnLoss) {
  const std::pair<const char*, int32_t> cases[] = {{"3", 1},  {"2", 2}, {"1.6", 2}, {"2.4", 2},
                                                   {"2.5", 1}, {"", 1}, {"0", 1},   {"-2", 1}};
  for (const auto& [reply, choice] : cases) {
    EXPECT_TRUE(run(AnalysisEntry::ElectricalData, std::string("2\n") + reply + "\n\n\n"));
    EXPECT_TRUE(run(AnalysisEntry::Frequencies, std::string("\n\n\n") + reply + "\n"));
    EXPECT_EQ(std::tuple(st.control.icfg, st.control.ivswr), std::tuple(choice, choice)) << reply;
  }
}

TEST_F(AnalysisDialog, FilterJustSynthesisedAsksConfigurationTerminationsSweepAndFormat) {
  st.control.isel = 4;
  st.control.ides = 3;
  st.block1.n = 7;
  EXPECT_TRUE(run(AnalysisEntry::Configuration, "2\n0\n-25\n-5\n0\n10\n20\n0.5\n2\n"));
  EXPECT_EQ(written(), kConfiguration + kTerminations + kSweepAndFormat);
  EXPECT_EQ(unread(), "unused\n");
  // Rs 0 and Rl -5 keep their defaults, Xs -25 is taken, Xl 0 keeps its default.
  const Imp1& z = st.imp1;
  EXPECT_EQ(std::tuple(z.zrs, z.zis, z.zrl, z.zil), std::tuple(50.0f, -25.0f, 75.0f, -4.0f));
  EXPECT_EQ(std::tuple(st.freq1.fmin, st.freq1.fmax, st.freq1.fstep),
            std::tuple(10.0f, 20.0f, 0.5f));
  EXPECT_EQ(std::tuple(st.control.icfg, st.control.ivswr, st.control.isel), std::tuple(2, 2, 4));
  EXPECT_EQ(std::tuple(st.block1.n, st.control.ides, st.capind.shuntl[1]), std::tuple(7, 3, kOld));
  EXPECT_TRUE(run(AnalysisEntry::Configuration, "\n33\n2\n44\n-6\n\n\n\n\n"));
  EXPECT_EQ(std::tuple(z.zrs, z.zis, z.zrl, z.zil, st.control.icfg),
            std::tuple(33.0f, 2.0f, 44.0f, -6.0f, 1));
}

TEST_F(AnalysisDialog, NewFrequenciesAskOnlySweepAndFormat) {
  st.imp1.zrs = 99.0f;
  EXPECT_TRUE(run(AnalysisEntry::Frequencies, "500\n100\n\n1.6\n"));
  EXPECT_EQ(std::tuple(written(), unread()), std::tuple(kSweepAndFormat, "unused\n"));
  // A stop below the start becomes the start: one frequency.
  const Freq1& f = st.freq1;
  EXPECT_EQ(std::tuple(f.fmin, f.fmax, f.fstep, st.control.ivswr, st.imp1.zrs),
            std::tuple(500.0f, 500.0f, 2.0f, 2, 99.0f));
  EXPECT_TRUE(run(AnalysisEntry::Frequencies, "\n-5\n0\n\n"));
  EXPECT_EQ(std::tuple(f.fmin, f.fmax, f.fstep, st.control.ivswr),
            std::tuple(1.0f, 100.0f, 2.0f, 1));
  EXPECT_TRUE(run(AnalysisEntry::Frequencies, "150\n\n\n\n"));
  EXPECT_EQ(f.fmax, 150.0f);
}

TEST_F(AnalysisDialog, TypedCircuitFromTheStart) {
  EXPECT_TRUE(run(AnalysisEntry::Start, "1\n4\n2\n2\n1\n2\n3\n4\n" + std::string(8, '\n')));
  EXPECT_EQ(written(), kOptionMenu +
                           crlf("\n      Please select a Filter DESIGN for Analysis:\n"
                                "         *1 = Low  Pass Filter.\n          2 = High Pass Filter.\n"
                                "          3 = Band Pass Filter.\n          4 = Band Stop Filter.\n"
                                "      Filter DESIGN selected = ") +
                           kElectricalData + kConfiguration + section(1, false) + section(2, true) +
                           kTerminations + kSweepAndFormat);
  EXPECT_EQ(unread(), "unused\n");
  EXPECT_EQ(std::tuple(st.control.ides, st.block1.n, st.control.icfg), std::tuple(4, 2, 2));
  EXPECT_EQ(
      std::tuple(st.capind.serl[1], st.capind.serc[1], st.capind.shuntl[2], st.capind.shuntc[2]),
      std::tuple(1.0f, 2.0f, 3.0f, 4.0f));
}

TEST_F(AnalysisDialog, BlankRepliesReadTheDefaultCircuitFile) {
  fs.put("filter.ckt", low_pass_file(3));
  st.control.isel = 2;
  EXPECT_TRUE(run(AnalysisEntry::Start, std::string(10, '\n')));
  EXPECT_EQ(written(), kOptionMenu + kFileName + attempting("filter.ckt  ") + kLowPassEcho +
                           read_completed("  3") + kTerminations + kSweepAndFormat);
  EXPECT_EQ(unread(), "unused\n");
  EXPECT_EQ(std::tuple(st.block1.n, st.control.ides, st.control.icfg, st.control.isel),
            std::tuple(3, 1, 1, 2));
  EXPECT_EQ(std::tuple(st.capind.shuntc[1], st.capind.serl[2], st.capind.shuntc[3]),
            std::tuple(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(std::tuple(st.imp1.zrs, st.freq1.fmax, st.control.ivswr), std::tuple(50.0f, 100.0f, 1));
  // Any option reply but one rounding to 1 reads a file too.
  for (const char* reply : {"3", "0", "2.4", "-1"}) {
    EXPECT_TRUE(run(AnalysisEntry::Start, reply + std::string(10, '\n')));
    EXPECT_EQ(written().substr(0, kOptionMenu.size() + kFileName.size()), kOptionMenu + kFileName);
  }
}

// The name is kept whole, opened by its first twelve characters, and never
// refused, even when it is one of the program's own files.
TEST_F(AnalysisDialog, TypedFileName) {
  fs.put("abcdefgh.ckt", "title\r\n2\r\n2\r\n100\r\n5\r\n6\r\n");
  EXPECT_TRUE(run(AnalysisEntry::Start, "2\nabcdefgh.ckt1234\n" + std::string(8, '\n')));
  EXPECT_EQ(written(),
            kOptionMenu + kFileName + attempting("abcdefgh.ckt") +
                "      User enters Highpass Filter Cutoff Frequency =    100.0000 MHz.\r\n" +
                read_completed("  2") + kTerminations + kSweepAndFormat);
  EXPECT_EQ(std::tuple(st.charac.fni, st.control.icfg, st.capind.serc[1], st.capind.shuntl[2]),
            std::tuple("abcdefgh.ckt1234    ", 2, 5.0f, 6.0f));
  fs.put("Varnholt.DEF", low_pass_file(2));
  EXPECT_TRUE(run(AnalysisEntry::Start, "2\nVarnholt.DEF\n" + std::string(8, '\n')));
  EXPECT_EQ(std::tuple(st.block1.n, st.charac.fni), std::tuple(2, padded("Varnholt.DEF", 20)));
}

TEST_F(AnalysisDialog, AnUnusableFileEndsTheRunWithOneMessage) {
  const std::string bad_count = crlf(
      "\n      Error exists in filter datafile filter.ckt  \n"
      "      Fix entry for variable N (1<N<31) and rerun.\n"
      "      See user manual for a table of variable constraints.\n");
  const std::string lower = "      User enters Lower Cutoff Frequency =    100.0000 MHz.\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {low_pass_file(1), kLowPassEcho + bad_count},
      {low_pass_file(31), kLowPassEcho + bad_count},
      {low_pass_file(0), kLowPassEcho + bad_count},
      {"title\r\n3\r\n1\r\n100\r\n", lower + bad_count}};
  for (const auto& [file, after] : cases) {
    SCOPED_TRACE(file);
    fs.put("filter.ckt", file);
    st.control.isel = 0;
    EXPECT_FALSE(run(AnalysisEntry::Start, "\n\n"));
    EXPECT_EQ(written(), kOptionMenu + kFileName + attempting("filter.ckt  ") + after);
    EXPECT_EQ(std::tuple(st.control.isel, unread()), std::tuple(-1, "unused\n"));
  }
  EXPECT_THROW(run(AnalysisEntry::Start, "\nnone.ckt\n"), FatalError);
  EXPECT_EQ(written(), kOptionMenu + kFileName + attempting("none.ckt    "));
}

}  // namespace
}  // namespace varnholt

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "input/dialog.h"
#include "session_fixture.h"

namespace varnholt {
namespace {

using testing::crlf;
using testing::SessionTest;

// --- What the console shows, piece by piece --------------------------------

const std::string kOptionMenu = crlf(
    "\n      Select an OPTION for Analysis of Electrical Circuit:\n"
    "          1 = User enters values for Filter`s Circuit Elements.\n"
    "         *2 = User enters Data Filename  for Circuit Elements.\n"
    "      Analysis OPTION selected = ");

const std::string kDesignMenu = crlf(
    "\n      Please select a Filter DESIGN for Analysis:\n"
    "         *1 = Low  Pass Filter.\n"
    "          2 = High Pass Filter.\n"
    "          3 = Band Pass Filter.\n"
    "          4 = Band Stop Filter.\n"
    "      Filter DESIGN selected = ");

const std::string kElectricalData = crlf(
    "\n      Please enter the following ELECTRICAL DATA:\n"
    "           -Number of sections in Filter (N)  = ");

const std::string kNRejected = crlf(
    "\n      ERROR DETECTED: N must be less than 31\n"
    "                      and greater than 1.\n\n"
    "           -Number of sections in Filter (N)  = ");

const std::string kConfiguration = crlf(
    "           -Select the Filter`s CONFIGURATION:\n"
    "                *1 = Standard Circuit.\n"
    "                 2 = Dual Circuit.\n"
    "            CONFIGURATION of Filter selected  = ");

const std::string kFileName = crlf(
    "\n      Enter a FILENAME that contains Circuit Elements\n"
    "      for your Filter`s Design (up to 20 characters) = ");

const std::string kTerminations = crlf(
    "\n      Enter complex Source and Load Impedances of Filter:\n"
    "           -Source: Real  part (Rs), Ohms = "
    "           -Source: Imag. part (Xs), Ohms = "
    "           -Load  : Real  part (Rl), Ohms = "
    "           -Load  : Imag. part (Xl), Ohms = ");

const std::string kSweep = crlf(
    "\n      Please enter a Frequency range for Filter ANALYSIS:\n"
    "           -Analysis Start Frequency, MHz = "
    "           -Analysis Stop  Frequency, MHz = "
    "           -Analysis Step  Frequency, MHz = ");

const std::string kPrintFormat = crlf(
    "\n      Select Output Print FORMAT:\n"
    "         *1 = Two-Port response with VSWR.\n"
    "          2 = Two-Port response with Return Loss.\n"
    "      Print FORMAT selected = ");

const std::string kLowPassEcho =
    "      User enters Lowpass Filter Cutoff Frequency =    100.0000 MHz.\r\n";

std::string attempting(const std::string& name12) {
  return "\r\n      Attempting to read User Data File: " + name12 + "...\r\n";
}

std::string read_completed(const std::string& n3) {
  return "      Read User Data File successfully completed.\r\n"
         "           -Number of sections in Filter (N) =" +
         n3 + "\r\n";
}

std::string bad_count(const std::string& name12) {
  return "\r\n      Error exists in filter datafile " + name12 +
         "\r\n      Fix entry for variable N (1<N<31) and rerun.\r\n"
         "      See user manual for a table of variable constraints.\r\n";
}

std::string low_pass_file(int positions) {
  std::string text = "title\r\n1\r\n1\r\n100\r\n";
  for (int k = 1; k <= positions; ++k) text += std::to_string(k) + "\r\n";
  return text;
}

constexpr float kOld = 0.5f;  // element values held before the dialog

class AnalysisDialogTest : public SessionTest {
 protected:
  void SetUp() override {
    // ndef, zildef, zisdef, zodef, zrldef, zrsdef
    st.block3 = Block3{5, -4.0f, 3.0f, 0.0f, 75.0f, 50.0f};
    st.block2.fmindef = 1.0f;
    st.block2.fmaxdef = 100.0f;
    st.block2.fstepdef = 2.0f;
    st.charac.fni = padded("filter.ckt", 20);
    st.control.ifunc = 1;
    for (Ladder* store : {&st.capind.shuntc, &st.capind.shuntl, &st.capind.serc, &st.capind.serl}) {
      store->fill(kOld);
    }
  }

  // Runs the dialog from `entry` on `answers`; the line "unused" is put after
  // them, so that a question too many shows up as a wrong value.
  bool run(AnalysisEntry entry, const std::string& answers) {
    replies(answers + "unused\n");
    return analysis_dialog(session, entry);
  }
};

// --- Typed-in elements ----------------------------------------------------------

TEST_F(AnalysisDialogTest, TypedElementsOfEveryTypeAndConfiguration) {
  constexpr auto sc = &Capind::shuntc, sl = &Capind::shuntl, xc = &Capind::serc, xl = &Capind::serl;
  const std::string lp1 = "           -Value of Shunt  Capacitor #";
  const std::string lp2 = "           -Value of Series Inductor  #";
  const std::string hp1 = "           -Value of Shunt  Inductor  #";
  const std::string hp2 = "           -Value of Series Capacitor #";
  const auto section = [](const char* k, bool shunt) {
    return "           -Section #" + std::string(k) + " Circuit Elements:\r\n" +
           (shunt ? "                 -Shunt  Inductor  #" + std::string(k) + ",  nH   = " +
                        "                 -Shunt  Capacitor #" + k + ",  pF   = "
                  : "                 -Series Inductor  #" + std::string(k) + ",  nH   = " +
                        "                 -Series Capacitor #" + k + ",  pF   = ");
  };
  const bool shunt = true, series = false;
  const struct {
    int32_t ides;
    const char* config_reply;
    int32_t n;
    std::string prompts;
    std::vector<std::pair<Ladder Capind::*, int>> slots;  // filled by replies 11, 12, ...
  } cases[] = {
      {1, "1", 5, lp1 + " 1, pF = " + lp2 + " 2, nH = " + lp1 + " 3, pF = " + lp2 + " 4, nH = " +
                      lp1 + " 5, pF = ",
       {{sc, 1}, {xl, 2}, {sc, 3}, {xl, 4}, {sc, 5}}},
      {1, "2", 3, lp2 + " 1, nH = " + lp1 + " 2, pF = " + lp2 + " 3, nH = ",
       {{xl, 1}, {sc, 2}, {xl, 3}}},
      {2, "", 4, hp1 + " 1, nH = " + hp2 + " 2, pF = " + hp1 + " 3, nH = " + hp2 + " 4, pF = ",
       {{sl, 1}, {xc, 2}, {sl, 3}, {xc, 4}}},
      {2, "2", 3, hp2 + " 1, pF = " + hp1 + " 2, nH = " + hp2 + " 3, pF = ",
       {{xc, 1}, {sl, 2}, {xc, 3}}},
      {3, "1", 2, section(" 1", shunt) + section(" 2", series),
       {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}}},
      {3, "2", 2, section(" 1", series) + section(" 2", shunt),
       {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}}},
      {4, "1", 2, section(" 1", shunt) + section(" 2", series),
       {{sl, 1}, {sc, 1}, {xl, 2}, {xc, 2}}},
      {4, "2", 3, section(" 1", series) + section(" 2", shunt) + section(" 3", series),
       {{xl, 1}, {xc, 1}, {sl, 2}, {sc, 2}, {xl, 3}, {xc, 3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("ides " + std::to_string(c.ides) + " config reply " + c.config_reply);
    st = State{};
    SetUp();
    st.control.ides = c.ides;
    st.control.isel = 3;
    std::string answers = std::to_string(c.n) + "\n" + c.config_reply + "\n";
    for (std::size_t i = 0; i < c.slots.size(); ++i) answers += std::to_string(11 + i) + "\n";
    const std::size_t before = output().size();
    EXPECT_TRUE(run(AnalysisEntry::ElectricalData, answers));
    EXPECT_EQ(output().substr(before), kElectricalData + kConfiguration + c.prompts);
    EXPECT_EQ(unread(), "unused\n");
    EXPECT_EQ(std::tuple(st.block1.n, st.control.icfg, st.control.ides, st.control.isel),
              std::tuple(c.n, c.config_reply[0] == '2' ? 2 : 1, c.ides, 3));
    for (std::size_t i = 0; i < c.slots.size(); ++i) {
      const auto& [store, k] = c.slots[i];
      EXPECT_EQ((st.capind.*store)[k], 11.0f + static_cast<float>(i)) << "reply " << i;
    }
    // Slots that no reply names keep their values.
    int changed = 0;
    for (const Ladder* store :
         {&st.capind.shuntc, &st.capind.shuntl, &st.capind.serc, &st.capind.serl}) {
      for (float v : *store) changed += v != kOld ? 1 : 0;
    }
    EXPECT_EQ(changed, static_cast<int>(c.slots.size()));
  }
}

TEST_F(AnalysisDialogTest, ElementReplyOfZeroOrLessKeepsTheValueAndNothingFollows) {
  st.control.ides = 1;
  st.capind.serl[2] = 47.0f;
  st.imp1.zrs = 123.0f;
  st.freq1.fmin = 7.0f;
  st.control.ivswr = 2;
  EXPECT_TRUE(run(AnalysisEntry::ElectricalData, "4\n\n-100\n\n0\n2.2\n"));
  EXPECT_EQ(
      std::tuple(st.capind.shuntc[1], st.capind.serl[2], st.capind.shuntc[3], st.capind.serl[4]),
      std::tuple(kOld, 47.0f, kOld, 2.2f));
  // Terminations, sweep and print format are not asked on this entry.
  EXPECT_EQ(unread(), "unused\n");
  EXPECT_EQ(std::tuple(st.imp1.zrs, st.freq1.fmin, st.control.ivswr), std::tuple(123.0f, 7.0f, 2));
}

// --- Number of sections -----------------------------------------------------------

TEST_F(AnalysisDialogTest, SectionCountOutsideTwoToThirtyIsAskedAgain) {
  st.control.ides = 1;
  EXPECT_TRUE(run(AnalysisEntry::ElectricalData, "35\n1\n2\n\n\n\n"));
  EXPECT_EQ(output(), kElectricalData + kNRejected + kNRejected + kConfiguration +
                          crlf("           -Value of Shunt  Capacitor # 1, pF = "
                               "           -Value of Series Inductor  # 2, nH = "));
  EXPECT_EQ(st.block1.n, 2);
  EXPECT_EQ(unread(), "unused\n");
  // A default outside the limits is judged like a reply.
  st.block3.ndef = 31;
  const std::size_t before = output().size();
  EXPECT_TRUE(run(AnalysisEntry::ElectricalData, "\n2\n1\n\n\n"));
  EXPECT_EQ(output().substr(before, kElectricalData.size() + kNRejected.size()),
            kElectricalData + kNRejected);
  EXPECT_EQ(unread(), "unused\n");
}

TEST_F(AnalysisDialogTest, SectionCountReplies) {
  const struct {
    const char* reply;
    int32_t iop;
    int32_t n;
  } cases[] = {
      {"", 0, 5},      {"0", 0, 5},   {"-3", 0, 5},  {"2.5", 0, 3},  {"30", 0, 30},
      {"30.4", 1, 30}, {"20", 0, 20}, {"20", 1, 20}, {"20", 2, 20},  {"20", 3, 10},
      {"25", 4, 10},   {"10", 3, 10}, {"9", 4, 9},   {"-538", 0, 1}, {"-538", 3, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("reply '") + c.reply + "' iop " + std::to_string(c.iop));
    st.control.iop = c.iop;
    const std::size_t before = output().size();
    EXPECT_TRUE(
        run(AnalysisEntry::ElectricalData,
            std::string(c.reply) + "\n1\n" + std::string(static_cast<std::size_t>(c.n), '\n')));
    EXPECT_EQ(st.block1.n, c.n);
    EXPECT_EQ(unread(), "unused\n");
    EXPECT_EQ(output().find("ERROR", before), std::string::npos);
  }
  // -538: one position, asked without any check.
  st.control.ides = 3;
  const std::size_t before = output().size();
  EXPECT_TRUE(run(AnalysisEntry::ElectricalData, "-538\n2\n8\n9\n"));
  EXPECT_EQ(output().substr(before), kElectricalData + kConfiguration +
                                         crlf("           -Section # 1 Circuit Elements:\n"
                                              "                 -Series Inductor  # 1,  nH   = "
                                              "                 -Series Capacitor # 1,  pF   = "));
  EXPECT_EQ(std::tuple(st.block1.n, st.capind.serl[1], st.capind.serc[1]),
            std::tuple(1, 8.0f, 9.0f));
}

TEST_F(AnalysisDialogTest, OnlyAReplyRoundingToTwoChoosesTheDualCircuit) {
  const std::pair<const char*, int32_t> cases[] = {
      {"3", 1}, {"2", 2}, {"1.6", 2}, {"2.5", 1}, {"", 1}, {"0", 1}, {"-2", 1}, {"1", 1}};
  for (const auto& [reply, icfg] : cases) {
    st.control.icfg = 0;
    EXPECT_TRUE(run(AnalysisEntry::ElectricalData, std::string("2\n") + reply + "\n\n\n"));
    EXPECT_EQ(st.control.icfg, icfg) << reply;
  }
}

// --- The filter just synthesised ------------------------------------------------------

TEST_F(AnalysisDialogTest, SynthesisedFilterAsksConfigurationTerminationsSweepAndFormat) {
  st.control.isel = 4;
  st.control.ides = 3;
  st.block1.n = 7;
  st.capind.shuntl[1] = 12.5f;
  EXPECT_TRUE(run(AnalysisEntry::Configuration, "2\n0\n-25\n-5\n0\n10\n20\n0.5\n2\n"));
  EXPECT_EQ(output(), kConfiguration + kTerminations + kSweep + kPrintFormat);
  EXPECT_EQ(unread(), "unused\n");
  // Rs 0 and Rl -5 keep their defaults; Xs -25 is taken; Xl 0 keeps its default.
  const Imp1& z = st.imp1;
  EXPECT_EQ(std::tuple(z.zrs, z.zis, z.zrl, z.zil), std::tuple(50.0f, -25.0f, 75.0f, -4.0f));
  EXPECT_EQ(std::tuple(st.freq1.fmin, st.freq1.fmax, st.freq1.fstep),
            std::tuple(10.0f, 20.0f, 0.5f));
  EXPECT_EQ(std::tuple(st.control.icfg, st.control.ivswr, st.control.isel), std::tuple(2, 2, 4));
  // The circuit is the synthesised one.
  EXPECT_EQ(std::tuple(st.block1.n, st.control.ides, st.capind.shuntl[1]), std::tuple(7, 3, 12.5f));

  EXPECT_TRUE(run(AnalysisEntry::Configuration, "\n33\n2\n44\n-6\n\n\n\n\n"));
  EXPECT_EQ(std::tuple(z.zrs, z.zis, z.zrl, z.zil, st.control.icfg),
            std::tuple(33.0f, 2.0f, 44.0f, -6.0f, 1));
}

// --- Sweep range and print format --------------------------------------------------------

TEST_F(AnalysisDialogTest, NewFrequenciesAskOnlySweepAndFormat) {
  st.control.isel = 1;
  st.imp1.zrs = 99.0f;
  EXPECT_TRUE(run(AnalysisEntry::Frequencies, "500\n100\n\n1.6\n"));
  EXPECT_EQ(output(), kSweep + kPrintFormat);
  EXPECT_EQ(unread(), "unused\n");
  // A stop below the start becomes the start: one frequency.
  const Freq1& f = st.freq1;
  EXPECT_EQ(std::tuple(f.fmin, f.fmax, f.fstep, st.control.ivswr),
            std::tuple(500.0f, 500.0f, 2.0f, 2));
  EXPECT_EQ(std::tuple(st.imp1.zrs, st.control.isel), std::tuple(99.0f, 1));

  EXPECT_TRUE(run(AnalysisEntry::Frequencies, "\n-5\n0\n\n"));
  EXPECT_EQ(std::tuple(f.fmin, f.fmax, f.fstep, st.control.ivswr),
            std::tuple(1.0f, 100.0f, 2.0f, 1));
  EXPECT_TRUE(run(AnalysisEntry::Frequencies, "150\n\n\n\n"));
  EXPECT_EQ(f.fmax, 150.0f);
}

TEST_F(AnalysisDialogTest, OnlyAReplyRoundingToTwoChoosesReturnLoss) {
  const std::pair<const char*, int32_t> cases[] = {
      {"1.6", 2}, {"2", 2}, {"2.4", 2}, {"1.4", 1}, {"", 1}, {"0.4", 1}, {"3", 1}, {"-2", 1}};
  for (const auto& [reply, ivswr] : cases) {
    st.control.ivswr = 0;
    EXPECT_TRUE(run(AnalysisEntry::Frequencies, std::string("\n\n\n") + reply + "\n"));
    EXPECT_EQ(st.control.ivswr, ivswr) << reply;
  }
}

// --- Circuit data file ---------------------------------------------------------------

TEST_F(AnalysisDialogTest, BlankRepliesReadTheDefaultCircuitFile) {
  fs.put("filter.ckt", low_pass_file(3));
  st.control.isel = 2;
  EXPECT_TRUE(run(AnalysisEntry::Start, std::string(10, '\n')));
  EXPECT_EQ(output(), kOptionMenu + kFileName + attempting("filter.ckt  ") + kLowPassEcho +
                          read_completed("  3") + kTerminations + kSweep + kPrintFormat);
  EXPECT_EQ(unread(), "unused\n");
  EXPECT_EQ(st.charac.fni, padded("filter.ckt", 20));
  EXPECT_EQ(std::tuple(st.block1.n, st.control.ides, st.control.icfg, st.control.isel),
            std::tuple(3, 1, 1, 2));
  EXPECT_EQ(std::tuple(st.capind.shuntc[1], st.capind.serl[2], st.capind.shuntc[3]),
            std::tuple(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(std::tuple(st.imp1.zrs, st.freq1.fmax, st.control.ivswr), std::tuple(50.0f, 100.0f, 1));
  // Any option reply but one rounding to 1 reads a file too.
  for (const char* reply : {"3", "0", "2.4", "-1"}) {
    const std::size_t before = output().size();
    EXPECT_TRUE(run(AnalysisEntry::Start, reply + std::string(10, '\n')));
    EXPECT_EQ(output().substr(before, kOptionMenu.size() + kFileName.size()),
              kOptionMenu + kFileName);
  }
}

TEST_F(AnalysisDialogTest, TypedFileNameIsKeptWholeOpenedByTwelveAndNeverRefused) {
  fs.put("abcdefgh.ckt", "title\r\n2\r\n2\r\n100\r\n5\r\n6\r\n");
  EXPECT_TRUE(run(AnalysisEntry::Start, "2\nabcdefgh.ckt1234\n" + std::string(8, '\n')));
  EXPECT_EQ(output(),
            kOptionMenu + kFileName + attempting("abcdefgh.ckt") +
                "      User enters Highpass Filter Cutoff Frequency =    100.0000 MHz.\r\n" +
                read_completed("  2") + kTerminations + kSweep + kPrintFormat);
  EXPECT_EQ(st.charac.fni, "abcdefgh.ckt1234    ");
  EXPECT_EQ(std::tuple(st.control.icfg, st.capind.serc[1], st.capind.shuntl[2]),
            std::tuple(2, 5.0f, 6.0f));
  // The program's own file names are not refused here.
  fs.put("Varnholt.DEF", low_pass_file(2));
  EXPECT_TRUE(run(AnalysisEntry::Start, "2\nVarnholt.DEF\n" + std::string(8, '\n')));
  EXPECT_EQ(std::tuple(st.block1.n, st.charac.fni), std::tuple(2, padded("Varnholt.DEF", 20)));
}

TEST_F(AnalysisDialogTest, UnusableFileEndsTheRunWithOneMessage) {
  const std::string lower = "      User enters Lower Cutoff Frequency =    100.0000 MHz.\r\n";
  const struct {
    std::string file;
    std::string after;  // what follows the "Attempting to read" line
  } cases[] = {
      {low_pass_file(1), kLowPassEcho + bad_count("filter.ckt  ")},
      {low_pass_file(31), kLowPassEcho + bad_count("filter.ckt  ")},
      {low_pass_file(0), kLowPassEcho + bad_count("filter.ckt  ")},
      {"title\r\n3\r\n1\r\n100\r\n", lower + bad_count("filter.ckt  ")},
      {"title\r\n1\r\n1\r\n100\r\n1\r\n0\r\n",
       kLowPassEcho + "\r\n\r\n      Error detected in User-defined data filename filter.ckt  "
                      "\r\n      Correct data entry #   2 for variable: SERIES Induc\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    fs.put("filter.ckt", c.file);
    st.control.isel = 0;
    const std::size_t before = output().size();
    EXPECT_FALSE(run(AnalysisEntry::Start, "\n\n"));
    EXPECT_EQ(output().substr(before),
              kOptionMenu + kFileName + attempting("filter.ckt  ") + c.after);
    EXPECT_EQ(st.control.isel, -1);
    EXPECT_EQ(unread(), "unused\n");
  }
}

TEST_F(AnalysisDialogTest, MissingFileOrEndOfInputIsFatal) {
  EXPECT_THROW(run(AnalysisEntry::Start, "\nnone.ckt\n"), FatalError);
  EXPECT_EQ(output(), kOptionMenu + kFileName + attempting("none.ckt    "));
  replies("10\n");
  EXPECT_THROW(analysis_dialog(session, AnalysisEntry::Frequencies), FatalError);
  replies("10\nabc\n");
  EXPECT_THROW(analysis_dialog(session, AnalysisEntry::Frequencies), FatalError);
}

// --- Typed-in circuit from the start ------------------------------------------------------

TEST_F(AnalysisDialogTest, TypedCircuitFromTheStart) {
  EXPECT_TRUE(run(AnalysisEntry::Start, "1\n4\n2\n2\n1\n2\n3\n4\n" + std::string(8, '\n')));
  EXPECT_EQ(output(), kOptionMenu + kDesignMenu + kElectricalData + kConfiguration +
                          crlf("           -Section # 1 Circuit Elements:\n"
                               "                 -Series Inductor  # 1,  nH   = "
                               "                 -Series Capacitor # 1,  pF   = "
                               "           -Section # 2 Circuit Elements:\n"
                               "                 -Shunt  Inductor  # 2,  nH   = "
                               "                 -Shunt  Capacitor # 2,  pF   = ") +
                          kTerminations + kSweep + kPrintFormat);
  EXPECT_EQ(unread(), "unused\n");
  EXPECT_EQ(std::tuple(st.control.ides, st.block1.n, st.control.icfg), std::tuple(4, 2, 2));
  EXPECT_EQ(
      std::tuple(st.capind.serl[1], st.capind.serc[1], st.capind.shuntl[2], st.capind.shuntc[2]),
      std::tuple(1.0f, 2.0f, 3.0f, 4.0f));
}

}  // namespace
}  // namespace varnholt

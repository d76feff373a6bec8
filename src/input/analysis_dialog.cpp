#include "input/circuit_file.h"
#include "input/dialog.h"
#include "input/frame.h"
#include "common/code_traits.h"
#include "ladder/ladder.h"

namespace varnholt {
namespace {

// The number of sections, asked until it lies within 2..30.
void ask_sections(Session& s) {
  static const Layout kHeader("(/,6X,'Please enter the following ELECTRICAL DATA:')");
  static const Layout kPrompt("(11X,'-Number of sections in Filter (N)  = ')");
  static const Layout kRejected(
      "(/,6X,'ERROR DETECTED: N must be less than 31',/,22X,'and greater than 1.',/)");

  s.console.show(kHeader);
  int32_t& n = s.st.block1.n;
  const bool tabulated = response_traits(s.st.control.iop).tabulated;
  for (;;) {
    s.console.prompt(kPrompt);
    const int32_t reply = s.console.read_choice();
    n = s.st.block3.ndef;
    if (reply == kSinglePositionReply) {
      n = 1;
      return;
    }
    if (reply > 0) n = reply;
    // After a Bessel or linear-phase synthesis the ladder is held to ten sections.
    if (n > kMaxTabulatedSections && tabulated) n = kMaxTabulatedSections;
    if (n > 1 && n <= kMaxSections) return;
    s.console.show(kRejected);
  }
}

// Standard circuit (1, the default) or dual circuit (2).
void ask_configuration(Session& s) {
  static const Layout kMenu(
      "(11X,'-Select the Filter`s CONFIGURATION:',/,16X,'*1 = Standard Circuit.',/,"
      "17X,'2 = Dual Circuit.')");
  static const Layout kPrompt("(12X,'CONFIGURATION of Filter selected  = ')");
  s.st.control.icfg = ask_menu(s, kMenu, kPrompt, 1, 2, 2);
}

// Asks one element of position `k`; a reply of 0 or less keeps the stored value.
void ask_element(Session& s, const Layout& prompt, PositionArray& store, int32_t k) {
  float& slot = store[static_cast<std::size_t>(k)];
  slot = ask_positive(s, prompt, slot, {k});
}

// The element values, position by position from the source; the first
// position is a shunt branch in the standard circuit, a series branch in the dual.
void ask_elements(Session& s) {
  static const Layout kShuntC("(11X,'-Value of Shunt  Capacitor #',I2,', pF = ')");
  static const Layout kSeriesL("(11X,'-Value of Series Inductor  #',I2,', nH = ')");
  static const Layout kShuntL("(11X,'-Value of Shunt  Inductor  #',I2,', nH = ')");
  static const Layout kSeriesC("(11X,'-Value of Series Capacitor #',I2,', pF = ')");
  static const Layout kSection("(11X,'-Section #',I2,' Circuit Elements:')");
  static const Layout kPairShuntL("(17X,'-Shunt  Inductor  #',I2,',  nH   = ')");
  static const Layout kPairShuntC("(17X,'-Shunt  Capacitor #',I2,',  pF   = ')");
  static const Layout kPairSeriesL("(17X,'-Series Inductor  #',I2,',  nH   = ')");
  static const Layout kPairSeriesC("(17X,'-Series Capacitor #',I2,',  pF   = ')");

  Capind& c = s.st.capind;
  const FilterType type = filter_type(s.st.control.ides);
  const Configuration config = configuration(s.st.control.icfg);
  // The element stores end at position 31, whatever n holds.
  const int32_t last = position_count(s.st.block1.n);
  for (int32_t k = 1; k <= last; ++k) {
    const bool shunt = placement_at(config, k) == Placement::Shunt;
    const BranchStores b = branch_stores(type, placement_at(config, k));
    // A branch of an inductor and a capacitor is asked under a section heading.
    const bool pair = b.l != nullptr && b.c != nullptr;
    if (pair) s.console.show(kSection, {k});
    if (b.l != nullptr) {
      const Layout& prompt = pair ? (shunt ? kPairShuntL : kPairSeriesL) : (shunt ? kShuntL : kSeriesL);
      ask_element(s, prompt, c.*b.l, k);
    }
    if (b.c != nullptr) {
      const Layout& prompt = pair ? (shunt ? kPairShuntC : kPairSeriesC) : (shunt ? kShuntC : kSeriesC);
      ask_element(s, prompt, c.*b.c, k);
    }
  }
}

// The circuit from a data file; false when the file cannot be used (the
// message has been written and isel is -1).
bool read_circuit_file(Session& s) {
  static const Layout kAsk("(/,6X,'Enter a FILENAME that contains Circuit Elements')");
  static const Layout kPrompt("(6X,'for your Filter`s Design (up to 20 characters) = ')");
  static const Layout kAttempt("(/,6X,'Attempting to read User Data File: ',A12,'...',/)");
  static const Layout kRead(
      "(6X,'Read User Data File successfully completed.',/,11X,"
      "'-Number of sections in Filter ','(N) =',I3)");
  static const Layout kBadCount(
      "(/,6X,'Error exists in filter datafile ',A12,/,6X,"
      "'Fix entry for variable N (1<N<31) and rerun.',/,6X,"
      "'See user manual for a table of variable constraints.')");

  State& st = s.st;
  std::string& fni = st.charac.fni;
  s.console.show(kAsk);
  fni = ask_name(s, kPrompt, fni);
  // Written as a prompt: its closing "/" has already ended the message line.
  s.console.prompt(kAttempt, {std::string_view(fni)});
  ckfread(s, fni, st.control.icfg, st.control.ides, st.control.isel, st.block1.n);
  if (st.control.isel == -1) return false;
  if (st.block1.n > 1 && st.block1.n <= kMaxSections) {
    s.console.show(kRead, {st.block1.n});
    return true;
  }
  s.console.show(kBadCount, {std::string_view(fni)});
  st.control.isel = -1;
  return false;
}

// Source and load impedances: resistances must be positive, reactances any
// value but 0 (0 keeps the default).
void ask_terminations(Session& s) {
  static const Layout kHeader("(/,6X,'Enter complex Source and Load Impedances of Filter:')");
  static const Layout kRs("(11X,'-Source: Real  part (Rs), Ohms = ')");
  static const Layout kXs("(11X,'-Source: Imag. part (Xs), Ohms = ')");
  static const Layout kRl("(11X,'-Load  : Real  part (Rl), Ohms = ')");
  static const Layout kXl("(11X,'-Load  : Imag. part (Xl), Ohms = ')");

  const auto ask_nonzero = [&s](const Layout& prompt, float def) {
    s.console.prompt(prompt);
    const float reply = s.console.read_number();
    return reply != 0.0f ? reply : def;
  };
  Imp1& z = s.st.imp1;
  const Block3& d = s.st.block3;
  s.console.show(kHeader);
  z.zrs = ask_positive(s, kRs, d.zrsdef);
  z.zis = ask_nonzero(kXs, d.zisdef);
  z.zrl = ask_positive(s, kRl, d.zrldef);
  z.zil = ask_nonzero(kXl, d.zildef);
}

// Start, stop and step frequency; a stop below the start becomes the start.
void ask_sweep(Session& s) {
  static const Layout kHeader("(/,6X,'Please enter a Frequency range for Filter ANALYSIS:')");
  static const Layout kStart("(11X,'-Analysis Start Frequency, MHz = ')");
  static const Layout kStop("(11X,'-Analysis Stop  Frequency, MHz = ')");
  static const Layout kStep("(11X,'-Analysis Step  Frequency, MHz = ')");

  Freq1& f = s.st.freq1;
  const Block2& d = s.st.block2;
  s.console.show(kHeader);
  f.fmin = ask_positive(s, kStart, d.fmindef);
  f.fmax = ask_positive(s, kStop, d.fmaxdef);
  if (f.fmin > f.fmax) f.fmax = f.fmin;
  f.fstep = ask_positive(s, kStep, d.fstepdef);
}

// VSWR (1, the default) or return loss (2) in the sweep report.
void ask_print_format(Session& s) {
  static const Layout kMenu(
      "(/,6X,'Select Output Print FORMAT:',/,9X,'*1 = Two-Port response with VSWR.',/,"
      "10X,'2 = Two-Port response with Return Loss.')");
  static const Layout kPrompt("(6X,'Print FORMAT selected = ')");
  s.st.control.ivswr = ask_menu(s, kMenu, kPrompt, 1, 2, 2);
}

// Typed-in elements (1) or a circuit data file (2, the default).
int32_t ask_analysis_option(Session& s) {
  static const Layout kMenu(
      "(/,6X,'Select an OPTION for Analysis of Electrical Circuit:',/,"
      "10X,'1 = User enters values for Filter`s Circuit Elements.',/,"
      "9X,'*2 = User enters Data Filename  for Circuit Elements.')");
  static const Layout kPrompt("(6X,'Analysis OPTION selected = ')");
  return ask_menu(s, kMenu, kPrompt, 2, 1, 2);
}

}  // namespace

bool analysis_dialog(Session& s, AnalysisEntry entry) {
  static const Layout kDesignHeader("(/,6X,'Please select a Filter DESIGN for Analysis:')");

  switch (entry) {
    case AnalysisEntry::Start:
      if (ask_analysis_option(s) == 1) {
        s.console.show(kDesignHeader);
        design_menu(s);
        ask_sections(s);
        ask_configuration(s);
        ask_elements(s);
      } else if (!read_circuit_file(s)) {
        return false;
      }
      ask_terminations(s);
      break;
    case AnalysisEntry::ElectricalData:
      // Terminations, sweep and print format stay as they are.
      ask_sections(s);
      ask_configuration(s);
      ask_elements(s);
      return true;
    case AnalysisEntry::Configuration:
      // The filter just synthesised: its elements are already in place.
      ask_configuration(s);
      ask_terminations(s);
      break;
    case AnalysisEntry::Frequencies:
      break;
  }
  ask_sweep(s);
  ask_print_format(s);
  return true;
}

}  // namespace varnholt

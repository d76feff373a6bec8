#include "input/dialog.h"

#include <cmath>

#include "input/defaults_file.h"
#include "input/frame.h"
#include "input/reserved_names.h"
#include "synthesis/section_count.h"
#include "common/titles.h"
#include "common/code_traits.h"

namespace varnholt {
namespace {

void print_banner(Session& s) {
  static const Layout kBanner(std::string("(///,16X,'") + kAttribution +
                              "',/,16X,'   RF/Microwave Computer-Aided Engineering Software',/,"
                              "16X,'    Program: Varnholt (v. 1.0)    Date:',I2,'/',I2,'/',I4,/)");
  static const Layout kDescription(
      "(/,6X,'This Program performs Electrical SYNTHESIS and Frequency ANALYSIS',/,"
      "6X,'of Lumped Element Low-Pass, High-Pass, Band-Pass and Band-Stop Filters',/,"
      "6X,'having a Chebyshev, Butterworth, Bessel or Linear Phase response.')");
  const Datetime& t = s.st.datetime;
  s.console.show(kBanner, {t.imon, t.iday, t.iyr});
  s.console.show(kDescription);
}

void ask_function(Session& s) {
  static const Layout kMenu(
      "(/,6X,'Please select a Program FUNCTION:',/,"
      "10X,'1 = Frequency  ANALYSIS  of a known Filter Design.',/,"
      "9X,'*2 = Electrical SYNTHESIS of a  new  Filter design.')");
  static const Layout kPrompt("(6X,'Program FUNCTION selected = ')");
  s.st.control.ifunc = ask_menu(s, kMenu, kPrompt, 2, 1, 2);
}

void ask_response(Session& s) {
  static const Layout kMenu(
      "(/,6X,'Please select an OPTION for Filter Design:',/,"
      "9X,'*1 = Chebyshev (Equi-ripple) Response.',/,"
      "10X,'2 = Butterworth (Maximaly flat magnitude) Response.',/,"
      "10X,'3 = Bessel (Maximally flat delay) Response (N < 11).',/,"
      "10X,'4 = Linear Phase Response (N < 11).')");
  static const Layout kPrompt("(6X,'Response OPTION selected = ')");
  s.st.control.iop = ask_menu(s, kMenu, kPrompt, 1, 1, 4);
}

// Cut-off frequency, or centre and bandwidth with the band edges they give.
void ask_design_frequencies(Session& s) {
  static const Layout kHeader("(/,6X,'Please enter the following DESIGN DATA:')");
  static const Layout kLowPass("(11X,'-Low Pass Cutoff Frequency  (FC1), MHz = ')");
  static const Layout kHighPass("(11X,'-Highpass Cutoff Frequency  (FC1), MHz = ')");
  static const Layout kBandPassCentre("(11X,'-Bandpass Center Frequency   (FO), MHz = ')");
  static const Layout kBandPassWidth("(11X,'-Bandpass Filter`s Bandwidth (BW), MHz = ')");
  static const Layout kBandStopCentre("(11X,'-Bandstop Center Frequency   (FO), MHz = ')");
  static const Layout kBandStopWidth("(11X,'-Bandstop Filter`s Bandwidth (BW), MHz = ')");
  static const Layout kOrderError(
      "(/,6X,'ERROR DETECTED: FH1 must be greater than',/,20X,'FL1. Re-enter FH1 and Fl1.',/)");
  State& st = s.st;
  Freq1& f = st.freq1;
  s.console.show(kHeader);
  const FilterType type = filter_type(st.control.ides);
  if (!filter_type_traits(type).band) {
    f.fc1 = ask_positive(s, type == FilterType::HighPass ? kHighPass : kLowPass, st.block2.fc1def);
    return;
  }
  const bool pass = type == FilterType::BandPass;
  for (;;) {
    f.fo = ask_positive(s, pass ? kBandPassCentre : kBandStopCentre,
                        (st.block2.fh1def + st.block2.fl1def) * 0.5f);
    f.bw = ask_positive(s, pass ? kBandPassWidth : kBandStopWidth,
                        st.block2.fh1def - st.block2.fl1def);
    f.fl1 = f.fo - f.bw * 0.5f;
    f.fh1 = f.fo + f.bw * 0.5f;
    if (f.fl1 < f.fh1) return;
    s.console.show(kOrderError);
  }
}

// Passband ripple of a Chebyshev design and the passband VSWR it implies.
void ask_ripple(Session& s) {
  static const Layout kPrompt("(11X,'-Passband Amplitude Ripple   (Am), dB  = ')");
  static const Layout kLargeRipple(
      "(/,6X,'ERROR DETECTED: Filters with AM > 6.0 dB have',/,"
      "22X,'VSWR`s greater than 13.8 : 1.')");
  static const Layout kReenter("(27X,'Enter 1 to re-enter AM : ')");
  static const Layout kVswr("(11X,'-Resultant Passband VSWR level         =',F6.3)");
  State& st = s.st;
  st.block1.am = 0.0f;
  if (!response_traits(st.control.iop).equal_ripple) return;
  for (;;) {
    s.console.prompt(kPrompt);
    const float reply = std::fabs(s.console.read_number());
    st.block1.am = reply > 0.0f ? reply : st.block2.amdef;
    if (st.block1.am <= 6.0f) break;
    s.console.show(kLargeRipple);
    s.console.prompt(kReenter);
    if (s.console.read_choice() != 1) break;
  }
  const float rho = std::sqrt(1.0f - std::pow(10.0f, -st.block1.am / 10.0f));
  const float vswr = (1.0f + rho) / (1.0f - rho);
  s.console.show(kVswr, {vswr});
}

enum class SkirtResult { Done, BackToRipple };

// N from a skirt frequency and the attenuation wanted there.
SkirtResult ask_skirt(Session& s, float& a2) {
  static const Layout kFrequency("(11X,'-Out of Band Skirt Frequency (F1), MHz = ')");
  static const Layout kInPassband(
      "(/,6X,'ERROR DETECTED: Skirt frequency must be outside ','of',/,"
      "13X,'filter passband. Enter new skirt frequency.',/)");
  static const Layout kAttenuation("(11X,'-Attenuation at Skirt Freq.  (A1), dB  = ')");
  static const Layout kFlatTooLow(
      "(/,6X,'ERROR DETECTED: For Butterworth response A1 ','should',/,"
      "23X,'be greater than 4.0. Re-enter A1.',/)");
  static const Layout kRippleTooHigh(
      "(/,6X,'ERROR DETECTED: For Chebyshev response A1 should',' be',/,"
      "21X,'greater than AM. Re-enter A1 and AM.',/)");
  static const Layout kSections("(11X,'-Number of sections needed in Filter   =',I3)");
  static const Layout kActual("(11X,'-Actual Attenuation at',F9.2,' MHz,dB =',F6.2)");
  static const Layout kTooMany(
      "(/,6X,'ERROR DETECTED: Filter Synthesis is',/,15X,'limited to N less than 31.',/)");
  State& st = s.st;
  Block1& b = st.block1;
  st.control.iskirt = 1;
  for (;;) {
    float fc = 0.0f;
    for (;;) {
      st.freq1.f1 = ask_positive(s, kFrequency, st.block2.fskirt);
      const Freq1& f = st.freq1;
      if (skirt_edge(st.control.ides, f.f1, f.fc1, f.fl1, f.fh1, fc)) break;
      s.console.show(kInPassband);
    }
    for (;;) {
      s.console.prompt(kAttenuation);
      const float reply = std::fabs(s.console.read_number());
      b.a1 = reply > 0.0f ? reply : st.block2.a1def;
      if (response_traits(st.control.iop).flat_passband) {
        if (b.a1 >= 4.0f) break;
        s.console.show(kFlatTooLow);
      } else {
        if (b.a1 > b.am) break;
        s.console.show(kRippleTooHigh);
        return SkirtResult::BackToRipple;
      }
    }
    int32_t ierr = 0;
    nsectn(b.am, b.a1, a2, fc, st.freq1.f1, st.freq1.fh1, st.freq1.fl1, st.control.ides, ierr,
           st.control.iop, b.n);
    s.console.show(kSections, {b.n});
    s.console.show(kActual, {st.freq1.f1, a2});
    if (b.n <= kMaxSections) return SkirtResult::Done;
    s.console.show(kTooMany);
  }
}

enum class SectionsResult { Done, BackToRipple };

// Number of sections typed, or derived from the skirt requirement.
SectionsResult ask_sections(Session& s, float& a2) {
  static const Layout kPrompt("(11X,'-Number of sections in Filter (N)      = ')");
  static const Layout kRangeError("(/,6X,'ERROR DETECTED: N must be less than 31')");
  static const Layout kRangeErrorEnd("(22X,'and greater than 1.')");
  State& st = s.st;
  Block1& b = st.block1;
  const bool tabulated = response_traits(st.control.iop).tabulated;
  for (;;) {
    s.console.prompt(kPrompt);
    const int32_t itemp = s.console.read_choice();
    b.n = st.block3.ndef;
    st.control.iskirt = 0;
    if (itemp == kSinglePositionReply) {
      b.n = 1;  // a single element, for trying out one branch on its own
      return SectionsResult::Done;
    }
    if (itemp == 0 && !tabulated) {
      return ask_skirt(s, a2) == SkirtResult::Done ? SectionsResult::Done
                                                   : SectionsResult::BackToRipple;
    }
    if (itemp >= 1 && itemp <= kMaxSections) b.n = itemp;
    if (itemp == 0 && tabulated) b.n = kMaxTabulatedSections;
    if (b.n > kMaxTabulatedSections && tabulated) b.n = kMaxTabulatedSections;
    if (b.n > 1 && b.n < 31) return SectionsResult::Done;
    s.console.show(kRangeError);
    s.console.prompt(kRangeErrorEnd);
  }
}

void synthesis_dialog(Session& s, float& a2) {
  static const Layout kDesignHeader("(/,6X,'Please select a Filter DESIGN for Synthesis:')");
  static const Layout kImpedance("(11X,'-Impedance Level of System  (Zo), Ohms = ')");
  ask_response(s);
  s.console.show(kDesignHeader);
  design_menu(s);
  ask_design_frequencies(s);
  do {
    ask_ripple(s);
  } while (ask_sections(s, a2) == SectionsResult::BackToRipple);
  s.st.imp1.zo = ask_positive(s, kImpedance, s.st.block3.zodef);
}

// The question that ends every branch: whether, and where, to store the reports.
void ask_storage(Session& s) {
  static const Layout kQuestion("(/,6X,'Is Output Data STORAGE desired (1=YES)= ')");
  static const Layout kHints(
      "(6X,'Enter a FILENAME (up to 20 characters) for Output Data storage: ',/,"
      "10X,'-Enter: Filename.xls for storage in a spreadsheet',/,"
      "10X,'-Enter: Filename.doc for storage in a word processor',/,"
      "10X,'-Enter: Filename.txt for storage as a text document')");
  static const Layout kName("(11X,'Enter your FILENAME for Output Data Storage: ')");
  static const Layout kReserved(
      "(/,6X,'Filename: ',A10,' is reserved by Varnholt.',/,"
      "6X,'Please enter a different filename.',/)");
  State& st = s.st;
  for (;;) {
    st.control.istore = 0;
    s.console.prompt(kQuestion);
    if (s.console.read_choice() != 1) return;
    s.console.show(kHints);
    st.charac.fno = ask_name(s, kName, st.charac.fno);
    if (!is_reserved_name(st.charac.fno)) {
      st.control.istore = 1;
      return;
    }
    s.console.show(kReserved, {std::string_view(st.charac.fno)});
  }
}

// Where the dialog resumes for the re-entry selector; false for a full dialog.
bool analysis_reentry(int32_t isel, AnalysisEntry& entry) {
  switch (isel) {
    case 1: entry = AnalysisEntry::Frequencies; return true;
    case 3: entry = AnalysisEntry::ElectricalData; return true;
    case 4: entry = AnalysisEntry::Configuration; return true;
    default: return false;
  }
}

}  // namespace

void design_menu(Session& s) {
  static const Layout kMenu(
      "(9X,'*1 = Low  Pass Filter.',/,10X,'2 = High Pass Filter.',/,"
      "10X,'3 = Band Pass Filter.',/,10X,'4 = Band Stop Filter.')");
  static const Layout kPrompt("(6X,'Filter DESIGN selected = ')");
  s.st.control.ides = ask_menu(s, kMenu, kPrompt, 1, 1, 4);
}

void uinput(Session& s, float& a2) {
  Control& c = s.st.control;
  AnalysisEntry entry = AnalysisEntry::Start;
  const bool banner_reentry = c.isel != 0 && (c.ifunc == 2 || c.isel == 2);
  if (!banner_reentry && c.isel != 0 && analysis_reentry(c.isel, entry)) {
    if (!analysis_dialog(s, entry)) return;
    ask_storage(s);
    return;
  }
  if (!banner_reentry) {
    defread(s);
    if (c.isel == -1) return;
    s.st.datetime = s.clock();
  }
  print_banner(s);
  ask_function(s);
  if (c.ifunc == 2) {
    synthesis_dialog(s, a2);
  } else {
    c.ifunc = 1;
    if (!analysis_dialog(s, AnalysisEntry::Start)) return;
  }
  ask_storage(s);
}

}  // namespace varnholt

// The shared stores: plain structs that live for the whole program run and
// start at zero. The main program owns one State and passes it by reference.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "format/reader.h"

namespace varnholt {

// Ladder positions are numbered 1..31 from the source; index 0 is unused so
// that code reads g[k], serl[k] exactly as the ladder is numbered.
inline constexpr int kMaxPositions = 31;
inline constexpr int kMaxSections = 30;
using PositionArray = std::array<float, kMaxPositions + 1>;

// Element values: prototype g, series and shunt capacitors (pF) and inductors (nH).
struct Capind {
  PositionArray g{};
  PositionArray serc{};
  PositionArray serl{};
  PositionArray shuntc{};
  PositionArray shuntl{};
};

struct Block1 {
  float am = 0.0f;    // passband ripple, dB
  float a1 = 0.0f;    // attenuation wanted at the skirt frequency, dB
  int32_t i = 0;      // number of sweep steps
  int32_t n = 0;      // number of sections
};

// Defaults read from the default-values file.
struct Block2 {
  float amdef = 0.0f;
  float a1def = 0.0f;
  float fc1def = 0.0f;
  float fh1def = 0.0f;
  float fl1def = 0.0f;
  float fmaxdef = 0.0f;
  float fmindef = 0.0f;
  float fstepdef = 0.0f;
  float fskirt = 0.0f;
};

struct Block3 {
  int32_t ndef = 0;
  float zildef = 0.0f;
  float zisdef = 0.0f;
  float zodef = 0.0f;
  float zrldef = 0.0f;
  float zrsdef = 0.0f;
};

struct Charac {
  std::string fni = std::string(kNameLength, ' ');  // circuit data file name
  std::string fno = std::string(kNameLength, ' ');  // output-storage file name
};

// Selection codes.
struct Control {
  int32_t icfg = 0;    // 1 standard circuit, 2 dual circuit
  int32_t ides = 0;    // 1 low-pass, 2 high-pass, 3 band-pass, 4 band-stop
  int32_t ifunc = 0;   // 1 analysis, 2 synthesis
  int32_t iop = 0;     // 1 Chebyshev, 2 Butterworth, 3 Bessel, 4 linear phase
  int32_t isel = 0;    // dialog re-entry selector; -1 ends the program
  int32_t iskirt = 0;  // 1 when N came from the skirt requirement
  int32_t istore = 0;  // 1 when output storage is wanted
  int32_t ivswr = 0;   // 1 print VSWR, 2 print return loss
};

struct Datetime {
  int32_t imon = 0;
  int32_t iday = 0;
  int32_t iyr = 0;
  int32_t ihr = 0;
  int32_t imin = 0;
  int32_t isec = 0;
};

// Frequencies in MHz.
struct Freq1 {
  float bw = 0.0f;
  float fc1 = 0.0f;
  float fh1 = 0.0f;
  float fl1 = 0.0f;
  float fmax = 0.0f;
  float fmin = 0.0f;
  float fstep = 0.0f;
  float fo = 0.0f;
  float f1 = 0.0f;
};

// Impedances in ohms.
struct Imp1 {
  float zil = 0.0f;
  float zis = 0.0f;
  float zo = 0.0f;
  float zrl = 0.0f;
  float zrs = 0.0f;
};

// Values of the main program that carry over from one pass of its loop to the next.
struct MainValues {
  float a2 = 0.0f;                            // attenuation reached at the skirt frequency, dB
  std::string design = "Low Pass ";           // 9 characters
  std::string resp = std::string(20, ' ');    // 20 characters, blank-padded
};

struct State {
  Capind capind;
  Block1 block1;
  Block2 block2;
  Block3 block3;
  Charac charac;
  Control control;
  Datetime datetime;
  Freq1 freq1;
  Imp1 imp1;
  MainValues main;
};

}  // namespace varnholt

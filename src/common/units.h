// The one pi and the unit factors. Each factor is named for what it converts:
// kNanohenriesPerHenry multiplies henries to give nanohenries. The stores hold
// inductance in nH, capacitance in pF and frequency in MHz.
#pragma once

namespace varnholt {

inline constexpr float kPi = 3.1415927f;  // the float nearest pi

inline constexpr float kHertzPerMegahertz = 1e6f;
inline constexpr float kNanohenriesPerHenry = 1e9f;
inline constexpr float kPicofaradsPerFarad = 1e12f;
// Reports show large values in mH and uF.
inline constexpr float kNanohenriesPerMillihenry = 1e6f;
inline constexpr float kPicofaradsPerMicrofarad = 1e6f;

// The float cascade takes the angular frequency in 1e6 rad/s, so its element
// formulas use microhenries and microfarads; an L C product in nH pF times
// that frequency squared is scaled by 1e-9.
inline constexpr float kMicrohenriesPerNanohenry = 1e-3f;
inline constexpr float kMicrofaradsPerPicofarad = 1e-6f;
inline constexpr float kResonanceScale = 1e-9f;

// Netlists are written in SI units, in double.
inline constexpr double kHenriesPerNanohenry = 1e-9;
inline constexpr double kFaradsPerPicofarad = 1e-12;

}  // namespace varnholt

// The dialog through which the user gives all input: design data for a
// synthesis, or the circuit and sweep for an analysis. The re-entry selector
// isel says where it resumes; it returns with isel = -1 when the program must end.
#pragma once

#include "common/session.h"

namespace varnholt {

void uinput(Session& s, float& a2);

// Where the analysis branch of the dialog starts.
enum class AnalysisEntry {
  Start,           // analysis option, circuit, terminations, sweep, print format
  Frequencies,     // sweep range and print format only
  ElectricalData,  // number of sections, configuration and element values
  Configuration,   // the filter just synthesised: configuration, terminations, sweep
};

// The analysis branch; returns false when the dialog must return at once
// (a circuit data file could not be used; isel is then -1).
bool analysis_dialog(Session& s, AnalysisEntry entry);

// Shared by both branches: the filter DESIGN menu, read into ides.
void design_menu(Session& s);

}  // namespace varnholt

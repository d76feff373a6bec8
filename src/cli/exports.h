// The design and analysis exports that are not the dialog's reports: CSV rows
// and Touchstone S-parameters from the double-precision two-port evaluator,
// and a circuit-simulator netlist. Sweeps are streamed in blocks, computed on
// all cores, so a sweep of any length runs in constant memory.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "cli/requests.h"
#include "ladder/ladder.h"
#include "ladder/network.h"

namespace varnholt {

// Called with the number of points done; lets a caller show progress.
using ProgressFn = std::function<void(int64_t done)>;

// The points of a sweep: the dialog's count and frequencies (sweep_steps,
// sweep_frequency), so exports and reports share their frequencies.
int64_t sweep_points(const SweepRange& sweep);
double sweep_point(const SweepRange& sweep, int64_t index);

// CSV: one header line, then per frequency MHz, S21 dB (transducer gain
// between the terminations), S21 phase (deg), group delay (ns), S11 dB
// (referred to the source resistance), VSWR, Zin real and imaginary (ohms),
// each the shortest text of its float value (at most 9 significant digits).
// `extra` adds columns after these: its header text (from the first comma)
// and, per row, its text (from the first comma) for point k at f MHz.
struct CsvColumns {
  std::string header;
  std::function<void(int64_t k, double f_mhz, std::string& text)> row;
};
void write_csv(std::ostream& out, const Ladder& ladder, const Termination& source,
               const Termination& load, const SweepRange& sweep, const ProgressFn& progress,
               const CsvColumns* extra = nullptr);

// Touchstone 1.1 two-port file of the ladder alone referred to z0 (ohms):
// `comments` (lines without the "!"), the option line, then S11 S21 S12 S22
// as real and imaginary parts in shortest round-trip form.
void write_touchstone(std::ostream& out, const Ladder& ladder, double z0, const SweepRange& sweep,
                      const std::string& comments, const ProgressFn& progress,
                      const Losses& losses = {});

// A netlist the simulator runs as it stands: the ladder as subcircuit
// "ladder" (ports in, out), a bench of a 1 V AC source behind the source
// termination and the load termination, an AC sweep over `sweep`, and
// commands that write frequency, transducer gain (dB) and phase (deg), and
// with a source without reactance the input reflection (dB, deg), to
// `data_file`. Reactive terminations become the inductor or capacitor with
// that reactance at the centre of the sweep, as a comment says. With losses
// each L and C has its series loss resistor, sized at losses.q_at_mhz or,
// for a Q constant over frequency, at the centre of the sweep (a comment says which).
std::string spice_export(const Ladder& ladder, const Termination& source,
                         const Termination& load, const SweepRange& sweep,
                         const std::string& comments, const std::string& data_file,
                         const Losses& losses = {});

}  // namespace varnholt

// The writers: each output of a job as a function of its Result alone.
// Adding an output is one writer here and one row of the Output table.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>

#include "pipeline/result.h"
#include "practical/elements.h"

namespace varnholt {

// One number in a printf format ("%.9g"), for the writers' prose lines.
inline std::string formatted(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Where an output goes; the netlist names its data file after it.
struct Destination {
  std::string path;  // "-": standard output
};

// The interactive program's report, byte for byte (CR LF line ends), then
// the practical section when the job has practical options.
void write_report(std::ostream& out, const Result& r);
// The design file (the design command only).
void write_design_file(std::ostream& out, const Result& r);
// A netlist the simulator runs as it stands: the built ladder (rounded, with
// its loss resistors) between the terminations, with an AC sweep.
void write_spice(std::ostream& out, const Result& r, const Destination& to);
// Touchstone 1.1 two-port S-parameters of the built ladder alone.
void write_touchstone(std::ostream& out, const Result& r);
// Gain, phase, delay, S11, VSWR and Zin of the ideal ladder per frequency,
// then the practical columns.
void write_csv(std::ostream& out, const Result& r);
// The self-contained design page.
void write_page(std::ostream& out, const Result& r);

// The writer of `output`.
void write_output(Output output, std::ostream& out, const Result& r, const Destination& to);

// Text shared by the writers.
// The comment lines of the exports: what was designed or analysed, the
// terminations, what was rounded and the Q assumed.
std::string export_comments(const Result& r);
// "Component Q: inductors 50, capacitors lossless, the same at every frequency".
std::string q_assumptions(const PracticalOptions& options);
// "Q model: linear (from 100 MHz), loss resistances ...": the law of the Q in words.
std::string q_model_text(const PracticalOptions& options);
// "Parasitics: ...": the parasitics of the parts, each in words.
std::string parasitic_assumptions(const PracticalOptions& options);

// "Trials aligned: ...": what --align did to the trials of a coupled design.
std::string aligned_text(const Result& result);
// "passband loss at most 2 dB from 1 to 100 MHz".
std::string mask_item_text(const Mask& mask, const MaskItem& item);

}  // namespace varnholt

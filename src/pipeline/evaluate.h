// evaluate(job): the job computed once into its Result. The design (or the
// file read), both circuits, the sweep of every output but the report, the
// practical work (rounding, losses, mask checks, yield) and the key figures;
// and the interactive program's report made ready to print.
#pragma once

#include "common/file_system.h"
#include "common/session.h"
#include "pipeline/job.h"
#include "pipeline/progress.h"
#include "pipeline/result.h"

namespace varnholt {

// The program's name and version, as the outputs' comments give it.
inline constexpr const char* kVersion = "varnholt 1.1";

// `files` reads the file analysed; `clock` dates the report; `progress`, when
// given, is told of long work (the search of --optimise reports the designs
// evaluated, with the total -1 until it ends with done == total). Throws
// UsageError (naming the option, the file or the rule) for anything that
// cannot be done as asked, before anything is written.
Result evaluate(const Job& job, FileSystem& files, const Clock& clock,
                const Progress& progress = {});

// The frequencies of a sweep as typed, MHz: from, then evenly spaced to `to`.
// Each is the double nearest to its exact decimal value where from and the
// step (or from and to) are decimals of up to 12 places, so 10.4 + 3 steps
// of 0.003 is 10.409, not 10.408999999999999.
// Throws UsageError beyond 20,000,000 points: the exports hold the
// frequencies, and the page and the trials every response.
std::vector<double> sweep_frequencies(const SweepRequest& sweep);

// The sweep around a design (`points` points, 201 when not given): low-pass
// 0.01 fc to 3 fc, high-pass fc / 3 to 3 fc, band types 1.5 bandwidths
// either side of the centre (from a tenth of the lower edge when that would
// reach 0 MHz).
SweepRequest default_sweep(FilterType type, double cutoff, double lower, double upper,
                           std::optional<int64_t> points);

// The passbands of a design between the sweep's ends: below the cut-off
// (low-pass), above it (high-pass), between the edges (band-pass), outside
// them (band-stop).
std::vector<Passband> design_passbands(FilterType type, double cutoff, double lower, double upper,
                                       double sweep_from, double sweep_to);

}  // namespace varnholt

// Measurements in a job: parts measured in Touchstone files in place of
// ladder elements (--part NAME=FILE), a measured two-port laid over the
// design (--compare FILE), and a measured file analysed on its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "ladder/network.h"

namespace varnholt {

struct Job;
struct Result;

struct PartRequest {
  std::string name;  // "L2", as the report and the page name the element
  std::string path;
};

struct MeasuredRequest {
  std::vector<PartRequest> parts;
  bool extrapolate = false;  // parts held beyond their files' ranges
  std::string compare;       // the measured two-port; empty: none
  bool any() const { return !parts.empty() || !compare.empty(); }
};

// One element replaced by its measured part.
struct PartUse {
  std::string name, path;
  ElementRef where;
  std::string fixture;            // "one-port file", "series fixture", "shunt fixture"
  double from_mhz = 0.0, to_mhz = 0.0;  // what the file covers
  double nominal = 0.0;           // the element's own value, nH or pF
  bool extrapolated = false;      // a frequency used lies outside the file
};

// Where the measured S21 crosses the built circuit's loss at a band edge.
struct EdgeShift {
  double designed_mhz = 0.0;
  double level_db = 0.0;                // the built circuit's S21 there
  std::optional<double> measured_mhz;   // none: the measurement never crosses it
};

struct Comparison {
  std::string path;
  std::string against;  // the circuit compared: "ideal", "rounded", "rounded with losses", ...
  double from_mhz = 0.0, to_mhz = 0.0;  // the file's range
  std::vector<double> s21_db, s11_db;   // at the sweep; NaN outside the file's range
  bool partial = false;                 // the sweep reaches outside the file
  std::optional<double> worst_db, worst_at_mhz;  // |built - measured| S21 in the passband
  std::vector<EdgeShift> edges;
};

// A measured file shown alone: its figures.
struct MeasurementFigures {
  int ports = 2;
  std::size_t file_points = 0;
  double from_mhz = 0.0, to_mhz = 0.0;  // the file's range
  bool resampled = false;               // interpolated onto --from/--to
  std::optional<double> least_loss_db, least_loss_mhz;
  std::optional<double> band_lo_mhz, band_hi_mhz;  // the 3 dB band around the least loss
  std::optional<double> worst_return_loss_db;      // in that band
};

struct Measurements {
  std::vector<PartUse> parts;
  bool extrapolate = false;
  std::optional<Comparison> compare;
  std::optional<MeasurementFigures> alone;
  bool any() const { return !parts.empty() || compare || alone; }
};

// The elements of `ladder` replaced by the parts of `request`, read through
// `files`: their models go into `model.parts`, what they are into `out`.
// Throws UsageError for an unknown name, a file that cannot be read or is
// not a part.
void load_parts(const MeasuredRequest& request, const Ladder& ladder, FileSystem& files,
                PartModel& model, std::vector<PartUse>& out);

// Checks that every frequency the built circuit is evaluated at, from `lo`
// to `hi` MHz (`what`: "the sweep", "the mask", "the band edge"), lies in
// each part's file, or marks the part extrapolated when that is allowed.
void check_part_ranges(std::vector<PartUse>& parts, bool extrapolate, double lo, double hi,
                       const std::string& what);

// The measured two-port of `path` at r.f_mhz against the built circuit,
// whose S21 (dB) at any frequency `built_s21_db` gives.
// Throws UsageError for a file that cannot be read or is not a two-port.
void compare_measurement(Result& r, const std::string& path, const std::string& against,
                         FileSystem& files, const std::vector<double>& built_s21_db,
                         const std::function<double(double)>& built_s21_at);

// Whether the file `path` holding `text` is network data: it looks like it,
// or its name ends in .s1p or .s2p (then a broken one is refused as such).
bool is_network_file(const std::string& path, const std::string& text);

// The measured file of job.path (its text `text`) as the Result's response.
Result measurement_result(const Job& job, const std::string& text);

}  // namespace varnholt

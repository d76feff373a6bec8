// What the writers show of measurements: measured parts in the ladder, a
// measurement compared with the design, a measured file alone.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "html/page.h"
#include "pipeline/result.h"

namespace varnholt {

// The report's lines (LF ends) on the parts and the comparison.
void write_measured_section(std::ostream& out, const Result& r);
// Comment lines of the exports: the parts, where they were extrapolated, the comparison.
std::string measured_comments(const Result& r);
// The netlist's comment lines: each measured part written at its nominal value.
std::string netlist_part_comments(const Result& r);
// The design file's record of the parts and the comparison.
nlohmann::json measured_json(const Result& r);
// The parts and the comparison on a design's page.
void measured_page(html::PageData& page, const Result& r);
// The page of a measured file alone: its charts, no circuit.
void write_measurement_page(std::ostream& out, const Result& r);

}  // namespace varnholt

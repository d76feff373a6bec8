// Line charts over frequency as inline SVG: axes with round ticks, grid,
// legend, curves, shaded bands and tooltip markers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace varnholt::html {

// Tooltip markers per curve at most. A longer curve is drawn in full as a
// polyline, but carries markers only on every k-th point (k the smallest
// stride that keeps within the limit) and on its last point; each drawn
// marker's tooltip holds that point's exact values as printed.
inline constexpr std::size_t kMaxMarkers = 201;

// The indices of the points of an n-point curve that get markers.
std::vector<std::size_t> marker_indices(std::size_t n);

struct Series {
  std::string name;          // legend, and the quantity in tooltips ("S21")
  std::string unit;          // of y, in tooltips ("dB")
  std::vector<double> x, y;  // equal lengths; NaN points are left out
  std::string color = "#1f5fb4";
  bool dashed = false;
  bool markers = true;
  int decimals = 4;  // of y in tooltips
};

// A shaded region between two curves over the same x (a yield band).
struct Shade {
  std::string name;
  std::string lo_name, hi_name;  // the edges, in tooltips
  std::vector<double> x, lo, hi;
  std::string color = "#1f5fb4";
};

struct Range {
  double lo = 0.0;
  double hi = 0.0;
};

struct ChartSpec {
  std::string id;  // unique within the page (clip path names)
  std::string title;
  std::string x_label = "Frequency (MHz)";
  std::string y_label;
  bool log_x = false;
  std::optional<Range> x_range;  // default: the extent of the data
  std::optional<Range> y_range;  // default: the extent of the data inside the x range
  std::vector<Shade> shades;     // drawn first, under the curves
  std::vector<Series> series;
};

// The chart as one <svg> element. Curves are clipped to the plot area; values
// outside it keep their markers (clipped too) and exact tooltips.
std::string chart_svg(const ChartSpec& spec);

}  // namespace varnholt::html

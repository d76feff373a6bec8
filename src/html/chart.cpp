#include "html/chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "html/svg.h"
#include "html/ticks.h"

namespace varnholt::html {
namespace {

constexpr double kWidth = 720;
constexpr double kHeight = 330;
constexpr double kLeft = 66;
constexpr double kRight = kWidth - 18;
constexpr double kTop = 48;
constexpr double kBottom = kHeight - 44;

// Data to picture coordinates for one chart.
struct Frame {
  AxisScale x, y;

  double to_x(double v) const {
    const auto pos = [this](double t) { return x.log ? std::log10(t) : t; };
    return kLeft + (pos(v) - pos(x.lo)) / (pos(x.hi) - pos(x.lo)) * (kRight - kLeft);
  }
  double to_y(double v) const {
    if (std::isinf(v)) {  // a null or a pole: drawn at the edge, printed exactly
      v = v < 0 ? y.lo : y.hi;
    }
    return kBottom - (v - y.lo) / (y.hi - y.lo) * (kBottom - kTop);
  }
  bool drawable(double xv, double yv) const {
    return std::isfinite(xv) && !std::isnan(yv) && (!x.log || xv > 0.0);
  }
};

void widen(Range& r, double v) {
  if (std::isfinite(v)) {
    r.lo = std::min(r.lo, v);
    r.hi = std::max(r.hi, v);
  }
}

constexpr double kInf = std::numeric_limits<double>::infinity();

Range x_extent(const ChartSpec& spec) {
  Range r{kInf, -kInf};
  for (const auto& s : spec.series) {
    for (const double v : s.x) {
      if (!spec.log_x || v > 0.0) {
        widen(r, v);
      }
    }
  }
  return r.lo <= r.hi ? r : Range{0.0, 1.0};
}

Range y_extent(const ChartSpec& spec, Range xr) {
  Range r{kInf, -kInf};
  const auto inside = [xr](double xv) { return xv >= xr.lo && xv <= xr.hi; };
  for (const auto& s : spec.series) {
    for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
      if (inside(s.x[i])) {
        widen(r, s.y[i]);
      }
    }
  }
  for (const auto& b : spec.shades) {
    for (std::size_t i = 0; i < b.x.size() && i < b.lo.size() && i < b.hi.size(); ++i) {
      if (inside(b.x[i])) {
        widen(r, b.lo[i]);
        widen(r, b.hi[i]);
      }
    }
  }
  return r.lo <= r.hi ? r : Range{0.0, 1.0};
}

void axes(std::string& out, const ChartSpec& spec, const Frame& f) {
  out += "<g class=\"axes\">\n";
  for (std::size_t i = 0; i < f.x.ticks.size(); ++i) {
    const double px = f.to_x(f.x.ticks[i]);
    line(out, {px, kTop}, {px, kBottom}, R"(class="grid")");
    text(out, {px, kBottom + 15}, f.x.labels[i], R"(class="tick" text-anchor="middle")");
  }
  for (std::size_t i = 0; i < f.y.ticks.size(); ++i) {
    const double py = f.to_y(f.y.ticks[i]);
    line(out, {kLeft, py}, {kRight, py}, R"(class="grid")");
    text(out, {kLeft - 5, py + 4}, f.y.labels[i], R"(class="tick" text-anchor="end")");
  }
  rect(out, {kLeft, kTop}, kRight - kLeft, kBottom - kTop, R"(class="frame")");
  text(out, {(kLeft + kRight) / 2, kHeight - 10}, spec.x_label,
       R"(class="label" text-anchor="middle")");
  text(out, {16, (kTop + kBottom) / 2}, spec.y_label,
       "class=\"label\" text-anchor=\"middle\" transform=\"rotate(-90 16 " +
           coord((kTop + kBottom) / 2) + ")\"");
  out += "</g>\n";
}

std::string stroke(const std::string& color, bool dashed) {
  return "stroke=\"" + escaped(color) + "\"" + (dashed ? " stroke-dasharray=\"6 4\"" : "");
}

constexpr double kLegendRow = 16;

// The legend above the plot, an entry per shade and curve, wrapped onto
// further rows when wider than the plot; returns the height the rows beyond
// the first take.
double legend(std::string& out, const ChartSpec& spec) {
  double x = kLeft;
  double y = 34;
  const auto item = [&](const std::string& name, const auto& swatch) {
    const double w = 34 + 6.2 * static_cast<double>(name.size());
    if (x > kLeft && x + w - 12 > kRight) {
      x = kLeft;
      y += kLegendRow;
    }
    swatch(x, y);
    text(out, {x + 22, y + 4}, name, R"(class="legend")");
    x += w;
  };
  out += "<g class=\"legend\">\n";
  for (const auto& b : spec.shades) {
    item(b.name, [&](double sx, double sy) {
      rect(out, {sx, sy - 6}, 18, 12, "fill=\"" + escaped(b.color) + "\" fill-opacity=\"0.25\"");
    });
  }
  for (const auto& s : spec.series) {
    item(s.name, [&](double sx, double sy) {
      line(out, {sx, sy}, {sx + 18, sy}, stroke(s.color, s.dashed) + " stroke-width=\"2\"");
    });
  }
  out += "</g>\n";
  return y - 34;
}

std::string x_tip(double xv) {
  return "f = " + number(xv, 9) + " MHz";
}

void shade(std::string& out, const Shade& b, const Frame& f) {
  const std::size_t n = std::min({b.x.size(), b.lo.size(), b.hi.size()});
  std::vector<Point> upper, lower;
  for (std::size_t i = 0; i < n; ++i) {
    if (f.drawable(b.x[i], b.lo[i]) && f.drawable(b.x[i], b.hi[i])) {
      upper.push_back({f.to_x(b.x[i]), f.to_y(b.hi[i])});
      lower.push_back({f.to_x(b.x[i]), f.to_y(b.lo[i])});
    }
  }
  upper.insert(upper.end(), lower.rbegin(), lower.rend());
  out += "<g class=\"shade\">\n";
  polygon(out, upper, "fill=\"" + escaped(b.color) + "\" fill-opacity=\"0.22\" stroke=\"none\"");
  for (const std::size_t i : marker_indices(n)) {
    if (f.drawable(b.x[i], b.lo[i]) && f.drawable(b.x[i], b.hi[i])) {
      const std::string tip = x_tip(b.x[i]) + "\n" + b.lo_name + " = " + fixed(b.lo[i], 4) +
                              " dB\n" + b.hi_name + " = " + fixed(b.hi[i], 4) + " dB";
      marker(out, {f.to_x(b.x[i]), f.to_y((b.lo[i] + b.hi[i]) / 2)}, 2.0, tip,
             "class=\"band-marker\" fill=\"" + escaped(b.color) + "\" fill-opacity=\"0.4\"");
    }
  }
  out += "</g>\n";
}

void curve(std::string& out, const Series& s, const Frame& f) {
  const std::size_t n = std::min(s.x.size(), s.y.size());
  std::vector<Point> pts;
  pts.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (f.drawable(s.x[i], s.y[i])) {
      pts.push_back({f.to_x(s.x[i]), f.to_y(s.y[i])});
    }
  }
  out += "<g class=\"series\" data-name=\"" + escaped(s.name) + "\">\n";
  polyline(out, pts,
           "class=\"curve\" fill=\"none\" stroke-width=\"1.6\" " + stroke(s.color, s.dashed));
  if (s.markers) {
    const std::string fill = "class=\"marker\" fill=\"" + escaped(s.color) + "\"";
    for (const std::size_t i : marker_indices(n)) {
      if (f.drawable(s.x[i], s.y[i])) {
        const std::string tip =
            x_tip(s.x[i]) + "\n" + s.name + " = " + fixed(s.y[i], s.decimals) + " " + s.unit;
        marker(out, {f.to_x(s.x[i]), f.to_y(s.y[i])}, 1.8, tip, fill);
      }
    }
  }
  out += "</g>\n";
}

}  // namespace

std::vector<std::size_t> marker_indices(std::size_t n) {
  std::vector<std::size_t> idx;
  if (n == 0) {
    return idx;
  }
  const std::size_t last = n - 1;
  const auto count = [last](std::size_t s) { return last / s + (last % s == 0 ? 1 : 2); };
  std::size_t stride = n <= kMaxMarkers ? 1 : (last + kMaxMarkers - 2) / (kMaxMarkers - 1);
  while (count(stride) > kMaxMarkers) {
    ++stride;
  }
  for (std::size_t i = 0; i < n; i += stride) {
    idx.push_back(i);
  }
  if (idx.back() != n - 1) {
    idx.push_back(n - 1);
  }
  return idx;
}

std::string chart_svg(const ChartSpec& spec) {
  const Range xr = spec.x_range.value_or(x_extent(spec));
  const Range yr = spec.y_range.value_or(y_extent(spec, xr));
  Frame f{nice_scale(xr.lo, xr.hi, spec.log_x), nice_scale(yr.lo, yr.hi)};
  const std::string clip = escaped(spec.id) + "-clip";
  std::string top;
  text(top, {kLeft, 18}, spec.title, R"(class="title")");
  const double extra = legend(top, spec);
  std::string out = "<svg class=\"chart\" id=\"" + escaped(spec.id) +
                    "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + coord(kWidth) + " " +
                    coord(kHeight + extra) + "\" role=\"img\" aria-label=\"" +
                    escaped(spec.title) + "\">\n";
  out += "<defs><clipPath id=\"" + clip + "\">";
  rect(out, {kLeft, kTop}, kRight - kLeft, kBottom - kTop, "");
  out += "</clipPath></defs>\n" + top;
  // The plot moves down by the legend's further rows, its clip path with it.
  out += "<g transform=\"translate(0 " + coord(extra) + ")\">\n";
  axes(out, spec, f);
  out += "<g clip-path=\"url(#" + clip + ")\">\n";
  for (const auto& b : spec.shades) {
    shade(out, b, f);
  }
  for (const auto& s : spec.series) {
    curve(out, s, f);
  }
  out += "</g>\n</g>\n</svg>\n";
  return out;
}

}  // namespace varnholt::html

#include "html/smith.h"

#include <algorithm>
#include <cmath>

#include "html/chart.h"
#include "html/svg.h"

namespace varnholt::html {
namespace {

constexpr double kSize = 380;
constexpr double kRadius = 160;
constexpr Point kCentre{kSize / 2, kSize / 2 + 8};
constexpr double kGridValues[] = {0.2, 0.5, 1.0, 2.0, 5.0};

Point at(std::complex<double> g) {
  return {kCentre.x + kRadius * g.real(), kCentre.y - kRadius * g.imag()};
}

std::string signed_j(double v, int sig) {
  return (v < 0 ? " - j" : " + j") + number(std::fabs(v), sig);
}

void grid(std::string& out, const std::string& clip) {
  out += "<g class=\"smith-grid\">\n";
  circle(out, kCentre, kRadius, R"(class="frame" fill="none")");
  line(out, {kCentre.x - kRadius, kCentre.y}, {kCentre.x + kRadius, kCentre.y}, R"(class="grid")");
  for (const double r : kGridValues) {  // constant resistance: centre r/(1+r), radius 1/(1+r)
    circle(out, at({r / (1 + r), 0.0}), kRadius / (1 + r), R"(class="grid" fill="none")");
    text(out, {at({(r - 1) / (r + 1), 0.0}).x + 2, kCentre.y - 3}, number(r, 3), R"(class="tick")");
  }
  out += "<g clip-path=\"url(#" + clip + ")\">\n";
  for (const double x : kGridValues) {  // constant reactance: centre 1 + j/x, radius 1/x
    for (const double sx : {x, -x}) {
      circle(out, at({1.0, 1.0 / sx}), kRadius / x, R"(class="grid" fill="none")");
    }
  }
  out += "</g>\n";
  for (const double x : kGridValues) {  // where the arc meets the rim: (x^2-1 + 2jx)/(x^2+1)
    for (const double sx : {x, -x}) {
      const std::complex<double> rim{(x * x - 1) / (x * x + 1), 2 * sx / (x * x + 1)};
      const Point p = at(rim * 1.07);
      text(out, {p.x, p.y + 4}, (sx < 0 ? "-j" : "j") + number(x, 3),
           R"(class="tick" text-anchor="middle")");
    }
  }
  out += "</g>\n";
}

std::string tooltip(double f, std::complex<double> g, double z0) {
  std::string tip = "f = " + number(f, 9) + " MHz\nS11 = " + fixed(g.real(), 6) +
                    (g.imag() < 0 ? " - j" : " + j") + fixed(std::fabs(g.imag()), 6) + " (" +
                    fixed(20 * std::log10(std::abs(g)), 4) + " dB)";
  const std::complex<double> denom = 1.0 - g;
  if (std::abs(denom) > 0.0) {
    const std::complex<double> z = z0 * (1.0 + g) / denom;
    tip += "\nZin = " + number(z.real(), 6) + signed_j(z.imag(), 6) + " Ω";
  }
  return tip;
}

void trace_marks(std::string& out, const SmithTrace& t) {
  const std::size_t n = std::min(t.f_mhz.size(), t.gamma.size());
  std::vector<Point> pts;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::isfinite(t.gamma[i].real()) && std::isfinite(t.gamma[i].imag())) {
      pts.push_back(at(t.gamma[i]));
    }
  }
  out += "<g class=\"series\" data-name=\"S11\">\n";
  polyline(out, pts, R"(class="curve" fill="none" stroke="#c0392b" stroke-width="1.6")");
  for (const std::size_t i : marker_indices(n)) {
    const auto g = t.gamma[i];
    if (std::isfinite(g.real()) && std::isfinite(g.imag())) {
      marker(out, at(g), 1.8, tooltip(t.f_mhz[i], g, t.z0), R"(class="marker" fill="#c0392b")");
    }
  }
  if (!pts.empty()) {
    rect(out, {pts.front().x - 4, pts.front().y - 4}, 8, 8,
         R"(class="end" fill="none" stroke="#222")");
    const Point e = pts.back();
    polygon(out, {{e.x, e.y - 5}, {e.x - 5, e.y + 4}, {e.x + 5, e.y + 4}},
            R"(class="end" fill="none" stroke="#222")");
  }
  out += "</g>\n";
}

}  // namespace

std::string smith_svg(const std::string& id, const std::string& title, const SmithTrace& trace) {
  const std::string clip = escaped(id) + "-clip";
  std::string out = "<svg class=\"smith\" id=\"" + escaped(id) +
                    "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + coord(kSize) + " " +
                    coord(kSize + 16) + "\" role=\"img\" aria-label=\"" + escaped(title) + "\">\n";
  out += "<defs><clipPath id=\"" + clip + "\">";
  circle(out, kCentre, kRadius, "");
  out += "</clipPath></defs>\n";
  text(out, {10, 18}, title, R"(class="title")");
  grid(out, clip);
  trace_marks(out, trace);
  text(out, {10, kSize + 10},
       "square: first point, triangle: last; Z0 = " + number(trace.z0, 6) + " Ω",
       R"(class="legend")");
  out += "</svg>\n";
  return out;
}

}  // namespace varnholt::html

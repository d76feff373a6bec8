#include "html/svg.h"

#include <cmath>
#include <cstdio>

namespace varnholt::html {
namespace {

std::string non_finite(double v) {
  if (std::isnan(v)) {
    return "nan";
  }
  return v > 0 ? "inf" : "-inf";
}

void points_attr(std::string& out, const std::vector<Point>& points) {
  out += "points=\"";
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (i > 0) {
      out += ' ';
    }
    out += coord(points[i].x);
    out += ',';
    out += coord(points[i].y);
  }
  out += '"';
}

}  // namespace

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += ch;
    }
  }
  return out;
}

std::string coord(double v) {
  if (!std::isfinite(v)) {
    v = 0.0;
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  return s == "-0.00" ? "0.00" : s;
}

std::string number(double v, int significant) {
  if (!std::isfinite(v)) {
    return non_finite(v);
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*g", significant, v);
  return buf;
}

std::string fixed(double v, int decimals) {
  if (!std::isfinite(v)) {
    return non_finite(v);
  }
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

void line(std::string& out, Point a, Point b, std::string_view attrs) {
  out += "<line x1=\"" + coord(a.x) + "\" y1=\"" + coord(a.y) + "\" x2=\"" + coord(b.x) +
         "\" y2=\"" + coord(b.y) + "\" ";
  out += attrs;
  out += "/>\n";
}

void polyline(std::string& out, const std::vector<Point>& points, std::string_view attrs) {
  out += "<polyline ";
  points_attr(out, points);
  out += ' ';
  out += attrs;
  out += "/>\n";
}

void polygon(std::string& out, const std::vector<Point>& points, std::string_view attrs) {
  out += "<polygon ";
  points_attr(out, points);
  out += ' ';
  out += attrs;
  out += "/>\n";
}

void path(std::string& out, std::string_view d, std::string_view attrs) {
  out += "<path d=\"";
  out += d;
  out += "\" ";
  out += attrs;
  out += "/>\n";
}

void circle(std::string& out, Point c, double r, std::string_view attrs) {
  out += "<circle cx=\"" + coord(c.x) + "\" cy=\"" + coord(c.y) + "\" r=\"" + coord(r) + "\" ";
  out += attrs;
  out += "/>\n";
}

void rect(std::string& out, Point corner, double w, double h, std::string_view attrs) {
  out += "<rect x=\"" + coord(corner.x) + "\" y=\"" + coord(corner.y) + "\" width=\"" + coord(w) +
         "\" height=\"" + coord(h) + "\" ";
  out += attrs;
  out += "/>\n";
}

void text(std::string& out, Point at, std::string_view content, std::string_view attrs) {
  out += "<text x=\"" + coord(at.x) + "\" y=\"" + coord(at.y) + "\" ";
  out += attrs;
  out += '>';
  out += escaped(content);
  out += "</text>\n";
}

void marker(std::string& out, Point c, double r, std::string_view tooltip, std::string_view attrs) {
  out += "<circle cx=\"" + coord(c.x) + "\" cy=\"" + coord(c.y) + "\" r=\"" + coord(r) + "\" ";
  out += attrs;
  out += "><title>";
  out += escaped(tooltip);
  out += "</title></circle>\n";
}

}  // namespace varnholt::html

// Small helpers that write SVG and HTML text: escaping, numbers for
// coordinates and for people, and the few elements the drawings use.
// Everything appends to a std::string; nothing here knows about filters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnholt::html {

// Text safe inside element content and inside double-quoted attributes.
std::string escaped(std::string_view text);

// A coordinate with two decimals ("12.35"); non-finite values print as 0.
std::string coord(double v);

// A value with `significant` significant digits, trailing zeros dropped
// ("-3.0103", "1000", "1.5e-07"); "inf", "-inf" and "nan" as such.
std::string number(double v, int significant = 6);

// A value with a fixed number of decimals ("-3.0100"), non-finite as number().
std::string fixed(double v, int decimals);

struct Point {
  double x = 0.0;
  double y = 0.0;
};

// The elements. `attrs` is inserted verbatim (already escaped) after the
// geometry, e.g. R"(class="grid")".
void line(std::string& out, Point a, Point b, std::string_view attrs);
void polyline(std::string& out, const std::vector<Point>& points, std::string_view attrs);
void polygon(std::string& out, const std::vector<Point>& points, std::string_view attrs);
void path(std::string& out, std::string_view d, std::string_view attrs);
void circle(std::string& out, Point c, double r, std::string_view attrs);
void rect(std::string& out, Point corner, double w, double h, std::string_view attrs);
// Text is escaped here.
void text(std::string& out, Point at, std::string_view content, std::string_view attrs);
// A small dot whose tooltip is `tooltip` (escaped here).
void marker(std::string& out, Point c, double r, std::string_view tooltip, std::string_view attrs);

}  // namespace varnholt::html

// A Smith chart of a reflection coefficient as inline SVG.
#pragma once

#include <complex>
#include <string>
#include <vector>

namespace varnholt::html {

struct SmithTrace {
  std::vector<double> f_mhz;
  std::vector<std::complex<double>> gamma;  // reflection coefficient
  double z0 = 50.0;                         // reference resistance (ohms), for the tooltips
};

// Grid circles of constant normalised resistance and arcs of constant
// reactance, the trace as one polyline, and a marker per point (thinned as in
// chart.h: marker_indices) whose tooltip holds f, the coefficient as
// re + j im and in dB, and the impedance it stands for. The start point is a
// square, the end point a triangle.
std::string smith_svg(const std::string& id, const std::string& title, const SmithTrace& trace);

}  // namespace varnholt::html

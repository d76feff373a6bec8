// Element values in engineering units, four significant digits, with the
// micro sign (U+00B5) for micro.
#pragma once

#include <string>

namespace varnholt::html {

std::string inductance_text(double nh);   // "56.23 nH", "1.235 µH", "2.2 mH"
std::string capacitance_text(double pf);  // "0.47 pF", "12 pF", "3.3 nF", "1.5 µF"
std::string resistance_text(double ohms, double reactance = 0.0);  // "50 Ω", "50 + j10 Ω"

}  // namespace varnholt::html

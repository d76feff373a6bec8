// Element values as the reports print them.
#pragma once

#include <string_view>

namespace varnholt {

// An element value as the table prints it: above 100000 nH or pF, in mH or uF.
struct Printed {
  float value;
  std::string_view unit;
};
Printed inductor(float nh);
Printed capacitor(float pf);

}  // namespace varnholt

// Ends the run at once: an unreadable reply, the end of input, a file that
// cannot be opened or written. The main program reports it and exits with 2.
#pragma once

#include <stdexcept>

namespace varnholt {

class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace varnholt

// Runs a whole program session in-process: replies in, exact bytes out.
#pragma once

#include <sstream>
#include <string>

#include "common/file_system.h"
#include "run/program.h"

namespace varnholt::testing {

// A default-values file whose values pass every check.
inline const std::string kDefaultsFile =
    "Test defaults\r\n"
    "0.5\r\n"          // Am
    "40\r\n"           // A1
    "100\r\n"          // FC1
    "110\r\n"          // FH1
    "90\r\n"           // FL1
    "200\r\n"          // Fmax
    "50\r\n"           // Fmin
    "lowpass.ckt\r\n"  // FNI
    "report.txt\r\n"   // FNO
    "200\r\n"          // F1
    "50\r\n"           // Fstep
    "5\r\n"            // N
    "0\r\n"            // ZIL
    "0\r\n"            // ZIS
    "50\r\n"           // Zo
    "50\r\n"           // ZRL
    "50\r\n";          // ZRS

// The sixth of May 2026 at 9:05:03.
inline Datetime fixed_time() { return {5, 6, 2026, 9, 5, 3}; }

struct SessionResult {
  int status = -1;
  std::string out;
  std::string err;
};

class SessionRunner {
 public:
  SessionRunner() { fs.put("Varnholt.DEF", kDefaultsFile); }

  SessionResult run(const std::string& replies) {
    std::istringstream in(replies);
    std::ostringstream out;
    std::ostringstream err;
    SessionResult result;
    result.status = run_program(in, out, err, fs, fixed_time);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  MemoryFileSystem fs;
};

// Joins lines with CR LF after each.
inline std::string lines(std::initializer_list<std::string_view> list) {
  std::string text;
  for (std::string_view line : list) {
    text.append(line);
    text.append("\r\n");
  }
  return text;
}

}  // namespace varnholt::testing

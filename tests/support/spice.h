// Tests that run ngspice: a missing simulator skips the test, except under CI
// (CI set and not false or 0), where it fails.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#define VARNHOLT_NEED_NGSPICE()                                                       \
  if (std::system("command -v ngspice >/dev/null 2>&1") != 0) {                       \
    const std::string ci = std::getenv("CI") != nullptr ? std::getenv("CI") : "";     \
    if (ci != "" && ci != "false" && ci != "0") FAIL() << "ngspice is not installed"; \
    GTEST_SKIP() << "ngspice is not installed (apt-get install ngspice)";             \
  }

namespace varnholt::testing {

// A path stem in the temporary folder unique to this process and `tag`.
inline std::string temp_stem(const std::string& tag) {
  return (std::filesystem::temp_directory_path() / ("varnholt-" + tag + "-")).string() +
         std::to_string(::getpid());
}

// What ngspice prints in batch mode for `netlist`, written to stem.cir; its
// exit status is not used (it reports notes with a failure status).
struct SpiceRun {
  std::string out, err;
};

inline SpiceRun run_ngspice(const std::string& netlist, const std::string& stem) {
  std::ofstream(stem + ".cir") << netlist;
  SpiceRun run;
  // -n: no start-up file may change the analysis.
  if (FILE* pipe = ::popen(("ngspice -n -b " + stem + ".cir 2>" + stem + ".err").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      run.out.append(buffer, got);
    ::pclose(pipe);
  }
  std::ifstream errors(stem + ".err");
  run.err.assign(std::istreambuf_iterator<char>(errors), {});
  std::filesystem::remove(stem + ".cir");
  std::filesystem::remove(stem + ".err");
  return run;
}

}  // namespace varnholt::testing

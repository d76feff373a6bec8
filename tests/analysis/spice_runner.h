// Runs ngspice in batch mode on netlists written by spice_netlist and reads
// back the analysis points. Netlists go to temporary files that are removed
// afterwards; several runs proceed side by side.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "analysis/netlist.h"

namespace varnholt::spicerun {

// CI sets CI=true; there a missing simulator is a failure, not a skip.
inline bool in_ci() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0' && std::string_view(ci) != "false" &&
         std::string_view(ci) != "0";
}

inline bool ngspice_installed() {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::filesystem::path dir(std::string(rest.substr(0, colon)));
    rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    if (!dir.empty() && ::access((dir / "ngspice").c_str(), X_OK) == 0) {
      return true;
    }
  }
  return false;
}

// Stops the test when ngspice cannot be run: a failure under CI, a skip
// elsewhere.
#define VARNHOLT_NEED_NGSPICE()                                                        \
  do {                                                                                 \
    if (!::varnholt::spicerun::ngspice_installed()) {                                  \
      if (::varnholt::spicerun::in_ci()) {                                             \
        FAIL() << "ngspice is not installed; scripts/setup.sh installs it";            \
      }                                                                                \
      GTEST_SKIP() << "ngspice is not installed (apt-get install ngspice); skipping "  \
                      "the comparison with the circuit simulator";                     \
    }                                                                                  \
  } while (0)

struct Run {
  std::vector<SpicePoint> points;
  std::string output;  // what ngspice printed on standard output
  std::string errors;  // and on standard error
  // The end of both, to show with a failure.
  std::string tail() const {
    auto last = [](const std::string& s) {
      return s.size() > 1500 ? s.substr(s.size() - 1500) : s;
    };
    return last(output) + "\n[stderr]\n" + last(errors);
  }
};

inline Run run_one(const std::string& netlist, int id) {
  static std::atomic<int> serial{0};
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("varnholt-spice-" + std::to_string(::getpid()) + "-" + std::to_string(id) + "-" +
       std::to_string(serial++) + ".cir");
  {
    std::ofstream out(file);
    out << netlist;
  }
  // Notes on standard error would break up the printed lines; keep them apart.
  std::filesystem::path errors = file;
  errors.replace_extension(".err");
  Run run;
  // -n: no user or local start-up file may change the analysis.
  const std::string command = "ngspice -n -b '" + file.string() + "' 2>'" + errors.string() + "'";
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    ::pclose(pipe);
  }
  {
    std::ifstream in(errors);
    run.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::filesystem::remove(file);
  std::filesystem::remove(errors);
  run.points = read_spice_points(run.output);
  return run;
}

// One ngspice process per netlist, two at a time (the machines have two cores).
inline std::vector<Run> run_all(const std::vector<std::string>& netlists) {
  std::vector<Run> runs(netlists.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < netlists.size(); i = next++) {
      runs[i] = run_one(netlists[i], static_cast<int>(i));
    }
  };
  std::thread helper(work);
  work();
  helper.join();
  return runs;
}

}  // namespace varnholt::spicerun

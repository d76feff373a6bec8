// Commands run in-process in a scratch folder, with the fixed clock of the
// session tests, and the tables of tests/data/cli read line by line.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/session.h"

namespace varnholt::testing {

struct CliResult {
  int status = -1;
  std::string out, err;
};

// A scratch folder for one test; "@/" in arguments stands for it and
// "%/" for tests/data/cli.
class CliFolder {
 public:
  CliFolder() {
    dir_ = std::filesystem::temp_directory_path() /
           ("varnholt-cli-" + std::to_string(::getpid()) + "-" + std::to_string(next_++));
    std::filesystem::create_directories(dir_);
  }
  ~CliFolder() { std::filesystem::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // `progress`: as when standard error is a terminal.
  CliResult run(const std::string& command_line, bool progress = false) {
    std::istringstream words(command_line);
    std::vector<std::string> args;
    for (std::string w; words >> w;) args.push_back(expand(w));
    std::ostringstream out, err;
    DiskFileSystem files;
    CliIo io{out, err, files, fixed_time, progress};
    CliResult r;
    r.status = run_cli(args, io);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

  std::string expand(std::string word) const {
    for (auto [mark, with] : {std::pair<std::string, std::string>{"@/", dir_.string() + "/"},
                              {"%/", std::string(VARNHOLT_TEST_DATA) + "/cli/"}}) {
      for (auto pos = word.find(mark); pos != std::string::npos; pos = word.find(mark)) {
        word.replace(pos, mark.size(), with);
      }
    }
    return word;
  }

 private:
  std::filesystem::path dir_;
  static inline int next_ = 0;
};

// The lines of a table in tests/data/cli, without blank and "#" lines.
inline std::vector<std::string> table(const std::string& name) {
  std::ifstream in(std::string(VARNHOLT_TEST_DATA) + "/cli/" + name);
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') rows.push_back(line);
  }
  EXPECT_FALSE(rows.empty()) << name;
  return rows;
}

// The two sides of "left || right".
inline std::pair<std::string, std::string> sides(const std::string& row) {
  const auto bar = row.find(" || ");
  if (bar == std::string::npos) return {row, ""};
  return {row.substr(0, bar), row.substr(bar + 4)};
}

}  // namespace varnholt::testing

// Outside tools called from the tests: a probe that skips a test when a tool
// is missing (a failure under CI=true), a command's output, and its numbers.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace varnholt::testing {

inline bool need(const char* probe, const char* what) {
  if (std::system(probe) == 0) return true;
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << what << " is not installed";
  return false;
}

inline std::string output_of(const std::string& command) {
  std::string text;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
    ::pclose(p);
  }
  return text;
}

// Rows of numbers, one vector per line (lines that do not start with a number are left out).
inline std::vector<std::vector<double>> numbers(const std::string& text, char separator = ' ') {
  std::vector<std::vector<double>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    for (char& c : line) c = c == separator ? ' ' : c;
    std::istringstream words(line);
    std::vector<double> row;
    for (double v; words >> v;) row.push_back(v);
    if (!row.empty() && words.eof()) rows.push_back(row);
  }
  return rows;
}

}  // namespace varnholt::testing

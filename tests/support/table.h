// Tables of cases kept as data under tests/data: one case a line, fields
// separated by '|', blank lines and lines starting with '#' skipped. In a
// field \n \r \t \0 \xHH stand for that byte, and \ before any other
// character (such as | or \) for the character itself.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace varnholt::testing {

using Row = std::vector<std::string>;

inline std::vector<Row> read_table(const std::string& name) {
  std::ifstream file(VARNHOLT_TEST_DATA "/" + name, std::ios::binary);
  EXPECT_TRUE(file.is_open()) << name;
  std::vector<Row> rows;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    Row row(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '|') row.emplace_back();
      else if (c != '\\' || i + 1 == line.size()) row.back() += c;
      else {
        const char e = line[++i];
        if (e == 'x') {
          row.back() += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
          i += 2;
        } else {
          row.back() += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == '0' ? '\0' : e;
        }
      }
    }
    rows.push_back(row);
  }
  return rows;
}

// The lines of a data file split at white space, blank and '#' lines left out.
inline std::vector<Row> read_words(const std::string& name) {
  std::ifstream file(VARNHOLT_TEST_DATA "/" + name);
  EXPECT_TRUE(file.is_open()) << name;
  std::vector<Row> rows;
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    if (line.empty() || line[0] == '#') continue;
    using Words = std::istream_iterator<std::string>;
    rows.emplace_back(Words(words), Words());
  }
  return rows;
}

// The nearest float to a decimal text ("inf", "-0" and "nan" included).
inline float to_float(const std::string& text) { return std::strtof(text.c_str(), nullptr); }

}  // namespace varnholt::testing

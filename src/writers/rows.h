// Rows of a long table formatted on all cores, block by block, and written
// in order; each number the shortest text that reads back as the same double.
#pragma once

#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>

#include "common/parallel.h"

namespace varnholt {

inline void append_number(std::string& text, double value) {
  char buffer[32];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
  text.append(buffer, res.ptr);
}

// A value of float precision: the shortest text that reads back as its float.
inline void append_float(std::string& text, double value) {
  char buffer[24];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
  text.append(buffer, res.ptr);
}

// Rows 0 .. rows - 1, each appended to a text by row(k, text), written in
// order; formatted in blocks on all cores (ordered_blocks).
template <typename Row>
void write_rows(std::ostream& out, int64_t rows, const Row& row) {
  ordered_blocks(
      rows, 2048,
      [&](int64_t begin, int64_t end, std::string& text) {
        for (int64_t k = begin; k < end; ++k) row(k, text);
      },
      [&](const std::string& text) { out.write(text.data(), static_cast<std::streamsize>(text.size())); });
}

// Comment lines: each line of `comments` after `mark` and a space.
inline void comment_lines(std::string& text, const std::string& comments, const char* mark) {
  std::size_t start = 0;
  while (start < comments.size()) {
    std::size_t end = comments.find('\n', start);
    if (end == std::string::npos) end = comments.size();
    text += mark;
    text += ' ';
    text.append(comments, start, end - start);
    text += '\n';
    start = end + 1;
  }
}

}  // namespace varnholt

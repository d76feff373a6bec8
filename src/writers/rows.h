// Rows of a long table formatted on all cores, block by block, and written
// in order; each number the shortest text that reads back as the same double.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

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
// order. Blocks of rows are formatted side by side on the machine's cores, a
// few at a time, so the text held stays bounded whatever the number of rows;
// a short table stays on one thread.
template <typename Row>
void write_rows(std::ostream& out, int64_t rows, const Row& row) {
  constexpr int64_t kRowsPerBlock = 2048;
  const auto workers = rows <= kRowsPerBlock
                           ? int64_t{1}
                           : static_cast<int64_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  std::vector<std::string> blocks(static_cast<std::size_t>(workers));
  const auto fill = [&](int64_t first, int64_t w) {
    std::string& text = blocks[static_cast<std::size_t>(w)];
    text.clear();
    const int64_t begin = first + w * kRowsPerBlock;
    const int64_t end = std::min(rows, begin + kRowsPerBlock);
    for (int64_t k = begin; k < end; ++k) row(k, text);
  };
  for (int64_t first = 0; first < rows; first += kRowsPerBlock * workers) {
    std::vector<std::thread> threads;
    for (int64_t w = 1; w < workers && first + w * kRowsPerBlock < rows; ++w) {
      threads.emplace_back(fill, first, w);
    }
    fill(first, 0);
    for (std::thread& t : threads) t.join();
    for (std::size_t w = 0; w <= threads.size(); ++w) {
      out.write(blocks[w].data(), static_cast<std::streamsize>(blocks[w].size()));
    }
  }
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

// Rows of a long table formatted on all cores, block by block, and written
// in order; each number the shortest text that reads back as the same double.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>

#include "common/parallel.h"
#include "common/shortest.h"
#include "pipeline/response.h"

namespace varnholt {

// One row appended to a block's text, its numbers written straight into the
// text's storage: room for `numbers` numbers is made once per row, not once
// per number, and what is left over is cut off at the end.
class RowText {
 public:
  RowText(std::string& text, std::size_t numbers) : text_(text) {
    const std::size_t start = text.size();
    text.resize(start + numbers * kNumberChars + kShortestChars);
    at_ = text.data() + start;
  }
  ~RowText() { text_.resize(static_cast<std::size_t>(at_ - text_.data())); }
  RowText(const RowText&) = delete;
  RowText& operator=(const RowText&) = delete;

  void number(double value) { at_ = write_shortest(at_, value); }
  // A value of float precision: the shortest text that reads back as its float.
  void float_number(double value) {
    at_ = std::to_chars(at_, at_ + kShortestChars, static_cast<float>(value)).ptr;
  }
  void put(char c) { *at_++ = c; }

 private:
  static constexpr std::size_t kNumberChars = 26;  // the longest number and its separator

  std::string& text_;
  char* at_;
};

// Rows 0 .. rows - 1 written in order: chunk(begin, n, text) appends the
// text of the n rows from `begin` (n at most kRowChunk, so that a chunk's
// points fit on the stack). Formatted in blocks on all cores (ordered_blocks).
template <typename Chunk>
void write_rows(std::ostream& out, std::size_t rows, const Chunk& chunk) {
  ordered_blocks(
      static_cast<int64_t>(rows), 2048,
      [&](int64_t begin, int64_t end, std::string& text) {
        for (auto k = static_cast<std::size_t>(begin); k < static_cast<std::size_t>(end); k += kRowChunk) {
          chunk(k, std::min(kRowChunk, static_cast<std::size_t>(end) - k), text);
        }
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

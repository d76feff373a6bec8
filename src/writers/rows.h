// Rows of a long table formatted on all cores, block by block, and written
// in order; each number the shortest text that reads back as the same double.
#pragma once

#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>

#include "common/parallel.h"
#include "common/shortest.h"

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

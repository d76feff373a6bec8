// What the fuzz targets share: a console output that refuses to grow without
// bound, a fixed clock, and checks that abort with a message (so that the
// fuzzer records the input as a crash).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "common/stores.h"

namespace varnholt::fuzz {

// Aborts with `what` when `ok` is false.
inline void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

// An output buffer that accepts at most `limit` characters. Past the limit a
// write fails, the stream goes bad and the console layer ends the run as it
// does for any failed write (exit status 2). This bounds the work of inputs
// that ask for millions of report lines, such as a sweep with a tiny step.
class CappedBuffer : public std::streambuf {
 public:
  explicit CappedBuffer(std::size_t limit) : limit_(limit) {}

  const std::string& text() const { return text_; }
  bool capped() const { return capped_; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (text_.size() >= limit_) {
      capped_ = true;
      return traits_type::eof();
    }
    text_.push_back(traits_type::to_char_type(c));
    return c;
  }

  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::size_t room = limit_ - text_.size();
    const std::size_t take = static_cast<std::size_t>(n) < room ? static_cast<std::size_t>(n) : room;
    text_.append(s, take);
    if (take < static_cast<std::size_t>(n)) capped_ = true;
    return static_cast<std::streamsize>(take);
  }

 private:
  std::size_t limit_;
  std::string text_;
  bool capped_ = false;
};

// The sixth of May 2026 at 9:05:03: reports must not depend on the real clock.
inline Datetime fixed_time() { return {5, 6, 2026, 9, 5, 3}; }

// Every line end written is CR LF: no lone LF and no lone CR anywhere.
inline bool line_ends_are_crlf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
  }
  return true;
}

// Text made only of finished writes: empty, or ending with a line end.
inline bool only_finished_lines(std::string_view text) {
  return text.empty() || (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n");
}

}  // namespace varnholt::fuzz

// Sessions over in-memory streams and files: a whole program run from a
// string of replies, or the dialog routines on their own over shared stores.
#pragma once

#include <gtest/gtest.h>

#include <ios>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_system.h"
#include "common/session.h"
#include "format/console.h"
#include "run/program.h"

namespace varnholt::testing {

// Text written with "\n" line ends, with the CR LF that every written line ends with.
inline std::string crlf(std::string_view text) {
  std::string out;
  for (const char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// Lines ended by CR LF.
inline std::string lines(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& line : list) text += line + "\r\n";
  return text;
}

// Defaults that pass every check: Am 0.5, A1 40, FC1 100, FH1 110, FL1 90,
// Fmax 200, Fmin 50, FNI, FNO, F1 200, Fstep 50, N 5, ZIL 0, ZIS 0, Zo 50,
// ZRL 50, ZRS 50.
inline const std::string kDefaultsFile = crlf(
    "Test defaults\n0.5\n40\n100\n110\n90\n200\n50\nlowpass.ckt\nreport.txt\n200\n50\n5\n0\n0\n"
    "50\n50\n50\n");

// The sixth of May 2026 at 9:05:03.
inline Datetime fixed_time() { return {5, 6, 2026, 9, 5, 3}; }

struct SessionResult {
  int status = -1;
  std::string out, err;
};

// Whole program runs, with the default-values file in place.
class SessionRunner {
 public:
  SessionRunner() { fs.put("Varnholt.DEF", kDefaultsFile); }

  SessionResult run(const std::string& replies) {
    std::istringstream in(replies);
    std::ostringstream out, err;
    SessionResult result;
    result.status = run_program(in, out, err, fs, fixed_time);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  MemoryFileSystem fs;
};

// The dialog routines on their own: replies from a string, output collected.
class DialogTest : public ::testing::Test {
 protected:
  void replies(const std::string& text) {
    in_.clear();
    in_.str(text);
  }
  std::string output() const { return out_.str(); }
  // What was written since the last mark().
  void mark() { mark_ = out_.str().size(); }
  std::string written() const { return out_.str().substr(mark_); }
  std::string unread() {
    std::string rest;
    std::getline(in_, rest, '\0');
    return rest;
  }

  State st;
  MemoryFileSystem fs;

 private:
  std::istringstream in_;
  std::ostringstream out_;
  std::size_t mark_ = 0;

 protected:
  Console console{in_, out_};
  Session session{st, console, fs, [] { return Datetime{}; }};
};

// Files that open but fail part way through reading, as a device error does:
// the text is read, then the next read throws.
class FailingReadFileSystem : public FileSystem {
 public:
  explicit FailingReadFileSystem(std::string text) : text_(std::move(text)) {}

  std::unique_ptr<std::istream> open_read(const std::string&, std::string&) override {
    struct Buf : std::stringbuf {
      using std::stringbuf::stringbuf;
      int_type underflow() override {
        if (gptr() == egptr()) throw std::ios_base::failure("error reading the file: I/O error");
        return std::stringbuf::underflow();
      }
    };
    struct Stream : std::istream {
      explicit Stream(const std::string& text) : std::istream(nullptr), buf(text) { rdbuf(&buf); }
      Buf buf;
    };
    return std::make_unique<Stream>(text_);
  }
  std::unique_ptr<std::ostream> open_write(const std::string&, std::string& why) override {
    why = "read-only";
    return nullptr;
  }

 private:
  std::string text_;
};

}  // namespace varnholt::testing

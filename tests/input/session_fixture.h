// A session over in-memory streams and files: replies are read from a
// string, console output is collected, files live in a MemoryFileSystem.
#pragma once

#include <gtest/gtest.h>

#include <ios>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>

#include "common/file_system.h"
#include "common/session.h"
#include "common/stores.h"
#include "format/console.h"

namespace varnholt::testing {

class SessionTest : public ::testing::Test {
 protected:
  // The console replies still to be read, one per line.
  void replies(const std::string& text) {
    in_.clear();
    in_.str(text);
  }
  std::string output() const { return out_.str(); }
  // The replies not read yet.
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

 protected:
  Console console{in_, out_};
  Session session{st, console, fs, [] { return Datetime{}; }};
};

// Files that open but fail part way through reading, as a directory or a
// device error does: the text is read, then the next read throws.
class FailingReadFileSystem : public FileSystem {
 public:
  explicit FailingReadFileSystem(std::string text) : text_(std::move(text)) {}

  std::unique_ptr<std::istream> open_read(const std::string&, std::string&) override {
    return std::make_unique<FailingStream>(text_);
  }
  std::unique_ptr<std::ostream> open_write(const std::string&, std::string& why) override {
    why = "read-only";
    return nullptr;
  }

 private:
  class FailingBuf : public std::streambuf {
   public:
    explicit FailingBuf(std::string text) : text_(std::move(text)) {
      setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

   protected:
    int_type underflow() override {
      throw std::ios_base::failure("error reading the file: Input/output error");
    }

   private:
    std::string text_;
  };

  class FailingStream : public std::istream {
   public:
    explicit FailingStream(std::string text) : std::istream(nullptr), buf_(std::move(text)) {
      rdbuf(&buf_);
    }

   private:
    FailingBuf buf_;
  };

  std::string text_;
};

// Text written with "\n" line ends, turned into the CR LF that every written
// line ends with, so that long transcripts stay readable.
inline std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\r\n";
    else out.push_back(c);
  }
  return out;
}

}  // namespace varnholt::testing

// The one layer through which the program talks to the user: finished writes,
// prompts and report lines (mirrored to the storage file while storing), and
// the reads of replies. Streams are passed in, so a test can drive a whole
// session from a string of replies.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "common/fatal_error.h"
#include "format/layout.h"

namespace varnholt {

class Console {
 public:
  Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

  // A finished write on the console only (banner, menus, messages).
  void show(const Layout& layout, FieldValues values = {});
  // A prompt: the console line is left open for the reply.
  void prompt(const Layout& layout, FieldValues values = {});
  // A report line: the console, then the storage file while one is mirrored.
  void report(const Layout& layout, FieldValues values = {});
  void report(const Layout& layout, const FieldValue* values, std::size_t count);
  // A report line whose data fields are all Fw.d.
  void report(const Layout& layout, const float* values, std::size_t count);

  // Report lines go to `file` as well from now on; null stops the mirror.
  void mirror_to(std::ostream* file) { storage_ = file; }
  bool mirroring() const { return storage_ != nullptr; }

  // A numeric reply read with the 13-column field; fatal when unreadable or
  // at the end of input.
  float read_number();
  // A numeric reply rounded to the nearest integer, halves away from zero.
  int32_t read_choice();
  // A text reply: its first 20 characters, blank-padded; fatal at the end of input.
  std::string read_name();

 private:
  void write(std::ostream& stream, const char* what);
  void read_reply(std::string& line);

  std::istream& in_;
  std::ostream& out_;
  std::ostream* storage_ = nullptr;
  std::string text_;   // the characters of the write being made
  std::string reply_;  // the last reply line
};

}  // namespace varnholt

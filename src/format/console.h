// The one layer through which the program talks to the user: finished writes,
// prompts and report lines (mirrored to the storage file while storing), and
// the reads of replies. Streams are passed in, so a test can drive a whole
// session from a string of replies.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

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

  // Report lines already formatted (each ending in CR LF), written as
  // report() writes them, line by line.
  void report_text(std::string_view text);

  // A finished write in the storage file only.
  void store(const Layout& layout, FieldValues values = {});

  // Report lines go to `file`, the storage file `name`, as well from now on;
  // null stops the mirror.
  void mirror_to(std::ostream* file, std::string name = {});
  bool mirroring() const { return storage_ != nullptr; }
  // Writes out the lines the storage file holds buffered; throws FatalError
  // when any write to it has failed.
  void flush_storage() const;
  // The same for any storage file: the diagnostic names the file and gives
  // the system's reason.
  static void flush_storage(std::ostream& file, const std::string& name);

  // A numeric reply read with the 13-column field; fatal when unreadable or
  // at the end of input.
  float read_number();
  // A numeric reply rounded to the nearest integer, halves away from zero.
  int32_t read_choice();
  // A text reply: its first 20 characters, blank-padded; fatal at the end of input.
  std::string read_name();

 private:
  void write_console();
  void write_storage();
  void read_reply(std::string& line);

  std::istream& in_;
  std::ostream& out_;
  std::ostream* storage_ = nullptr;
  std::string storage_name_;
  std::string text_;   // the characters of the write being made
  std::string reply_;  // the last reply line
};

}  // namespace varnholt

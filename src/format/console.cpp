#include "format/console.h"

#include <algorithm>

#include "common/file_system.h"
#include "format/reader.h"

namespace varnholt {

void Console::write_console() {
  if (!out_.write(text_.data(), static_cast<std::streamsize>(text_.size()))) {
    throw FatalError("cannot write to the console");
  }
}

// A failed write ends the run at once; a buffered one that fails shows at
// the next flush.
void Console::write_storage() {
  if (!storage_->write(text_.data(), static_cast<std::streamsize>(text_.size()))) {
    flush_storage();
  }
}

void Console::mirror_to(std::ostream* file, std::string name) {
  storage_ = file;
  storage_name_ = std::move(name);
}

void Console::flush_storage() const {
  if (storage_ != nullptr) flush_storage(*storage_, storage_name_);
}

void Console::flush_storage(std::ostream& file, const std::string& name) {
  std::string why;
  if (!flush_output(file, why)) {
    throw FatalError("cannot write output storage file \"" + name + "\": " + why);
  }
}

void Console::show(const Layout& layout, FieldValues values) {
  text_.clear();
  layout.append(text_, values, true);
  write_console();
}

void Console::prompt(const Layout& layout, FieldValues values) {
  text_.clear();
  layout.append(text_, values, false);
  write_console();
}

void Console::store(const Layout& layout, FieldValues values) {
  text_.clear();
  layout.append(text_, values, true);
  write_storage();
}

void Console::report(const Layout& layout, FieldValues values) {
  report(layout, values.begin(), values.size());
}

void Console::report(const Layout& layout, const FieldValue* values, std::size_t count) {
  text_.clear();
  layout.append(text_, values, count, true);
  write_console();
  if (storage_ != nullptr) write_storage();
}

void Console::report(const Layout& layout, const float* values, std::size_t count) {
  text_.clear();
  layout.append(text_, values, count, true);
  write_console();
  if (storage_ != nullptr) write_storage();
}

void Console::report_text(std::string_view text) {
  // Line by line, the console before the storage file, as report() writes:
  // a storage file that fails part-way has the console one line ahead.
  while (!text.empty()) {
    const std::size_t end = std::min(text.size(), text.find('\n') + 1);
    const std::string_view line = text.substr(0, end);
    if (!out_.write(line.data(), static_cast<std::streamsize>(line.size()))) {
      throw FatalError("cannot write to the console");
    }
    if (storage_ != nullptr &&
        !storage_->write(line.data(), static_cast<std::streamsize>(line.size()))) {
      flush_storage();
    }
    text.remove_prefix(end);
  }
}

void Console::read_reply(std::string& line) {
  // The user must see the whole question, and the stored reports must be
  // complete on disk while the program waits. A buffered write that fails
  // shows only now, when it reaches the device.
  if (!out_.flush()) throw FatalError("cannot write to the console");
  flush_storage();
  bool got_line = false;
  try {
    got_line = read_line(in_, line);
  } catch (const std::ios_base::failure& e) {
    throw FatalError(std::string("cannot read the console input: ") + e.what());
  }
  if (!got_line) throw FatalError("end of input while waiting for a reply");
}

float Console::read_number() {
  read_reply(reply_);
  const auto value = parse_number(reply_);
  if (!value) {
    throw FatalError("bad numeric reply \"" + reply_.substr(0, 13) + "\"");
  }
  return *value;
}

int32_t Console::read_choice() { return nearest_int(read_number()); }

std::string Console::read_name() {
  read_reply(reply_);
  return padded(reply_, kNameLength);
}

}  // namespace varnholt

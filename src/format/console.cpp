#include "format/console.h"

#include "format/reader.h"

namespace varnholt {

void Console::write(std::ostream& stream, const char* what) {
  stream.write(text_.data(), static_cast<std::streamsize>(text_.size()));
  if (!stream) throw FatalError(std::string("cannot write to the ") + what);
}

void Console::show(const Layout& layout, FieldValues values) {
  text_.clear();
  layout.append(text_, values, true);
  write(out_, "console");
}

void Console::prompt(const Layout& layout, FieldValues values) {
  text_.clear();
  layout.append(text_, values, false);
  write(out_, "console");
}

void Console::report(const Layout& layout, FieldValues values) {
  report(layout, values.begin(), values.size());
}

void Console::report(const Layout& layout, const FieldValue* values, std::size_t count) {
  text_.clear();
  layout.append(text_, values, count, true);
  write(out_, "console");
  if (storage_ != nullptr) write(*storage_, "output storage file");
}

void Console::report(const Layout& layout, const float* values, std::size_t count) {
  text_.clear();
  layout.append(text_, values, count, true);
  write(out_, "console");
  if (storage_ != nullptr) write(*storage_, "output storage file");
}

void Console::read_reply(std::string& line) {
  // The user must see the whole question, and the stored reports must be
  // complete on disk while the program waits. A buffered write that fails
  // shows only now, when it reaches the device.
  if (!out_.flush()) throw FatalError("cannot write to the console");
  if (storage_ != nullptr && !storage_->flush()) {
    throw FatalError("cannot write to the output storage file");
  }
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

#include "format/layout.h"

#include <cctype>
#include <stdexcept>

#include "format/fields.h"

namespace varnholt {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

[[noreturn]] void malformed(std::string_view text, std::size_t pos) {
  throw std::invalid_argument("malformed layout at column " + std::to_string(pos + 1) + ": " +
                              std::string(text));
}

void skip_blanks(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
}

// Reads an unsigned decimal number; -1 when there is none.
int read_count(std::string_view text, std::size_t& pos) {
  if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) return -1;
  int value = 0;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    value = value * 10 + (text[pos++] - '0');
    if (value > 10000) malformed(text, pos);
  }
  return value;
}

[[noreturn]] void wrong_kind(std::string& out, std::size_t start, const char* wanted) {
  out.resize(start);
  throw std::invalid_argument(std::string("layout data field wants ") + wanted);
}

}  // namespace

Layout::Layout(std::string_view text) {
  std::size_t pos = 0;
  skip_blanks(text, pos);
  if (pos >= text.size() || text[pos] != '(') malformed(text, pos);
  ++pos;
  parse_list(text, pos, items_);
  skip_blanks(text, pos);
  if (pos != text.size()) malformed(text, pos);
  for (const Item& item : items_) {
    if (item.kind == Kind::Int || item.kind == Kind::Fixed || item.kind == Kind::Text) ++fields_;
  }
}

void Layout::add_literal(std::vector<Item>& items, std::string_view text) {
  if (!items.empty() && items.back().kind == Kind::Literal) {
    items.back().text.append(text);
  } else {
    items.push_back({Kind::Literal, 0, 0, std::string(text)});
  }
}

// Parses items up to the closing parenthesis (consumed) of a group.
void Layout::parse_list(std::string_view text, std::size_t& pos, std::vector<Item>& items) {
  for (;;) {
    skip_blanks(text, pos);
    if (pos >= text.size()) malformed(text, pos);
    const char c = text[pos];
    if (c == ')') {
      ++pos;
      return;
    }
    if (c == ',') {
      ++pos;
      continue;
    }
    if (c == '/') {
      ++pos;
      items.push_back({Kind::NewLine, 0, 0, {}});
      continue;
    }
    if (c == '\'') {
      const std::size_t close = text.find('\'', pos + 1);
      if (close == std::string_view::npos) malformed(text, pos);
      add_literal(items, text.substr(pos + 1, close - pos - 1));
      pos = close + 1;
      continue;
    }
    const int count = read_count(text, pos);
    if (pos >= text.size()) malformed(text, pos);
    const char item = static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos])));
    if (count > 0 && item == 'X') {
      ++pos;
      add_literal(items, std::string(static_cast<std::size_t>(count), ' '));
    } else if (count > 0 && item == 'H') {
      ++pos;
      if (pos + static_cast<std::size_t>(count) > text.size()) malformed(text, pos);
      add_literal(items, text.substr(pos, static_cast<std::size_t>(count)));
      pos += static_cast<std::size_t>(count);
    } else if (count > 0 && item == '(') {
      ++pos;
      std::vector<Item> group;
      parse_list(text, pos, group);
      for (int k = 0; k < count; ++k) {
        for (const Item& g : group) {
          if (g.kind == Kind::Literal) {
            add_literal(items, g.text);
          } else {
            items.push_back(g);
          }
        }
      }
    } else if (count < 0 && (item == 'I' || item == 'A' || item == 'F')) {
      ++pos;
      const int width = read_count(text, pos);
      if (width <= 0) malformed(text, pos);
      int decimals = 0;
      if (item == 'F') {
        if (pos >= text.size() || text[pos] != '.') malformed(text, pos);
        ++pos;
        decimals = read_count(text, pos);
        if (decimals < 0 || decimals > kMaxFixedDecimals || width > kMaxFixedWidth ||
            decimals >= width) {
          malformed(text, pos);
        }
      }
      const Kind kind = item == 'I' ? Kind::Int : (item == 'A' ? Kind::Text : Kind::Fixed);
      items.push_back({kind, width, decimals, {}});
    } else {
      malformed(text, pos);
    }
  }
}

void Layout::append(std::string& out, FieldValues values, bool finished) const {
  append(out, values.begin(), values.size(), finished);
}

// Walks the items, appending literals and line ends, and hands each data
// field to `write_field(item, start)`, where `start` is where this write began.
template <typename WriteField>
void Layout::walk(std::string& out, std::size_t count, bool finished,
                  WriteField write_field) const {
  if (count != fields_) {
    throw std::invalid_argument(count < fields_ ? "layout has more data fields than values"
                                                : "layout has fewer data fields than values");
  }
  const std::size_t start = out.size();
  for (const Item& item : items_) {
    if (item.kind == Kind::Literal) {
      out.append(item.text);
    } else if (item.kind == Kind::NewLine) {
      out.append(kLineEnd);
    } else {
      write_field(item, start);
    }
  }
  if (finished) out.append(kLineEnd);
}

void Layout::append(std::string& out, const FieldValue* values, std::size_t count,
                    bool finished) const {
  // A value of the wrong kind is found only on the way; the characters
  // already appended are taken back so that a failed write leaves no trace.
  const FieldValue* next = values;
  walk(out, count, finished, [&](const Item& item, std::size_t start) {
    const FieldValue& value = *next++;
    if (item.kind == Kind::Int) {
      if (const auto* v = std::get_if<int32_t>(&value)) return append_int(out, *v, item.width);
      wrong_kind(out, start, "an integer");
    }
    if (item.kind == Kind::Fixed) {
      if (const auto* v = std::get_if<float>(&value)) {
        return append_fixed(out, *v, item.width, item.decimals);
      }
      wrong_kind(out, start, "a float");
    }
    if (const auto* v = std::get_if<std::string_view>(&value)) {
      return append_text(out, *v, item.width);
    }
    wrong_kind(out, start, "a text");
  });
}

void Layout::append(std::string& out, const float* values, std::size_t count,
                    bool finished) const {
  const float* next = values;
  walk(out, count, finished, [&](const Item& item, std::size_t start) {
    if (item.kind != Kind::Fixed) wrong_kind(out, start, "a value that is not a float");
    append_fixed(out, *next++, item.width, item.decimals);
  });
}

}  // namespace varnholt

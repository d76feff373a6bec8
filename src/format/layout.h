// Layouts: the parenthesised format texts by which every line is printed,
// such as "(/,6X,'Rs =',F5.1,' Ohms')". A layout is parsed once into a flat
// list of items; writing walks the items with the values.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace varnholt {

// One value for a data field: Iw takes an integer, Fw.d a float, Aw a text.
using FieldValue = std::variant<int32_t, float, std::string_view>;
using FieldValues = std::initializer_list<FieldValue>;

class Layout {
 public:
  // Parses the layout text; throws std::invalid_argument when it is malformed
  // (a programming error: every layout is a constant of the program).
  explicit Layout(std::string_view text);

  // Appends the characters of the layout filled with `values` to `out`. Each
  // "/" ends a line with CR LF; a finished write ends the last line too, a
  // prompt leaves it open. Throws std::invalid_argument, leaving `out` as it
  // was, when the values do not match the data fields in number or kind.
  void append(std::string& out, FieldValues values, bool finished) const;

  // The same for values held in an array (for callers that build them).
  void append(std::string& out, const FieldValue* values, std::size_t count, bool finished) const;

  // The same for a layout whose data fields are all Fw.d, filled from an
  // array of floats (report rows; no variant is built per value).
  void append(std::string& out, const float* values, std::size_t count, bool finished) const;

 private:
  template <typename WriteField>
  void walk(std::string& out, std::size_t count, bool finished, WriteField write_field) const;
  enum class Kind : uint8_t { Literal, NewLine, Int, Fixed, Text };
  struct Item {
    Kind kind;
    int width = 0;
    int decimals = 0;
    std::string text;  // Literal only
  };

  void parse_list(std::string_view text, std::size_t& pos, std::vector<Item>& items);
  void add_literal(std::vector<Item>& items, std::string_view text);

  std::vector<Item> items_;
  std::size_t fields_ = 0;  // data fields, each taking one value
};

}  // namespace varnholt

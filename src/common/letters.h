// ASCII letters compared without regard to case, the same in every locale.
#pragma once

#include <cstddef>
#include <string_view>

namespace varnholt {

inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether a and b spell the same letters, ignoring ASCII case.
inline bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

}  // namespace varnholt

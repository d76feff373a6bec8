#pragma once

#include <string_view>

namespace varnholt {

// True when a 20-character name field holds one of the program's own file
// names, exactly as written (letter case counts), followed only by blanks.
bool is_reserved_name(std::string_view name);

}  // namespace varnholt

#include "input/reserved_names.h"

#include "common/stores.h"

namespace varnholt {

bool is_reserved_name(std::string_view name) {
  static constexpr std::string_view kReserved[] = {"Varnholt.DEF", "Varnholt.EXE", "varnholt.def",
                                                   "varnholt.exe"};
  const std::string_view used = trimmed(name);
  for (std::string_view reserved : kReserved) {
    if (used == reserved) return true;
  }
  return false;
}

}  // namespace varnholt

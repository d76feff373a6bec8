#include "input/frame.h"

namespace varnholt {

float ask_positive(Session& s, const Layout& prompt, float def, FieldValues values) {
  s.console.prompt(prompt, values);
  const float reply = s.console.read_number();
  return reply > 0.0f ? reply : def;
}

int32_t ask_choice(Session& s, const Layout& prompt, int32_t def, int32_t lo, int32_t hi) {
  s.console.prompt(prompt);
  const int32_t reply = s.console.read_choice();
  return reply >= lo && reply <= hi ? reply : def;
}

int32_t ask_menu(Session& s, const Layout& menu, const Layout& prompt, int32_t def, int32_t lo,
                 int32_t hi) {
  s.console.show(menu);
  return ask_choice(s, prompt, def, lo, hi);
}

std::string ask_name(Session& s, const Layout& prompt, const std::string& current) {
  s.console.prompt(prompt);
  std::string reply = s.console.read_name();
  return reply.find_first_not_of(' ') == std::string::npos ? current : reply;
}

}  // namespace varnholt

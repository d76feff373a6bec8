#include "input/dialog.h"

namespace varnholt {

void uinput(Session& s, float& a2) {
  (void)a2;
  s.st.control.isel = -1;
}

void design_menu(Session& s) { (void)s; }

}  // namespace varnholt

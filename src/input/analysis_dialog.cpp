#include "input/dialog.h"

namespace varnholt {

bool analysis_dialog(Session& s, AnalysisEntry entry) {
  (void)entry;
  s.st.control.isel = -1;  // placeholder until the analysis branch lands
  return false;
}

}  // namespace varnholt

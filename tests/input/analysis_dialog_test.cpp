// What the analysis dialog stores for replies outside a menu's choices (the
// reports read the stored codes; the recorded sessions show the prompts).
#include "input/dialog.h"

#include <gtest/gtest.h>

#include "common/fatal_error.h"
#include "support/session.h"

namespace varnholt {
namespace {

class AnalysisDialogCodes : public testing::DialogTest {};

// The configuration menu offers 1 and 2; anything else (3, a rounded 2.6, 0,
// a negative reply) keeps the standard circuit's code 1. The input then ends,
// which is fatal, after the code is stored.
TEST_F(AnalysisDialogCodes, ConfigurationOutsideTheMenuStoresTheStandardCircuit) {
  for (const auto& [reply, code] :
       {std::pair{"2", 2}, {"3", 1}, {"2.6", 1}, {"0", 1}, {"-1", 1}}) {
    st.control.icfg = 0;
    replies(std::string(reply) + "\n");
    EXPECT_THROW(analysis_dialog(session, AnalysisEntry::Configuration), FatalError);
    EXPECT_EQ(st.control.icfg, code) << "reply " << reply;
  }
}

}  // namespace
}  // namespace varnholt

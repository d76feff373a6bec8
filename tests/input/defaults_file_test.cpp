// The default-values file that cannot be opened or read. A sound file used
// everywhere, every entry missing or rejected, the checks at their edges,
// reserved names and line ends are recorded under tests/sessions/defaults-*.
#include "input/defaults_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/session.h"

namespace varnholt {
namespace {

class DefaultsFile : public testing::DialogTest {};

TEST_F(DefaultsFile, AFileThatCannotBeOpenedOrReadIsFatal) {
  fs.put("varnholt.def", "another file");
  try {
    defread(session);
    FAIL() << "no error for a missing file";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(),
                 "cannot open default-values file \"Varnholt.DEF\": No such file or directory");
  }
  testing::FailingReadFileSystem failing("title\r\n0.1\r\n");
  Session broken{st, console, failing, {}};
  try {
    defread(broken);
    FAIL() << "no error for a file that cannot be read";
  } catch (const FatalError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot read default-values file \"Varnholt.DEF\"", 0),
              0u)
        << e.what();
  }
  EXPECT_EQ(output(), "");
}

}  // namespace
}  // namespace varnholt

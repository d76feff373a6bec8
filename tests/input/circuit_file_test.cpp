// The circuit data file read on its own stores: what a rejected file leaves,
// and a file that fails part way. Each type and configuration, every rejected
// entry, odd line ends, long files and the storage file left alone are
// recorded under tests/sessions/circuit-* and storage-kept-through-*.
#include "input/circuit_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/session.h"

namespace varnholt {
namespace {

using testing::lines;
constexpr float kOld = -7.0f;  // element values held before a read
constexpr int32_t kUnset = -99;
constexpr auto sc = &Capind::shuntc, sl = &Capind::shuntl, xc = &Capind::serc, xl = &Capind::serl;

// A file of `type` and `config` with cut-offs 100 (and 300), then `values`.
std::string circuit(int type, int config, std::vector<std::string> values) {
  std::vector<std::string> list = {"My filter", std::to_string(type), std::to_string(config),
                                   "100"};
  if (type > 2) list.push_back("300");
  list.insert(list.end(), values.begin(), values.end());
  return lines(list);
}


class CircuitFile : public testing::DialogTest {
 protected:
  void SetUp() override { reset(); }
  void reset() {
    st = State{};
    for (auto store : {&Capind::g, sc, sl, xc, xl}) (st.capind.*store).fill(kOld);
    st.control.isel = 2;
    icfg = ides = n = kUnset;
    mark();
  }
  void read(const std::string& text) {
    fs.put("f.ckt", text);
    ckfread(session, padded("f.ckt", 20), icfg, ides, st.control.isel, n);
  }
  int32_t icfg = kUnset, ides = kUnset, n = kUnset;
};

// Each rejected entry's message is recorded under tests/sessions/circuit-rejected-*;
// here: what a rejected file leaves behind.
TEST_F(CircuitFile, ARejectedFileLeavesNoCountAndEndsTheRun) {
  for (const std::string& text :
       {circuit(1, 1, {"1", "2", "-2.2"}), circuit(3, 2, {"1", "2", "3", "4", "5", "6", "7"}),
        lines({"t", "4", "1", "100", "2OO"}), lines({"title", "1", "3"}), std::string()}) {
    SCOPED_TRACE(text);
    reset();
    read(text);
    EXPECT_NE(written().find("Error detected in User-defined data filename f.ckt"),
              std::string::npos);
    EXPECT_EQ(std::tuple(st.control.isel, n), std::tuple(-1, kUnset));
  }
}

// A file that opens but fails part way through is fatal (files that cannot be
// opened: tests/sessions/fatal-circuit-file-*).
TEST_F(CircuitFile, AFileThatCannotBeReadIsFatal) {
  testing::FailingReadFileSystem failing(circuit(1, 1, {"5"}));
  Session broken{st, console, failing, {}};
  try {
    ckfread(broken, padded("bad.ckt", 20), icfg, ides, st.control.isel, n);
    FAIL() << "no error for a file that cannot be read";
  } catch (const FatalError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot read circuit data file \"bad.ckt\"", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(written(), "      User enters Lowpass Filter Cutoff Frequency =    100.0000 MHz.\r\n");
}

}  // namespace
}  // namespace varnholt

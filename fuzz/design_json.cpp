// Arbitrary text through the design-file reader. A file it accepts must
// replay through the dialog, and the design file written from that replay
// must read back as exactly the element values in the stores.
#include <cstdint>
#include <string>

#include "cli/design_json.h"
#include "cli/dialog_runner.h"
#include "common/file_system.h"
#include "ladder/ladder.h"
#include "fuzz_support.h"

using namespace varnholt;
using varnholt::fuzz::require;

namespace {

bool same(const Ladder& a, const Ladder& b) {
  if (a.branches.size() != b.branches.size()) return false;
  for (std::size_t i = 0; i < a.branches.size(); ++i) {
    const Branch& x = a.branches[i];
    const Branch& y = b.branches[i];
    if (x.placement != y.placement || x.kind != y.kind || x.l != y.l || x.c != y.c) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  DesignFile f;
  try {
    f = read_design_json(text, "design");
  } catch (const UsageError&) {
    return 0;
  }
  if (f.design.response == Response::Elliptic) {
    // Written again from its own synthesis, the file reads back as that design.
    const EllipticDesign standard = elliptic_design(f.design, Configuration::Standard, "");
    const EllipticDesign dual = elliptic_design(f.design, Configuration::Dual, "");
    const DesignFile again =
        read_design_json(elliptic_design_json(f.design, standard, dual), "again");
    require(again.standard.branches.size() == standard.ladder().branches.size(),
            "the elliptic design file lost branches");
    return 0;
  }
  MemoryFileSystem files;
  DialogRunner runner(files, fuzz::fixed_time);
  runner.synthesise(f.design, nullptr);
  // The design file of the replay reads back as exactly the stores' values.
  const State& st = runner.state();
  const DesignFile again = read_design_json(design_json(f.design, st), "again");
  const FilterType type = f.design.type;
  require(same(again.standard, ladder_from_stores(st.capind, type, Configuration::Standard,
                                                  st.block1.n)) &&
              same(again.dual, ladder_from_stores(st.capind, type, Configuration::Dual,
                                                  st.block1.n)),
          "element values changed on a write and read");
  require(again.standard.branches.size() == f.standard.branches.size(),
          "the replayed design has another number of sections");
  return 0;
}

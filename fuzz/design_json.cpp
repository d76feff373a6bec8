// Arbitrary text through the design-file reader. A file it accepts must
// evaluate, and the design file written from that result must read back as
// exactly the same circuits and the same stores' values.
#include <cstdint>
#include <sstream>
#include <string>

#include "common/file_system.h"
#include "fuzz_support.h"
#include "ladder/ladder.h"
#include "pipeline/design_file.h"
#include "pipeline/evaluate.h"
#include "writers/writers.h"

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
  DesignRecord f;
  try {
    f = read_design_file(text, "design");
  } catch (const UsageError&) {
    return 0;
  }
  MemoryFileSystem files;
  files.put("design.json", text);
  Job job;
  job.analyse = true;
  job.path = "design.json";
  job.outputs[Output::Csv] = "-";
  job.points = 11;
  Result r;
  try {
    r = evaluate(job, files, fuzz::fixed_time);
  } catch (const UsageError&) {
    return 0;  // a sweep the file's design cannot take
  }
  std::ostringstream csv;
  write_csv(csv, r);
  require(!csv.str().empty(), "no CSV from an accepted design file");
  // Written again from the record, the file reads back as the same circuits.
  const DesignRecord again = read_design_file(design_record_json(f).dump(2), "again");
  require(same(again.standard.ladder, f.standard.ladder) && same(again.dual.ladder, f.dual.ladder),
          "element values changed on a write and read");
  if (f.dialog_values) {
    require(again.dialog_values && same(again.dialog_values->first.ladder, f.dialog_values->first.ladder),
            "the stores' values changed on a write and read");
  }
  return 0;
}

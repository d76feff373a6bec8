// A whole program session in-process. The input is split at the first two
// record-separator bytes (0x1E) into
//
//   default-values file  0x1E  circuit data file  0x1E  console replies
//
// The first part becomes "Varnholt.DEF"; the second, when present, the
// circuit file "filter.ckt" (the seeds name it as the default circuit file
// and type it at the file-name prompt); the rest is what the user types,
// byte for byte. The session runs on memory files with a fixed clock.
//
// Bounding the work: the console output is capped at kOutputLimit bytes
// (256 KiB, some 3,000 report lines). Past it the console write fails and the
// run ends with exit status 2, as it does for any failed write, so a reply
// that asks for a sweep of millions of points (or a session looping through
// many runs) stops after a few milliseconds instead of hanging the fuzzer.
//
// Checks: exit status 0 or 2, with a diagnostic exactly when it is 2; every
// line end CR LF; a reserved name is never written; every storage file holds
// whole lines, each also shown on the console, in the same order; report
// lines are never wider than 80 columns.
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "run/program.h"
#include "fuzz_support.h"

using namespace varnholt;
using varnholt::fuzz::require;

namespace {

constexpr char kSeparator = '\x1e';
constexpr std::size_t kOutputLimit = 256 * 1024;
constexpr std::size_t kReportWidth = 80;

// A memory file system that remembers which names were opened for writing.
class RecordingFileSystem : public MemoryFileSystem {
 public:
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override {
    written.insert(name);
    return MemoryFileSystem::open_write(name, why);
  }
  std::set<std::string> written;
};

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find("\r\n"); end != std::string_view::npos;
       end = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

void check_storage_file(std::string_view stored, std::string_view console) {
  require(fuzz::line_ends_are_crlf(stored), "storage file has a line end other than CR LF");
  require(fuzz::only_finished_lines(stored), "storage file ends inside a line");
  std::size_t from = 0;
  for (std::string_view line : split_lines(stored)) {
    require(line.size() <= kReportWidth, "report line wider than 80 columns");
    const std::size_t at = console.find(line, from);
    require(at != std::string_view::npos, "stored line not shown on the console, or out of order");
    from = at + line.size();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t first = input.find(kSeparator);
  const std::size_t second =
      first == std::string_view::npos ? first : input.find(kSeparator, first + 1);

  RecordingFileSystem fs;
  const std::string defaults(input.substr(0, first));
  fs.put("Varnholt.DEF", defaults);
  std::string circuit;
  std::string replies;
  if (first != std::string_view::npos) {
    circuit = input.substr(first + 1, second == std::string_view::npos ? second : second - first - 1);
    fs.put("filter.ckt", circuit);
    if (second != std::string_view::npos) replies = input.substr(second + 1);
  }

  std::istringstream in(replies);
  fuzz::CappedBuffer console_buf(kOutputLimit);
  std::ostream out(&console_buf);
  std::ostringstream err;
  const int status = run_program(in, out, err, fs, fuzz::fixed_time);

  require(status == 0 || status == 2, "exit status neither 0 nor 2");
  require((status == 2) == !err.str().empty(), "diagnostic without exit status 2, or the reverse");
  const std::string& shown = console_buf.text();
  // A capped console may end inside a CR LF pair.
  require(fuzz::line_ends_are_crlf(console_buf.capped() && !shown.empty() && shown.back() == '\r'
                                       ? std::string_view(shown).substr(0, shown.size() - 1)
                                       : std::string_view(shown)),
          "console line end other than CR LF");
  require(fs.contents("Varnholt.DEF") == defaults, "the default-values file was changed");
  for (const char* reserved : {"Varnholt.DEF", "Varnholt.EXE", "varnholt.def", "varnholt.exe"}) {
    require(fs.written.count(reserved) == 0, "a reserved file name was written");
  }
  for (const std::string& name : fs.written) check_storage_file(fs.contents(name), shown);
  return 0;
}

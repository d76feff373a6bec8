// Storage to the real /dev/full, which opens but refuses every write. The file
// is buffered, so nothing reaches the device before the check made ahead of
// the storage line: the run must end as recorded for a file that takes the
// whole report but not that line, with the system's own reason.
#include <gtest/gtest.h>

#include "support/session.h"

namespace varnholt::testing {
namespace {

const std::filesystem::path kFolder = VARNHOLT_TEST_SESSIONS "/storage-full-at-the-storage-line-";

// Input files from memory; every file written goes to /dev/full.
struct DevFull : RecordingFileSystem {
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override {
    written.insert(name);
    return DiskFileSystem().open_write("/dev/full", why);
  }
};

TEST(StorageOnAFullDisk, EndsAsRecordedWithTheSystemsReason) {
  for (const std::string run : {"synthesis", "analysis"}) {
    const FolderRun got = run_folder(kFolder.string() + run, DevFull());
    EXPECT_EQ(got.result.status, 2) << run;
    EXPECT_EQ(got.result.out, read_file(kFolder.string() + run + "/expected.out")) << run;
    EXPECT_EQ(got.result.err, read_file(kFolder.string() + run + "/expected.err")) << run;
  }
}

// The write that fails is made when the buffer fills, in the middle of a
// long sweep, which ends there; and a console that fails while stored lines
// wait in the buffer still has them written out, and their failure told.
TEST(StorageOnAFullDisk, FailsWhereTheWriteFails) {
  const std::string analysis = kFolder.string() + "analysis/";
  DevFull fs;
  for (const char* file : {"Varnholt.DEF", "lowpass.ckt"}) fs.put(file, read_file(analysis + file));
  const std::vector<std::string> sweep = {"1", "", "", "", "", "", "", "90", "310", "0.01", "", "1"};
  const auto run = run_session(lines(sweep) + lines({"full.txt"}), fs);
  EXPECT_EQ(run.result.err, read_file(analysis + "expected.err"));
  EXPECT_NE(run.result.out.find("\n        110.0000 "), std::string::npos) << "ended early";
  EXPECT_EQ(run.result.out.find("\n        200.0000 "), std::string::npos) << "ended late";

  std::istringstream in(read_file(analysis + "replies"));
  FullAfterFile out(std::make_unique<std::ostringstream>(), 4000);  // in the sweep
  std::ostringstream err;
  EXPECT_EQ(run_program(in, out, err, fs, fixed_time), 2);
  EXPECT_EQ(err.str(), "varnholt: cannot write to the console\n" + run.result.err);
}

}  // namespace
}  // namespace varnholt::testing

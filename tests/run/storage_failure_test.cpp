// Sessions that store to the real /dev/full, which opens but refuses every
// write. A real file is buffered: nothing reaches the device before the check
// made ahead of the storage line, so the run must end as the recordings of a
// file that takes the whole report but not that line
// (tests/sessions/storage-full-at-the-storage-line-*), with the system's own
// reason in the diagnostic.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/session.h"

namespace varnholt::testing {
namespace {

const std::filesystem::path kSessions = VARNHOLT_TEST_SESSIONS;

// Input files from the folder; every file written goes to /dev/full.
class DevFull : public RecordingFileSystem {
 public:
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override {
    written.insert(name);
    return disk_.open_write("/dev/full", why);
  }

 private:
  DiskFileSystem disk_;
};

TEST(StorageOnAFullDisk, EndsAsRecordedWithTheSystemsReason) {
  for (const char* name : {"storage-full-at-the-storage-line-synthesis",
                           "storage-full-at-the-storage-line-analysis"}) {
    DevFull fs;
    const FolderRun run = run_folder(kSessions / name, fs);
    EXPECT_EQ(run.result.status, 2) << name;
    EXPECT_EQ(run.result.out, read_file(kSessions / name / "expected.out")) << name;
    EXPECT_EQ(run.result.err, read_file(kSessions / name / "expected.err")) << name;
  }
}

// A sweep longer than the file's buffer: the write that fails is the one made
// when the buffer fills, in the middle of the sweep, which ends there.
TEST(StorageOnAFullDisk, ASweepEndsWhenTheBufferCannotBeWritten) {
  DevFull fs;
  const std::filesystem::path folder = kSessions / "storage-full-at-the-storage-line-analysis";
  for (const char* file : {"Varnholt.DEF", "lowpass.ckt"}) fs.put(file, read_file(folder / file));
  const auto run =
      run_session(lines({"1", "", "", "", "", "", "", "90", "310", "0.01", "", "1", "full.txt"}), fs);
  EXPECT_EQ(run.result.status, 2);
  EXPECT_EQ(run.result.err, read_file(folder / "expected.err"));
  const std::string& out = run.result.out;
  EXPECT_NE(out.find("\n        110.0000 "), std::string::npos) << "ended before the buffer filled";
  EXPECT_EQ(out.find("\n        200.0000 "), std::string::npos) << "not ended when it failed";
  EXPECT_EQ(out.find("stored in User"), std::string::npos);
}

// A console that fails part way through the report, while the stored lines
// wait in the file's buffer: they are written out at the fatal end, and their
// failure is told too.
TEST(StorageOnAFullDisk, AFatalEndStillWritesOutTheStoredLines) {
  const std::filesystem::path folder = kSessions / "storage-full-at-the-storage-line-synthesis";
  DevFull fs;
  fs.put("Varnholt.DEF", read_file(folder / "Varnholt.DEF"));
  std::istringstream in(read_file(folder / "replies"));
  const std::size_t console_room = read_file(folder / "expected.out").size() - 100;
  FullAfterFile out(std::make_unique<std::ostringstream>(), console_room);
  std::ostringstream err;
  EXPECT_EQ(run_program(in, out, err, fs, fixed_time), 2);
  EXPECT_EQ(err.str(),
            "varnholt: cannot write to the console\n" + read_file(folder / "expected.err"));
}

}  // namespace
}  // namespace varnholt::testing

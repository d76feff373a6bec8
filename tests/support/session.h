// Sessions over in-memory streams and files: a whole program run from a
// recorded session folder or a string of replies, or the dialog routines on
// their own over shared stores.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <ios>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "common/session.h"
#include "format/console.h"
#include "run/program.h"

namespace varnholt::testing {

// Lines ended by CR LF.
inline std::string lines(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& line : list) text += line + "\r\n";
  return text;
}

// The sixth of May 2026 at 9:05:03.
inline Datetime fixed_time() { return {5, 6, 2026, 9, 5, 3}; }

struct SessionResult {
  int status = -1;
  std::string out, err;
};

// Reads a whole file, bytes as they are.
inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// How often `what` occurs in `text`, overlapping occurrences included.
inline int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// An output file that takes `room` bytes, then refuses every write as a full
// disk does (a write that does not fit is stored in part).
struct FullAfterBuf : std::streambuf, WriteErrorRecord {
  FullAfterBuf(std::unique_ptr<std::ostream> file, std::streamsize room)
      : file(std::move(file)), room(room) {}
  int write_error() const override { return room < 0 ? ENOSPC : 0; }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::streamsize taken = std::clamp<std::streamsize>(room, 0, n);
    file->write(s, taken);
    room -= n;
    return taken;
  }
  std::unique_ptr<std::ostream> file;
  std::streamsize room;
};
struct FullAfterFile : std::ostream {
  FullAfterFile(std::unique_ptr<std::ostream> file, std::streamsize room)
      : std::ostream(nullptr), buf(std::move(file), room) {
    rdbuf(&buf);
  }
  FullAfterBuf buf;
};

// Memory files that remember which names the program opened for writing;
// the file `full_name` takes only `full_room` bytes.
class RecordingFileSystem : public MemoryFileSystem {
 public:
  std::unique_ptr<std::ostream> open_write(const std::string& name, std::string& why) override {
    auto file = MemoryFileSystem::open_write(name, why);
    if (file) written.insert(name);
    if (file && name == full_name) return std::make_unique<FullAfterFile>(std::move(file), full_room);
    return file;
  }
  std::set<std::string> written;
  std::string full_name;
  std::streamsize full_room = 0;
};

// A recorded session: one folder under tests/sessions holding `replies` (the
// console input), `note`, the input files (Varnholt.DEF, circuit data files,
// a storage file that exists before the run), `expected.out`, `expected.err`
// when the run ends fatally, and `expected.<name>` for every file written.
// An optional `full-after` holds "<name> <bytes>": that file takes so many
// bytes and then refuses every write with "No space left on device".
struct FolderRun {
  SessionResult result;
  std::map<std::string, std::string> written;  // name -> contents after the run
};

// A whole program run from a string of replies over the files in `fs`.
inline FolderRun run_session(const std::string& replies, RecordingFileSystem& fs) {
  std::istringstream in(replies);
  std::ostringstream out, err;
  FolderRun run;
  run.result.status = run_program(in, out, err, fs, fixed_time);
  run.result.out = out.str();
  run.result.err = err.str();
  for (const std::string& name : fs.written) run.written[name] = fs.contents(name);
  return run;
}

inline FolderRun run_folder(const std::filesystem::path& folder,
                            RecordingFileSystem&& fs = RecordingFileSystem()) {
  std::string replies;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name == "replies") {
      replies = read_file(entry.path());
    } else if (name == "full-after") {
      std::istringstream(read_file(entry.path())) >> fs.full_name >> fs.full_room;
    } else if (name != "note" && !name.starts_with("expected.")) {
      fs.put(name, read_file(entry.path()));
    }
  }
  return run_session(replies, fs);
}

// The dialog and report routines on their own over shared stores, output collected.
class DialogTest : public ::testing::Test {
 protected:
  // The console replies the routines under test read.
  void replies(const std::string& text) {
    in_.clear();
    in_.str(text);
  }
  std::string output() const { return out_.str(); }
  // What was written since the last mark().
  void mark() { mark_ = out_.str().size(); }
  std::string written() const { return out_.str().substr(mark_); }

  State st;
  MemoryFileSystem fs;

 private:
  std::istringstream in_;
  std::ostringstream out_;
  std::size_t mark_ = 0;

 protected:
  Console console{in_, out_};
  Session session{st, console, fs, [] { return Datetime{}; }};
};

// Files that open but fail part way through reading, as a device error does:
// the text is read, then the next read throws.
class FailingReadFileSystem : public FileSystem {
 public:
  explicit FailingReadFileSystem(std::string text) : text_(std::move(text)) {}

  std::unique_ptr<std::istream> open_read(const std::string&, std::string&) override {
    struct Buf : std::stringbuf {
      using std::stringbuf::stringbuf;
      int_type underflow() override {
        if (gptr() == egptr()) throw std::ios_base::failure("error reading the file: I/O error");
        return std::stringbuf::underflow();
      }
    };
    struct Stream : std::istream {
      explicit Stream(const std::string& text) : std::istream(nullptr), buf(text) { rdbuf(&buf); }
      Buf buf;
    };
    return std::make_unique<Stream>(text_);
  }
  std::unique_ptr<std::ostream> open_write(const std::string&, std::string& why) override {
    why = "read-only";
    return nullptr;
  }

 private:
  std::string text_;
};

}  // namespace varnholt::testing

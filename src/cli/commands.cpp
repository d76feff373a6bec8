#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "cli/cli.h"
#include "cli/command.h"
#include "cli/output_file.h"
#include "common/fatal_error.h"
#include "common/file_system.h"
#include "pipeline/evaluate.h"
#include "pipeline/progress.h"
#include "run/output_buffer.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

// Sweeps longer than this show their progress (on a terminal).
constexpr int64_t kProgressPoints = 100000;

// The output files of a command: each written to a temporary file and put in
// place only when every output has been written in full.
class Outputs {
 public:
  // Opens every output the job names, before anything is written, so that a
  // name that cannot be written stops the command at once.
  Outputs(const Job& job, CliIo& io) : io_(io) {
    for (const auto& [output, path] : job.outputs) streams_[output] = open(option_of(output), path);
  }

  // The stream of the output's FILE.
  std::ostream* get(Output output) const { return streams_.at(output); }

  std::ostream* open(const std::string& option, const std::string& path) {
    if (path == "-") {
      if (!stdout_owner_.empty()) {
        throw UsageError(option + ": standard output is taken by " + stdout_owner_);
      }
      stdout_owner_ = option;
      return &io_.out;
    }
    auto file = std::make_unique<OutputFile>(path);
    if (file->stream() == nullptr) {
      throw UsageError(option + ": cannot write '" + path + "' (" + file->error() + ")");
    }
    // Two outputs in one file would leave only the one put in place last.
    const std::string identity = file->identity();
    for (std::size_t i = 0; i < files_.size(); ++i) {
      if (!identity.empty() && identity == identities_[i]) {
        throw UsageError(option + ": '" + path + "' is the file of " + names_[i] + " too");
      }
    }
    identities_.push_back(identity);
    names_.push_back(option);
    files_.push_back(std::move(file));
    return files_.back()->stream();
  }

  void commit() {
    if (!stdout_owner_.empty() && !io_.out.flush()) {
      throw UsageError(stdout_owner_ + ": cannot write to standard output");
    }
    // Every file written out in full before any is put in place.
    for (std::size_t i = 0; i < files_.size(); ++i) {
      if (!files_[i]->finish()) fail(i);
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
      if (!files_[i]->commit()) fail(i);
    }
  }

 private:
  [[noreturn]] void fail(std::size_t i) {
    throw UsageError(names_[i] + ": cannot write '" + files_[i]->path() + "' (" +
                     files_[i]->error() + ")");
  }

  CliIo& io_;
  std::string stdout_owner_;
  std::vector<std::string> names_;
  std::vector<std::string> identities_;  // of files_, as OutputFile::identity gives them
  std::vector<std::unique_ptr<OutputFile>> files_;
  std::map<Output, std::ostream*> streams_;
};

// Progress of long work on the error stream: an output in whole percent, an
// open-ended search (total < 0 while it runs, done == total at its end) as a
// count of the designs evaluated once it has run a second.
Progress progress_for(CliIo& io) {
  if (!io.progress) return {};
  struct Shown {
    int64_t percent = -1;
    std::optional<std::chrono::steady_clock::time_point> started;
    bool counting = false;
  };
  auto shown = std::make_shared<Shown>();
  return [&io, shown](const std::string& what, int64_t done, int64_t total) {
    if (total < 0 || shown->started) {
      const auto now = std::chrono::steady_clock::now();
      if (!shown->started) shown->started = now;
      const bool ended = total >= 0;
      if (ended) shown->started.reset();
      if (ended ? !shown->counting : now - *shown->started < std::chrono::seconds(1)) return;
      shown->counting = !ended;
      io.err << "\rvarnholt: " << what << ": " << done << " designs evaluated" << (ended ? "\n" : "")
             << std::flush;
      return;
    }
    if (total <= kProgressPoints) return;
    const int64_t percent = done * 100 / total;
    if (percent == shown->percent) return;
    shown->percent = percent;
    io.err << "\rvarnholt: " << what << " " << percent << "%" << (done >= total ? "\n" : "")
           << std::flush;
    if (done >= total) shown->percent = -1;
  };
}

// The rows a writer streams, for its progress.
int64_t rows_of(Output output, const Result& r) {
  if (output == Output::Report) return r.dialog ? r.dialog->rows : 0;
  return output == Output::Csv || output == Output::Touchstone
             ? static_cast<int64_t>(r.f_mhz.size())
             : 0;
}

int run_job(const Command& c, CliIo& io) {
  const Job job = read_job(c);
  const Progress progress = progress_for(io);
  const Result result = evaluate(job, io.files, io.clock, progress);
  Outputs outputs(job, io);
  for (const auto& [output, path] : job.outputs) {
    std::ostream& sink = *outputs.get(output);
    const int64_t rows = rows_of(output, result);
    if (!progress || rows <= kProgressPoints) {
      write_output(output, sink, result, {path});
      continue;
    }
    CountedStream counted(sink, progress, option_of(output) + 2, rows);
    write_output(output, counted.stream(), result, {path});
    // A write the counting stream saw fail fails its output too.
    if (!counted.stream()) sink.setstate(std::ios::badbit);
  }
  outputs.commit();
  return 0;
}

}  // namespace

int run_cli(const std::vector<std::string>& args, CliIo& io) {
  try {
    const Command c = parse_command(args);
    switch (c.kind) {
      case CommandKind::Help:
        io.out << c.help;
        io.out.flush();
        return 0;
      case CommandKind::Version:
        io.out << kVersion << '\n';
        io.out.flush();
        return 0;
      case CommandKind::Design:
      case CommandKind::Analyse: {
        const int status = run_job(c, io);
        // A report on standard output may still sit in its buffer.
        if (!io.out.flush()) throw UsageError("cannot write to standard output");
        return status;
      }
      case CommandKind::Serve:
        if (!io.serve) throw UsageError("serve: this program has no web server");
        return io.serve(c, io);
    }
  } catch (const UsageError& e) {
    io.err << "varnholt: " << e.what() << '\n';
  } catch (const FatalError& e) {
    io.err << "varnholt: " << e.what() << '\n';
  }
  io.err.flush();
  return 2;
}

int cli_main(int argc, char** argv, ServeCommand serve) {
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);
  DescriptorOutputBuffer out_buffer(STDOUT_FILENO, std::size_t{1} << 18);
  std::ostream out(&out_buffer);
  DiskFileSystem files;
  CliIo io{out, std::cerr, files, local_time, ::isatty(STDERR_FILENO) == 1, std::move(serve)};
  const std::vector<std::string> args(argv + 1, argv + argc);
  return run_cli(args, io);
}

}  // namespace varnholt

// The command-line mode: `varnholt design ...` and `varnholt analyse ...`,
// a thin caller of the same library the dialog runs on.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "common/session.h"
#include "pipeline/command.h"

namespace varnholt {

// Everything a command reads and writes besides its output files: standard
// streams, circuit and design files (through `files`) and the clock of the
// reports' date line.
struct CliIo;
// Runs `varnholt serve` until it is stopped; returns the exit status. The
// program links it in (src/serve); a caller without it refuses the command.
using ServeCommand = std::function<int(const Command&, CliIo&)>;

struct CliIo {
  std::ostream& out;
  std::ostream& err;
  FileSystem& files;
  Clock clock;
  bool progress = false;  // long sweeps report their progress on err
  ServeCommand serve = {};
};

// Runs one command; `args` are the arguments after the program name. Returns
// the exit status: 0 done (or help shown), 2 a bad argument or a failed file,
// with one line on err.
int run_cli(const std::vector<std::string>& args, CliIo& io);

// Process entry of the command-line mode: the real streams, files and clock.
int cli_main(int argc, char** argv, ServeCommand serve = {});

}  // namespace varnholt

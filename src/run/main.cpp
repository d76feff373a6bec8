// Process entry: with arguments, the command-line mode; without, the dialog
// on the console streams, the real file system and the local clock.
#include <unistd.h>

#include <csignal>

#include <iostream>

#include "common/file_system.h"
#include "cli/cli.h"
#include "run/output_buffer.h"
#include "run/program.h"
#include "serve/serve.h"

int main(int argc, char** argv) {
  if (argc > 1) return varnholt::cli_main(argc, argv, varnholt::serve);
  // A reader that goes away (a closed pipe) makes the next write fail, which
  // ends the run with status 2 and the storage file flushed, rather than
  // killing the process with buffered reports unwritten.
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);
  // Standard output in large blocks (see output_buffer.h).
  varnholt::DescriptorOutputBuffer out_buffer(STDOUT_FILENO, std::size_t{1} << 18);
  std::ostream out(&out_buffer);
  varnholt::DiskFileSystem fs;
  return varnholt::run_program(std::cin, out, std::cerr, fs, varnholt::local_time);
}

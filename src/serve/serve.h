// `varnholt serve`: the designer as a local web page. The page's form is
// made from the parser's options; every drawing and download is a query read
// by query_job and evaluated by the command line's pipeline.
#pragma once

#include <string>

#include "cli/cli.h"
#include "pipeline/command.h"

namespace varnholt {

// Listens on --host (127.0.0.1) and --port (8080; 0: a free port), prints
// "varnholt: serving http://HOST:PORT/" and answers until SIGINT or SIGTERM,
// then returns 0. Throws UsageError naming --port or --host when it cannot
// listen.
int serve(const Command& command, CliIo& io);

// The page the server answers at "/": the form, the drawing, the downloads.
std::string app_page();

}  // namespace varnholt

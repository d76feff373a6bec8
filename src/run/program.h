// The main program: dialog, run, after-run menu, and round again.
#pragma once

#include <istream>
#include <ostream>

#include "common/session.h"

namespace varnholt {

class Storage;

// The report of one run of the dialog's data, as the dialog has left it in the
// stores: the header, the synthesis or the analysis, and the closing rule.
void report_run(Session& session);

// The main loop over the shared stores, storing reports through `storage`;
// returns when the user ends the program. Throws FatalError on an unreadable
// reply or a failed file.
void main_program(Session& session, Storage& storage);

// A whole program run on the given streams and files: returns the exit
// status, 0 on a normal end and 2 after a fatal error, whose diagnostic goes
// to `err`. Whatever was written to the storage file is flushed and kept; a
// storage file or console that cannot be written is a fatal error.
int run_program(std::istream& in, std::ostream& out, std::ostream& err, FileSystem& fs,
                const Clock& clock);

}  // namespace varnholt

// The dialog run in-process: the command's data become the replies a user
// would type, the dialog fills the stores exactly as it does at the console,
// and the reports are the dialog's own, written to any stream. Console text
// is kept only to explain a rejected circuit file.
#pragma once

#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/requests.h"
#include "common/session.h"

namespace varnholt {

class DialogRunner {
 public:
  // `files` opens circuit files; `clock` gives the reports' date and time.
  DialogRunner(FileSystem& files, Clock clock);
  ~DialogRunner();

  // A synthesis; its report goes to `report` when not null.
  void synthesise(const DesignRequest& design, std::ostream* report);
  // The analysis of the filter just synthesised, as the after-synthesis menu offers it.
  void analyse_synthesised(const AnalysisRequest& analysis, std::ostream* report);
  // Reads a circuit data file into the stores without analysing it; throws
  // UsageError with the dialog's message when the file is rejected.
  void read_circuit(const std::string& path);
  // The analysis of a circuit data file (read_circuit, then the sweep).
  void analyse_circuit(const std::string& path, const AnalysisRequest& analysis,
                       std::ostream* report);

  const State& state() const { return st_; }
  State& state() { return st_; }

 private:
  class Files;
  void enter(const std::string& replies);
  void report(std::ostream* sink);
  std::string analysis_replies(const AnalysisRequest& a) const;
  std::string circuit_replies(const std::string& path);

  State st_;
  std::unique_ptr<Files> files_;
  std::istringstream in_;
  std::unique_ptr<std::streambuf> console_buffer_;
  std::unique_ptr<std::ostream> console_out_;
  std::unique_ptr<Console> console_;
  std::unique_ptr<Session> session_;
};

// The reply that reads back as exactly `value` through the dialog's 13-column
// field; throws UsageError naming `what` when no such reply exists.
std::string reply_for(float value, const std::string& what);

}  // namespace varnholt

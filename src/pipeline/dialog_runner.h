// The dialog run in-process: the command's data become the replies a user
// would type, the dialog fills the stores exactly as it does at the console,
// and the reports are the dialog's own, written to any stream. Console text
// is kept only to explain a rejected circuit file.
#pragma once

#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "pipeline/requests.h"
#include "common/session.h"

namespace varnholt {

class DialogRunner {
 public:
  // `files` opens circuit files; `clock` gives the reports' date and time.
  DialogRunner(FileSystem& files, Clock clock);
  ~DialogRunner();

  // A synthesis into the stores; print() then writes its report.
  void synthesise(const DesignRequest& design);
  // The dialog's report of what was entered last, to `sink` when not null.
  void print(std::ostream* sink);
  // The replies of an analysis, checked: each value must reach the dialog
  // exactly (UsageError otherwise). With `circuit`, after a synthesis.
  static std::string analysis_replies(const AnalysisRequest& analysis, bool after_synthesis);
  // The analysis of the filter just synthesised, as the after-synthesis menu
  // offers it, and its report.
  void analyse_synthesised(const std::string& replies, std::ostream* report);
  // Reads a circuit data file into the stores without analysing it; throws
  // UsageError with the dialog's message when the file is rejected.
  void read_circuit(const std::string& path);
  // The analysis of a circuit data file (read_circuit, then the sweep).
  void analyse_circuit(const std::string& path, const std::string& replies, std::ostream* report);

  const State& state() const { return st_; }
  State& state() { return st_; }

 private:
  class Files;
  void enter(const std::string& replies);

  State st_;
  std::unique_ptr<Files> files_;
  std::istringstream in_;
  std::unique_ptr<std::streambuf> console_buffer_;
  std::unique_ptr<std::ostream> console_out_;
  std::unique_ptr<Console> console_;
  std::unique_ptr<Session> session_;
};

// The float of a value for the dialog; throws UsageError naming `what` when
// a value that is not zero has none (it would reach zero or infinity).
float dialog_float(double value, const std::string& what);

// The reply that reads back as exactly `value` through the dialog's 13-column
// field; throws UsageError naming `what` when no such reply exists.
std::string reply_for(float value, const std::string& what);

}  // namespace varnholt

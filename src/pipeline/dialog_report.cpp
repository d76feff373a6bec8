#include "pipeline/dialog_report.h"

#include <sstream>

#include "common/file_system.h"
#include "format/console.h"
#include "pipeline/dialog_runner.h"
#include "synthesis/elliptic_report.h"
#include "synthesis/report.h"

namespace varnholt {
namespace {

// The run header, the design's own report and the closing rule, as the
// dialog's runs are framed.
template <typename Print>
void framed_report(std::ostream& sink, const DialogReport& d, State st, Print print) {
  static const Layout kRule("(6X,72(1H-))");
  st.datetime = d.datetime;
  std::istringstream no_replies;
  Console console(no_replies, sink);
  MemoryFileSystem no_files;
  Session session{st, console, no_files, [&d] { return d.datetime; }};
  print_report_header(session);
  print(session);
  console.report(kRule);
}

}  // namespace

void print_dialog_report(std::ostream& out, const DialogReport& d) {
  DialogRunner* runner = d.runner.get();
  switch (d.kind) {
    case DialogReport::Kind::Synthesis:
      runner->print(&out);
      if (!d.analysis_replies.empty()) runner->analyse_synthesised(d.analysis_replies, &out);
      break;
    case DialogReport::Kind::EllipticSynthesis:
      framed_report(out, d, State{}, [&d](Session& s) { print_elliptic_report(s.console, *d.elliptic); });
      break;
    case DialogReport::Kind::CoupledSynthesis:
      framed_report(out, d, State{}, [&d](Session& s) { print_coupled_report(s.console, *d.coupled); });
      break;
    case DialogReport::Kind::ComputedSynthesis:
      framed_report(out, d, *d.stores,
                    [&d](Session& s) { print_synthesis_report(s, d.rod, d.ros); });
      break;
    case DialogReport::Kind::DesignAnalysis:
      runner->analyse_synthesised(d.analysis_replies, &out);
      break;
    case DialogReport::Kind::CircuitAnalysis:
      runner->analyse_circuit(d.path, d.analysis_replies, &out);
      break;
  }
}

}  // namespace varnholt

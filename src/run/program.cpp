#include "run/program.h"

#include "analysis/sweep.h"
#include "common/code_traits.h"
#include "common/fatal_error.h"
#include "common/file_system.h"
#include "format/console.h"
#include "input/dialog.h"
#include "run/storage.h"
#include "synthesis/report.h"

namespace varnholt {
namespace {

const char* response_name(const Control& control) {
  if (control.ifunc != 2) return "User-defined";
  return response_traits(control.iop).name;
}

// When storing, the line after the closing rule that names the file: said on
// the console only once the report and the line itself are written out to
// the file.
void report_stored(Session& s) {
  static const Layout kStored("(6X,'Output Data stored in User Filename: ',A20)");
  if (s.st.control.istore != 1) return;
  const FieldValues name = {std::string_view(s.st.charac.fno)};
  s.console.flush_storage();
  s.console.store(kStored, name);
  s.console.flush_storage();
  s.console.show(kStored, name);
}

// Reads a menu reply into isel.
void read_operation(Session& s) {
  static const Layout kPrompt("(6X,'OPERATION selected = ')");
  s.console.prompt(kPrompt);
  s.st.control.isel = s.console.read_choice();
}

// The menu after a synthesis; returns false when the program is to end.
bool synthesis_menu(Session& s) {
  static const Layout kMenu(
      "(/,6X,'Lumped Element Filter calculations completed.',/,6X,'Select next OPERATION:',/,"
      "11X,'1. Perform FREQUENCY ANALYSIS.',/,11X,'2. Design a NEW Filter.',/,"
      "10X,'*3. EXIT to operating system.')");
  static const Layout kGap("(/)");
  s.console.show(kMenu);
  read_operation(s);
  Control& c = s.st.control;
  if (c.isel == 2) return true;
  if (c.isel == 1) {
    c.ifunc = 1;
    c.isel = 4;
    s.console.show(kGap);
    return true;
  }
  return false;
}

// The menu after an analysis; returns false when the program is to end.
bool analysis_menu(Session& s) {
  static const Layout kMenu(
      "(/,6X,'Lumped Element Filter`s Frequency Analysis completed.',/,"
      "6X,'Select next OPERATION:',/,11X,'1. Change Analysis FREQUENCIES and Re-run.',/,"
      "11X,'2. Design a NEW Filter.',/,11X,'3. Change ELECTRICAL DATA and Re-run.',/,"
      "10X,'*4. EXIT to operating system.')");
  s.console.show(kMenu);
  read_operation(s);
  return s.st.control.isel >= 1 && s.st.control.isel <= 3;
}

}  // namespace

void report_run(Session& s) {
  static const Layout kRule("(6X,72(1H-))");
  State& st = s.st;
  st.main.design = filter_type_traits(st.control.ides).name;
  if (st.control.isel != 1 && st.control.isel != 4) {
    st.main.resp = padded(response_name(st.control), 20);
  }
  print_report_header(s);
  if (st.control.ifunc == 1) {
    analysis_run(s);
  } else {
    synthesis_run(s);
  }
  s.console.report(kRule);
}

void main_program(Session& s, Storage& storage) {
  State& st = s.st;
  st.control.isel = 0;
  for (;;) {
    uinput(s, st.main.a2);
    if (st.control.isel == -1) return;
    if (st.control.istore == 1) {
      std::ostream& file = storage.open(st.charac.fno);
      s.console.mirror_to(&file, storage.name());
    } else {
      s.console.mirror_to(nullptr);
    }
    const bool analysis = st.control.ifunc == 1;
    report_run(s);
    report_stored(s);
    s.console.mirror_to(nullptr);
    if (!(analysis ? analysis_menu(s) : synthesis_menu(s))) return;
  }
}

int run_program(std::istream& in, std::ostream& out, std::ostream& err, FileSystem& fs,
                const Clock& clock) {
  State st;
  Console console(in, out);
  Session session{st, console, fs, clock};
  Storage storage(fs);
  try {
    main_program(session, storage);
    console.mirror_to(nullptr);
    storage.close();
    if (!out.flush()) throw FatalError("cannot write to the console");
    return 0;
  } catch (const FatalError& e) {
    console.mirror_to(nullptr);
    out.flush();
    err << "varnholt: " << e.what() << '\n';
    // The stored lines are written out at a fatal end too; a failure is
    // told unless it is the one that ended the run.
    try {
      storage.close();
    } catch (const FatalError& also) {
      if (std::string_view(also.what()) != e.what()) err << "varnholt: " << also.what() << '\n';
    }
    err.flush();
    return 2;
  }
}

}  // namespace varnholt

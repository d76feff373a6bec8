#include <unistd.h>

#include <cmath>
#include <csignal>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/cli.h"
#include "cli/command.h"
#include "cli/design_json.h"
#include "cli/dialog_runner.h"
#include "cli/exports.h"
#include "cli/html_export.h"
#include "ladder/ladder.h"
#include "cli/output_file.h"
#include "cli/practical_options.h"
#include "common/file_system.h"
#include "run/output_buffer.h"
#include "synthesis/elliptic_report.h"
#include "synthesis/report.h"
#include "synthesis/transform.h"

namespace varnholt {
namespace {

constexpr const char* kVersion = "varnholt 1.1";
// Sweeps longer than this show their progress (on a terminal).
constexpr int64_t kProgressPoints = 100000;

// The output files of a command: each written to a temporary file and put in
// place only when every output has been written in full.
class Outputs {
 public:
  // Opens every output the command names, before anything is written, so
  // that a name that cannot be written stops the command at once.
  Outputs(const Command& c, CliIo& io) : command_(c), io_(io) {
    for (const char* option : {"--report", "--json", "--spice", "--touchstone", "--csv", "--html"}) {
      if (c.given(option)) streams_[option] = open(option, c.values.at(option));
    }
  }

  // The stream of the option's FILE, null when the option was not given.
  std::ostream* get(const std::string& option) const {
    const auto it = streams_.find(option);
    return it == streams_.end() ? nullptr : it->second;
  }
  bool any() const { return !streams_.empty(); }

  std::string path(const std::string& option) const { return command_.values.at(option); }

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

  const Command& command_;
  CliIo& io_;
  std::string stdout_owner_;
  std::vector<std::string> names_;
  std::vector<std::unique_ptr<OutputFile>> files_;
  std::map<std::string, std::ostream*> streams_;
};

// Progress of a long sweep on the error stream, in whole percent.
ProgressFn progress_for(CliIo& io, int64_t points, const std::string& what) {
  if (!io.progress || points <= kProgressPoints) return {};
  auto shown = std::make_shared<int64_t>(-1);
  return [&io, points, what, shown](int64_t done) {
    const int64_t percent = done * 100 / points;
    if (percent == *shown) return;
    *shown = percent;
    io.err << "\rvarnholt: " << what << " " << percent << "%" << (done >= points ? "\n" : "")
           << std::flush;
  };
}

// Forwards to a stream buffer and counts the lines passing, for progress.
class LineCounter : public std::streambuf {
 public:
  LineCounter(std::streambuf* target, ProgressFn progress, int64_t lines)
      : target_(target), progress_(std::move(progress)), lines_(lines) {}
  ~LineCounter() override {
    if (progress_) progress_(lines_);
  }

 protected:
  int_type overflow(int_type ch) override {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    count(traits_type::to_char_type(ch) == '\n' ? 1 : 0);
    return target_->sputc(traits_type::to_char_type(ch));
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    int64_t newlines = 0;
    for (std::streamsize i = 0; i < n; ++i) newlines += s[i] == '\n';
    count(newlines);
    return target_->sputn(s, n);
  }
  int sync() override { return target_->pubsync(); }

 private:
  void count(int64_t newlines) {
    done_ += newlines;
    if (progress_ && done_ % 4096 < newlines) progress_(std::min(done_, lines_));
  }
  std::streambuf* target_;
  ProgressFn progress_;
  int64_t lines_;
  int64_t done_ = 0;
};

// A report stream that shows progress for a long sweep.
struct ReportStream {
  ReportStream(std::ostream* sink, CliIo& io, int64_t points) {
    if (sink == nullptr) return;
    stream = sink;
    ProgressFn p = progress_for(io, points, "report");
    if (!p) return;
    counter = std::make_unique<LineCounter>(sink->rdbuf(), std::move(p), points);
    counted = std::make_unique<std::ostream>(counter.get());
    stream = counted.get();
  }
  std::ostream* stream = nullptr;
  std::unique_ptr<LineCounter> counter;
  std::unique_ptr<std::ostream> counted;
};

std::string ohms(const Termination& t) {
  return shortest(t.r) + (t.x < 0.0f ? " - j" : " + j") + shortest(std::fabs(t.x)) + " ohms";
}

std::string design_comment(const DesignRequest& d, int32_t n, Configuration circuit) {
  std::ostringstream s;
  s << kVersion << " design: " << name_of(d.type) << ' ' << name_of(d.response) << ", " << n
    << " sections, ";
  if (d.type == FilterType::BandPass || d.type == FilterType::BandStop) {
    s << "centre " << shortest(d.center) << " MHz, bandwidth " << shortest(d.bandwidth) << " MHz";
  } else {
    s << "cut-off " << shortest(d.cutoff) << " MHz";
  }
  if (d.ripple != 0.0f) s << ", ripple " << shortest(d.ripple) << " dB";
  if (d.response == Response::Elliptic) s << ", stopband " << shortest(d.attenuation) << " dB";
  s << ", impedance " << shortest(d.impedance) << " ohms, "
    << (circuit == Configuration::Dual ? "dual" : "standard") << " circuit";
  return s.str();
}

Configuration other_circuit(Configuration c) {
  return c == Configuration::Dual ? Configuration::Standard : Configuration::Dual;
}

// What the exports need besides the ladder.
struct ExportData {
  Ladder ladder;
  Termination source, load;
  SweepRange sweep;
  std::string comment;
  std::vector<Passband> passbands;  // of the design, for a tolerance mask
};

std::vector<Passband> passbands_of(FilterType type, float cutoff, float lower, float upper,
                                   const SweepRange& sweep) {
  return design_passbands(type, cutoff, lower, upper, sweep.fmin,
                          sweep_point(sweep, sweep_points(sweep) - 1));
}

// Where the netlist's commands write their results: beside the netlist's name
// in the simulator's working folder.
std::string spice_data_name(const std::string& netlist) {
  if (netlist == "-") return "varnholt-ac.txt";
  std::string base = netlist.substr(netlist.rfind('/') + 1);
  const auto dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base + "-ac.txt";
}

// The practical options' work: the rounded lossy ladder for the netlist and
// the Touchstone file, extra CSV columns, and a report section after the
// dialog's report.
void write_exports(Outputs& outputs, const Options& o, const ExportData& e, CliIo& io,
                   const PracticalOptions& practical = {}, std::ostream* report = nullptr) {
  const std::string lines = e.comment + "\nTerminations: source " + ohms(e.source) + ", load " +
                            ohms(e.load);
  const int64_t points = sweep_points(e.sweep);
  const Complex zs(e.source.r, e.source.x);
  const Complex zl(e.load.r, e.load.x);
  std::optional<PracticalResult> p;
  if (practical.any()) {
    std::vector<double> f(static_cast<std::size_t>(points));
    for (int64_t k = 0; k < points; ++k) f[static_cast<std::size_t>(k)] = sweep_point(e.sweep, k);
    p = run_practical(practical, e.ladder, zs, zl, e.passbands, f);
    if (report != nullptr) write_practical_report(*report, *p);
  }
  const Ladder& built = p ? p->rounded.ladder : e.ladder;
  std::string built_note;
  if (practical.rounded()) built_note += "\nValues rounded to the series asked for";
  if (practical.lossy()) built_note += "\n" + q_assumptions(practical);
  if (std::ostream* out = outputs.get("--spice")) {
    const std::string name = spice_data_name(outputs.path("--spice"));
    *out << spice_export(built, e.source, e.load, e.sweep,
                         lines + built_note + "\nWrites frequency (Hz), s21_db, s21_deg" +
                             (e.source.x == 0.0f ? ", s11_db, s11_deg" : "") + " to " + name,
                         name, practical.losses);
  }
  if (std::ostream* out = outputs.get("--touchstone")) {
    const double z0 = o.reference.value_or(e.source.r);
    write_touchstone(*out, built, z0, e.sweep,
                     lines + built_note + "\nS-parameters of the ladder alone, referred to " +
                         shortest(static_cast<float>(z0)) + " ohms",
                     progress_for(io, points, "touchstone"), practical.losses);
  }
  if (std::ostream* out = outputs.get("--csv")) {
    const CsvColumns extra = p ? practical_csv_columns(*p, zs, zl) : CsvColumns{};
    write_csv(*out, e.ladder, e.source, e.load, e.sweep, progress_for(io, points, "csv"),
              p ? &extra : nullptr);
  }
}

AnalysisRequest analysis_request(const Options& o, Configuration circuit,
                                 const Termination& source, const Termination& load,
                                 const SweepRange& sweep) {
  AnalysisRequest a;
  a.circuit = circuit;
  a.source = o.source.value_or(source);
  a.load = o.load.value_or(load);
  a.sweep = sweep;
  a.return_loss = o.return_loss;
  return a;
}

// The synthesis report of an elliptic design: the run header, the design's
// report, the closing rule, as the dialog's runs are framed.
void elliptic_report(std::ostream& sink, const EllipticDesign& e, CliIo& io) {
  static const Layout kRule("(6X,72(1H-))");
  State st;
  st.datetime = io.clock();
  std::istringstream no_replies;
  Console console(no_replies, sink);
  Session session{st, console, io.files, io.clock};
  print_report_header(session);
  print_elliptic_report(console, e);
  console.report(kRule);
}

// Elliptic designs come from their own synthesis, not the dialog's: the
// report is the synthesis report (a sweep goes to the exports only).
int run_elliptic_design(const Command& c, const Options& o, CliIo& io) {
  const DesignRequest& d = o.design;
  const Configuration circuit = o.circuit.value_or(Configuration::Standard);
  const EllipticDesign standard = elliptic_design(d, Configuration::Standard, "--");
  const EllipticDesign dual = elliptic_design(d, Configuration::Dual, "--");
  const EllipticDesign& e = circuit == Configuration::Dual ? dual : standard;
  check_page_options(c, true);
  Outputs outputs(c, io);
  std::ostream* report = outputs.any() ? outputs.get("--report") : &io.out;
  if (report != nullptr) elliptic_report(*report, e, io);
  if (std::ostream* json = outputs.get("--json")) *json << elliptic_design_json(d, standard, dual);
  const SweepRange sweep = o.sweep.value_or(
      default_sweep(d.type, d.cutoff, lower_edge(d), upper_edge(d), o.points));
  const AnalysisRequest a =
      analysis_request(o, circuit, {static_cast<float>(e.source_ohms), 0.0f},
                       {static_cast<float>(e.load_ohms), 0.0f}, sweep);
  write_exports(outputs, o,
                {e.ladder(), a.source, a.load, sweep, design_comment(d, e.order, circuit),
                 passbands_of(d.type, d.cutoff, lower_edge(d), upper_edge(d), sweep)},
                io, read_practical_options(c), report);
  const EllipticDesign& alt = circuit == Configuration::Dual ? standard : dual;
  PageRequest page = design_page(
      d, e.order, {circuit_title(circuit), e.ladder(), a.source, a.load},
      PageCircuit{circuit_title(other_circuit(circuit)), alt.ladder(), a.source,
                  o.load.value_or(Termination{static_cast<float>(alt.load_ohms), 0.0f})},
      sweep);
  page.stopband = StopbandRequirement{e.stopband_mhz, d.attenuation, std::nullopt};
  write_page(outputs.get("--html"), c, std::move(page));
  outputs.commit();
  return 0;
}

int run_design(const Command& c, CliIo& io) {
  const Options o = read_options(c);
  const DesignRequest& d = o.design;
  const PracticalOptions practical = read_practical_options(c);
  if (d.response == Response::Elliptic) return run_elliptic_design(c, o, io);
  const Configuration circuit = o.circuit.value_or(Configuration::Standard);
  check_page_options(c, true);
  Outputs outputs(c, io);
  std::ostream* report = outputs.any() ? outputs.get("--report") : &io.out;
  std::ostream* json = outputs.get("--json");
  DialogRunner runner(io.files, io.clock);
  runner.synthesise(d, report);
  const State& st = runner.state();
  float rod = 0.0f;
  float ros = 0.0f;
  load_resistances(st.capind.g, st.block1.n, d.impedance, rod, ros);
  const Termination source{d.impedance, 0.0f};
  const Termination load{circuit == Configuration::Dual ? rod : ros, 0.0f};
  const SweepRange sweep =
      o.sweep.value_or(default_sweep(d.type, d.cutoff, st.freq1.fl1, st.freq1.fh1, o.points));
  const AnalysisRequest a = analysis_request(o, circuit, source, load, sweep);
  ExportData e{ladder_from_stores(st.capind, d.type, circuit, st.block1.n), a.source, a.load,
               sweep, design_comment(d, st.block1.n, circuit),
               passbands_of(d.type, d.cutoff, st.freq1.fl1, st.freq1.fh1, sweep)};
  if (json != nullptr) *json << design_json(d, st);
  if (report != nullptr && o.sweep) {
    ReportStream r(report, io, sweep_points(sweep));
    runner.analyse_synthesised(a, r.stream);
  }
  write_exports(outputs, o, e, io, practical, report);
  const Configuration other = other_circuit(circuit);
  const Termination other_load{other == Configuration::Dual ? rod : ros, 0.0f};
  write_page(outputs.get("--html"), c,
             design_page(d, st.block1.n, {circuit_title(circuit), e.ladder, a.source, a.load},
                         PageCircuit{circuit_title(other),
                                     ladder_from_stores(st.capind, d.type, other, st.block1.n),
                                     a.source, o.load.value_or(other_load)},
                         sweep));
  outputs.commit();
  return 0;
}

std::string read_text(FileSystem& files, const std::string& path) {
  std::string why;
  auto in = files.open_read(path, why);
  if (!in) throw UsageError(path + ": cannot be read (" + why + ")");
  std::ostringstream text;
  text << in->rdbuf();
  if (in->bad()) throw UsageError(path + ": cannot be read");
  return text.str();
}

// A design file's circuit into the element stores, position by position.
void stores_from_ladder(const Ladder& ladder, FilterType type, Capind& c) {
  std::size_t k = 1;
  for (const Branch& b : ladder.branches) {
    const BranchStores s = branch_stores(type, b.placement);
    if (s.l != nullptr) (c.*s.l)[k] = static_cast<float>(b.l[0]);
    if (s.c != nullptr) (c.*s.c)[k] = static_cast<float>(b.c[0]);
    ++k;
  }
}

// The page of a design file's circuit, the other circuit beside it.
PageRequest file_page(const DesignFile& f, Configuration circuit, const AnalysisRequest& a,
                      const std::optional<Termination>& load_option, const SweepRange& sweep) {
  const bool dual = circuit == Configuration::Dual;
  const Ladder& chosen = dual ? f.dual : f.standard;
  const Termination other_load{dual ? f.load_standard : f.load_dual, 0.0f};
  return design_page(f.design, static_cast<int32_t>(chosen.branches.size()),
                     {circuit_title(circuit), chosen, a.source, a.load},
                     PageCircuit{circuit_title(other_circuit(circuit)), dual ? f.standard : f.dual,
                                 a.source, load_option.value_or(other_load)},
                     sweep);
}

bool is_design_file(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  return first != std::string::npos && text[first] == '{';
}

int run_analyse(const Command& c, CliIo& io) {
  const Options o = read_options(c);
  const PracticalOptions practical = read_practical_options(c);
  const std::string& path = c.circuit_file;
  if (c.given("--json")) throw UsageError("--json: only the design command writes a design file");
  const std::string text = read_text(io.files, path);
  check_page_options(c, is_design_file(text));
  Outputs outputs(c, io);
  std::ostream* report = outputs.any() ? outputs.get("--report") : &io.out;
  DialogRunner runner(io.files, io.clock);
  ExportData e;
  if (is_design_file(text)) {
    const DesignFile f = read_design_json(text, path);
    const Configuration circuit = o.circuit.value_or(Configuration::Standard);
    const bool dual = circuit == Configuration::Dual;
    const Ladder& ladder = dual ? f.dual : f.standard;
    if (f.design.response == Response::Elliptic) {
      // The dialog's analysis knows single-pair branches only; an elliptic
      // ladder is analysed by the exports.
      if (report != nullptr) {
        throw UsageError(std::string(c.given("--report") ? "--report" : path) +
                         ": the analysis report covers the dialog's ladders; for an elliptic "
                         "design ask for --csv, --touchstone or --spice");
      }
      const DesignRequest& d = f.design;
      const SweepRange sweep = o.sweep.value_or(
          default_sweep(d.type, d.cutoff, lower_edge(d), upper_edge(d), o.points));
      const AnalysisRequest a = analysis_request(
          o, circuit, {f.source, 0.0f}, {dual ? f.load_dual : f.load_standard, 0.0f}, sweep);
      write_exports(outputs, o,
                    {ladder, a.source, a.load, sweep,
                     design_comment(d, static_cast<int32_t>(ladder.branches.size()), circuit),
                     passbands_of(d.type, d.cutoff, lower_edge(d), upper_edge(d), sweep)},
                    io, practical, nullptr);
      if (std::ostream* html = outputs.get("--html")) {
        PageRequest page = file_page(f, circuit, a, o.load, sweep);
        page.stopband = StopbandRequirement{
            elliptic_design(d, circuit, path + ": ").stopband_mhz, d.attenuation, std::nullopt};
        write_page(html, c, std::move(page));
      }
      outputs.commit();
      return 0;
    }
    runner.synthesise(f.design, nullptr);
    State& st = runner.state();
    stores_from_ladder(ladder, f.design.type, st.capind);
    const SweepRange sweep = o.sweep.value_or(
        default_sweep(f.design.type, f.design.cutoff, st.freq1.fl1, st.freq1.fh1, o.points));
    const AnalysisRequest a = analysis_request(
        o, circuit, {f.source, 0.0f}, {dual ? f.load_dual : f.load_standard, 0.0f}, sweep);
    if (report != nullptr) {
      ReportStream r(report, io, sweep_points(sweep));
      runner.analyse_synthesised(a, r.stream);
    }
    e = {ladder, a.source, a.load, sweep, design_comment(f.design, st.block1.n, circuit),
         passbands_of(f.design.type, f.design.cutoff, st.freq1.fl1, st.freq1.fh1, sweep)};
    write_page(outputs.get("--html"), c, file_page(f, circuit, a, o.load, sweep));
  } else {
    if (o.circuit) {
      throw UsageError("--circuit: only for design files; a circuit data file gives its own");
    }
    DialogRunner probe(io.files, io.clock);
    probe.read_circuit(path);
    const State& st = probe.state();
    const FilterType type = filter_type(st.control.ides);
    const Configuration circuit = configuration(st.control.icfg);
    const SweepRange sweep =
        o.sweep.value_or(default_sweep(type, st.freq1.fc1, st.freq1.fl1, st.freq1.fh1, o.points));
    const AnalysisRequest a = analysis_request(o, circuit, {}, {}, sweep);
    if (report != nullptr) {
      ReportStream r(report, io, sweep_points(sweep));
      runner.analyse_circuit(path, a, r.stream);
    }
    e = {ladder_from_stores(st.capind, type, circuit, st.block1.n), a.source, a.load, sweep,
         std::string(kVersion) + " analysis of " + path + ": " + name_of(type) + ", " +
             std::to_string(st.block1.n) + " sections, " +
             (circuit == Configuration::Dual ? "dual" : "standard") + " circuit",
         passbands_of(type, st.freq1.fc1, st.freq1.fl1, st.freq1.fh1, sweep)};
    PageRequest page;
    page.title = "Analysis of " + path.substr(path.rfind('/') + 1);
    page.parameters = {{"Circuit file", path},
                       {"Filter", type_title(type)},
                       {"Sections", std::to_string(st.block1.n)}};
    page.type = type;
    page.passband = design_passband(type, st.freq1.fc1, st.freq1.fl1, st.freq1.fh1);
    page.chosen = {circuit_title(circuit), e.ladder, a.source, a.load};
    page.sweep = sweep;
    write_page(outputs.get("--html"), c, std::move(page));
  }
  write_exports(outputs, o, e, io, practical, report);
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
        const int status = c.kind == CommandKind::Design ? run_design(c, io) : run_analyse(c, io);
        // A report on standard output may still sit in its buffer.
        if (!io.out.flush()) throw UsageError("cannot write to standard output");
        return status;
      }
    }
  } catch (const UsageError& e) {
    io.err << "varnholt: " << e.what() << '\n';
  } catch (const FatalError& e) {
    io.err << "varnholt: " << e.what() << '\n';
  }
  io.err.flush();
  return 2;
}

int cli_main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);
  DescriptorOutputBuffer out_buffer(STDOUT_FILENO, std::size_t{1} << 18);
  std::ostream out(&out_buffer);
  DiskFileSystem files;
  CliIo io{out, std::cerr, files, local_time, ::isatty(STDERR_FILENO) == 1};
  const std::vector<std::string> args(argv + 1, argv + argc);
  return run_cli(args, io);
}

}  // namespace varnholt

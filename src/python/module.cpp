// The extension module _varnholt: the command line's pipeline called from
// Python. The package python/varnholt turns keyword arguments into the
// command line's arguments; here the command line's own parser takes them
// apart, read_job checks them, evaluate computes the Result once, and each
// export is its writer's text. Numbers handed to Python are the Result's
// doubles in SI units (Hz, H, F, seconds).
#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>

#include "cli/command.h"
#include "common/fatal_error.h"
#include "common/file_system.h"
#include "common/parallel.h"
#include "common/si_text.h"
#include "pipeline/evaluate.h"
#include "pipeline/progress.h"
#include "practical/elements.h"
#include "synthesis/elliptic_report.h"
#include "writers/writers.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace varnholt {
namespace {

using RealArray = py::array_t<double, py::array::c_style | py::array::forcecast>;
using ComplexArray = py::array_t<Complex>;

// value × 10^exp10 as the double nearest to that decimal: the shortest digits
// of `value` with their exponent moved, so that 100 nH is the 1e-7 H typed,
// not 100 * 1e-9 = 1.0000000000000001e-07, and 10.7e6 Hz is 10.7 MHz.
double shifted(double value, int exp10) {
  if (!std::isfinite(value) || value == 0.0) return value;
  char text[48];
  const auto digits = std::to_chars(text, text + 32, value, std::chars_format::scientific);
  char* e = std::find(text, digits.ptr, 'e');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), digits.ptr, exponent);
  const auto end = std::to_chars(e + 1, text + sizeof text, exponent + exp10);
  double out = 0.0;
  if (std::from_chars(text, end.ptr, out).ec != std::errc()) return value * std::pow(10.0, exp10);
  return out;
}

// Lets Ctrl-C stop long work: at most every 50 ms the interpreter's signal
// handlers run, the GIL held for that moment; the exception one raises (a
// KeyboardInterrupt) is thrown through the pipeline back to Python.
class SignalPoll {
 public:
  void operator()() {
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return;
    next_ = now + std::chrono::milliseconds(50);
    const py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  }

 private:
  std::chrono::steady_clock::time_point next_{};
};

// evaluate(job) with the GIL released, interruptible between trials and
// between the batches of a value search. The
// files stay for the life of the module: the report reads through them when
// it is written.
Result evaluated(Job job) {
  static DiskFileSystem files;
  auto poll = std::make_shared<SignalPoll>();
  job.practical.yield.progress = [poll](int64_t, int64_t) { (*poll)(); };
  const py::gil_scoped_release released;
  return evaluate(job, files, local_time,
                  [poll](const std::string&, int64_t, int64_t) { (*poll)(); });
}

Output output_named(const std::string& name) {
  for (const Output o : kOutputs) {
    if (name == option_of(o) + 2) return o;
  }
  throw py::value_error("no output '" + name + "'");
}

// The job of the arguments with the output options added.
Job job_with(std::vector<std::string> args, std::initializer_list<std::string> outputs) {
  args.insert(args.end(), outputs);
  const Command c = parse_command(args);
  if (c.kind == CommandKind::Help || c.kind == CommandKind::Version) {
    throw UsageError("--help and --version belong to the command line");
  }
  return read_job(c);
}

// The ladder between the circuit's terminations at f (MHz), both ways:
// the reverse response is that of the chain matrix turned round (A and D
// swapped, a reciprocal network's determinant being 1) between the
// terminations swapped.
struct BothWays {
  PortResponse forward, reverse;
};
BothWays both_ways(const PreparedNetwork& net, const Circuit& c, const PartModel& losses,
                   double f_mhz) {
  const Complex zs(c.source.r, c.source.x), zl(c.load.r, c.load.x);
  AbcdSlope m = net.chain_matrix_slope(f_mhz, losses);
  const PortResponse forward = port_response(m, zs, zl);
  std::swap(m.m.a, m.m.d);
  std::swap(m.dm.a, m.dm.d);
  return {forward, port_response(m, zl, zs)};
}

// Frequencies given in Hz, in MHz as the pipeline takes them.
std::vector<double> mhz_of(const RealArray& hz) {
  std::vector<double> f(static_cast<std::size_t>(hz.size()));
  const double* in = hz.data();
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (!(in[i] > 0.0) || !std::isfinite(in[i])) {
      throw py::value_error("frequency: must be above 0 Hz and finite (got " +
                            shortest_text(in[i]) + ")");
    }
    f[i] = shifted(in[i], -6);
  }
  return f;
}

RealArray hz_of(const std::vector<double>& mhz) {
  RealArray out(static_cast<py::ssize_t>(mhz.size()));
  double* hz = out.mutable_data();
  for (std::size_t i = 0; i < mhz.size(); ++i) hz[i] = shifted(mhz[i], 6);
  return out;
}

// One command evaluated: with the outputs whose figures Python reads (the
// CSV's sweep, the Touchstone S-parameters, the yield; the page's options
// --both and --log are checked against --html), and each export evaluated
// as the command line does it with that output alone.
class Evaluation {
 public:
  explicit Evaluation(std::vector<std::string> args)
      : args_(std::move(args)),
        result_(evaluated(job_with(args_, {"--csv=-", "--touchstone=-", "--html=-"}))) {}

  std::string write(const std::string& name, const std::string& path) const {
    const Output output = output_named(name);
    const Result r = evaluated(job_with(args_, {option_of(output) + ("=" + path)}));
    std::ostringstream text;
    auto poll = std::make_shared<SignalPoll>();
    {
      const py::gil_scoped_release released;
      // The counting stream calls back every 4,096 lines; its last call
      // (done == total, from its destructor) must not throw.
      const Progress progress = [poll](const std::string&, int64_t done, int64_t total) {
        if (done < total) (*poll)();
      };
      CountedStream counted(text, progress, name, std::numeric_limits<int64_t>::max());
      counted.stream().exceptions(std::ios::badbit);
      write_output(output, counted.stream(), r, {path});
    }
    return text.str();
  }

  const std::string& description() const { return result_.description; }

  // Each branch as built: placement, connection, then its elements (name, H or F).
  py::list ladder() const {
    const Ladder& ladder = result_.built();
    std::vector<py::list> elements(ladder.branches.size());
    for (const ElementRef& e : ladder_elements(ladder)) {
      const double value = shifted(element_value(ladder, e), e.inductor ? -9 : -12);
      elements[e.branch].append(py::make_tuple(element_name(ladder, e), value));
    }
    py::list branches;
    for (std::size_t i = 0; i < ladder.branches.size(); ++i) {
      const Branch& b = ladder.branches[i];
      branches.append(py::make_tuple(b.placement == Placement::Shunt ? "shunt" : "series",
                                     connection_text(b.kind), elements[i]));
    }
    return branches;
  }

  // The built circuit between its terminations, at the frequencies given (Hz)
  // or over the design's sweep.
  py::dict sweep(const std::optional<RealArray>& frequency) const {
    const std::vector<double> f = frequency ? mhz_of(*frequency) : result_.f_mhz;
    const auto n = static_cast<py::ssize_t>(f.size());
    ComplexArray s11(n), s21(n), s12(n), s22(n), zin(n);
    RealArray delay(n), s21_db(n), s21_deg(n), s11_db(n), vswr(n);
    Complex *c11 = s11.mutable_data(), *c21 = s21.mutable_data(), *c12 = s12.mutable_data(),
            *c22 = s22.mutable_data(), *z = zin.mutable_data();
    double *td = delay.mutable_data(), *g = s21_db.mutable_data(), *phase = s21_deg.mutable_data(),
           *r = s11_db.mutable_data(), *v = vswr.mutable_data();
    const Circuit circuit = built();
    {
      const py::gil_scoped_release released;
      const PreparedNetwork net(circuit.ladder);
      parallel_blocks(f.size(), [&](std::size_t i) {
        const auto [p, back] = both_ways(net, circuit, result_.practical.losses, f[i]);
        c11[i] = p.s11, c21[i] = p.s21, c12[i] = back.s21, c22[i] = back.s11, z[i] = p.zin;
        td[i] = shifted(p.delay_ns, -9);
        g[i] = p.s21_db, phase[i] = p.s21_deg, r[i] = p.s11_db, v[i] = p.vswr;
      });
    }
    return py::dict("frequency"_a = hz_of(f), "s11"_a = s11, "s21"_a = s21, "s12"_a = s12,
                    "s22"_a = s22, "zin"_a = zin, "delay"_a = delay, "s21_db"_a = s21_db,
                    "s21_deg"_a = s21_deg, "s11_db"_a = s11_db, "vswr"_a = vswr);
  }

  // The Touchstone file's S-parameters (the built ladder alone, referred to
  // its reference resistance): frequency (Hz), S (n x 2 x 2), the reference.
  py::tuple s_parameters(const std::optional<RealArray>& frequency) const {
    const std::vector<double> f = frequency ? mhz_of(*frequency) : result_.f_mhz;
    std::vector<SParameters> s(f.size());
    {
      const Circuit circuit = built();
      const py::gil_scoped_release released;
      const Evaluator network(circuit, result_.practical.losses);
      parallel_ranges(f.size(), [&](std::size_t begin, std::size_t end) {
        network.s_parameters(std::span(f).subspan(begin, end - begin), result_.reference_ohms,
                             std::span(s).subspan(begin, end - begin));
      });
    }
    ComplexArray matrix({static_cast<py::ssize_t>(s.size()), py::ssize_t{2}, py::ssize_t{2}});
    Complex* m = matrix.mutable_data();
    for (const SParameters& p : s) *m++ = p.s11, *m++ = p.s12, *m++ = p.s21, *m++ = p.s22;
    return py::make_tuple(hz_of(f), matrix, result_.reference_ohms);
  }

  // The yield analysis: trials, passed, percent and each mask item's
  // failures; None without tolerances.
  py::object yield_summary() const {
    if (!result_.yield) return py::none();
    const YieldResult& y = *result_.yield;
    py::list failures;
    for (const MaskItem& item : y.items) {
      failures.append(py::make_tuple(mask_item_text(result_.practical.mask, item), item.failures));
    }
    return py::make_tuple(y.trials, y.passed, y.yield_percent, failures);
  }

 private:
  Circuit built() const {
    if (result_.built().branches.empty()) {
      throw UsageError(result_.source_name + ": a measurement has no ladder to evaluate");
    }
    return {result_.chosen.name, result_.built(), result_.chosen.source, result_.chosen.load};
  }

  std::vector<std::string> args_;
  Result result_;
};

// The parser is the one authority on which options repeat: an option keeps
// both of two values given to it only if it takes each occurrence.
bool keeps_repeats(const std::string& command, const std::string& option) {
  const auto seen = [&](std::initializer_list<const char*> values) {
    std::vector<std::string> args{command};
    if (command == "analyse") args.emplace_back("probe");
    for (const char* v : values) args.push_back(option + "=" + v);
    try {
      const Command c = parse_command(args);
      std::string text;
      for (const auto& [name, value] : c.values) text += name + "=" + value + "\n";
      for (const std::string& part : c.parts) text += part + "\n";
      return text;
    } catch (const UsageError&) {
      return std::string();
    }
  };
  const std::string both = seen({"a", "b"});
  return !both.empty() && both != seen({"a"}) && both != seen({"b"});
}

std::vector<std::string> output_names() {
  std::vector<std::string> names;
  for (const Output o : kOutputs) names.emplace_back(option_of(o) + 2);
  return names;
}

std::string usage(const std::string& command) { return parse_command({command, "--help"}).help; }

}  // namespace
}  // namespace varnholt

PYBIND11_MODULE(_varnholt, m) {
  using namespace varnholt;
  m.doc() = "The Varnholt pipeline; the package varnholt is its Python interface.";
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const UsageError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const FatalError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    }
  });
  py::class_<Evaluation>(m, "Evaluation", "A command evaluated once by the pipeline.")
      .def(py::init<std::vector<std::string>>(), py::arg("args"),
           "Parses, checks and evaluates the command line's arguments; ValueError names the "
           "option and the rule.")
      .def("write", &Evaluation::write, py::arg("output"), py::arg("path"),
           "The text of one output ('report', 'json', ...) written for `path`.")
      .def_property_readonly("description", &Evaluation::description)
      .def("ladder", &Evaluation::ladder, "[(placement, connection, [(name, value)])], H and F.")
      .def("sweep", &Evaluation::sweep, py::arg("frequency") = py::none(),
           "The built circuit between its terminations: arrays by name.")
      .def("s_parameters", &Evaluation::s_parameters, py::arg("frequency") = py::none(),
           "(frequency, S, reference) of the built ladder alone.")
      .def("yield_summary", &Evaluation::yield_summary,
           "(trials, passed, percent, [(mask item, failures)]) or None.");
  m.def("keeps_repeats", &keeps_repeats, py::arg("command"), py::arg("option"),
        "Whether the option takes each of several occurrences.");
  m.def("outputs", &output_names, "The names of the outputs: report, json, ...");
  m.def("usage", &usage, py::arg("command"), "The command's usage text.");
}

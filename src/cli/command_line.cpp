// The argument parser (CLI11) and the usage texts; nothing else uses CLI11.
#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/command.h"
#include "ladder/network.h"
#include "pipeline/requests.h"

namespace varnholt {
namespace {

struct OptionText {
  const char* name;
  const char* help;
};

constexpr OptionText kDesignOptions[] = {
    {"--type", "lowpass, highpass, bandpass or bandstop (also lp, hp, bp, bs); required"},
    {"--response", "chebyshev (default), butterworth, bessel, linear-phase, elliptic, legendre, "
                   "gaussian, transitional-6db, transitional-12db, equiripple-phase or "
                   "inverse-chebyshev"},
    {"--phase-error", "equiripple-phase: the phase error, degrees, 0.05 to 5 (default 0.05)"},
    {"--cutoff", "cut-off frequency, MHz or with a unit (2.4GHz, 455kHz) (low-pass, high-pass)"},
    {"--center", "centre frequency, MHz (band-pass, band-stop; with --bandwidth)"},
    {"--bandwidth", "bandwidth, MHz (band-pass, band-stop; with --center)"},
    {"--band", "FL,FH: the band edges, MHz, instead of --center and --bandwidth"},
    {"--ripple", "passband ripple, dB (Chebyshev and elliptic; required for them)"},
    {"--sections", "number of sections N, 2 to 30 for Chebyshev and Butterworth, 2 to 15 for the others"},
    {"--skirt", "skirt frequency F1, MHz: N from the attenuation wanted there"},
    {"--attenuation", "attenuation A1 wanted at the skirt frequency, dB (elliptic and inverse-chebyshev: the stopband attenuation, always required)"},
    {"--impedance", "system impedance, ohms (default 50)"},
    {"--topology", "band-pass: ladder (default), or coupled resonators top-c, top-l or shunt-c"},
    {"--resonator-l", "coupled resonators: every resonator's inductor (220n, 1u, or nH)"},
};

constexpr OptionText kCircuitOption = {
    "--circuit", "standard (default; first branch shunt) or dual (first branch series)"};

constexpr OptionText kCommonOptions[] = {
    {"--from", "sweep start frequency, MHz"},
    {"--to", "sweep stop frequency, MHz"},
    {"--step", "sweep step, MHz"},
    {"--points", "number of sweep points, instead of --step (default 201)"},
    {"--source", "R[,X]: source resistance and reactance, ohms"},
    {"--load", "R[,X]: load resistance and reactance, ohms"},
    {"--reference", "reference impedance of the Touchstone file, ohms (default: source R)"},
    {"--report", "FILE: the dialog's report (- for standard output)"},
    {"--json", "FILE: the design as JSON (design command)"},
    {"--spice", "FILE: a circuit-simulator netlist with an AC sweep"},
    {"--touchstone", "FILE: Touchstone 1.1 two-port S-parameters of the ladder"},
    {"--csv", "FILE: gain, phase, delay, S11, VSWR and Zin per frequency"},
};

constexpr OptionText kPracticalOptions[] = {
    {"--round", "E6, E12, E24, E48, E96 or E192: every L and C to the nearest value of the series"},
    {"--round-l", "E6 ... E192: the inductors only (instead of --round)"},
    {"--round-c", "E6 ... E192: the capacitors only (instead of --round)"},
    {"--q-inductor", "Q of every inductor (default: lossless)"},
    {"--q-capacitor", "Q of every capacitor (default: lossless)"},
    {"--q-at", "frequency of the Q (default: the same Q at every frequency)"},
    {"--inductor-srf", "self-resonant frequency of every inductor (1.2GHz): a capacitance across each from its own L"},
    {"--inductor-cp", "capacitance across every inductor (0.15pF; instead of --inductor-srf)"},
    {"--capacitor-esl", "inductance in series with every capacitor (0.5nH)"},
    {"--capacitor-esr", "resistance in series with every capacitor, ohms (with the Q's loss, if both)"},
    {"--node-capacitance", "capacitance to ground at every node of the line: input, output, after each series branch (0.3p)"},
    {"--tolerance-l", "tolerance of the inductors, percent"},
    {"--tolerance-c", "tolerance of the capacitors, percent"},
    {"--distribution", "uniform (default) or normal (the tolerance is 3 sigma)"},
    {"--trials", "Monte Carlo trials (default 1000)"},
    {"--seed", "seed of the trials (default 1)"},
    {"--threads", "threads of the trials (default: all cores)"},
    {"--mask-passband-loss", "mask: at most this loss in the passband, dB"},
    {"--mask-return-loss", "mask: at least this return loss in the passband, dB"},
    {"--free", "NAME,...: --optimise: these elements (C2,L3) set continuously, within +-50 % of "
               "their ideal values (trimmers, or values ordered specially)"},
    {"--max-evaluations", "--optimise: stop after this many designs evaluated, with the best found "
                          "(default 200000)"},
};

// The practical options without a value; each kept as an empty text.
constexpr OptionText kPracticalFlags[] = {
    {"--pairs", "--optimise: a capacitor may also be two parts of the series in parallel or in series"},
    {"--refine", "set every value continuously so that the circuit's loss matches the ideal "
                 "response over the passband and at its edges (coupled resonators; Q, parasitics "
                 "or measured parts)"},
};

// The practical options; --mask-stopband, repeatable, keeps its values joined by ';'.
void add_practical_options(CLI::App& app, Command& command) {
  auto& values = command.values;
  for (const OptionText& o : kPracticalOptions) {
    const std::string name = o.name;
    app.add_option_function<std::string>(
        name, [&values, name](const std::string& v) { values[name] = v; }, o.help);
  }
  std::string laws = "how the Q follows frequency from --q-at:";
  for (const QLawText& t : kQLaws) laws += std::string(" ") + t.name + " (" + t.help + ");";
  laws.back() = '.';
  app.add_option_function<std::string>(
      "--q-model", [&values](const std::string& v) { values["--q-model"] = v; }, laws);
  app.add_option_function<std::vector<std::string>>(
         "--mask-stopband",
         [&values](const std::vector<std::string>& all) {
           std::string joined;
           for (const std::string& v : all) joined += (joined.empty() ? "" : ";") + v;
           values["--mask-stopband"] = joined;
         },
         "F:dB: mask point, at least dB of loss at F (repeatable)")
      ->allow_extra_args(false);
  app.add_option_function<std::string>(
         "--optimise", [&values](const std::string& v) { values["--optimise"] = v; },
         "[margin|yield]: choose every value from the series of --round by a search: for the "
         "largest worst margin to the mask (margin, the default) or the most trials passing it "
         "(yield, with tolerances)")
      ->expected(0, 1);
  for (const auto& [name, help] : kPracticalFlags) {
    const std::string option = name;
    app.add_flag_callback(option, [&values, option] { values[option] = ""; }, help);
  }
  app.add_flag("--align", command.align,
               "coupled resonators: tune each trial's resonators to the centre before its mask check");
}

constexpr const char* kDesignFooter =
    "With no output option the report goes to standard output. The sweep (for\n"
    "--spice, --touchstone, --csv, and the analysis report that follows the\n"
    "synthesis report when a range is given) defaults to 201 points: low-pass\n"
    "0.01 to 3 times the cut-off, high-pass a third of to 3 times the cut-off,\n"
    "band types 1.5 bandwidths either side of the centre. The terminations\n"
    "default to the design's own source and load resistances. An elliptic design's\n"
    "report is its synthesis report; its sweep goes to the exports.";

constexpr const char* kAnalyseFooter =
    "CIRCUIT is a circuit data file (as the interactive program reads), a\n"
    "design file written by `design --json`, or a measured Touchstone file\n"
    "(.s1p, .s2p), which --csv and --html show at its own frequencies (or\n"
    "interpolated over --from and --to). Terminations default to 50 ohms,\n"
    "or to the design's own for a design file; the sweep to 201 points around\n"
    "the cut-offs, as for design. With no output option the report goes to\n"
    "standard output.";

constexpr const char* kMainFooter =
    "Without arguments the interactive program runs. Examples:\n"
    "  varnholt design --type lp --cutoff 100 --ripple 0.5 --sections 5\n"
    "  varnholt design --type bp --center 100 --bandwidth 20 --response butterworth \\\n"
    "      --sections 4 --json bp.json --touchstone bp.s2p\n"
    "  varnholt analyse bp.json --from 60 --to 140 --points 81 --csv bp.csv\n"
    "  varnholt serve --open";

// Every option takes one value and keeps its text for read_options.
void add_options(CLI::App& app, const OptionText* begin, const OptionText* end,
                 std::map<std::string, std::string>& values) {
  for (const OptionText* o = begin; o != end; ++o) {
    const std::string name = o->name;
    app.add_option_function<std::string>(
        name, [&values, name](const std::string& v) { values[name] = v; }, o->help);
  }
}

constexpr OptionText kServeOptions[] = {
    {"--port", "TCP port (default 8080; 0: a free one, printed)"},
    {"--host", "address to listen on (default 127.0.0.1, loopback only)"},
};

constexpr OptionText kHtmlOption = {
    "--html", "FILE: a self-contained page: parameters, circuit, response charts, values"};

// Measured parts and the measurement laid over the response.
void add_measured_options(CLI::App& app, Command& c) {
  app.add_option("--part", c.parts,
                 "NAME=FILE: the element NAME (L2, C3 ...) replaced by the part measured in the "
                 "Touchstone FILE (repeatable)")
      ->allow_extra_args(false);
  app.add_flag("--extrapolate", c.extrapolate,
               "--part: beyond a file's frequencies, hold its nearest point's series L or C and R");
  app.add_option_function<std::string>(
      "--compare", [&c](const std::string& v) { c.values["--compare"] = v; },
      "FILE: a measured two-port (Touchstone) laid over the response");
}

void add_common(CLI::App& app, Command& c) {
  add_measured_options(app, c);
  add_options(app, std::begin(kCommonOptions), std::end(kCommonOptions), c.values);
  app.add_flag("--return-loss", c.return_loss, "return loss instead of VSWR in the report");
  add_options(app, &kHtmlOption, &kHtmlOption + 1, c.values);
  app.add_flag("--both", c.both, "--html: draw the alternative circuit too");
  app.add_flag("--log", c.log_axis, "--html: logarithmic frequency axis");
}

constexpr const char* kServeFooter =
    "The page's address holds the design: /?type=lowpass&cutoff=100MHz&ripple=0.5&sections=5\n"
    "is `design --type lowpass --cutoff 100MHz --ripple 0.5 --sections 5`. Only the\n"
    "served address is answered (loopback unless --host says otherwise).";

// The design and analyse commands and their options, the serve command, and
// the top-level flags, all parsed into `c`.
struct Parser {
  explicit Parser(Command& c)
      : app("Lumped-element LC ladder filters: synthesis and frequency analysis.", "varnholt") {
    app.footer(kMainFooter);
    app.require_subcommand(0, 1);
    app.add_flag("--version", version, "show the version");
    design = app.add_subcommand("design", "synthesise a filter");
    add_options(*design, std::begin(kDesignOptions), std::end(kDesignOptions), c.values);
    add_options(*design, &kCircuitOption, &kCircuitOption + 1, c.values);
    add_common(*design, c);
    add_practical_options(*design, c);
    design->footer(kDesignFooter);
    analyse = app.add_subcommand("analyse", "analyse a ladder over frequency");
    analyse->alias("analyze");
    analyse->add_option("CIRCUIT", c.circuit_file, "circuit data file, design file or measured Touchstone file")->required();
    add_options(*analyse, &kCircuitOption, &kCircuitOption + 1, c.values);
    add_common(*analyse, c);
    add_practical_options(*analyse, c);
    analyse->footer(kAnalyseFooter);
    serve = app.add_subcommand("serve", "the designer as a local web page, on this pipeline");
    add_options(*serve, std::begin(kServeOptions), std::end(kServeOptions), c.values);
    serve->add_flag_callback("--open", [&c] { c.values["--open"] = ""; },
                             "open the page in the desktop's browser");
    serve->footer(kServeFooter);
  }

  CLI::App app;
  bool version = false;
  CLI::App* design = nullptr;
  CLI::App* analyse = nullptr;
  CLI::App* serve = nullptr;
};

// The form an option takes on the command line, as the parser has it.
OptionForm form_of(const CLI::Option& o) {
  if (o.get_expected_max() == 0) return OptionForm::Flag;
  if (o.get_expected_min() == 0) return OptionForm::OptionalValue;
  if (o.get_expected_max() > 1) return OptionForm::Repeatable;
  return OptionForm::Value;
}

bool in(const OptionText* begin, const OptionText* end, const std::string& name) {
  return std::any_of(begin, end, [&](const OptionText& o) { return name == o.name; });
}

// Which part of a form an option belongs in; an option of no table is "Other".
std::string group_of(const std::string& name) {
  static const std::string outputs[] = {"--report", "--json", "--spice", "--touchstone",
                                        "--csv", "--html"};
  if (in(std::begin(kDesignOptions), std::end(kDesignOptions), name) || name == kCircuitOption.name) {
    return "Design";
  }
  if (std::find(std::begin(outputs), std::end(outputs), name) != std::end(outputs)) return "Outputs";
  if (in(std::begin(kCommonOptions), std::end(kCommonOptions), name) || name == "--return-loss") {
    return "Sweep and terminations";
  }
  if (in(std::begin(kPracticalOptions), std::end(kPracticalOptions), name) ||
      in(std::begin(kPracticalFlags), std::end(kPracticalFlags), name) || name == "--q-model" ||
      name == "--mask-stopband" || name == "--optimise" || name == "--align") {
    return "Practical";
  }
  if (name == "--part" || name == "--extrapolate" || name == "--compare") return "Measured";
  if (name == "--both" || name == "--log") return "Page";
  return "Other";
}

}  // namespace

const char* option_form_name(OptionForm form) {
  switch (form) {
    case OptionForm::Flag: return "flag";
    case OptionForm::OptionalValue: return "optional";
    case OptionForm::Repeatable: return "repeat";
    case OptionForm::Value: break;
  }
  return "value";
}

std::vector<OptionInfo> command_options(CommandKind kind) {
  Command c;
  Parser parser(c);
  const CLI::App* app = kind == CommandKind::Analyse ? parser.analyse
                        : kind == CommandKind::Serve ? parser.serve
                                                     : parser.design;
  std::vector<OptionInfo> list;
  for (const CLI::Option* o : app->get_options()) {
    const std::string name = o->get_name(false, true);
    if (name.rfind("--", 0) != 0 || name == "--help") continue;
    list.push_back({name, o->get_description(), form_of(*o), group_of(name)});
  }
  return list;
}

Command parse_command(const std::vector<std::string>& args) {
  Command c;
  Parser parser(c);
  CLI::App& app = parser.app;
  CLI::App* design = parser.design;
  CLI::App* analyse = parser.analyse;
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    c.kind = CommandKind::Help;
    c.help = app.help();
    return c;
  } catch (const CLI::CallForAllHelp&) {
    c.kind = CommandKind::Help;
    c.help = app.help("", CLI::AppFormatMode::All);
    return c;
  } catch (const CLI::ParseError& e) {
    throw UsageError(e.what());
  }
  if (parser.version) {
    c.kind = CommandKind::Version;
    return c;
  }
  if (design->parsed()) {
    c.kind = CommandKind::Design;
  } else if (analyse->parsed()) {
    c.kind = CommandKind::Analyse;
  } else if (parser.serve->parsed()) {
    c.kind = CommandKind::Serve;
  } else {
    c.kind = CommandKind::Help;
    c.help = app.help();
  }
  return c;
}

}  // namespace varnholt

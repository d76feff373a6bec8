#include "serve/query.h"

#include <algorithm>
#include <optional>

#include "cli/command.h"

namespace varnholt {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string decoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c != '%') {
      out += c;
    } else {
      const int hi = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
      const int lo = hi >= 0 ? hex_digit(text[i + 2]) : -1;
      if (lo < 0) {
        throw UsageError("query: malformed escape '" + std::string(text.substr(i, 3)) +
                         "' (a % is followed by two hexadecimal digits)");
      }
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    }
  }
  return out;
}

const std::vector<OptionInfo>& options_of(CommandKind kind) {
  static const std::vector<OptionInfo> design = command_options(CommandKind::Design);
  static const std::vector<OptionInfo> analyse = command_options(CommandKind::Analyse);
  return kind == CommandKind::Analyse ? analyse : design;
}

// A flag's value: on, off, or neither (nullopt).
std::optional<bool> flag_value(const std::string& v) {
  if (v.empty() || v == "1" || v == "on" || v == "true") return true;
  if (v == "0" || v == "off" || v == "false") return false;
  return std::nullopt;
}

// The sweep's points as the job will run them.
int64_t sweep_points(const Job& job) {
  if (!job.sweep) return job.points.value_or(201);
  const SweepRequest& s = *job.sweep;
  if (s.points > 0) return s.points;
  const double n = (s.to - s.from) / s.step + 1.0;
  return n < 9e18 ? static_cast<int64_t>(n) : INT64_MAX;
}

void check_limits(const Job& job, const ServeLimits& limits) {
  const auto over = [](const char* option, const std::string& what, int64_t most) {
    throw UsageError(std::string(option) + ": the server runs at most " + std::to_string(most) +
                     " " + what);
  };
  if (sweep_points(job) > limits.points) {
    over(job.sweep && job.sweep->points == 0 ? "--step" : "--points", "sweep points", limits.points);
  }
  if (job.practical.tolerances && job.practical.yield.trials > limits.trials) {
    over("--trials", "trials", limits.trials);
  }
  if (job.practical.tolerances &&
      job.practical.yield.trials > limits.samples / std::max<int64_t>(1, sweep_points(job))) {
    over("--trials", "trials times sweep points", limits.samples);
  }
  if (job.practical.optimise && job.practical.optimise->max_evaluations > limits.evaluations) {
    over("--max-evaluations", "designs evaluated (give --max-evaluations)", limits.evaluations);
  }
}

}  // namespace

QueryItems decode_query(std::string_view query) {
  QueryItems items;
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view item = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (item.empty()) continue;
    const std::size_t eq = item.find('=');
    items.emplace_back(decoded(item.substr(0, eq)),
                       eq == std::string_view::npos ? std::string() : decoded(item.substr(eq + 1)));
  }
  return items;
}

bool served_option(const std::string& name) {
  if (name == "--threads") return false;
  return std::none_of(std::begin(kOutputs), std::end(kOutputs),
                      [&](Output o) { return name == option_of(o); });
}

bool file_option(const std::string& name) { return name == "--part" || name == "--compare"; }

std::vector<std::string> query_arguments(const QueryItems& items, const std::string& circuit) {
  const CommandKind kind = circuit.empty() ? CommandKind::Design : CommandKind::Analyse;
  std::vector<std::string> args{kind == CommandKind::Design ? "design" : "analyse"};
  if (kind == CommandKind::Analyse) args.push_back(circuit);
  const auto& options = options_of(kind);
  for (const auto& [name, value] : items) {
    const std::string option = "--" + name;
    const auto it = std::find_if(options.begin(), options.end(),
                                 [&](const OptionInfo& o) { return o.name == option; });
    if (name.empty() || name[0] == '-' || it == options.end()) {
      throw UsageError("query: '" + name + "' is no option of " + args[0] +
                       " (the names are the long options without their dashes)");
    }
    if (!served_option(option)) {
      throw UsageError(option + (option == "--threads"
                                     ? ": the server sets the threads of the trials"
                                     : ": the server writes no files; each output is a download"));
    }
    switch (it->form) {
      case OptionForm::Flag: {
        const auto on = flag_value(value);
        if (!on) throw UsageError(option + ": a flag (give " + name + " or " + name + "=1; got '" + value + "')");
        if (*on) args.push_back(option);
        break;
      }
      case OptionForm::OptionalValue:
        args.push_back(value.empty() ? option : option + "=" + value);
        break;
      case OptionForm::Value:
      case OptionForm::Repeatable:
        if (!value.empty()) args.push_back(option + "=" + value);
        break;
    }
  }
  return args;
}

std::string download_name(Output output, const std::string& circuit) {
  std::string stem = "design";
  if (!circuit.empty()) {
    stem = circuit.substr(0, circuit.rfind('.'));
    if (stem.empty()) stem = "analysis";
  }
  switch (output) {
    case Output::Report: return stem + ".txt";
    case Output::Json: return stem + ".json";
    case Output::Spice: return stem + ".cir";
    case Output::Touchstone: return stem + ".s2p";
    case Output::Csv: return stem + ".csv";
    case Output::Html: return stem + ".html";
  }
  return stem;
}

Job query_job(const QueryItems& items, const std::string& circuit, Output output,
              const ServeLimits& limits) {
  std::vector<std::string> args = query_arguments(items, circuit);
  if (output != Output::Html) {
    std::erase_if(args, [](const std::string& a) { return a == "--both" || a == "--log"; });
  }
  args.push_back(option_of(output) + ("=" + download_name(output, circuit)));
  const Job job = read_job(parse_command(args));
  check_limits(job, limits);
  return job;
}

std::string upload_name(const std::string& filename) {
  std::string name = filename.substr(filename.find_last_of("/\\") + 1);
  std::erase_if(name, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
  if (name.empty() || name == "." || name == "..") name = "upload";
  return name;
}

}  // namespace varnholt

// The report: the interactive program's own report of the job, then the
// practical section.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "writers/measured.h"
#include "writers/optimised.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

std::string q_text(double q) { return std::isfinite(q) ? formatted("%g", q) : "lossless"; }

void write_rounding(std::ostream& out, const Result& r) {
  const auto name = [](const std::optional<ESeries>& s) {
    return s ? std::string(series_name(*s)) : std::string("not rounded");
  };
  out << "Inductors " << name(r.practical.round_l) << ", capacitors " << name(r.practical.round_c)
      << '\n';
  char header[96];
  std::snprintf(header, sizeof header, "  %-7s %15s %15s %9s\n", "Element", "Ideal", "Rounded",
                "Error %");
  out << header;
  for (const RoundedElement& e : r.rounded.elements) {
    const char* unit = e.where.inductor ? " nH" : " pF";
    char line[128];
    std::snprintf(line, sizeof line, "  %-7s %12.5g%s %12.5g%s %9.2f\n",
                  element_name(r.rounded.ladder, e.where).c_str(), e.ideal, unit, e.rounded, unit,
                  e.error_percent);
    out << line;
  }
}

// The ideal, rounded and searched or refined values side by side, each
// column as wide as its longest text.
void write_compared(std::ostream& out, const Result& r) {
  for (const std::string& line : value_method_lines(r)) out << line << '\n';
  const ValueTable t = compared_values(r);
  std::vector<std::size_t> width(t.header.size());
  for (std::size_t c = 0; c < width.size(); ++c) {
    width[c] = t.header[c].size();
    for (const auto& row : t.rows) width[c] = std::max(width[c], row[c].size());
  }
  const auto line = [&](const std::vector<std::string>& cells) {
    std::string text = " ";
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const std::string pad(width[c] - cells[c].size(), ' ');
      text += c == 0 ? " " + cells[c] + pad : "  " + pad + cells[c];
    }
    out << text << '\n';
  };
  line(t.header);
  for (const auto& row : t.rows) line(row);
}

std::string capitalised(std::string text) {
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

void write_checks(std::ostream& out, const Result& r) {
  const Mask& mask = r.practical.mask;
  for (const MaskItem& item : r.mask_items) out << "Mask: " << mask_item_text(mask, item) << '\n';
  for (const MaskCheck& c : r.checks) {
    out << capitalised(c.circuit) << (c.pass ? ": passes" : ": fails") << ", worst margin "
        << formatted("%.3f", c.worst_margin_db) << " dB at " << formatted("%g", c.at_mhz)
        << " MHz (" << mask_item_text(mask, r.mask_items.at(c.item)) << ")\n";
  }
}

void write_yield(std::ostream& out, const Result& r) {
  const YieldResult& y = *r.yield;
  out << "Yield: " << formatted("%.1f", y.yield_percent) << " % of " << y.trials << " trials\n";
  if (y.most_failed < 0) {
    out << "No mask point failed.\n";
    return;
  }
  const MaskItem& worst = y.items.at(static_cast<std::size_t>(y.most_failed));
  out << "Failed most often: " << mask_item_text(r.practical.mask, worst) << " (" << worst.failures
      << " trials)\n";
}

void write_section(std::ostream& out, const Result& r) {
  const PracticalOptions& o = r.practical;
  out << "\nPractical design\n";
  if (r.optimised || r.refined) {
    write_compared(out, r);
  } else if (o.rounded()) {
    write_rounding(out, r);
  }
  out << q_assumptions(o) << '\n';
  if (o.losses.lossy()) out << q_model_text(o) << '\n';
  if (o.losses.parasitic()) out << parasitic_assumptions(o) << '\n';
  if (o.tolerances) {
    const Tolerances& t = *o.tolerances;
    out << "Tolerances: inductors " << formatted("%g", t.inductor_percent) << " %, capacitors "
        << formatted("%g", t.capacitor_percent) << " %, "
        << (t.spread == Spread::Normal ? "normal (3 sigma)" : "uniform") << ", seed "
        << o.yield.seed << '\n';
    if (o.align) out << aligned_text(r) << '\n';
  }
  write_checks(out, r);
  if (r.yield) write_yield(out, r);
}

}  // namespace

std::string aligned_text(const Result& r) {
  return "Trials aligned: in each, every resonator tuned to " +
         formatted("%.6g", r.record->coupled->centre_mhz) +
         " MHz, as on the bench, before the mask check";
}

std::string q_assumptions(const PracticalOptions& o) {
  const PartModel& m = o.losses;
  std::string text = "Component Q: inductors " + q_text(m.q_inductor) + ", capacitors " +
                     q_text(m.q_capacitor);
  if (!m.lossy()) return text;
  return text + (m.q_at_mhz > 0.0 ? ", at " + formatted("%g", m.q_at_mhz) + " MHz"
                                  : std::string(", the same at every frequency"));
}

std::string q_model_text(const PracticalOptions& o) {
  const QLawText& law = q_law_text(o.losses.law());
  const std::string at =
      o.losses.q_at_mhz > 0.0 ? " (from " + formatted("%g", o.losses.q_at_mhz) + " MHz)" : "";
  return std::string("Q model: ") + law.name + at + ", " + law.words;
}

std::string parasitic_assumptions(const PracticalOptions& o) {
  const PartModel& m = o.losses;
  std::vector<std::string> items;
  if (m.inductor_srf_mhz > 0.0) {
    items.push_back("inductors self-resonant at " + formatted("%g", m.inductor_srf_mhz) +
                    " MHz (a capacitance across each from its own L; the trials keep the "
                    "nominal part's)");
  }
  if (m.inductor_cp_pf > 0.0) {
    items.push_back(formatted("%g", m.inductor_cp_pf) + " pF across every inductor");
  }
  if (m.capacitor_esl_nh > 0.0 || m.capacitor_esr_ohms > 0.0) {
    std::string series;
    if (m.capacitor_esl_nh > 0.0) series = formatted("%g", m.capacitor_esl_nh) + " nH";
    if (m.capacitor_esr_ohms > 0.0) {
      series += (series.empty() ? "" : " and ") + formatted("%g", m.capacitor_esr_ohms) + " ohms";
    }
    items.push_back(series + " in series with every capacitor");
  }
  if (m.node_pf > 0.0) {
    items.push_back(formatted("%g", m.node_pf) +
                    " pF to ground at every node of the line (input, output and after each "
                    "series branch)");
  }
  std::string text = "Parasitics: ";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i ? "; " : "") + items[i];
  return items.empty() ? text + "none" : text;
}

std::string mask_item_text(const Mask& mask, const MaskItem& item) {
  switch (item.kind) {
    case MaskItem::Kind::PassbandLoss:
    case MaskItem::Kind::ReturnLoss: {
      const Passband& b = mask.passbands.at(item.index);
      const bool loss = item.kind == MaskItem::Kind::PassbandLoss;
      return std::string(loss ? "passband loss at most " : "return loss at least ") +
             formatted("%g", loss ? mask.max_passband_loss_db : mask.min_return_loss_db) +
             " dB from " + formatted("%g", b.lo_mhz) + " to " + formatted("%g", b.hi_mhz) + " MHz";
    }
    case MaskItem::Kind::StopLoss: {
      const StopPoint& s = mask.stop.at(item.index);
      return "stopband loss at least " + formatted("%g", s.min_loss_db) + " dB at " +
             formatted("%g", s.f_mhz) + " MHz";
    }
  }
  return {};
}

void write_report(std::ostream& out, const Result& r) {
  if (r.dialog) print_dialog_report(out, *r.dialog);
  if (!r.practical.any() && !r.measurements.any()) return;
  std::ostringstream section;
  if (r.practical.any()) write_section(section, r);
  write_measured_section(section, r);
  // The dialog's report ends its lines with CR LF; the section does the same.
  for (const char ch : section.str()) {
    if (ch == '\n') out << '\r';
    out << ch;
  }
}

}  // namespace varnholt

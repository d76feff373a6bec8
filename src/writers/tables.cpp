// The exports of the sweep: CSV rows and Touchstone S-parameters.
#include <cmath>
#include <span>
#include <stdexcept>

#include "writers/rows.h"
#include "writers/measured.h"
#include "writers/optimised.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

std::string ohms(const Termination& t) {
  return shortest(t.r) + (t.x < 0.0 ? " - j" : " + j") + shortest(std::fabs(t.x)) + " ohms";
}

}  // namespace

// The comment lines of the exports: what the file describes.
std::string export_comments(const Result& r) {
  std::string text = r.description + "\nTerminations: source " + ohms(r.chosen.source) +
                     ", load " + ohms(r.chosen.load);
  if (r.practical.rounded() && !r.optimised) text += "\nValues rounded to the series asked for";
  if (r.practical.lossy()) text += "\n" + q_assumptions(r.practical);
  if (r.practical.losses.lossy()) text += "\n" + q_model_text(r.practical);
  if (r.practical.losses.parasitic()) text += "\n" + parasitic_assumptions(r.practical);
  if (r.yield && r.practical.align) text += "\n" + aligned_text(r);
  text += value_comments(r);
  return text + measured_comments(r);
}

void write_csv(std::ostream& out, const Result& r) {
  std::string header =
      "frequency_MHz,s21_dB,s21_phase_deg,group_delay_ns,s11_dB,vswr,zin_real_ohm,zin_imag_ohm";
  const bool rounded = !r.rounded_response.empty();
  const bool lossy = !r.lossy.empty();
  const bool chosen = !r.chosen_response.empty();
  if (rounded) header += ",s21_rounded_dB";
  if (chosen) header += r.optimised ? ",s21_optimised_dB" : ",s21_refined_dB";
  if (lossy) header += ",s21_lossy_dB";
  if (r.yield) header += ",s21_p5_dB,s21_p50_dB,s21_p95_dB,s11_p5_dB,s11_p50_dB,s11_p95_dB";
  const Comparison* measured = r.measurements.compare ? &*r.measurements.compare : nullptr;
  if (measured) header += ",s21_measured_dB,s11_measured_dB";
  out << header << '\n';
  const std::size_t columns = 8 + (rounded ? 1 : 0) + (chosen ? 1 : 0) + (lossy ? 1 : 0) +
                              (r.yield ? 6 : 0) + (measured ? 2 : 0);
  const std::span<const double> f(r.f_mhz);
  write_rows(out, f.size(), [&](std::size_t begin, std::size_t n, std::string& text) {
    Point ideal[kRowChunk], rounded_points[kRowChunk], chosen_points[kRowChunk], lossy_points[kRowChunk];
    r.ideal.points(f, begin, {ideal, n});
    if (rounded) r.rounded_response.points(f, begin, {rounded_points, n});
    if (chosen) r.chosen_response.points(f, begin, {chosen_points, n});
    if (lossy) r.lossy.points(f, begin, {lossy_points, n});
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t i = begin + k;
      const Point& p = ideal[k];
      RowText row(text, columns);
      row.number(f[i]);
      // An empty field where there is no value: no S21 for a one-port
      // measurement, nothing beyond a measured file's frequencies.
      const auto column = [&row](double v) {
        row.put(',');
        if (!std::isnan(v)) row.number(v);
      };
      for (const double v : {p.s21_db, p.s21_deg, p.delay_ns, p.s11_db, p.vswr, p.zin.real(),
                             p.zin.imag()}) {
        column(v);
      }
      if (rounded) column(rounded_points[k].s21_db);
      if (chosen) column(chosen_points[k].s21_db);
      if (lossy) column(lossy_points[k].s21_db);
      if (r.yield) {
        // The trials keep their responses in float: the percentiles carry float precision.
        for (const auto* q : {&r.yield->s21_db[i], &r.yield->s11_db[i]}) {
          for (const double v : {q->p5, q->p50, q->p95}) {
            row.put(',');
            row.float_number(v);
          }
        }
      }
      if (measured) {
        column(measured->s21_db[i]);
        column(measured->s11_db[i]);
      }
      row.put('\n');
    }
  });
}

void write_touchstone(std::ostream& out, const Result& r) {
  std::string text;
  comment_lines(text,
                export_comments(r) + "\nS-parameters of the ladder alone, referred to " +
                    shortest(r.reference_ohms) + " ohms",
                "!");
  text += "# MHz S RI R " + shortest(r.reference_ohms) + "\n! freq ReS11 ImS11 ReS21 ImS21 ReS12 ImS12 ReS22 ImS22\n";
  out << text;
  if (!r.built_network) throw std::logic_error("a Touchstone file of a result without its network");
  const std::span<const double> f(r.f_mhz);
  write_rows(out, f.size(), [&](std::size_t begin, std::size_t n, std::string& text) {
    SParameters s_at[kRowChunk];
    r.built_network->s_parameters(f.subspan(begin, n), r.reference_ohms, {s_at, n});
    for (std::size_t k = 0; k < n; ++k) {
      const SParameters& s = s_at[k];
      RowText row(text, 9);
      row.number(f[begin + k]);
      for (const Complex& v : {s.s11, s.s21, s.s12, s.s22}) {
        row.put(' ');
        row.number(v.real());
        row.put(' ');
        row.number(v.imag());
      }
      row.put('\n');
    }
  });
}

}  // namespace varnholt

#include "cli/exports.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "analysis/netlist.h"
#include "analysis/sweep.h"
#include "ladder/network.h"

namespace varnholt {
namespace {

// The shortest text that reads back as the same double.
void append(std::string& text, double value) {
  char buffer[40];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
  text.append(buffer, res.ptr);
}

void comment_lines(std::string& text, const std::string& comments, const char* mark) {
  std::size_t start = 0;
  while (start < comments.size()) {
    std::size_t end = comments.find('\n', start);
    if (end == std::string::npos) end = comments.size();
    text += mark;
    text += ' ';
    text.append(comments, start, end - start);
    text += '\n';
    start = end + 1;
  }
}

std::string number(double v) {
  std::string text;
  append(text, v);
  return text;
}

}  // namespace

int64_t sweep_points(const SweepRange& sweep) {
  return sweep_steps(sweep.fmin, sweep.fmax, sweep.fstep) + 1;
}

double sweep_point(const SweepRange& sweep, int64_t index) {
  return sweep_frequency(sweep.fmin, sweep.fstep, index);
}

namespace {

// Rows 0 .. points - 1, each appended to a text by `row`, written in order.
// Blocks of rows are computed on the machine's cores side by side, a few at
// a time, so memory stays bounded whatever the number of points.
void stream_rows(std::ostream& out, int64_t points,
                 const std::function<void(int64_t, std::string&)>& row,
                 const ProgressFn& progress) {
  constexpr int64_t kRowsPerBlock = 2048;
  const auto workers = static_cast<int64_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  std::vector<std::string> blocks(static_cast<std::size_t>(workers));
  const auto fill = [&](int64_t first, int64_t w) {
    std::string& text = blocks[static_cast<std::size_t>(w)];
    text.clear();
    const int64_t begin = first + w * kRowsPerBlock;
    const int64_t end = std::min(points, begin + kRowsPerBlock);
    for (int64_t k = begin; k < end; ++k) row(k, text);
  };
  for (int64_t first = 0; first < points; first += kRowsPerBlock * workers) {
    std::vector<std::thread> threads;
    for (int64_t w = 1; w < workers && first + w * kRowsPerBlock < points; ++w) {
      threads.emplace_back(fill, first, w);
    }
    fill(first, 0);
    for (std::thread& t : threads) t.join();
    for (std::size_t w = 0; w <= threads.size(); ++w) {
      out.write(blocks[w].data(), static_cast<std::streamsize>(blocks[w].size()));
    }
    if (progress) progress(std::min(points, first + kRowsPerBlock * workers));
  }
}

// The shortest text that reads back as the same float (at most 9 significant digits).
void append_float(std::string& text, double value) {
  char buffer[24];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
  text.append(buffer, res.ptr);
}

}  // namespace

void write_csv(std::ostream& out, const Ladder& ladder, const Termination& source,
               const Termination& load, const SweepRange& sweep, const ProgressFn& progress,
               const CsvColumns* extra) {
  out << "frequency_MHz,s21_dB,s21_phase_deg,group_delay_ns,s11_dB,vswr,zin_real_ohm,"
         "zin_imag_ohm"
      << (extra != nullptr ? extra->header : std::string()) << '\n';
  const Complex zs(source.r, source.x);
  const Complex zl(load.r, load.x);
  const PreparedNetwork network(ladder);
  stream_rows(out, sweep_points(sweep), [&](int64_t k, std::string& text) {
    const double f = sweep_point(sweep, k);
    const PortResponse r = port_response(network.chain_matrix_slope(f), zs, zl);
    for (const double v : {f, r.s21_db, r.s21_deg, r.delay_ns, r.s11_db, r.vswr, r.zin.real()}) {
      append_float(text, v);
      text += ',';
    }
    append_float(text, r.zin.imag());
    if (extra != nullptr) extra->row(k, f, text);
    text += '\n';
  }, progress);
}

void write_touchstone(std::ostream& out, const Ladder& ladder, double z0, const SweepRange& sweep,
                      const std::string& comments, const ProgressFn& progress,
                      const Losses& losses) {
  std::string text;
  comment_lines(text, comments, "!");
  text += "# MHz S RI R " + number(z0) + "\n";
  text += "! freq ReS11 ImS11 ReS21 ImS21 ReS12 ImS12 ReS22 ImS22\n";
  out << text;
  const PreparedNetwork network(ladder);
  stream_rows(out, sweep_points(sweep), [&](int64_t k, std::string& line) {
    const double f = sweep_point(sweep, k);
    const SParameters s = s_parameters(network.chain_matrix(f, losses), z0);
    append(line, f);
    for (const Complex& v : {s.s11, s.s21, s.s12, s.s22}) {
      line += ' ';
      append(line, v.real());
      line += ' ';
      append(line, v.imag());
    }
    line += '\n';
  }, progress);
}

namespace {

// Netlist lines of one reactance x (ohms) from node a to node b, sized at f_hz.
std::string reactance_line(const std::string& stem, double x, const std::string& a,
                           const std::string& b, double f_hz) {
  const double w = 2.0 * std::numbers::pi * f_hz;
  if (x > 0.0) return "L" + stem + " " + a + " " + b + " " + number(x / w) + "\n";
  return "C" + stem + " " + a + " " + b + " " + number(-1.0 / (w * x)) + "\n";
}

// One termination: resistance from a to a middle node, then its reactance
// to b (or the resistance straight to b when there is no reactance).
std::string termination_lines(const std::string& stem, const Termination& t,
                              const std::string& a, const std::string& b, double f_hz) {
  if (t.x == 0.0f) return "R" + stem + " " + a + " " + b + " " + number(t.r) + "\n";
  const std::string mid = stem + "x";
  return "R" + stem + " " + a + " " + mid + " " + number(t.r) + "\n" +
         reactance_line(stem, t.x, mid, b, f_hz);
}

}  // namespace

std::string spice_export(const Ladder& ladder, const Termination& source,
                         const Termination& load, const SweepRange& sweep,
                         const std::string& comments, const std::string& data_file,
                         const Losses& losses) {
  std::string text;
  comment_lines(text, comments, "*");
  text += "* Element values in henries and farads; frequencies in hertz.\n";
  const int64_t points = sweep_points(sweep);
  const double from_hz = sweep_point(sweep, 0) * 1e6;
  const double to_hz = sweep_point(sweep, points - 1) * 1e6;
  const double centre_hz = 0.5 * (from_hz + to_hz);
  const bool lossy = std::isfinite(losses.q_inductor) || std::isfinite(losses.q_capacitor);
  const double loss_at_mhz = losses.q_at_mhz > 0.0 ? losses.q_at_mhz : centre_hz * 1e-6;
  if (lossy) {
    text += "* Loss resistors (R before the element name) in series with each L and C give ";
    text += losses.q_at_mhz > 0.0 ? "its Q at " + number(loss_at_mhz) + " MHz.\n"
                                  : "its Q, constant over frequency, at " + number(loss_at_mhz) +
                                        " MHz, the centre of the sweep, and only there.\n";
  }
  text += spice_subcircuit(ladder, "ladder", losses, loss_at_mhz) + "\n";

  text += "* Bench: a 1 V source behind the source termination, the load termination.\n";
  if (source.x != 0.0f || load.x != 0.0f) {
    text += "* A reactive termination is the inductor or capacitor of that reactance at " +
            number(centre_hz * 1e-6) + " MHz, the centre of the sweep.\n";
  }
  text += "V1 src 0 DC 0 AC 1\n";
  text += termination_lines("s", source, "src", "in", centre_hz);
  text += "X1 in out ladder\n";
  text += termination_lines("l", load, "out", "0", centre_hz);
  text += ".ac lin " + std::to_string(points) + " " + number(from_hz) + " " + number(to_hz) + "\n";
  text += ".control\n";
  text += "set units=degrees\nset wr_singlescale\nset wr_vecnames\noption numdgt=15\nrun\n";
  // Transducer gain: 2 V(out) sqrt(Rs / Rl) per volt of source EMF.
  text += "let gain = 2 * v(out) * sqrt(" + number(source.r) + " / " + number(load.r) + ")\n";
  text += "let s21_db = db(gain)\nlet s21_deg = ph(gain)\n";
  if (source.x == 0.0f) {
    // Input reflection against the source resistance: 2 V(in) - 1 per volt of EMF.
    text += "let s11 = 2 * v(in) - 1\nlet s11_db = db(s11)\nlet s11_deg = ph(s11)\n";
    text += "wrdata " + data_file + " s21_db s21_deg s11_db s11_deg\n";
  } else {
    text += "wrdata " + data_file + " s21_db s21_deg\n";
  }
  text += "quit\n.endc\n.end\n";
  return text;
}

}  // namespace varnholt

// The netlist: the built ladder as a subcircuit on a bench of source and
// load terminations, with an AC sweep and commands that write the response.
#include <cmath>
#include <numbers>

#include "analysis/netlist.h"
#include "common/si_text.h"
#include "common/decimal.h"
#include "writers/rows.h"
#include "writers/measured.h"
#include "writers/writers.h"

namespace varnholt {
namespace {

std::string number(double v, int exp10 = 0) { return spice_number(v, exp10); }

// One reactance x (ohms) from node a to node b, sized at f_hz.
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
  if (t.x == 0.0) return "R" + stem + " " + a + " " + b + " " + number(t.r) + "\n";
  const std::string mid = stem + "x";
  return "R" + stem + " " + a + " " + mid + " " + number(t.r) + "\n" +
         reactance_line(stem, t.x, mid, b, f_hz);
}

// Where the netlist's commands write their results: beside the netlist's
// name in the simulator's working folder.
std::string data_name(const std::string& netlist) {
  if (netlist == "-") return "varnholt-ac.txt";
  std::string base = netlist.substr(netlist.rfind('/') + 1);
  const auto dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base + "-ac.txt";
}

}  // namespace

void write_spice(std::ostream& out, const Result& r, const Destination& to) {
  const Termination& source = r.chosen.source;
  const Termination& load = r.chosen.load;
  const PartModel& losses = r.practical.losses;
  const std::string data_file = data_name(to.path);
  std::string text;
  comment_lines(text,
                export_comments(r) + "\nWrites frequency (Hz), s21_db, s21_deg" +
                    (source.x == 0.0 ? ", s11_db, s11_deg" : "") + " to " + data_file,
                "*");
  text += "* Element values in henries and farads; frequencies in hertz.\n";
  const double from_mhz = r.f_mhz.front();
  const double to_mhz = r.f_mhz.back();
  // The exact decimal centre of the sweep as typed (15.953, not 15.953000000000001).
  const double centre_mhz = decimal_combine(1.0, from_mhz, 1.0, to_mhz, 2.0);
  const double loss_at_mhz = losses.q_at_mhz > 0.0 ? losses.q_at_mhz : centre_mhz;
  if (losses.lossy()) {
    text += "* Loss resistors (R before the element name) in series with each L and C give ";
    switch (losses.law()) {
      case QLaw::Constant:
        text += "its Q, constant over frequency, at " + number(loss_at_mhz) +
                " MHz, the centre of the sweep, and only there.\n";
        break;
      case QLaw::Linear: text += "its Q at " + number(loss_at_mhz) + " MHz.\n"; break;
      case QLaw::Sqrt:
        text += "its Q at " + number(loss_at_mhz) +
                " MHz, and only there: the model's loss resistances grow with the square root "
                "of frequency.\n";
        break;
    }
  }
  if (losses.parasitic()) {
    text += "* Parasitics: CP across each inductor, RESR and LESL in series with each capacitor, "
            "CPAD from each line node to ground (as present).\n";
  }
  text += netlist_part_comments(r);
  text += spice_subcircuit(r.built(), "ladder", losses, loss_at_mhz) + "\n";
  text += "* Bench: a 1 V source behind the source termination, the load termination.\n";
  if (source.x != 0.0 || load.x != 0.0) {
    text += "* A reactive termination is the inductor or capacitor of that reactance at " +
            number(centre_mhz) + " MHz, the centre of the sweep.\n";
  }
  const double centre_hz = centre_mhz * 1e6;
  text += "V1 src 0 DC 0 AC 1\n";
  text += termination_lines("s", source, "src", "in", centre_hz);
  text += "X1 in out ladder\n";
  text += termination_lines("l", load, "out", "0", centre_hz);
  text += ".ac lin " + std::to_string(r.f_mhz.size()) + " " + number(from_mhz, 6) + " " +
          number(to_mhz, 6) + "\n";
  text += ".control\n";
  text += "set units=degrees\nset wr_singlescale\nset wr_vecnames\noption numdgt=15\nrun\n";
  // Transducer gain: 2 V(out) sqrt(Rs / Rl) per volt of source EMF.
  text += "let gain = 2 * v(out) * sqrt(" + number(source.r) + " / " + number(load.r) + ")\n";
  text += "let s21_db = db(gain)\nlet s21_deg = ph(gain)\n";
  if (source.x == 0.0) {
    // Input reflection against the source resistance: 2 V(in) - 1 per volt of EMF.
    text += "let s11 = 2 * v(in) - 1\nlet s11_db = db(s11)\nlet s11_deg = ph(s11)\n";
    text += "wrdata " + data_file + " s21_db s21_deg s11_db s11_deg\n";
  } else {
    text += "wrdata " + data_file + " s21_db s21_deg\n";
  }
  text += "quit\n.endc\n.end\n";
  out << text;
}

}  // namespace varnholt

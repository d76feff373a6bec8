// Writes a circuit data file's ladder as a SPICE netlist with a linear AC
// sweep, for timing the simulator beside the program (bench/sweep.sh):
//
//   ladder_netlist FILE START_MHZ STOP_MHZ POINTS OUTPUT_DATA
//
// The ladder sits between 50-ohm terminations; the simulator writes the load
// voltage in dB and its phase at every point to OUTPUT_DATA.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "analysis/netlist.h"
#include "common/fatal_error.h"
#include "common/session.h"
#include "input/circuit_file.h"

int main(int argc, char** argv) {
  using namespace varnholt;
  if (argc != 6) {
    std::cerr << "usage: ladder_netlist FILE START_MHZ STOP_MHZ POINTS OUTPUT_DATA\n";
    return 2;
  }
  State st;
  std::istringstream no_replies;
  std::ostringstream echo;
  Console console(no_replies, echo);
  DiskFileSystem fs;
  Session s{st, console, fs, local_time};
  try {
    ckfread(s, argv[1], st.control.icfg, st.control.ides, st.control.isel, st.block1.n);
  } catch (const FatalError& e) {
    std::cerr << "ladder_netlist: " << e.what() << '\n';
    return 1;
  }
  if (st.control.isel == -1) {
    std::cerr << "ladder_netlist: " << argv[1] << " is not a valid circuit data file\n"
              << echo.str();
    return 1;
  }
  const Ladder ladder = ladder_from_stores(st.capind, filter_type(st.control.ides),
                                           configuration(st.control.icfg), st.block1.n);
  std::cout << spice_circuit(ladder, {50, 0}, {50, 0}, 1.0, argv[1]) << ".control\n"
            << "ac lin " << argv[4] << ' ' << argv[2] << "meg " << argv[3] << "meg\n"
            << "wrdata " << argv[5] << " vdb(out) vp(out)\n"
            << "quit\n.endc\n.end\n";
  return 0;
}

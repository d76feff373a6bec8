// Arbitrary bytes as a user's circuit data file, read by ckfread as the
// analysis dialog calls it. Whatever the file holds, the reader either fails
// (isel = -1) or returns a circuit the analysis can use when its count is
// accepted; it never writes outside the element store's positions, never
// touches slots that no position of the file names, and never disturbs the
// storage file that may be connected while it reads.
#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "common/session.h"
#include "input/circuit_file.h"
#include "fuzz_support.h"

using namespace varnholt;
using varnholt::fuzz::require;

namespace {

constexpr float kUntouched = -7.0f;  // no value read from a file can be negative
constexpr const char* kName = "filter.ckt";
constexpr std::string_view kStoredBefore = "a report stored by an earlier run\r\n";

// Equal, or both not a number (infinite cut-offs give a NaN centre).
bool same(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool untouched(const PositionArray& a, int32_t k) {
  return a[static_cast<std::size_t>(k)] == kUntouched;
}

// Checks a circuit of n positions read successfully.
void check_circuit(const State& st, int32_t n) {
  const Control& c = st.control;
  const Capind& e = st.capind;
  require(c.ides >= 1 && c.ides <= 4, "accepted circuit with a bad type code");
  require(c.icfg >= 1 && c.icfg <= 2, "accepted circuit with a bad configuration code");
  if (c.ides >= 3) {
    const Freq1& f = st.freq1;
    require(f.fl1 < f.fh1, "band edges out of order");
    require(same(f.bw, f.fh1 - f.fl1) && same(f.fo, (f.fh1 + f.fl1) * 0.5f),
            "bandwidth or centre wrong");
  }
  for (int32_t k = 1; k <= n; ++k) {
    const bool shunt = (k % 2 == 1) == (c.icfg == 1);
    const PositionArray& l = shunt ? e.shuntl : e.serl;    // inductor of the position's kind
    const PositionArray& cap = shunt ? e.shuntc : e.serc;  // capacitor of the position's kind
    const PositionArray& other_l = shunt ? e.serl : e.shuntl;
    const PositionArray& other_c = shunt ? e.serc : e.shuntc;
    const auto i = static_cast<std::size_t>(k);
    require(untouched(other_l, k) && untouched(other_c, k),
            "slot of the other branch kind written");
    switch (c.ides) {
      case 1:  // low-pass: shunt capacitors, series inductors
        require(shunt ? cap[i] > 0 && untouched(l, k) : l[i] > 0 && untouched(cap, k),
                "low-pass element missing or in the wrong slot");
        break;
      case 2:  // high-pass: shunt inductors, series capacitors
        require(shunt ? l[i] > 0 && untouched(cap, k) : cap[i] > 0 && untouched(l, k),
                "high-pass element missing or in the wrong slot");
        break;
      default:  // band-pass and band-stop: an inductor and a capacitor
        require(l[i] > 0 && cap[i] > 0, "resonator element missing");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  MemoryFileSystem fs;
  fs.put(kName, file);
  State st;
  for (PositionArray* a : {&st.capind.g, &st.capind.serc, &st.capind.serl, &st.capind.shuntc,
                    &st.capind.shuntl}) {
    a->fill(kUntouched);
  }
  st.block1 = {1.25f, 2.5f, 3, 5};  // n holds a count from before, as after a synthesis
  const Block1 block1_before = st.block1;
  std::istringstream in;  // the reader asks the user nothing
  std::ostringstream out;
  std::ostringstream storage;
  storage << kStoredBefore;
  Console console(in, out);
  console.mirror_to(&storage);
  Session session{st, console, fs, fuzz::fixed_time};

  Control& c = st.control;
  const std::string fni = padded(kName, kNameLength);
  ckfread(session, fni, c.icfg, c.ides, c.isel, st.block1.n);  // the file exists: no FatalError

  require(fs.contents(kName) == file, "the circuit file was changed");
  require(storage.str().compare(0, kStoredBefore.size(), kStoredBefore) == 0,
          "the storage file lost what it held");
  const std::string shown = out.str();
  require(fuzz::line_ends_are_crlf(shown) && fuzz::only_finished_lines(shown),
          "console output not in whole CR LF lines");
  // Nothing outside positions 1..31 and nothing beyond the element store.
  for (const PositionArray* a :
       {&st.capind.serc, &st.capind.serl, &st.capind.shuntc, &st.capind.shuntl}) {
    require(untouched(*a, 0), "element store written at position 0");
  }
  for (int32_t k = 0; k <= kMaxPositions; ++k) {
    require(untouched(st.capind.g, k), "prototype values written");
  }
  require(st.block1.am == block1_before.am && st.block1.a1 == block1_before.a1 &&
              st.block1.i == block1_before.i,
          "store after the element store written");

  if (c.isel == -1) {
    if (!shown.empty()) {
      require(shown.find("Error detected in User-defined data filename") != std::string::npos,
              "failure without its message");
    }
    return 0;
  }
  require(c.isel == 0, "isel changed on success");
  const int32_t n = st.block1.n;
  // Positions after the last complete one keep what they held.
  for (int32_t k = std::max(n, 0) + 1; k <= kMaxPositions; ++k) {
    for (const PositionArray* a :
         {&st.capind.serc, &st.capind.serl, &st.capind.shuntc, &st.capind.shuntl}) {
      require(untouched(*a, k), "slot after the last position written");
    }
  }
  // The dialog goes on to analyse a count of 2 to 30; anything else ends the run.
  if (n >= 2 && n <= kMaxSections) check_circuit(st, n);
  return 0;
}

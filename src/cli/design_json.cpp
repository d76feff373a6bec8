#include "cli/design_json.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "ladder/ladder.h"
#include "synthesis/transform.h"

namespace varnholt {
namespace {

using nlohmann::json;

constexpr int kFormatVersion = 1;

// The double nearest the float's shortest decimal text when that reads back
// as the same float (so the file shows 12.5, not 12.5000000000000001), else
// the float's exact value.
double exact(float value) {
  const double nice = std::strtod(shortest(value).c_str(), nullptr);
  return static_cast<float>(nice) == value ? nice : static_cast<double>(value);
}

const char* placement_name(Placement p) { return p == Placement::Shunt ? "shunt" : "series"; }

const char* connection_name(const PairShape& pair) {
  if (!(pair.has_l && pair.has_c)) return "single";
  return pair.join == Join::Parallel ? "parallel" : "series";
}

json circuit_json(const Ladder& ladder, float source, float load) {
  json branches = json::array();
  int position = 1;
  for (const Branch& b : ladder.branches) {
    const PairShape pair = shape(b.kind).pair[0];
    json branch = {{"position", position++},
                   {"placement", placement_name(b.placement)},
                   {"connection", connection_name(pair)}};
    if (pair.has_l) branch["inductance"] = exact(static_cast<float>(b.l[0]));
    if (pair.has_c) branch["capacitance"] = exact(static_cast<float>(b.c[0]));
    branches.push_back(branch);
  }
  return {{"source", exact(source)}, {"load", exact(load)}, {"branches", branches}};
}

// Reading: every message names the file and the entry.
class Reader {
 public:
  explicit Reader(std::string name) : name_(std::move(name)) {}

  [[noreturn]] void fail(const std::string& where, const std::string& rule) const {
    throw UsageError(name_ + ": " + where + ": " + rule);
  }

  const json& member(const json& object, const std::string& key, const std::string& where) const {
    if (!object.is_object() || !object.contains(key)) fail(where + key, "missing");
    return object.at(key);
  }

  // A positive finite number that fits a float.
  float positive(const json& object, const std::string& key, const std::string& where = "") const {
    const json& v = member(object, key, where);
    if (!v.is_number()) fail(where + key, "must be a number");
    const auto f = static_cast<float>(v.get<double>());
    if (!(f > 0.0f) || !std::isfinite(f)) fail(where + key, "must be a number above 0");
    return f;
  }

  float optional_positive(const json& object, const std::string& key) const {
    return object.contains(key) ? positive(object, key) : 0.0f;
  }

  std::string text(const json& object, const std::string& key, const std::string& where) const {
    const json& v = member(object, key, where);
    if (!v.is_string()) fail(where + key, "must be a text");
    return v.get<std::string>();
  }

  Ladder circuit(const json& root, Configuration config, FilterType type, int32_t n,
                 float& source, float& load) const {
    const std::string where = std::string("circuits.") +
                              (config == Configuration::Dual ? "dual" : "standard");
    const json& c = member(member(root, "circuits", ""), config == Configuration::Dual ? "dual" : "standard", "circuits.");
    source = positive(c, "source", where + ".");
    load = positive(c, "load", where + ".");
    const json& list = member(c, "branches", where + ".");
    if (!list.is_array() || list.size() != static_cast<std::size_t>(n)) {
      fail(where + ".branches", "must list the " + std::to_string(n) + " sections");
    }
    Ladder ladder;
    for (int32_t k = 1; k <= n; ++k) {
      const std::string at = where + ".branches[" + std::to_string(k - 1) + "].";
      const json& entry = list[static_cast<std::size_t>(k - 1)];
      Branch b;
      b.placement = placement_at(config, k);
      b.kind = branch_stores(type, b.placement).kind;
      if (text(entry, "placement", at) != placement_name(b.placement)) {
        fail(at + "placement", std::string("must be ") + placement_name(b.placement));
      }
      const PairShape pair = shape(b.kind).pair[0];
      if (pair.has_l) b.l[0] = positive(entry, "inductance", at);
      if (pair.has_c) b.c[0] = positive(entry, "capacitance", at);
      ladder.branches.push_back(b);
    }
    return ladder;
  }

 private:
  std::string name_;
};

}  // namespace

std::string design_json(const DesignRequest& d, const State& st) {
  const int32_t n = st.block1.n;
  const Capind& c = st.capind;
  json prototype = json::array();
  for (int32_t k = 1; k <= n + 1 && k <= kMaxPositions; ++k) {
    prototype.push_back(exact(c.g[static_cast<std::size_t>(k)]));
  }
  float rod = 0.0f;
  float ros = 0.0f;
  load_resistances(c.g, n, d.impedance, rod, ros);
  json j = {{"varnholt_design", kFormatVersion},
            {"units", {{"frequency", "MHz"}, {"ripple", "dB"}, {"attenuation", "dB"},
                       {"impedance", "ohm"}, {"inductance", "nH"}, {"capacitance", "pF"}}},
            {"type", name_of(d.type)},
            {"response", name_of(d.response)}};
  if (d.type == FilterType::BandPass || d.type == FilterType::BandStop) {
    j["center"] = exact(d.center);
    j["bandwidth"] = exact(d.bandwidth);
    j["band_edges"] = {exact(st.freq1.fl1), exact(st.freq1.fh1)};
  } else {
    j["cutoff"] = exact(d.cutoff);
  }
  if (d.response == Response::Chebyshev) j["ripple"] = exact(d.ripple);
  j["sections"] = n;
  if (d.sections == 0) {
    j["skirt"] = exact(d.skirt);
    j["attenuation"] = exact(d.attenuation);
    j["attenuation_reached"] = exact(st.main.a2);
  }
  j["impedance"] = exact(d.impedance);
  j["prototype"] = prototype;
  const FilterType type = d.type;
  j["circuits"] = {
      {"standard", circuit_json(ladder_from_stores(c, type, Configuration::Standard, n),
                                d.impedance, ros)},
      {"dual", circuit_json(ladder_from_stores(c, type, Configuration::Dual, n), d.impedance,
                            rod)}};
  return j.dump(2) + "\n";
}

DesignFile read_design_json(const std::string& text, const std::string& name) {
  const Reader r(name);
  const json root = json::parse(text, nullptr, false);
  if (root.is_discarded()) throw UsageError(name + ": not a valid JSON text");
  if (!root.is_object() || !root.contains("varnholt_design")) {
    throw UsageError(name + ": not a design file (no \"varnholt_design\" entry)");
  }
  const json& version = root.at("varnholt_design");
  if (!version.is_number_integer() || version.get<int64_t>() != kFormatVersion) {
    r.fail("varnholt_design", "must be " + std::to_string(kFormatVersion));
  }
  DesignFile f;
  DesignRequest& d = f.design;
  const auto type = filter_type_named(r.text(root, "type", ""));
  if (!type) r.fail("type", "must be lowpass, highpass, bandpass or bandstop");
  d.type = *type;
  const auto response = response_named(r.text(root, "response", ""));
  if (!response) r.fail("response", "must be chebyshev, butterworth, bessel or linear-phase");
  d.response = *response;
  d.cutoff = r.optional_positive(root, "cutoff");
  d.center = r.optional_positive(root, "center");
  d.bandwidth = r.optional_positive(root, "bandwidth");
  d.ripple = r.optional_positive(root, "ripple");
  d.skirt = r.optional_positive(root, "skirt");
  d.attenuation = r.optional_positive(root, "attenuation");
  d.impedance = r.positive(root, "impedance");
  if (d.skirt == 0.0f) {
    const json& n = r.member(root, "sections", "");
    if (!n.is_number_integer() || n.get<int64_t>() < 2 || n.get<int64_t>() > kMaxSections) {
      r.fail("sections", "must be a whole number from 2 to 30");
    }
    d.sections = static_cast<int32_t>(n.get<int64_t>());
  }
  check_design(d, name + ": ");
  const int32_t n = design_sections(d);
  f.standard = r.circuit(root, Configuration::Standard, d.type, n, f.source, f.load_standard);
  float dual_source = 0.0f;
  f.dual = r.circuit(root, Configuration::Dual, d.type, n, dual_source, f.load_dual);
  return f;
}

}  // namespace varnholt

#include "cli/design_json.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "ladder/ladder.h"
#include "synthesis/elliptic_report.h"
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

// The value keys of pair p of a branch.
std::string inductance_key(int p) { return p == 0 ? "inductance" : "inductance_2"; }
std::string capacitance_key(int p) { return p == 0 ? "capacitance" : "capacitance_2"; }

// Element values as held: the stores' floats (written by exact()) or, for an
// elliptic design, doubles (written in shortest round-trip form).
json circuit_json(const Ladder& ladder, double source, double load, bool floats) {
  const auto value = [floats](double v) { return floats ? exact(static_cast<float>(v)) : v; };
  json branches = json::array();
  int position = 1;
  for (const Branch& b : ladder.branches) {
    const BranchShape s = shape(b.kind);
    json branch = {{"position", position++},
                   {"placement", placement_name(b.placement)},
                   {"connection", connection_text(b.kind)}};
    for (int p = 0; p < s.pairs; ++p) {
      const auto i = static_cast<std::size_t>(p);
      if (s.pair[i].has_l) branch[inductance_key(p)] = value(b.l[i]);
      if (s.pair[i].has_c) branch[capacitance_key(p)] = value(b.c[i]);
    }
    branches.push_back(branch);
  }
  return {{"source", value(source)}, {"load", value(load)}, {"branches", branches}};
}

// The entries every design file starts with.
json design_entries(const DesignRequest& d) {
  json j = {{"varnholt_design", kFormatVersion},
            {"units", {{"frequency", "MHz"}, {"ripple", "dB"}, {"attenuation", "dB"},
                       {"impedance", "ohm"}, {"inductance", "nH"}, {"capacitance", "pF"}}},
            {"type", name_of(d.type)},
            {"response", name_of(d.response)}};
  if (d.type == FilterType::BandPass || d.type == FilterType::BandStop) {
    j["center"] = exact(d.center);
    j["bandwidth"] = exact(d.bandwidth);
    j["band_edges"] = {exact(lower_edge(d)), exact(upper_edge(d))};
  } else {
    j["cutoff"] = exact(d.cutoff);
  }
  if (d.ripple != 0.0f) j["ripple"] = exact(d.ripple);
  if (d.skirt != 0.0f) j["skirt"] = exact(d.skirt);
  if (d.attenuation != 0.0f) j["attenuation"] = exact(d.attenuation);
  j["impedance"] = exact(d.impedance);
  return j;
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

  // A positive finite number, finite as a float too.
  double positive_value(const json& object, const std::string& key,
                        const std::string& where = "") const {
    const json& v = member(object, key, where);
    if (!v.is_number()) fail(where + key, "must be a number");
    const double d = v.get<double>();
    const auto f = static_cast<float>(d);
    if (!(d > 0.0) || !(f > 0.0f) || !std::isfinite(f)) {
      fail(where + key, "must be a number above 0");
    }
    return d;
  }
  float positive(const json& object, const std::string& key, const std::string& where = "") const {
    return static_cast<float>(positive_value(object, key, where));
  }

  float optional_positive(const json& object, const std::string& key) const {
    return object.contains(key) ? positive(object, key) : 0.0f;
  }

  std::string text(const json& object, const std::string& key, const std::string& where) const {
    const json& v = member(object, key, where);
    if (!v.is_string()) fail(where + key, "must be a text");
    return v.get<std::string>();
  }

  // The circuit `config` of the file, branch by branch as `shape` has them
  // (placement and kind), with the values the file gives.
  // With `floats` the values are rounded to the floats of the element stores.
  Ladder circuit(const json& root, Configuration config, const Ladder& shape_of, bool floats,
                 float& source, float& load) const {
    const char* which = config == Configuration::Dual ? "dual" : "standard";
    const std::string where = std::string("circuits.") + which;
    const json& c = member(member(root, "circuits", ""), which, "circuits.");
    source = positive(c, "source", where + ".");
    load = positive(c, "load", where + ".");
    const json& list = member(c, "branches", where + ".");
    const std::size_t n = shape_of.branches.size();
    if (!list.is_array() || list.size() != n) {
      fail(where + ".branches", "must list the " + std::to_string(n) + " branches of the design");
    }
    Ladder ladder = shape_of;
    for (std::size_t k = 0; k < n; ++k) {
      const std::string at = where + ".branches[" + std::to_string(k) + "].";
      const json& entry = list[k];
      Branch& b = ladder.branches[k];
      if (text(entry, "placement", at) != placement_name(b.placement)) {
        fail(at + "placement", std::string("must be ") + placement_name(b.placement));
      }
      const BranchShape s = shape(b.kind);
      for (int p = 0; p < s.pairs; ++p) {
        const auto i = static_cast<std::size_t>(p);
        const auto value = [&](const std::string& key) {
          const double v = positive_value(entry, key, at);
          return floats ? static_cast<float>(v) : v;
        };
        b.l[i] = s.pair[i].has_l ? value(inductance_key(p)) : 0.0;
        b.c[i] = s.pair[i].has_c ? value(capacitance_key(p)) : 0.0;
      }
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
  json j = design_entries(d);
  j["sections"] = n;
  if (d.sections == 0) j["attenuation_reached"] = exact(st.main.a2);
  j["prototype"] = prototype;
  const FilterType type = d.type;
  j["circuits"] = {
      {"standard", circuit_json(ladder_from_stores(c, type, Configuration::Standard, n),
                                d.impedance, ros, true)},
      {"dual", circuit_json(ladder_from_stores(c, type, Configuration::Dual, n), d.impedance,
                            rod, true)}};
  return j.dump(2) + "\n";
}

std::string elliptic_design_json(const DesignRequest& d, const EllipticDesign& standard,
                                 const EllipticDesign& dual) {
  json j = design_entries(d);
  j["sections"] = standard.order;
  j["stopband_edges"] = standard.stopband_mhz;
  const auto circuit = [](const EllipticDesign& e) {
    return circuit_json(e.ladder(), e.source_ohms, e.load_ohms, false);
  };
  j["circuits"] = {{"standard", circuit(standard)}, {"dual", circuit(dual)}};
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
  if (!response) r.fail("response", "must be chebyshev, butterworth, bessel, linear-phase or elliptic");
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
  const std::string prefix = name + ": ";
  check_design(d, prefix);
  // The branches the design has, whose values the file gives.
  const auto shape_of = [&](Configuration config) {
    if (d.response == Response::Elliptic) return elliptic_design(d, config, prefix).ladder();
    return ladder_from_stores(Capind{}, d.type, config, design_sections(d));
  };
  const bool floats = d.response != Response::Elliptic;
  f.standard = r.circuit(root, Configuration::Standard, shape_of(Configuration::Standard), floats,
                         f.source, f.load_standard);
  float dual_source = 0.0f;
  f.dual = r.circuit(root, Configuration::Dual, shape_of(Configuration::Dual), floats,
                     dual_source, f.load_dual);
  return f;
}

}  // namespace varnholt

#include "pipeline/design_file.h"

#include <cmath>

#include "ladder/ladder.h"
#include "synthesis/elliptic_report.h"

namespace varnholt {
namespace {

using nlohmann::json;

constexpr int kFormatVersion = 2;

const char* placement_name(Placement p) { return p == Placement::Shunt ? "shunt" : "series"; }

// The value keys of pair p of a branch.
std::string inductance_key(int p) { return p == 0 ? "inductance" : "inductance_2"; }
std::string capacitance_key(int p) { return p == 0 ? "capacitance" : "capacitance_2"; }

// A circuit with its terminations. Float values are written as their
// shortest decimal, which reads back as the same float.
json circuit_json(const Circuit& c, bool floats) {
  const auto value = [floats](double v) {
    return floats ? value_as_typed(static_cast<float>(v)) : v;
  };
  json branches = json::array();
  int position = 1;
  for (const Branch& b : c.ladder.branches) {
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
  return {{"source", value(c.source.r)}, {"load", value(c.load.r)}, {"branches", branches}};
}

json design_entries(const DesignRequest& d) {
  json j = {{"varnholt_design", kFormatVersion},
            {"units", {{"frequency", "MHz"}, {"ripple", "dB"}, {"attenuation", "dB"},
                       {"impedance", "ohm"}, {"inductance", "nH"}, {"capacitance", "pF"}}},
            {"type", name_of(d.type)},
            {"response", name_of(d.response)}};
  if (d.type == FilterType::BandPass || d.type == FilterType::BandStop) {
    j["center"] = d.center;
    j["bandwidth"] = d.bandwidth;
    j["band_edges"] = {lower_edge(d), upper_edge(d)};
  } else {
    j["cutoff"] = d.cutoff;
  }
  if (d.ripple != 0.0) j["ripple"] = d.ripple;
  if (d.phase_error != 0.0) j["phase_error"] = d.phase_error;
  if (d.skirt != 0.0) j["skirt"] = d.skirt;
  if (d.attenuation != 0.0) j["attenuation"] = d.attenuation;
  j["impedance"] = d.impedance;
  if (d.topology) j["topology"] = coupled_topology_name(*d.topology);
  if (d.resonator_l_nh) j["resonator_l"] = *d.resonator_l_nh;
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

  // A positive finite number, finite as a float too (the dialog's stores).
  double positive(const json& object, const std::string& key, const std::string& where = "") const {
    const json& v = member(object, key, where);
    if (!v.is_number()) fail(where + key, "must be a number");
    const double d = v.get<double>();
    const auto f = static_cast<float>(d);
    if (!(d > 0.0) || !(f > 0.0f) || !std::isfinite(f)) fail(where + key, "must be a number above 0");
    return d;
  }

  double optional_positive(const json& object, const std::string& key) const {
    return object.contains(key) ? positive(object, key) : 0.0;
  }

  std::string text(const json& object, const std::string& key, const std::string& where) const {
    const json& v = member(object, key, where);
    if (!v.is_string()) fail(where + key, "must be a text");
    return v.get<std::string>();
  }

  // Circuit `which` of `group`, branch by branch as `shape_of` has them
  // (placement and kind), with the values the file gives.
  Circuit circuit(const json& root, const std::string& group, const char* which,
                  const Ladder& shape_of) const {
    const std::string where = group + "." + which;
    const json& c = member(member(root, group, ""), which, group + ".");
    Circuit out;
    out.source = {positive(c, "source", where + "."), 0.0};
    out.load = {positive(c, "load", where + "."), 0.0};
    const json& list = member(c, "branches", where + ".");
    const std::size_t n = shape_of.branches.size();
    if (!list.is_array() || list.size() != n) {
      fail(where + ".branches", "must list the " + std::to_string(n) + " branches of the design");
    }
    out.ladder = shape_of;
    for (std::size_t k = 0; k < n; ++k) {
      const std::string at = where + ".branches[" + std::to_string(k) + "].";
      const json& entry = list[k];
      Branch& b = out.ladder.branches[k];
      if (text(entry, "placement", at) != placement_name(b.placement)) {
        fail(at + "placement", std::string("must be ") + placement_name(b.placement));
      }
      const BranchShape s = shape(b.kind);
      for (int p = 0; p < s.pairs; ++p) {
        const auto i = static_cast<std::size_t>(p);
        b.l[i] = s.pair[i].has_l ? positive(entry, inductance_key(p), at) : 0.0;
        b.c[i] = s.pair[i].has_c ? positive(entry, capacitance_key(p), at) : 0.0;
      }
    }
    return out;
  }

 private:
  std::string name_;
};

// Responses with finite transmission zeros: realised by zero shifting.
bool has_zeros(Response r) { return r == Response::Elliptic || r == Response::InverseChebyshev; }

// A circuit held in the element stores: every value as its float.
Circuit in_floats(Circuit c) {
  for (Branch& b : c.ladder.branches) {
    for (double& v : b.l) v = static_cast<float>(v);
    for (double& v : b.c) v = static_cast<float>(v);
  }
  c.source.r = static_cast<float>(c.source.r);
  c.load.r = static_cast<float>(c.load.r);
  return c;
}

DesignRequest read_design(const Reader& r, const json& root, int version) {
  DesignRequest d;
  const auto type = filter_type_named(r.text(root, "type", ""));
  if (!type) r.fail("type", "must be lowpass, highpass, bandpass or bandstop");
  d.type = *type;
  const auto response = response_named(r.text(root, "response", ""));
  if (!response) r.fail("response", "must be a response the design command names (see design --help)");
  d.response = *response;
  d.cutoff = r.optional_positive(root, "cutoff");
  d.center = r.optional_positive(root, "center");
  d.bandwidth = r.optional_positive(root, "bandwidth");
  // Version 1 wrote the edges of the float centre and bandwidth, not typed ones.
  if (version >= 2 && root.contains("band_edges")) {
    const json& e = root.at("band_edges");
    if (!e.is_array() || e.size() != 2 || !e[0].is_number() || !e[1].is_number()) {
      r.fail("band_edges", "must be two numbers");
    }
    d.band_lower = e[0].get<double>();
    d.band_upper = e[1].get<double>();
    if (!(d.band_lower > 0.0 && d.band_lower < d.band_upper)) {
      r.fail("band_edges", "must rise from above 0");
    }
  }
  d.ripple = r.optional_positive(root, "ripple");
  d.phase_error = r.optional_positive(root, "phase_error");
  d.skirt = r.optional_positive(root, "skirt");
  d.attenuation = r.optional_positive(root, "attenuation");
  d.impedance = r.positive(root, "impedance");
  if (root.contains("topology")) {
    const std::string name = r.text(root, "topology", "");
    if (name != "ladder") {
      d.topology = coupled_topology(name);
      if (!d.topology) r.fail("topology", "must be ladder, top-c, top-l or shunt-c");
    }
  }
  if (root.contains("resonator_l")) d.resonator_l_nh = r.positive(root, "resonator_l");
  if (d.skirt == 0.0) {
    const json& n = r.member(root, "sections", "");
    if (!n.is_number_integer() || n.get<int64_t>() < 2 || n.get<int64_t>() > kMaxSections) {
      r.fail("sections", "must be a whole number from 2 to 30");
    }
    d.sections = static_cast<int32_t>(n.get<int64_t>());
  }
  return d;
}

}  // namespace

json design_record_json(const DesignRecord& rec) {
  const bool elliptic = has_zeros(rec.design.response);
  json j = design_entries(rec.design);
  j["sections"] = rec.sections;
  if (rec.attenuation_reached) j["attenuation_reached"] = value_as_typed(static_cast<float>(*rec.attenuation_reached));
  if (!rec.prototype.empty()) j["prototype"] = rec.prototype;
  if (elliptic) j["stopband_edges"] = rec.stopband_mhz;
  if (rec.coupled) {
    // One circuit; the dialog's report does not cover it.
    j["circuits"] = {{"coupled", circuit_json(rec.standard, false)}};
    return j;
  }
  j["circuits"] = {{"standard", circuit_json(rec.standard, false)},
                   {"dual", circuit_json(rec.dual, false)}};
  if (rec.dialog_values) {
    j["report_circuits"] = {{"standard", circuit_json(rec.dialog_values->first, true)},
                            {"dual", circuit_json(rec.dialog_values->second, true)}};
  }
  return j;
}

DesignRecord read_design_file(const std::string& text, const std::string& name) {
  const Reader r(name);
  const json root = json::parse(text, nullptr, false);
  if (root.is_discarded()) throw UsageError(name + ": not a valid JSON text");
  if (!root.is_object() || !root.contains("varnholt_design")) {
    throw UsageError(name + ": not a design file (no \"varnholt_design\" entry)");
  }
  const json& version = root.at("varnholt_design");
  if (!version.is_number_integer() || version.get<int64_t>() < 1 ||
      version.get<int64_t>() > kFormatVersion) {
    r.fail("varnholt_design", "must be 1 or " + std::to_string(kFormatVersion));
  }
  const int v = static_cast<int>(version.get<int64_t>());
  DesignRecord rec;
  rec.design = read_design(r, root, v);
  const DesignRequest& d = rec.design;
  const std::string prefix = name + ": ";
  check_design(d, prefix);
  rec.sections = design_sections(d);
  if (d.topology) {
    // The shape of design_coupled's circuit, the values of the file.
    rec.coupled = coupled_design(d, prefix);
    rec.prototype.assign(rec.coupled->g.begin() + 1, rec.coupled->g.end());
    rec.standard = r.circuit(root, "circuits", "coupled", rec.coupled->ladder);
    rec.coupled->ladder = rec.standard.ladder;
    rec.coupled->source_ohms = rec.standard.source.r;
    rec.coupled->load_ohms = rec.standard.load.r;
    for (CoupledElement& e : rec.coupled->elements) {
      const Branch& b = rec.standard.ladder.branches.at(static_cast<std::size_t>(e.branch - 1));
      e.value = e.inductor ? b.l[0] : b.c[0];
    }
    return rec;
  }
  const bool elliptic = has_zeros(d.response);
  // The branches the design has, whose values the file gives.
  const auto shape_of = [&](Configuration config) {
    if (elliptic) return elliptic_design(d, config, prefix).ladder();
    return ladder_from_stores(Capind{}, d.type, config, rec.sections);
  };
  const Ladder standard = shape_of(Configuration::Standard);
  const Ladder dual = shape_of(Configuration::Dual);
  rec.standard = r.circuit(root, "circuits", "standard", standard);
  rec.dual = r.circuit(root, "circuits", "dual", dual);
  if (elliptic) {
    rec.stopband_mhz = elliptic_design(d, Configuration::Standard, prefix).stopband_mhz;
    return rec;
  }
  if (!dialog_designs(d)) return rec;  // no float stores: the dialog does not design it
  if (v >= 2 && root.contains("report_circuits")) {
    rec.dialog_values = std::pair{r.circuit(root, "report_circuits", "standard", standard),
                                  r.circuit(root, "report_circuits", "dual", dual)};
  } else {
    rec.dialog_values = std::pair{rec.standard, rec.dual};
  }
  rec.dialog_values->first = in_floats(rec.dialog_values->first);
  rec.dialog_values->second = in_floats(rec.dialog_values->second);
  return rec;
}

}  // namespace varnholt

#include "pipeline/requests.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/decimal.h"
#include "common/stores.h"
#include "common/code_traits.h"
#include "synthesis/all_pole.h"
#include "synthesis/elliptic.h"
#include "synthesis/exact_design.h"
#include "synthesis/inverse_chebyshev.h"
#include "synthesis/section_count.h"

namespace varnholt {
namespace {

template <typename T>
struct Named {
  const char* name;
  T value;
};

// The first name of each value is the one written; the others are accepted.
constexpr Named<FilterType> kTypes[] = {
    {"lowpass", FilterType::LowPass},   {"highpass", FilterType::HighPass},
    {"bandpass", FilterType::BandPass}, {"bandstop", FilterType::BandStop},
    {"lp", FilterType::LowPass},        {"hp", FilterType::HighPass},
    {"bp", FilterType::BandPass},       {"bs", FilterType::BandStop},
};

// Each response as commands and design files name it, and as pages and
// reports title it.
struct ResponseNames {
  const char* name;
  Response value;
  const char* title;
};
constexpr ResponseNames kResponseNames[] = {
    {"chebyshev", Response::Chebyshev, "Chebyshev"},
    {"butterworth", Response::Butterworth, "Butterworth"},
    {"bessel", Response::Bessel, "Bessel"},
    {"linear-phase", Response::LinearPhase, "Linear-phase"},
    {"elliptic", Response::Elliptic, "Elliptic"},
    {"legendre", Response::Legendre, "Legendre"},
    {"gaussian", Response::Gaussian, "Gaussian"},
    {"transitional-6db", Response::Transitional6dB, "Gaussian to 6 dB"},
    {"transitional-12db", Response::Transitional12dB, "Gaussian to 12 dB"},
    {"equiripple-phase", Response::EquirippleDelay, "Equiripple phase"},
    {"inverse-chebyshev", Response::InverseChebyshev, "Inverse Chebyshev"},
};

const ResponseNames* response_entry(Response r) {
  for (const auto& e : kResponseNames) {
    if (e.value == r) return &e;
  }
  return nullptr;
}

template <typename T, std::size_t N>
std::optional<T> find_named(const Named<T> (&table)[N], const std::string& name) {
  for (const auto& entry : table) {
    if (name == entry.name) return entry.value;
  }
  return std::nullopt;
}

template <typename T, std::size_t N>
const char* find_name(const Named<T> (&table)[N], T value) {
  for (const auto& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return "";
}

bool is_band(FilterType type) {
  return type == FilterType::BandPass || type == FilterType::BandStop;
}

// Chebyshev and Butterworth ladders go to 30 sections; the computed
// prototypes (and the Bessel and linear-phase ones) to 15.
int32_t most_sections(Response r) {
  return r == Response::Chebyshev || r == Response::Butterworth ? kMaxSections
                                                                 : kMaxComputedOrder;
}

EllipticRequest zeros_request(const DesignRequest& d, Configuration circuit) {
  EllipticRequest r;
  r.type = d.type;
  r.configuration = circuit;
  // An inverse Chebyshev passband ends at its 3 dB point, the loss its report gives.
  r.am_db = d.response == Response::InverseChebyshev ? 10.0 * std::log10(2.0) : d.ripple;
  r.as_db = d.attenuation;
  r.order = d.sections;
  r.f1_mhz = d.skirt;
  r.fc_mhz = d.cutoff;
  r.fl_mhz = lower_edge(d);
  r.fh_mhz = upper_edge(d);
  r.zo = d.impedance;
  return r;
}

void check_phase_error(const DesignRequest& d, const std::string& p) {
  if (d.response != Response::EquirippleDelay) {
    if (d.phase_error != 0.0) {
      throw UsageError(p + "phase-error: only equiripple-phase designs have a phase error");
    }
    return;
  }
  if (!(d.phase_error >= kMinPhaseErrorDeg && d.phase_error <= kMaxPhaseErrorDeg)) {
    throw UsageError(p + "phase-error: must be from 0.05 to 5 degrees (got " +
                     shortest(d.phase_error) + ")");
  }
}

// The order of a computed all-pole response from the skirt: the lowest
// whose exact loss at F1 reaches A1.
int32_t computed_skirt_order(const DesignRequest& d, const std::string& p) {
  if (d.attenuation == 0.0) throw UsageError(p + "attenuation: required with the skirt");
  float edge = 0.0f;
  if (!skirt_edge(static_cast<int32_t>(d.type), static_cast<float>(d.skirt),
                  static_cast<float>(d.cutoff), static_cast<float>(lower_edge(d)),
                  static_cast<float>(upper_edge(d)), edge)) {
    throw UsageError(p + "skirt: must lie outside the passband (got " + shortest(d.skirt) +
                     " MHz)");
  }
  const double ws = normalised_skirt(zeros_request(d, Configuration::Standard));
  const double parameter = d.response == Response::EquirippleDelay ? d.phase_error : d.ripple;
  const auto n = all_pole_order(d.response, parameter, ws, d.attenuation);
  if (!n) throw UsageError(p + "attenuation: needs more than 15 sections");
  return *n;
}

void check_inverse_chebyshev(const DesignRequest& d, const std::string& p) {
  if (d.ripple != 0.0) throw UsageError(p + "ripple: only Chebyshev and elliptic designs have a ripple");
  if (d.attenuation == 0.0) {
    throw UsageError(p + "attenuation: required for an inverse-chebyshev design (the stopband floor)");
  }
  if (d.attenuation > kMaxStopbandDb) {
    throw UsageError(p + "attenuation: must be at most 300 dB (got " + shortest(d.attenuation) + ")");
  }
  if (d.sections != 0 && d.skirt != 0.0) {
    throw UsageError(p + "sections: give either the sections or the skirt, not both");
  }
  if (d.sections == 0 && d.skirt == 0.0) throw UsageError(p + "sections: required (or the skirt)");
  if (d.sections != 0 && (d.sections < kMinComputedOrder || d.sections > kMaxComputedOrder)) {
    throw UsageError(p + "sections: must be from 2 to 15 for an inverse-chebyshev design (got " +
                     std::to_string(d.sections) + ")");
  }
}

void check_frequencies(const DesignRequest& d, const std::string& p) {
  if (!is_band(d.type)) {
    if (d.center != 0.0 || d.bandwidth != 0.0) {
      throw UsageError(p + (d.center != 0.0 ? "center" : "bandwidth") +
                       ": only band-pass and band-stop designs have one; give the cut-off");
    }
    if (d.cutoff == 0.0) throw UsageError(p + "cutoff: required for a " + name_of(d.type) + " design");
    return;
  }
  if (d.cutoff != 0.0) {
    throw UsageError(p + "cutoff: only low-pass and high-pass designs have one; give the band");
  }
  if (d.center == 0.0) throw UsageError(p + "center: required for a " + name_of(d.type) + " design");
  if (d.bandwidth == 0.0) {
    throw UsageError(p + "bandwidth: required for a " + name_of(d.type) + " design");
  }
  if (!(lower_edge(d) > 0.0) || !(lower_edge(d) < upper_edge(d)) ||
      !(dialog_lower_edge(d) > 0.0) || !(dialog_lower_edge(d) < dialog_upper_edge(d))) {
    throw UsageError(p + "bandwidth: the band must lie above 0 MHz with its lower edge below its "
                     "upper (got " + shortest(lower_edge(d)) + " to " + shortest(upper_edge(d)) +
                     " MHz)");
  }
}

void check_ripple(const DesignRequest& d, const std::string& p) {
  if (d.response != Response::Chebyshev) {
    if (d.ripple != 0.0) {
      throw UsageError(p + "ripple: only Chebyshev and elliptic designs have a ripple");
    }
    return;
  }
  if (d.ripple == 0.0) throw UsageError(p + "ripple: required for a Chebyshev design");
}

// The skirt requirement: the order the dialog derives, with its rules.
int32_t skirt_sections(const DesignRequest& d, const std::string& p) {
  if (d.response != Response::Chebyshev && d.response != Response::Butterworth) {
    throw UsageError(p + "skirt: only Chebyshev and Butterworth designs take their order from a "
                     "skirt; give the sections");
  }
  if (d.attenuation == 0.0) throw UsageError(p + "attenuation: required with the skirt");
  // The order is the dialog's, from its float data.
  const auto skirt = static_cast<float>(d.skirt);
  float edge = 0.0f;
  if (!skirt_edge(static_cast<int32_t>(d.type), skirt, static_cast<float>(d.cutoff),
                  dialog_lower_edge(d), dialog_upper_edge(d), edge)) {
    throw UsageError(p + "skirt: must lie outside the passband (got " + shortest(d.skirt) +
                     " MHz)");
  }
  if (d.response == Response::Butterworth && d.attenuation < 4.0) {
    throw UsageError(p + "attenuation: must be at least 4 dB for a Butterworth design (got " +
                     shortest(d.attenuation) + ")");
  }
  if (d.response == Response::Chebyshev && !(d.attenuation > d.ripple)) {
    throw UsageError(p + "attenuation: must be above the ripple (got " + shortest(d.attenuation) +
                     ")");
  }
  float reached = 0.0f;
  int32_t ierr = 0;
  int32_t n = 0;
  nsectn(static_cast<float>(d.ripple), static_cast<float>(d.attenuation), reached, edge, skirt,
         dialog_upper_edge(d), dialog_lower_edge(d), static_cast<int32_t>(d.type), ierr,
         static_cast<int32_t>(d.response), n);
  if (ierr != 0) throw UsageError(p + "skirt: no number of sections meets this requirement");
  if (n > kMaxSections) {
    throw UsageError(p + "attenuation: needs more than 30 sections (" +
                     (n == INT32_MAX ? std::string("no finite number") : std::to_string(n)) + ")");
  }
  return n;
}

}  // namespace

std::optional<FilterType> filter_type_named(const std::string& name) {
  return find_named(kTypes, name);
}
std::optional<Response> response_named(const std::string& name) {
  for (const auto& e : kResponseNames) {
    if (name == e.name) return e.value;
  }
  return std::nullopt;
}
const char* name_of(FilterType type) { return find_name(kTypes, type); }
const char* name_of(Response response) {
  const ResponseNames* e = response_entry(response);
  return e != nullptr ? e->name : "";
}
const char* title_of(Response response) {
  const ResponseNames* e = response_entry(response);
  return e != nullptr ? e->title : "";
}

double lower_edge(const DesignRequest& d) {
  if (!is_band(d.type)) return 0.0;
  return d.band_upper != 0.0 ? d.band_lower : decimal_combine(2.0, d.center, -1.0, d.bandwidth, 2.0);
}
double upper_edge(const DesignRequest& d) {
  if (!is_band(d.type)) return 0.0;
  return d.band_upper != 0.0 ? d.band_upper : decimal_combine(2.0, d.center, 1.0, d.bandwidth, 2.0);
}
float dialog_lower_edge(const DesignRequest& d) {
  if (!is_band(d.type)) return 0.0f;
  return static_cast<float>(d.center) - static_cast<float>(d.bandwidth) * 0.5f;
}
float dialog_upper_edge(const DesignRequest& d) {
  if (!is_band(d.type)) return 0.0f;
  return static_cast<float>(d.center) + static_cast<float>(d.bandwidth) * 0.5f;
}

double value_as_typed(float value) {
  char text[32];
  const auto res = std::to_chars(text, text + sizeof text, value);
  const double nice = std::strtod(std::string(text, res.ptr).c_str(), nullptr);
  return static_cast<float>(nice) == value ? nice : static_cast<double>(value);
}

std::string shortest(double value) {
  char text[32];
  const auto res = std::to_chars(text, text + sizeof text, value);
  return std::string(text, res.ptr);
}

// Elliptic designs: ripple and stopband attenuation always; the order typed
// (2 to 15) or the lowest whose stopband edge reaches the skirt frequency.
void check_elliptic(const DesignRequest& d, const std::string& p) {
  if (d.ripple == 0.0) throw UsageError(p + "ripple: required for an elliptic design");
  if (d.attenuation == 0.0) {
    throw UsageError(p + "attenuation: required for an elliptic design (the stopband attenuation)");
  }
  if (!(d.attenuation > d.ripple) || d.attenuation > kMaxStopbandDb) {
    throw UsageError(p + "attenuation: must be above the ripple and at most 300 dB (got " +
                     shortest(d.attenuation) + ")");
  }
  const bool skirt = d.skirt != 0.0;
  if (d.sections != 0 && skirt) {
    throw UsageError(p + "sections: give either the sections or the skirt, not both");
  }
  if (d.sections == 0 && !skirt) throw UsageError(p + "sections: required (or the skirt)");
  if (skirt) {
    float edge = 0.0f;
    if (!skirt_edge(static_cast<int32_t>(d.type), static_cast<float>(d.skirt),
                    static_cast<float>(d.cutoff), static_cast<float>(lower_edge(d)),
                    static_cast<float>(upper_edge(d)), edge)) {
      throw UsageError(p + "skirt: must lie outside the passband (got " + shortest(d.skirt) +
                       " MHz)");
    }
  } else if (d.sections < kMinEllipticOrder || d.sections > kMaxEllipticOrder) {
    throw UsageError(p + "sections: must be from 2 to 15 for an elliptic design (got " +
                     std::to_string(d.sections) + ")");
  }
}

// Coupled resonators: band-pass, all-pole; a resonator L only with them.
void check_topology(const DesignRequest& d, const std::string& p) {
  if (!d.topology) {
    if (d.resonator_l_nh) {
      throw UsageError(p + "resonator-l: only with a coupled-resonator topology (top-c, top-l or "
                       "shunt-c)");
    }
    return;
  }
  if (d.type != FilterType::BandPass) {
    throw UsageError(p + "topology: coupled resonators are band-pass filters; other types take "
                     "the ladder only");
  }
  if (!is_all_pole(d.response)) {
    throw UsageError(p + "topology: coupled resonators need an all-pole response, not " +
                     name_of(d.response));
  }
}

void check_design(const DesignRequest& d, const std::string& p) {
  check_topology(d, p);
  check_frequencies(d, p);
  check_phase_error(d, p);
  if (d.response == Response::Elliptic) return check_elliptic(d, p);
  if (d.response == Response::InverseChebyshev) return check_inverse_chebyshev(d, p);
  check_ripple(d, p);
  const bool skirt = d.skirt != 0.0;
  if (d.sections != 0 && skirt) {
    throw UsageError(p + "sections: give either the sections or the skirt, not both");
  }
  if (d.sections == 0 && !skirt) {
    if (d.attenuation != 0.0) throw UsageError(p + "skirt: required with the attenuation");
    throw UsageError(p + "sections: required (or the skirt and the attenuation)");
  }
  if (skirt) {
    const bool dialog_order = d.response == Response::Chebyshev || d.response == Response::Butterworth;
    dialog_order ? skirt_sections(d, p) : computed_skirt_order(d, p);
    return;
  }
  if (d.attenuation != 0.0) throw UsageError(p + "attenuation: only with the skirt");
  const int32_t most = most_sections(d.response);
  if (d.sections < 2 || d.sections > most) {
    throw UsageError(p + "sections: must be from 2 to " + std::to_string(most) +
                     (most < kMaxSections ? std::string(" for a ") + name_of(d.response) + " design"
                                          : std::string()) +
                     " (got " + std::to_string(d.sections) + ")");
  }
  if (d.response == Response::EquirippleDelay &&
      prototype_values(d.response, d.sections, d.phase_error).empty()) {
    throw UsageError(p + "sections: no equiripple-phase ladder of " + std::to_string(d.sections) +
                     " sections with a " + shortest(d.phase_error) +
                     " degree phase error (its loss would fall below zero); try another order or "
                     "a smaller phase error");
  }
}

bool dialog_designs(const DesignRequest& d) {
  switch (d.response) {
    case Response::Chebyshev:
    case Response::Butterworth: return true;
    case Response::Bessel:
    case Response::LinearPhase: return d.skirt == 0.0 && d.sections <= kMaxTabulatedSections;
    default: return false;
  }
}

EllipticDesign elliptic_design(const DesignRequest& d, Configuration circuit,
                               const std::string& prefix) {
  try {
    const EllipticRequest r = zeros_request(d, circuit);
    return d.response == Response::InverseChebyshev ? design_inverse_chebyshev(r)
                                                    : design_elliptic(r);
  } catch (const std::exception& e) {
    throw UsageError(prefix + "response: " + e.what());
  }
}

CoupledRequest coupled_request(const DesignRequest& d) {
  CoupledRequest c;
  c.topology = d.topology.value_or(CoupledTopology::TopC);
  c.response = d.response;
  c.order = design_sections(d);
  c.ripple_db = d.response == Response::Chebyshev ? d.ripple : 0.0;
  c.lower_mhz = lower_edge(d);
  c.upper_mhz = upper_edge(d);
  c.source_ohms = d.impedance;
  c.load_ohms = d.impedance;
  c.resonator_l_nh = d.resonator_l_nh;
  return c;
}

CoupledDesign coupled_design(const DesignRequest& d, const std::string& prefix) {
  try {
    return design_coupled(coupled_request(d));
  } catch (const std::invalid_argument& e) {
    throw UsageError(prefix + (d.resonator_l_nh ? "resonator-l: " : "topology: ") + e.what());
  }
}

std::string topology_name(const std::optional<CoupledTopology>& topology) {
  return topology ? std::string(coupled_topology_name(*topology)) : std::string("ladder");
}

int32_t design_sections(const DesignRequest& d) {
  if (d.sections != 0) return d.sections;
  const bool dialog_order = d.response == Response::Chebyshev || d.response == Response::Butterworth;
  return dialog_order ? skirt_sections(d, "") : computed_skirt_order(d, "");
}

}  // namespace varnholt

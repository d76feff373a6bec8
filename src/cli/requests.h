// What a command asks for, checked and in the stores' own float values.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "analysis/sweep.h"
#include "common/codes.h"
#include "synthesis/elliptic.h"

namespace varnholt {

// A command that cannot be carried out as given: the message names the option
// (or file entry) and the rule; the command ends with status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The design data of the synthesis dialog.
struct DesignRequest {
  FilterType type = FilterType::LowPass;
  Response response = Response::Chebyshev;
  float cutoff = 0.0f;     // MHz, low-pass and high-pass
  float center = 0.0f;     // MHz, band-pass and band-stop
  float bandwidth = 0.0f;  // MHz
  float ripple = 0.0f;     // dB, Chebyshev only
  int32_t sections = 0;    // 0: from the skirt requirement
  float skirt = 0.0f;      // MHz
  float attenuation = 0.0f;  // dB wanted at the skirt frequency
  float impedance = 50.0f;   // ohms
};

struct Termination {
  float r = 50.0f;
  float x = 0.0f;
};


// The analysis data of the dialog: circuit (for a design), terminations,
// sweep and print format.
struct AnalysisRequest {
  Configuration circuit = Configuration::Standard;
  Termination source;
  Termination load;
  SweepRange sweep;
  bool return_loss = false;
};

// Names of the filter types and responses as commands and design files write
// them; nothing when the name is unknown.
std::optional<FilterType> filter_type_named(const std::string& name);
std::optional<Response> response_named(const std::string& name);
const char* name_of(FilterType type);
const char* name_of(Response response);

// The band edges the dialog forms from the centre and the bandwidth.
float lower_edge(const DesignRequest& d);
float upper_edge(const DesignRequest& d);

// Checks the design data as the dialog would accept them (and a little more:
// a band reaching 0 MHz or below is refused). `prefix` goes before the names
// of the values in messages: "--" for options, "FILE: " for a design file.
// Values that must be positive have been checked when they were read.
// Throws UsageError.
void check_design(const DesignRequest& d, const std::string& prefix);

// The number of sections the design gets (typed, or from the skirt requirement).
int32_t design_sections(const DesignRequest& d);

// The elliptic design of the request in `circuit`; throws UsageError (after
// `prefix`) with the designer's message when no ladder realises it.
EllipticDesign elliptic_design(const DesignRequest& d, Configuration circuit,
                               const std::string& prefix);

// A number as text, shortest form that reads back as the same float.
std::string shortest(float value);

}  // namespace varnholt

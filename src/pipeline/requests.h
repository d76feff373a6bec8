// What a command asks for: the design data, checked, in double precision
// exactly as typed. The dialog's float path takes their nearest floats.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "analysis/sweep.h"
#include "common/codes.h"
#include "common/decimal.h"
#include "synthesis/coupled_resonator.h"
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
  double cutoff = 0.0;     // MHz, low-pass and high-pass
  double center = 0.0;     // MHz, band-pass and band-stop
  double bandwidth = 0.0;  // MHz
  // The band edges when they were typed (MHz); otherwise formed from the
  // centre and the bandwidth.
  double band_lower = 0.0, band_upper = 0.0;
  double ripple = 0.0;     // dB, Chebyshev and elliptic
  double phase_error = 0.0;  // degrees, equiripple phase
  int32_t sections = 0;    // 0: from the skirt requirement
  double skirt = 0.0;      // MHz
  double attenuation = 0.0;  // dB wanted at the skirt frequency
  double impedance = 50.0;   // ohms
  // Band-pass only: coupled resonators instead of the ladder (none: the
  // ladder), every resonator's inductor (nH) when given.
  std::optional<CoupledTopology> topology;
  std::optional<double> resonator_l_nh;
};

struct Termination {
  double r = 50.0;
  double x = 0.0;
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
// "Chebyshev", "Gaussian to 6 dB", ...: the response as titles give it.
const char* title_of(Response response);

// The band edges: as typed, or from the centre and the bandwidth on their
// decimal digits (10.7 and 0.2 give 10.6, not 10.599999999999999).
double lower_edge(const DesignRequest& d);
double upper_edge(const DesignRequest& d);
// The band edges the dialog forms from its float centre and bandwidth.
float dialog_lower_edge(const DesignRequest& d);
float dialog_upper_edge(const DesignRequest& d);


// Checks the design data as the dialog would accept them (and a little more:
// a band reaching 0 MHz or below is refused). `prefix` goes before the names
// of the values in messages: "--" for options, "FILE: " for a design file.
// Values that must be positive have been checked when they were read.
// Throws UsageError.
void check_design(const DesignRequest& d, const std::string& prefix);

// The number of sections the design gets (typed, or from the skirt requirement).
int32_t design_sections(const DesignRequest& d);

// Whether the interactive program designs it (Chebyshev, Butterworth, and
// Bessel and linear phase from their tables): its report is then the
// dialog's. The others are computed in double alone.
bool dialog_designs(const DesignRequest& d);

// The elliptic (or inverse Chebyshev) design of the request in `circuit`;
// throws UsageError (after `prefix`) with the designer's message when no
// ladder realises it.
EllipticDesign elliptic_design(const DesignRequest& d, Configuration circuit,
                               const std::string& prefix);

// The coupled-resonator design of a request with a topology; throws
// UsageError (after `prefix`) with the designer's message, naming the
// resonator L when one was given and the topology otherwise.
CoupledRequest coupled_request(const DesignRequest& d);
CoupledDesign coupled_design(const DesignRequest& d, const std::string& prefix);

// "ladder" for none, else the topology's name.
std::string topology_name(const std::optional<CoupledTopology>& topology);

// The double nearest a float's shortest decimal text when that reads back
// as the same float (12.5, not 12.5000000000000001; 54.3, not 54.29999923):
// the value a user typed where only its float was kept.
double value_as_typed(float value);

// A number as text, shortest form that reads back as the same double.
std::string shortest(double value);

}  // namespace varnholt

// The elements of a ladder one by one, as its branch shapes use them, and
// their loss resistances for a netlist.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ladder/ladder.h"
#include "ladder/network.h"

namespace varnholt {

// The elements in ladder order (by branch, then pair, inductor before
// capacitor), only those the shapes use.
std::vector<ElementRef> ladder_elements(const Ladder& ladder);
// The element's designator: "L3", "C3", or "L3a" / "C3b" in a branch of two pairs.
std::string element_name(const Ladder& ladder, const ElementRef& e);

// The element a user names ("c3" or "C3"), when the ladder has it.
std::optional<ElementRef> element_named(const Ladder& ladder, std::string_view name);
// "L1, C2, L3": every element's designator, for a message.
std::string element_names(const Ladder& ladder);

double& element_value(Ladder& ladder, const ElementRef& e);  // nH or pF
double element_value(const Ladder& ladder, const ElementRef& e);

// Each element with its value (nH or pF) and its series loss resistance
// (ohms) at f, as inductor_loss_ohms and capacitor_loss_ohms give it.
struct ElementLoss {
  ElementRef where;
  double value = 0.0;
  double loss_ohms = 0.0;
};
std::vector<ElementLoss> element_losses(const Ladder& ladder, double f_mhz, const PartModel& losses);

}  // namespace varnholt

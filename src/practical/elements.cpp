#include "practical/elements.h"

#include "common/letters.h"

namespace varnholt {

std::vector<ElementRef> ladder_elements(const Ladder& ladder) {
  std::vector<ElementRef> out;
  for (std::size_t b = 0; b < ladder.branches.size(); ++b) {
    const BranchShape s = shape(ladder.branches[b].kind);
    for (int p = 0; p < s.pairs; ++p) {
      if (s.pair[static_cast<std::size_t>(p)].has_l) out.push_back({b, p, true});
      if (s.pair[static_cast<std::size_t>(p)].has_c) out.push_back({b, p, false});
    }
  }
  return out;
}

std::string element_name(const Ladder& ladder, const ElementRef& e) {
  std::string name = (e.inductor ? "L" : "C") + std::to_string(e.branch + 1);
  if (shape(ladder.branches[e.branch].kind).pairs == 2) name += e.pair == 0 ? "a" : "b";
  return name;
}

std::optional<ElementRef> element_named(const Ladder& ladder, std::string_view name) {
  for (const ElementRef& e : ladder_elements(ladder))
    if (same_letters(element_name(ladder, e), name)) return e;
  return std::nullopt;
}

std::string element_names(const Ladder& ladder) {
  std::string names;
  for (const ElementRef& e : ladder_elements(ladder)) names += (names.empty() ? "" : ", ") + element_name(ladder, e);
  return names;
}

double& element_value(Ladder& ladder, const ElementRef& e) {
  Branch& b = ladder.branches.at(e.branch);
  const auto p = static_cast<std::size_t>(e.pair);
  return e.inductor ? b.l.at(p) : b.c.at(p);
}

double element_value(const Ladder& ladder, const ElementRef& e) {
  const Branch& b = ladder.branches.at(e.branch);
  const auto p = static_cast<std::size_t>(e.pair);
  return e.inductor ? b.l.at(p) : b.c.at(p);
}

std::vector<ElementLoss> element_losses(const Ladder& ladder, double f_mhz, const PartModel& losses) {
  std::vector<ElementLoss> out;
  for (const ElementRef& e : ladder_elements(ladder)) {
    const double v = element_value(ladder, e);
    out.push_back({e, v, e.inductor ? inductor_loss_ohms(v, f_mhz, losses)
                                     : capacitor_loss_ohms(v, f_mhz, losses)});
  }
  return out;
}

}  // namespace varnholt

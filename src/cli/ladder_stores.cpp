#include "cli/ladder_stores.h"

namespace varnholt {
namespace {

using Store = PositionArray Capind::*;

struct BranchStores {
  BranchKind kind;
  Store l;  // null member: no inductor
  Store c;  // null member: no capacitor
};

// Low-pass: shunt C, series L; high-pass: shunt L, series C; band-pass:
// L || C to ground and L + C in line; band-stop: L + C to ground, L || C in line.
BranchStores stores_of(FilterType type, Placement placement) {
  const bool shunt = placement == Placement::Shunt;
  switch (type) {
    case FilterType::HighPass:
      return shunt ? BranchStores{BranchKind::Inductor, &Capind::shuntl, nullptr}
                   : BranchStores{BranchKind::Capacitor, nullptr, &Capind::serc};
    case FilterType::BandPass:
      return shunt ? BranchStores{BranchKind::ParallelLC, &Capind::shuntl, &Capind::shuntc}
                   : BranchStores{BranchKind::SeriesLC, &Capind::serl, &Capind::serc};
    case FilterType::BandStop:
      return shunt ? BranchStores{BranchKind::SeriesLC, &Capind::shuntl, &Capind::shuntc}
                   : BranchStores{BranchKind::ParallelLC, &Capind::serl, &Capind::serc};
    case FilterType::LowPass:
      break;
  }
  return shunt ? BranchStores{BranchKind::Capacitor, nullptr, &Capind::shuntc}
               : BranchStores{BranchKind::Inductor, &Capind::serl, nullptr};
}

}  // namespace

Placement placement_at(Configuration circuit, int32_t position) {
  const bool odd = position % 2 == 1;
  return odd == (circuit == Configuration::Standard) ? Placement::Shunt : Placement::Series;
}

BranchKind branch_kind(FilterType type, Placement placement) {
  return stores_of(type, placement).kind;
}

Ladder ladder_from_stores(const Capind& c, FilterType type, Configuration circuit,
                                    int32_t n) {
  Ladder ladder;
  for (int32_t k = 1; k <= n && k <= kMaxPositions; ++k) {
    Branch b;
    b.placement = placement_at(circuit, k);
    const BranchStores s = stores_of(type, b.placement);
    b.kind = s.kind;
    const auto index = static_cast<std::size_t>(k);
    if (s.l != nullptr) b.l[0] = (c.*s.l)[index];
    if (s.c != nullptr) b.c[0] = (c.*s.c)[index];
    ladder.branches.push_back(b);
  }
  return ladder;
}

void stores_from_ladder(const Ladder& ladder, FilterType type, Capind& c) {
  std::size_t k = 1;
  for (const Branch& b : ladder.branches) {
    if (k > static_cast<std::size_t>(kMaxPositions)) return;
    const BranchStores s = stores_of(type, b.placement);
    if (s.l != nullptr) (c.*s.l)[k] = static_cast<float>(b.l[0]);
    if (s.c != nullptr) (c.*s.c)[k] = static_cast<float>(b.c[0]);
    ++k;
  }
}

}  // namespace varnholt

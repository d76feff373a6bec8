#include "ladder/ladder.h"

#include <algorithm>

namespace varnholt {

BranchStores branch_stores(FilterType type, Placement placement) {
  const bool series = placement == Placement::Series;
  switch (type) {
    case FilterType::HighPass:
      return series ? BranchStores{BranchKind::Capacitor, nullptr, &Capind::serc}
                    : BranchStores{BranchKind::Inductor, &Capind::shuntl, nullptr};
    case FilterType::BandPass:
      return series ? BranchStores{BranchKind::SeriesLC, &Capind::serl, &Capind::serc}
                    : BranchStores{BranchKind::ParallelLC, &Capind::shuntl, &Capind::shuntc};
    case FilterType::BandStop:
      return series ? BranchStores{BranchKind::ParallelLC, &Capind::serl, &Capind::serc}
                    : BranchStores{BranchKind::SeriesLC, &Capind::shuntl, &Capind::shuntc};
    case FilterType::LowPass:
      break;
  }
  return series ? BranchStores{BranchKind::Inductor, &Capind::serl, nullptr}
                : BranchStores{BranchKind::Capacitor, nullptr, &Capind::shuntc};
}

Placement placement_at(Configuration config, int32_t k) {
  const bool first_series = config == Configuration::Dual;
  return (k % 2 == 1) == first_series ? Placement::Series : Placement::Shunt;
}

int32_t position_count(int32_t n) { return std::clamp<int32_t>(n, 0, kMaxPositions); }

Branch branch_from_stores(const Capind& c, FilterType type, Configuration config, int32_t k) {
  const Placement placement = placement_at(config, k);
  const BranchStores stores = branch_stores(type, placement);
  const auto at = static_cast<std::size_t>(k);
  Branch b;
  b.placement = placement;
  b.kind = stores.kind;
  if (stores.l != nullptr) b.l[0] = (c.*stores.l)[at];
  if (stores.c != nullptr) b.c[0] = (c.*stores.c)[at];
  return b;
}

Ladder ladder_from_stores(const Capind& c, FilterType type, Configuration config, int32_t n) {
  Ladder ladder;
  const int32_t count = position_count(n);
  ladder.branches.reserve(static_cast<std::size_t>(count));
  for (int32_t k = 1; k <= count; ++k) {
    ladder.branches.push_back(branch_from_stores(c, type, config, k));
  }
  return ladder;
}

}  // namespace varnholt

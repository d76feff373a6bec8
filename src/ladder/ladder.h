// The ladder description: the one home of the circuit's topology. Every
// consumer (cascades, netlist, schematic, reports, exports) walks the branches
// of a Ladder instead of knowing which element store sits at which position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/codes.h"
#include "common/stores.h"

namespace varnholt {

enum class Placement : uint8_t { Series, Shunt };

// How the elements of a branch are connected. A branch is one or two pairs;
// each pair is an inductor and/or a capacitor, in series or in parallel; two
// pairs are joined in series or in parallel. New kinds are new rows of the
// shape table below; consumers read the shape, not the kind.
enum class BranchKind : uint8_t {
  Inductor,           // L
  Capacitor,          // C
  SeriesLC,           // L + C
  ParallelLC,         // L || C
  TankAndSeriesLC,    // (L1 || C1) || (L2 + C2)
  SeriesLCAndTank,    // (L1 + C1) + (L2 || C2)
};

enum class Join : uint8_t { Series, Parallel };

struct PairShape {
  bool has_l = false;
  bool has_c = false;
  Join join = Join::Series;  // of the L and the C, when the pair has both
};

struct BranchShape {
  int pairs = 1;                         // 1 or 2
  std::array<PairShape, 2> pair{};
  Join between = Join::Series;           // of the two pairs, when there are two
};

constexpr BranchShape shape(BranchKind kind) {
  constexpr PairShape kL{true, false, Join::Series};
  constexpr PairShape kC{false, true, Join::Series};
  constexpr PairShape kSeries{true, true, Join::Series};
  constexpr PairShape kParallel{true, true, Join::Parallel};
  switch (kind) {
    case BranchKind::Inductor: return {1, {kL, {}}, Join::Series};
    case BranchKind::Capacitor: return {1, {kC, {}}, Join::Series};
    case BranchKind::SeriesLC: return {1, {kSeries, {}}, Join::Series};
    case BranchKind::ParallelLC: return {1, {kParallel, {}}, Join::Series};
    case BranchKind::TankAndSeriesLC: return {2, {kParallel, kSeries}, Join::Parallel};
    case BranchKind::SeriesLCAndTank: return {2, {kSeries, kParallel}, Join::Series};
  }
  return {};
}

// One branch of the ladder. Element values in nH and pF; pair p's inductor is
// l[p] and its capacitor c[p]. Values from the float stores are held exactly.
struct Branch {
  Placement placement = Placement::Shunt;
  BranchKind kind = BranchKind::Capacitor;
  std::array<double, 2> l{};  // nH
  std::array<double, 2> c{};  // pF
};

// One element of a ladder that its branch's shape uses: pair `pair` of
// branch `branch`, the inductor l[pair] or the capacitor c[pair].
struct ElementRef {
  std::size_t branch = 0;
  int pair = 0;
  bool inductor = true;
  bool operator==(const ElementRef&) const = default;
};

// The branches in order from the source (position k is branches[k - 1]).
struct Ladder {
  std::vector<Branch> branches;
};

// --- The ladder the element stores describe ---------------------------------
//
// The one place that knows which store holds which element of which branch:
//   type        shunt branch                 series branch
//   low-pass    C (shuntc)                   L (serl)
//   high-pass   L (shuntl)                   C (serc)
//   band-pass   L || C (shuntl, shuntc)      L + C (serl, serc)
//   band-stop   L + C (shuntl, shuntc)       L || C (serl, serc)
// The standard configuration starts with a shunt branch, the dual one with a
// series branch; they then alternate. Everything that reads or writes the
// stores by position (cascades, netlist, circuit file, element entry, the
// synthesis report) asks here.

// The stores of one branch kind: `l` and `c` point at the inductor and
// capacitor stores (null when the kind has no such element).
struct BranchStores {
  BranchKind kind = BranchKind::Capacitor;
  PositionArray Capind::*l = nullptr;
  PositionArray Capind::*c = nullptr;
};

BranchStores branch_stores(FilterType type, Placement placement);

// The placement of position k (1-based).
Placement placement_at(Configuration config, int32_t k);

// The number of positions the stores can describe for a count n: n held to 0..31.
int32_t position_count(int32_t n);

// Branch k (1 <= k <= 31) as the stores describe it.
Branch branch_from_stores(const Capind& c, FilterType type, Configuration config, int32_t k);

// Positions 1..position_count(n) of the stores.
Ladder ladder_from_stores(const Capind& c, FilterType type, Configuration config, int32_t n);

}  // namespace varnholt

#include "html/schematic.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "html/svg.h"
#include "html/units.h"

namespace varnholt::html {
namespace {

constexpr double kWidth = 860;       // of the drawing
constexpr double kPartLen = 56;      // along the wire, one symbol with its leads
constexpr double kHalf = 10;         // of a symbol, across the wire
constexpr double kGap = 6;           // between stacked parallel members
constexpr double kLead = 10;         // wire at either end of a parallel group
constexpr double kLabelAbove = 26;   // label room above a symbol in the line (two text lines)
constexpr double kLabelBeside = 66;  // label room right of a symbol to ground
constexpr double kTerminal = 24;     // room for a row-continuation terminal

enum class Symbol { Inductor, Capacitor, Resistor, Impedance };

struct Node {
  bool leaf = true;
  Designated part;
  Join join = Join::Series;
  std::vector<Node> kids;
};

// Along (len) and across (lo..hi, label side positive) extent of a node.
struct Extent {
  double len = 0, lo = 0, hi = 0;
};

// Local (u along the branch, v across it) to picture coordinates. Branches in
// the line run to the right with v upwards; branches to ground run down with
// v to the right. Labels sit on the +v side.
struct Frame {
  bool down = false;
  double ox = 0, oy = 0;
  Point at(double u, double v) const {
    return down ? Point{ox + v, oy + u} : Point{ox + u, oy - v};
  }
  double label_room() const { return down ? kLabelBeside : kLabelAbove; }
};

Node pair_node(const PairShape& p, std::vector<Designated>& parts, std::size_t& next) {
  Node n;
  n.leaf = false;
  n.join = p.join;
  for (const bool present : {p.has_l, p.has_c}) {
    if (present && next < parts.size()) {
      n.kids.push_back({true, parts[next++], Join::Series, {}});
    }
  }
  return n.kids.size() == 1 ? n.kids.front() : n;
}

Node branch_node(const Branch& b, int index) {
  auto parts = branch_parts(b, index);
  const BranchShape s = shape(b.kind);
  std::size_t next = 0;
  Node n;
  n.leaf = false;
  n.join = s.between;
  for (int p = 0; p < s.pairs; ++p) {
    n.kids.push_back(pair_node(s.pair[static_cast<std::size_t>(p)], parts, next));
  }
  return n.kids.size() == 1 ? n.kids.front() : n;
}

Extent extent(const Node& n, double label) {
  if (n.leaf) {
    return {kPartLen, -kHalf, kHalf + label};
  }
  Extent e{0, 0, 0};
  if (n.join == Join::Series) {
    for (const auto& k : n.kids) {
      const Extent ke = extent(k, label);
      e.len += ke.len;
      e.lo = std::min(e.lo, ke.lo);
      e.hi = std::max(e.hi, ke.hi);
    }
    return e;
  }
  double v = 0;
  for (std::size_t i = 0; i < n.kids.size(); ++i) {
    const Extent ke = extent(n.kids[i], label);
    if (i == 0) {
      e.lo = ke.lo;
    } else {
      v += -ke.lo + kGap;
    }
    e.len = std::max(e.len, ke.len + 2 * kLead);
    e.hi = v + ke.hi;
    v += ke.hi;
  }
  return e;
}

void wire(std::string& out, const Frame& f, double u0, double u1, double v) {
  line(out, f.at(u0, v), f.at(u1, v), R"(class="wire")");
}

void symbol(std::string& out, Symbol s, const Frame& f, double u, double v) {
  const auto p = [&](double du, double dv) {
    const Point q = f.at(u + du, v + dv);
    return coord(q.x) + "," + coord(q.y);
  };
  wire(out, f, u, u + 12, v);
  wire(out, f, u + kPartLen - 12, u + kPartLen, v);
  std::string d;
  switch (s) {
    case Symbol::Inductor:  // four half-turns bulging to the label side
      d = "M";
      d += p(12, 0);
      for (int i = 0; i < 4; ++i) {
        const double a = 12 + 8.0 * i;
        d += " C" + p(a, 10) + " " + p(a + 8, 10) + " " + p(a + 8, 0);
      }
      path(out, d, R"(class="sym" fill="none")");
      return;
    case Symbol::Capacitor:
      wire(out, f, u + 12, u + 25, v);
      wire(out, f, u + 31, u + kPartLen - 12, v);
      line(out, f.at(u + 25, v - kHalf), f.at(u + 25, v + kHalf), R"(class="plate")");
      line(out, f.at(u + 31, v - kHalf), f.at(u + 31, v + kHalf), R"(class="plate")");
      return;
    case Symbol::Resistor:
      d = "M";
      d += p(12, 0);
      for (int i = 0; i < 6; ++i) {
        d += " L" + p(14.67 + 5.33 * i, i % 2 == 0 ? 6 : -6);
      }
      d += " L" + p(kPartLen - 12, 0);
      path(out, d, R"(class="sym" fill="none")");
      return;
    case Symbol::Impedance:
      d = "M";
      for (const auto& [a, b] : {std::pair{12, -7}, {44, -7}, {44, 7}, {12, 7}}) {
        if (d.size() > 1) d += " L";
        d += p(a, b);
      }
      d += " Z";
      path(out, d, R"(class="sym" fill="none")");
      return;
  }
}

void label(std::string& out, const Frame& f, double u, double v, const std::string& ref,
           const std::string& value) {
  if (f.down) {
    const Point c = f.at(u + kPartLen / 2, v + kHalf + 4);
    text(out, {c.x, c.y - 2}, ref, R"(class="ref")");
    text(out, {c.x, c.y + 10}, value, R"(class="val")");
  } else {
    const Point c = f.at(u + kPartLen / 2, v + kHalf);
    text(out, {c.x, c.y - 15}, ref, R"(class="ref" text-anchor="middle")");
    text(out, {c.x, c.y - 4}, value, R"(class="val" text-anchor="middle")");
  }
}

void draw(std::string& out, const Node& n, const Frame& f, double u, double v) {
  if (n.leaf) {
    const Designated& d = n.part;
    const std::string value = d.inductor ? inductance_text(d.value) : capacitance_text(d.value);
    out += "<g class=\"part\" data-ref=\"" + escaped(d.ref) + "\"><title>" + escaped(d.ref) +
           " = " + number(d.value, 9) + (d.inductor ? " nH" : " pF") + "</title>\n";
    symbol(out, d.inductor ? Symbol::Inductor : Symbol::Capacitor, f, u, v);
    label(out, f, u, v, d.ref, value);
    out += "</g>\n";
    return;
  }
  const double room = f.label_room();
  if (n.join == Join::Series) {
    for (const auto& k : n.kids) {
      draw(out, k, f, u, v);
      u += extent(k, room).len;
    }
    return;
  }
  const Extent all = extent(n, room);
  double dv = 0;
  for (std::size_t i = 0; i < n.kids.size(); ++i) {
    const Extent ke = extent(n.kids[i], room);
    if (i > 0) {
      dv += -ke.lo + kGap;
    }
    const double start = u + (all.len - ke.len) / 2;
    wire(out, f, u, start, v + dv);
    draw(out, n.kids[i], f, start, v + dv);
    wire(out, f, start + ke.len, u + all.len, v + dv);
    if (i + 1 == n.kids.size() && dv > 0) {  // the bars joining the members
      line(out, f.at(u, v), f.at(u, v + dv), R"(class="wire")");
      line(out, f.at(u + all.len, v), f.at(u + all.len, v + dv), R"(class="wire")");
    }
    dv += ke.hi;
  }
}

// One thing placed along a row: the source, a branch, or the load.
struct Item {
  enum Kind { Source, SeriesBranch, ShuntBranch, Load } kind = Source;
  Node node;
  Extent along_line;  // drawn in the line
  Extent to_ground;   // drawn down to ground
  double width = 0;
};

constexpr double kSourceWidth = 96;
constexpr double kLoadWidth = 100;
constexpr double kMinDepth = 72;  // rail to ground, room for the generator

std::vector<Item> items_of(const Ladder& ladder) {
  std::vector<Item> items;
  items.push_back({Item::Source, {}, {}, {}, kSourceWidth});
  for (std::size_t i = 0; i < ladder.branches.size(); ++i) {
    const Branch& b = ladder.branches[i];
    Item it;
    it.node = branch_node(b, static_cast<int>(i));
    if (b.placement == Placement::Series) {
      it.kind = Item::SeriesBranch;
      it.along_line = extent(it.node, kLabelAbove);
      it.width = it.along_line.len + 12;
    } else {
      it.kind = Item::ShuntBranch;
      it.to_ground = extent(it.node, kLabelBeside);
      it.width = it.to_ground.hi - it.to_ground.lo + 16;
    }
    items.push_back(std::move(it));
  }
  items.push_back({Item::Load, {}, {}, {}, kLoadWidth});
  // The labels of a branch to ground hang below the line, so a series branch
  // that follows may start above them.
  for (std::size_t i = 1; i + 1 < items.size(); ++i) {
    if (items[i].kind == Item::ShuntBranch && items[i + 1].kind == Item::SeriesBranch) {
      items[i].width -= kLabelBeside - 8;
    }
  }
  return items;
}

// Items split greedily into rows within the width. A row that cannot hold
// the rest of the ladder ends in a terminal (and the next starts with one),
// so an item stays on it only with room for that terminal after it; the
// last row ends with the load, which needs only its own width.
std::vector<std::vector<const Item*>> rows_of(const std::vector<Item>& items) {
  constexpr double kRight = kWidth - 12;
  std::vector<double> rest(items.size() + 1, 0.0);  // width of items[i..]
  for (std::size_t i = items.size(); i-- > 0;) {
    rest[i] = rest[i + 1] + items[i].width;
  }
  std::vector<std::vector<const Item*>> rows(1);
  double used = 12;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const bool rest_fits = used + rest[i] <= kRight;
    if (!rows.back().empty() && !rest_fits && used + items[i].width + kTerminal > kRight) {
      rows.emplace_back();
      used = 12 + kTerminal;
    }
    rows.back().push_back(&items[i]);
    used += items[i].width;
  }
  return rows;
}

struct RowGeometry {
  double rail = 0, ground = 0, bottom = 0;
};

RowGeometry geometry(const std::vector<const Item*>& row, double top) {
  double above = 34;  // the source resistance label
  double depth = kMinDepth;
  for (const Item* it : row) {
    above = std::max(above, it->along_line.hi + 6);
    depth = std::max({depth, -it->along_line.lo + 16, it->to_ground.len + 16});
  }
  RowGeometry g;
  g.rail = top + above;
  g.ground = g.rail + depth;
  g.bottom = g.ground + 22;
  return g;
}

void dot(std::string& out, Point p) {
  circle(out, p, 2.5, R"(class="dot")");
}

void terminal(std::string& out, double x, const RowGeometry& g, char letter) {
  circle(out, {x, g.rail}, 4, R"(class="term")");
  circle(out, {x, g.ground}, 4, R"(class="term")");
  text(out, {x, g.rail - 8}, std::string(1, letter), R"(class="ref" text-anchor="middle")");
}

void draw_source(std::string& out, double x, const RowGeometry& g, Termination src) {
  const double cx = x + 16;
  const double cy = (g.rail + g.ground) / 2;
  line(out, {cx, g.rail}, {cx, cy - 12}, R"(class="wire")");
  line(out, {cx, cy + 12}, {cx, g.ground}, R"(class="wire")");
  circle(out, {cx, cy}, 12, R"(class="sym" fill="none")");
  std::string wave = "M";
  wave += coord(cx - 7);
  wave += ",";
  wave += coord(cy);
  wave += " q3.5,-7 7,0 t7,0";
  path(out, wave,
       R"(class="sym" fill="none")");
  line(out, {cx, g.rail}, {x + 26, g.rail}, R"(class="wire")");
  const Frame f{false, x + 26, g.rail};
  const bool reactive = src.x != 0.0;
  out += "<g class=\"termination\" data-ref=\"source\">\n";
  symbol(out, reactive ? Symbol::Impedance : Symbol::Resistor, f, 0, 0);
  label(out, f, 0, 0, reactive ? "Zs" : "Rs", resistance_text(src.r, src.x));
  out += "</g>\n";
  line(out, {x + 26 + kPartLen, g.rail}, {x + kSourceWidth, g.rail}, R"(class="wire")");
  // Ground symbol under the generator.
  for (int i = 0; i < 3; ++i) {
    const double w = 9 - 3 * i;
    line(out, {cx - w, g.ground + 6 + 3 * i}, {cx + w, g.ground + 6 + 3 * i}, R"(class="wire")");
  }
  line(out, {cx, g.ground}, {cx, g.ground + 6}, R"(class="wire")");
}

void draw_load(std::string& out, double x, const RowGeometry& g, Termination load) {
  const double lx = x + 24;
  line(out, {x, g.rail}, {lx, g.rail}, R"(class="wire")");
  const double len = g.ground - g.rail;
  const Frame f{true, lx, g.rail + (len - kPartLen) / 2};
  line(out, {lx, g.rail}, f.at(0, 0), R"(class="wire")");
  line(out, f.at(kPartLen, 0), {lx, g.ground}, R"(class="wire")");
  out += "<g class=\"termination\" data-ref=\"load\">\n";
  const bool reactive = load.x != 0.0;
  symbol(out, reactive ? Symbol::Impedance : Symbol::Resistor, f, 0, 0);
  label(out, f, 0, 0, reactive ? "ZL" : "RL", resistance_text(load.r, load.x));
  out += "</g>\n";
  dot(out, {lx, g.rail});
}

// Draws one item at x; returns the x where the next one starts.
double draw_item(std::string& out, const Item& it, double x, const RowGeometry& g,
                 Termination source, Termination load) {
  switch (it.kind) {
    case Item::Source: draw_source(out, x, g, source); break;
    case Item::Load: draw_load(out, x, g, load); break;
    case Item::SeriesBranch: {
      line(out, {x, g.rail}, {x + 6, g.rail}, R"(class="wire")");
      draw(out, it.node, Frame{false, x + 6, g.rail}, 0, 0);
      line(out, {x + 6 + it.along_line.len, g.rail}, {x + it.width, g.rail}, R"(class="wire")");
      break;
    }
    case Item::ShuntBranch: {
      const double wx = x + 8 - it.to_ground.lo;
      const double top = g.rail + 8;
      line(out, {x, g.rail}, {x + it.width, g.rail}, R"(class="wire")");
      line(out, {wx, g.rail}, {wx, top}, R"(class="wire")");
      draw(out, it.node, Frame{true, wx, top}, 0, 0);
      line(out, {wx, top + it.to_ground.len}, {wx, g.ground}, R"(class="wire")");
      dot(out, {wx, g.rail});
      dot(out, {wx, g.ground});
      break;
    }
  }
  return x + it.width;
}

}  // namespace

std::vector<Designated> branch_parts(const Branch& b, int index) {
  const BranchShape s = shape(b.kind);
  int inductors = 0;
  int capacitors = 0;
  for (int p = 0; p < s.pairs; ++p) {
    inductors += s.pair[static_cast<std::size_t>(p)].has_l ? 1 : 0;
    capacitors += s.pair[static_cast<std::size_t>(p)].has_c ? 1 : 0;
  }
  const std::string pos = std::to_string(index + 1);
  std::vector<Designated> parts;
  int l_seen = 0;
  int c_seen = 0;
  for (int p = 0; p < s.pairs; ++p) {
    const PairShape& ps = s.pair[static_cast<std::size_t>(p)];
    const auto suffix = [](int count, int seen) {
      return count > 1 ? std::string(1, static_cast<char>('a' + seen)) : std::string();
    };
    if (ps.has_l) {
      parts.push_back(
          {"L" + pos + suffix(inductors, l_seen++), true, b.l[static_cast<std::size_t>(p)]});
    }
    if (ps.has_c) {
      parts.push_back(
          {"C" + pos + suffix(capacitors, c_seen++), false, b.c[static_cast<std::size_t>(p)]});
    }
  }
  return parts;
}

std::string schematic_svg(const std::string& id, const Ladder& ladder, Termination source,
                          Termination load) {
  const std::vector<Item> items = items_of(ladder);
  const auto rows = rows_of(items);
  std::string body;
  double top = 4;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const RowGeometry g = geometry(rows[r], top);
    double x = 12;
    if (r > 0) {
      terminal(body, x, g, static_cast<char>('A' + (r - 1) % 26));
      line(body, {x, g.rail}, {x + kTerminal, g.rail}, R"(class="wire")");
      x += kTerminal;
    }
    const double row_start = r == 0 ? 12 + 16 : 12;
    for (const Item* it : rows[r]) {
      x = draw_item(body, *it, x, g, source, load);
    }
    const bool last = r + 1 == rows.size();
    const double row_end = last ? x - kLoadWidth + 24 : x + kTerminal;
    if (!last) {
      line(body, {x, g.rail}, {row_end, g.rail}, R"(class="wire")");
      terminal(body, row_end, g, static_cast<char>('A' + r % 26));
    }
    line(body, {row_start, g.ground}, {row_end, g.ground}, R"(class="wire")");
    top = g.bottom;
  }
  std::string out = std::string("<svg class=\"schematic\" id=\"") +
                    escaped(id) + "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    coord(kWidth) + " " + coord(top) +
                    "\" role=\"img\" aria-label=\"Circuit diagram\">\n";
  out += body;
  out += "</svg>\n";
  return out;
}

}  // namespace varnholt::html

#include "tools/adihost/hatch_pattern.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string_view>

namespace {

constexpr double kMillimetresPerInch = 25.4;

// A pattern line as pattern tables write it: its angle, a point it passes
// through, the step to the next line measured along and across the line,
// and its dashes; lengths in inches.
struct TableLine {
  double angle, x, y, along, across;
  std::initializer_list<double> dashes;
};
struct TablePattern {
  std::string_view name;
  std::initializer_list<TableLine> lines;
};

// The half-diagonal step of the diagonal families.
constexpr double kEighthDiagonal = 0.176776695;
const TablePattern kStandardPatterns[] = {
    {"ANSI31", {{45, 0, 0, 0, .125, {}}}},
    {"ANSI32", {{45, 0, 0, 0, .375, {}}, {45, kEighthDiagonal, 0, 0, .375, {}}}},
    {"ANSI33", {{45, 0, 0, 0, .25, {}}, {45, kEighthDiagonal, 0, 0, .25, {.125, -.0625}}}},
    {"ANSI34",
     {{45, 0, 0, 0, .75, {}},
      {45, kEighthDiagonal, 0, 0, .75, {}},
      {45, 2 * kEighthDiagonal, 0, 0, .75, {}},
      {45, 3 * kEighthDiagonal, 0, 0, .75, {}}}},
    {"ANSI35",
     {{45, 0, 0, 0, .25, {}}, {45, kEighthDiagonal, 0, 0, .25, {.3125, -.0625, 0, -.0625}}}},
    {"ANSI36", {{45, 0, 0, .21875, .125, {.3125, -.0625, 0, -.0625}}}},
    {"ANSI37", {{45, 0, 0, 0, .125, {}}, {135, 0, 0, 0, .125, {}}}},
    {"ANSI38", {{45, 0, 0, 0, .125, {}}, {135, 0, 0, .25, .125, {.3125, -.1875}}}},
    {"LINE", {{0, 0, 0, 0, .125, {}}}},
    {"NET", {{0, 0, 0, 0, .125, {}}, {90, 0, 0, 0, .125, {}}}},
    {"NET3", {{0, 0, 0, 0, .125, {}}, {60, 0, 0, 0, .125, {}}, {120, 0, 0, 0, .125, {}}}},
    {"DOTS", {{0, 0, 0, .03125, .0625, {0, -.0625}}}},
    {"SQUARE", {{0, 0, 0, 0, .125, {.125, -.125}}, {90, 0, 0, 0, .125, {.125, -.125}}}},
    {"ANGLE", {{0, 0, 0, 0, .275, {.2, -.075}}, {90, 0, 0, 0, .275, {.2, -.075}}}},
    {"BRICK",
     {{0, 0, 0, 0, .25, {}}, {90, 0, 0, 0, .5, {.25, -.25}}, {90, .25, 0, 0, .5, {-.25, .25}}}},
    {"STEEL", {{45, 0, 0, 0, .125, {}}, {45, 0, .0625, 0, .125, {}}}},
};

Point Turned(double x, double y, double degrees) {
  const double r = degrees * std::numbers::pi / 180, c = std::cos(r), s = std::sin(r);
  return {x * c - y * s, x * s + y * c};
}

double Dot(Point a, Point b) {
  return a.x * b.x + a.y * b.y;
}

// Where each line k of the family crosses the loops' edges, as (k, distance
// along the line from its own origin): a line meets an edge when it passes
// at or above the edge's lower end and below its upper one, so a vertex on
// a line counts once.
struct Crossing {
  int64_t k;
  double t;
  bool operator<(const Crossing& o) const { return k != o.k ? k < o.k : t < o.t; }
};

// The dashes of one stretch of line k from t0 to t1; each dash, drawn or
// not, spends one of `steps`.
void DashStretch(Point origin, Point u, const std::vector<double>& dashes, double length, double t0,
                 double t1, int64_t& steps, std::vector<std::vector<Point>>& strokes) {
  const auto at = [&](double t) { return Point{origin.x + u.x * t, origin.y + u.y * t}; };
  // Past a billion dashes from the line's origin, a dash's end is lost in the
  // rounding of its start.
  if (length <= 0 || std::fabs(t0) / length > 1e9) {
    strokes.push_back({at(t0), at(t1)});
    return;
  }
  double pos = std::floor(t0 / length) * length;
  while (pos <= t1 && steps > 0) {
    for (double d : dashes) {
      --steps;
      const double end = pos + std::fabs(d);
      if (d > 0 && end > t0 && pos < t1)
        strokes.push_back({at(std::max(pos, t0)), at(std::min(end, t1))});
      if (d == 0 && pos >= t0 && pos <= t1) strokes.push_back({at(pos), at(pos)});
      pos = end;
      if (pos > t1) break;
    }
  }
}

}  // namespace

std::vector<PatternLine> StandardPattern(const std::string& name, double angle, double scale,
                                         bool metric) {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const double size = scale * (metric ? kMillimetresPerInch : 1);
  std::vector<PatternLine> lines;
  for (const TablePattern& p : kStandardPatterns) {
    if (p.name != upper) continue;
    for (const TableLine& l : p.lines) {
      PatternLine line;
      line.angle = l.angle + angle;
      const Point base = Turned(l.x * size, l.y * size, angle);
      line.base = base;
      line.offset = Turned(l.along * size, l.across * size, line.angle);
      for (double d : l.dashes) line.dashes.push_back(d * size);
      lines.push_back(line);
    }
  }
  return lines;
}

int32_t PatternStrokes(const std::vector<std::vector<Point>>& loops,
                       const std::vector<PatternLine>& lines, double step, int64_t budget,
                       std::vector<std::vector<Point>>& strokes) {
  int64_t steps = budget;
  for (const PatternLine& line : lines) {
    const Point u = Turned(1, 0, line.angle), across = Turned(0, 1, line.angle);
    Point offset = line.offset;
    double spacing = Dot(offset, across);
    if (spacing < 0) spacing = -spacing, offset = {-offset.x, -offset.y};
    if (!(spacing >= step) || !std::isfinite(spacing)) return -1;
    // Each point's place across the family, in line spacings.
    const auto level = [&](Point p) {
      return Dot({p.x - line.base.x, p.y - line.base.y}, across) / spacing;
    };
    // Lines past a billion spacings from the base lose their place in the
    // rounding; a pattern needing more strokes than the budget reads as filled.
    double expected = 0;
    for (const std::vector<Point>& loop : loops)
      for (size_t i = 0; i < loop.size(); ++i) {
        const double q = level(loop[i]);
        if (!(std::fabs(q) < 1e9)) return -1;
        expected += std::fabs(level(loop[(i + 1) % loop.size()]) - q);
      }
    if (!(expected <= static_cast<double>(budget))) return -1;
    std::vector<Crossing> crossings;
    for (const std::vector<Point>& loop : loops)
      for (size_t i = 0; i < loop.size(); ++i) {
        const Point a = loop[i], b = loop[(i + 1) % loop.size()];
        const double qa = level(a), qb = level(b);
        if (qa == qb) continue;
        for (int64_t k = static_cast<int64_t>(std::ceil(std::min(qa, qb))); k < std::max(qa, qb);
             ++k) {
          const double f = (k - qa) / (qb - qa);
          const Point p{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
          const Point origin{line.base.x + offset.x * k, line.base.y + offset.y * k};
          crossings.push_back({k, Dot({p.x - origin.x, p.y - origin.y}, u)});
        }
      }
    std::sort(crossings.begin(), crossings.end());
    double length = 0;
    for (double d : line.dashes) length += std::fabs(d);
    // Dashes too fine to tell apart draw as a continuous line.
    if (length < step) length = 0;
    // Crossings pair up along each line; an odd one out (a loop left open)
    // pairs with the next.
    size_t i = 0;
    while (i + 1 < crossings.size()) {
      if (crossings[i].k != crossings[i + 1].k) {
        ++i;
        continue;
      }
      const int64_t k = crossings[i].k;
      const Point origin{line.base.x + offset.x * k, line.base.y + offset.y * k};
      DashStretch(origin, u, line.dashes, length, crossings[i].t, crossings[i + 1].t, steps,
                  strokes);
      if (steps <= 0 || static_cast<int64_t>(strokes.size()) > budget) return -1;
      i += 2;
    }
  }
  return 0;
}

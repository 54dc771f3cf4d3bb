#include "tools/adihost/polygon_pieces.h"

#include <algorithm>
#include <cmath>
#include <polyclipping/clipper.hpp>

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

// Far beyond any sheet, and within the clipping library's exact range.
constexpr double kFarAway = 1e9;
// Cutting halves an area each time; this many halvings reach single units.
constexpr int32_t kMaxCuts = 48;

cInt Rounded(double v) {
  if (!std::isfinite(v)) v = v > 0 ? kFarAway : -kFarAway;
  return static_cast<cInt>(std::llround(std::clamp(v, -kFarAway, kFarAway)));
}

// Each loop and its return to its start, a return to the first loop's start
// between loops, less the final return, which the driver makes itself.
size_t JoinedCount(const Paths& paths) {
  size_t n = 0;
  for (const Path& p : paths) n += p.size() + (p.front() == p.back() ? 0 : 1);
  return paths.empty() ? 0 : n + paths.size() - 2;
}

// Each loop closed and followed by a return to the first loop's start; the
// driver closes the outline itself, so a last point equal to the first goes.
std::vector<uint16_t> Joined(const Paths& paths) {
  std::vector<uint16_t> xy;
  const auto add = [&xy](const IntPoint& p) {
    const size_t n = xy.size();
    if (n >= 2 && xy[n - 2] == p.X && xy[n - 1] == p.Y) return;
    xy.push_back(static_cast<uint16_t>(p.X));
    xy.push_back(static_cast<uint16_t>(p.Y));
  };
  for (const Path& p : paths) {
    if (p.empty()) continue;
    if (!xy.empty()) add(paths.front().front());
    for (const IntPoint& q : p) add(q);
    add(p.front());
  }
  const size_t n = xy.size();
  if (n >= 4 && xy[n - 2] == xy[0] && xy[n - 1] == xy[1]) xy.resize(n - 2);
  return xy;
}

Path Box(cInt x0, cInt y0, cInt x1, cInt y1) {
  return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

Paths Intersect(const Paths& subject, const Path& box, ClipperLib::PolyFillType rule) {
  ClipperLib::Clipper c;
  c.AddPaths(subject, ClipperLib::ptSubject, true);
  c.AddPath(box, ClipperLib::ptClip, true);
  Paths out;
  c.Execute(ClipperLib::ctIntersection, out, rule, ClipperLib::pftNonZero);
  return out;
}

// Halves the area across its longer side at the middle vertex until every
// piece's outline fits the limit; the pieces share their cut edges exactly.
void CutToLimit(const Paths& area, size_t limit, int32_t depth,
                std::vector<std::vector<uint16_t>>& out) {
  if (area.empty()) return;
  if (JoinedCount(area) <= limit || depth >= kMaxCuts) {
    std::vector<uint16_t> xy = Joined(area);
    if (xy.size() >= 6 && xy.size() / 2 <= limit) out.push_back(std::move(xy));
    return;
  }
  cInt x0 = area[0][0].X, x1 = x0, y0 = area[0][0].Y, y1 = y0;
  std::vector<cInt> xs, ys;
  for (const Path& p : area)
    for (const IntPoint& q : p) {
      x0 = std::min(x0, q.X), x1 = std::max(x1, q.X), y0 = std::min(y0, q.Y),
      y1 = std::max(y1, q.Y);
      xs.push_back(q.X), ys.push_back(q.Y);
    }
  const bool across = x1 - x0 >= y1 - y0;
  std::vector<cInt>& v = across ? xs : ys;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  const cInt low = across ? x0 : y0, high = across ? x1 : y1;
  cInt cut = v[v.size() / 2];
  if (cut <= low || cut >= high) cut = low + (high - low) / 2;
  if (cut <= low) return CutToLimit(area, limit, kMaxCuts, out);
  const Path first = across ? Box(x0, y0, cut, y1) : Box(x0, y0, x1, cut);
  const Path second = across ? Box(cut, y0, x1, y1) : Box(x0, cut, x1, y1);
  CutToLimit(Intersect(area, first, ClipperLib::pftNonZero), limit, depth + 1, out);
  CutToLimit(Intersect(area, second, ClipperLib::pftNonZero), limit, depth + 1, out);
}

}  // namespace

std::vector<std::vector<uint16_t>> FillOutlines(const FillArea& area, int32_t maxX, int32_t maxY,
                                                size_t limit, bool& clipped) {
  Paths paths;
  bool inside = true;
  for (const std::vector<Point>& loop : area.loops) {
    Path p;
    for (const Point& q : loop) {
      const IntPoint r{Rounded(q.x), Rounded(q.y)};
      if (r.X < 0 || r.Y < 0 || r.X > maxX || r.Y > maxY) inside = false;
      p.push_back(r);
    }
    if (p.size() >= 3) paths.push_back(std::move(p));
  }
  std::vector<std::vector<uint16_t>> out;
  if (paths.empty()) return out;
  // The common case keeps its outline as drawn.
  if (inside && !area.nonZero && JoinedCount(paths) <= limit) {
    std::vector<uint16_t> xy = Joined(paths);
    if (xy.size() >= 6) out.push_back(std::move(xy));
    return out;
  }
  clipped = clipped || !inside;
  const Paths onSheet = Intersect(paths, Box(0, 0, maxX, maxY),
                                  area.nonZero ? ClipperLib::pftNonZero : ClipperLib::pftEvenOdd);
  CutToLimit(onSheet, limit, 0, out);
  return out;
}

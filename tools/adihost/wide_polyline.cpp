#include "tools/adihost/wide_polyline.h"

#include <cmath>

#include "tools/adihost/flatten.h"

namespace {

// A joint's edges meet at most this many half widths from the vertex; past
// that the corner is cut straight across.
constexpr double kMitreLimit = 4;

struct Segment {
  std::vector<Point> path;         // from one vertex to the next
  Point startTangent, endTangent;  // unit directions of travel at its ends
  double startWidth = 0, endWidth = 0;
};

Point Unit(double x, double y) {
  const double n = std::hypot(x, y);
  return n > 0 ? Point{x / n, y / n} : Point{0, 0};
}

Point Left(Point t) {
  return {-t.y, t.x};
}

Segment SegmentBetween(const Vertex& a, const Vertex& b, double tolerance) {
  Segment s;
  s.startWidth = a.startWidth, s.endWidth = a.endWidth;
  s.path.push_back({a.x, a.y});
  FlattenBulge(a, b, tolerance, s.path);
  Point c;
  double radius, start, included;
  if (BulgeArc(a, b, c, radius, start, included)) {
    // Travel runs at right angles to the radius, turning with the arc.
    const double turn = included > 0 ? 1 : -1;
    const double end = start + included;
    s.startTangent = {-std::sin(start) * turn, std::cos(start) * turn};
    s.endTangent = {-std::sin(end) * turn, std::cos(end) * turn};
  } else {
    s.startTangent = s.endTangent = Unit(b.x - a.x, b.y - a.y);
  }
  return s;
}

// The band: the left edge forward, the right edge back, the half width
// changing evenly along the way (the arc's points are evenly spaced).
std::vector<Point> Band(const Segment& s) {
  const size_t n = s.path.size();
  std::vector<Point> left, right;
  for (size_t i = 0; i < n; ++i) {
    Point tangent;
    if (i == 0) {
      tangent = s.startTangent;
    } else if (i + 1 == n) {
      tangent = s.endTangent;
    } else {
      tangent = Unit(s.path[i + 1].x - s.path[i - 1].x, s.path[i + 1].y - s.path[i - 1].y);
    }
    const double half = (s.startWidth + (s.endWidth - s.startWidth) * i / (n - 1)) / 2;
    const Point normal = Left(tangent);
    left.push_back({s.path[i].x + normal.x * half, s.path[i].y + normal.y * half});
    right.push_back({s.path[i].x - normal.x * half, s.path[i].y - normal.y * half});
  }
  left.insert(left.end(), right.rbegin(), right.rend());
  return left;
}

// The wedge that fills the outside of the turn at `v` from the band ending
// with tangent `in` to the one starting with tangent `out`.
std::vector<Point> Joint(Point v, Point in, Point out, double half) {
  const double turn = in.x * out.y - in.y * out.x;
  if (half <= 0 || std::fabs(turn) < 1e-12) return {};
  // The outside of a left turn is on the right.
  const double side = turn > 0 ? -1 : 1;
  const Point n1 = Left(in), n2 = Left(out);
  const Point p{v.x + side * n1.x * half, v.y + side * n1.y * half};
  const Point q{v.x + side * n2.x * half, v.y + side * n2.y * half};
  // Where the two edges meet: p + in·t = q + out·u.
  const double t = ((q.x - p.x) * out.y - (q.y - p.y) * out.x) / turn;
  const Point mitre{p.x + in.x * t, p.y + in.y * t};
  if (std::hypot(mitre.x - v.x, mitre.y - v.y) > kMitreLimit * half) return {v, p, q};
  return {v, p, mitre, q};
}

}  // namespace

WideParts WidePolylineParts(const std::vector<Vertex>& vertices, bool closed, double tolerance) {
  WideParts parts;
  const size_t n = vertices.size();
  if (n < 2) return parts;
  std::vector<Segment> segments;
  for (size_t i = 0; i + 1 < n || (closed && i < n); ++i) {
    const Vertex& a = vertices[i];
    const Vertex& b = vertices[(i + 1) % n];
    if (a.x == b.x && a.y == b.y) continue;
    segments.push_back(SegmentBetween(a, b, tolerance));
  }
  for (size_t i = 0; i < segments.size(); ++i) {
    const Segment& s = segments[i];
    if (s.startWidth <= 0 && s.endWidth <= 0) {
      parts.lines.push_back(s.path);
    } else {
      parts.pieces.push_back(Band(s));
    }
    if (i + 1 == segments.size() && !closed) break;
    const Segment& next = segments[(i + 1) % segments.size()];
    const double half = std::min(s.endWidth, next.startWidth) / 2;
    std::vector<Point> joint = Joint(s.path.back(), s.endTangent, next.startTangent, half);
    if (!joint.empty()) parts.pieces.push_back(std::move(joint));
  }
  return parts;
}

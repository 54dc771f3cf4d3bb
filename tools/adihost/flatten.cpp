#include "tools/adihost/flatten.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int32_t kCoarseSteps = 64;   // per full turn, when only measuring
constexpr double kMaxSteps = 1 << 20;  // per curve, against absurd sizes

// Parameter steps for a sweep over a curve whose second derivative is at most
// `bend`: a chord's sagitta is at most bend × step² / 8.
int32_t StepsFor(double sweep, double bend, double tolerance) {
  sweep = std::fabs(sweep);
  double steps = std::ceil(sweep / (2 * std::numbers::pi) * kCoarseSteps);
  if (tolerance > 0 && bend > 0) steps = std::ceil(sweep / std::sqrt(8 * tolerance / bend));
  // A sweep or size past the range of numbers gives no count: one step.
  if (std::isnan(steps)) steps = 1;
  return static_cast<int32_t>(std::clamp(steps, 1.0, kMaxSteps));
}

// The sweep from start to end in the given direction, in (0, 2π] for a
// non-zero difference.
double Sweep(double start, double end, bool clockwise) {
  double sweep = clockwise ? start - end : end - start;
  sweep = std::fmod(sweep, 2 * std::numbers::pi);
  if (sweep <= 1e-12) sweep += 2 * std::numbers::pi;
  return clockwise ? -sweep : sweep;
}

Point Ellipse(Point c, Point major, double ratio, double t) {
  const Point minor{-major.y * ratio, major.x * ratio};
  return {c.x + major.x * std::cos(t) + minor.x * std::sin(t),
          c.y + major.y * std::cos(t) + minor.y * std::sin(t)};
}

// The NURBS point at parameter u by de Boor's algorithm on homogeneous points.
Point SplinePoint(const Shape& s, double u) {
  const int32_t p = s.degree;
  const int32_t n = static_cast<int32_t>(s.controls.size());
  int32_t k = p;
  while (k < n - 1 && u >= s.knots[k + 1]) ++k;
  std::vector<double> x(p + 1), y(p + 1), w(p + 1);
  for (int32_t j = 0; j <= p; ++j) {
    const int32_t i = std::clamp(k - p + j, 0, n - 1);
    w[j] = s.weights[i];
    x[j] = s.controls[i].x * w[j];
    y[j] = s.controls[i].y * w[j];
  }
  for (int32_t r = 1; r <= p; ++r)
    for (int32_t j = p; j >= r; --j) {
      const int32_t i = k - p + j;
      const double span = s.knots[i + p - r + 1] - s.knots[i];
      const double a = span > 0 ? (u - s.knots[i]) / span : 0;
      x[j] = (1 - a) * x[j - 1] + a * x[j];
      y[j] = (1 - a) * y[j - 1] + a * y[j];
      w[j] = (1 - a) * w[j - 1] + a * w[j];
    }
  return {x[p] / w[p], y[p] / w[p]};
}

double DistanceToChord(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length = std::hypot(dx, dy);
  if (length == 0) return std::hypot(p.x - a.x, p.y - a.y);
  return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

// Halves a parameter interval until the curve between its ends keeps within
// the tolerance of the chord at three inner points.
void RefineSpline(const Shape& s, double u0, Point a, double u1, Point b, double tolerance,
                  int32_t depth, std::vector<Point>& out) {
  bool close = depth >= 24 || static_cast<double>(out.size()) >= kMaxSteps;
  if (!close) {
    close = true;
    for (double f : {0.25, 0.5, 0.75})
      if (DistanceToChord(SplinePoint(s, u0 + (u1 - u0) * f), a, b) > tolerance) close = false;
  }
  if (close) {
    out.push_back(b);
    return;
  }
  const double um = (u0 + u1) / 2;
  const Point m = SplinePoint(s, um);
  RefineSpline(s, u0, a, um, m, tolerance, depth + 1, out);
  RefineSpline(s, um, m, u1, b, tolerance, depth + 1, out);
}

}  // namespace

void FlattenArc(Point centre, double radius, double start, double end, bool clockwise,
                double tolerance, std::vector<Point>& out) {
  const double a0 = start * std::numbers::pi / 180;
  const double sweep = Sweep(a0, end * std::numbers::pi / 180, clockwise);
  const int32_t steps = StepsFor(sweep, radius, tolerance);
  for (int32_t i = 0; i <= steps; ++i) {
    const double a = a0 + sweep * i / steps;
    out.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
  }
}

void FlattenEllipse(Point centre, Point majorAxis, double ratio, double start, double end,
                    bool clockwise, double tolerance, std::vector<Point>& out) {
  const double sweep = Sweep(start, end, clockwise);
  const double major = std::hypot(majorAxis.x, majorAxis.y);
  const int32_t steps = StepsFor(sweep, major, tolerance);
  for (int32_t i = 0; i <= steps; ++i)
    out.push_back(Ellipse(centre, majorAxis, ratio, start + sweep * i / steps));
}

bool BulgeArc(const Vertex& from, const Vertex& to, Point& centre, double& radius, double& start,
              double& included) {
  const double chord = std::hypot(to.x - from.x, to.y - from.y);
  if (from.bulge == 0 || chord == 0) return false;
  // The included angle is four times the arc tangent of the bulge; the centre
  // lies on the chord's perpendicular bisector.
  included = 4 * std::atan(from.bulge);
  radius = chord / (2 * std::sin(std::fabs(included) / 2));
  const double toCentre = radius * std::cos(std::fabs(included) / 2) * (from.bulge > 0 ? 1 : -1);
  const double mx = (from.x + to.x) / 2, my = (from.y + to.y) / 2;
  const double nx = -(to.y - from.y) / chord, ny = (to.x - from.x) / chord;
  centre = {mx + nx * toCentre, my + ny * toCentre};
  start = std::atan2(from.y - centre.y, from.x - centre.x);
  return true;
}

void FlattenBulge(const Vertex& from, const Vertex& to, double tolerance, std::vector<Point>& out) {
  Point c;
  double radius, a0, included;
  if (!BulgeArc(from, to, c, radius, a0, included)) {
    out.push_back({to.x, to.y});
    return;
  }
  const int32_t steps = StepsFor(included, radius, tolerance);
  for (int32_t i = 1; i < steps; ++i) {
    const double a = a0 + included * i / steps;
    out.push_back({c.x + radius * std::cos(a), c.y + radius * std::sin(a)});
  }
  out.push_back({to.x, to.y});
}

void FlattenPolyline(const std::vector<Vertex>& vertices, bool closed, double tolerance,
                     std::vector<Point>& out) {
  if (vertices.empty()) return;
  out.push_back({vertices[0].x, vertices[0].y});
  for (size_t i = 1; i < vertices.size(); ++i)
    FlattenBulge(vertices[i - 1], vertices[i], tolerance, out);
  if (closed && vertices.size() > 1)
    FlattenBulge(vertices.back(), vertices.front(), tolerance, out);
}

bool FlattenSpline(const Shape& spline, double tolerance, std::vector<Point>& out) {
  const int32_t n = static_cast<int32_t>(spline.controls.size());
  const int32_t p = spline.degree;
  if (n < 2 || p < 1 || p >= n) {
    for (const Point& f : spline.fitPoints) out.push_back(f);
    if (n >= 2) out.insert(out.end(), spline.controls.begin(), spline.controls.end());
    return false;
  }
  Shape s = spline;
  if (s.weights.size() != s.controls.size()) s.weights.assign(n, 1.0);
  // A clamped uniform knot vector when the file's does not fit the curve.
  if (static_cast<int32_t>(s.knots.size()) != n + p + 1) {
    s.knots.clear();
    for (int32_t i = 0; i < n + p + 1; ++i)
      s.knots.push_back(std::clamp(static_cast<double>(i - p), 0.0, static_cast<double>(n - p)));
  }
  const double u0 = s.knots[p], u1 = s.knots[n];
  Point a = SplinePoint(s, u0);
  out.push_back(a);
  // Every knot span is walked in a few even steps first, so that a wiggle
  // inside one span cannot hide between three test points.
  for (int32_t k = p; k < n; ++k) {
    const double k0 = s.knots[k], k1 = s.knots[k + 1];
    if (k1 <= k0) continue;
    const int32_t steps = 2 * p;
    for (int32_t i = 1; i <= steps; ++i) {
      const double ua = k0 + (k1 - k0) * (i - 1) / steps, ub = k0 + (k1 - k0) * i / steps;
      const Point b = SplinePoint(s, std::min(ub, u1));
      if (tolerance > 0) {
        RefineSpline(s, ua, a, ub, b, tolerance, 0, out);
      } else {
        out.push_back(b);
      }
      a = b;
    }
  }
  return true;
}

void FlattenCurve(const Shape& shape, double tolerance, std::vector<Point>& out) {
  switch (shape.kind) {
    case ShapeKind::Polyline:
      FlattenPolyline(shape.vertices, shape.closed, tolerance, out);
      break;
    case ShapeKind::Circle:
      FlattenArc(shape.centre, shape.radius, 0, 360, false, tolerance, out);
      break;
    case ShapeKind::Arc:
      FlattenArc(shape.centre, shape.radius, shape.start, shape.end, shape.clockwise, tolerance,
                 out);
      break;
    case ShapeKind::Ellipse:
      FlattenEllipse(shape.centre, shape.majorAxis, shape.ratio, shape.start, shape.end,
                     shape.clockwise, tolerance, out);
      break;
    case ShapeKind::Spline:
      FlattenSpline(shape, tolerance, out);
      break;
    default:
      break;
  }
}

std::vector<Point> JoinLoops(const std::vector<std::vector<Point>>& loops) {
  std::vector<Point> outline;
  for (const std::vector<Point>& loop : loops) {
    if (loop.empty()) continue;
    if (!outline.empty()) outline.push_back(outline.front());
    outline.insert(outline.end(), loop.begin(), loop.end());
    outline.push_back(loop.front());
  }
  return outline;
}

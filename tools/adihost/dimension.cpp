#include "tools/adihost/dimension.h"

#include <cmath>

namespace {

// The arrow sizes CAD programs start drawings with: 0.18 inch, 2.5 mm.
constexpr double kImperialArrow = 0.18;
constexpr double kMetricArrow = 2.5;

}  // namespace

double ArrowLength(double arrowSize, double dimensionScale, bool metric) {
  const double size = arrowSize > 0 ? arrowSize : (metric ? kMetricArrow : kImperialArrow);
  return size * (dimensionScale > 0 ? dimensionScale : 1);
}

std::vector<Vertex> ArrowHead(Point tip, Point from, double length) {
  const double dx = from.x - tip.x, dy = from.y - tip.y;
  const double n = std::hypot(dx, dy);
  if (!(n > 0) || !(length > 0)) return {};
  const double ux = dx / n, uy = dy / n;
  const double bx = tip.x + ux * length, by = tip.y + uy * length;
  const double half = length / 6;
  return {{tip.x, tip.y}, {bx - uy * half, by + ux * half}, {bx + uy * half, by - ux * half}};
}

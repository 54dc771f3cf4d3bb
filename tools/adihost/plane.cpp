#include "tools/adihost/plane.h"

#include <cmath>

namespace {

Vector3 Cross(Vector3 a, Vector3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Length(Vector3 v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

Vector3 Unit(Vector3 v) {
  const double n = Length(v);
  return {v.x / n, v.y / n, v.z / n};
}

bool Usable(Vector3 v) {
  const double n = Length(v);
  return std::isfinite(n) && n > 1e-12;
}

}  // namespace

PlaneMap PlaneOfNormal(Vector3 normal, double elevation) {
  if (!Usable(normal)) return PlaneMap{};
  const Vector3 n = Unit(normal);
  if (n.x == 0 && n.y == 0 && n.z > 0) return PlaneMap{};
  // The x axis is perpendicular to the world's z axis, unless the normal lies
  // within 1/64 of it, when it is perpendicular to the world's y axis.
  constexpr double kNearPole = 1.0 / 64;
  const Vector3 ax = std::fabs(n.x) < kNearPole && std::fabs(n.y) < kNearPole
                         ? Unit(Cross({0, 1, 0}, n))
                         : Unit(Cross({0, 0, 1}, n));
  const Vector3 ay = Unit(Cross(n, ax));
  return {ax.x, ay.x, ax.y, ay.y, n.x * elevation, n.y * elevation};
}

PlaneMap PlaneOfEllipse(Vector3 centre, Vector3 major, Vector3 normal, double& majorLength) {
  majorLength = Length(major);
  if (!Usable(normal) || !Usable(major)) return {1, 0, 0, 1, centre.x, centre.y};
  const Vector3 e1 = Unit(major);
  const Vector3 e2 = Cross(Unit(normal), e1);
  return {e1.x, e2.x, e1.y, e2.y, centre.x, centre.y};
}

bool IsIdentity(const PlaneMap& p) {
  return p.a == 1 && p.b == 0 && p.c == 0 && p.d == 1 && p.e == 0 && p.f == 0;
}

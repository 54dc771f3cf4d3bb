#pragma once
// Curves as chains of points: no chord strays further than the tolerance from
// the curve. A tolerance of 0 or less asks for a fixed, moderate number of
// points instead (enough to measure a drawing's extent).
#include <vector>

#include "tools/adihost/drawing.h"

// Points of an arc from `start` to `end` degrees (counter-clockwise unless
// `clockwise`), both ends included.
void FlattenArc(Point centre, double radius, double start, double end, bool clockwise,
                double tolerance, std::vector<Point>& out);
// An elliptical arc by its parameter angles in radians.
void FlattenEllipse(Point centre, Point majorAxis, double ratio, double start, double end,
                    bool clockwise, double tolerance, std::vector<Point>& out);
// The arc a vertex's bulge describes to the next vertex: its centre, radius,
// the angle of `from` seen from the centre and the included angle (radians,
// negative clockwise). False for a straight segment.
bool BulgeArc(const Vertex& from, const Vertex& to, Point& centre, double& radius, double& start,
              double& included);
// The points after `from` up to `to`, along the arc that `bulge` describes.
void FlattenBulge(const Vertex& from, const Vertex& to, double tolerance, std::vector<Point>& out);
// A polyline with its bulges; a closed one ends where it starts.
void FlattenPolyline(const std::vector<Vertex>& vertices, bool closed, double tolerance,
                     std::vector<Point>& out);
// A NURBS curve (or its fit points when it has no control points). Returns
// false when the spline is drawn only through its fit points.
bool FlattenSpline(const Shape& spline, double tolerance, std::vector<Point>& out);
// Any curve shape (polyline, circle, arc, ellipse, spline) as points.
void FlattenCurve(const Shape& shape, double tolerance, std::vector<Point>& out);

// Closed loops as one outline for an even-odd fill: each loop is closed and
// the outline comes back to the first loop's start before the next loop, so
// the joins are crossed twice and holes stay open.
std::vector<Point> JoinLoops(const std::vector<std::vector<Point>>& loops);

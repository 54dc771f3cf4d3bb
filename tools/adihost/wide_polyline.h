#pragma once
// Polylines with widths, drawn as CAD programs plot them: each wide segment a
// filled band, tapered from its start width to its end width and bent along
// a bulge's arc, and each joint filled on the outside of the turn up to where
// the band's edges meet (cut short at a sharp turn). The pieces overlap and
// are filled as one shape; segments of no width stay lines.
#include <vector>

#include "tools/adihost/drawing.h"

struct WideParts {
  std::vector<std::vector<Point>> pieces;  // to fill by the non-zero rule
  std::vector<std::vector<Point>> lines;   // segments of no width
};

// In the polyline's own coordinates; arcs flattened to `tolerance`.
WideParts WidePolylineParts(const std::vector<Vertex>& vertices, bool closed, double tolerance);

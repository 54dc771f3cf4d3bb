#pragma once
// Filled areas as the outlines the driver takes: within the sheet, and no
// outline longer than the driver's polygon limit. An area's loops become one
// outline whose loops are joined by returns to its first point (crossed
// twice, so that the driver's even-odd fill leaves holes open); an area with
// more vertices than the limit is cut, by the polygon clipping library, into
// pieces that tile it exactly and so print the same.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/adihost/drawing.h"

// The most vertices one filled polygon may have: the binary language counts
// them in 14 bits, and both languages are sent the same requests.
constexpr size_t kMaxPolygonVertices = 16383;

struct FillArea {
  std::vector<std::vector<Point>> loops;  // host units
  // Loops fill by the non-zero rule (overlapping parts of one shape, such as
  // the bands of a wide polyline), else by the even-odd rule (a hatch and
  // its holes).
  bool nonZero = false;
};

// The outlines (x, y pairs in host units, within 0..maxX and 0..maxY) that
// fill the area; `clipped` is set when part of it lay off the sheet.
std::vector<std::vector<uint16_t>> FillOutlines(const FillArea& area, int32_t maxX, int32_t maxY,
                                                size_t limit, bool& clipped);

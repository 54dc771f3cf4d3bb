#pragma once
// Host points through the pen-state machine: the conversion to output units and
// the QDRS point records.
#include <cstdint>

struct Step {
  int32_t dx, dy;
};

// Keeps the host point, converts it (x unitScale, truncated) and returns the
// step from the previous output point.
Step ConvertPoint(int32_t x, int32_t y);
// HP-GL/2: the step as two polyline-encoded numbers.
int32_t EmitStep(Step step);
// Closes an open polyline before another HP-GL/2 instruction (";"), and resets
// the pen state in either language.
int32_t ClosePolyline();

int32_t QdrsPoint(int32_t x, int32_t y);
int32_t QdrsDot(int32_t x, int32_t y);
int32_t QdrsPolygonStart(int32_t x, int32_t y, int32_t count);
int32_t QdrsPolygonPoint(int32_t x, int32_t y);

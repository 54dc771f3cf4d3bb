#pragma once
// Host points through the pen-state machine: the conversion to output units, the
// HP-GL/2 steps and the QDRS point records. Everything that writes a point fails
// at once (-1, nothing written) while the driver is in an error state.
#include <cstdint>

struct Step {
  int32_t dx, dy;
};

// Keeps the host point, converts it (x unitScale, truncated toward zero), moves
// outX/outY to prevOutX/prevOutY and returns the step from there.
Step ConvertPoint(int32_t x, int32_t y);
// HP-GL/2: the step as two polyline-encoded numbers.
int32_t EmitStep(Step step);
// A move or draw point in the current output language: HP-GL/2 its step, QDRS a
// line record when the pen is down.
int32_t EmitPoint(int32_t x, int32_t y);
// Closes an open polyline before another HP-GL/2 instruction (";"), and resets
// the pen state in either language.
int32_t ClosePolyline();

int32_t QdrsPoint(int32_t x, int32_t y);
// A zero-length line at a point already in output units; the drawing state is
// left alone.
int32_t QdrsDot(int32_t x, int32_t y);
// The polygon record head (word count taken in 16 bits) and the first vertex.
int32_t QdrsPolygonStart(int32_t x, int32_t y, int32_t count);
int32_t QdrsPolygonPoint(int32_t x, int32_t y);

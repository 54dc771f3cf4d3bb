#pragma once
// Host points through the pen-state machine: the conversion to output units
// and the point written in the plot's language. Everything that writes a point
// fails at once (-1, nothing written) while the driver is in an error state.
#include <cstdint>

#include "vector/state.h"

// Keeps the host point, converts it (x unitScale, truncated toward zero), moves
// outX/outY to prevOutX/prevOutY and returns the step from there.
Step ConvertPoint(int32_t x, int32_t y);
// A move or draw point, as the plot's language writes it.
int32_t EmitPoint(int32_t x, int32_t y);
// Ends an open polyline before another instruction, and leaves the pen idle.
int32_t ClosePolyline();

#pragma once
// What the two job headers share: the plot area in output units, the copies and
// label they announce, and the rule for a failure late in the header.
#include <cstdint>

#include "host/services.h"

// plotLengthUnits, plotWidthUnits and marginUnits from the plot geometry.
void WorkOutPlotUnits();
// The copies to announce: the record's count, or 1 when it lies outside 1..99.
int32_t JobCopies();
// The label's length, never more than its 64 characters.
int32_t LabelLength();

// Once the device has begun to take the plot's set-up, a failed write leaves
// it half set up, so the plot cannot go on.
inline int32_t FailHeader() {
  driverErrorState = kErrorOutput;
  return -1;
}

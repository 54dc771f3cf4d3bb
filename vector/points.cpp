#include "vector/points.h"

#include "config/geometry.h"
#include "host/services.h"
#include "vector/language.h"

namespace {

// Host points are 16-bit and unitScale at most 16, so every product lies far
// inside a 32-bit output coordinate; the conversion holds whatever the scale.
int32_t Scale(int32_t v) {
  return TruncateToInt32(v * unitScale);
}

}  // namespace

Step ConvertPoint(int32_t x, int32_t y) {
  hostX = x;
  hostY = y;
  const int32_t X = Scale(x);
  const int32_t Y = Scale(y);
  prevOutX = outX;
  prevOutY = outY;
  const Step step{X - outX, Y - outY};
  outX = X;
  outY = Y;
  return step;
}

int32_t EmitPoint(int32_t x, int32_t y) {
  if (driverErrorState != 0) return -1;
  return plotLanguage->writePoint(ConvertPoint(x, y));
}

int32_t ClosePolyline() {
  if (penState != kPenIdle && plotLanguage->endPolyline() < 0) return -1;
  previousPenState = penState;
  penState = kPenIdle;
  return 0;
}

#include "vector/points.h"

#include "config/geometry.h"
#include "config/record.h"
#include "host/services.h"
#include "output/buffer.h"
#include "output/qdrs.h"
#include "vector/state.h"

namespace {

// Host points are 16-bit and unitScale at most 16, so every product lies far
// inside a 32-bit output coordinate; the conversion holds whatever the scale.
int32_t Scale(int32_t v) {
  return TruncateToInt32(v * unitScale);
}

// One coordinate in the width that the sheet size allows. The host's own units
// can carry a coordinate past the 16-bit form on a small sheet: it is written
// as the nearest number the form has, never wrapped to the other side.
int32_t PackCoordinate(int32_t value, uint8_t* to) {
  if (shortCoordinates != 1) return PackLong(value, to);
  return PackShort(value > INT16_MAX ? INT16_MAX : value < INT16_MIN ? INT16_MIN : value, to);
}

// A line record: absolute start, relative step.
int32_t WriteLineRecord(int32_t x, int32_t y, Step step) {
  uint8_t record[2 + 4 * 4];
  int32_t n = 0;
  record[n++] = shortCoordinates == 1 ? 0x64 : 0x6B;
  record[n++] = shortCoordinates == 1 ? 4 : 8;
  n += PackCoordinate(x, record + n);
  n += PackCoordinate(y, record + n);
  n += PackCoordinate(step.dx, record + n);
  n += PackCoordinate(step.dy, record + n);
  return OutWriteBytes(n, record) < 0 ? -1 : 0;
}

int32_t WriteCoordinatePair(int32_t x, int32_t y) {
  uint8_t pair[2 * 4];
  int32_t n = PackCoordinate(x, pair);
  n += PackCoordinate(y, pair + n);
  return OutWriteBytes(n, pair) < 0 ? -1 : 0;
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

int32_t EmitStep(Step step) {
  if (driverErrorState != 0) return -1;
  return OutWriteEncodedPair(step.dx, step.dy);
}

int32_t EmitPoint(int32_t x, int32_t y) {
  if (driverErrorState != 0) return -1;
  if (QdrsOutput()) return QdrsPoint(x, y);
  return EmitStep(ConvertPoint(x, y));
}

int32_t ClosePolyline() {
  if (!QdrsOutput() && penState != kPenIdle && OutWriteString(";") < 0) return -1;
  previousPenState = penState;
  penState = kPenIdle;
  return 0;
}

int32_t QdrsPoint(int32_t x, int32_t y) {
  if (driverErrorState != 0) return -1;
  const Step step = ConvertPoint(x, y);
  if (penState != kPenDrawn) return 0;
  return WriteLineRecord(prevOutX, prevOutY, step);
}

int32_t QdrsDot(int32_t x, int32_t y) {
  if (driverErrorState != 0) return -1;
  return WriteLineRecord(x, y, Step{0, 0});
}

int32_t QdrsPolygonStart(int32_t x, int32_t y, int32_t count) {
  if (driverErrorState != 0) return -1;
  ConvertPoint(x, y);
  if (penState != kPenDrawn) return 0;
  // The device reads the word count as a 16-bit number.
  const int32_t words = shortCoordinates == 1 ? 2 * count : 4 * count;
  uint8_t head[2 + 2 + 2 * 4];
  int32_t n = 0;
  head[n++] = 0xFF;
  head[n++] = shortCoordinates == 1 ? 0x7C : 0x83;
  n += PackShort(static_cast<uint16_t>(words), head + n);
  n += PackCoordinate(outX, head + n);
  n += PackCoordinate(outY, head + n);
  return OutWriteBytes(n, head) < 0 ? -1 : 0;
}

int32_t QdrsPolygonPoint(int32_t x, int32_t y) {
  if (driverErrorState != 0) return -1;
  const Step step = ConvertPoint(x, y);
  if (penState != kPenDrawn) return 0;
  return WriteCoordinatePair(step.dx, step.dy);
}

#pragma once
// A plot opened through request 30 with the drawing state at a known start, and
// the bytes that the vector requests add behind the job header.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver_fixture.h"
#include "golden.h"
#include "host/packet.h"
#include "raster/image.h"
#include "vector/state.h"

namespace plot_fixture {

inline void ResetDrawingState() {
  penState = previousPenState = kPenIdle;
  hostX = hostY = -1;
  outX = outY = prevOutX = prevOutY = 0;
  currentPen = 1;
  defaultPen = 7;
  penReselectDue = 0;
  lineTypeCount = 8;
  shortCoordinates = 1;
  previousHostSetting = -1;
  imageMarker = 0;
  std::strcpy(polylineCommand, "PE7");
  unitScale = 1.0;
}

// Opens a plot and returns where the job header ends. The header is settled
// first, so the drawing state set up here is what the requests start from.
inline int32_t OpenPlot(const DriverLink& d, double scale = 1.0) {
  EXPECT_EQ(BeginPlot(d), 0);
  unitScale = scale;
  defaultPen = 7;
  return outputFill;
}

// The bytes written since `from`, still in the buffer.
inline std::string WrittenSince(int32_t from) {
  if (OutputBuffer == nullptr || outputFill < from) return "<no buffer>";
  return std::string(reinterpret_cast<const char*>(OutputBuffer) + from, outputFill - from);
}

inline std::string Bytes(std::initializer_list<uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline std::string Kept(const KeptCommand& kept) {
  return std::string(reinterpret_cast<const char*>(kept.bytes), kept.length);
}

}  // namespace plot_fixture

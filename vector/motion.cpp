// The plot's frame and the pen motion: begin and end of a plot, abort, and the
// move, draw and lift requests that drive the pen-state machine.
#include "vector/motion.h"

#include <initializer_list>

#include "config/record.h"
#include "host/messages.h"
#include "host/protocol.h"
#include "host/services.h"
#include "output/buffer.h"
#include "raster/image.h"
#include "vector/language.h"
#include "vector/points.h"
#include "vector/state.h"

namespace {

constexpr int16_t kHeaderPen = 7;

// The host repeats a point it has just sent; once the state has settled the
// repeat adds nothing to the plot.
bool IsRepeatedPoint(int32_t x, int32_t y) {
  return previousPenState == penState && penState != kPenIdle && x == hostX && y == hostY;
}

// After a polygon fill the fill pen is still selected; lines go back to the
// pen the host chose, before the next move or draw, whichever comes first. The
// selection is an instruction of its own, so the point that follows opens a
// new polyline.
int32_t ReselectPenIfDue() {
  if (penReselectDue != 1) return 0;
  penReselectDue = 0;
  if (plotLanguage->reselectPen(currentPen) < 0) return -1;
  previousPenState = penState;
  penState = kPenIdle;
  return 0;
}

void Fail(uint8_t* packet) {
  WriteU16(packet, kStatusAt, kStatusFailed);
}

}  // namespace

void RequestMove(uint8_t* packet) {
  const int32_t x = ReadU16(packet, kPoint.x);
  const int32_t y = ReadU16(packet, kPoint.y);
  if (ReselectPenIfDue() < 0) return Fail(packet);
  if (IsRepeatedPoint(x, y)) return;
  previousPenState = penState;
  if (plotLanguage->openMove(penState) < 0) return Fail(packet);
  penState = kPenMoved;
  if (EmitPoint(x, y) < 0) return Fail(packet);
}

void RequestDraw(uint8_t* packet) {
  const int32_t x = ReadU16(packet, kPoint.x);
  const int32_t y = ReadU16(packet, kPoint.y);
  if (ReselectPenIfDue() < 0) return Fail(packet);
  if (IsRepeatedPoint(x, y)) return;
  previousPenState = penState;
  const int32_t drawnIn = plotLanguage->openDraw(penState);
  if (drawnIn < 0) return Fail(packet);
  penState = static_cast<uint16_t>(drawnIn);
  if (EmitPoint(x, y) < 0) return Fail(packet);
  plotOpen = 1;
}

void RequestLiftPen(uint8_t* packet) {
  if (penState != kPenDrawn && penState != kPenMoved) return;
  if (plotLanguage->liftPen() < 0) return Fail(packet);
  previousPenState = penState;
  penState = kPenLifted;
}

void RequestAbort(uint8_t*) {
  if (driverErrorState == 0) driverErrorState = kErrorOutput;
  copyCount = 1;
  plotOpen = 0;
}

void RequestBeginPlot(uint8_t* packet) {
  ChooseOutputLanguage();
  imageMarker = 0;
  if (driverErrorState != 0) return Fail(packet);
  WriteU16(packet, kStatusAt, kStatusOk);
  plotOpen = 0;
  prevOutX = prevOutY = outX = outY = 0;
  // No host point matches, so the first move is never taken for a repeat.
  hostX = hostY = -1;
  outputFill = 0;
  penState = previousPenState = kPenIdle;
  // Both job headers select pen 7, black; a fill before any pen request must
  // give the lines that pen back, not pen 1, which prints grey.
  currentPen = kHeaderPen;
  // The header selects the line pen itself; a re-selection left over from a
  // fill at the end of the last plot would choose a pen no one asked for.
  penReselectDue = 0;
  // The commands an image restores are this plot's: a previous plot's, maybe
  // in the other language, would go out behind this plot's first image.
  for (KeptCommand* kept :
       {&lastPenCommand, &lastAreaPenCommand, &lastWidthCommand, &lastLineTypeCommand})
    *kept = KeptCommand{};
  if (OutOpen() < 0) {
    HostPrintMessage("\n%s", MessageText(kMsgNoMemory));
    driverErrorState = kErrorOutput;
    return Fail(packet);
  }
  previousHostSetting = HostSwapSetting(30, 1);
  if (plotLanguage->writeHeader() < 0) return Fail(packet);
  imageMarker = 0;
}

void RequestEndPlot(uint8_t*) {
  previousPenState = penState;
  penState = kPenIdle;
  if (driverErrorState == 0 && plotOpen == 1) {
    plotOpen = 0;
    plotLanguage->writeTrailer();
    copyCount = 1;
    if (outputFill > 0 && driverErrorState == 0 && OutFlush() < 0) driverErrorState = kErrorOutput;
  }
  // A plot in which nothing was drawn leaves with its buffer, header included.
  outputFill = 0;
  OutClose();
  if (previousHostSetting >= 0) HostSwapSetting(previousHostSetting, 1);
}

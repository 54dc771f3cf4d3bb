// Filled polygons. The fill style chooses the pen: the host's own pen, whose grey
// the palette defines, gives a halftone; the drawing pen gives a solid fill.
#include "vector/polygon.h"

#include <cstdint>

#include "config/record.h"
#include "host/messages.h"
#include "host/services.h"
#include "output/buffer.h"
#include "vector/language.h"
#include "vector/pens.h"
#include "vector/points.h"
#include "vector/state.h"

namespace {

void EnterPenState(uint16_t state) {
  previousPenState = penState;
  penState = state;
}

// Requests 33 and 54 share everything but where the vertices are.
void FillFromRequest(uint8_t* packet, int16_t pen, int16_t count, const uint8_t* vertices) {
  if (driverErrorState != 0) {
    WriteU16(packet, kStatusAt, kStatusOk);
    return;
  }
  if (count <= 1 || vertices == nullptr) return;
  const int32_t result = FillPolygon(pen, count, vertices);
  WriteU16(packet, kStatusAt, result < 0 ? kStatusFailed : kStatusOk);
  if (result == 0) penReselectDue = 1;
}

}  // namespace

// The outline is drawn with the pen down, from an idle pen, and leaves it idle.
int32_t FillPolygon(int16_t pen, int32_t count, const uint8_t* vertices) {
  if (count < 2 || vertices == nullptr) return 0;
  if (count > plotLanguage->mostPolygonVertices) {
    ReportMessage(kMsgPolygonTooLarge);
    return -1;
  }
  const bool solid = (configRecord.plotFlags & kPlotHalftoneFill) == 0;
  const int16_t fillPen = solid ? MapPen(pen) : pen;
  if (ClosePolyline() < 0) return -1;
  EnterPenState(kPenDrawn);
  if (plotLanguage->fillPolygon({pen, fillPen, solid, count, vertices}) < 0) return -1;
  EnterPenState(kPenIdle);
  plotOpen = 1;
  return 0;
}

void RequestPolygonInline(uint8_t* packet) {
  FillFromRequest(packet, ReadI16(packet, kPolygonInline.pen),
                  ReadI16(packet, kPolygonInline.count), packet + kPolygonInline.vertices);
}

void RequestPolygonAt(uint8_t* packet) {
  FillFromRequest(packet, ReadI16(packet, kPolygonAt.pen), ReadI16(packet, kPolygonAt.count),
                  PointerAt<const uint8_t>(ReadAddress(packet, kPolygonAt.vertices)));
}

// Filled polygons. The fill style chooses the pen: the host's own pen, whose grey
// the palette defines, gives a halftone; the drawing pen gives a solid fill.
#include "vector/polygon.h"

#include <cstdint>

#include "config/record.h"
#include "host/messages.h"
#include "host/protocol.h"
#include "host/services.h"
#include "output/buffer.h"
#include "output/qdrs.h"
#include "vector/palette.h"
#include "vector/pens.h"
#include "vector/points.h"
#include "vector/state.h"

namespace {

// A QDRS polygon record counts its 16-bit words in a 16-bit number, and a
// vertex takes four words with 32-bit coordinates: 16,383 vertices is the most
// a record can hold. The same limit holds for 16-bit coordinates too, so that
// a host has one rule whatever the sheet, and no count is ever written wrapped.
constexpr int32_t kQdrsMostPolygonVertices = 16383;

int32_t VertexX(const uint8_t* vertices, int32_t i) {
  return ReadU16(vertices, kVertexSize * i + kVertexX);
}
int32_t VertexY(const uint8_t* vertices, int32_t i) {
  return ReadU16(vertices, kVertexSize * i + kVertexY);
}

void EnterPenState(uint16_t state) {
  previousPenState = penState;
  penState = state;
}

// Polygon mode: a pen-up move to the first vertex, the outline drawn back to
// it, then the fill.
int32_t FillHpgl(int16_t pen, int16_t fillPen, bool solid, int32_t count, const uint8_t* v) {
  if (ClosePolyline() < 0) return -1;
  if (OutWriteString("SP") < 0 || OutWriteDecimal(fillPen) < 0) return -1;
  if (OutWriteString(polylineCommand) < 0 || OutWriteString("<") < 0) return -1;
  EnterPenState(kPenMoved);
  if (EmitPoint(VertexX(v, 0), VertexY(v, 0)) < 0) return -1;
  if (OutWriteString(";PM0") < 0 || OutWriteString(polylineCommand) < 0) return -1;
  EnterPenState(kPenDrawn);
  for (int32_t i = 1; i < count; ++i)
    if (EmitPoint(VertexX(v, i), VertexY(v, i)) < 0) return -1;
  if (EmitPoint(VertexX(v, 0), VertexY(v, 0)) < 0) return -1;
  if (OutWriteString(";PM2FP") < 0) return -1;
  if (solid && (OutWriteString("SP") < 0 || OutWriteDecimal(pen) < 0)) return -1;
  return 0;
}

// One polygon record; the device closes the outline itself.
int32_t FillQdrs(int16_t pen, int16_t fillPen, bool solid, int32_t count, const uint8_t* v) {
  EnterPenState(kPenIdle);
  if (QdrsWriteRecord(0x47, {fillPen}) < 0) return -1;
  EnterPenState(kPenDrawn);
  if (QdrsPolygonStart(VertexX(v, 0), VertexY(v, 0), count) < 0) return -1;
  for (int32_t i = 1; i < count; ++i)
    if (QdrsPolygonPoint(VertexX(v, i), VertexY(v, i)) < 0) return -1;
  if (solid && QdrsWriteRecord(0x47, {pen}) < 0) return -1;
  return 0;
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

int32_t FillPolygon(int16_t pen, int32_t count, const uint8_t* vertices) {
  if (count < 2 || vertices == nullptr) return 0;
  if (QdrsOutput() && count > kQdrsMostPolygonVertices) {
    ReportMessage(kMsgPolygonTooLarge);
    return -1;
  }
  const bool solid = (configRecord.plotFlags & kPlotHalftoneFill) == 0;
  const int16_t fillPen = solid ? MapPen(pen) : pen;
  const int32_t result = QdrsOutput() ? FillQdrs(pen, fillPen, solid, count, vertices)
                                      : FillHpgl(pen, fillPen, solid, count, vertices);
  if (result < 0) return -1;
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

// QDRS vectors: a line record for every drawn point, pens, line patterns and
// widths as one-word records kept for after an image, a fill as one polygon
// record, and the job part that ends before an image and opens after it.
#include <cstdint>

#include "config/geometry.h"
#include "host/services.h"
#include "output/buffer.h"
#include "output/qdrs.h"
#include "raster/canvas.h"
#include "raster/framing.h"
#include "vector/header_qdrs.h"
#include "vector/language.h"
#include "vector/points.h"
#include "vector/polygon.h"
#include "vector/state.h"

namespace {

constexpr int32_t kMaxWidth = 511;  // 1/400 inch

// A polygon record counts its 16-bit words in a 16-bit number, and a vertex
// takes four words with 32-bit coordinates: 16,383 vertices is the most a
// record can hold. The same limit holds for 16-bit coordinates too, so that a
// host has one rule whatever the sheet, and no count is ever written wrapped.
constexpr int32_t kMostPolygonVertices = 16383;

// Coordinates in 32-bit numbers when the sheet is too large for 16-bit ones.
bool Wide() {
  return shortCoordinates != 1;
}

// Moves write nothing: a line record carries its own start.
int32_t NothingToOpen(uint16_t) {
  return 0;
}

int32_t OpenDraw(uint16_t) {
  return kPenDrawn;
}

int32_t Nothing() {
  return 0;
}

// A drawn point is a line from the point before.
int32_t WritePoint(Step step) {
  if (penState != kPenDrawn) return 0;
  return QdrsWriteLine(Wide(), prevOutX, prevOutY, step.dx, step.dy);
}

int32_t WriteKept(KeptCommand& kept, uint8_t opcode, int32_t word) {
  uint8_t record[4];
  const int32_t n = QdrsPackWordRecord(opcode, word, record);
  KeepBytes(kept, record, n);
  return OutWriteBytes(n, record);
}

// Fills select the host's own pen: its grey comes from the pen definitions.
int32_t SelectPen(int16_t pen, int32_t requested) {
  if (WriteKept(lastPenCommand, kQdrsLinePen, pen) < 0) return -1;
  return WriteKept(lastAreaPenCommand, kQdrsAreaPen, requested);
}

int32_t ReselectPen(int16_t pen) {
  return QdrsWriteRecord(kQdrsLinePen, {pen});
}

int32_t SelectLineType(int32_t type) {
  return WriteKept(lastLineTypeCommand, kQdrsLinePattern, type);
}

// Below one unit the thinnest pen; a width the host cannot mean the widest.
int32_t WidthUnits(double inches) {
  if (inches >= 0.0 && inches * 400.0 < 1.0) return 1;
  const double v = inches * 400.0;
  if (!(v >= 1.0) || v > kMaxWidth) return kMaxWidth;
  return TruncateToInt32(v);
}

int32_t SetPenWidth(double inches) {
  return WriteKept(lastWidthCommand, kQdrsPenWidth, WidthUnits(inches));
}

// One polygon record; the device closes the outline itself.
int32_t FillPolygon(const PolygonFill& f) {
  if (QdrsWriteRecord(kQdrsAreaPen, {f.fillPen}) < 0) return -1;
  if (driverErrorState != 0) return -1;
  ConvertPoint(VertexX(f.vertices, 0), VertexY(f.vertices, 0));
  if (QdrsWritePolygonHead(Wide(), f.count, outX, outY) < 0) return -1;
  for (int32_t i = 1; i < f.count; ++i) {
    if (driverErrorState != 0) return -1;
    const Step step = ConvertPoint(VertexX(f.vertices, i), VertexY(f.vertices, i));
    if (QdrsWriteStepPair(Wide(), step.dx, step.dy) < 0) return -1;
  }
  if (f.solid && QdrsWriteRecord(kQdrsAreaPen, {f.pen}) < 0) return -1;
  return 0;
}

void WriteKeptBytes(const KeptCommand& kept) {
  if (kept.length > 0 && kept.length <= static_cast<int32_t>(sizeof kept.bytes))
    OutWriteBytes(kept.length, kept.bytes);
}

// A new job part, set up as the header set it up, and the kept settings.
void WriteAfterImage(int32_t, int32_t) {
  QdrsWriteJobPart(RasterWrite, kQdrsPartOpaque);
  WriteQdrsModelSetup();
  WriteQdrsPenSetup();
  WriteKeptBytes(lastPenCommand);
  WriteKeptBytes(lastAreaPenCommand);
  WriteKeptBytes(lastWidthCommand);
  WriteKeptBytes(lastLineTypeCommand);
}

}  // namespace

const VectorLanguage kQdrsLanguage = {
    .writeHeader = WriteQdrsJobHeader,
    .writeTrailer = WriteQdrsTrailer,
    .openMove = NothingToOpen,
    .openDraw = OpenDraw,
    .liftPen = Nothing,
    .writePoint = WritePoint,
    .endPolyline = Nothing,
    .selectPen = SelectPen,
    .reselectPen = ReselectPen,
    .selectLineType = SelectLineType,
    .setPenWidth = SetPenWidth,
    .mostPolygonVertices = kMostPolygonVertices,
    .fillPolygon = FillPolygon,
    .writeBeforeImage = WriteQdrsJobEnd,
    .writeAfterImage = WriteAfterImage,
    .raster = &kQdrsFraming,
};

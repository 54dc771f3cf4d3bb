// HP-GL/2 vectors: the pen's motion as polyline-encoded steps inside one
// polyline instruction, pens, line types and widths as instructions kept for
// after an image, fills in polygon mode, and what an image leaves to write.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/services.h"
#include "output/buffer.h"
#include "raster/canvas.h"
#include "raster/framing.h"
#include "vector/header_hpgl.h"
#include "vector/language.h"
#include "vector/palette.h"
#include "vector/points.h"
#include "vector/polygon.h"
#include "vector/state.h"

namespace {

// The pattern length of line types 1 to 8 (index 0 unused).
constexpr double kLineTypePatternLengths[] = {0.0, 1.0, 1.0, 2.0, 2.0, 2.0, 2.0, 2.0, 2.0};
constexpr int32_t kLastLineType = 8;
constexpr double kMaxWidthMm = 297.0;

// The step as two polyline-encoded numbers.
int32_t WriteStep(Step step) {
  if (driverErrorState != 0) return -1;
  return OutWriteEncodedPair(step.dx, step.dy);
}

// A pen-up move opens inside the polyline, or a new polyline for it; after a
// lift its "<" is written already.
int32_t OpenMove(uint16_t state) {
  if (state == kPenDrawn || state == kPenMoved) return OutWriteString("<");
  if (state == kPenIdle) return OutWriteFormat("%s<", polylineCommand);
  return 0;
}

// After a lift a zero step completes the pending pen-up move, and the drawn
// point then stands in the moved state.
int32_t OpenDraw(uint16_t state) {
  if (state == kPenLifted) return WriteStep(Step{0, 0}) < 0 ? -1 : kPenMoved;
  if (state == kPenIdle && OutWriteString(polylineCommand) < 0) return -1;
  return kPenDrawn;
}

int32_t LiftPen() {
  return OutWriteString("<");
}

int32_t EndPolyline() {
  return OutWriteString(";");
}

int32_t WriteKept(KeptCommand& kept, const char* text) {
  KeepText(kept, text);
  return OutWriteString(text);
}

int32_t SelectPen(int16_t pen, int32_t) {
  char text[16];
  std::snprintf(text, sizeof text, "SP%d", pen);
  return WriteKept(lastPenCommand, text);
}

// The ";" ends the fill instruction before it.
int32_t ReselectPen(int16_t pen) {
  return OutWriteFormat(";SP%d", pen);
}

int32_t SelectLineType(int32_t type) {
  char text[32] = "LT";
  if (type >= 1 && type <= kLastLineType)
    std::snprintf(text, sizeof text, "LT-%d,%.1lf", type, kLineTypePatternLengths[type]);
  return WriteKept(lastLineTypeCommand, text);
}

// A width the host cannot mean (negative, not a number, wider than the
// widest sheet) draws with the widest pen.
double WidthMillimetres(double inches) {
  const double mm = inches * 25.4;
  if (!(inches >= 0.0) || mm > kMaxWidthMm) return kMaxWidthMm;
  return mm;
}

int32_t SetPenWidth(double inches) {
  char text[32];
  std::snprintf(text, sizeof text, "PW%1.3lf", WidthMillimetres(inches));
  return WriteKept(lastWidthCommand, text);
}

int32_t WriteVertex(const uint8_t* vertices, int32_t i) {
  return WriteStep(ConvertPoint(VertexX(vertices, i), VertexY(vertices, i)));
}

// Polygon mode: a pen-up move to the first vertex, the outline drawn back to
// it, then the fill.
int32_t FillPolygon(const PolygonFill& f) {
  if (OutWriteString("SP") < 0 || OutWriteDecimal(f.fillPen) < 0) return -1;
  if (OutWriteString(polylineCommand) < 0 || OutWriteString("<") < 0) return -1;
  if (WriteVertex(f.vertices, 0) < 0) return -1;
  if (OutWriteString(";PM0") < 0 || OutWriteString(polylineCommand) < 0) return -1;
  for (int32_t i = 1; i < f.count; ++i)
    if (WriteVertex(f.vertices, i) < 0) return -1;
  if (WriteVertex(f.vertices, 0) < 0) return -1;
  if (OutWriteString(";PM2FP") < 0) return -1;
  if (f.solid && (OutWriteString("SP") < 0 || OutWriteDecimal(f.pen) < 0)) return -1;
  return 0;
}

void WriteKeptText(const KeptCommand& kept) {
  const void* end = std::memchr(kept.bytes, 0, sizeof kept.bytes);
  const int32_t length = end != nullptr
                             ? static_cast<int32_t>(static_cast<const uint8_t*>(end) - kept.bytes)
                             : static_cast<int32_t>(sizeof kept.bytes);
  if (length > 0) RasterWrite(length, kept.bytes);
}

// The palette after an image goes straight to the host, whether a plot is open
// or not.
int32_t WriteToHost(const char* text) {
  RasterWriteText("%s", text);
  return 0;
}

// Transparency off, the pen back where the plot left it, the palette and the
// kept settings.
void WriteAfterImage(int32_t right, int32_t bottom) {
  RasterWriteText("TR0;");
  RasterWriteText("PA%d,%d", right, bottom);
  RasterWriteText("PU%d,%d", outX, outY);
  RasterWriteText("PR");
  WritePenPalette(false, WriteToHost);
  WriteKeptText(lastWindowCommand);
  WriteKeptText(lastPenCommand);
  WriteKeptText(lastWidthCommand);
  WriteKeptText(lastLineTypeCommand);
}

}  // namespace

const VectorLanguage kHpglLanguage = {
    .writeHeader = WriteHpglJobHeader,
    .writeTrailer = WriteHpglTrailer,
    .openMove = OpenMove,
    .openDraw = OpenDraw,
    .liftPen = LiftPen,
    .writePoint = WriteStep,
    .endPolyline = EndPolyline,
    .selectPen = SelectPen,
    .reselectPen = ReselectPen,
    .selectLineType = SelectLineType,
    .setPenWidth = SetPenWidth,
    .mostPolygonVertices = INT32_MAX,
    .fillPolygon = FillPolygon,
    .writeBeforeImage = nullptr,
    .writeAfterImage = WriteAfterImage,
    .raster = &kRtlFraming,
};

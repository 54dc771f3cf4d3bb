// Pens, line types and widths. Every line is drawn with one black pen except the
// red pen of a model that prints red; each last command is kept so that an
// image can restore it.
#include "vector/pens.h"

#include <cmath>
#include <cstdio>

#include "config/geometry.h"
#include "config/record.h"
#include "config/tables.h"
#include "host/protocol.h"
#include "output/buffer.h"
#include "output/qdrs.h"
#include "vector/palette.h"
#include "vector/points.h"
#include "vector/state.h"

namespace {

// The HP-GL/2 pattern length of line types 1 to 8 (index 0 unused).
constexpr double kLineTypePatternLengths[] = {0.0, 1.0, 1.0, 2.0, 2.0, 2.0, 2.0, 2.0, 2.0};
constexpr int32_t kDefinedLineTypes = 8;

constexpr double kMaxWidthMm = 297.0;
constexpr int32_t kMaxWidthQdrs = 511;  // 1/400 inch

void Fail(uint8_t* packet) {
  WriteU16(packet, kStatusAt, kStatusFailed);
}

// A short QDRS record of one word, kept and written.
int32_t WriteKeptRecord(KeptCommand& kept, uint8_t opcode, int32_t word) {
  uint8_t record[4] = {opcode, 1};
  PackShort(word, record + 2);
  KeepBytes(kept, record, sizeof record);
  return OutWriteBytes(sizeof record, record);
}

int32_t WriteKeptText(KeptCommand& kept, const char* text) {
  KeepText(kept, text);
  return OutWriteString(text);
}

// The host announces how many line types it uses; only those that have a
// pattern can be honoured, the rest draw solid.
bool ValidLineType(uint16_t type) {
  return type != 0 && type <= static_cast<uint16_t>(lineTypeCount) && type <= kDefinedLineTypes;
}

// A width the host cannot mean (negative, not a number, wider than the
// widest sheet) draws with the widest pen.
double WidthMillimetres(double inches) {
  const double mm = inches * 25.4;
  if (!(inches >= 0.0) || mm > kMaxWidthMm) return kMaxWidthMm;
  return mm;
}

int32_t WidthQdrsUnits(double inches) {
  if (inches >= 0.0 && inches * 400.0 < 1.0) return 1;
  const double v = inches * 400.0;
  if (!(v >= 1.0) || v > kMaxWidthQdrs) return kMaxWidthQdrs;
  return TruncateToInt32(v);
}

}  // namespace

int16_t MapPen(int32_t requested) {
  const bool redPrinting =
      Has(ModelAt(currentModel).hasRedPrinting) && (configRecord.jobFlags & kJobRedPrinting) != 0;
  if (redPrinting && requested == configRecord.redPen)
    return static_cast<int16_t>(configRecord.redPen);
  return defaultPen;
}

void RequestSelectPen(uint8_t* packet) {
  const int32_t requested = ReadU16(packet, kValue.value);
  if (ClosePolyline() < 0) return Fail(packet);
  currentPen = MapPen(requested);
  if (QdrsOutput()) {
    if (WriteKeptRecord(lastPenCommand, 0x41, currentPen) < 0) return Fail(packet);
    // Fills select the host's own pen: its grey comes from the pen definitions.
    if (WriteKeptRecord(lastAreaPenCommand, 0x47, requested) < 0) return Fail(packet);
    return;
  }
  char text[16];
  std::snprintf(text, sizeof text, "SP%d", currentPen);
  if (WriteKeptText(lastPenCommand, text) < 0) return Fail(packet);
}

void RequestLineType(uint8_t* packet) {
  const uint16_t type = ReadU16(packet, kValue.value);
  const bool valid = ValidLineType(type);
  if (ClosePolyline() < 0) return Fail(packet);
  if (QdrsOutput()) {
    if (WriteKeptRecord(lastLineTypeCommand, 0x43, valid ? type : 0) < 0) return Fail(packet);
    return;
  }
  char text[32] = "LT";
  if (valid) std::snprintf(text, sizeof text, "LT-%d,%.1lf", type, kLineTypePatternLengths[type]);
  if (WriteKeptText(lastLineTypeCommand, text) < 0) return Fail(packet);
}

void RequestPenWidth(uint8_t* packet) {
  const double inches = ReadF64(packet, kPenWidth.inches);
  WriteU16(packet, kStatusAt, kStatusOk);
  if (ClosePolyline() < 0) return Fail(packet);
  if (QdrsOutput()) {
    if (WriteKeptRecord(lastWidthCommand, 0x40, WidthQdrsUnits(inches)) < 0) return Fail(packet);
    return;
  }
  char text[32];
  std::snprintf(text, sizeof text, "PW%1.3lf", WidthMillimetres(inches));
  if (WriteKeptText(lastWidthCommand, text) < 0) return Fail(packet);
}

void RequestLineTypeCount(uint8_t* packet) {
  lineTypeCount = ReadI16(packet, kValue.value);
}

void RequestModelLineTypes(uint8_t* packet) {
  currentModel = ValidModel(configRecord.modelIndex) ? configRecord.modelIndex : 0;
  lineTypeCount = ReadU8(packet, kModelLineTypes.lineTypes);
}

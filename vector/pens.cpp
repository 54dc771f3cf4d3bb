// Pens, line types and widths. Every line is drawn with one black pen except the
// red pen of a model that prints red; the plot's language keeps each last
// command so that an image can restore it.
#include "vector/pens.h"

#include "config/record.h"
#include "config/tables.h"
#include "host/protocol.h"
#include "vector/language.h"
#include "vector/points.h"
#include "vector/state.h"

namespace {

// Line types 1 to 8 have a pattern in both languages.
constexpr int32_t kDefinedLineTypes = 8;

void Fail(uint8_t* packet) {
  WriteU16(packet, kStatusAt, kStatusFailed);
}

// The host announces how many line types it uses; only those that have a
// pattern can be honoured, the rest draw solid.
bool ValidLineType(uint16_t type) {
  return type != 0 && type <= static_cast<uint16_t>(lineTypeCount) && type <= kDefinedLineTypes;
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
  if (plotLanguage->selectPen(currentPen, requested) < 0) return Fail(packet);
}

void RequestLineType(uint8_t* packet) {
  const uint16_t type = ReadU16(packet, kValue.value);
  const bool valid = ValidLineType(type);
  if (ClosePolyline() < 0) return Fail(packet);
  if (plotLanguage->selectLineType(valid ? type : 0) < 0) return Fail(packet);
}

void RequestPenWidth(uint8_t* packet) {
  const double inches = ReadF64(packet, kPenWidth.inches);
  WriteU16(packet, kStatusAt, kStatusOk);
  if (ClosePolyline() < 0) return Fail(packet);
  if (plotLanguage->setPenWidth(inches) < 0) return Fail(packet);
}

void RequestLineTypeCount(uint8_t* packet) {
  lineTypeCount = ReadI16(packet, kValue.value);
}

void RequestModelLineTypes(uint8_t* packet) {
  currentModel = ValidModel(configRecord.modelIndex) ? configRecord.modelIndex : 0;
  lineTypeCount = ReadU8(packet, kModelLineTypes.lineTypes);
}

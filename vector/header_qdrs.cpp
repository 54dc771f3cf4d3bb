#include "vector/header_qdrs.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "config/geometry.h"
#include "config/record.h"
#include "config/tables.h"
#include "host/services.h"
#include "output/buffer.h"
#include "output/qdrs.h"
#include "vector/area_patterns.h"
#include "vector/job_parts.h"
#include "vector/palette.h"
#include "vector/state.h"

namespace {

// The model identification's text, by model index.
constexpr const char* kModelTexts[kModelCount] = {"LS7410"};

// The dash patterns that line types 1 to 8 select: segments in percent of the
// pattern length, drawn and blank by turns, drawn first.
struct LinePattern {
  uint8_t number;
  uint8_t segmentCount;
  uint8_t segments[9];
};
constexpr std::array<LinePattern, 8> kLinePatterns = {{
    {1, 3, {0, 100, 0}},
    {2, 3, {25, 50, 25}},
    {3, 3, {35, 30, 35}},
    {4, 5, {40, 10, 0, 10, 40}},
    {5, 5, {35, 10, 10, 10, 35}},
    {6, 7, {25, 10, 10, 10, 10, 10, 25}},
    {7, 7, {35, 10, 0, 10, 0, 10, 35}},
    {8, 9, {25, 10, 0, 10, 10, 10, 0, 10, 25}},
}};

constexpr bool PatternsCoverTheirLength() {
  for (const LinePattern& p : kLinePatterns) {
    int32_t sum = 0;
    for (int32_t k = 0; k < p.segmentCount; ++k) sum += p.segments[k];
    if (sum != 100) return false;
  }
  return true;
}
static_assert(PatternsCoverTheirLength());

constexpr int32_t kPenCount = 256;

// Only the defined bytes of a media command go out, never past its field.
int32_t WriteQdrsMedia() {
  if (!Has(ModelAt(currentModel).hasMediaTypes)) return 0;
  const char* command = MediaAt(currentModel, configRecord.mediaType).qdrsCommand;
  constexpr int32_t kField = sizeof MediaEntry::qdrsCommand;
  if (command[0] == '\0') return 0;
  int32_t length = static_cast<uint8_t>(command[3]) + 4;
  if (length > kField) length = kField;
  return OutWriteBytes(length, command);
}

int32_t WriteQdrsManualOutput() {
  if (!Has(ModelAt(currentModel).hasManualOutput)) return 0;
  if ((configRecord.jobFlags & kJobManualOutput) == 0) return 0;
  return QdrsWriteManualOutput();
}

int32_t WriteQdrsLabel() {
  const int32_t length = LabelLength();
  if (length == 0) return 0;
  return QdrsWriteLabel(labelText, length);
}

// Pattern i of the 256 that fills select; a write failure shows in the next
// examined write.
void WriteAreaPatterns() {
  for (int32_t i = 0; i < 256; ++i) {
    const AreaPattern pattern = AreaPatternOf(i);
    int32_t words[3 + kAreaPatternSize] = {i, kAreaPatternSize, kAreaPatternSize};
    for (int32_t row = 0; row < kAreaPatternSize; ++row) words[3 + row] = pattern[row];
    QdrsWriteWords(kQdrsAreaPatternDefinition, words, 3 + kAreaPatternSize);
  }
}

bool PrintsRed(int32_t pen) {
  return Has(ModelAt(currentModel).hasRedPrinting) &&
         (configRecord.jobFlags & kJobRedPrinting) != 0 && pen == configRecord.redPen;
}

// Every pen as its grey; the last black pen becomes the pen that lines use.
void WritePenDefinitions() {
  for (int32_t pen = 0; pen < kPenCount; ++pen) {
    if (PrintsRed(pen)) {
      QdrsWriteRecord(kQdrsPenDefinition, {pen, -1, -1, 0, -1});
      continue;
    }
    const int32_t grey = GreyPen(pen).red;
    QdrsWriteRecord(kQdrsPenDefinition, {pen, grey, -1, -1, -1});
    if (grey == 0) defaultPen = static_cast<int16_t>(pen);
  }
}

int32_t WriteLinePattern(const LinePattern& pattern) {
  int32_t words[1 + sizeof pattern.segments] = {pattern.number};
  for (int32_t k = 0; k < pattern.segmentCount; ++k) words[1 + k] = pattern.segments[k];
  return QdrsWriteWords(kQdrsLinePatternDefinition, words, 1 + pattern.segmentCount);
}

// Two dots, at the origin and at the far corner of the plot area: (A, B), or
// (B, A) on a sheet at least as wide as it is long. The corner is in output
// units already; converting it again like a host point would put the mark at
// half the distance on most sheets, and past any coordinate on a plot size
// that the host's units have saturated.
int32_t WriteDot(int32_t x, int32_t y) {
  if (driverErrorState != 0) return -1;
  return QdrsWriteLine(shortCoordinates != 1, x, y, 0, 0);
}

int32_t WriteCornerMarks() {
  if (WriteDot(0, 0) < 0) return -1;
  if (widthAtLeastLength == 0) return WriteDot(plotLengthUnits, plotWidthUnits);
  return WriteDot(plotWidthUnits, plotLengthUnits);
}

}  // namespace

int32_t WriteQdrsJobHeader() {
  if (QdrsWriteJobPart(OutWriteBytes, kQdrsPartOpaque) < 0) return -1;  // the job starts
  if (WriteQdrsMedia() < 0) return -1;
  QdrsWriteCopies(JobCopies());
  if (WriteQdrsManualOutput() < 0) return -1;
  if (WriteQdrsModelSetup() < 0) return -1;
  if (WriteQdrsLabel() < 0) return -1;
  WorkOutPlotUnits();
  WriteAreaPatterns();
  WritePenDefinitions();
  if (WriteQdrsPenSetup() < 0) return FailHeader();
  if (QdrsWriteRecord(kQdrsPenWidth, {0}) < 0) return FailHeader();
  if (WriteCornerMarks() < 0) return FailHeader();
  if (QdrsWriteRecord(kQdrsPenWidth, {1}) < 0) return FailHeader();
  return 0;
}

void WriteQdrsTrailer() {
  WriteQdrsJobEnd();
  QdrsWriteJobPart(OutWriteBytes, kQdrsPartEnd);
}

int32_t WriteQdrsModelSetup() {
  if (QdrsWriteFrameBlock() < 0) return -1;
  if (QdrsWriteModelIdentification(kModelTexts[ValidModel(currentModel) ? currentModel : 0]) < 0)
    return -1;
  return QdrsWriteModelSetUp();
}

int32_t WriteQdrsPenSetup() {
  if (QdrsWriteRecord(kQdrsLinePen, {7}) < 0) return -1;
  if (QdrsWriteRecord(kQdrsAreaPen, {7}) < 0) return -1;
  for (const LinePattern& pattern : kLinePatterns)
    if (WriteLinePattern(pattern) < 0) return -1;
  return QdrsWritePenSetUp();
}

int32_t WriteQdrsJobEnd() {
  if (QdrsWriteFrameBlock() < 0) return -1;
  return QdrsWriteJobEndMarker();
}

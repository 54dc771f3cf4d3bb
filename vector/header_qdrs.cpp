#include "vector/header_qdrs.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "config/geometry.h"
#include "config/record.h"
#include "config/tables.h"
#include "output/buffer.h"
#include "output/qdrs.h"
#include "vector/area_patterns.h"
#include "vector/job_parts.h"
#include "vector/palette.h"
#include "vector/points.h"
#include "vector/state.h"

namespace {

// Job set-up, sent ahead of the model record at the start and ahead of the job
// end marker at the end.
// clang-format off
constexpr std::array<uint8_t, 70> kJobFrameBlock = {
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFF,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFE,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFD,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFC,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFB,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02,
};
// clang-format on

// The model identification record of each model, by model index.
constexpr std::array<std::array<uint8_t, 10>, kModelCount> kModelIdentifications = {{
    {0xF2, 0x04, 0x08, 0x02, 'L', 'S', '7', '4', '1', '0'},
}};

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
constexpr int32_t kMaxLabelLength = static_cast<int32_t>(sizeof labelText) - 1;

// A short-form record whose words are known only at run time.
int32_t WriteWords(uint8_t opcode, const int32_t* words, int32_t count) {
  uint8_t record[2 + 2 * 32];
  int32_t n = 0;
  record[n++] = opcode;
  record[n++] = static_cast<uint8_t>(count);
  for (int32_t k = 0; k < count; ++k) n += PackShort(words[k], record + n);
  return OutWriteBytes(n, record);
}

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

// Copies travel as two hexadecimal characters.
int32_t WriteQdrsCopies() {
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(JobCopies()));
  if (QdrsWriteFixed({0x9B, 0x4E, 0x00, 0x02}) < 0) return -1;
  return OutWriteString(digits);
}

int32_t WriteQdrsManualOutput() {
  if (!Has(ModelAt(currentModel).hasManualOutput)) return 0;
  if ((configRecord.jobFlags & kJobManualOutput) == 0) return 0;
  return QdrsWriteFixed({0x9B, 0x62, 0x00, 0x02, 0x00, 0x00});
}

// The label padded to whole words.
int32_t WriteQdrsLabel() {
  const int32_t length = LabelLength();
  if (length == 0) return 0;
  uint8_t record[4 + kMaxLabelLength + 1];
  int32_t n = 0;
  record[n++] = 0x14;
  n += PackByte(1 + (length + 1) / 2, record + n);
  n += PackShort(length, record + n);
  std::memcpy(record + n, labelText, length);
  n += length;
  if (length % 2 != 0) record[n++] = 0;
  return OutWriteBytes(n, record);
}

// Pattern i of the 256 that fills select; a write failure shows in the next
// examined write.
void WriteAreaPatterns() {
  for (int32_t i = 0; i < 256; ++i) {
    const AreaPattern pattern = AreaPatternOf(i);
    int32_t words[3 + kAreaPatternSize] = {i, kAreaPatternSize, kAreaPatternSize};
    for (int32_t row = 0; row < kAreaPatternSize; ++row) words[3 + row] = pattern[row];
    WriteWords(0x32, words, 3 + kAreaPatternSize);
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
      QdrsWriteRecord(0x30, {pen, -1, -1, 0, -1});
      continue;
    }
    const int32_t grey = GreyPen(pen).red;
    QdrsWriteRecord(0x30, {pen, grey, -1, -1, -1});
    if (grey == 0) defaultPen = static_cast<int16_t>(pen);
  }
}

int32_t WriteLinePattern(const LinePattern& pattern) {
  int32_t words[1 + sizeof pattern.segments] = {pattern.number};
  for (int32_t k = 0; k < pattern.segmentCount; ++k) words[1 + k] = pattern.segments[k];
  return WriteWords(0x36, words, 1 + pattern.segmentCount);
}

// Two dots, at the origin and at the far corner of the plot area: (A, B), or
// (B, A) on a sheet at least as wide as it is long. The corner is in output
// units already; converting it again like a host point would put the mark at
// half the distance on most sheets, and past any coordinate on a plot size
// that the host's units have saturated.
int32_t WriteCornerMarks() {
  if (QdrsDot(0, 0) < 0) return -1;
  if (widthAtLeastLength == 0) return QdrsDot(plotLengthUnits, plotWidthUnits);
  return QdrsDot(plotWidthUnits, plotLengthUnits);
}

const std::array<uint8_t, 10>& ModelIdentification() {
  return kModelIdentifications[ValidModel(currentModel) ? currentModel : 0];
}

}  // namespace

int32_t WriteQdrsJobHeader() {
  if (QdrsWriteFixed({0x9B, 0x5E, 0x00, 0x02, 0x00, 0x02}) < 0) return -1;  // job start
  if (WriteQdrsMedia() < 0) return -1;
  WriteQdrsCopies();
  if (WriteQdrsManualOutput() < 0) return -1;
  if (WriteQdrsModelSetup() < 0) return -1;
  if (WriteQdrsLabel() < 0) return -1;
  WorkOutPlotUnits();
  WriteAreaPatterns();
  WritePenDefinitions();
  if (WriteQdrsPenSetup() < 0) return FailHeader();
  if (QdrsWriteFixed({0x40, 0x01, 0x00, 0x00}) < 0) return FailHeader();  // width 0
  if (WriteCornerMarks() < 0) return FailHeader();
  if (QdrsWriteFixed({0x40, 0x01, 0x00, 0x01}) < 0) return FailHeader();  // width 1
  return 0;
}

void WriteQdrsTrailer() {
  WriteQdrsJobEnd();
  QdrsWriteFixed({0x9B, 0x5E, 0x00, 0x02, 0x00, 0x00});  // job end
}

int32_t WriteQdrsModelSetup() {
  if (OutWriteBytes(kJobFrameBlock.size(), kJobFrameBlock.data()) < 0) return -1;
  if (OutWriteBytes(ModelIdentification().size(), ModelIdentification().data()) < 0) return -1;
  if (QdrsWriteFixed({0x20, 0x00}) < 0) return -1;
  return QdrsWriteFixed({0x23, 0x00});
}

int32_t WriteQdrsPenSetup() {
  if (QdrsWriteFixed({0x41, 0x01, 0x00, 0x07}) < 0) return -1;  // line pen 7
  if (QdrsWriteFixed({0x47, 0x01, 0x00, 0x07}) < 0) return -1;  // area pen 7
  for (const LinePattern& pattern : kLinePatterns)
    if (WriteLinePattern(pattern) < 0) return -1;
  if (QdrsWriteFixed({0x42, 0x01, 0x00, 0x01}) < 0) return -1;
  if (QdrsWriteFixed({0x44, 0x01, 0x00, 0x02}) < 0) return -1;
  if (QdrsWriteFixed({0x45, 0x01, 0x00, 0x03}) < 0) return -1;
  if (QdrsWriteFixed({0x39, 0x01, 0x00, 0x00}) < 0) return -1;
  if (QdrsWriteFixed({0x48, 0x01, 0x00, 0x02}) < 0) return -1;
  return QdrsWriteFixed({0x50, 0x01, 0x00, 0x01});
}

int32_t WriteQdrsJobEnd() {
  if (OutWriteBytes(kJobFrameBlock.size(), kJobFrameBlock.data()) < 0) return -1;
  return QdrsWriteFixed({0xF3, 0x01, 0x00, 0x01});  // job end marker
}

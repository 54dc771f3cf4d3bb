#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "config/record.h"
#include "config/tables.h"
#include "host/geometry.h"
#include "output/buffer.h"
#include "output/qdrs.h"
#include "vector/header.h"
#include "vector/header_parts.h"
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

// The area patterns are 16 x 16 ordered dithers: pattern p sets the bit of a
// cell exactly when p lies below the cell's threshold, so pattern 0 is solid,
// pattern 255 empty, and every step lighter clears one more cell.
// clang-format off
constexpr uint8_t kAreaPatternThresholds[16][16] = {
    {  2, 210,  34, 242,  74, 154, 106, 186,   3, 211,  35, 243,  75, 155, 107, 187},
    {146,  66, 178,  98, 218,  10, 250,  42, 147,  67, 179,  99, 219,  11, 251,  43},
    {194,  18, 226,  50, 138,  90, 170, 122, 195,  19, 227,  51, 139,  91, 171, 123},
    { 82, 130, 114, 162,  26, 202,  58, 234,  83, 131, 115, 163,  27, 203,  59, 235},
    {110, 190,  78, 158,  38, 246,   6, 214, 111, 191,  79, 159,  39, 247,   7, 215},
    {254,  46, 222,  14, 182, 102, 150,  70, 255,  47, 223,  15, 183, 103, 151,  71},
    {174, 126, 142,  94, 230,  54, 198,  22, 175, 127, 143,  95, 231,  55, 199,  23},
    { 62, 238,  30, 206, 118, 166,  86, 134,  63, 239,  31, 207, 119, 167,  87, 135},
    {  4, 212,  36, 244,  76, 156, 108, 188,   5, 213,  37, 245,  77, 157, 109, 189},
    {148,  68, 180, 100, 220,  12, 252,  44, 149,  69, 181, 101, 221,  13, 253,  45},
    {196,  20, 228,  52, 140,  92, 172, 124, 197,  21, 229,  53, 141,  93, 173, 125},
    { 84, 132, 116, 164,  28, 204,  60, 236,  85, 133, 117, 165,  29, 205,  61, 237},
    {112, 192,  80, 160,  40, 248,   8, 216, 113, 193,  81, 161,  41, 249,   9, 217},
    {255,  48, 224,  16, 184, 104, 152,  72,   1,  49, 225,  17, 185, 105, 153,  73},
    {176, 128, 144,  96, 232,  56, 200,  24, 177, 129, 145,  97, 233,  57, 201,  25},
    { 64, 240,  32, 208, 120, 168,  88, 136,  65, 241,  33, 209, 121, 169,  89, 137},
};
// clang-format on

// Area pattern i has the lightness T(T(T(i))) on this curve: applied three
// times, it lifts the middle greys, so halftone fills print lighter than the
// pen's grey alone would make them.
// clang-format off
constexpr std::array<int16_t, 256> kAreaPatternCurve = {
      0,   3,   6,  12,  14,  17,  20,  22,  25,  28,  30,  32,  35,  37,  39,  42,
     44,  46,  48,  50,  52,  54,  56,  58,  60,  62,  64,  66,  68,  70,  72,  73,
     75,  77,  79,  80,  82,  84,  85,  87,  89,  90,  92,  93,  95,  97,  98, 100,
    101, 102, 104, 105, 107, 108, 110, 111, 112, 114, 115, 116, 118, 119, 120, 122,
    123, 124, 126, 127, 128, 129, 130, 132, 133, 134, 135, 136, 138, 139, 140, 141,
    142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157,
    158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 170, 171, 172,
    173, 174, 175, 176, 177, 178, 178, 179, 180, 181, 182, 183, 183, 184, 185, 186,
    187, 188, 188, 189, 190, 191, 191, 192, 193, 194, 194, 195, 196, 197, 197, 198,
    199, 200, 200, 201, 202, 202, 203, 204, 204, 205, 206, 207, 207, 208, 209, 209,
    210, 210, 211, 212, 212, 213, 214, 214, 215, 215, 216, 217, 217, 218, 218, 219,
    220, 220, 221, 221, 222, 222, 223, 224, 224, 225, 225, 226, 226, 227, 227, 228,
    228, 229, 229, 230, 230, 231, 231, 232, 232, 233, 233, 234, 234, 235, 235, 236,
    236, 237, 237, 238, 238, 239, 239, 239, 240, 240, 241, 241, 242, 242, 242, 243,
    243, 244, 244, 245, 245, 245, 246, 246, 246, 247, 247, 248, 248, 248, 249, 249,
    249, 250, 250, 251, 251, 251, 252, 252, 252, 253, 253, 253, 254, 254, 254, 255,
};
// clang-format on

constexpr bool CurveStaysInPatternRange() {
  for (size_t i = 0; i < kAreaPatternCurve.size(); ++i) {
    if (kAreaPatternCurve[i] < 0 || kAreaPatternCurve[i] > 255) return false;
    if (i > 0 && kAreaPatternCurve[i] < kAreaPatternCurve[i - 1]) return false;
  }
  return true;
}
static_assert(CurveStaysInPatternRange());

constexpr int32_t kAreaPatternSize = 16;
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

uint16_t AreaPatternRow(int32_t lightness, int32_t row) {
  uint16_t bits = 0;
  for (int32_t column = 0; column < kAreaPatternSize; ++column)
    if (lightness < kAreaPatternThresholds[row][column]) bits |= 0x8000 >> column;
  return bits;
}

// Pattern i of the 256 that fills select; a write failure shows in the next
// examined write.
void WriteAreaPatterns() {
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t lightness = kAreaPatternCurve[kAreaPatternCurve[kAreaPatternCurve[i]]];
    int32_t words[3 + kAreaPatternSize] = {i, kAreaPatternSize, kAreaPatternSize};
    for (int32_t row = 0; row < kAreaPatternSize; ++row)
      words[3 + row] = AreaPatternRow(lightness, row);
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

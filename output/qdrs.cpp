#include "output/qdrs.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "output/buffer.h"

namespace {

// The job set-up block: five marks counting down from FFFF, then a sixth
// left open, as the device expects them.
// clang-format off
constexpr std::array<uint8_t, 70> kFrameBlock = {
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFF,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFE,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFD,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFC,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02, 0xFF, 0xFB,
    0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02,
};
// clang-format on

// The model identification's first word, ahead of its six characters.
constexpr uint8_t kModelIdentificationHead[] = {kQdrsModelIdentification, 0x04, 0x08, 0x02};
constexpr int32_t kModelTextLength = 6;

// The most bytes a job-control record of ours carries (the image placement's 26).
constexpr int32_t kMostControlBytes = 32;
constexpr int32_t kLongestLabel = 64;

// One coordinate in the width the sheet allows: a value past the 16-bit form
// is written as the nearest number the form has, never wrapped to the other side.
int32_t PackCoordinate(bool wide, int32_t value, uint8_t* to) {
  if (wide) return PackLong(value, to);
  return PackShort(value > INT16_MAX ? INT16_MAX : value < INT16_MIN ? INT16_MIN : value, to);
}

}  // namespace

int32_t PackLong(int32_t value, uint8_t* to) {
  const uint32_t v = static_cast<uint32_t>(value);
  to[0] = static_cast<uint8_t>(v >> 24);
  to[1] = static_cast<uint8_t>(v >> 16);
  to[2] = static_cast<uint8_t>(v >> 8);
  to[3] = static_cast<uint8_t>(v);
  return 4;
}

int32_t PackShort(int32_t value, uint8_t* to) {
  const uint32_t v = static_cast<uint32_t>(value);
  to[0] = static_cast<uint8_t>(v >> 8);
  to[1] = static_cast<uint8_t>(v);
  return 2;
}

int32_t PackByte(int32_t value, uint8_t* to) {
  to[0] = static_cast<uint8_t>(value);
  return 1;
}

int32_t QdrsWriteWords(uint8_t opcode, const int32_t* words, int32_t count) {
  uint8_t record[2 + 2 * 255];
  if (count < 0) count = 0;
  if (count > 255) count = 255;
  int32_t n = 0;
  record[n++] = opcode;
  record[n++] = static_cast<uint8_t>(count);
  for (int32_t k = 0; k < count; ++k) n += PackShort(words[k], record + n);
  return OutWriteBytes(n, record);
}

int32_t QdrsWriteRecord(uint8_t opcode, std::initializer_list<int32_t> words) {
  return QdrsWriteWords(opcode, words.begin(), static_cast<int32_t>(words.size()));
}

int32_t QdrsPackWordRecord(uint8_t opcode, int32_t word, uint8_t* to) {
  to[0] = opcode;
  to[1] = 1;
  return 2 + PackShort(word, to + 2);
}

int32_t QdrsWriteLabel(const char* text, int32_t length) {
  if (length < 0) length = 0;
  if (length > kLongestLabel) length = kLongestLabel;
  uint8_t record[4 + kLongestLabel + 1];
  int32_t n = 0;
  record[n++] = kQdrsLabel;
  n += PackByte(1 + (length + 1) / 2, record + n);
  n += PackShort(length, record + n);
  std::memcpy(record + n, text, length);
  n += length;
  if (length % 2 != 0) record[n++] = 0;
  return OutWriteBytes(n, record);
}

int32_t QdrsWriteModelIdentification(const char* text) {
  uint8_t record[sizeof kModelIdentificationHead + kModelTextLength];
  std::memcpy(record, kModelIdentificationHead, sizeof kModelIdentificationHead);
  std::memcpy(record + sizeof kModelIdentificationHead, text, kModelTextLength);
  return OutWriteBytes(sizeof record, record);
}

int32_t QdrsWriteJobEndMarker() {
  return QdrsWriteRecord(kQdrsJobEndMarker, {1});
}

int32_t QdrsWriteModelSetUp() {
  for (const uint8_t opcode : kQdrsModelSetUpOpcodes)
    if (QdrsWriteWords(opcode, nullptr, 0) < 0) return -1;
  return 0;
}

int32_t QdrsWritePenSetUp() {
  for (const QdrsFixedRecord& r : kQdrsPenSetUpRecords)
    if (QdrsWriteRecord(r.opcode, {r.word}) < 0) return -1;
  return 0;
}

int32_t QdrsWriteFrameBlock() {
  return OutWriteBytes(kFrameBlock.size(), kFrameBlock.data());
}

int32_t QdrsWriteLine(bool wide, int32_t x, int32_t y, int32_t dx, int32_t dy) {
  uint8_t record[2 + 4 * 4];
  int32_t n = 0;
  record[n++] = wide ? kQdrsLineLong : kQdrsLineShort;
  record[n++] = wide ? 8 : 4;
  n += PackCoordinate(wide, x, record + n);
  n += PackCoordinate(wide, y, record + n);
  n += PackCoordinate(wide, dx, record + n);
  n += PackCoordinate(wide, dy, record + n);
  return OutWriteBytes(n, record);
}

int32_t QdrsWritePolygonHead(bool wide, int32_t vertices, int32_t x, int32_t y) {
  // The device reads the word count as a 16-bit number; the callers keep
  // within it.
  const int32_t words = wide ? 4 * vertices : 2 * vertices;
  uint8_t head[2 + 2 + 2 * 4];
  int32_t n = 0;
  head[n++] = kQdrsLongForm;
  head[n++] = wide ? kQdrsPolygonLong : kQdrsPolygonShort;
  n += PackShort(static_cast<uint16_t>(words), head + n);
  n += PackCoordinate(wide, x, head + n);
  n += PackCoordinate(wide, y, head + n);
  return OutWriteBytes(n, head);
}

int32_t QdrsWriteStepPair(bool wide, int32_t dx, int32_t dy) {
  uint8_t pair[2 * 4];
  int32_t n = PackCoordinate(wide, dx, pair);
  n += PackCoordinate(wide, dy, pair + n);
  return OutWriteBytes(n, pair);
}

int32_t QdrsWriteJobControl(QdrsSink sink, uint8_t opcode, const uint8_t* bytes, int32_t count) {
  if (count < 0 || count > kMostControlBytes) return -1;
  uint8_t record[4 + kMostControlBytes];
  int32_t n = 0;
  record[n++] = kQdrsJobControl;
  record[n++] = opcode;
  n += PackShort(count, record + n);
  std::memcpy(record + n, bytes, count);
  return sink(n + count, record);
}

int32_t QdrsWriteJobPart(QdrsSink sink, uint8_t part) {
  const uint8_t word[] = {0x00, part};
  return QdrsWriteJobControl(sink, kQdrsJobPart, word, sizeof word);
}

int32_t QdrsWriteCopies(int32_t copies) {
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(copies) & 0xFF);
  return QdrsWriteJobControl(OutWriteBytes, kQdrsCopies, reinterpret_cast<const uint8_t*>(digits),
                             2);
}

int32_t QdrsWriteManualOutput() {
  const uint8_t word[] = {0x00, 0x00};
  return QdrsWriteJobControl(OutWriteBytes, kQdrsManualOutput, word, sizeof word);
}

int32_t QdrsWriteRasterResolution(QdrsSink sink, int32_t dpi) {
  if (dpi != 400 && dpi != 200) return 0;
  const uint8_t word[] = {0x00, static_cast<uint8_t>(dpi == 400 ? 1 : 0)};
  return QdrsWriteJobControl(sink, kQdrsRasterResolution, word, sizeof word);
}

int32_t QdrsWriteRasterMode(QdrsSink sink, uint16_t mode) {
  uint8_t word[2];
  PackShort(mode, word);
  return QdrsWriteJobControl(sink, kQdrsRasterMode, word, sizeof word);
}

int32_t QdrsWriteImagePlacement(QdrsSink sink, const std::array<int32_t, 6>& numbers) {
  uint8_t bytes[6 * 4 + 2];
  int32_t n = 0;
  for (const int32_t number : numbers) n += PackLong(number, bytes + n);
  bytes[n++] = 0x00;
  bytes[n++] = 0x01;
  return QdrsWriteJobControl(sink, kQdrsImagePlacement, bytes, n);
}

int32_t QdrsWriteImageData(QdrsSink sink, const uint8_t* data, int32_t n) {
  uint8_t head[6] = {kQdrsJobControl, kQdrsImageData};
  PackLong(n, head + 2);
  if (sink(sizeof head, head) < 0) return -1;
  return sink(n, data);
}

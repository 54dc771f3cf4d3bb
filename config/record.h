#pragma once
// The 40-byte settings record that the host stores between runs, and the values
// kept beside it. The layout is the host's (kRecord): little-endian, every field
// at its natural alignment, so a plain struct matches it byte for byte.
#include <cstddef>
#include <cstdint>

#include "host/protocol.h"

struct ConfigRecord {
  int32_t copies;
  int32_t paperSize;     // 1-based index into the model's paper sizes
  int32_t customLength;  // millimetres, for sizes that take a custom length
  int16_t mediaType;
  int16_t finishProgram;
  int16_t finishMargins;
  int16_t finishBin;
  int32_t redPen;
  int16_t reserved24;
  int16_t margin;  // millimetres, all four sides
  uint16_t plotFlags;
  uint16_t jobFlags;
  int16_t modelIndex;
  uint8_t toneLevels[5];
  uint8_t reserved39;
};
static_assert(sizeof(ConfigRecord) == kRecord.size);
static_assert(offsetof(ConfigRecord, copies) == kRecord.copies);
static_assert(offsetof(ConfigRecord, paperSize) == kRecord.paperSize);
static_assert(offsetof(ConfigRecord, customLength) == kRecord.customLength);
static_assert(offsetof(ConfigRecord, mediaType) == kRecord.mediaType);
static_assert(offsetof(ConfigRecord, finishProgram) == kRecord.finishProgram);
static_assert(offsetof(ConfigRecord, finishMargins) == kRecord.finishMargins);
static_assert(offsetof(ConfigRecord, finishBin) == kRecord.finishBin);
static_assert(offsetof(ConfigRecord, redPen) == kRecord.redPen);
static_assert(offsetof(ConfigRecord, reserved24) == kRecord.reserved24);
static_assert(offsetof(ConfigRecord, margin) == kRecord.margin);
static_assert(offsetof(ConfigRecord, plotFlags) == kRecord.plotFlags);
static_assert(offsetof(ConfigRecord, jobFlags) == kRecord.jobFlags);
static_assert(offsetof(ConfigRecord, modelIndex) == kRecord.modelIndex);
static_assert(offsetof(ConfigRecord, toneLevels) == kRecord.toneLevels);
static_assert(offsetof(ConfigRecord, reserved39) == kRecord.reserved39);

constexpr int32_t kConfigRecordSize = kRecord.size;
// The most copies a job may ask for.
constexpr int32_t kMaxCopies = 99;

extern ConfigRecord configRecord;
extern ConfigRecord workingRecord;

// The model whose device-table entries every lookup uses.
extern int32_t currentModel;
// The model chosen by the host's model query, saved into the record.
extern int32_t selectedModel;
// The plot label: set by the main dialog, written into the job header.
extern char labelText[65];
// The copies of the plot in progress, as the settings summary shows them.
extern int32_t copyCount;

inline bool QdrsOutput() {
  return (configRecord.jobFlags & kJobQdrsOutput) != 0;
}

// Every field to its default; the model index is left as it is.
void SetConfigDefaults(ConfigRecord& record, int32_t model);
// A record from the host is taken as stored when every field lies in the range
// the dialogs allow; a field outside it would index past a table or break the
// geometry, so it takes its default instead.
void RepairConfigRecord(ConfigRecord& record);
// The custom length in millimetres that a paper size starts with.
int32_t DefaultCustomLength(int32_t model, int32_t paperSize);

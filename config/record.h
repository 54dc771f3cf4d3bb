#pragma once
// The 40-byte settings record that the host stores between runs, and the values
// kept beside it. The layout is the host's: little-endian, every field at its
// natural alignment, so a plain struct matches it byte for byte.
#include <cstddef>
#include <cstdint>

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
static_assert(sizeof(ConfigRecord) == 40);
static_assert(offsetof(ConfigRecord, customLength) == 8);
static_assert(offsetof(ConfigRecord, mediaType) == 12);
static_assert(offsetof(ConfigRecord, finishBin) == 18);
static_assert(offsetof(ConfigRecord, redPen) == 20);
static_assert(offsetof(ConfigRecord, margin) == 26);
static_assert(offsetof(ConfigRecord, plotFlags) == 28);
static_assert(offsetof(ConfigRecord, jobFlags) == 30);
static_assert(offsetof(ConfigRecord, modelIndex) == 32);
static_assert(offsetof(ConfigRecord, toneLevels) == 34);

constexpr int32_t kConfigRecordSize = 40;
// The most copies a job may ask for.
constexpr int32_t kMaxCopies = 99;

// plotFlags
constexpr uint16_t kPlotSerialPort = 0x0001;
constexpr uint16_t kPlotHandshakeMask = 0x0300;
constexpr uint16_t kPlotHandshakeXonXoff = 0x0000;
constexpr uint16_t kPlotHandshakeHardware = 0x0100;
constexpr uint16_t kPlotHalftoneFill = 0x1000;
constexpr uint16_t kPlotEightBitEncoding = 0x2000;

// jobFlags
constexpr uint16_t kJobRedPrinting = 0x0010;
constexpr uint16_t kJobQdrsOutput = 0x0040;
constexpr uint16_t kJobManualOutput = 0x0080;
constexpr uint16_t kJobResolutionMask = 0x0F00;
constexpr uint16_t kJob600Dpi = 0x0100;
constexpr uint16_t kJob400Dpi = 0x0200;
constexpr uint16_t kJob300Dpi = 0x0400;
constexpr uint16_t kJob200Dpi = 0x0800;
constexpr uint16_t kJobLongSheet = 0x1000;

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

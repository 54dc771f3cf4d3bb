#pragma once
// The record that PLADI hands to the host and that the host reads in place: the
// driver's name, the two request handlers, the host strings and, from offset
// 504 on, the device tables.
#include <cstdint>

#include "config/tables.h"

#pragma pack(push, 1)
struct DriverDescriptor {
  char name[81];
  uint8_t zeros81[329];
  uint32_t controlHandler;
  uint32_t graphicsHandler;
  uint16_t value4;
  uint8_t zeros420[12];
  uint16_t value3;
  char plotterNameVariable[15];
  char platform[32];
  uint16_t value6;
  char release[21];
  ModelEntry models[kModelCount];
  uint8_t zeros558[2];
  // Paper entry i of model m sits at 480 + 80 (44m + i); index 0 of the first
  // block, which no paper size uses, falls on the fields above.
  PaperEntry papers[kPaperBlock * kModelBlocks - 1];
  MediaEntry media[kMediaBlock * kModelBlocks];
  FinishEntry finishPrograms[kFinishProgramBlock * kModelBlocks];
  FinishEntry finishMargins[kFinishMarginsBlock * kModelBlocks];
  FinishEntry finishBins[kFinishBinBlock * kModelBlocks];
};
#pragma pack(pop)

static_assert(offsetof(DriverDescriptor, controlHandler) == 410);
static_assert(offsetof(DriverDescriptor, graphicsHandler) == 414);
static_assert(offsetof(DriverDescriptor, value3) == 432);
static_assert(offsetof(DriverDescriptor, plotterNameVariable) == 434);
static_assert(offsetof(DriverDescriptor, platform) == 449);
static_assert(offsetof(DriverDescriptor, value6) == 481);
static_assert(offsetof(DriverDescriptor, release) == 483);
static_assert(offsetof(DriverDescriptor, models) == 504);
static_assert(offsetof(DriverDescriptor, papers) == 560);

constexpr int32_t kDriverNameSize = 81;

extern DriverDescriptor driverDescriptor;

// The device tables as shipped: a custom length stays in the paper table for
// the life of the process. The request handlers' addresses are kept.
void RestoreDeviceTables();

#pragma once
// The record that PLADI hands to the host and that the host reads in place: the
// driver's name, the two request handlers, the host strings and, from offset
// 504 on, the device tables.
#include <cstdint>

#include "config/tables.h"

#pragma pack(push, 1)
struct DriverDescriptor {
  char name[81];
  uint8_t hostReserved81[329];  // zero: the host's, not the driver's
  uint32_t controlHandler;
  uint32_t graphicsHandler;
  uint16_t interfaceMajor;      // 4, of the interface ADI 4.3
  uint8_t hostReserved420[12];  // zero
  uint16_t interfaceMinor;      // 3, of ADI 4.3: the interface level the handshake asks for
  char plotterNameVariable[15];
  char platform[32];
  uint16_t releaseLength;  // the characters of `release`
  char release[21];
  ModelEntry models[kModelCount];
  uint8_t paperBlockPadding[2];  // zero: the paper entries start at 560
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
static_assert(offsetof(DriverDescriptor, interfaceMinor) == 432);
static_assert(offsetof(DriverDescriptor, plotterNameVariable) == 434);
static_assert(offsetof(DriverDescriptor, platform) == 449);
static_assert(offsetof(DriverDescriptor, releaseLength) == 481);
static_assert(offsetof(DriverDescriptor, release) == 483);
static_assert(offsetof(DriverDescriptor, models) == 504);
static_assert(offsetof(DriverDescriptor, papers) == 560);

constexpr int32_t kDriverNameSize = 81;

extern DriverDescriptor driverDescriptor;

// The device tables as shipped: a custom length stays in the paper table for
// the life of the process. The request handlers' addresses are kept.
void RestoreDeviceTables();

#pragma once
// The record that PLADI hands to the host and that the host reads in place: the
// driver's name, the two request handlers, the host strings and, from offset
// 504 on (512 on 64-bit), the device tables.
#include <cstddef>
#include <cstdint>

#include "config/tables.h"
#include "host/protocol.h"

#pragma pack(push, 1)
struct DriverDescriptor {
  char name[81];
  uint8_t hostReserved81[329];  // zero: the host's, not the driver's
  // Addresses: 4 bytes each on the 32-bit builds, 8 on 64-bit ones.
  WireAddress controlHandler;
  WireAddress graphicsHandler;
  uint16_t interfaceMajor;      // 4, of the interface ADI 4.3
  uint8_t hostReserved420[12];  // zero
  uint16_t interfaceMinor;      // 3, of ADI 4.3: the interface level the handshake asks for
  char plotterNameVariable[15];
  char platform[32];
  uint16_t releaseLength;  // the characters of `release`
  char release[21];
  ModelEntry models[kModelCount];
  uint8_t paperBlockPadding[2];  // zero: the paper entries start at 560 (568 on 64-bit)
  // Paper entry i of model m sits at 480 + 80 (44m + i) (8 more on 64-bit); index 0 of the first
  // block, which no paper size uses, falls on the fields above.
  PaperEntry papers[kPaperBlock * kModelBlocks - 1];
  MediaEntry media[kMediaBlock * kModelBlocks];
  FinishEntry finishPrograms[kFinishProgramBlock * kModelBlocks];
  FinishEntry finishMargins[kFinishMarginsBlock * kModelBlocks];
  FinishEntry finishBins[kFinishBinBlock * kModelBlocks];
};
#pragma pack(pop)

// The host reads the handlers where the protocol puts them; the fields behind
// them stand where the 32-bit layout has them, moved by what the handlers grow.
static_assert(offsetof(DriverDescriptor, name) == kDescriptor.name);
static_assert(sizeof(DriverDescriptor::name) == kDescriptor.nameSize);
static_assert(offsetof(DriverDescriptor, controlHandler) == kDescriptor.controlHandler);
static_assert(offsetof(DriverDescriptor, graphicsHandler) == kDescriptor.graphicsHandler);
static_assert(offsetof(DriverDescriptor, models) == kDescriptor.deviceTables);
static_assert(offsetof(DriverDescriptor, interfaceMajor) == 418 + kHandlerGrowth);
static_assert(offsetof(DriverDescriptor, interfaceMinor) == 432 + kHandlerGrowth);
static_assert(offsetof(DriverDescriptor, plotterNameVariable) == 434 + kHandlerGrowth);
static_assert(offsetof(DriverDescriptor, platform) == 449 + kHandlerGrowth);
static_assert(offsetof(DriverDescriptor, releaseLength) == 481 + kHandlerGrowth);
static_assert(offsetof(DriverDescriptor, release) == 483 + kHandlerGrowth);
static_assert(offsetof(DriverDescriptor, papers) == 560 + kHandlerGrowth);

constexpr int32_t kDriverNameSize = kDescriptor.nameSize;

extern DriverDescriptor driverDescriptor;

// The device tables as shipped: a custom length stays in the paper table for
// the life of the process. The request handlers' addresses are kept.
void RestoreDeviceTables();

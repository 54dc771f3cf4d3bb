#pragma once
// Puts the driver's module-level state back to a known start, so that tests
// sharing one process do not see each other's plots, records or failures.
#include <cstring>

#include "config/device_tables.h"
#include "config/record.h"
#include "host/descriptor.h"
#include "host/entry.h"
#include "host/geometry.h"
#include "host/messages.h"
#include "host/services.h"
#include "output/buffer.h"
#include "raster/image.h"
#include "tools/host/host_kernel.h"
#include "vector/state.h"

// A code neither handler answers: the driver leaves its packet as it was.
constexpr int16_t kUnansweredGraphics = 1;

// Custom sizes keep the last custom length in the table, and some tests lend
// the model a capability; every test starts from the shipped tables.
inline void RestoreDeviceTables() {
  for (size_t i = 0; i < kPaperSizes.size(); ++i)
    driverDescriptor.papers[i].sheetLength = kPaperSizes[i].sheetLength;
  driverDescriptor.models[0].hasRedPrinting = kModels[0].hasRedPrinting;
}

// A fresh driver connected to a fresh fake host with the default record.
inline DriverLink ResetDriver() {
  OutClose();
  driverErrorState = 0;
  plotOpen = 0;
  copyCount = 1;
  configRecord = ConfigRecord{};
  SetConfigDefaults(configRecord, 0);
  currentModel = 0;
  selectedModel = 0;
  labelText[0] = '\0';
  imageMarker = 0;
  penState = previousPenState = kPenIdle;
  penReselectDue = 0;
  std::strcpy(polylineCommand, "PE7");
  hostX = hostY = -1;
  defaultPen = 7;
  lineTypeCount = 0;
  hostFlagWord = 0;
  shortCoordinates = 1;
  previousHostSetting = -1;
  RestoreDeviceTables();
  hostLog = HostLog{};
  LoadMessages();
  return ConnectDriver(&PLADI);
}

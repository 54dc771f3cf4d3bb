#pragma once
// Puts the driver's module-level state back to a known start, so that tests
// sharing one process do not see each other's plots, records or failures.
#include <cstring>

#include "config/device_tables.h"
#include "config/record.h"
#include "host/descriptor.h"
#include "host/geometry.h"
#include "host/messages.h"
#include "host/services.h"
#include "output/buffer.h"
#include "tools/host_kernel.h"

extern "C" uint32_t __attribute__((stdcall)) PLADI(uint32_t services, uint32_t unused);

// Custom sizes keep the last custom length in the table; tests start from the
// shipped values.
inline void RestorePaperTable() {
  for (size_t i = 0; i < kPaperSizes.size(); ++i)
    driverDescriptor.papers[i].sheetLength = kPaperSizes[i].sheetLength;
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
  RestorePaperTable();
  hostLog = HostLog{};
  LoadMessages();
  return ConnectDriver(&PLADI);
}

#pragma once
// Puts the driver's module-level state back to a known start, so that tests
// sharing one process do not see each other's plots, records or failures.
#include <cstring>

#include "config/descriptor.h"
#include "config/geometry.h"
#include "config/record.h"
#include "host/entry.h"
#include "host/messages.h"
#include "host/services.h"
#include "output/buffer.h"
#include "raster/image.h"
#include "tools/host/host_kernel.h"
#include "vector/reset.h"
#include "vector/state.h"

// A code neither handler answers: the driver leaves its packet as it was.
constexpr int16_t kUnansweredGraphics = 1;

// A fresh driver connected to a fresh fake host with the default record and
// the message texts loaded.
inline DriverLink ResetDriver() {
  ResetDriverState();
  hostLog = HostLog{};
  LoadMessages();
  return ConnectDriver(&PLADI);
}

#include "host/services.h"

#include <cstdarg>
#include <cstdio>

#include "config/record.h"
#include "platform/abi.h"

uint8_t* currentPacket = nullptr;
uint8_t driverErrorState = 0;
uint32_t hostWindow = 0;

namespace {

// Slots of the host's service table that the driver uses; slot n is at byte 4n.
constexpr int kSlotPrintMessage = 28;
constexpr int kSlotDeviceControl = 35;
constexpr int kSlotWriteBytes = 40;
constexpr int kSlotGetConfig = 44;
constexpr int kSlotSaveConfig = 45;
constexpr int kSlotSwapSetting = 48;

using PrintFn = void(DRIVER_CDECL*)(const char*);
using WriteFn = int32_t(DRIVER_CDECL*)(int32_t, int32_t, uint32_t, int32_t, int32_t);
using ConfigFn = int32_t(DRIVER_CDECL*)(int32_t, uint32_t);
using SwapFn = int32_t(DRIVER_CDECL*)(int32_t, int32_t);

const uint32_t* hostServices = nullptr;

// The line is formatted here, bounded, whatever the arguments hold.
char messageLine[1024];

template <typename Fn>
Fn Slot(int slot) {
  if (hostServices == nullptr || hostServices[slot] == 0) return nullptr;
  return reinterpret_cast<Fn>(static_cast<uintptr_t>(hostServices[slot]));
}

}  // namespace

void HostSetServices(uint32_t table) {
  hostServices = PointerAt<const uint32_t>(table);
}

void HostPrintMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(messageLine, sizeof messageLine, format, args);
  va_end(args);
  if (auto print = Slot<PrintFn>(kSlotPrintMessage)) print(messageLine);
}

void HostSendDeviceControl(const char* text) {
  if (auto send = Slot<PrintFn>(kSlotDeviceControl)) send(text);
}

int32_t HostWriteBytes(int32_t length, const void* bytes) {
  auto write = Slot<WriteFn>(kSlotWriteBytes);
  return write ? write(1, 0, AddressOf(bytes), length, 0) : 0;
}

int32_t HostGetConfig(int32_t size, void* record) {
  auto get = Slot<ConfigFn>(kSlotGetConfig);
  return get ? get(size, AddressOf(record)) : -1;
}

int32_t HostSaveConfig(int32_t size, void* record) {
  auto save = Slot<ConfigFn>(kSlotSaveConfig);
  return save ? save(size, AddressOf(record)) : -1;
}

int32_t HostSwapSetting(int32_t value, int32_t one) {
  auto swap = Slot<SwapFn>(kSlotSwapSetting);
  return swap ? swap(value, one) : -1;
}

int32_t FetchConfigRecord() {
  const int32_t result = HostGetConfig(kConfigRecordSize, &configRecord);
  RepairConfigRecord(configRecord);
  return result;
}

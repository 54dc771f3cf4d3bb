#include "host/services.h"

#include <cstdarg>
#include <cstdio>

#include "config/record.h"

uint8_t* currentPacket = nullptr;
uint8_t driverErrorState = 0;
WireAddress hostWindow = 0;

namespace {

// The host's table of entry points, one address-sized slot each.
const WireAddress* hostServices = nullptr;

// The line is formatted here, bounded, whatever the arguments hold.
char messageLine[1024];

template <typename Fn>
Fn Slot(int32_t slot) {
  if (hostServices == nullptr || hostServices[slot] == 0) return nullptr;
  return reinterpret_cast<Fn>(hostServices[slot]);
}

}  // namespace

void HostSetServices(WireAddress table) {
  hostServices = PointerAt<const WireAddress>(table);
}

void HostPrintMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(messageLine, sizeof messageLine, format, args);
  va_end(args);
  if (auto print = Slot<PrintServiceFn>(kSlotPrintMessage)) print(messageLine);
}

void HostSendDeviceControl(const char* text) {
  if (auto send = Slot<PrintServiceFn>(kSlotDeviceControl)) send(text);
}

int32_t HostWriteBytes(int32_t length, const void* bytes) {
  auto write = Slot<WriteServiceFn>(kSlotWriteBytes);
  return write ? write(1, 0, AddressOf(bytes), length, 0) : 0;
}

int32_t HostGetConfig(int32_t size, void* record) {
  auto get = Slot<RecordServiceFn>(kSlotGetConfig);
  return get ? get(size, AddressOf(record)) : -1;
}

int32_t HostSaveConfig(int32_t size, void* record) {
  auto save = Slot<RecordServiceFn>(kSlotSaveConfig);
  return save ? save(size, AddressOf(record)) : -1;
}

int32_t HostSwapSetting(int32_t value, int32_t one) {
  auto swap = Slot<SwapServiceFn>(kSlotSwapSetting);
  return swap ? swap(value, one) : -1;
}

int32_t FetchConfigRecord() {
  const int32_t result = HostGetConfig(kConfigRecordSize, &configRecord);
  RepairConfigRecord(configRecord);
  return result;
}

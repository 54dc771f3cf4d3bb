#pragma once
// The driver's frame towards the host: the host's service table, the packet in
// progress, the error state and the six operations through which every other
// module reaches the host.
#include <cstdint>

#include "host/protocol.h"

extern uint8_t* currentPacket;

// 0 healthy; kErrorRefused after a refused host or a failed configuration
// fetch or save; kErrorOutput after a failed write or an abort. While it is not
// 0 every output operation fails at once.
extern uint8_t driverErrorState;
constexpr uint8_t kErrorRefused = 0x89;
constexpr uint8_t kErrorOutput = 0xFF;

// The host's window, taken from the handshake; owner of the image failure box.
extern WireAddress hostWindow;

void HostSetServices(WireAddress table);
void HostPrintMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
void HostSendDeviceControl(const char* text);
// Nonzero means the host took the bytes.
int32_t HostWriteBytes(int32_t length, const void* bytes);
// 0 means success for both configuration services.
int32_t HostGetConfig(int32_t size, void* record);
int32_t HostSaveConfig(int32_t size, void* record);
int32_t HostSwapSetting(int32_t value, int32_t one);

// Fetches the settings record through the host and repairs it where it
// enters; returns the host's result.
int32_t FetchConfigRecord();

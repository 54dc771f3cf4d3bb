// The control requests: handshake and version check, the capability answers,
// the configuration record, the plot set-up and the message texts.
#include "host/control.h"

#include <cstring>

#include "config/descriptor.h"
#include "config/record.h"
#include "config/tables.h"
#include "host/handlers.h"
#include "host/messages.h"
#include "host/packet.h"
#include "host/services.h"
#include "host/setup.h"

namespace {

using Handler = void (*)(uint8_t*);

// The interface level this driver speaks; hosts below it are refused.
constexpr int16_t kInterfaceLevel = 3;
// The earliest host release the driver works with.
constexpr uint8_t kLowestRelease = 2;

constexpr uint16_t kVersionWrongHost = 0xFFFD;
constexpr uint16_t kVersionTooOld = 0xFFFB;

constexpr int32_t kTableSize = 256;
constexpr uint16_t kTableAnswerLength = 6 + kTableSize;
constexpr int32_t kTableAt = 6;

constexpr uint32_t kCapabilityBit = 0x80000;
constexpr double kDoubleTableValue = 0.00278;
constexpr int32_t kDoubleTableAt = 16;

// 2: taken without an answer.
void RequestNothing(uint8_t*) {}

// 11: the host's interface level and its window.
void RequestHandshake(uint8_t* p) {
  WriteU16(p, 0, kStatusOk);
  if (ReadI16(p, 4) < kInterfaceLevel) {
    ReportMessage(kMsgWrongVersion);
    driverErrorState = kErrorRefused;
    WriteU16(p, 0, kStatusFailed);
    return;
  }
  WriteU16(p, 4, kInterfaceLevel);
  WriteU16(p, 6, 0);
  hostWindow = ReadU32(p, 11);
}

// 20: the model query. The plot set-up fetches again and decides on the result;
// here only the model's name is answered.
void RequestModelQuery(uint8_t* p) {
  FetchConfigRecord();
  selectedModel = 0;
  currentModel = 0;
  WriteU16(p, 0, kStatusOk);
  WriteU16(p, 2, 40);
  WriteU16(p, 4, 1);
  WriteU16(p, 6, 0);
  std::memcpy(p + 8, ModelAt(0).name, sizeof ModelAt(0).name);
}

void RequestPlotSetUp(uint8_t* p) {
  WriteU16(p, 0, PlotSetUp());
}

void WriteByteTable(uint8_t* p, uint16_t value, uint8_t (*entry)(int32_t)) {
  WriteU16(p, 0, kStatusOk);
  WriteU16(p, 2, kTableAnswerLength);
  WriteU16(p, 4, value);
  for (int32_t k = 0; k < kTableSize; ++k) p[kTableAt + k] = entry(k);
}

// 22, 23 and 25: three 256-entry byte tables.
void RequestZeroTable(uint8_t* p) {
  WriteByteTable(p, 7, [](int32_t) -> uint8_t { return 0; });
}
void RequestOnesTable(uint8_t* p) {
  WriteByteTable(p, 255, [](int32_t) -> uint8_t { return 1; });
}
void RequestRampTable(uint8_t* p) {
  WriteByteTable(p, 255, [](int32_t k) -> uint8_t { return k == 0 ? 1 : static_cast<uint8_t>(k); });
}

// 40: capabilities; one bit is added to the host's word, the others stay.
void RequestCapabilities(uint8_t* p) {
  WriteU16(p, 0, kStatusOk);
  WriteU8(p, 4, 1);
  WriteU32(p, 5, ReadU32(p, 5) | kCapabilityBit);
  WriteU8(p, 139, 2);
  WriteU8(p, 140, 0);
}

// 44: 256 doubles. The sum at offset 2 is taken from the host's fields before
// anything is written; offsets 8 to 15 stay as the host wrote them.
void RequestDoubleTable(uint8_t* p) {
  const uint16_t sum = static_cast<uint16_t>(ReadU16(p, 8) + ReadU16(p, 12));
  WriteU16(p, 0, kStatusOk);
  WriteU16(p, 2, sum);
  WriteU32(p, 4, 255);
  for (int32_t k = 0; k < kTableSize; ++k) WriteF64(p, kDoubleTableAt + 8 * k, kDoubleTableValue);
}

// 47: the host refuses the save: report it and block output.
void RequestSaveConfig(uint8_t* p) {
  WriteU16(p, 0, kStatusOk);
  configRecord.modelIndex = static_cast<int16_t>(selectedModel);
  if (HostSaveConfig(kConfigRecordSize, &configRecord) != 0) {
    ReportMessage(kMsgSaveFailed);
    driverErrorState = kErrorRefused;
    WriteU16(p, 0, kStatusFailed);
  }
}

void RequestLoadMessages(uint8_t*) {
  LoadMessages();
}

struct ControlEntry {
  int16_t code;
  bool blockedByError;  // answers 0xFFFF and does nothing while a failure stands
  Handler handler;
};

// The control requests that the driver answers; any other code leaves the
// packet as the host wrote it.
constexpr ControlEntry kControlRequests[] = {
    {2, false, RequestNothing},      {11, true, RequestHandshake},
    {20, false, RequestModelQuery},  {21, true, RequestPlotSetUp},
    {22, false, RequestZeroTable},   {23, false, RequestOnesTable},
    {25, false, RequestRampTable},   {40, true, RequestCapabilities},
    {44, false, RequestDoubleTable}, {47, true, RequestSaveConfig},
    {49, false, VersionCheck},       {50, false, RequestLoadMessages},
};

}  // namespace

extern "C" void ControlRequest(uint8_t* packet) {
  currentPacket = packet;
  const int16_t code = ReadI16(packet, 0);
  for (const ControlEntry& entry : kControlRequests) {
    if (entry.code != code) continue;
    if (entry.blockedByError && driverErrorState != 0) return WriteU16(packet, 0, kStatusFailed);
    return entry.handler(packet);
  }
}

// 49, for both handlers: clears the failure state, then checks the caller. The
// answer goes to offset 10; offset 0 keeps the request code.
void VersionCheck(uint8_t* p) {
  driverErrorState = 0;
  WriteU16(p, 10, 0);
  WriteU16(p, 12, 0);
  std::memcpy(p + 86, driverDescriptor.name, kDriverNameSize);
  if (ReadU16(p, 4) != 1) {
    ReportMessage(kMsgWrongHost);
    WriteU16(p, 10, kVersionWrongHost);
    driverErrorState = kErrorRefused;
    return;
  }
  if (ReadU8(p, 7) < kLowestRelease) {
    ReportMessage(kMsgWrongVersion);
    WriteU16(p, 10, kVersionTooOld);
    driverErrorState = kErrorRefused;
  }
}

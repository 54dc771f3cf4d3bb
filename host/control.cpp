// The control requests: handshake and version check, the capability answers,
// the configuration record, the plot set-up and the message texts.
#include "host/control.h"

#include <cstring>

#include "config/descriptor.h"
#include "config/record.h"
#include "config/tables.h"
#include "host/handlers.h"
#include "host/messages.h"
#include "host/protocol.h"
#include "host/services.h"
#include "host/setup.h"

namespace {

using Handler = void (*)(uint8_t*);

constexpr int32_t kTableSize = 256;
constexpr double kDoubleTableValue = 0.00278;

// 2: taken without an answer.
void RequestNothing(uint8_t*) {}

// 11: the host's interface level and its window.
void RequestHandshake(uint8_t* p) {
  WriteU16(p, kStatusAt, kStatusOk);
  if (ReadI16(p, kHandshake.level) < kInterfaceLevel) {
    ReportMessage(kMsgWrongVersion);
    driverErrorState = kErrorRefused;
    WriteU16(p, kStatusAt, kStatusFailed);
    return;
  }
  WriteU16(p, kHandshake.level, kInterfaceLevel);
  WriteU16(p, kHandshake.zero, 0);
  hostWindow = ReadAddress(p, kHandshake.window);
}

// 20: the model query. The plot set-up fetches again and decides on the result;
// here only the model's name is answered.
void RequestModelQuery(uint8_t* p) {
  FetchConfigRecord();
  selectedModel = 0;
  currentModel = 0;
  WriteU16(p, kStatusAt, kStatusOk);
  WriteU16(p, kModelQuery.answeredLength, kModelQuery.size);
  WriteU16(p, kModelQuery.one, 1);
  WriteU16(p, kModelQuery.zero, 0);
  std::memcpy(p + kModelQuery.modelName, ModelAt(0).name, sizeof ModelAt(0).name);
}

void RequestPlotSetUp(uint8_t* p) {
  WriteU16(p, kStatusAt, PlotSetUp());
}

void WriteByteTable(uint8_t* p, uint16_t value, uint8_t (*entry)(int32_t)) {
  WriteU16(p, kStatusAt, kStatusOk);
  WriteU16(p, kByteTable.answeredLength, kByteTable.size);
  WriteU16(p, kByteTable.value, value);
  for (int32_t k = 0; k < kTableSize; ++k) p[kByteTable.table + k] = entry(k);
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
  WriteU16(p, kStatusAt, kStatusOk);
  WriteU8(p, kCapabilities.one, 1);
  WriteU32(p, kCapabilities.capabilityWord,
           ReadU32(p, kCapabilities.capabilityWord) | kCapabilityBit);
  WriteU8(p, kCapabilities.answerTwo, 2);
  WriteU8(p, kCapabilities.answerZero, 0);
}

// 44: 256 doubles. The sum at offset 2 is taken from the host's fields before
// anything is written; offsets 8 to 15 stay as the host wrote them.
void RequestDoubleTable(uint8_t* p) {
  const uint16_t sum = static_cast<uint16_t>(ReadU16(p, kDoubleTable.firstAddend) +
                                             ReadU16(p, kDoubleTable.secondAddend));
  WriteU16(p, kStatusAt, kStatusOk);
  WriteU16(p, kDoubleTable.sum, sum);
  WriteU32(p, kDoubleTable.count, 255);
  for (int32_t k = 0; k < kTableSize; ++k)
    WriteF64(p, kDoubleTable.doubles + 8 * k, kDoubleTableValue);
}

// 47: the host refuses the save: report it and block output.
void RequestSaveConfig(uint8_t* p) {
  WriteU16(p, kStatusAt, kStatusOk);
  configRecord.modelIndex = static_cast<int16_t>(selectedModel);
  if (HostSaveConfig(kConfigRecordSize, &configRecord) != 0) {
    ReportMessage(kMsgSaveFailed);
    driverErrorState = kErrorRefused;
    WriteU16(p, kStatusAt, kStatusFailed);
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
    {kControlNothing, false, RequestNothing},
    {kControlHandshake, true, RequestHandshake},
    {kControlModelQuery, false, RequestModelQuery},
    {kControlPlotSetUp, true, RequestPlotSetUp},
    {kControlZeroTable, false, RequestZeroTable},
    {kControlOnesTable, false, RequestOnesTable},
    {kControlRampTable, false, RequestRampTable},
    {kControlCapabilities, true, RequestCapabilities},
    {kControlDoubleTable, false, RequestDoubleTable},
    {kControlSaveConfig, true, RequestSaveConfig},
    {kControlVersionCheck, false, VersionCheck},
    {kControlLoadMessages, false, RequestLoadMessages},
};

}  // namespace

extern "C" void ControlRequest(uint8_t* packet) {
  currentPacket = packet;
  const int16_t code = ReadI16(packet, kCodeAt);
  for (const ControlEntry& entry : kControlRequests) {
    if (entry.code != code) continue;
    if (entry.blockedByError && driverErrorState != 0)
      return WriteU16(packet, kStatusAt, kStatusFailed);
    return entry.handler(packet);
  }
}

// 49, for both handlers: clears the failure state, then checks the caller. The
// answer goes to offset 10; offset 0 keeps the request code.
void VersionCheck(uint8_t* p) {
  driverErrorState = 0;
  WriteU16(p, kVersionCheck.result, 0);
  WriteU16(p, kVersionCheck.zero, 0);
  std::memcpy(p + kVersionCheck.driverName, driverDescriptor.name, kDriverNameSize);
  if (ReadU16(p, kVersionCheck.hostMarker) != kExpectedHost) {
    ReportMessage(kMsgWrongHost);
    WriteU16(p, kVersionCheck.result, kVersionWrongHost);
    driverErrorState = kErrorRefused;
    return;
  }
  if (ReadU8(p, kVersionCheck.release) < kLowestRelease) {
    ReportMessage(kMsgWrongVersion);
    WriteU16(p, kVersionCheck.result, kVersionTooOld);
    driverErrorState = kErrorRefused;
  }
}

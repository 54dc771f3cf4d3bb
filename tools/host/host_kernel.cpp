#include "tools/host/host_kernel.h"

#include <cstring>

#include "host/packet.h"

HostLog hostLog;

namespace {

#define HOST_CALL __attribute__((cdecl))

void HOST_CALL PrintSlot(const char* line) {
  if (hostLog.printSink != nullptr) return hostLog.printSink(line);
  hostLog.lines.emplace_back(line);
}

void HOST_CALL DeviceControlSlot(const char* text) {
  if (hostLog.controlSink != nullptr) return hostLog.controlSink(text);
  hostLog.controls.emplace_back(text);
}

int32_t HOST_CALL WriteSlot(int32_t, int32_t, uint32_t address, int32_t count, int32_t) {
  ++hostLog.writeCalls;
  const bool fail = hostLog.failWriteAt != 0 &&
                    (hostLog.writeCalls == hostLog.failWriteAt ||
                     (hostLog.failAllWritesFrom && hostLog.writeCalls > hostLog.failWriteAt));
  if (fail || count < 0) return 0;
  const char* bytes = reinterpret_cast<const char*>(static_cast<uintptr_t>(address));
  if (hostLog.writeSink != nullptr) {
    if (hostLog.writeSink(bytes, count) == 0) return 0;
    hostLog.writeSizes.push_back(count);
    return 1;
  }
  hostLog.output.append(bytes, count);
  hostLog.writeSizes.push_back(count);
  return 1;
}

int32_t HOST_CALL GetConfigSlot(int32_t size, uint32_t address) {
  ++hostLog.getCalls;
  if (hostLog.getResult != 0) return hostLog.getResult;
  if (hostLog.haveStoredRecord && size == 40)
    std::memcpy(reinterpret_cast<void*>(static_cast<uintptr_t>(address)),
                hostLog.storedRecord.data(), 40);
  return hostLog.haveStoredRecord ? 0 : 1;
}

int32_t HOST_CALL SaveConfigSlot(int32_t size, uint32_t address) {
  ++hostLog.saveCalls;
  if (hostLog.saveResult != 0) return hostLog.saveResult;
  if (size == 40) {
    std::memcpy(hostLog.storedRecord.data(),
                reinterpret_cast<const void*>(static_cast<uintptr_t>(address)), 40);
    hostLog.haveStoredRecord = true;
    if (hostLog.saveSink != nullptr) hostLog.saveSink(hostLog.storedRecord);
  }
  return 0;
}

int32_t HOST_CALL SwapSlot(int32_t value, int32_t one) {
  hostLog.swapCalls.emplace_back(value, one);
  if (hostLog.swapSink != nullptr) hostLog.swapSink(value, hostLog.swapAnswer);
  return hostLog.swapAnswer;
}

uint32_t hostTable[64];

template <typename Fn>
uint32_t Address(Fn fn) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(fn));
}

}  // namespace

void ResetHostLog() {
  const bool kept = hostLog.haveStoredRecord;
  const auto record = hostLog.storedRecord;
  hostLog = HostLog{};
  hostLog.haveStoredRecord = kept;
  hostLog.storedRecord = record;
}

uint32_t HostTableAddress() {
  hostTable[28] = Address(&PrintSlot);
  hostTable[35] = Address(&DeviceControlSlot);
  hostTable[40] = Address(&WriteSlot);
  hostTable[44] = Address(&GetConfigSlot);
  hostTable[45] = Address(&SaveConfigSlot);
  hostTable[48] = Address(&SwapSlot);
  return Address(hostTable);
}

DriverLink ConnectDriver(PladiFn pladi) {
  DriverLink d;
  const uint32_t address = pladi(HostTableAddress(), 0);
  d.descriptor = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(address));
  d.control = reinterpret_cast<RequestFn>(static_cast<uintptr_t>(ReadU32(d.descriptor, 410)));
  d.graphics = reinterpret_cast<RequestFn>(static_cast<uintptr_t>(ReadU32(d.descriptor, 414)));
  return d;
}

Packet MakePacket(int16_t code) {
  Packet p;
  WriteU16(p.data(), 0, static_cast<uint16_t>(code));
  return p;
}

uint16_t Control(const DriverLink& d, Packet& p) {
  d.control(p.data());
  return p.status();
}

uint16_t Graphics(const DriverLink& d, Packet& p) {
  d.graphics(p.data());
  return p.status();
}

void RunHandshake(const DriverLink& d) {
  Packet version = MakePacket(49);
  WriteU16(version.data(), 4, 1);
  WriteU8(version.data(), 7, 2);
  Control(d, version);
  Packet messages = MakePacket(50);
  Control(d, messages);
  Packet handshake = MakePacket(11);
  WriteU16(handshake.data(), 4, 3);
  Control(d, handshake);
  Packet model = MakePacket(20);
  Control(d, model);
  Packet setup = MakePacket(21);
  Control(d, setup);
}

void RunDrawingStart(const DriverLink& d) {
  Packet reset = MakePacket(49);
  WriteU16(reset.data(), 4, 1);
  WriteU8(reset.data(), 7, 2);
  Graphics(d, reset);
  Packet messages = MakePacket(50);
  Graphics(d, messages);
  Packet fetch = MakePacket(29);
  WriteU16(fetch.data(), 4, 3);
  Graphics(d, fetch);
  Packet area = MakePacket(48);
  WriteF64(area.data(), 9, 1000.0);
  WriteF64(area.data(), 17, 1000.0);
  WriteF64(area.data(), 41, 1016.0);
  WriteF64(area.data(), 49, 1016.0);
  Graphics(d, area);
  Packet summary = MakePacket(31);
  Graphics(d, summary);
}

uint16_t BeginPlot(const DriverLink& d) {
  Packet p = MakePacket(30);
  return Graphics(d, p);
}

uint16_t EndPlot(const DriverLink& d) {
  Packet p = MakePacket(2);
  return Graphics(d, p);
}

namespace {
uint16_t PointRequest(const DriverLink& d, int16_t code, uint16_t x, uint16_t y) {
  Packet p = MakePacket(code);
  WriteU16(p.data(), 4, x);
  WriteU16(p.data(), 6, y);
  return Graphics(d, p);
}
uint16_t ValueRequest(const DriverLink& d, int16_t code, uint16_t value) {
  Packet p = MakePacket(code);
  WriteU16(p.data(), 4, value);
  return Graphics(d, p);
}
}  // namespace

uint16_t MoveTo(const DriverLink& d, uint16_t x, uint16_t y) {
  return PointRequest(d, 3, x, y);
}
uint16_t DrawTo(const DriverLink& d, uint16_t x, uint16_t y) {
  return PointRequest(d, 4, x, y);
}
uint16_t LiftPen(const DriverLink& d) {
  Packet p = MakePacket(8);
  return Graphics(d, p);
}
uint16_t SelectPen(const DriverLink& d, uint16_t pen) {
  return ValueRequest(d, 5, pen);
}
uint16_t SelectLineType(const DriverLink& d, uint16_t type) {
  return ValueRequest(d, 7, type);
}
uint16_t SetLineTypeCount(const DriverLink& d, int16_t count) {
  return ValueRequest(d, 36, static_cast<uint16_t>(count));
}

uint16_t SetPenWidth(const DriverLink& d, double inches) {
  Packet p = MakePacket(41);
  WriteF64(p.data(), 4, inches);
  return Graphics(d, p);
}

uint16_t FillPolygon(const DriverLink& d, int16_t pen, const std::vector<uint16_t>& xy) {
  Packet p = MakePacket(33);
  WriteU16(p.data(), 6, static_cast<uint16_t>(pen));
  WriteU16(p.data(), 10, static_cast<uint16_t>(xy.size() / 2));
  for (size_t i = 0; i < xy.size() && 12 + 2 * i + 2 <= p.bytes.size(); ++i)
    WriteU16(p.data(), static_cast<int32_t>(12 + 2 * i), xy[i]);
  return Graphics(d, p);
}

uint16_t FillPolygonAt(const DriverLink& d, int16_t pen, const std::vector<uint16_t>& xy) {
  Packet p = MakePacket(54);
  WriteU16(p.data(), 4, static_cast<uint16_t>(pen));
  WriteU16(p.data(), 6, static_cast<uint16_t>(xy.size() / 2));
  WriteU32(p.data(), 8, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(xy.data())));
  return Graphics(d, p);
}

void StoreRecord(const uint8_t (&record)[40]) {
  std::memcpy(hostLog.storedRecord.data(), record, 40);
  hostLog.haveStoredRecord = true;
}

void StoreDefaultRecord(bool qdrs) {
  uint8_t record[40] = {};
  WriteU32(record, 0, 1);    // copies
  WriteU32(record, 4, 2);    // E-arch
  WriteU32(record, 8, 396);  // custom length
  WriteU16(record, 24, 2);
  WriteU16(record, 28, 0x1000);                  // halftone fill
  WriteU16(record, 30, qdrs ? 0x0240 : 0x0100);  // language and resolution
  const uint8_t tone[5] = {0, 123, 187, 228, 255};
  std::memcpy(record + 34, tone, 5);
  StoreRecord(record);
}

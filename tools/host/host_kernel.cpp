#include "tools/host/host_kernel.h"

#include <cstring>

#include "host/protocol.h"

HostLog hostLog;

namespace {

void DRIVER_CDECL PrintSlot(const char* line) {
  if (hostLog.printSink != nullptr) return hostLog.printSink(line);
  hostLog.lines.emplace_back(line);
}

void DRIVER_CDECL DeviceControlSlot(const char* text) {
  if (hostLog.controlSink != nullptr) return hostLog.controlSink(text);
  hostLog.controls.emplace_back(text);
}

int32_t DRIVER_CDECL WriteSlot(int32_t, int32_t, WireAddress address, int32_t count, int32_t) {
  ++hostLog.writeCalls;
  const bool fail = hostLog.failWriteAt != 0 &&
                    (hostLog.writeCalls == hostLog.failWriteAt ||
                     (hostLog.failAllWritesFrom && hostLog.writeCalls > hostLog.failWriteAt));
  if (fail || count < 0) return 0;
  const char* bytes = PointerAt<const char>(address);
  if (hostLog.writeSink != nullptr) {
    if (hostLog.writeSink(bytes, count) == 0) return 0;
    hostLog.writeSizes.push_back(count);
    return 1;
  }
  hostLog.output.append(bytes, count);
  hostLog.writeSizes.push_back(count);
  return 1;
}

int32_t DRIVER_CDECL GetConfigSlot(int32_t size, WireAddress address) {
  ++hostLog.getCalls;
  if (hostLog.getResult != 0) return hostLog.getResult;
  if (hostLog.haveStoredRecord && size == kRecord.size)
    std::memcpy(PointerAt<void>(address), hostLog.storedRecord.data(), kRecord.size);
  return hostLog.haveStoredRecord ? 0 : 1;
}

int32_t DRIVER_CDECL SaveConfigSlot(int32_t size, WireAddress address) {
  ++hostLog.saveCalls;
  if (hostLog.saveResult != 0) return hostLog.saveResult;
  if (size == kRecord.size) {
    std::memcpy(hostLog.storedRecord.data(), PointerAt<const void>(address), kRecord.size);
    hostLog.haveStoredRecord = true;
    if (hostLog.saveSink != nullptr) hostLog.saveSink(hostLog.storedRecord);
  }
  return 0;
}

int32_t DRIVER_CDECL SwapSlot(int32_t value, int32_t one) {
  hostLog.swapCalls.emplace_back(value, one);
  if (hostLog.swapSink != nullptr) hostLog.swapSink(value, hostLog.swapAnswer);
  return hostLog.swapAnswer;
}

WireAddress hostTable[kServiceTableSlots];

}  // namespace

void ResetHostLog() {
  const bool kept = hostLog.haveStoredRecord;
  const auto record = hostLog.storedRecord;
  hostLog = HostLog{};
  hostLog.haveStoredRecord = kept;
  hostLog.storedRecord = record;
}

WireAddress HostTableAddress() {
  hostTable[kSlotPrintMessage] = EntryAddress(&PrintSlot);
  hostTable[kSlotDeviceControl] = EntryAddress(&DeviceControlSlot);
  hostTable[kSlotWriteBytes] = EntryAddress(&WriteSlot);
  hostTable[kSlotGetConfig] = EntryAddress(&GetConfigSlot);
  hostTable[kSlotSaveConfig] = EntryAddress(&SaveConfigSlot);
  hostTable[kSlotSwapSetting] = EntryAddress(&SwapSlot);
  return AddressOf(hostTable);
}

DriverLink ConnectDriver(PladiFn pladi) {
  DriverLink d;
  d.descriptor = PointerAt<const uint8_t>(pladi(HostTableAddress(), 0));
  d.control =
      reinterpret_cast<RequestHandler>(ReadAddress(d.descriptor, kDescriptor.controlHandler));
  d.graphics =
      reinterpret_cast<RequestHandler>(ReadAddress(d.descriptor, kDescriptor.graphicsHandler));
  return d;
}

Packet MakePacket(int16_t code) {
  Packet p;
  WriteU16(p.data(), kCodeAt, static_cast<uint16_t>(code));
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

Packet VersionCheckPacket(int16_t code) {
  Packet p = MakePacket(code);
  WriteU16(p.data(), kVersionCheck.hostMarker, kExpectedHost);
  WriteU8(p.data(), kVersionCheck.release, kLowestRelease);
  return p;
}

Packet HandshakePacket(int16_t code) {
  Packet p = MakePacket(code);
  WriteU16(p.data(), kHandshake.level, kInterfaceLevel);
  return p;
}

Packet PaperListPacket(double length, double width, double unitsPerInch, double across) {
  Packet p = MakePacket(kGraphicsPaperList);
  WriteF64(p.data(), kPlotArea.length, length);
  WriteF64(p.data(), kPlotArea.width, width);
  WriteF64(p.data(), kPlotArea.unitsAlongLength, unitsPerInch);
  WriteF64(p.data(), kPlotArea.unitsAlongWidth, across);
  return p;
}

void RunHandshake(const DriverLink& d) {
  Packet version = VersionCheckPacket(kControlVersionCheck);
  Control(d, version);
  Packet messages = MakePacket(kControlLoadMessages);
  Control(d, messages);
  Packet handshake = HandshakePacket(kControlHandshake);
  Control(d, handshake);
  Packet model = MakePacket(kControlModelQuery);
  Control(d, model);
  Packet setup = MakePacket(kControlPlotSetUp);
  Control(d, setup);
}

void RunDrawingStart(const DriverLink& d) {
  Packet reset = VersionCheckPacket(kGraphicsReset);
  Graphics(d, reset);
  Packet messages = MakePacket(kGraphicsLoadMessages);
  Graphics(d, messages);
  Packet fetch = HandshakePacket(kGraphicsConfigFetch);
  Graphics(d, fetch);
  Packet area = PaperListPacket(1000.0, 1000.0, 1016.0, 1016.0);
  Graphics(d, area);
  Packet summary = MakePacket(kGraphicsSummary);
  Graphics(d, summary);
}

uint16_t BeginPlot(const DriverLink& d) {
  Packet p = MakePacket(kGraphicsBeginPlot);
  return Graphics(d, p);
}

uint16_t EndPlot(const DriverLink& d) {
  Packet p = MakePacket(kGraphicsEndPlot);
  return Graphics(d, p);
}

namespace {
uint16_t PointRequest(const DriverLink& d, int16_t code, uint16_t x, uint16_t y) {
  Packet p = MakePacket(code);
  WriteU16(p.data(), kPoint.x, x);
  WriteU16(p.data(), kPoint.y, y);
  return Graphics(d, p);
}
uint16_t ValueRequest(const DriverLink& d, int16_t code, uint16_t value) {
  Packet p = MakePacket(code);
  WriteU16(p.data(), kValue.value, value);
  return Graphics(d, p);
}
}  // namespace

uint16_t MoveTo(const DriverLink& d, uint16_t x, uint16_t y) {
  return PointRequest(d, kGraphicsMove, x, y);
}
uint16_t DrawTo(const DriverLink& d, uint16_t x, uint16_t y) {
  return PointRequest(d, kGraphicsDraw, x, y);
}
uint16_t LiftPen(const DriverLink& d) {
  Packet p = MakePacket(kGraphicsLiftPen);
  return Graphics(d, p);
}
uint16_t SelectPen(const DriverLink& d, uint16_t pen) {
  return ValueRequest(d, kGraphicsSelectPen, pen);
}
uint16_t SelectLineType(const DriverLink& d, uint16_t type) {
  return ValueRequest(d, kGraphicsLineType, type);
}
uint16_t SetLineTypeCount(const DriverLink& d, int16_t count) {
  return ValueRequest(d, kGraphicsLineTypeCount, static_cast<uint16_t>(count));
}

uint16_t SetPenWidth(const DriverLink& d, double inches) {
  Packet p = MakePacket(kGraphicsPenWidth);
  WriteF64(p.data(), kPenWidth.inches, inches);
  return Graphics(d, p);
}

uint16_t FillPolygon(const DriverLink& d, int16_t pen, const std::vector<uint16_t>& xy) {
  Packet p = MakePacket(kGraphicsPolygonInline);
  WriteU16(p.data(), kPolygonInline.pen, static_cast<uint16_t>(pen));
  WriteU16(p.data(), kPolygonInline.count, static_cast<uint16_t>(xy.size() / 2));
  for (size_t i = 0; i < xy.size() && kPolygonInline.vertices + 2 * i + 2 <= p.bytes.size(); ++i)
    WriteU16(p.data(), static_cast<int32_t>(kPolygonInline.vertices + 2 * i), xy[i]);
  return Graphics(d, p);
}

uint16_t FillPolygonAt(const DriverLink& d, int16_t pen, const std::vector<uint16_t>& xy) {
  Packet p = MakePacket(kGraphicsPolygonAt);
  WriteU16(p.data(), kPolygonAt.pen, static_cast<uint16_t>(pen));
  WriteU16(p.data(), kPolygonAt.count, static_cast<uint16_t>(xy.size() / 2));
  WriteAddress(p.data(), kPolygonAt.vertices, AddressOf(xy.data()));
  return Graphics(d, p);
}

void StoreRecord(const uint8_t (&record)[kRecord.size]) {
  std::memcpy(hostLog.storedRecord.data(), record, kRecord.size);
  hostLog.haveStoredRecord = true;
}

void StoreSampleRecord(uint16_t jobFlags, uint32_t copies) {
  uint8_t record[kRecord.size] = {};
  WriteU32(record, kRecord.copies, copies);
  WriteU32(record, kRecord.paperSize, 2);  // E-arch
  WriteU32(record, kRecord.customLength, 396);
  WriteU16(record, kRecord.reserved24, 2);
  WriteU16(record, kRecord.plotFlags, kPlotHalftoneFill);
  WriteU16(record, kRecord.jobFlags, jobFlags);
  const uint8_t tone[5] = {0, 123, 187, 228, 255};
  std::memcpy(record + kRecord.toneLevels, tone, sizeof tone);
  StoreRecord(record);
}

void StoreDefaultRecord(bool qdrs) {
  StoreSampleRecord(qdrs ? kJobQdrsOutput | kJob400Dpi : kJob600Dpi, 1);
}

#include "tools/bench/bench_host.h"

#include <array>
#include <cstring>

#include "config/record.h"
#include "host/entry.h"
#include "host/protocol.h"
#include "vector/reset.h"

BenchOutput benchOutput;
StripSource stripSource;

namespace {

void DRIVER_CDECL IgnoreText(const char*) {}

int32_t DRIVER_CDECL WriteSlot(int32_t, int32_t, WireAddress address, int32_t count, int32_t) {
  benchOutput.bytes += count;
  if (benchOutput.keepBytes) benchOutput.kept.append(PointerAt<const char>(address), count);
  return 1;
}

// The host hands back the record the driver starts with.
int32_t DRIVER_CDECL KeepRecord(int32_t, WireAddress) {
  return 0;
}

int32_t DRIVER_CDECL AcceptRecord(int32_t, WireAddress) {
  return 0;
}

int32_t DRIVER_CDECL SwapSetting(int32_t, int32_t) {
  return 5;
}

WireAddress hostTable[kServiceTableSlots];

using Packet = std::array<uint8_t, 512>;

Packet Request(int16_t code) {
  Packet p{};
  WriteU16(p.data(), kCodeAt, static_cast<uint16_t>(code));
  return p;
}

std::array<uint8_t, kStripResult.size> stripResult{};

WireAddress DRIVER_CDECL FetchStrip(WireAddress address) {
  const uint8_t* request = PointerAt<const uint8_t>(address);
  const int32_t strip = ReadI32(request, kStripRequest.firstRow);
  const int32_t count = static_cast<int32_t>(stripSource.rows.size());
  const int32_t shift = (strip / count) % kSourceSlack;
  const uint8_t* pixels = stripSource.rows[strip % count].data() + 3 * shift;
  WriteAddress(stripResult.data(), kStripResult.pixels, AddressOf(pixels));
  WriteU32(stripResult.data(), kStripResult.byteCount,
           static_cast<uint32_t>(3 * stripSource.width));
  return AddressOf(stripResult.data());
}

void DRIVER_CDECL ReleaseStrip(WireAddress) {}

}  // namespace

namespace {

BenchLink Connect() {
  ResetDriverState();
  hostTable[kSlotPrintMessage] = EntryAddress(&IgnoreText);
  hostTable[kSlotDeviceControl] = EntryAddress(&IgnoreText);
  hostTable[kSlotWriteBytes] = EntryAddress(&WriteSlot);
  hostTable[kSlotGetConfig] = EntryAddress(&KeepRecord);
  hostTable[kSlotSaveConfig] = EntryAddress(&AcceptRecord);
  hostTable[kSlotSwapSetting] = EntryAddress(&SwapSetting);
  const uint8_t* descriptor = PointerAt<const uint8_t>(PLADI(AddressOf(hostTable), 0));
  BenchLink d;
  d.control = reinterpret_cast<RequestHandler>(ReadAddress(descriptor, kDescriptor.controlHandler));
  d.graphics =
      reinterpret_cast<RequestHandler>(ReadAddress(descriptor, kDescriptor.graphicsHandler));

  auto versionCheck = [](int16_t code) {
    Packet p = Request(code);
    WriteU16(p.data(), kVersionCheck.hostMarker, kExpectedHost);
    WriteU8(p.data(), kVersionCheck.release, kLowestRelease);
    return p;
  };
  Packet version = versionCheck(kControlVersionCheck);
  d.control(version.data());
  for (int16_t code :
       {kControlLoadMessages, kControlHandshake, kControlModelQuery, kControlPlotSetUp}) {
    Packet p = Request(code);
    if (code == kControlHandshake) WriteU16(p.data(), kHandshake.level, kInterfaceLevel);
    d.control(p.data());
  }
  Packet reset = versionCheck(kGraphicsReset);
  d.graphics(reset.data());
  Packet messages = Request(kGraphicsLoadMessages);
  d.graphics(messages.data());
  Packet fetch = Request(kGraphicsConfigFetch);
  WriteU16(fetch.data(), kHandshake.level, kInterfaceLevel);
  d.graphics(fetch.data());
  // A plot area of 1000 x 1000 mm, as the host measures it.
  Packet area = Request(kGraphicsPaperList);
  WriteF64(area.data(), kPlotArea.length, 1000.0);
  WriteF64(area.data(), kPlotArea.width, 1000.0);
  WriteF64(area.data(), kPlotArea.unitsAlongLength, 1016.0);
  WriteF64(area.data(), kPlotArea.unitsAlongWidth, 1016.0);
  d.graphics(area.data());
  return d;
}

}  // namespace

const BenchLink& BenchDriver() {
  static const BenchLink link = Connect();
  return link;
}

void BenchBeginPlot(const BenchLink& d, bool qdrs, uint16_t resolution) {
  configRecord.jobFlags =
      static_cast<uint16_t>((configRecord.jobFlags & ~(kJobQdrsOutput | kJobResolutionMask)) |
                            (qdrs ? kJobQdrsOutput : 0) | resolution);
  Packet p = Request(kGraphicsBeginPlot);
  d.graphics(p.data());
}

void BenchEndPlot(const BenchLink& d) {
  Packet p = Request(kGraphicsEndPlot);
  d.graphics(p.data());
}

namespace {

void PointRequest(const BenchLink& d, int16_t code, uint16_t x, uint16_t y) {
  uint8_t p[kPoint.size] = {};
  WriteU16(p, kCodeAt, static_cast<uint16_t>(code));
  WriteU16(p, kPoint.x, x);
  WriteU16(p, kPoint.y, y);
  d.graphics(p);
}

}  // namespace

void BenchMove(const BenchLink& d, uint16_t x, uint16_t y) {
  PointRequest(d, kGraphicsMove, x, y);
}

void BenchDraw(const BenchLink& d, uint16_t x, uint16_t y) {
  PointRequest(d, kGraphicsDraw, x, y);
}

void BenchPolygon(const BenchLink& d, int16_t pen, const std::vector<uint16_t>& xy) {
  uint8_t p[kPolygonAt.size] = {};
  WriteU16(p, kCodeAt, kGraphicsPolygonAt);
  WriteU16(p, kPolygonAt.pen, static_cast<uint16_t>(pen));
  WriteU16(p, kPolygonAt.count, static_cast<uint16_t>(xy.size() / 2));
  WriteAddress(p, kPolygonAt.vertices, AddressOf(xy.data()));
  d.graphics(p);
}

void BenchImage(const BenchLink& d, int32_t width, int32_t height, int32_t widthUnits,
                int32_t heightUnits) {
  Packet p = Request(kGraphicsImage);
  uint8_t* b = p.data();
  WriteAddress(b, kImage.fetchStrip, EntryAddress(&FetchStrip));
  WriteAddress(b, kImage.releaseStrip, EntryAddress(&ReleaseStrip));
  WriteAddress(b, kImage.imageRef, 1);
  WriteU32(b, kImage.left, 400);
  WriteU32(b, kImage.bottom, 400);
  WriteU32(b, kImage.right, static_cast<uint32_t>(400 + widthUnits));
  WriteU32(b, kImage.top, static_cast<uint32_t>(400 + heightUnits));
  WriteU32(b, kImage.imageType, 2);  // colour
  WriteU32(b, kImage.pixelWidth, static_cast<uint32_t>(width));
  WriteU32(b, kImage.pixelHeight, static_cast<uint32_t>(height));
  d.graphics(b);
}

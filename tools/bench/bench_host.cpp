#include "tools/bench/bench_host.h"

#include <array>
#include <cstring>

#include "config/record.h"
#include "host/packet.h"
#include "platform/abi.h"
#include "vector/reset.h"

extern "C" uint32_t DRIVER_STDCALL PLADI(uint32_t services, uint32_t unused);

BenchOutput benchOutput;
StripSource stripSource;

namespace {

void DRIVER_CDECL IgnoreText(const char*) {}

int32_t DRIVER_CDECL WriteSlot(int32_t, int32_t, uint32_t address, int32_t count, int32_t) {
  benchOutput.bytes += count;
  if (benchOutput.keepBytes) benchOutput.kept.append(PointerAt<const char>(address), count);
  return 1;
}

// The host hands back the record the driver starts with.
int32_t DRIVER_CDECL KeepRecord(int32_t, uint32_t) {
  return 0;
}

int32_t DRIVER_CDECL AcceptRecord(int32_t, uint32_t) {
  return 0;
}

int32_t DRIVER_CDECL SwapSetting(int32_t, int32_t) {
  return 5;
}

// The service table, slot n at byte 4n.
uint32_t hostTable[64];

using Packet = std::array<uint8_t, 512>;

Packet Request(int16_t code) {
  Packet p{};
  WriteU16(p.data(), 0, static_cast<uint16_t>(code));
  return p;
}

std::array<uint8_t, 16> stripResult{};

uint32_t DRIVER_CDECL FetchStrip(uint32_t address) {
  const uint8_t* request = PointerAt<const uint8_t>(address);
  const int32_t strip = ReadI32(request, 0x04);
  const int32_t count = static_cast<int32_t>(stripSource.rows.size());
  const int32_t shift = (strip / count) % kSourceSlack;
  const uint8_t* pixels = stripSource.rows[strip % count].data() + 3 * shift;
  WriteU32(stripResult.data(), 0x00, AddressOf(pixels));
  WriteU32(stripResult.data(), 0x04, static_cast<uint32_t>(3 * stripSource.width));
  return AddressOf(stripResult.data());
}

void DRIVER_CDECL ReleaseStrip(uint32_t) {}

}  // namespace

namespace {

BenchLink Connect() {
  ResetDriverState();
  hostTable[28] = AddressOf(reinterpret_cast<const void*>(&IgnoreText));
  hostTable[35] = AddressOf(reinterpret_cast<const void*>(&IgnoreText));
  hostTable[40] = AddressOf(reinterpret_cast<const void*>(&WriteSlot));
  hostTable[44] = AddressOf(reinterpret_cast<const void*>(&KeepRecord));
  hostTable[45] = AddressOf(reinterpret_cast<const void*>(&AcceptRecord));
  hostTable[48] = AddressOf(reinterpret_cast<const void*>(&SwapSetting));
  const uint8_t* descriptor = PointerAt<const uint8_t>(PLADI(AddressOf(hostTable), 0));
  BenchLink d;
  d.control = PointerAt<void(uint8_t*)>(ReadU32(descriptor, 410));
  d.graphics = PointerAt<void(uint8_t*)>(ReadU32(descriptor, 414));

  Packet version = Request(49);
  WriteU16(version.data(), 4, 1);
  WriteU8(version.data(), 7, 2);
  d.control(version.data());
  for (int16_t code : {50, 11, 20, 21}) {
    Packet p = Request(code);
    if (code == 11) WriteU16(p.data(), 4, 3);
    d.control(p.data());
  }
  Packet reset = Request(49);
  WriteU16(reset.data(), 4, 1);
  WriteU8(reset.data(), 7, 2);
  d.graphics(reset.data());
  Packet messages = Request(50);
  d.graphics(messages.data());
  Packet fetch = Request(29);
  WriteU16(fetch.data(), 4, 3);
  d.graphics(fetch.data());
  // A plot area of 1000 x 1000 mm, as the host measures it.
  Packet area = Request(48);
  WriteF64(area.data(), 9, 1000.0);
  WriteF64(area.data(), 17, 1000.0);
  WriteF64(area.data(), 41, 1016.0);
  WriteF64(area.data(), 49, 1016.0);
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
  Packet p = Request(30);
  d.graphics(p.data());
}

void BenchEndPlot(const BenchLink& d) {
  Packet p = Request(2);
  d.graphics(p.data());
}

namespace {

void PointRequest(const BenchLink& d, int16_t code, uint16_t x, uint16_t y) {
  uint8_t p[8] = {};
  WriteU16(p, 0, static_cast<uint16_t>(code));
  WriteU16(p, 4, x);
  WriteU16(p, 6, y);
  d.graphics(p);
}

}  // namespace

void BenchMove(const BenchLink& d, uint16_t x, uint16_t y) {
  PointRequest(d, 3, x, y);
}

void BenchDraw(const BenchLink& d, uint16_t x, uint16_t y) {
  PointRequest(d, 4, x, y);
}

void BenchPolygon(const BenchLink& d, int16_t pen, const std::vector<uint16_t>& xy) {
  uint8_t p[16] = {};
  WriteU16(p, 0, 54);
  WriteU16(p, 4, static_cast<uint16_t>(pen));
  WriteU16(p, 6, static_cast<uint16_t>(xy.size() / 2));
  WriteU32(p, 8, AddressOf(xy.data()));
  d.graphics(p);
}

void BenchImage(const BenchLink& d, int32_t width, int32_t height, int32_t widthUnits,
                int32_t heightUnits) {
  Packet p = Request(52);
  uint8_t* b = p.data();
  WriteU32(b, 0x04, AddressOf(reinterpret_cast<const void*>(&FetchStrip)));
  WriteU32(b, 0x08, AddressOf(reinterpret_cast<const void*>(&ReleaseStrip)));
  WriteU32(b, 0x0C, 1);
  WriteU32(b, 0x10, 400);
  WriteU32(b, 0x14, 400);
  WriteU32(b, 0x18, static_cast<uint32_t>(400 + widthUnits));
  WriteU32(b, 0x1C, static_cast<uint32_t>(400 + heightUnits));
  WriteU32(b, 0x20, 2);  // colour
  WriteU32(b, 0x24, static_cast<uint32_t>(width));
  WriteU32(b, 0x28, static_cast<uint32_t>(height));
  d.graphics(b);
}

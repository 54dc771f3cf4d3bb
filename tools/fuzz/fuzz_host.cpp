#include "tools/fuzz/fuzz_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "config/descriptor.h"
#include "config/geometry.h"
#include "config/record.h"
#include "config/tone.h"
#include "host/entry.h"
#include "host/messages.h"
#include "host/protocol.h"
#include "host/services.h"
#include "output/buffer.h"
#include "platform/memory.h"
#include "raster/canvas.h"
#include "raster/image.h"
#include "vector/reset.h"
#include "vector/state.h"

FuzzServices fuzzServices;
FuzzLastRequest fuzzLastRequest;

const std::vector<int16_t> kFuzzControlCodes = WithUnanswered(kControlCodes, 1);
const std::vector<int16_t> kFuzzGraphicsCodes = WithUnanswered(kGraphicsCodes, 6);

uint32_t FuzzInput::Below(uint32_t range) {
  if (range <= 1) return 0;
  uint32_t v = Byte();
  if (range > 0x100) v |= Byte() << 8;
  if (range > 0x10000) v |= static_cast<uint32_t>(U16()) << 16;
  return v % range;
}

void FuzzInput::Fill(uint8_t* to, size_t n) {
  for (size_t i = 0; i < n; ++i) to[i] = Byte();
}

void FuzzBroken(const char* what) {
  std::fprintf(stderr, "fuzz host: the driver broke a promise: %s\n", what);
  std::abort();
}

namespace {

FuzzInput* input = nullptr;
RequestHandler controlHandler = nullptr;
RequestHandler graphicsHandler = nullptr;
uint32_t writtenSum = 0;  // keeps the reads of the written bytes

void DRIVER_CDECL PrintService(const char* line) {
  if (strnlen(line, 1024) >= 1024) FuzzBroken("a message line without its end");
}

void DRIVER_CDECL DeviceControlService(const char* text) {
  if (strnlen(text, 256) >= 256) FuzzBroken("a device-control string without its end");
}

int32_t DRIVER_CDECL WriteService(int32_t, int32_t, WireAddress address, int32_t count, int32_t) {
  if (driverErrorState != 0) FuzzBroken("bytes written while a failure stands");
  if (count <= 0) FuzzBroken("a write of no bytes");
  // Every byte is read, so a buffer shorter than its count is caught.
  const uint8_t* bytes = PointerAt<const uint8_t>(address);
  uint32_t sum = 0;
  for (int32_t i = 0; i < count; ++i) sum += bytes[i];
  if (fuzzServices.failWriteAt > 0 && --fuzzServices.failWriteAt == 0) {
    fuzzLastRequest.refused = true;
    return 0;
  }
  writtenSum += sum;
  fuzzLastRequest.written.append(reinterpret_cast<const char*>(bytes), count);
  return 1;
}

int32_t DRIVER_CDECL GetConfigService(int32_t size, WireAddress address) {
  if (size != kRecord.size) FuzzBroken("a record of another size");
  if (fuzzServices.getResult != 0) return fuzzServices.getResult;
  std::memcpy(PointerAt<void>(address), fuzzServices.record, kRecord.size);
  return 0;
}

int32_t DRIVER_CDECL SaveConfigService(int32_t size, WireAddress address) {
  if (size != kRecord.size) FuzzBroken("a record of another size");
  if (fuzzServices.saveResult != 0) return fuzzServices.saveResult;
  std::memcpy(fuzzServices.record, PointerAt<const void>(address), kRecord.size);
  return 0;
}

int32_t DRIVER_CDECL SwapService(int32_t, int32_t) {
  return fuzzServices.swapAnswer;
}

WireAddress serviceTable[kServiceTableSlots];

// A new session of the driver for every input; a canvas of a million dots
// still takes every kind of image and keeps one input quick (larger ones are
// refused the same way), and no heap block is denied until the input says so.
void StartSession() {
  ResetDriverState();
  rasterCanvasLimit = 1 << 17;
  memoryFailureAt = 0;
}

// The bytes of a request's packet that the driver may read or write, as the
// host lays it out; an inline polygon adds its vertices.
size_t PacketSize(bool control, int16_t code) {
  struct Size {
    int16_t code;
    int32_t size;
  };
  static constexpr Size kControlSizes[] = {
      {kControlHandshake, kHandshake.size},       {kControlModelQuery, kModelQuery.size},
      {kControlPlotSetUp, kPlotSetUp.size},       {kControlZeroTable, kByteTable.size},
      {kControlOnesTable, kByteTable.size},       {kControlRampTable, kByteTable.size},
      {kControlCapabilities, kCapabilities.size}, {kControlDoubleTable, kDoubleTable.size},
      {kControlVersionCheck, kVersionCheck.size},
  };
  static constexpr Size kGraphicsSizes[] = {
      {kGraphicsMove, kPoint.size},
      {kGraphicsDraw, kPoint.size},
      {kGraphicsSelectPen, kValue.size},
      {kGraphicsLineType, kValue.size},
      {kGraphicsConfigFetch, kHandshake.size},
      {kGraphicsPolygonInline, kPolygonInline.vertices},
      {kGraphicsLineTypeCount, kValue.size},
      {kGraphicsPenWidth, kPenWidth.size},
      {kGraphicsModelLineTypes, kModelLineTypes.size},
      {kGraphicsConfigure, kPlotArea.configureSize},
      {kGraphicsPlotArea, kPlotArea.plotAreaSize},
      {kGraphicsPaperList, kPlotArea.paperListSize},
      {kGraphicsReset, kVersionCheck.size},
      {kGraphicsImage, kImage.size},
      {kGraphicsPolygonAt, kPolygonAt.size},
  };
  if (control) {
    for (const Size& s : kControlSizes)
      if (s.code == code) return s.size;
  } else {
    for (const Size& s : kGraphicsSizes)
      if (s.code == code) return s.size;
  }
  return 2;
}

// Vertices: many cost the input little, from a short generator seeded by it.
void FillVertices(uint8_t* to, size_t n) {
  uint32_t seed = input->U16();
  const uint32_t spread = 1u << (input->Byte() % 17);
  for (size_t i = 0; i + 1 < n; i += 2) {
    seed = seed * 1103515245u + 12345u;
    WriteU16(to, static_cast<int32_t>(i), static_cast<uint16_t>((seed >> 8) % spread));
  }
}

std::vector<uint8_t> packet;
std::vector<uint8_t> vertexBuffer;

// Strips: one result and its pixels at a time, as a host hands them out.
uint8_t stripResult[kStripResult.size];
std::vector<uint8_t> stripPixels;
bool resultOut = false;
// Whether the image kept by the driver, and the one it may emit in the
// request in progress, came with an entry point to hand strips back.
bool keptImageReleases = false;
bool emittedImageReleases = false;

WireAddress DRIVER_CDECL FetchStripService(WireAddress address) {
  const uint8_t* request = PointerAt<const uint8_t>(address);
  if (resultOut && emittedImageReleases)
    FuzzBroken("a strip fetched before the last one went back");
  const StripRequestLayout& s = kStripRequest;
  const bool colour = ReadI32(request, s.bitsPerChannel) == 8;
  const bool columns = ReadI32(request, s.shape) == kStripsAreColumns;
  const int32_t length = columns
                             ? ReadI32(request, s.lastRow) - ReadI32(request, s.firstRow) + 1
                             : ReadI32(request, s.lastColumn) - ReadI32(request, s.firstColumn) + 1;
  const uint8_t how = input->Byte();
  if (how == 0xFF) return 0;  // no result at all
  int64_t count = int64_t{length} * (colour ? 3 : 1);
  switch (how >> 5) {
    case 1:  // a few bytes more or fewer than asked
      count += static_cast<int8_t>(input->Byte()) % 16;
      break;
    case 2:  // any short count
      count = input->U16() % 4096;
      break;
    case 3:  // a negative count
      count = -static_cast<int32_t>(input->U16()) - 1;
      break;
    default:
      break;
  }
  const size_t held = count > 0 && count < (1 << 24) ? static_cast<size_t>(count) : 0;
  stripPixels.assign(held, 0);
  uint32_t seed = input->Byte();
  for (uint8_t& p : stripPixels) {
    seed = seed * 1103515245u + 12345u;
    p = static_cast<uint8_t>(seed >> (how & 8 ? 24 : 16));
  }
  std::memset(stripResult, 0, sizeof stripResult);
  const bool noPixels = (how & 0x07) == 0x07;
  WriteAddress(stripResult, kStripResult.pixels, noPixels ? 0 : AddressOf(stripPixels.data()));
  WriteU32(stripResult, kStripResult.byteCount, static_cast<uint32_t>(held == 0 ? count : held));
  WriteU16(stripResult, kStripResult.stop, (how & 0x17) == 0x10 ? 1 : 0);
  WriteU16(stripResult, kStripResult.error, (how & 0x17) == 0x11 ? 1 : 0);
  resultOut = true;
  return AddressOf(stripResult);
}

void DRIVER_CDECL ReleaseStripService(WireAddress address) {
  if (address != AddressOf(stripResult) || !resultOut)
    FuzzBroken("a strip released twice or unknown");
  resultOut = false;
}

void CheckPromises(int16_t code, bool control) {
  if (outputFill < 0 || outputFill >= kOutputCapacity) FuzzBroken("the buffer's fill out of range");
  if (OutputBuffer == nullptr && outputFill != 0) FuzzBroken("bytes held without a buffer");
  if (penState != kPenIdle && penState != kPenLifted && penState != kPenDrawn &&
      penState != kPenMoved)
    FuzzBroken("a pen state the machine does not have");
  if (fuzzLastRequest.refused && code != kGraphicsReset && driverErrorState != kErrorOutput)
    FuzzBroken("a refused write not turned into the output failure");
  // An image's buffers live inside the request that emits it.
  if (memoryBlocksHeld != (OutputBuffer != nullptr ? 1 : 0))
    FuzzBroken("memory held past a request");
  if (!control && code == kGraphicsImage && imageMarker != kImagePending)
    FuzzBroken("an image not kept");
  // A strip marked failed stays with the host; every other one goes back.
  if (resultOut && emittedImageReleases && ReadI16(stripResult, kStripResult.error) == 0)
    FuzzBroken("a strip never handed back");
  resultOut = false;
}

void Send(bool control, std::vector<uint8_t>& p) {
  const int16_t code = ReadI16(p.data(), kCodeAt);
  fuzzLastRequest = FuzzLastRequest{};
  emittedImageReleases = keptImageReleases;
  (control ? controlHandler : graphicsHandler)(p.data());
  if (!control && code == kGraphicsImage)
    keptImageReleases = ReadAddress(p.data(), kImage.releaseStrip) != 0;
  CheckPromises(code, control);
}

std::vector<uint8_t>& BuildPacket(bool control, int16_t code) {
  packet.assign(PacketSize(control, code), 0);
  const size_t given = packet.size() < 160 ? packet.size() : 160;
  input->Fill(packet.data() + 2, given - 2);
  WriteU16(packet.data(), kCodeAt, static_cast<uint16_t>(code));
  // The version check mostly comes from the expected host, so plots go on.
  if (code == kControlVersionCheck && input->Byte() % 4 != 3) {
    WriteU16(packet.data(), kVersionCheck.hostMarker, kExpectedHost);
    WriteU8(packet.data(), kVersionCheck.release, kLowestRelease);
  }
  if (control) return packet;
  if (code == kGraphicsPolygonInline) {
    const int16_t count = ReadI16(packet.data(), kPolygonInline.count);
    packet.resize(kPolygonInline.vertices +
                  kVertexSize * static_cast<size_t>(count > 0 ? count : 0));
    FillVertices(packet.data() + kPolygonInline.vertices, packet.size() - kPolygonInline.vertices);
  } else if (code == kGraphicsPolygonAt) {
    const int16_t count = ReadI16(packet.data(), kPolygonAt.count);
    vertexBuffer.assign(kVertexSize * static_cast<size_t>(count > 0 ? count : 0), 0);
    FillVertices(vertexBuffer.data(), vertexBuffer.size());
    const bool withAddress = count > 0 && input->Byte() % 8 != 7;
    WriteAddress(packet.data(), kPolygonAt.vertices,
                 withAddress ? AddressOf(vertexBuffer.data()) : 0);
  } else if (code == kGraphicsImage) {
    FuzzImageEntryPoints(packet.data());
  }
  return packet;
}

}  // namespace

void FuzzImageEntryPoints(uint8_t* p) {
  const uint8_t how = input->Byte();
  WriteAddress(p, kImage.fetchStrip, how % 8 != 7 ? EntryAddress(&FetchStripService) : 0);
  WriteAddress(p, kImage.releaseStrip, how % 16 != 14 ? EntryAddress(&ReleaseStripService) : 0);
}

std::vector<uint8_t> FuzzImagePacket() {
  std::vector<uint8_t> p(PacketSize(false, kGraphicsImage), 0);
  WriteU16(p.data(), kCodeAt, kGraphicsImage);
  return p;
}

void FuzzSendPacket(std::vector<uint8_t>& p) {
  Send(false, p);
}

void FuzzStartDriver(FuzzInput& in) {
  input = &in;
  serviceTable[kSlotPrintMessage] = EntryAddress(&PrintService);
  serviceTable[kSlotDeviceControl] = EntryAddress(&DeviceControlService);
  serviceTable[kSlotWriteBytes] = EntryAddress(&WriteService);
  serviceTable[kSlotGetConfig] = EntryAddress(&GetConfigService);
  serviceTable[kSlotSaveConfig] = EntryAddress(&SaveConfigService);
  serviceTable[kSlotSwapSetting] = EntryAddress(&SwapService);
  const uint8_t* descriptor = PointerAt<const uint8_t>(PLADI(AddressOf(serviceTable), 0));
  controlHandler =
      reinterpret_cast<RequestHandler>(ReadAddress(descriptor, kDescriptor.controlHandler));
  graphicsHandler =
      reinterpret_cast<RequestHandler>(ReadAddress(descriptor, kDescriptor.graphicsHandler));
  StartSession();
  fuzzServices = FuzzServices{};
  in.Fill(fuzzServices.record, sizeof fuzzServices.record);
  resultOut = false;
  keptImageReleases = emittedImageReleases = false;
}

void FuzzChooseServices() {
  const uint8_t how = input->Byte();
  fuzzServices.failWriteAt = (how & 0x80) != 0 ? 1 + input->Byte() % 64 : 0;
  fuzzServices.getResult = (how & 0x07) == 0x01 ? 1 : 0;
  fuzzServices.saveResult = (how & 0x07) == 0x02 ? -1 : 0;
  fuzzServices.swapAnswer = (how & 0x08) != 0 ? -1 : 5;
  if ((how & 0x70) == 0x70) input->Fill(fuzzServices.record, sizeof fuzzServices.record);
}

void FuzzStartDrawing() {
  auto send = [](int16_t code, auto fill) {
    std::vector<uint8_t> p(PacketSize(false, code), 0);
    WriteU16(p.data(), kCodeAt, static_cast<uint16_t>(code));
    fill(p.data());
    Send(false, p);
  };
  send(kGraphicsReset, [](uint8_t* p) {
    WriteU16(p, kVersionCheck.hostMarker, kExpectedHost);
    WriteU8(p, kVersionCheck.release, kLowestRelease);
  });
  send(kGraphicsLoadMessages, [](uint8_t*) {});
  send(kGraphicsConfigFetch, [](uint8_t* p) { WriteU16(p, kHandshake.level, kInterfaceLevel); });
  send(kGraphicsPaperList, [](uint8_t* p) {
    for (int32_t at : {kPlotArea.length, kPlotArea.width}) WriteF64(p, at, 1000.0);
    for (int32_t at : {kPlotArea.unitsAlongLength, kPlotArea.unitsAlongWidth})
      WriteF64(p, at, 1016.0);
  });
  send(kGraphicsBeginPlot, [](uint8_t*) {});
}

void FuzzSendControl(int16_t code) {
  Send(true, BuildPacket(true, code));
}

void FuzzSendGraphics(int16_t code) {
  Send(false, BuildPacket(false, code));
}

#include "tools/image_host.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "host/packet.h"

ImageSource imageSource;
ImageHostLog imageHostLog;

namespace {

#define HOST_CALL __attribute__((cdecl))

// One result and its pixels, reused for every strip as a host would.
std::array<uint8_t, 16> result{};
// Exactly as many bytes as the result announces, so that a reader that goes
// past them is caught by the sanitizers.
std::unique_ptr<uint8_t[]> pixels;

uint32_t AddressOf(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

template <typename Fn>
uint32_t FunctionAddress(Fn fn) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(fn));
}

}  // namespace

void ResetImageHost() {
  imageSource = ImageSource{};
  imageHostLog = ImageHostLog{};
}

uint8_t TwoLevelPixel(int32_t strip, int32_t j) {
  return ((strip * 7 + j * 3) / 11) % 3 == 0 || strip == j ? 1 : 0;
}

std::array<uint8_t, 3> ColourPixel(int32_t strip, int32_t j) {
  const uint8_t v = static_cast<uint8_t>(strip * 5 + j * 3);
  if (j % 4 == 0) return {v, v, v};
  return {v, static_cast<uint8_t>(strip * 2 + j * 7), static_cast<uint8_t>((strip + j) * 11)};
}

uint32_t HOST_CALL HostFetchStrip(uint32_t address) {
  ++imageHostLog.fetches;
  const uint8_t* request = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(address));
  StripRequestCopy copy;
  std::memcpy(copy.data(), request, copy.size());
  imageHostLog.requests.push_back(copy);

  const bool columns = ReadI32(request, 0x28) == 7;
  const int32_t strip = ReadI32(request, columns ? 0x00 : 0x04);
  const int32_t length = columns ? ReadI32(request, 0x0C) - ReadI32(request, 0x04) + 1
                                 : ReadI32(request, 0x08) - ReadI32(request, 0x00) + 1;
  const bool colour = ReadI32(request, 0x24) == 8;
  if (strip == imageSource.nullResultAt) return 0;

  int32_t count = length * (colour ? 3 : 1);
  if (imageSource.deltaAt < 0 || imageSource.deltaAt == strip) count += imageSource.byteCountDelta;
  if (count < 0) count = 0;
  pixels.reset(new uint8_t[count]());
  for (int32_t j = 0; j * (colour ? 3 : 1) < count; ++j) {
    if (colour) {
      const auto rgb = ColourPixel(strip, j);
      std::memcpy(&pixels[3 * j], rgb.data(), std::min<int32_t>(3, count - 3 * j));
    } else {
      pixels[j] = TwoLevelPixel(strip, j);
    }
  }
  result.fill(0);
  WriteU32(result.data(), 0x00, strip == imageSource.nullPixelsAt ? 0 : AddressOf(pixels.get()));
  WriteU32(result.data(), 0x04, static_cast<uint32_t>(count));
  WriteU16(result.data(), 0x0C, strip == imageSource.stopAt ? 1 : 0);
  WriteU16(result.data(), 0x0E, strip == imageSource.errorAt ? 1 : 0);
  return AddressOf(result.data());
}

void HOST_CALL HostReleaseStrip(uint32_t address) {
  ++imageHostLog.releases;
  if (address != AddressOf(result.data())) ++imageHostLog.releasedOther;
}

void FillImagePacket(Packet& packet, const HostImage& image) {
  uint8_t* p = packet.data();
  WriteU16(p, 0x00, 52);
  WriteU32(p, 0x04, image.withEntryPoints ? FunctionAddress(&HostFetchStrip) : 0);
  WriteU32(p, 0x08, image.withEntryPoints ? FunctionAddress(&HostReleaseStrip) : 0);
  WriteU32(p, 0x0C, image.imageRef);
  WriteU32(p, 0x10, static_cast<uint32_t>(image.x1));
  WriteU32(p, 0x14, static_cast<uint32_t>(image.y1));
  WriteU32(p, 0x18, static_cast<uint32_t>(image.x2));
  WriteU32(p, 0x1C, static_cast<uint32_t>(image.y2));
  WriteU32(p, 0x20, static_cast<uint32_t>(image.type));
  WriteU32(p, 0x24, static_cast<uint32_t>(image.w));
  WriteU32(p, 0x28, static_cast<uint32_t>(image.h));
  WriteU16(p, 0x2C, static_cast<uint16_t>(image.transparent));
  WriteU16(p, 0x2E, static_cast<uint16_t>(image.colourClass));
  WriteU16(p, 0x30, static_cast<uint16_t>(image.colourIndex));
  for (int32_t i = 0; i < 72; ++i) p[0x32 + i] = static_cast<uint8_t>(0x40 + i);
}

uint16_t SendImage(const DriverLink& d, const HostImage& image) {
  Packet p = MakePacket(52);
  FillImagePacket(p, image);
  return Graphics(d, p);
}

// Image requests with arbitrary geometry, sizes, kinds, transparency and
// colour fields, in plots of either language at any resolution code, and
// strips whose results carry any byte count, flag or failure.
#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "config/record.h"
#include "host/protocol.h"
#include "host/services.h"
#include "tools/fuzz/fuzz_host.h"
#include "tools/fuzz/tiff_oracle.h"

namespace {

// Mostly values a drawing has, now and then any 32-bit value at all.
int32_t Coordinate(FuzzInput& in, uint8_t any) {
  return any == 0 ? static_cast<int32_t>(in.U16()) : static_cast<int32_t>(in.U32());
}

int32_t PixelCount(FuzzInput& in, uint8_t any) {
  return any == 0 ? static_cast<int32_t>(in.Below(1500)) : static_cast<int32_t>(in.U32());
}

void CheckDecodes(const std::string& out, size_t at, int32_t rowBits, int32_t rows, int64_t count) {
  if (count < 0 || at + count > out.size()) FuzzBroken("a band cut short");
  const uint8_t* data = reinterpret_cast<const uint8_t*>(out.data()) + at;
  if (TiffDecodeG4(data, static_cast<size_t>(count), rowBits, rows).empty())
    FuzzBroken("a band that does not decode");
}

// HP RTL: "\e*r%dS\e*r%dT\e*r1A\e*b8M\e*b%dW", the row width in 4 bytes, the data.
void CheckRtlBands(const std::string& out) {
  for (size_t at = out.find("\x1b*r"); at != std::string::npos; at = out.find("\x1b*r", at + 1)) {
    int32_t rowBits = 0, rows = 0, count = 0, used = 0;
    if (std::sscanf(out.substr(at, 64).c_str(), "\x1b*r%dS\x1b*r%dT\x1b*r1A\x1b*b8M\x1b*b%dW%n",
                    &rowBits, &rows, &count, &used) != 3)
      continue;
    CheckDecodes(out, at + used + 4, rowBits, rows, int64_t{count} - 4);
    at += used + count - 1;
  }
}

uint32_t BigEndianAt(const std::string& out, size_t at) {
  uint32_t v = 0;
  for (size_t i = at; i < at + 4; ++i) v = v << 8 | static_cast<uint8_t>(out[i]);
  return v;
}

// QDRS: the image record 9B 5F with its 26 bytes (origin, source width and
// rows, drawn size, 00 01), the mode record 9B 5D 00 02 02 07, then 9B 5C,
// the data's length in 4 bytes and the data; the white box before an opaque
// band is such an image too.
void CheckQdrsBands(const std::string& out) {
  const std::string record("\x9B\x5F\x00\x1A", 4), data("\x9B\x5D\x00\x02\x02\x07\x9B\x5C", 8);
  for (size_t at = out.find(record); at != std::string::npos; at = out.find(record, at + 1)) {
    if (at + 42 > out.size() || out.compare(at + 30, 8, data) != 0) continue;
    CheckDecodes(out, at + 42, BigEndianAt(out, at + 12), BigEndianAt(out, at + 16),
                 BigEndianAt(out, at + 38));
  }
}

// Every band of an image that went out whole must decode as the T.6 image of
// the size its frame announces.
void CheckBands() {
  static const bool quiet = (TIFFSetWarningHandler(nullptr), TIFFSetErrorHandler(nullptr), true);
  (void)quiet;
  if (fuzzLastRequest.refused || driverErrorState != 0) return;
  if (QdrsOutput()) {
    CheckQdrsBands(fuzzLastRequest.written);
  } else {
    CheckRtlBands(fuzzLastRequest.written);
  }
}

// The fields that decide the most come first, so a short input still makes
// an image; a zero byte always means the ordinary choice.
void SendImage(FuzzInput& in) {
  std::vector<uint8_t> p = FuzzImagePacket();
  const uint8_t how = in.Byte();
  FuzzImageEntryPoints(p.data());
  for (int32_t at : {kImage.left, kImage.bottom, kImage.right, kImage.top})
    WriteU32(p.data(), at, static_cast<uint32_t>(Coordinate(in, how & 0x01)));
  for (int32_t at : {kImage.pixelWidth, kImage.pixelHeight})
    WriteU32(p.data(), at, static_cast<uint32_t>(PixelCount(in, how & 0x02)));
  WriteU32(p.data(), kImage.imageType, (how & 0x04) == 0 ? in.Below(3) : in.U32());
  for (int32_t at : {kImage.transparent, kImage.colourClass, kImage.colourIndex})
    WriteU16(p.data(), at, in.U16());
  WriteAddress(p.data(), kImage.imageRef, in.U32());
  for (int32_t k = 0; k < kHostParametersSize; ++k)  // not read
    p[kImage.hostParameters + k] = static_cast<uint8_t>(0x40 + k);
  FuzzSendPacket(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input{data, size};
  FuzzStartDriver(input);
  FuzzStartDrawing();
  while (!input.Empty()) {
    FuzzChooseServices();
    const uint8_t pick = input.Byte();
    if (pick < 0xA0) {
      SendImage(input);
    } else {
      FuzzSendGraphics(kFuzzGraphicsCodes[pick % kFuzzGraphicsCodes.size()]);
    }
    CheckBands();
  }
  FuzzSendGraphics(kGraphicsEndPlot);
  CheckBands();
  return 0;
}

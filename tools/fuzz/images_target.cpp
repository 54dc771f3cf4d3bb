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
#include "host/packet.h"
#include "host/services.h"
#include "tests/tiff_oracle.h"
#include "tools/fuzz/fuzz_host.h"

namespace {

// Mostly values a drawing has, now and then any 32-bit value at all.
int32_t Coordinate(FuzzInput& in, uint8_t any) {
  return any == 0 ? static_cast<int32_t>(in.U16()) : static_cast<int32_t>(in.U32());
}

int32_t PixelCount(FuzzInput& in, uint8_t any) {
  return any == 0 ? static_cast<int32_t>(in.Below(1500)) : static_cast<int32_t>(in.U32());
}

// Every HP RTL band of an image that went out whole must decode as the
// T.6 image of the size its frame announces.
void CheckBands() {
  static const bool quiet = (TIFFSetWarningHandler(nullptr), TIFFSetErrorHandler(nullptr), true);
  (void)quiet;
  const std::string& out = fuzzLastRequest.written;
  if (fuzzLastRequest.refused || driverErrorState != 0 || QdrsOutput()) return;
  for (size_t at = out.find("\x1b*r"); at != std::string::npos; at = out.find("\x1b*r", at + 1)) {
    int32_t rowBits = 0, rows = 0, count = 0, used = 0;
    if (std::sscanf(out.substr(at, 64).c_str(), "\x1b*r%dS\x1b*r%dT\x1b*r1A\x1b*b8M\x1b*b%dW%n",
                    &rowBits, &rows, &count, &used) != 3)
      continue;
    if (count < 4 || at + used + count > out.size()) FuzzBroken("a band cut short");
    const uint8_t* data = reinterpret_cast<const uint8_t*>(out.data()) + at + used + 4;
    if (TiffDecodeG4(data, count - 4, rowBits, rows).empty())
      FuzzBroken("a band that does not decode");
    at += used + count - 1;
  }
}

// The fields that decide the most come first, so a short input still makes
// an image; a zero byte always means the ordinary choice.
void SendImage(FuzzInput& in) {
  std::vector<uint8_t> p = FuzzImagePacket();
  const uint8_t how = in.Byte();
  FuzzImageEntryPoints(p.data());
  for (int32_t at : {0x10, 0x14, 0x18, 0x1C})
    WriteU32(p.data(), at, static_cast<uint32_t>(Coordinate(in, how & 0x01)));
  for (int32_t at : {0x24, 0x28})
    WriteU32(p.data(), at, static_cast<uint32_t>(PixelCount(in, how & 0x02)));
  WriteU32(p.data(), 0x20, (how & 0x04) == 0 ? in.Below(3) : in.U32());
  for (int32_t at : {0x2C, 0x2E, 0x30}) WriteU16(p.data(), at, in.U16());
  WriteU32(p.data(), 0x0C, in.U32());
  for (int32_t k = 0; k < 72; ++k) p[0x32 + k] = static_cast<uint8_t>(0x40 + k);  // not read
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
      FuzzSendGraphics(kFuzzGraphicsCodes[pick % std::size(kFuzzGraphicsCodes)]);
    }
    CheckBands();
  }
  FuzzSendGraphics(2);
  CheckBands();
  return 0;
}

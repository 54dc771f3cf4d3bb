// Image requests with arbitrary geometry, sizes, kinds, transparency and
// colour fields, in plots of either language at any resolution code, and
// strips whose results carry any byte count, flag or failure.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "host/packet.h"
#include "tools/fuzz/fuzz_host.h"

namespace {

// Mostly values a drawing has, now and then any 32-bit value at all.
int32_t Coordinate(FuzzInput& in, uint8_t how) {
  return how != 0 ? static_cast<int32_t>(in.U16()) : static_cast<int32_t>(in.U32());
}

int32_t PixelCount(FuzzInput& in, uint8_t how) {
  return how != 0 ? static_cast<int32_t>(in.Below(1500)) : static_cast<int32_t>(in.U32());
}

void SendImage(FuzzInput& in) {
  std::vector<uint8_t> p = FuzzImagePacket();
  const uint8_t how = in.Byte();
  WriteU32(p.data(), 0x0C, in.U32());
  for (int32_t at : {0x10, 0x14, 0x18, 0x1C})
    WriteU32(p.data(), at, static_cast<uint32_t>(Coordinate(in, how & 0x01)));
  WriteU32(p.data(), 0x20, (how & 0x02) != 0 ? in.Below(3) : in.U32());
  for (int32_t at : {0x24, 0x28})
    WriteU32(p.data(), at, static_cast<uint32_t>(PixelCount(in, how & 0x04)));
  for (int32_t at : {0x2C, 0x2E, 0x30}) WriteU16(p.data(), at, in.U16());
  in.Fill(p.data() + 0x32, 72);
  FuzzImageEntryPoints(p.data());
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
  }
  FuzzSendGraphics(2);
  return 0;
}

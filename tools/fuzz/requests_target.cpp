// Streams of control and graphics requests with arbitrary packet bytes, an
// arbitrary stored record and host services that fail on the input's choice.
// Every address a packet carries points at a buffer of the fuzz host's.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "tools/fuzz/fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input{data, size};
  FuzzStartDriver(input);
  while (!input.Empty()) {
    FuzzChooseServices();
    const uint8_t pick = input.Byte();
    if (pick < 0x30) {
      FuzzSendControl(kFuzzControlCodes[pick % kFuzzControlCodes.size()]);
    } else {
      FuzzSendGraphics(kFuzzGraphicsCodes[pick % kFuzzGraphicsCodes.size()]);
    }
  }
  // A request the driver does not answer, so that an image captured last
  // still goes out.
  FuzzSendGraphics(kFuzzGraphicsCodes.back());
  return 0;
}

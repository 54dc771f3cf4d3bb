#pragma once
// The canvas that the host's synthetic image should screen to, worked out
// pixel by pixel from the screen and the tone table, for the raster tests and
// the job preview's.
#include <cstdint>
#include <vector>

#include "config/tone.h"
#include "raster/canvas.h"
#include "tools/host/image_host.h"

// The canvas the host's strips first to count - 1 of `length` pixels should
// give, each pixel n times both ways; two-level set pixels in `setGrey`.
inline std::vector<uint8_t> ExpectedCanvas(int32_t first, int32_t count, int32_t length,
                                           int32_t n = 1, int32_t setGrey = -1) {
  const int32_t rowBytes = ((length * n + 31) / 32 + 1) * 4;
  std::vector<uint8_t> bytes(static_cast<size_t>(rowBytes) * (count - first) * n);
  for (int32_t y = 0; y < (count - first) * n; ++y)
    for (int32_t x = 0; x < length * n; ++x) {
      const int32_t strip = first + y / n, j = x / n;
      const auto c = ColourPixel(strip, j);
      int32_t grey =
          c[0] == c[1] && c[1] == c[2] ? c[0] : (30 * c[0] + 59 * c[1] + 11 * c[2]) / 100;
      if (setGrey >= 0) grey = TwoLevelPixel(strip, j) != 0 ? setGrey : 255;
      const int32_t d = 255 - ToneTable[grey];
      if (d == 255 || (d > 0 && ScreenMatrix[y % 16][(x % 16) ^ 8] <= d))
        bytes[y * rowBytes + x / 8] |= 0x80 >> (x % 8);
    }
  return bytes;
}

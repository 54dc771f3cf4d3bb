#pragma once
// An image's pixels as a host serves them to the driver strip by strip.
#include <cstdint>
#include <vector>

// Row 0 is the top row. A two-level image holds one byte per pixel, 1 for a
// set (dark) pixel; a colour image three bytes per pixel, red, green, blue.
// A transparent image was composed over white from its alpha channel.
struct RasterPixels {
  int32_t width = 0, height = 0;
  bool colour = false;
  bool transparent = false;
  std::vector<uint8_t> data;
};

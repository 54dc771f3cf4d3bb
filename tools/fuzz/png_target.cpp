// The image readers on arbitrary bytes: PNG (through libpng), JPEG
// (libjpeg) and TIFF (libtiff), chosen by the signature as adihost chooses.
// A PNG's chunk check sums are mended first, so that the search reaches past
// libpng's first check. An image is either refused with a reason or read
// whole: its pixels fill the size it declares, within the reader's limit, and
// a black-and-white one reduces to one byte a pixel of 0 or 1.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/raster_file.h"
#include "tools/fuzz/fuzz_host.h"

namespace {

uint32_t BigEndian(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Each chunk: length, type, data, CRC-32 of type and data.
void MendChecksums(std::vector<uint8_t>& png) {
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = BigEndian(&png[at]);
    if (length > png.size() - at - 12) return;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, &png[at + 4], length + 4));
    for (int i = 0; i < 4; ++i)
      png[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    at += 12 + length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  MendChecksums(png);
  RasterPixels image;
  std::string error;
  if (ReadRasterBytes(png.data(), png.size(), image, error) < 0) {
    if (error.empty()) FuzzBroken("an image refused without a reason");
    return 0;
  }
  const int64_t pixels = int64_t{image.width} * image.height;
  if (image.width <= 0 || image.height <= 0 || pixels > int64_t{1} << 26 || !image.colour ||
      image.data.size() != static_cast<size_t>(3 * pixels))
    FuzzBroken("an image whose pixels do not fill its size");
  MakeTwoLevelWhenBlackAndWhite(image);
  if (!image.colour) {
    if (image.data.size() != static_cast<size_t>(pixels)) FuzzBroken("a two-level image cut short");
    for (uint8_t v : image.data)
      if (v > 1) FuzzBroken("a two-level pixel other than 0 or 1");
  }
  return 0;
}

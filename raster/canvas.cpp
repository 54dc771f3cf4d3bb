// The canvas of one image: resolution, halftone screen, strips screened into
// rows, and the raster start and end around the bands.
#include "raster/canvas.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/record.h"
#include "host/services.h"
#include "raster/tone.h"

int32_t rasterDpi = 600;
char resolutionEscape[23] = "\x1b*t600R";
RasterImage raster{};
int64_t rasterCanvasLimit = int64_t{1} << 30;

namespace {

// Thresholds 1, 5, 9, ..., 253 in a dispersed order, so that every darkness
// spreads its dots evenly over the cell.
constexpr uint16_t kScreenBase[8][8] = {
    {1, 209, 33, 241, 73, 153, 105, 185},  {145, 65, 177, 97, 217, 9, 249, 41},
    {193, 17, 225, 49, 137, 89, 169, 121}, {81, 129, 113, 161, 25, 201, 57, 233},
    {109, 189, 77, 157, 37, 245, 5, 213},  {253, 45, 221, 13, 181, 101, 149, 69},
    {173, 125, 141, 93, 229, 53, 197, 21}, {61, 237, 29, 205, 117, 165, 85, 133},
};

constexpr ScreenTable MakeScreenMatrix() {
  ScreenTable m{};
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c)
      m[r][c] =
          static_cast<uint16_t>(kScreenBase[r % 8][c % 8] + (c >= 8 ? 1 : 0) + (r >= 8 ? 2 : 0));
  return m;
}

constexpr bool HoldsEveryThresholdOnce(const ScreenTable& m) {
  std::array<int, 257> seen{};
  for (const auto& row : m)
    for (uint16_t t : row) {
      if (t < 1 || t > 256 || seen[t]++ != 0) return false;
    }
  return true;
}

}  // namespace

constexpr ScreenTable ScreenMatrix = MakeScreenMatrix();
static_assert(HoldsEveryThresholdOnce(ScreenMatrix));

namespace {

constexpr int32_t kLargestEnlargement = 16;
// Run lists and coded bands are sized from the row width in 32-bit arithmetic.
constexpr int64_t kLargestRowBits = int64_t{1} << 26;

void ReleaseBuffers() {
  std::free(raster.canvas);
  std::free(raster.darkness);
  raster.canvas = nullptr;
  raster.darkness = nullptr;
}

int32_t WordsPerRow() {
  return raster.rowBits / 32;
}

uint8_t Darkness(int32_t a, int32_t b, int32_t c) {
  if (raster.transparent != 0 && a == raster.key[0] && b == raster.key[1] && c == raster.key[2])
    a = b = c = 255;
  const int32_t grey = a == b && b == c ? a : (30 * a + 59 * b + 11 * c) / 100;
  return static_cast<uint8_t>(255 - ToneTable[grey]);
}

uint8_t PixelDarkness(const uint8_t* pixels, int32_t i, int32_t kind, uint8_t red, uint8_t green,
                      uint8_t blue) {
  if (kind == kStripTwoLevel)
    return pixels[i] == 0 ? Darkness(255, 255, 255) : Darkness(red, green, blue);
  const uint8_t* p = pixels + 3 * i;
  return Darkness(p[0], p[1], p[2]);
}

// One line of darkness values: the strip's pixels, each N times, then white for
// whatever the strip lacks and for the padding.
void FillDarknessLine(int32_t used, const uint8_t* pixels, int32_t kind, uint8_t red, uint8_t green,
                      uint8_t blue) {
  const int32_t n = raster.enlargement;
  uint8_t* out = raster.darkness;
  for (int32_t i = 0; i < used; ++i, out += n)
    std::memset(out, PixelDarkness(pixels, i, kind, red, green, blue), n);
  const int32_t filled = used * n;
  std::memset(out, Darkness(255, 255, 255), raster.rowBits - filled);
}

// The screen is laid eight columns across the image: image column 0 takes matrix
// column 8 and column 8 takes matrix column 0.
void ScreenLine(int32_t y) {
  const uint16_t* patterns = ScreenPatterns[y % 16];
  const uint8_t* d = raster.darkness;
  uint32_t* row = raster.canvas + static_cast<size_t>(y) * WordsPerRow();
  for (int32_t w = 0; w < WordsPerRow(); ++w, d += 32) {
    uint32_t word = 0;
    for (int32_t bit = 0; bit < 32; ++bit) {
      const int32_t column = (bit & 15) ^ 8;
      if ((patterns[d[bit]] >> (15 - column)) & 1) word |= 0x80000000u >> bit;
    }
    row[w] = word;
  }
}

}  // namespace

uint16_t ScreenPatterns[16][256];

void BuildScreenPatterns() {
  for (int32_t r = 0; r < 16; ++r) {
    ScreenPatterns[r][0] = 0;
    for (int32_t d = 1; d < 255; ++d) {
      uint16_t bits = 0;
      for (int32_t c = 0; c < 16; ++c)
        if (ScreenMatrix[r][c] <= d) bits |= static_cast<uint16_t>(0x8000u >> c);
      ScreenPatterns[r][d] = bits;
    }
    ScreenPatterns[r][255] = 0xFFFF;
  }
}

double SelectRasterResolution(uint16_t jobFlags, int32_t qdrs) {
  int32_t dpi = 0;
  switch (jobFlags & kJobResolutionMask) {
    case kJob600Dpi:
      dpi = 600;
      break;
    case kJob400Dpi:
      dpi = 400;
      break;
    case kJob300Dpi:
      dpi = 300;
      break;
    case kJob200Dpi:
      dpi = 200;
      break;
    default:
      break;
  }
  if (dpi != 0) {
    rasterDpi = dpi;
    if (qdrs == 0) std::snprintf(resolutionEscape, sizeof resolutionEscape, "\x1b*t%dR", dpi);
  }
  if (qdrs != 0 && rasterDpi != 400 && rasterDpi != 200) rasterDpi = 400;
  return rasterDpi;
}

void RasterWriteText(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (length > 0) HostWriteBytes(length < static_cast<int>(sizeof text) ? length : 255, text);
}

void RasterWriteBytes(std::initializer_list<uint8_t> bytes) {
  HostWriteBytes(static_cast<int32_t>(bytes.size()), bytes.begin());
}

void WriteRasterStart() {
  if (raster.qdrs == 0) {
    RasterWriteText("\x1b%%1A");
    RasterWriteText("\x1b&a0N");
    RasterWriteText("%s", resolutionEscape);
  } else if (rasterDpi == 400) {
    RasterWriteBytes({0x9B, 0x52, 0x00, 0x02, 0x00, 0x01});
  } else if (rasterDpi == 200) {
    RasterWriteBytes({0x9B, 0x52, 0x00, 0x02, 0x00, 0x00});
  }
}

int32_t RasterReserve(int32_t width, int32_t height, int32_t enlargement) {
  ReleaseBuffers();
  if (width <= 0 || height <= 0 || enlargement < 1 || enlargement > kLargestEnlargement) return -1;
  const int64_t canvasWidth = int64_t{width} * enlargement;
  const int64_t rows = int64_t{height} * enlargement;
  const int64_t rowBits = (canvasWidth + 31) / 32 * 32 + 32;
  if (rowBits > kLargestRowBits || rows > INT32_MAX) return -1;
  const int64_t canvasBytes = rowBits / 8 * rows;
  if (canvasBytes > rasterCanvasLimit || canvasBytes > static_cast<int64_t>(SIZE_MAX)) return -1;
  raster.canvas = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(canvasBytes), 1));
  raster.darkness = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(rowBits)));
  if (raster.canvas == nullptr || raster.darkness == nullptr) {
    ReleaseBuffers();
    return -1;
  }
  raster.stripPixels = width;
  raster.enlargement = enlargement;
  raster.canvasWidth = static_cast<int32_t>(canvasWidth);
  raster.expectedRows = static_cast<int32_t>(rows);
  raster.rowBits = static_cast<int32_t>(rowBits);
  raster.rowsDone = 0;
  return 0;
}

int32_t RasterBegin(int32_t width, int32_t height, int32_t transparent, int32_t key1, int32_t key2,
                    int32_t key3, int32_t qdrs, int32_t originX, int32_t originY,
                    int32_t enlargement, int32_t turned) {
  const bool reserved = raster.canvas != nullptr && raster.stripPixels == width &&
                        raster.enlargement == enlargement &&
                        int64_t{raster.expectedRows} == int64_t{height} * enlargement;
  if (!reserved && RasterReserve(width, height, enlargement) < 0) return -1;
  raster.rowsDone = 0;
  raster.transparent = transparent;
  raster.key[0] = key1;
  raster.key[1] = key2;
  raster.key[2] = key3;
  raster.qdrs = qdrs;
  raster.originX = originX;
  raster.originY = originY;
  raster.turned = turned;
  BuildScreenPatterns();
  WriteRasterStart();
  return 0;
}

int32_t RasterAddStrip(int32_t n, const uint8_t* pixels, int32_t kind, uint8_t red, uint8_t green,
                       uint8_t blue) {
  if (raster.canvas == nullptr) return -1;
  if (raster.rowsDone > raster.expectedRows - raster.enlargement) return 0;
  int32_t used = pixels == nullptr || n < 0 ? 0 : n;
  if (used > raster.stripPixels) used = raster.stripPixels;
  FillDarknessLine(used, pixels, kind, red, green, blue);
  for (int32_t k = 0; k < raster.enlargement; ++k) ScreenLine(raster.rowsDone++);
  return 0;
}

void RasterEnd() {
  if (raster.qdrs == 0) {
    RasterWriteText("\x1b*rC");
    RasterWriteText("\x1b%%0B");
  } else {
    RasterWriteBytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x00});
    RasterWriteBytes({0x9B, 0x52, 0x00, 0x02, 0x00, 0x01});
  }
  ReleaseBuffers();
  raster.rowsDone = 0;
}

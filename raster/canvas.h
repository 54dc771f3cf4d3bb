#pragma once
// The raster canvas of one image: strips are screened into a one-bit canvas
// through the tone table, and after the last strip the band writer
// (raster/bands.cpp) sends it to the host band by band, each band one complete
// MMR image in the framing of the plot's language. Everything here is written
// straight to the host, not through the output buffer.
#include <array>
#include <cstdint>

#include "raster/framing.h"

// Kept between images. rasterDpi starts at a resolution the device has, so that
// an image arriving before any valid resolution code still has a geometry.
extern int32_t rasterDpi;

// Picks rasterDpi from the resolution code of jobFlags (a code of none or
// several bits keeps the last one), as the framing draws it: the binary
// language knows only 400 and 200 dpi.
double SelectRasterResolution(uint16_t jobFlags, const RasterFraming& framing);

// The halftone screen: a 16 x 16 matrix of thresholds 1..256, each once, made
// from an 8 x 8 base by adding 1 to its right half and 2 to its lower half.
using ScreenTable = std::array<std::array<uint16_t, 16>, 16>;
extern const ScreenTable ScreenMatrix;
// For matrix row r and darkness d, bit 15 - c is set when the pixel under
// matrix column c is black: none at d 0, all at d 255, else M[r][c] <= d.
extern uint16_t ScreenPatterns[16][256];
void BuildScreenPatterns();

// Strip kinds for RasterAddStrip.
constexpr int32_t kStripColour = 0;    // three bytes per pixel
constexpr int32_t kStripTwoLevel = 1;  // one byte per pixel, 0 clear

// The image being built. Canvas rows are rowBits / 32 words; pixel x of a row is
// bit 31 - x % 32 of word x / 32, 1 black, as the MMR coder reads them.
struct RasterImage {
  int32_t stripPixels;   // pixels a strip is expected to carry
  int32_t enlargement;   // N: every pixel is repeated N times both ways
  int32_t canvasWidth;   // P0 = stripPixels * N
  int32_t expectedRows;  // strips * N
  int32_t rowsDone;
  int32_t rowBits;  // P0 rounded up to whole words, plus one word of white padding
  int32_t transparent;
  int32_t key[3];  // the colour made white in a transparent image
  const RasterFraming* framing = &kRtlFraming;
  int32_t originX, originY;  // QDRS: where the current band goes, output units
  int32_t turned;            // strips are columns
  uint32_t* canvas;
  uint8_t* darkness;  // one line of darkness values, rowBits entries
};
extern RasterImage raster;

// The most bytes a canvas may take; a larger image is not drawn.
constexpr int64_t kRasterCanvasLimit = int64_t{1} << 30;
extern int64_t rasterCanvasLimit;

// Takes the canvas and line buffers for a strip length, a strip count and an
// enlargement before anything of the image is written, so that an image too
// large for memory can be dropped whole. 0, or -1 with nothing taken.
int32_t RasterReserve(int32_t width, int32_t height, int32_t enlargement);
// Writes the raster start. The buffers are the reserved ones when they match,
// else taken here. 0, or -1 with nothing written when memory is short.
int32_t RasterBegin(int32_t width, int32_t height, int32_t transparent, int32_t key1, int32_t key2,
                    int32_t key3, const RasterFraming* framing, int32_t originX, int32_t originY,
                    int32_t enlargement, int32_t turned);
// Screens one strip of n pixels into the next N canvas rows. A strip shorter
// than the image's strips is padded with white, a longer one is cut.
int32_t RasterAddStrip(int32_t n, const uint8_t* pixels, int32_t kind, uint8_t red, uint8_t green,
                       uint8_t blue);
// Writes the raster end and releases the image's buffers.
void RasterEnd();
// Releases the image's buffers without writing anything.
void RasterRelease();

// Straight to the host, not through the output buffer. A write the host
// refuses is an output failure like one of the buffer's, and after any failure
// nothing more goes out, so the job never goes on past a gap. 0 or -1.
int32_t RasterWrite(int32_t length, const void* bytes);
void RasterWriteText(const char* format, ...) __attribute__((format(printf, 1, 2)));

#pragma once
// The benchmark inputs: a 16 x 12-inch page at 600 dpi as the driver's canvas
// holds it (rows of whole 32-bit words plus one word of white padding, pixel x
// at bit 31 - x % 32), and the photo-like colour rows it is screened from.
#include <cstdint>
#include <vector>

constexpr int32_t kPageWidth = 9600;
constexpr int32_t kPageHeight = 7200;
constexpr int32_t kPageRowBits = (kPageWidth + 31) / 32 * 32 + 32;
constexpr int32_t kPageRowWords = kPageRowBits / 32;

struct Page {
  const char* name;
  std::vector<uint32_t> words;  // kPageRowWords per row, kPageHeight rows
};

// Row y of a photo-like colour picture: soft gradients, round shapes and grain,
// three bytes per pixel.
std::vector<uint8_t> PhotoRow(int32_t y, int32_t width);
// The photo screened through the driver's own halftone screen.
Page HalftonedPhotoPage();
// A drawing sheet: frame, title block, lines of several widths and angles,
// circles and blocks of text-like marks.
Page LineDrawingPage();
Page WhitePage();

// The page's rows as bytes, first pixel in the most significant bit.
std::vector<uint8_t> PageBytes(const Page& page);

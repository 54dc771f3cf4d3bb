// The MMR coder on arbitrary rows, into an output area of any size: every
// coded band is decoded back by libtiff and must give the rows again.
#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/bands.h"
#include "raster/canvas.h"
#include "raster/mmr.h"
#include "tools/fuzz/fuzz_host.h"
#include "tools/fuzz/tiff_oracle.h"

namespace {

constexpr int32_t kLargestWords = 128;  // 4096 pixels a row
constexpr int32_t kLargestRows = 256;

struct Input {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
};

// Codes the rows into an area of `capacity` bytes, and again into one of the
// size the coder asks for when that was too small. The coded bytes, in the
// order they go out.
std::vector<uint8_t> Code(const std::vector<uint32_t>& rows, int32_t rowBytes, int32_t count,
                          int32_t capacity) {
  const int32_t width = rowBytes * 8;
  std::vector<int32_t> current(width + 5), reference(width + 5);
  for (int32_t attempt = 0; attempt < 2; ++attempt) {
    std::vector<uint32_t> area(capacity / 4 + 1);
    reference[0] = 1;  // all white above the first row
    reference[1] = reference[2] = width;
    MmrReset(area.data(), capacity);
    const int32_t coded =
        MmrEncodeRows(rows.data(), count, rowBytes, current.data(), reference.data());
    const int32_t finished = MmrFinish();
    const int32_t n = MmrByteCount();
    if (coded == 0 && finished == 0) {
      // Whole words are reversed; a final 2-byte count keeps the word's first half.
      std::vector<uint8_t> bytes((n + 3) / 4 * 4);
      SwapWordBytes(reinterpret_cast<const uint8_t*>(area.data()), bytes.data(), n);
      bytes.resize(n);
      return bytes;
    }
    if (n <= capacity) FuzzBroken("MMR overflow reported for a band that fits its area");
    capacity = (n + 3) / 4 * 4;
  }
  FuzzBroken("MMR overflow of an area of the size the coder asked for");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (TIFFSetWarningHandler(nullptr), TIFFSetErrorHandler(nullptr), true);
  (void)quiet;
  Input in{data, size};
  const int32_t words = 1 + in.Byte() % kLargestWords;
  const uint8_t how = in.Byte();
  const int32_t small = 4 * (in.Byte() | in.Byte() << 8);
  const int32_t rowBytes = 4 * words;
  int32_t count = static_cast<int32_t>((size - in.at) / rowBytes);
  if (count < 1) return 0;
  if (count > kLargestRows) count = kLargestRows;
  // The band writer's first estimate, or any area at all.
  const int32_t capacity = (how & 0x80) != 0 ? small : 4 * (rowBytes + 100) * count;
  // Rows as the canvas holds them: pixel x is bit 31 - x % 32 of word x / 32.
  // Now and then each row is the one above it with the input's bits flipped,
  // so that rows resemble each other as they do in an image.
  std::vector<uint32_t> rows(static_cast<size_t>(words) * count);
  for (int32_t y = 0; y < count; ++y)
    for (int32_t w = 0; w < words; ++w) {
      uint32_t v = 0;
      for (int k = 0; k < 4; ++k) v = v << 8 | in.Byte();
      const size_t i = static_cast<size_t>(y) * words + w;
      rows[i] = (how & 0x01) != 0 && y > 0 ? rows[i - words] ^ v : v;
    }

  const std::vector<uint8_t> coded = Code(rows, rowBytes, count, capacity);
  std::vector<uint8_t> expected(rows.size() * 4);
  SwapWordBytes(reinterpret_cast<const uint8_t*>(rows.data()), expected.data(),
                static_cast<int32_t>(expected.size()));
  const std::vector<uint8_t> decoded =
      TiffDecodeG4(coded.data(), coded.size(), rowBytes * 8, count);
  if (decoded != expected) FuzzBroken("MMR rows that do not decode back");
  return 0;
}

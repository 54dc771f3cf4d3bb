// The print host's CUPS raster reader under libFuzzer: any bytes as a raster
// stream through libcups and our header checks. A header that lies about its
// sizes, a stream cut at any byte or a page larger than any roll must be
// refused or read within bounds: every page taken is read line by line into
// one line of the size the checks allowed, never a page-sized allocation.
// libcups itself sizes a line buffer from the header before any check can see
// it; run with allocations bounded as the filter bounds its address space
// (ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=512).
// The first lines of each page are also cut into tiles, which must stay
// within the page.
#include <cups/raster.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/print/page_tiles.h"
#include "tools/print/raster_page.h"

namespace {

struct Stream {
  const uint8_t* data;
  size_t size, at;
};

ssize_t ReadStream(void* context, unsigned char* buffer, size_t length) {
  Stream& s = *static_cast<Stream*>(context);
  const size_t n = std::min(length, s.size - s.at);
  std::memcpy(buffer, s.data + s.at, n);
  s.at += n;
  return static_cast<ssize_t>(n);
}

// A page's lines are read until the stream ends; the bound keeps one input's
// run short (a page may claim 354,000 lines).
constexpr int32_t kMostLinesRead = 4096;
constexpr int32_t kMostPages = 8;
constexpr int32_t kLinesTiled = 16;

void TileLines(const PageFormat& format, const std::vector<std::vector<uint8_t>>& lines) {
  if (lines.empty()) return;
  std::vector<const uint8_t*> rows;
  for (const auto& line : lines) rows.push_back(line.data());
  const TileGrid grid = TileGridFor(format.dpi, false, 1);
  const int32_t across = (format.width + grid.cell - 1) / grid.cell;
  const int32_t count = static_cast<int32_t>(rows.size());
  const std::vector<CellInk> cells = ClassifyCells(format, rows.data(), count, grid.cell, across);
  for (const Tile& t : PlanTiles(cells, across, grid, count, format.width, 0))
    if (t.firstStrip < 0 || t.strips <= 0 || t.firstStrip + t.strips > count || t.firstPixel < 0 ||
        t.pixels <= 0 || t.firstPixel + t.pixels > format.width)
      __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Stream stream{data, size, 0};
  cups_raster_t* raster = cupsRasterOpenIO(&ReadStream, &stream, CUPS_RASTER_READ);
  if (raster == nullptr) return 0;
  cups_page_header2_t header;
  for (int32_t page = 0; page < kMostPages && cupsRasterReadHeader2(raster, &header); ++page) {
    PageFormat format;
    std::string error;
    if (CheckPageHeader(header, format, error) < 0) {
      if (error.empty()) __builtin_trap();
      break;
    }
    if (format.BytesPerLine() > kMostInchesAcross * 600 * 3) __builtin_trap();
    std::vector<uint8_t> line(static_cast<size_t>(format.BytesPerLine()));
    std::vector<std::vector<uint8_t>> first;
    for (int32_t y = 0; y < std::min(format.height, kMostLinesRead); ++y) {
      if (cupsRasterReadPixels(raster, line.data(), static_cast<unsigned>(line.size())) !=
          line.size())
        break;
      if (y < kLinesTiled) first.push_back(line);
    }
    TileLines(format, first);
    ChoicesFromHeader(header);
  }
  cupsRasterClose(raster);
  return 0;
}

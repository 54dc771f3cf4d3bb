#include "tools/print/page_tiles.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// The driver's screen repeats every 16 canvas dots both ways.
constexpr int32_t kScreenPeriod = 16;
// Cells small enough to leave the white inside a drawing's grid out, large
// enough that an image's own cost stays small against its dots.
constexpr int32_t kLeastCell = 48;
// A band's lines are held while its tiles are planned and sent.
constexpr int32_t kLeastBandLines = 384;
// The driver codes an image in one band while 4 x rows x (row bytes + 100)
// stays within this; a row holds its dots in whole 32-bit words, and one word
// more.
constexpr int64_t kOneBandBytes = 10485760;

// The most canvas dots across an image of `rows` canvas rows may hold and
// still be coded in one band.
int32_t MostDotsInOneBand(int64_t rows) {
  const int64_t rowBytes = kOneBandBytes / (4 * rows) - 100;
  return static_cast<int32_t>(std::max<int64_t>(0, (rowBytes * 8 - 32) / 32 * 32));
}

// Whether the n bytes from p are all v: the first is, and each equals the
// next, which memcmp finds at the speed of a block compare.
bool AllBytes(const uint8_t* p, size_t n, uint8_t v) {
  return n == 0 || (p[0] == v && std::memcmp(p, p + 1, n - 1) == 0);
}

// Eight dots at a time: a byte is black or white when it equals its top bit
// spread over all its bits.
bool OnlyBlackAndWhite(const uint8_t* p, size_t n) {
  constexpr uint64_t kTopBits = 0x8080808080808080ull;
  uint64_t between = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    between |= w ^ ((w & kTopBits) >> 7) * 0xFF;
  }
  for (; i < n; ++i) between |= static_cast<uint8_t>(p[i] - 1) < 254;
  return between == 0;
}

// The bytes of dots [x0, x1) of a line, whole bytes for one-bit pages.
void DotBytes(const PageFormat& page, int32_t x0, int32_t x1, size_t& from, size_t& count) {
  if (page.kind == PixelKind::Black1) {
    from = x0 / 8;
    count = (x1 + 7) / 8 - from;
  } else {
    const int32_t size = page.kind == PixelKind::Rgb ? 3 : 1;
    from = static_cast<size_t>(x0) * size;
    count = static_cast<size_t>(x1 - x0) * size;
  }
}

// What a line's part of a cell holds, as far as it adds to what the cell is
// known to hold: once the cell holds ink, only a tone adds to it.
CellInk LineInk(const PageFormat& page, const uint8_t* bytes, size_t count, CellInk known) {
  const uint8_t white = page.kind == PixelKind::Black1 ? 0 : 255;
  if (known == CellInk::White && AllBytes(bytes, count, white)) return CellInk::White;
  // Two-level strips are screened in the image's pen: tones, to be safe.
  if (page.kind != PixelKind::Grey) return CellInk::Tone;
  return OnlyBlackAndWhite(bytes, count) ? CellInk::Solid : CellInk::Tone;
}

}  // namespace

TileGrid TileGridFor(int32_t dpi, bool qdrs, int32_t n) {
  const int32_t period = PiecePeriod(dpi, qdrs);
  TileGrid grid;
  grid.cell = period * ((kLeastCell + period - 1) / period);
  // A band starts the screen afresh: a whole number of cells whose canvas
  // rows (N a strip) are a whole number of screen periods.
  const int32_t phase = kScreenPeriod / std::gcd(kScreenPeriod, n);
  grid.band = std::lcm(grid.cell, phase);
  while (grid.band * n < kLeastBandLines) grid.band += std::lcm(grid.cell, phase);
  return grid;
}

std::vector<CellInk> ClassifyCells(const PageFormat& page, const uint8_t* const* lines,
                                   int32_t lineCount, int32_t cellDots, int32_t across) {
  const int32_t rows = (lineCount + cellDots - 1) / cellDots;
  std::vector<CellInk> cells(static_cast<size_t>(rows) * across, CellInk::White);
  for (int32_t y = 0; y < lineCount; ++y) {
    CellInk* row = cells.data() + static_cast<size_t>(y / cellDots) * across;
    for (int32_t c = 0; c < across && c * cellDots < page.width; ++c) {
      if (row[c] == CellInk::Tone) continue;
      size_t from = 0, count = 0;
      DotBytes(page, c * cellDots, std::min(page.width, (c + 1) * cellDots), from, count);
      row[c] = std::max(row[c], LineInk(page, lines[y] + from, count, row[c]));
    }
  }
  return cells;
}

std::vector<Tile> PlanTiles(const std::vector<CellInk>& cells, int32_t across, const TileGrid& grid,
                            int32_t strips, int32_t pixels, int64_t imageCost) {
  const int32_t rows = static_cast<int32_t>(cells.size()) / std::max(1, across);
  const int32_t perBlock = grid.band / grid.cell;
  const auto at = [&](int32_t r, int32_t c) { return cells[static_cast<size_t>(r) * across + c]; };
  // Blocks with a tone anywhere in the band, and runs of them joined.
  std::vector<bool> toned(across, false);
  std::vector<Tile> tiles;
  for (int32_t b = 0; b * perBlock < across; ++b) {
    bool tone = false;
    for (int32_t r = 0; r < rows && !tone; ++r)
      for (int32_t c = b * perBlock; c < std::min(across, (b + 1) * perBlock); ++c)
        tone = tone || at(r, c) == CellInk::Tone;
    if (!tone) continue;
    for (int32_t c = b * perBlock; c < std::min(across, (b + 1) * perBlock); ++c) toned[c] = true;
    const int32_t x = b * grid.band;
    if (!tiles.empty() && tiles.back().firstPixel + tiles.back().pixels == x)
      tiles.back().pixels += grid.band;
    else
      tiles.push_back({0, strips, x, grid.band});
  }
  // The other inked cells, run by run; a run kept open while the next row
  // repeats it.
  std::vector<Tile> open;
  for (int32_t r = 0; r <= rows; ++r) {
    std::vector<Tile> runs;
    for (int32_t c = 0; r < rows && c < across; ++c) {
      if (toned[c] || at(r, c) == CellInk::White) continue;
      const int32_t x = c * grid.cell;
      if (!runs.empty() && runs.back().firstPixel + runs.back().pixels == x)
        runs.back().pixels += grid.cell;
      else
        runs.push_back({r * grid.cell, grid.cell, x, grid.cell, false});
    }
    std::vector<Tile> still;
    for (Tile& run : runs) {
      const auto same = std::find_if(open.begin(), open.end(), [&](const Tile& t) {
        return t.firstPixel == run.firstPixel && t.pixels == run.pixels;
      });
      if (same != open.end()) run.firstStrip = same->firstStrip, run.strips += same->strips;
      if (same != open.end()) open.erase(same);
      still.push_back(run);
    }
    tiles.insert(tiles.end(), open.begin(), open.end());
    open = std::move(still);
  }
  for (Tile& t : tiles) {
    t.strips = std::min(t.strips, strips - t.firstStrip);
    t.pixels = std::min(t.pixels, pixels - t.firstPixel);
  }
  tiles.erase(std::remove_if(tiles.begin(), tiles.end(),
                             [](const Tile& t) { return t.strips <= 0 || t.pixels <= 0; }),
              tiles.end());
  // The driver pads each strip with white dots to whole words past its last
  // pixel, and an image is opaque: a tile sent after its neighbours on that
  // side would wipe their first dots out. Sent from the page's first pixel
  // on, each tile's padding is covered by the tiles that follow, or falls on
  // white.
  int64_t cost = 0;
  for (const Tile& t : tiles) cost += int64_t{t.strips} * t.pixels + imageCost;
  if (tiles.size() > 1 && cost >= int64_t{strips} * pixels + imageCost)
    return {{0, strips, 0, pixels, std::find(toned.begin(), toned.end(), true) != toned.end()}};
  std::stable_sort(tiles.begin(), tiles.end(),
                   [](const Tile& a, const Tile& b) { return a.firstPixel < b.firstPixel; });
  return tiles;
}

std::vector<Tile> CutToOneBand(const std::vector<Tile>& tiles, const TileGrid& grid,
                               int32_t rowsPerStrip, int32_t extraStrips) {
  std::vector<Tile> cut;
  for (const Tile& t : tiles) {
    const int32_t step = t.tones ? grid.band : grid.cell;
    const int64_t rows = int64_t{t.strips + extraStrips} * rowsPerStrip;
    const int32_t width = std::max(step, MostDotsInOneBand(rows) / rowsPerStrip / step * step);
    for (int32_t x = 0; x < t.pixels; x += width)
      cut.push_back(
          {t.firstStrip, t.strips, t.firstPixel + x, std::min(width, t.pixels - x), t.tones});
  }
  std::stable_sort(cut.begin(), cut.end(),
                   [](const Tile& a, const Tile& b) { return a.firstPixel < b.firstPixel; });
  return cut;
}

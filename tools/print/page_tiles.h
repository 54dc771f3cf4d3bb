#pragma once
// A page sent as tiles: the page's strips cut into bands along the roll and
// each band into cells, and an image sent only where a cell holds ink. White
// prints nothing in either language, so a white cell needs no image at all.
//
// Every tile starts on a host unit across and along the roll, so that its
// dots land where the page sent whole puts them. The driver screens an image
// from the image's own first dot, so a tile holding tones (any grey between
// black and white) also starts on the screen's period, counted from the
// page's first dot; one holding only black and white dots prints the same
// under any phase and is placed cell by cell.
#include <cstdint>
#include <vector>

#include "tools/print/page_layout.h"

// What a cell holds: nothing, only black and white dots, or tones.
enum class CellInk : uint8_t { White, Solid, Tone };

struct TileGrid {
  int32_t cell = 0;  // strips (and strip pixels) a cell spans
  int32_t band = 0;  // strips a band spans, and pixels a block of tones spans
};

// The most page lines a band spans, at any resolution, language and
// enlargement: what the print host holds of a page at once.
constexpr int32_t kMostBandLines = 1200;

// The grid for a resolution, a language and the driver's enlargement.
TileGrid TileGridFor(int32_t dpi, bool qdrs, int32_t enlargement);

// The cells of a band, `across` cells a row: lines[i] is the page line
// i (the band's first line 0), `lineCount` of them; a cell spans cell x N
// lines and dots. Dots past the page's width are white.
std::vector<CellInk> ClassifyCells(const PageFormat& page, const uint8_t* const* lines,
                                   int32_t lineCount, int32_t cellDots, int32_t across);

// One image of a band, in strips and strip pixels from the band's corner.
// One without tones holds only black and white dots: sent two-level, one byte
// a pixel, it prints the same dots as in colour.
struct Tile {
  int32_t firstStrip = 0, strips = 0, firstPixel = 0, pixels = 0;
  bool tones = true;
};

// The images that print a band's inked cells: blocks holding a tone whole
// (band high, `grid.band` pixels wide, neighbours joined), the other inked
// cells in runs along each row, a run that repeats in the next row joined
// with it, without tones. `strips` and `pixels` are the band's size, which
// clips the tiles.
// Where the tiles would cost more than the band sent whole, each image
// counted as `imageCost` dots, the band is one tile.
std::vector<Tile> PlanTiles(const std::vector<CellInk>& cells, int32_t across, const TileGrid& grid,
                            int32_t strips, int32_t pixels, int64_t imageCost);

// In RTL the driver codes an image taller than it holds at once as bands, each
// placed a whole number of plotter units past the last: the units lost to
// rounding add up along the image, which prints a few dots short, and the
// next image, placed exactly, leaves a white seam (4 dots every band of a
// 36 in sheet at 600 dpi). The tiles cut across so that the driver codes each
// in one band: tones in whole blocks, the others in whole cells, in the order
// of their first pixel. An image carries `extraStrips` strips more than its
// tile, and the driver enlarges every strip `rowsPerStrip` times both ways.
std::vector<Tile> CutToOneBand(const std::vector<Tile>& tiles, const TileGrid& grid,
                               int32_t rowsPerStrip, int32_t extraStrips);

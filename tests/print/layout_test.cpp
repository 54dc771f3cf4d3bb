// How pages are laid on the driver's sheets and cut into images: the arithmetic
// the print host relies on to place every dot, checked without a driver.
#include <gtest/gtest.h>

#include <random>

#include "tools/print/page_layout.h"
#include "tools/print/page_tiles.h"

namespace {

// A few entries of the driver's paper list, with its own rounded sizes.
std::vector<PaperSize> Papers() {
  return {{2, "E-arch(36\")", 48.0, 36.0, false, 0},
          {4, "C-arch(18\")", 24.0, 17.973, false, 0},
          {6, "A-arch(9\")", 12.0, 8.96, false, 0},
          {16, "A4", 11.68, 8.266, false, 0},
          {25, "custom E-arch", 118.11, 36.0, true, 15000},
          {26, "custom D-arch", 118.11, 24.0, true, 15000},
          {29, "custom A-arch", 118.11, 8.96, true, 15000},
          {34, "custom A-ANSI", 118.11, 8.5, true, 15000}};
}

TEST(SheetChoice, FixedSizesMatchRollsTakeTheRestAndTooLargePagesAreRefused) {
  SheetChoice c;
  std::string error;
  ASSERT_EQ(ChooseSheet(Papers(), 18.0, 24.0, false, c, error), 0);
  EXPECT_EQ(c.paper, 4) << "18 x 24 in is the table's C-arch";
  ASSERT_EQ(ChooseSheet(Papers(), 595 / 72.0, 842 / 72.0, false, c, error), 0);
  EXPECT_EQ(c.paper, 16);
  // ARCH A is 8.96 in wide in the table, its roll too: a 9 in page still
  // takes them rather than a wider roll.
  ASSERT_EQ(ChooseSheet(Papers(), 9.0, 12.0, false, c, error), 0);
  EXPECT_EQ(c.paper, 6);
  ASSERT_EQ(ChooseSheet(Papers(), 9.0, 12.0, true, c, error), 0);
  EXPECT_EQ(c.paper, 29);
  // The roll source, or a size the table lacks: the narrowest roll that
  // takes the page, at the page's length rounded up to a millimetre.
  ASSERT_EQ(ChooseSheet(Papers(), 18.0, 24.0, true, c, error), 0);
  EXPECT_EQ(c.paper, 26);
  EXPECT_EQ(c.lengthMm, 610);
  ASSERT_EQ(ChooseSheet(Papers(), 36.0, 590.0, false, c, error), 0);
  EXPECT_EQ(c.paper, 25);
  EXPECT_EQ(c.lengthMm, 14986);
  EXPECT_EQ(ChooseSheet(Papers(), 36.2, 40.0, true, c, error), -1);
  EXPECT_NE(error.find("wider than the widest roll"), std::string::npos);
  EXPECT_EQ(ChooseSheet(Papers(), 30.0, 600.0, true, c, error), -1);
  EXPECT_NE(error.find("15000"), std::string::npos);
}

// The driver turns a place into a count of strips through centimetres and
// floating point; every count the pages need must be reachable exactly.
TEST(PlaceSpans, EveryCountIsReachedExactlyAtEveryResolution) {
  for (const int32_t dpi : {600, 400, 300, 200})
    for (const bool qdrs : {false, true}) {
      if (qdrs && dpi != 400 && dpi != 200) continue;
      for (int32_t count = 1; count <= 22000; ++count) {
        const int32_t span = SpanForCount(count, dpi, qdrs);
        ASSERT_GT(span, 0) << dpi << " dpi, " << count;
        if (qdrs) continue;
        const double target = span * 0.0025, natural = (double(count) / dpi) * 2.54;
        ASSERT_EQ(static_cast<int32_t>(count * (target / natural)), count) << dpi << " dpi";
      }
    }
}

TEST(Pieces, CoverEveryStripOnceAndJoinOnWholeHostUnits) {
  for (const int32_t dpi : {600, 400, 300, 200}) {
    const int32_t period = PiecePeriod(dpi, false);
    EXPECT_EQ(static_cast<int64_t>(period) * 1016 % dpi, 0) << "a joint between two host units";
    const std::vector<ImagePiece> pieces = CutIntoPieces(354331, period, 6000);
    int32_t next = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
      EXPECT_EQ(pieces[i].first, next);
      EXPECT_EQ(pieces[i].first % period, 0);
      EXPECT_LE(pieces[i].count, 6000);
      next += pieces[i].count;
    }
    EXPECT_EQ(next, 354331);
  }
  EXPECT_EQ(CutIntoPieces(10, 75, 6000).size(), 1u);
  EXPECT_TRUE(CutIntoPieces(0, 75, 6000).empty());
}

TEST(Strips, LinesBecomeStripsInEveryPixelKind) {
  const PageFormat grey{4, 1, 600, PixelKind::Grey};
  const uint8_t greyLine[] = {0, 100, 200, 255};
  const uint8_t* lines[] = {greyLine};
  uint8_t out[18];
  ServeStrip(grey, lines, 1, 1, false, true, 5, out);
  EXPECT_EQ(
      std::vector<uint8_t>(out, out + 15),
      (std::vector<uint8_t>{0, 0, 0, 100, 100, 100, 200, 200, 200, 255, 255, 255, 255, 255, 255}))
      << "a dot past the page's width is white";
  ServeStrip(grey, lines, 1, 1, true, false, 4, out);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0, 0, 1, 1}))
      << "reversed, two-level: 1 for black";

  // A line long enough to be served in blocks: every dot its grey thrice,
  // and white past the page's width.
  const PageFormat wide{37, 1, 600, PixelKind::Grey};
  uint8_t ramp[37], rampRgb[3 * 40];
  for (int32_t x = 0; x < 37; ++x) ramp[x] = static_cast<uint8_t>(7 * x);
  lines[0] = ramp;
  ServeStrip(wide, lines, 1, 1, false, true, 40, rampRgb);
  for (int32_t j = 0; j < 40; ++j)
    for (int32_t c = 0; c < 3; ++c)
      ASSERT_EQ(rampRgb[3 * j + c], j < 37 ? ramp[j] : 255) << "dot " << j << ", colour " << c;
  uint8_t rampTwoLevel[40];
  ServeStrip(wide, lines, 1, 1, false, false, 40, rampTwoLevel);
  for (int32_t j = 0; j < 40; ++j)
    ASSERT_EQ(rampTwoLevel[j], j < 37 && ramp[j] < 128 ? 1 : 0) << "two-level dot " << j;

  const PageFormat black{10, 1, 600, PixelKind::Black1};
  const uint8_t bits[] = {0b10000000, 0b01000000};
  lines[0] = bits;
  ServeStrip(black, lines, 1, 1, false, false, 10, out);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 10),
            (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));

  const PageFormat rgb{2, 1, 600, PixelKind::Rgb};
  const uint8_t colours[] = {10, 20, 30, 40, 50, 60};
  lines[0] = colours;
  ServeStrip(rgb, lines, 1, 1, true, true, 2, out);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{40, 50, 60, 10, 20, 30}));
}

TEST(Strips, AnEnlargedStripKeepsTheDarkestDotOfEachBlock) {
  const PageFormat grey{4, 2, 300, PixelKind::Grey};
  const uint8_t first[] = {255, 255, 200, 255}, second[] = {255, 30, 255, 255};
  const uint8_t* lines[] = {first, second};
  uint8_t out[2];
  ServeStrip(grey, lines, 2, 2, false, false, 2, out);
  EXPECT_EQ(out[0], 1) << "a thin line in the second row of the block survives";
  EXPECT_EQ(out[1], 0);
  uint8_t colour[6];
  ServeStrip(grey, lines, 2, 2, false, true, 2, colour);
  EXPECT_EQ(colour[0], 30);
  EXPECT_EQ(colour[3], 200);
}

// A tile starts on a host unit both ways, and a band (and a block of tones)
// on the screen's period, counted in the driver's enlarged dots.
TEST(Tiles, CellsAndBandsStartOnHostUnitsAndTheScreensPeriod) {
  for (const int32_t dpi : {600, 400, 300, 200})
    for (const bool qdrs : {false, true})
      for (const int32_t n : {1, 2, 4, 8, 16}) {
        const TileGrid g = TileGridFor(dpi, qdrs, n);
        EXPECT_EQ(g.cell % PiecePeriod(dpi, qdrs), 0) << dpi << " " << n;
        EXPECT_EQ(g.band % g.cell, 0) << dpi << " " << n;
        EXPECT_EQ(g.band * n % 16, 0) << dpi << " " << n;
        EXPECT_LE(g.band * n, kMostBandLines) << "the lines a band holds";
      }
}

// The driver's rule for an image it codes in one band, as it states it: 4 x
// rows x (row bytes + 100) within 10 MB, a row holding its dots rounded up to
// whole 32-bit words, and one word more.
bool CodedInOneBand(const Tile& t, int32_t n, int32_t extra) {
  const int64_t rows = int64_t{t.strips + extra} * n;
  const int64_t rowBytes = ((int64_t{t.pixels} * n + 31) / 32 * 32 + 32) / 8;
  return 4 * rows * (rowBytes + 100) <= 10485760;
}

// Tiles too wide for one band are cut across, tones on their blocks' edges
// and the rest on cells, into pieces as wide as one band allows; the pieces
// cover the tile exactly and go in the order of their first pixel.
TEST(Tiles, WideTilesAreCutAcrossSoThatTheDriverCodesEachInOneBand) {
  for (const int32_t n : {1, 2, 3}) {
    const TileGrid g = TileGridFor(600, false, n);
    const int32_t strips = g.band, extra = n == 1 ? 1 : 0;
    const int32_t width = 43200 / n;  // a 36 in sheet at 600 dpi, twice over
    const std::vector<Tile> tiles = {
        {0, strips, 0, width, true},
        {g.cell, 2 * g.cell, 0, width - 7, false},
        {0, g.cell, width / 2 / g.cell * g.cell, g.cell, false},
    };
    const std::vector<Tile> cut = CutToOneBand(tiles, g, n, extra);
    int64_t covered[3] = {};
    for (size_t i = 0; i < cut.size(); ++i) {
      const Tile& piece = cut[i];
      EXPECT_TRUE(CodedInOneBand(piece, n, extra)) << n << ": piece " << i;
      if (i > 0) {
        EXPECT_LE(cut[i - 1].firstPixel, piece.firstPixel) << n << ": order";
      }
      const int32_t from = piece.tones ? 0 : piece.firstStrip == g.cell ? 1 : 2;
      const Tile& whole = tiles[from];
      EXPECT_EQ(piece.firstStrip, whole.firstStrip);
      EXPECT_EQ(piece.strips, whole.strips);
      EXPECT_EQ((piece.firstPixel - whole.firstPixel) % (piece.tones ? g.band : g.cell), 0);
      // Not cut finer than one band needs: a piece one step wider would not fit.
      Tile wider = piece;
      wider.pixels += piece.tones ? g.band : g.cell;
      if (piece.firstPixel + piece.pixels < whole.firstPixel + whole.pixels) {
        EXPECT_FALSE(CodedInOneBand(wider, n, extra)) << n << ": piece " << i;
      }
      covered[from] += piece.pixels;
    }
    for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(covered[k], tiles[k].pixels) << n << ": tile " << k;
    EXPECT_GT(cut.size(), tiles.size()) << n;
  }
  // A tile that fits stays whole.
  const TileGrid g = TileGridFor(300, false, 1);
  const std::vector<Tile> narrow = {{0, g.band, 0, 10800, true}};
  EXPECT_EQ(CutToOneBand(narrow, g, 1, 0).size(), 1u);
}

// Random bands of cells: every inked cell is printed by exactly one tile and
// no white one outside a block of tones; tones only in band-high blocks
// that start on a block's edge, and only tiles without tones two-level.
TEST(Tiles, EveryInkedCellIsSentOnceAndTonesInWholeBlocks) {
  std::mt19937 random(7);
  const TileGrid grid{50, 400};
  for (int32_t round = 0; round < 300; ++round) {
    const int32_t across = 1 + random() % 30, rows = 1 + random() % 8;
    const int32_t pixels = across * 50 - static_cast<int32_t>(random() % 50);
    const int32_t strips = rows * 50 - static_cast<int32_t>(random() % 50);
    std::vector<CellInk> cells(static_cast<size_t>(across) * rows);
    for (CellInk& c : cells) {
      const uint32_t r = random() % 20;
      c = r < 12 ? CellInk::White : r < 19 ? CellInk::Solid : CellInk::Tone;
    }
    std::vector<int32_t> covered(cells.size(), 0);
    for (const Tile& t : PlanTiles(cells, across, grid, strips, pixels, 0)) {
      ASSERT_EQ(t.firstStrip % 50, 0);
      ASSERT_EQ(t.firstPixel % 50, 0);
      ASSERT_LE(t.firstStrip + t.strips, strips);
      ASSERT_LE(t.firstPixel + t.pixels, pixels);
      bool tone = false;
      for (int32_t r = t.firstStrip / 50; r * 50 < t.firstStrip + t.strips; ++r)
        for (int32_t c = t.firstPixel / 50; c * 50 < t.firstPixel + t.pixels; ++c) {
          ++covered[r * across + c];
          tone = tone || cells[r * across + c] == CellInk::Tone;
        }
      // Sent two-level, a tone would print black or white.
      EXPECT_EQ(t.tones, tone) << round;
      if (tone) {
        EXPECT_EQ(t.firstPixel % grid.band, 0) << "a tone off the screen's period";
        EXPECT_EQ(t.strips, strips);
      }
    }
    for (size_t i = 0; i < cells.size(); ++i) {
      if (cells[i] != CellInk::White) {
        EXPECT_EQ(covered[i], 1) << round << ": cell " << i;
      }
      EXPECT_LE(covered[i], 1) << round << ": cell " << i;
    }
  }
  EXPECT_TRUE(PlanTiles(std::vector<CellInk>(12, CellInk::White), 4, grid, 150, 200, 0).empty());
  // Two tiles that cost more than the band whole: the band whole.
  const std::vector<CellInk> two{CellInk::Solid, CellInk::White, CellInk::Solid};
  EXPECT_EQ(PlanTiles(two, 3, grid, 50, 150, 0).size(), 2u);
  const std::vector<Tile> whole = PlanTiles(two, 3, grid, 50, 150, 2500);
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_EQ(whole[0].pixels, 150);
  EXPECT_FALSE(whole[0].tones);
}

// The cells see every kind of dot the lines hold, white past the page's end.
TEST(Tiles, CellsTellWhiteFromBlackAndWhiteFromTones) {
  const PageFormat grey{130, 2, 300, PixelKind::Grey};
  std::vector<uint8_t> a(130, 255), b(130, 255);
  a[60] = 0;    // cell 1
  b[129] = 77;  // cell 2, the page's last dot
  const uint8_t* lines[] = {a.data(), b.data()};
  const std::vector<CellInk> cells = ClassifyCells(grey, lines, 2, 50, 4);
  EXPECT_EQ(cells,
            (std::vector<CellInk>{CellInk::White, CellInk::Solid, CellInk::Tone, CellInk::White}));
  // The greys next to black and white are tones, wherever they fall among
  // the cell's dots.
  for (const uint8_t tone : {1, 254})
    for (const int32_t x : {0, 13, 47, 99, 110}) {
      std::vector<uint8_t> c(130, 255);
      c[60] = c[111] = 0;
      c[x] = tone;
      const uint8_t* toned[] = {c.data()};
      const std::vector<CellInk> got = ClassifyCells(grey, toned, 1, 50, 3);
      EXPECT_EQ(got[x / 50], CellInk::Tone) << int{tone} << " at " << x;
      EXPECT_EQ(got[1], x / 50 == 1 ? CellInk::Tone : CellInk::Solid) << int{tone} << " at " << x;
    }
  // One-bit lines: a dot set is ink, and screened in the image's pen.
  const PageFormat bits{130, 1, 300, PixelKind::Black1};
  std::vector<uint8_t> c(17, 0);
  c[16] = 0x40;  // dot 129
  const uint8_t* bitLines[] = {c.data()};
  EXPECT_EQ(ClassifyCells(bits, bitLines, 1, 50, 3),
            (std::vector<CellInk>{CellInk::White, CellInk::White, CellInk::Tone}));
}

}  // namespace

// The canvas and the band writer: screening, padding, banding, framing, and
// every band decoded by libtiff back to the canvas rows.
#include "raster/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/tone.h"
#include "raster/bands.h"
#include "tests/band_reader.h"
#include "tests/driver_fixture.h"
#include "tests/golden.h"

namespace {

using namespace std::string_literals;

const RasterFraming& Framing(int32_t qdrs) {
  return qdrs != 0 ? kQdrsFraming : kRtlFraming;
}

void ResetCanvas(uint16_t jobFlags = 0x0200, int32_t qdrs = 0) {
  RasterEnd();
  ResetDriver();
  for (int32_t g = 0; g < 256; ++g) ToneTable[g] = static_cast<uint8_t>(g);
  rasterCanvasLimit = int64_t{1} << 30;
  SelectRasterResolution(jobFlags, Framing(qdrs));
}

// An image of `rows` colour strips of `width` pixels, pixel (x, y) the grey
// grey(x, y), placed at (700, 1000) when it is QDRS.
template <typename F>
void Draw(int32_t width, int32_t rows, F grey, int32_t n = 1, int32_t qdrs = 0,
          int32_t transparent = 0, int32_t turned = 0) {
  ASSERT_EQ(RasterBegin(width, rows, transparent, 0, 1, 2, &Framing(qdrs), 700, 1000, n, turned),
            0);
  std::vector<uint8_t> strip(3 * width);
  for (int32_t y = 0; y < rows; ++y) {
    for (int32_t x = 0; x < width; ++x) std::fill_n(&strip[3 * x], 3, grey(x, y));
    RasterAddStrip(width, strip.data(), kStripColour, 0, 0, 0);
  }
}

const auto Black = [](int32_t, int32_t) { return 0; };

const auto CanvasBlack = [](int32_t x, int32_t y) -> bool {
  return raster.canvas[y * (raster.rowBits / 32) + x / 32] >> (31 - x % 32) & 1;
};

// The canvas rows as the coded bands carry them, most significant bit first.
std::vector<uint8_t> CanvasBytes() {
  std::vector<uint8_t> canvas;
  for (int32_t i = 0; i < raster.rowsDone * (raster.rowBits / 32); ++i)
    for (int32_t k = 0; k < 4; ++k) canvas.push_back(raster.canvas[i] >> (24 - 8 * k));
  return canvas;
}

// Finishes the image; its bands must decode to exactly the canvas rows.
std::vector<WrittenBand> FinishAndDecode(bool qdrs) {
  const std::vector<uint8_t> canvas = CanvasBytes();
  EXPECT_EQ(RasterFinish(), 0);
  const auto bands = qdrs ? ReadQdrsBands(hostLog.output) : ReadRtlBands(hostLog.output);
  EXPECT_TRUE(DecodedBands(bands) == canvas) << "the bands do not decode to the canvas";
  return bands;
}

TEST(Canvas, ScreeningPaddingAndKeyColour) {
  ResetCanvas();
  for (int32_t n : {1, 2}) {  // whole words plus one word of white
    Draw(100, 1, Black, n);
    ASSERT_EQ(raster.rowBits, n == 1 ? 160 : 256);
    for (int32_t x = 0; x < raster.rowBits; ++x)
      ASSERT_TRUE(CanvasBlack(x, 0) == (x < 100 * n) && CanvasBlack(x, n - 1) == (x < 100 * n))
          << x;
  }
  // Black (d 255, even under threshold 256), white (d 0), then d 1: threshold 1
  // only, at matrix column 0, which the screen lays on image column 8.
  Draw(32, 33, [](int32_t, int32_t y) { return y < 16 ? 0 : y < 32 ? 255 : 254; });
  for (int32_t y = 0; y < 33; ++y)
    for (int32_t x = 0; x < 64; ++x)
      ASSERT_EQ(CanvasBlack(x, y), x < 32 && (y < 16 || (y == 32 && x % 16 == 8))) << x << "," << y;

  const std::vector<uint8_t> keyed = {0, 1, 2, 0, 1, 3};
  for (int32_t transparent : {1, 0}) {
    RasterBegin(2, 1, transparent, 0, 1, 2, &kRtlFraming, 0, 0, 1, 0);
    RasterAddStrip(2, keyed.data(), kStripColour, 0, 0, 0);
    EXPECT_EQ(CanvasBlack(0, 0), transparent == 0) << "only a transparent image drops the key";
    EXPECT_TRUE(CanvasBlack(1, 0));
  }
  ToneTable[255] = 200;  // white prints as a light grey, padding included
  Draw(40, 16, [](int32_t, int32_t) { return 255; });
  int32_t dots = 0;
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 96; ++x) dots += CanvasBlack(x, y);
  EXPECT_EQ(dots, 6 * 55) << "each 16 x 16 cell holds every threshold once";
}

TEST(Canvas, StripsOfTheWrongLengthAreCutOrPaddedWithWhite) {
  ResetCanvas();
  RasterBegin(50, 4, 0, 0, 1, 2, &kRtlFraming, 0, 0, 1, 0);
  const std::vector<uint8_t> black(80, 1);
  RasterAddStrip(80, black.data(), kStripTwoLevel, 0, 0, 0);  // too long: cut at 50
  RasterAddStrip(20, black.data(), kStripTwoLevel, 0, 0, 0);  // too short: white after 20
  RasterAddStrip(-7, black.data(), kStripTwoLevel, 0, 0, 0);  // no pixels at all
  RasterAddStrip(50, nullptr, kStripTwoLevel, 0, 0, 0);       // no pixel address
  RasterAddStrip(50, black.data(), kStripTwoLevel, 0, 0, 0);  // one strip too many
  EXPECT_EQ(raster.rowsDone, 4);
  for (int32_t x = 0; x < 96; ++x)
    ASSERT_TRUE(CanvasBlack(x, 0) == (x < 50) && CanvasBlack(x, 1) == (x < 20) &&
                !CanvasBlack(x, 2) && !CanvasBlack(x, 3))
        << x;
}

TEST(Canvas, QdrsBandsDrawnAt400DpiAfterAWhiteBox) {
  for (int32_t dpi : {400, 200}) {
    ResetCanvas(dpi == 400 ? 0x0200 : 0x0800, 1);
    Draw(
        157, 157, [](int32_t x, int32_t y) { return x * 7 + y * 3; }, 1, 1);
    const std::string data = FinishAndDecode(true).at(0).data;
    RasterEnd();
    const int32_t s = 400 / dpi;
    const std::string start = "\x9B\x52\x00\x02\x00"s + static_cast<char>(dpi == 400) +
                              "\x9B\x5F\x00\x1A"s + BigEndian(700) + BigEndian(1000);
    const std::string coded = "\x00\x01\x9B\x5D\x00\x02\x02\x07\x9B\x5C"s;
    EXPECT_BYTES(
        hostLog.output,
        start + BigEndian(32) + BigEndian(1) + BigEndian(157 * s) + BigEndian(157 * s) + coded +
            "\x00\x00\x00\x04\x80\x08\x00\x80\x9B\x5D\x00\x02\x02\x00\x9B\x5E\x00\x02\x00\x01"s +
            start + BigEndian(192) + BigEndian(157) + BigEndian(192 * s) + BigEndian(157 * s) +
            coded + BigEndian(data.size()) + data +
            "\x9B\x5D\x00\x02\x02\x00\x9B\x52\x00\x02\x00\x01"s)
        << dpi;
  }
}

// At 200 dpi the device draws every canvas pixel two units wide. The bands of a
// tall image follow one another by their drawn height, each opaque one over a
// white box of its own drawn size; placed by their records, the decoded bands
// cover every device row of the image once, with the canvas row it shows.
TEST(Canvas, QdrsBandsAt200DpiTileTheImage) {
  constexpr int32_t kWidth = 32, kRows = 24300;  // past the one-band limit: bands of 768
  for (const int32_t transparent : {0, 1}) {
    for (const int32_t turned : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "transparent " << transparent << ", turned " << turned);
      ResetCanvas(0x0800, 1);
      Draw(
          kWidth, kRows, [](int32_t x, int32_t y) { return (x * 37 + y * 11) % 256; }, 1, 1,
          transparent, turned);
      const std::vector<uint8_t> canvas = CanvasBytes();
      const size_t rowBytes = raster.rowBits / 8;
      const std::vector<WrittenBand> bands = FinishAndDecode(true);
      RasterEnd();
      ASSERT_EQ(bands.size(), 32u);
      const int32_t start = turned ? 700 : 1000;
      std::vector<int32_t> covered(2 * kRows, 0);
      int32_t next = start;
      for (const WrittenBand& b : bands) {
        const int32_t along = turned ? b.originX : b.originY;
        const int32_t across = turned ? b.originY : b.originX;
        ASSERT_TRUE(along == next && across == (turned ? 1000 : 700)) << along << "," << across;
        ASSERT_TRUE(b.drawnWidth == 2 * b.rowBits && b.drawnRows == 2 * b.rows);
        EXPECT_EQ(b.afterBox, transparent == 0);
        if (transparent == 0) {
          EXPECT_TRUE(b.boxX == b.originX && b.boxY == b.originY && b.boxWidth == 2 * kWidth &&
                      b.boxRows == b.drawnRows)
              << b.boxX << "," << b.boxY << " " << b.boxWidth << "x" << b.boxRows;
        }
        const std::vector<uint8_t> rows = TiffDecodeG4(
            reinterpret_cast<const uint8_t*>(b.data.data()), b.data.size(), b.rowBits, b.rows);
        ASSERT_EQ(rows.size(), rowBytes * b.rows);
        for (int32_t k = 0; k < b.drawnRows; ++k) {
          const int32_t unit = along - start + k;  // device row within the image
          ASSERT_TRUE(unit >= 0 && unit < 2 * kRows) << unit;
          ++covered[unit];
          const size_t source = static_cast<size_t>(k * b.rows / b.drawnRows) * rowBytes;
          ASSERT_TRUE(std::equal(rows.begin() + source, rows.begin() + source + rowBytes,
                                 canvas.begin() + (unit / 2) * rowBytes))
              << "device row " << unit;
        }
        next = along + b.drawnRows;
      }
      EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), 2 * kRows) << "no gap, no overlap";
    }
  }
}

// An image drawn in alternating columns that shift every 40 rows, its bands
// decoded: their heights, where each is placed, and the coded area's size.
// One test a case, so that CTest runs them at once.
struct BandCase {
  const char* name;
  int32_t width, rows, qdrs, transparent, turned, height, dots;
  size_t bands;
};

// 4 x 10240 rows x (156 + 100) bytes = 10,485,760 is one band; a row more
// makes bands of 32 x ceil(320 / 32) = 320 rows, 812 dots apart. 11000 rows
// are 343 units, not a whole number of 32: bands of 32 x 11 = 352 rows, the
// last of 88. 1000 wider rows make 31 units: bands of 32 rows, 81 dots apart,
// the last of 8, in either language and either way round. 20 rows of
// 1,100,000 pass the limit though floor(20 / 32) is 0. Alternate pixels on a
// first row cost 6 bits each, more than the coded area is first sized for.
constexpr BandCase kBandCases[] = {
    {"OneBandAtTheLimit", 1216, 10240, 0, 0, 0, 10240, 0, 1},
    {"ARowPastTheLimit", 1216, 10241, 0, 0, 0, 320, 812, 33},
    {"UnitsNotAWholeNumberOf32", 1216, 11000, 0, 0, 0, 352, 894, 32},
    {"WideInRtl", 20160, 1000, 0, 0, 0, 32, 81, 32},
    {"WideInRtlTurned", 20160, 1000, 0, 0, 1, 32, 81, 32},
    {"WideInQdrs", 20160, 1000, 1, 0, 0, 32, 0, 32},
    {"WideInQdrsTransparentTurned", 20160, 1000, 1, 1, 1, 32, 0, 32},
    {"FewRowsPastTheLimit", 1100000, 20, 0, 0, 0, 20, 0, 1},
    {"AFirstRowCostlierThanSized", 8192, 1, 0, 0, 0, 1, 0, 1},
};

void PrintTo(const BandCase& c, std::ostream* out) {
  *out << c.name;
}

class CanvasBands : public testing::TestWithParam<BandCase> {};

TEST_P(CanvasBands, HeightsBreaksAndCodedSizes) {
  const BandCase& c = GetParam();
  ResetCanvas(0x0200, c.qdrs);
  const auto pixels = [](int32_t x, int32_t y) { return (x + y / 40) % 2 * 255; };
  Draw(c.width, c.rows, pixels, 1, c.qdrs, c.transparent, c.turned);
  const std::vector<WrittenBand> bands = FinishAndDecode(c.qdrs);
  ASSERT_EQ(bands.size(), c.bands);
  for (int32_t i = 0; i < static_cast<int32_t>(c.bands); ++i) {
    EXPECT_EQ(bands[i].rows, std::min(c.height, c.rows - i * c.height));
    if (c.qdrs == 0) continue;
    EXPECT_EQ(bands[i].afterBox, c.transparent == 0) << "a white box under opaque bands only";
    EXPECT_EQ(bands[i].originX, 700 + (c.turned ? 32 * i : 0));
    EXPECT_EQ(bands[i].originY, 1000 + (c.turned ? 0 : 32 * i));
  }
  const std::string d = std::to_string(c.dots), next = c.turned ? d + ",0" : "0," + d;
  EXPECT_EQ(CountOf(hostLog.output, "\x1b*rC\x1b%0BPR" + next + "\x1b%1A\x1b&a0N\x1b*t400R"),
            c.qdrs ? 0 : c.bands - 1);
  EXPECT_GT(bands[0].data.size(), c.rows == 1 ? 4u * (raster.rowBits / 8 + 100) : 0u);
}

INSTANTIATE_TEST_SUITE_P(Canvas, CanvasBands, testing::ValuesIn(kBandCases),
                         [](const testing::TestParamInfo<BandCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(Canvas, NoRowsIsAnEmptyRasterAndNoRoomIsNoOutput) {
  ResetCanvas();
  RasterBegin(100, 10, 0, 0, 1, 2, &kRtlFraming, 0, 0, 1, 0);
  EXPECT_EQ(RasterFinish(), 0);
  RasterEnd();
  EXPECT_BYTES(hostLog.output, "\x1b%1A\x1b&a0N\x1b*t400R\x1b*rC\x1b%0B");
  hostLog.output.clear();
  EXPECT_EQ(RasterReserve(1 << 30, 1 << 30, 16), -1) << "sizes past 32 bits";
  EXPECT_EQ(RasterReserve(1 << 26, 1, 1), -1) << "rows past what 32-bit run lists hold";
  rasterCanvasLimit = 1000;
  EXPECT_EQ(RasterBegin(100, 100, 0, 0, 1, 2, &kRtlFraming, 0, 0, 1, 0), -1);
  EXPECT_TRUE(raster.canvas == nullptr && hostLog.output.empty());
  EXPECT_EQ(RasterAddStrip(1, nullptr, kStripColour, 0, 0, 0), -1);
  EXPECT_EQ(RasterFinish(), -1);
}

TEST(Canvas, ResolutionCodes) {
  EXPECT_EQ(SelectRasterResolution(0x0100, kRtlFraming), 600.0);
  EXPECT_EQ(SelectRasterResolution(0x0300, kRtlFraming), 600.0) << "two bits: the last one stays";
  EXPECT_EQ(SelectRasterResolution(0x0100, kQdrsFraming), 400.0) << "QDRS has no 600 dpi raster";
  EXPECT_EQ(SelectRasterResolution(0x0000, kRtlFraming), 400.0) << "no code: QDRS's stays";
}

}  // namespace

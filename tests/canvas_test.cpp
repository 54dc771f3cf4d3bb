// The canvas and the band writer: screening, padding, banding, framing, and
// every band decoded by libtiff back to the canvas rows.
#include "raster/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "raster/tone.h"
#include "tests/band_reader.h"
#include "tests/driver_fixture.h"
#include "tests/golden.h"
#include "tests/tiff_oracle.h"

namespace {

void ResetCanvas() {
  ResetDriver();
  RasterEnd();
  for (int32_t g = 0; g < 256; ++g) ToneTable[g] = static_cast<uint8_t>(g);
  rasterCanvasLimit = int64_t{1} << 30;
  SelectRasterResolution(0x0200, 0);
  hostLog = HostLog{};
  ConnectDriver(&PLADI);
}

void Begin(int32_t width, int32_t height, int32_t n = 1, int32_t qdrs = 0, int32_t transparent = 0,
           int32_t originX = 0, int32_t originY = 0, int32_t turned = 0) {
  ASSERT_EQ(RasterBegin(width, height, transparent, 0, 1, 2, qdrs, originX, originY, n, turned), 0);
}

bool CanvasBlack(int32_t x, int32_t y) {
  const uint32_t word = raster.canvas[static_cast<size_t>(y) * (raster.rowBits / 32) + x / 32];
  return (word >> (31 - x % 32)) & 1;
}

// Canvas rows as the printer gets them: bytes, first pixel in the top bit.
std::vector<uint8_t> CanvasBytes(int32_t first, int32_t count) {
  std::vector<uint8_t> bytes;
  const int32_t words = raster.rowBits / 32;
  for (int32_t i = first * words; i < (first + count) * words; ++i)
    for (int32_t k = 0; k < 4; ++k)
      bytes.push_back(static_cast<uint8_t>(raster.canvas[i] >> (24 - 8 * k)));
  return bytes;
}

// A colour strip whose every pixel is the same grey.
std::vector<uint8_t> GreyStrip(int32_t n, uint8_t grey) {
  return std::vector<uint8_t>(3 * n, grey);
}

// Finishes the image and checks that every band decodes to its canvas rows.
std::vector<WrittenBand> FinishAndDecode(bool qdrs) {
  const int32_t rows = raster.rowsDone;
  const std::vector<uint8_t> all = CanvasBytes(0, rows);
  const size_t rowBytes = raster.rowBits / 8;
  EXPECT_EQ(RasterFinish(), 0);
  const std::vector<WrittenBand> bands =
      qdrs ? ReadQdrsBands(hostLog.output) : ReadRtlBands(hostLog.output);
  int32_t first = 0;
  for (const WrittenBand& band : bands) {
    const auto* data = reinterpret_cast<const uint8_t*>(band.data.data());
    const std::vector<uint8_t> decoded =
        TiffDecodeG4(data, band.data.size(), band.rowBits, band.rows);
    const std::vector<uint8_t> expected(all.begin() + first * rowBytes,
                                        all.begin() + (first + band.rows) * rowBytes);
    EXPECT_TRUE(decoded == expected) << "band at row " << first << " does not decode to the canvas";
    first += band.rows;
  }
  EXPECT_EQ(first, rows);
  return bands;
}

TEST(Canvas, RowWidthIsWholeWordsPlusOneWhiteWord) {
  ResetCanvas();
  Begin(100, 1, 1);
  const std::vector<uint8_t> strip(100, 1);
  RasterAddStrip(100, strip.data(), kStripTwoLevel, 0, 0, 0);
  EXPECT_EQ(raster.rowBits, 160);
  EXPECT_EQ(raster.rowsDone, 1);
  Begin(100, 1, 2);
  RasterAddStrip(100, strip.data(), kStripTwoLevel, 0, 0, 0);
  EXPECT_EQ(raster.rowBits, 256);
  EXPECT_EQ(raster.rowsDone, 2);
  for (int32_t x = 0; x < 256; ++x) {
    EXPECT_EQ(CanvasBlack(x, 0), x < 200) << x;
    EXPECT_EQ(CanvasBlack(x, 1), x < 200) << x;
  }
}

TEST(Canvas, WhiteStaysWhiteOnlyWhileTheToneTableKeepsIt) {
  ResetCanvas();
  Begin(40, 1);
  const std::vector<uint8_t> clear(40, 0);
  RasterAddStrip(40, clear.data(), kStripTwoLevel, 0, 0, 0);
  for (int32_t x = 0; x < raster.rowBits; ++x) ASSERT_FALSE(CanvasBlack(x, 0)) << x;

  ToneTable[255] = 200;  // white prints as a light grey, padding included
  Begin(40, 16);
  for (int32_t y = 0; y < 16; ++y) RasterAddStrip(40, clear.data(), kStripTwoLevel, 0, 0, 0);
  int32_t padDots = 0;
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < raster.rowBits; ++x) {
      EXPECT_EQ(CanvasBlack(x, y), ScreenMatrix[y % 16][(x % 16) ^ 8] <= 55) << x << "," << y;
      if (x >= 40 && CanvasBlack(x, y)) ++padDots;
    }
  EXPECT_GT(padDots, 0);
}

TEST(Canvas, TransparentImagesMakeOnlyTheKeyColourWhite) {
  ResetCanvas();
  const std::vector<uint8_t> pixels = {0, 1, 2, 0, 1, 3};
  Begin(2, 1, 1, 0, 1);
  RasterAddStrip(2, pixels.data(), kStripColour, 0, 0, 0);
  EXPECT_FALSE(CanvasBlack(0, 0));
  EXPECT_TRUE(CanvasBlack(1, 0));
  Begin(2, 1, 1, 0, 0);
  RasterAddStrip(2, pixels.data(), kStripColour, 0, 0, 0);
  EXPECT_TRUE(CanvasBlack(0, 0)) << "an opaque image keeps the key colour";
}

TEST(Canvas, ScreenPatternsFollowTheMatrix) {
  BuildScreenPatterns();
  EXPECT_EQ(ScreenMatrix[0][0], 1);
  EXPECT_EQ(ScreenMatrix[0][8], 2);
  EXPECT_EQ(ScreenMatrix[8][0], 3);
  EXPECT_EQ(ScreenMatrix[13][8], 256);
  EXPECT_EQ(ScreenMatrix[7][15], 134);
  for (int32_t r = 0; r < 16; ++r) {
    EXPECT_EQ(ScreenPatterns[r][0], 0);
    EXPECT_EQ(ScreenPatterns[r][255], 0xFFFF);
    for (int32_t d = 1; d < 255; ++d)
      for (int32_t c = 0; c < 16; ++c)
        ASSERT_EQ((ScreenPatterns[r][d] >> (15 - c)) & 1, ScreenMatrix[r][c] <= d ? 1 : 0);
  }
}

TEST(Canvas, ScreenIsShiftedByEightColumns) {
  ResetCanvas();
  Begin(64, 1);
  const std::vector<uint8_t> light = GreyStrip(64, 254);  // darkness 1: threshold 1 only
  RasterAddStrip(64, light.data(), kStripColour, 0, 0, 0);
  for (int32_t x = 0; x < 64; ++x) EXPECT_EQ(CanvasBlack(x, 0), x % 16 == 8) << x;

  Begin(32, 2);
  const std::vector<uint8_t> black = GreyStrip(32, 0);
  RasterAddStrip(32, black.data(), kStripColour, 0, 0, 0);
  RasterAddStrip(32, GreyStrip(32, 255).data(), kStripColour, 0, 0, 0);
  for (int32_t x = 0; x < 32; ++x) {
    EXPECT_TRUE(CanvasBlack(x, 0));
    EXPECT_FALSE(CanvasBlack(x, 1));
  }
}

TEST(Canvas, StripsOfTheWrongLengthAreCutOrPaddedWithWhite) {
  ResetCanvas();
  Begin(50, 4);
  const std::vector<uint8_t> black(80, 1);
  RasterAddStrip(80, black.data(), kStripTwoLevel, 0, 0, 0);  // too long: cut at 50
  RasterAddStrip(20, black.data(), kStripTwoLevel, 0, 0, 0);  // too short: white after 20
  RasterAddStrip(-7, black.data(), kStripTwoLevel, 0, 0, 0);  // no pixels at all
  RasterAddStrip(50, nullptr, kStripTwoLevel, 0, 0, 0);       // no pixel address
  EXPECT_EQ(raster.rowBits, 96);
  for (int32_t x = 0; x < 96; ++x) {
    EXPECT_EQ(CanvasBlack(x, 0), x < 50) << x;
    EXPECT_EQ(CanvasBlack(x, 1), x < 20) << x;
    EXPECT_FALSE(CanvasBlack(x, 2));
    EXPECT_FALSE(CanvasBlack(x, 3));
  }
  RasterAddStrip(50, black.data(), kStripTwoLevel, 0, 0, 0);  // one strip more than expected
  EXPECT_EQ(raster.rowsDone, 4);
}

TEST(Canvas, HpRtlBandFraming) {
  ResetCanvas();
  Begin(157, 157);
  for (int32_t y = 0; y < 157; ++y) {
    std::vector<uint8_t> strip(3 * 157);
    for (int32_t x = 0; x < 3 * 157; ++x) strip[x] = static_cast<uint8_t>(x * 7 + y * 3);
    RasterAddStrip(157, strip.data(), kStripColour, 0, 0, 0);
  }
  const std::vector<WrittenBand> bands = FinishAndDecode(false);
  ASSERT_EQ(bands.size(), 1u);
  RasterEnd();
  const std::string& data = bands[0].data;
  const std::string expected = std::string("\x1b%1A\x1b&a0N\x1b*t400R") + "\x1b*r192S" +
                               "\x1b*r157T" + "\x1b*r1A" + "\x1b" + "*b8M" + "\x1b" + "*b" +
                               std::to_string(data.size() + 4) + "W" +
                               std::string("\x00\x00\x00\xC0", 4) + data + "\x1b*rC\x1b%0B";
  EXPECT_BYTES(hostLog.output, expected);
  EXPECT_EQ(data.size() % 2, 0u);
  EXPECT_NE(std::find(hostLog.writeSizes.begin(), hostLog.writeSizes.end(),
                      static_cast<int32_t>(data.size())),
            hostLog.writeSizes.end())
      << "the band's data goes out in one write";
}

std::string Number(int32_t v) {
  std::string s(4, '\0');
  for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(static_cast<uint32_t>(v) >> (24 - 8 * k));
  return s;
}

std::string Bytes(std::initializer_list<uint8_t> b) {
  return std::string(b.begin(), b.end());
}

TEST(Canvas, QdrsBandRecordsWithTheWhiteBox) {
  for (int32_t dpi : {400, 200}) {
    ResetCanvas();
    SelectRasterResolution(dpi == 400 ? 0x0200 : 0x0800, 1);
    const std::string resolution =
        Bytes({0x9B, 0x52, 0x00, 0x02, 0x00, static_cast<uint8_t>(dpi == 400 ? 1 : 0)});
    Begin(157, 157, 1, 1, 0, 700, 1000);
    for (int32_t y = 0; y < 157; ++y) {
      std::vector<uint8_t> strip(157);
      for (int32_t x = 0; x < 157; ++x) strip[x] = (x * y) % 5 == 0;
      RasterAddStrip(157, strip.data(), kStripTwoLevel, 0, 0, 0);
    }
    const std::vector<WrittenBand> bands = FinishAndDecode(true);
    ASSERT_EQ(bands.size(), 1u);
    RasterEnd();
    const int32_t scale = dpi == 400 ? 1 : 2;
    const std::string& data = bands[0].data;
    const std::string expected =
        resolution + Bytes({0x9B, 0x5F, 0x00, 0x1A}) + Number(700) + Number(1000) + Number(32) +
        Number(1) + Number(157) + Number(157) + Bytes({0x00, 0x01}) +
        Bytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x07}) + Bytes({0x9B, 0x5C, 0x00, 0x00, 0x00, 0x04}) +
        Bytes({0x80, 0x08, 0x00, 0x80}) + Bytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x00}) +
        Bytes({0x9B, 0x5E, 0x00, 0x02, 0x00, 0x01}) + resolution + Bytes({0x9B, 0x5F, 0x00, 0x1A}) +
        Number(700) + Number(1000) + Number(192) + Number(157) + Number(192 * scale) +
        Number(157 * scale) + Bytes({0x00, 0x01}) + Bytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x07}) +
        Bytes({0x9B, 0x5C}) + Number(static_cast<int32_t>(data.size())) + data +
        Bytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x00}) + Bytes({0x9B, 0x52, 0x00, 0x02, 0x00, 0x01});
    EXPECT_BYTES(hostLog.output, expected);
  }
}

TEST(Canvas, EstimateAtTheLimitIsOneBand) {
  ResetCanvas();
  // 4 x 10240 rows x (156 + 100) bytes = 10,485,760.
  Begin(1216, 10241);
  const std::vector<uint8_t> white = GreyStrip(1216, 255);
  for (int32_t y = 0; y < 10240; ++y) RasterAddStrip(1216, white.data(), kStripColour, 0, 0, 0);
  ASSERT_EQ(raster.rowBits, 1248);
  std::vector<WrittenBand> bands = FinishAndDecode(false);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_EQ(bands[0].rows, 10240);

  // One row more: bands of 32 x ceil(320 / 32) = 320 rows, a break of 812 dots
  // each at 400 dpi.
  hostLog = HostLog{};
  ConnectDriver(&PLADI);
  RasterAddStrip(1216, white.data(), kStripColour, 0, 0, 0);
  bands = FinishAndDecode(false);
  ASSERT_EQ(bands.size(), 33u);
  for (size_t i = 0; i < 32; ++i) EXPECT_EQ(bands[i].rows, 320);
  EXPECT_EQ(bands[32].rows, 1);
  const std::string breakText = "\x1b*rC\x1b%0BPR0,812\x1b%1A\x1b&a0N\x1b*t400R";
  EXPECT_EQ(CountOf(hostLog.output, breakText), 32u);
  EXPECT_EQ(
      hostLog.output.compare(bands[0].dataAt + bands[0].data.size(), breakText.size(), breakText),
      0)
      << "the break follows the band's data";
  RasterEnd();
}

TEST(Canvas, WideRowsSplitIntoBandsOf32Rows) {
  ResetCanvas();
  // 4 x 1000 x (2528 + 100) is over the limit: floor(1000 / 32) = 31 units,
  // so bands of 32 x ceil(31 / 32) = 32 rows.
  Begin(20160, 1000);
  std::vector<uint8_t> strip(3 * 20160);
  for (int32_t y = 0; y < 1000; ++y) {
    for (int32_t x = 0; x < 20160; ++x)
      strip[3 * x] = strip[3 * x + 1] = strip[3 * x + 2] = static_cast<uint8_t>((x / 40 + y) * 3);
    RasterAddStrip(20160, strip.data(), kStripColour, 0, 0, 0);
  }
  ASSERT_EQ(raster.rowBits, 20192);
  const std::vector<WrittenBand> bands = FinishAndDecode(false);
  ASSERT_EQ(bands.size(), 32u);
  for (size_t i = 0; i < 31; ++i) EXPECT_EQ(bands[i].rows, 32);
  EXPECT_EQ(bands[31].rows, 8);
  RasterEnd();
}

TEST(Canvas, QdrsBandsMoveTheOriginAndBoxOnlyOpaqueImages) {
  for (int32_t transparent : {0, 1}) {
    ResetCanvas();
    SelectRasterResolution(0x0200, 1);
    Begin(20160, 1000, 1, 1, transparent, 50, 60);
    const std::vector<uint8_t> white(20160, 0);
    for (int32_t y = 0; y < 1000; ++y) RasterAddStrip(20160, white.data(), kStripTwoLevel, 0, 0, 0);
    const std::vector<WrittenBand> bands = FinishAndDecode(true);
    ASSERT_EQ(bands.size(), 32u);
    for (size_t i = 0; i < bands.size(); ++i) {
      EXPECT_EQ(bands[i].afterBox, transparent == 0) << i;
      EXPECT_EQ(bands[i].originX, 50);
      EXPECT_EQ(bands[i].originY, 60 + 32 * static_cast<int32_t>(i));
    }
    EXPECT_EQ(CountOf(hostLog.output, std::string("\x9B\x5F\x00\x1A", 4)),
              transparent == 0 ? 64u : 32u);
    RasterEnd();
  }
}

TEST(Canvas, TurnedImagesBreakAlongX) {
  for (int32_t qdrs : {0, 1}) {
    ResetCanvas();
    SelectRasterResolution(0x0200, qdrs);
    Begin(20160, 1000, 1, qdrs, 1, 50, 60, 1);
    const std::vector<uint8_t> white(20160, 0);
    for (int32_t y = 0; y < 1000; ++y) RasterAddStrip(20160, white.data(), kStripTwoLevel, 0, 0, 0);
    const std::vector<WrittenBand> bands = FinishAndDecode(qdrs != 0);
    ASSERT_EQ(bands.size(), 32u);
    if (qdrs == 0) {
      // trunc(32 / 400 x 1016) = 81
      EXPECT_EQ(CountOf(hostLog.output, "\x1b*rC\x1b%0BPR81,0\x1b%1A\x1b&a0N\x1b*t400R"), 31u);
    } else {
      for (size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i].originX, 50 + 32 * static_cast<int32_t>(i));
        EXPECT_EQ(bands[i].originY, 60);
      }
    }
    RasterEnd();
  }
}

TEST(Canvas, BandsAreNeverLowerThan32Rows) {
  ResetCanvas();
  // Rows so wide that 20 of them pass the limit: floor(20 / 32) is 0.
  Begin(660000, 20);
  const std::vector<uint8_t> white(660000, 0);
  for (int32_t y = 0; y < 20; ++y) RasterAddStrip(660000, white.data(), kStripTwoLevel, 0, 0, 0);
  const std::vector<WrittenBand> bands = FinishAndDecode(false);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_EQ(bands[0].rows, 20);
  RasterEnd();
}

TEST(Canvas, BandLongerThanItsEstimateIsCodedInFull) {
  ResetCanvas();
  // Alternate black and white pixels on a first row cost 6 bits a pixel, more
  // than the 4 bits a pixel the coded area is sized for.
  Begin(8192, 1);
  std::vector<uint8_t> strip(3 * 8192);
  for (int32_t x = 0; x < 8192; ++x)
    strip[3 * x] = strip[3 * x + 1] = strip[3 * x + 2] = x % 2 ? 0 : 255;
  RasterAddStrip(8192, strip.data(), kStripColour, 0, 0, 0);
  const std::vector<WrittenBand> bands = FinishAndDecode(false);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_GT(bands[0].data.size(), 4u * (raster.rowBits / 8 + 100));
  RasterEnd();
}

TEST(Canvas, ImageWithoutRowsIsAnEmptyRaster) {
  ResetCanvas();
  Begin(100, 10);
  EXPECT_EQ(RasterFinish(), 0);
  RasterEnd();
  EXPECT_BYTES(hostLog.output, "\x1b%1A\x1b&a0N\x1b*t400R\x1b*rC\x1b%0B");
}

TEST(Canvas, CanvasTooLargeIsRefusedBeforeAnyOutput) {
  ResetCanvas();
  EXPECT_EQ(RasterReserve(1 << 30, 1 << 30, 16), -1) << "sizes past 32 bits";
  EXPECT_EQ(RasterReserve(INT32_MAX, 1, 16), -1);
  EXPECT_EQ(RasterReserve(100, 100, 0), -1);
  rasterCanvasLimit = 1000;
  EXPECT_EQ(RasterBegin(100, 100, 0, 0, 1, 2, 0, 0, 0, 1, 0), -1);
  EXPECT_EQ(raster.canvas, nullptr);
  EXPECT_TRUE(hostLog.output.empty());
  EXPECT_EQ(RasterAddStrip(1, nullptr, kStripColour, 0, 0, 0), -1);
  EXPECT_EQ(RasterFinish(), -1);
}

TEST(Canvas, ResolutionCodes) {
  ResetCanvas();
  EXPECT_EQ(SelectRasterResolution(0x0100, 0), 600.0);
  EXPECT_STREQ(resolutionEscape, "\x1b*t600R");
  EXPECT_EQ(SelectRasterResolution(0x0400, 0), 300.0);
  EXPECT_STREQ(resolutionEscape, "\x1b*t300R");
  EXPECT_EQ(SelectRasterResolution(0x0300, 0), 300.0) << "two bits: the last one stays";
  EXPECT_EQ(SelectRasterResolution(0x0800, 1), 200.0);
  EXPECT_STREQ(resolutionEscape, "\x1b*t300R") << "QDRS output leaves the escape";
  EXPECT_EQ(SelectRasterResolution(0x0100, 1), 400.0) << "QDRS has no 600 dpi raster";
  EXPECT_EQ(SelectRasterResolution(0x0000, 0), 400.0);
  EXPECT_STREQ(resolutionEscape, "\x1b*t400R");
}

TEST(Canvas, SwapWordBytesReversesEveryGroupOfFour) {
  uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint8_t out[8] = {};
  SwapWordBytes(bytes, out, 6);
  const uint8_t swapped[8] = {4, 3, 2, 1, 8, 7, 6, 5};
  EXPECT_EQ(0, std::memcmp(out, swapped, 8));
  SwapWordBytes(bytes, bytes, 8);
  EXPECT_EQ(0, std::memcmp(bytes, swapped, 8));
}

}  // namespace

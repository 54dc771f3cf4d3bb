// Raster images through the driver's request handler and the host's strip
// entry points: geometry, strip requests, the raster, the restored state, and
// images the host describes badly.
#include "raster/image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "host/geometry.h"
#include "host/packet.h"
#include "platform/win32.h"
#include "raster/canvas.h"
#include "raster/tone.h"
#include "tests/band_reader.h"
#include "tests/driver_fixture.h"
#include "tests/golden.h"
#include "tests/tiff_oracle.h"
#include "tools/image_host.h"
#include "vector/state.h"

namespace {

DriverLink driver;

constexpr const char* kKeptTexts = "IW0,0,48768,36576;SP7;PW0.350;LT;";

// 400 dpi HP-GL/2, N = 1, the pen at (123, 456) and a polyline open.
void ResetImages(uint16_t jobFlags = 0x0200, int32_t enlargement = 1) {
  driver = ResetDriver();
  ResetImageHost();
  ResetToneTable();
  rasterCanvasLimit = int64_t{1} << 30;
  configRecord.jobFlags = jobFlags;
  sizeFactor = enlargement;
  unitScale = (jobFlags & 0x0040) != 0 ? enlargement * 0.5 : enlargement;
  imageMarker = 0;
  penState = kPenDrawn;
  outX = 123;
  outY = 456;
  KeepText(lastWindowCommand, "IW0,0,48768,36576;");
  KeepText(lastPenCommand, "SP7;");
  KeepText(lastWidthCommand, "PW0.350;");
  KeepText(lastLineTypeCommand, "LT;");
  if ((jobFlags & 0x0040) != 0) {
    KeepBytes(lastPenCommand, reinterpret_cast<const uint8_t*>("\x41\x01\x00\x07"), 4);
    KeepBytes(lastAreaPenCommand, reinterpret_cast<const uint8_t*>("\x47\x01\x00\x07"), 4);
    KeepBytes(lastWidthCommand, reinterpret_cast<const uint8_t*>("\x40\x01\x00\x01"), 4);
    KeepBytes(lastLineTypeCommand, reinterpret_cast<const uint8_t*>("\x39\x01\x00\x00"), 4);
  }
  ASSERT_EQ(OutOpen(), 0);
}

HostImage ColourImage() {
  HostImage image;
  image.type = 2;
  return image;
}

// Request 52, then a request the driver does not answer, so that only the
// image is written.
void SendAndEmit(const HostImage& image) {
  SendImage(driver, image);
  Packet unknown = MakePacket(1);
  Graphics(driver, unknown);
}

using PixelColour = std::function<std::array<int32_t, 3>(int32_t strip, int32_t j)>;

std::array<int32_t, 3> HostColour(int32_t strip, int32_t j) {
  const auto rgb = ColourPixel(strip, j);
  return {rgb[0], rgb[1], rgb[2]};
}

PixelColour TwoLevel(std::array<int32_t, 3> set) {
  return [set](int32_t strip, int32_t j) {
    return TwoLevelPixel(strip, j) != 0 ? set : std::array<int32_t, 3>{255, 255, 255};
  };
}

// The canvas the strips should give, worked out pixel by pixel: strips first
// to count - 1 of L pixels, each pixel N times both ways, white padding.
std::vector<uint8_t> ExpectedCanvas(int32_t first, int32_t count, int32_t length, int32_t n,
                                    const PixelColour& colour) {
  const int32_t rowBits = (length * n + 31) / 32 * 32 + 32;
  std::vector<uint8_t> bytes(static_cast<size_t>(rowBits / 8) * (count - first) * n);
  for (int32_t y = 0; y < (count - first) * n; ++y)
    for (int32_t x = 0; x < rowBits; ++x) {
      std::array<int32_t, 3> c = {255, 255, 255};
      if (x < length * n) c = colour(first + y / n, x / n);
      const int32_t grey =
          c[0] == c[1] && c[1] == c[2] ? c[0] : (30 * c[0] + 59 * c[1] + 11 * c[2]) / 100;
      const int32_t d = 255 - ToneTable[grey];
      const bool black = d == 255 || (d > 0 && ScreenMatrix[y % 16][(x % 16) ^ 8] <= d);
      if (black) bytes[static_cast<size_t>(y) * (rowBits / 8) + x / 8] |= 0x80 >> (x % 8);
    }
  return bytes;
}

// Every band decoded by libtiff, one after the other.
std::vector<uint8_t> DecodedBands(const std::vector<WrittenBand>& bands) {
  std::vector<uint8_t> rows;
  for (const WrittenBand& band : bands) {
    const auto decoded = TiffDecodeG4(reinterpret_cast<const uint8_t*>(band.data.data()),
                                      band.data.size(), band.rowBits, band.rows);
    EXPECT_FALSE(decoded.empty());
    rows.insert(rows.end(), decoded.begin(), decoded.end());
  }
  return rows;
}

std::string BigEndian(int32_t v) {
  std::string s(4, '\0');
  for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(static_cast<uint32_t>(v) >> (24 - 8 * k));
  return s;
}

std::string Band(const WrittenBand& band) {
  return "\x1b*r" + std::to_string(band.rowBits) + "S\x1b*r" + std::to_string(band.rows) +
         "T\x1b*r1A\x1b*b8M\x1b*b" + std::to_string(band.data.size() + 4) + "W" +
         BigEndian(band.rowBits) + band.data;
}

TEST(Image, WorkedHpglExample) {
  ResetImages();
  OutWriteString("PD;");  // buffered vector output goes out first
  Packet packet = MakePacket(52);
  FillImagePacket(packet, ColourImage());
  Graphics(driver, packet);
  EXPECT_EQ(packet.status(), 52) << "no status is written";
  EXPECT_EQ(ReadU16(packet.data(), 0x7A), 1);
  EXPECT_EQ(imageMarker, kImagePending);
  EXPECT_TRUE(hostLog.output.empty()) << "nothing goes out while the image waits";
  Packet unknown = MakePacket(1);
  Graphics(driver, unknown);

  const std::vector<WrittenBand> bands = ReadRtlBands(hostLog.output);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_EQ(bands[0].rows, 157);
  EXPECT_EQ(bands[0].rowBits, 192);
  EXPECT_TRUE(DecodedBands(bands) == ExpectedCanvas(0, 157, 157, 1, HostColour));

  const std::string tailStart = "TR0;PA1400,2000PU123,456PR";
  const size_t paletteAt = hostLog.output.find(tailStart) + tailStart.size();
  const size_t keptAt = hostLog.output.rfind(kKeptTexts);
  ASSERT_NE(keptAt, std::string::npos);
  const std::string palette = hostLog.output.substr(paletteAt, keptAt - paletteAt);
  EXPECT_EQ(palette.rfind("PC1,76,76,76PC2,226,226,226PC3,", 0), 0u);
  EXPECT_EQ(palette.substr(palette.size() - 28), "PC254,219,219,219PC255,0,0,0");
  EXPECT_EQ(CountOf(palette, "PC"), 255u);

  const std::string expected = std::string("PD;") + "TR0;" + "PU1400,2000" + "PA1400,2000" +
                               "IW2000,1000,2400,1400" + "\x1b%1A" + "\x1b&a0N" + "\x1b*t400R" +
                               Band(bands[0]) + "\x1b*rC" + "\x1b%0B" + tailStart + palette +
                               kKeptTexts;
  EXPECT_BYTES(hostLog.output, expected);
  EXPECT_EQ(imageMarker, 0u);
  EXPECT_EQ(penState, kPenIdle);

  ASSERT_EQ(imageHostLog.requests.size(), 157u);
  EXPECT_EQ(imageHostLog.releases, 157);
  EXPECT_EQ(imageHostLog.releasedOther, 0);
  for (int32_t i = 0; i < 157; ++i) {
    const uint8_t* r = imageHostLog.requests[i].data();
    const double step = 400.0 / 157;
    EXPECT_EQ(ReadI32(r, 0x00), 0);
    EXPECT_EQ(ReadI32(r, 0x04), i);
    EXPECT_EQ(ReadI32(r, 0x08), 156);
    EXPECT_EQ(ReadI32(r, 0x0C), i);
    EXPECT_EQ(ReadI32(r, 0x10), 1000);
    EXPECT_EQ(ReadI32(r, 0x14), static_cast<int32_t>(2000 + i * step));
    EXPECT_EQ(ReadI32(r, 0x18), 1400);
    EXPECT_EQ(ReadI32(r, 0x1C), static_cast<int32_t>(2000 + (i + 1) * step));
    EXPECT_EQ(ReadU32(r, 0x20), 0x00C0FFEEu);
    EXPECT_EQ(ReadI32(r, 0x24), 8);
    EXPECT_EQ(ReadI32(r, 0x28), 2);
    EXPECT_EQ(ReadI16(r, 0x2E), 24);
    EXPECT_EQ(ReadU32(r, 0x30) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(ReadU32(r, 0x34) & 0xFFFFFF, 0x020100u);
    EXPECT_EQ(ReadI32(r, 0x40), 0);
    EXPECT_EQ(ReadI16(r, 0x44), 0);
    EXPECT_EQ(ReadI16(r, 0x46), 1);
    for (int32_t k = 0; k < 72; ++k) ASSERT_EQ(r[0x48 + k], 0x40 + k);
  }
}

TEST(Image, OpenPlotPutsASemicolonBeforeTheTransparencyCommand) {
  ResetImages();
  plotOpen = 1;
  HostImage image = ColourImage();
  image.transparent = 1;
  SendAndEmit(image);
  EXPECT_EQ(hostLog.output.rfind(";TR1;PU1400,2000", 0), 0u);
  EXPECT_NE(hostLog.output.find("\x1b%0BTR0;PA1400,2000"), std::string::npos);
  EXPECT_EQ(plotOpen, 1);
}

TEST(Image, At600DpiStripZeroIsNeverFetched) {
  ResetImages(0x0100);
  SendAndEmit(ColourImage());
  // trunc(500 x (1.0 / (500 / 600 x 2.54))) = 236 dots each way.
  ASSERT_EQ(imageHostLog.requests.size(), 235u);
  for (int32_t i = 0; i < 235; ++i)
    EXPECT_EQ(ReadI32(imageHostLog.requests[i].data(), 0x04), i + 1);
  const std::vector<WrittenBand> bands = ReadRtlBands(hostLog.output);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_EQ(bands[0].rows, 235);
  EXPECT_TRUE(DecodedBands(bands) == ExpectedCanvas(1, 236, 236, 1, HostColour));
  EXPECT_NE(hostLog.output.find("\x1b*t600R"), std::string::npos);
}

TEST(Image, EnlargementRepeatsPixelsAndScalesThePlacement) {
  ResetImages(0x0200, 2);
  SendAndEmit(ColourImage());
  EXPECT_EQ(hostLog.output.rfind("TR0;PU2800,4000PA2800,4000IW4000,2000,4800,2800", 0), 0u);
  EXPECT_NE(hostLog.output.find("TR0;PA1400,2000PU123,456PR"), std::string::npos);
  const std::vector<WrittenBand> bands = ReadRtlBands(hostLog.output);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_EQ(bands[0].rowBits, 352);
  EXPECT_TRUE(DecodedBands(bands) == ExpectedCanvas(0, 157, 157, 2, HostColour));
}

TEST(Image, TurnedSheetFetchesColumns) {
  ResetImages(0x0200 | 0x1000);
  HostImage image = ColourImage();
  image.x2 = 1800;  // 314 dots wide, 157 high
  SendAndEmit(image);
  EXPECT_EQ(hostLog.output.rfind("TR0;PU1000,2000PA1000,2000IW1000,2000,1800,2400", 0), 0u);
  ASSERT_EQ(imageHostLog.requests.size(), 314u);
  const uint8_t* r = imageHostLog.requests[3].data();
  EXPECT_EQ(ReadI32(r, 0x00), 3);
  EXPECT_EQ(ReadI32(r, 0x04), 0);
  EXPECT_EQ(ReadI32(r, 0x08), 3);
  EXPECT_EQ(ReadI32(r, 0x0C), 156);
  EXPECT_EQ(ReadI32(r, 0x10), static_cast<int32_t>(1000 + 3 * (800.0 / 314)));
  EXPECT_EQ(ReadI32(r, 0x14), 2000);
  EXPECT_EQ(ReadI32(r, 0x1C), 2400);
  EXPECT_EQ(ReadI32(r, 0x28), 7);
  const std::vector<WrittenBand> bands = ReadRtlBands(hostLog.output);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_TRUE(DecodedBands(bands) == ExpectedCanvas(0, 314, 157, 1, HostColour));
}

TEST(Image, QdrsSizesFollowTheResolution) {
  for (const auto& [flags, width, height] :
       {std::array<int32_t, 3>{0x0240, 500, 400}, std::array<int32_t, 3>{0x0840, 250, 200}}) {
    ResetImages(static_cast<uint16_t>(flags));
    HostImage image;
    image.x2 = 2001;  // 1001 drawing units
    image.y2 = 2801;
    SendAndEmit(image);
    OutFlush();
    ASSERT_EQ(imageHostLog.requests.size(), static_cast<size_t>(height));
    EXPECT_EQ(ReadI32(imageHostLog.requests[0].data(), 0x08), width - 1);
    const std::vector<WrittenBand> bands = ReadQdrsBands(hostLog.output);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_TRUE(bands[0].afterBox);
    EXPECT_EQ(bands[0].originX, 1000);
    EXPECT_EQ(bands[0].originY, 1000);
    EXPECT_EQ(bands[0].drawnWidth, bands[0].rowBits * (flags == 0x0240 ? 1 : 2));
    EXPECT_TRUE(DecodedBands(bands) == ExpectedCanvas(0, height, width, 1, TwoLevel({0, 0, 0})));
    const std::string opening("\xF3\x01\x00\x01\x9B\x5E\x00\x02\x00\x02\x9B\x52\x00\x02\x00", 15);
    EXPECT_NE(hostLog.output.find(opening), std::string::npos) << "job end, opaque, resolution";
    const std::string tail(
        "\x9B\x5D\x00\x02\x02\x00\x9B\x52\x00\x02\x00\x01\x9B\x5E\x00\x02\x00\x02", 18);
    EXPECT_NE(hostLog.output.find(tail), std::string::npos);
    const std::string kept("\x41\x01\x00\x07\x47\x01\x00\x07\x40\x01\x00\x01\x39\x01\x00\x00", 16);
    EXPECT_EQ(hostLog.output.substr(hostLog.output.size() - 16), kept);
  }
}

TEST(Image, ColourIndexAndImageTypeRules) {
  ResetImages();
  HostImage image;
  image.colourIndex = 9;  // beyond the table: black
  SendAndEmit(image);
  EXPECT_EQ(ReadI16(imageHostLog.requests[0].data(), 0x38), 7);
  EXPECT_EQ(ReadI32(imageHostLog.requests[0].data(), 0x24), 1);
  EXPECT_TRUE(DecodedBands(ReadRtlBands(hostLog.output)) ==
              ExpectedCanvas(0, 157, 157, 1, TwoLevel({0, 0, 0})));

  ResetImages();
  image.colourIndex = 0;  // set pixels drawn white
  SendAndEmit(image);
  const std::vector<uint8_t> white = DecodedBands(ReadRtlBands(hostLog.output));
  ASSERT_EQ(white.size(), 157u * 24);
  EXPECT_EQ(std::count(white.begin(), white.end(), 0), 157 * 24);

  ResetImages();
  image.colourIndex = -3;
  SendAndEmit(image);
  EXPECT_EQ(ReadI16(imageHostLog.requests[0].data(), 0x38), 7);

  struct Case {
    int32_t type;
    int16_t colourClass;
    const char* transparency;
    int32_t bitsPerChannel;
  };
  for (const Case& c : {Case{1, 2, "TR0;", 1}, Case{1, 1, "TR1;", 1}, Case{1, 3, "TR1;", 8},
                        Case{0, 5, "TR1;", 1}, Case{7, 0, "TR1;", 8}}) {
    ResetImages();
    HostImage typed;
    typed.type = c.type;
    typed.colourClass = c.colourClass;
    typed.transparent = 1;
    SendAndEmit(typed);
    EXPECT_EQ(hostLog.output.rfind(c.transparency, 0), 0u) << c.type << "/" << c.colourClass;
    EXPECT_EQ(ReadI32(imageHostLog.requests[0].data(), 0x24), c.bitsPerChannel);
  }
}

TEST(Image, FieldsAStripDoesNotWriteKeepThePreviousImages) {
  ResetImages();
  HostImage twoLevel;
  twoLevel.colourIndex = 5;
  SendAndEmit(twoLevel);
  ResetImageHost();
  SendAndEmit(ColourImage());
  EXPECT_EQ(ReadI16(imageHostLog.requests[0].data(), 0x38), 5);
  ResetImageHost();
  SendAndEmit(twoLevel);
  const uint8_t* r = imageHostLog.requests[0].data();
  EXPECT_EQ(ReadU16(r, 0x30), 0);
  EXPECT_EQ(r[0x32], 0xFF);
  EXPECT_EQ(ReadU32(r, 0x34) & 0xFFFFFF, 0x020100u);
}

TEST(Image, StopFlagEndsTheImageWithWhatCame) {
  ResetImages();
  imageSource.stopAt = 0;
  SendAndEmit(ColourImage());
  EXPECT_EQ(imageHostLog.fetches, 1);
  EXPECT_EQ(imageHostLog.releases, 1);
  EXPECT_NE(hostLog.output.find("\x1b*t400R\x1b*rC\x1b%0BTR0;PA1400,2000"), std::string::npos)
      << "an empty raster";

  ResetImages();
  imageSource.stopAt = 40;
  SendAndEmit(ColourImage());
  const std::vector<WrittenBand> bands = ReadRtlBands(hostLog.output);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_EQ(bands[0].rows, 40);
  EXPECT_TRUE(DecodedBands(bands) == ExpectedCanvas(0, 40, 157, 1, HostColour));
}

TEST(Image, FailedStripAbandonsTheImageButRestoresTheState) {
  struct Case {
    int32_t ImageSource::*field;
    const char* message;
    int32_t releases;
  };
  for (const Case& c : {Case{&ImageSource::errorAt, "ADI4.3: image faile=3 157 471", 3},
                        Case{&ImageSource::nullResultAt, "ADI4.3: image faile=3 157 0", 3},
                        Case{&ImageSource::nullPixelsAt, "ADI4.3: image faile=3 157 471", 4}}) {
    ResetImages();
    imageSource.*c.field = 3;
    const int32_t boxes = PlatformMessageBoxCount();
    SendAndEmit(ColourImage());
    EXPECT_EQ(PlatformMessageBoxCount(), boxes + 1);
    EXPECT_STREQ(PlatformLastMessageBox(), c.message);
    EXPECT_EQ(imageHostLog.fetches, 4);
    EXPECT_EQ(imageHostLog.releases, c.releases);
    EXPECT_TRUE(ReadRtlBands(hostLog.output).empty());
    EXPECT_NE(hostLog.output.find("\x1b*t400R\x1b*rC\x1b%0BTR0;PA1400,2000PU123,456PR"),
              std::string::npos);
    EXPECT_EQ(hostLog.output.substr(hostLog.output.size() - 33), kKeptTexts);
    EXPECT_EQ(penState, kPenIdle);
    EXPECT_EQ(imageMarker, 0u);
  }
}

TEST(Image, StripsOfTheWrongByteCountArePaddedOrCut) {
  ResetImages();
  imageSource.deltaAt = 5;
  imageSource.byteCountDelta = -31;  // ten pixels and a byte short
  SendAndEmit(ColourImage());
  auto shortStrip = [](int32_t strip, int32_t j) {
    return strip == 5 && j >= 147 ? std::array<int32_t, 3>{255, 255, 255} : HostColour(strip, j);
  };
  EXPECT_TRUE(DecodedBands(ReadRtlBands(hostLog.output)) ==
              ExpectedCanvas(0, 157, 157, 1, shortStrip));

  ResetImages();
  imageSource.byteCountDelta = 3000;  // every strip far longer
  SendAndEmit(ColourImage());
  EXPECT_TRUE(DecodedBands(ReadRtlBands(hostLog.output)) ==
              ExpectedCanvas(0, 157, 157, 1, HostColour));
}

TEST(Image, UnusableGeometryWritesNothing) {
  std::vector<HostImage> images(9);
  images[0].x2 = images[0].x1;
  images[1].x2 = images[1].x1 - 10;
  images[2].y2 = images[2].y1;
  images[3].y2 = images[3].y1 - 1;
  images[4].w = 0;
  images[5].h = -5;
  images[6].x2 = images[6].x1 + 1;  // less than one dot wide
  images[7].x2 = 2000000000;
  images[8].withEntryPoints = false;
  for (uint16_t flags : {uint16_t{0x0200}, uint16_t{0x0240}}) {
    for (size_t i = 0; i < images.size(); ++i) {
      ResetImages(flags);
      OutWriteString("PD;");
      SendAndEmit(images[i]);
      EXPECT_TRUE(hostLog.output.empty()) << i;
      EXPECT_EQ(outputFill, 3) << i;
      EXPECT_EQ(imageHostLog.fetches, 0) << i;
      EXPECT_EQ(penState, kPenDrawn) << i;
      EXPECT_EQ(imageMarker, 0u);
    }
  }
}

TEST(Image, FailedPlotTakesNoImage) {
  ResetImages();
  SendImage(driver, ColourImage());
  driverErrorState = kErrorOutput;
  Packet unknown = MakePacket(1);
  Graphics(driver, unknown);
  EXPECT_TRUE(hostLog.output.empty());
  EXPECT_EQ(imageHostLog.fetches, 0);
  EXPECT_EQ(imageMarker, 0u);
}

TEST(Image, CanvasTooLargeForMemoryIsSkipped) {
  ResetImages();
  rasterCanvasLimit = 1000;
  SendAndEmit(ColourImage());
  EXPECT_TRUE(hostLog.output.empty());
  EXPECT_EQ(imageHostLog.fetches, 0);
  EXPECT_EQ(penState, kPenDrawn);
}

TEST(Image, ImagesGoOutAheadOfTheNextRequest) {
  ResetImages();
  HostImage first = ColourImage();
  first.imageRef = 1;
  HostImage second;
  second.imageRef = 2;
  SendImage(driver, first);
  SendImage(driver, second);
  EXPECT_EQ(ReadRtlBands(hostLog.output).size(), 1u) << "the first goes out with the second";
  EXPECT_EQ(imageMarker, kImagePending);
  for (const StripRequestCopy& r : imageHostLog.requests) EXPECT_EQ(ReadU32(r.data(), 0x20), 1u);
  MoveTo(driver, 10, 10);
  OutFlush();
  EXPECT_EQ(ReadRtlBands(hostLog.output).size(), 2u);
  EXPECT_EQ(ReadU32(imageHostLog.requests.back().data(), 0x20), 2u);
  const size_t lastTail = hostLog.output.rfind(kKeptTexts);
  ASSERT_NE(lastTail, std::string::npos);
  EXPECT_GT(hostLog.output.size(), lastTail + 33) << "the move's own output comes after";
  EXPECT_EQ(hostLog.output.find("PE7", lastTail), lastTail + 33);
}

}  // namespace

// Raster images through the driver's request handler and the host's strip
// entry points: geometry, strip requests, the raster, the restored state, and
// images the host describes badly.
#include "raster/image.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "config/tone.h"
#include "host/protocol.h"
#include "platform/memory.h"
#include "platform/win32.h"
#include "raster/canvas.h"
#include "tests/band_reader.h"
#include "tests/driver_fixture.h"
#include "tests/expected_canvas.h"
#include "tests/golden.h"
#include "tools/host/image_host.h"
#include "vector/language.h"
#include "vector/state.h"

namespace {

using namespace std::string_literals;

DriverLink driver;
const std::string kKeptTexts = "IW0,0,48768,36576;SP7;PW0.350;LT;";
const std::string kKeptQdrs = "\x41\x01\x00\x07\x47\x01\x00\x07\x40\x01\x00\x01\x39\x01\x00\x00"s;
const HostImage kColour{.type = 2};

// The next image of the same session drawn with these flags: what the last
// image kept (the resolution) stays, the logs start empty.
void StartImage(uint16_t jobFlags, int32_t enlargement = 1) {
  ResetImageHost();
  hostLog.output.clear();
  ResetToneTable();
  rasterCanvasLimit = int64_t{1} << 30;
  configRecord.jobFlags = jobFlags;
  ChooseOutputLanguage();  // as the plot's start would
  sizeFactor = enlargement;
  unitScale = (jobFlags & 0x0040) != 0 ? enlargement * 0.5 : enlargement;
  imageMarker = 0;
  outX = 123;
  outY = 456;
  KeepText(lastWindowCommand, "IW0,0,48768,36576;");
  KeepText(lastPenCommand, "SP7;");
  KeepText(lastWidthCommand, "PW0.350;");
  KeepText(lastLineTypeCommand, "LT;");
  KeptCommand* binary[] = {&lastPenCommand, &lastAreaPenCommand, &lastWidthCommand,
                           &lastLineTypeCommand};
  for (int32_t k = 0; k < 4 && (jobFlags & 0x0040) != 0; ++k)
    KeepBytes(*binary[k], reinterpret_cast<const uint8_t*>(kKeptQdrs.data()) + 4 * k, 4);
  ASSERT_EQ(OutOpen(), 0);
}

// HP-GL/2 at 400 dpi unless the flags say otherwise, the pen at (123, 456), no
// polyline open and nothing drawn yet.
void ResetImages(uint16_t jobFlags = 0x0200, int32_t enlargement = 1) {
  driver = ResetDriver();
  StartImage(jobFlags, enlargement);
}

// Request 52, then a request the driver does not answer, so that only the
// image is written.
void SendAndEmit(const HostImage& image) {
  SendImage(driver, image);
  Packet unknown = MakePacket(kUnansweredGraphics);
  Graphics(driver, unknown);
}

const auto Field = [](const StripRequestCopy& r, int32_t at) { return ReadI32(r.data(), at); };

const auto DecodedOutput = [] { return DecodedBands(ReadRtlBands(hostLog.output)); };

TEST(Image, WorkedHpglExample) {
  ResetImages();
  OutWriteString("PD;");  // buffered vector output goes out first
  Packet packet = MakePacket(kGraphicsImage);
  FillImagePacket(packet, kColour);
  Graphics(driver, packet);
  EXPECT_TRUE(packet.status() == kGraphicsImage && ReadU16(packet.data(), kImage.handled) == 1)
      << "handled, no status";
  EXPECT_TRUE(hostLog.output.empty() && imageMarker == kImagePending) << "the image waits";
  Packet unknown = MakePacket(kUnansweredGraphics);
  Graphics(driver, unknown);

  const std::vector<WrittenBand> bands = ReadRtlBands(hostLog.output);
  ASSERT_EQ(bands.size(), 1u);
  EXPECT_TRUE(DecodedBands(bands) == ExpectedCanvas(0, 157, 157));
  const std::string &out = hostLog.output, &data = bands[0].data;
  const std::string tail = "TR0;PA1400,2000PU123,456PR";
  const size_t at = out.find(tail) + tail.size();
  const std::string palette = out.substr(at, out.size() - kKeptTexts.size() - at);
  EXPECT_EQ(CountOf(palette, "PC"), 255u) << "the job header's palette";
  EXPECT_BYTES(out,
               "PD;TR0;PU1400,2000PA1400,2000IW2000,1000,2400,1400\x1b%1A\x1b&a0N\x1b*t400R"
               "\x1b*r192S\x1b*r157T\x1b*r1A\x1b*b8M\x1b*b" +
                   std::to_string(data.size() + 4) + "W" + BigEndian(192) + data +
                   "\x1b*rC\x1b%0B" + tail + palette + kKeptTexts);
  EXPECT_TRUE(imageMarker == 0 && penState == kPenIdle);

  ASSERT_EQ(imageHostLog.requests.size(), 157u);
  EXPECT_TRUE(imageHostLog.releases == 157 && imageHostLog.releasedOther == 0);
  const double step = 400.0 / 157;
  for (int32_t i = 0; i < 157; ++i) {
    SCOPED_TRACE(i);
    const StripRequestCopy& r = imageHostLog.requests[i];
    const int32_t bottom = 2000 + i * step, top = 2000 + (i + 1) * step;
    const StripRequestLayout& s = kStripRequest;
    const std::pair<int32_t, int32_t> fields[] = {
        {s.firstColumn, 0},    {s.firstRow, i},          {s.lastColumn, 156}, {s.lastRow, i},
        {s.left, 1000},        {s.bottom, bottom},       {s.right, 1400},     {s.top, top},
        {s.bitsPerChannel, 8}, {s.shape, kStripsAreRows}};
    for (const auto& [at, value] : fields) EXPECT_EQ(Field(r, at), value) << at;
    EXPECT_EQ(ReadAddress(r.data(), s.imageRef), WireAddress{0x00C0FFEE});
    // 24 bits a pixel, channel maxima and order; 0 and 1 after them.
    EXPECT_EQ(std::string(r.begin() + s.bitsPerPixel, r.begin() + s.bitsPerPixel + 9),
              "\x18\0\xFF\xFF\xFF\0\0\x01\x02"s);
    EXPECT_EQ(std::string(r.begin() + s.zero, r.begin() + s.zero + 8), "\0\0\0\0\0\0\x01\0"s);
    for (int32_t k = 0; k < kHostParametersSize; ++k) ASSERT_EQ(r[s.hostParameters + k], 0x40 + k);
  }
}

TEST(Image, PlacementAndStripsFollowResolutionEnlargementAndTurn) {
  struct Case {
    uint16_t flags;
    int32_t n, x2, plotOpen;
    const char* opening;
    int32_t strips, first, length;
  };
  for (const Case& c :
       {// 236 dots each way at 600 dpi, where strip 0 is never fetched.
        Case{0x0100, 1, 1400, 0,
             "TR0;PU1400,2000PA1400,2000IW2000,1000,2400,1400\x1b%1A\x1b&a0N\x1b*t600R", 236, 1,
             236},
        Case{0x0200, 2, 1400, 1, ";TR0;PU2800,4000PA2800,4000IW4000,2000,4800,2800", 157, 0, 157},
        Case{0x1200, 1, 1800, 0, "TR0;PU1000,2000PA1000,2000IW1000,2000,1800,2400", 314, 0, 157}}) {
    SCOPED_TRACE(c.opening);
    ResetImages(c.flags, c.n);
    plotOpen = c.plotOpen;
    SendAndEmit({.x2 = c.x2, .type = 2});
    EXPECT_EQ(hostLog.output.rfind(c.opening, 0), 0u);
    EXPECT_NE(hostLog.output.find("\x1b%0BTR0;PA" + std::to_string(c.x2) + ",2000PU123,456PR"),
              std::string::npos);
    EXPECT_EQ(plotOpen, c.plotOpen);
    EXPECT_TRUE(DecodedOutput() == ExpectedCanvas(c.first, c.strips, c.length, c.n));
    EXPECT_EQ(imageHostLog.requests.size(), static_cast<size_t>(c.strips - c.first));
  }
}

TEST(Image, QdrsSizesFollowTheResolution) {
  // A code naming no resolution keeps the last one, here 200 dpi.
  ResetImages(0x0840);
  for (const auto [flags, width, height] :
       {std::array{0x0240, 500, 400}, std::array{0x0840, 250, 200}, std::array{0x0040, 250, 200}}) {
    StartImage(flags);
    SendAndEmit({.x2 = 2001, .y2 = 2801});  // 1001 drawing units
    OutFlush();
    ASSERT_EQ(imageHostLog.requests.size(), static_cast<size_t>(height));
    EXPECT_EQ(Field(imageHostLog.requests[0], kStripRequest.lastColumn), width - 1);
    const std::vector<WrittenBand> bands = ReadQdrsBands(hostLog.output);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_TRUE(bands[0].afterBox && bands[0].originX == 1000 && bands[0].originY == 1000);
    const std::string& out = hostLog.output;
    // The job ends, an opaque image at its resolution; the vector state after.
    EXPECT_NE(out.find("\xF3\x01\x00\x01\x9B\x5E\x00\x02\x00\x02\x9B\x52\x00\x02\x00"s),
              std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 16), kKeptQdrs);
  }
}

// Moves alone open a polyline without opening the plot; the image's first
// instruction must end it all the same, and the next point opens a new one.
TEST(Image, OpeningEndsAPolylineThatMovesAloneOpened) {
  for (const uint16_t state : {kPenIdle, kPenMoved, kPenLifted}) {
    SCOPED_TRACE(state);
    ResetImages();
    penState = state;
    SendAndEmit({.w = 20, .h = 20});
    EXPECT_EQ(hostLog.output.rfind(state == kPenIdle ? "TR0;PU" : ";TR0;PU", 0), 0u);
    EXPECT_EQ(penState, kPenIdle);
  }
}

// An image that reaches the host between plots still restores every pen.
TEST(Image, TailIsWholeWithNoPlotOpen) {
  ResetImages();
  OutClose();
  SendAndEmit({.w = 20, .h = 20});
  const std::string& out = hostLog.output;
  EXPECT_NE(out.find("PRPC1,76,76,76PC2,226,226,226"), std::string::npos);
  EXPECT_NE(out.find("PC255,0,0,0" + kKeptTexts), std::string::npos);
}

TEST(Image, ColourIndexAndImageTypeRules) {
  for (int16_t index : {9, 0}) {  // beyond the table: black; 0: set pixels white
    ResetImages();
    SendAndEmit({.colourIndex = index});
    EXPECT_EQ(ReadI16(imageHostLog.requests[0].data(), kStripRequest.setColour),
              index == 0 ? 0 : 7);
    EXPECT_EQ(Field(imageHostLog.requests[0], kStripRequest.bitsPerChannel), 1);
    EXPECT_TRUE(DecodedOutput() == ExpectedCanvas(0, 157, 157, 1, index == 0 ? 255 : 0));
  }
  // Type 1 is two-level up to colour class 2, and at class 2 never transparent.
  for (const auto [type, colourClass, transparent, bits] :
       {std::array{1, 2, 0, 1}, std::array{1, 1, 1, 1}, std::array{1, 3, 1, 8},
        std::array{7, 0, 1, 8}}) {
    ResetImages();
    SendAndEmit({.type = type, .transparent = 1, .colourClass = static_cast<int16_t>(colourClass)});
    EXPECT_EQ(hostLog.output.rfind("TR" + std::to_string(transparent) + ";", 0), 0u)
        << type << colourClass;
    EXPECT_EQ(Field(imageHostLog.requests[0], kStripRequest.bitsPerChannel), bits);
  }
}

TEST(Image, StopOrFailureOnAStripEndsTheImageButRestoresTheState) {
  // A stop is no failure: no message. A result marked failed stays the host's.
  for (const auto& [field, at, message, releases] :
       {std::tuple{&ImageSource::stopAt, 0, "", 1},
        std::tuple{&ImageSource::errorAt, 3, "ADI4.3: image faile=3 157 471", 3},
        std::tuple{&ImageSource::nullResultAt, 3, "ADI4.3: image faile=3 157 0", 3},
        std::tuple{&ImageSource::nullPixelsAt, 3, "ADI4.3: image faile=3 157 471", 4}}) {
    SCOPED_TRACE(at);
    ResetImages();
    imageSource.*field = at;
    const int32_t boxes = PlatformMessageBoxCount();
    SendAndEmit(kColour);
    EXPECT_EQ(PlatformMessageBoxCount(), boxes + (*message != 0));
    EXPECT_STREQ(*message != 0 ? PlatformLastMessageBox() : "", message);
    EXPECT_TRUE(imageHostLog.fetches == at + 1 && imageHostLog.releases == releases);
    EXPECT_TRUE(ReadRtlBands(hostLog.output).empty());
    EXPECT_NE(hostLog.output.find("\x1b*t400R\x1b*rC\x1b%0BTR0;PA1400,2000PU123,456PR"),
              std::string::npos);
    EXPECT_EQ(hostLog.output.substr(hostLog.output.size() - 33), kKeptTexts);
    EXPECT_TRUE(penState == kPenIdle && imageMarker == 0);
  }
}

TEST(Image, StripShortOfPixelsIsPaddedWithWhite) {
  ResetImages();
  imageSource.deltaAt = 4;
  imageSource.byteCountDelta = -31;  // 146 whole pixels: the dark pixel 146 is cut off
  SendAndEmit(kColour);
  std::vector<uint8_t> expected = ExpectedCanvas(0, 157, 157);
  for (int32_t x = 146; x < 157; ++x) expected[4 * 24 + x / 8] &= ~(0x80 >> x % 8);
  EXPECT_TRUE(DecodedOutput() == expected);
}

TEST(Image, UnusableImagesWriteNothing) {
  // Empty or inverted places, no pixels, less than a dot, coordinates past any
  // drawing; then (fault 1-3) no strip entry points, a canvas too large for
  // memory and a plot that has already failed.
  const std::vector<std::array<int32_t, 5>> cases = {
      {1000, 2400, 500, 500, 0}, {990, 2400, 500, 500, 0},        {1400, 2000, 500, 500, 0},
      {1400, 1999, 500, 500, 0}, {1400, 2400, 0, 500, 0},         {1400, 2400, 500, -5, 0},
      {1001, 2400, 500, 500, 0}, {2000000000, 2400, 500, 500, 0}, {1400, 2400, 500, 500, 1},
      {1400, 2400, 500, 500, 2}, {1400, 2400, 500, 500, 3}};
  for (uint16_t flags : {0x0200, 0x0240}) {
    for (const auto& [x2, y2, w, h, fault] : cases) {
      SCOPED_TRACE(testing::Message() << x2 << "," << y2 << " " << w << "x" << h << " " << fault);
      ResetImages(flags);
      penState = kPenDrawn;
      if (fault == 2) rasterCanvasLimit = 1000;
      OutWriteString("PD;");
      if (fault == 3) driverErrorState = kErrorOutput;
      SendAndEmit({.x2 = x2, .y2 = y2, .w = w, .h = h, .withEntryPoints = fault != 1});
      EXPECT_TRUE(hostLog.output.empty() && outputFill == 3 && imageHostLog.fetches == 0);
      EXPECT_TRUE(penState == kPenDrawn && imageMarker == 0);
    }
  }
}

TEST(Image, SizesBeyondMemoryAreRefusedBeforeAnyAllocation) {
  // Places and pixel counts whose canvas would not fit in memory, or whose
  // sizes overflow 32 bits on the way, at the largest enlargement.
  const int32_t far = INT32_MAX / 16;
  const std::vector<HostImage> huge = {
      {.x1 = -far, .y1 = -far, .x2 = far, .y2 = far, .w = INT32_MAX, .h = INT32_MAX},
      {.x1 = 0, .y1 = 0, .x2 = far, .y2 = 8, .w = INT32_MAX, .h = 1},
      {.x1 = 0, .y1 = 0, .x2 = 1 << 26, .y2 = 1 << 26, .type = 2, .w = 1 << 20, .h = 1 << 20}};
  for (uint16_t flags : {0x0100, 0x0840}) {
    for (const HostImage& image : huge) {
      SCOPED_TRACE(testing::Message() << flags << " " << image.x2 << "x" << image.y2);
      ResetImages(flags, 16);
      const int32_t takes = memoryTakeCount;
      SendAndEmit(image);
      EXPECT_EQ(memoryTakeCount, takes) << "no allocation is even tried";
      EXPECT_TRUE(hostLog.output.empty() && imageHostLog.fetches == 0 && imageMarker == 0);
    }
  }
  // The limit itself: the worked example's canvas of 157 rows of 24 bytes.
  for (const int64_t limit : {3768, 3767}) {
    ResetImages();
    rasterCanvasLimit = limit;
    SendAndEmit(kColour);
    EXPECT_EQ(ReadRtlBands(hostLog.output).size(), limit == 3768 ? 1u : 0u) << limit;
  }
}

TEST(Image, StripsOfDifferingLengthsAreCutOrPadded) {
  // Every strip longer than asked; one far longer; one with no pixels at all.
  for (const auto& [at, delta] : {std::pair{-1, 300}, std::pair{7, 30000}, std::pair{2, -471}}) {
    SCOPED_TRACE(delta);
    ResetImages();
    imageSource.deltaAt = at;
    imageSource.byteCountDelta = delta;
    SendAndEmit(kColour);
    std::vector<uint8_t> expected = ExpectedCanvas(0, 157, 157);
    if (delta < 0)
      for (int32_t x = 0; x < 157; ++x) expected[2 * 24 + x / 8] &= ~(0x80 >> x % 8);
    const std::vector<WrittenBand> bands = ReadRtlBands(hostLog.output);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0].rowBits, 192) << "the row width is the image's, not a strip's";
    EXPECT_TRUE(DecodedBands(bands) == expected);
  }
}

TEST(Image, ResolutionCodeOfNoneOrSeveralKeepsTheLastResolution) {
  // HP-GL/2: sized at the kept resolution and entered with its escape, also
  // when the binary language chose it.
  for (const auto& [first, kept, escape] :
       {std::tuple{0x0200, 0x0000, "\x1b*t400R"}, std::tuple{0x0200, 0x0300, "\x1b*t400R"},
        std::tuple{0x0840, 0x0F00, "\x1b*t200R"}}) {
    SCOPED_TRACE(kept);
    ResetImages(first);
    SendAndEmit(kColour);
    StartImage(kept);
    SendAndEmit(kColour);
    const int32_t dots = std::string(escape) == "\x1b*t400R" ? 157 : 78;
    EXPECT_NE(hostLog.output.find(escape), std::string::npos);
    EXPECT_EQ(imageHostLog.requests.size(), static_cast<size_t>(dots));
  }
  // QDRS: the place is divided for the kept resolution, so the image fits it.
  for (const auto [first, kept, width] :
       {std::array{0x0840, 0x0040, 250}, std::array{0x0240, 0x0F40, 500}}) {
    ResetImages(first);
    SendAndEmit({.x2 = 2001, .y2 = 2801});
    StartImage(kept);
    SendAndEmit({.x2 = 2001, .y2 = 2801});
    ASSERT_FALSE(imageHostLog.requests.empty());
    EXPECT_EQ(Field(imageHostLog.requests[0], kStripRequest.lastColumn), width - 1) << kept;
  }
}

TEST(Image, ImagesGoOutAheadOfTheNextRequest) {
  ResetImages();
  SendImage(driver, {.type = 2, .imageRef = 1});
  SendImage(driver, {.imageRef = 2});
  EXPECT_EQ(ReadRtlBands(hostLog.output).size(), 1u) << "the first goes out with the second";
  EXPECT_EQ(imageMarker, kImagePending);
  const auto ref = [](const StripRequestCopy& r) {
    return ReadAddress(r.data(), kStripRequest.imageRef);
  };
  for (const StripRequestCopy& r : imageHostLog.requests) EXPECT_EQ(ref(r), 1u);
  MoveTo(driver, 10, 10);
  OutFlush();
  EXPECT_EQ(ReadRtlBands(hostLog.output).size(), 2u);
  EXPECT_EQ(ref(imageHostLog.requests.back()), 2u);
  const size_t lastTail = hostLog.output.rfind(kKeptTexts);
  EXPECT_EQ(hostLog.output.find("PE7", lastTail), lastTail + 33) << "the move's output comes after";
}

}  // namespace

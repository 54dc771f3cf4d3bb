// The job preview against jobs the driver writes: strokes and fills on the
// pixels their plotted coordinates give, images back dot for dot, one picture
// from both languages, and damaged jobs drawn as far as they go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "host/protocol.h"
#include "tests/driver_fixture.h"
#include "tests/expected_canvas.h"
#include "tools/fuzz/tiff_oracle.h"
#include "tools/host/image_host.h"
#include "tools/jobview/band.h"
#include "tools/jobview/render.h"
#include "vector/area_patterns.h"

namespace {

constexpr uint16_t kQdrs = 0x0040;
constexpr uint16_t k400Dpi = 0x0200;
constexpr double kDpi = 100;

using Drawing = std::function<void(const DriverLink&, double unitsPerInch)>;

// Plots through the driver as the host does, with a stored record for the
// E-size sheet in the given language at 400 dpi; returns the job.
std::string PlotJob(uint16_t jobFlags, uint16_t plotFlags, const Drawing& draw,
                    const std::function<void(ConfigRecord&)>& adjust = {}) {
  const DriverLink d = ResetDriver();
  ResetImageHost();
  ConfigRecord record{};
  SetConfigDefaults(record, 0);
  record.jobFlags = jobFlags;
  record.plotFlags = plotFlags;
  if (adjust) adjust(record);
  uint8_t bytes[40];
  std::memcpy(bytes, &record, sizeof bytes);
  StoreRecord(bytes);
  RunHandshake(d);
  RunDrawingStart(d);
  BeginPlot(d);
  // Host units per inch of the sheet, from the output units (1/1016 inch in
  // HP-GL/2, 1/400 inch in QDRS) and the scale between them.
  draw(d, ((jobFlags & kQdrs) != 0 ? 400 : 1016) / unitScale);
  EndPlot(d);
  return hostLog.output;
}

const uint8_t* Bytes(const std::string& job) {
  return reinterpret_cast<const uint8_t*>(job.data());
}

JobPicture Read(const std::string& job, int32_t* result = nullptr) {
  JobPicture picture;
  const int32_t r = ReadJob(Bytes(job), job.size(), picture);
  if (result != nullptr) *result = r;
  return picture;
}

// The drawing's corner of the sheet only, so that fine resolutions stay small.
PreviewPixels Render(const std::string& job, double dpi, JobPicture* kept = nullptr) {
  JobPicture picture = Read(job);
  picture.sheet = {10, 7};
  PreviewPixels pixels;
  std::string error;
  EXPECT_EQ(RenderToPixels(picture, Bytes(job), job.size(), {.dpi = dpi}, pixels, error), 0)
      << error;
  if (kept != nullptr) *kept = picture;
  return pixels;
}

int32_t Luma(uint32_t p) {
  return (30 * (p >> 16 & 255) + 59 * (p >> 8 & 255) + 11 * (p & 255)) / 100;
}

// A pixel counted from the lower left corner; off the picture, -1.
int32_t LumaOf(const PreviewPixels& p, int32_t column, int32_t rowFromBottom) {
  const int32_t row = p.height - 1 - rowFromBottom;
  if (column < 0 || column >= p.width || row < 0 || row >= p.height) return -1;
  return Luma(p.At(column, row));
}

// The pixel whose lower left corner is the sheet point (x, y) inches.
int32_t LumaAt(const PreviewPixels& p, double x, double y) {
  return LumaOf(p, static_cast<int32_t>(std::floor(x * p.dpi)),
                static_cast<int32_t>(std::floor(y * p.dpi)));
}

// Over the pixels from (x0, y0) up to (x1, y1) inches.
double MeanLuma(const PreviewPixels& p, double x0, double y0, double x1, double y1) {
  double sum = 0;
  int32_t n = 0;
  for (int32_t r = std::lround(y0 * p.dpi); r < std::lround(y1 * p.dpi); ++r)
    for (int32_t c = std::lround(x0 * p.dpi); c < std::lround(x1 * p.dpi); ++c)
      sum += LumaOf(p, c, r), ++n;
  return sum / n;
}

uint16_t At(double inches, double unitsPerInch) {
  return static_cast<uint16_t>(std::lround(inches * unitsPerInch));
}

// A 0.02-inch line from (1, 1) to (5, 1) on to (5, 4) inches, and a square of
// pen 9 (grey 127) from (2, 2) to (3, 3).
void LinesAndSquare(const DriverLink& d, double u) {
  SetPenWidth(d, 0.02);
  MoveTo(d, At(1, u), At(1, u));
  DrawTo(d, At(5, u), At(1, u));
  DrawTo(d, At(5, u), At(4, u));
  FillPolygon(d, 9,
              {At(2, u), At(2, u), At(3, u), At(2, u), At(3, u), At(3, u), At(2, u), At(3, u)});
}

// How light the halftone of a grey prints: the share of clear cells.
double PatternLightness(int32_t grey) {
  int32_t inked = 0;
  for (uint16_t row : AreaPatternOf(grey)) inked += __builtin_popcount(row);
  return 255.0 * (256 - inked) / 256;
}

TEST(JobPreview, LinesAndFillsLandOnTheirPixels) {
  struct Case {
    const char* name;
    uint16_t jobFlags, plotFlags;
  } cases[] = {{"seven-bit", k400Dpi, 0x1000},
               {"eight-bit", k400Dpi, 0x3000},
               {"QDRS", k400Dpi | kQdrs, 0x1000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string job = PlotJob(c.jobFlags, c.plotFlags, LinesAndSquare);
    JobPicture picture;
    const PreviewPixels p = Render(job, kDpi, &picture);
    EXPECT_TRUE(picture.notes.empty()) << picture.notes[0].offset << ": " << picture.notes[0].text;
    ASSERT_FALSE(picture.strokeStyles.empty());
    EXPECT_NEAR(picture.strokeStyles.back().width, 0.02, 0.0005);

    // The horizontal line covers the two rows around y = 1 inch, from 1 to 5 inches.
    for (double x : {1.2, 3.0, 4.8}) {
      EXPECT_LT(LumaAt(p, x, 0.995), 64) << x;
      EXPECT_LT(LumaAt(p, x, 1.005), 64) << x;
      EXPECT_GT(LumaAt(p, x, 0.96), 200) << x;
      EXPECT_GT(LumaAt(p, x, 1.04), 200) << x;
    }
    EXPECT_GT(LumaAt(p, 0.95, 1.0), 200) << "nothing before the start";
    // The vertical one at x = 5 inches, up to 4 inches.
    EXPECT_LT(LumaAt(p, 4.995, 2.5), 64);
    EXPECT_LT(LumaAt(p, 5.005, 2.5), 64);
    EXPECT_GT(LumaAt(p, 5.04, 2.5), 200);
    EXPECT_GT(LumaAt(p, 5.0, 4.05), 200);
    // The square: the halftone of grey 127 inside, white around it.
    EXPECT_NEAR(MeanLuma(p, 2.1, 2.1, 2.9, 2.9), PatternLightness(127), 20);
    EXPECT_GT(MeanLuma(p, 1.85, 2.1, 1.95, 2.9), 250);
    EXPECT_GT(MeanLuma(p, 3.05, 2.1, 3.15, 2.9), 250);
    EXPECT_GT(MeanLuma(p, 2.1, 3.05, 2.9, 3.15), 250);
  }
}

// Line types keep their shapes and lengths: HP-GL/2 gives the length in
// percent of the scaling points' diagonal (60 inches on this sheet), the
// binary language its own patterns, drawn here at half an inch. The input
// window clips what lies beyond it.
TEST(JobPreview, LineTypesAndTheInputWindow) {
  const Drawing dashed = [](const DriverLink& d, double u) {
    SetLineTypeCount(d, 8);
    SelectLineType(d, 3);
    MoveTo(d, At(1, u), At(1, u));
    DrawTo(d, At(5, u), At(1, u));
  };
  const JobPicture gl2 = Read(PlotJob(k400Dpi, 0x1000, dashed));
  ASSERT_EQ(gl2.items.size(), 1u);
  const std::vector<double>& d = gl2.strokeStyles[gl2.items[0].style].dashes;
  ASSERT_EQ(d.size(), 2u);
  EXPECT_NEAR(d[0], 0.70 * 1.2, 1e-9);
  EXPECT_NEAR(d[1], 0.30 * 1.2, 1e-9);
  EXPECT_TRUE(gl2.items[0].clipped);
  EXPECT_NEAR(gl2.items[0].clipHigh.x, 48, 1e-9);

  const JobPicture qdrs = Read(PlotJob(k400Dpi | kQdrs, 0x1000, dashed));
  const std::vector<double>& q = qdrs.strokeStyles[qdrs.items.back().style].dashes;
  ASSERT_EQ(q.size(), 4u);
  EXPECT_NEAR(q[0] + q[1] + q[2] + q[3], 0.5, 1e-9);
  EXPECT_NEAR(q[1], 0.15, 1e-9);

  std::string clipped = PlotJob(k400Dpi, 0x1000, LinesAndSquare);
  clipped.insert(clipped.find("PE7"), "IW0,0,3048,3048;");  // 3 x 3 inches
  const PreviewPixels p = Render(clipped, kDpi);
  EXPECT_LT(LumaAt(p, 2.9, 0.995), 64);
  EXPECT_GT(LumaAt(p, 3.1, 0.995), 200) << "beyond the window";
}

// Eight-bit polyline numbers, as the driver writes them with the eight-bit flag.
std::string Encoded(int32_t v) {
  uint32_t u = v >= 0 ? 2u * v : 1u - 2u * v;
  std::string s;
  for (; u >= 64; u >>= 6) s += static_cast<char>(u % 64 + 63);
  return s + static_cast<char>(u + 191);
}

// PE's flags (absolute "=", pen up "<", fraction ">") and rotation, on a sheet
// of 4 x 3 inches: every stroke below runs from (1, 1) to (2, 1) inches.
TEST(JobPreview, PolylineFlagsAndRotation) {
  const std::string inch = Encoded(1016), two = Encoded(2032), zero = Encoded(0);
  const std::string job = "IN;PS4064,3048;SP1;PE<=" + inch + inch + inch + zero + ";PE>" +
                          Encoded(2) + "<=" + Encoded(4064) + Encoded(4064) + Encoded(4064) + zero +
                          ";PE<" + Encoded(-1016) + zero + "=" + two + inch +
                          ";RO90;PU1016,3048;PD1016,2032;";
  const JobPicture picture = Read(job);
  EXPECT_TRUE(picture.notes.empty()) << picture.notes[0].text;
  ASSERT_EQ(picture.items.size(), 4u);
  for (const JobItem& item : picture.items) {
    ASSERT_EQ(item.points.size(), 2u);
    EXPECT_NEAR(item.points[0].x, 1, 1e-9);
    EXPECT_NEAR(item.points[0].y, 1, 1e-9);
    EXPECT_NEAR(item.points[1].x, 2, 1e-9);
    EXPECT_NEAR(item.points[1].y, 1, 1e-9);
  }
  EXPECT_NEAR(picture.sheet.x, 4, 1e-9);
  EXPECT_NEAR(picture.sheet.y, 3, 1e-9);
}

// Steps around each digit's base, written by the driver in either encoding
// and read back: a number whose doubled magnitude is the base exactly (16 in
// seven bits, 32 in eight) takes a second digit on both sides.
TEST(JobPreview, PolylineNumbersAroundTheBaseReadBackAsWritten) {
  const std::vector<int32_t> steps = {15, 16, -16, 17, 31, 32, -32, 33, 1023, 1024, -1024};
  for (const uint16_t plotFlags : {0x1000, 0x3000}) {
    SCOPED_TRACE(plotFlags);
    std::vector<JobPoint> drawn;
    const Drawing drawing = [&](const DriverLink& d, double u) {
      int32_t x = 4000, y = 4000;
      MoveTo(d, x, y);
      drawn.push_back({x / u, y / u});
      for (const int32_t step : steps) {
        x += step;
        y -= step;
        DrawTo(d, x, y);
        drawn.push_back({x / u, y / u});
      }
    };
    const JobPicture picture = Read(PlotJob(k400Dpi, plotFlags, drawing));
    ASSERT_EQ(picture.items.size(), 1u);
    const std::vector<JobPoint>& read = picture.items[0].points;
    ASSERT_EQ(read.size(), drawn.size());
    for (size_t i = 0; i < read.size(); ++i) {
      EXPECT_NEAR(read[i].x, drawn[i].x, 1e-9) << i;
      EXPECT_NEAR(read[i].y, drawn[i].y, 1e-9) << i;
    }
  }
}

// With a margin the drawing's origin moves in by it, and the sheet shows the
// margin as a line around the usable area.
TEST(JobPreview, MarginsMoveTheDrawingAndShowOnTheSheet) {
  const std::string job =
      PlotJob(k400Dpi, 0x1000, LinesAndSquare, [](ConfigRecord& r) { r.margin = 10; });
  const JobPicture picture = Read(job);
  const PreviewPixels p = Render(job, kDpi);
  const double m = 399 / 1016.0;            // whole plotter units
  EXPECT_NEAR(picture.sheet.x, 48, 0.005);  // PS: A and B truncated, plus 2m
  EXPECT_NEAR(picture.sheet.y, 36, 0.005);
  EXPECT_NEAR(picture.usableLow.x, m, 1e-9);
  EXPECT_NEAR(picture.usableHigh.y, 36 - m, 0.005);
  EXPECT_LT(LumaAt(p, 3, 1 + m), 64);
  EXPECT_GT(LumaAt(p, 3, 1 - 0.05), 200);
  EXPECT_LT(LumaAt(p, m, 3), 250) << "the margin line";
  EXPECT_GT(LumaAt(p, m + 0.05, 3), 250);
}

// A plot leaves nothing behind for the next plot's images to restore: not the
// pen and width of an earlier plot in the other language.
TEST(JobPreview, APlotInOneLanguageLeavesNothingInTheNext) {
  PlotJob(k400Dpi, 0x1000, [](const DriverLink& d, double u) {
    SelectPen(d, 3);
    SetPenWidth(d, 0.01);
    DrawTo(d, At(1, u), At(1, u));
  });
  const std::string qdrs = PlotJob(k400Dpi | kQdrs, 0x1000, [](const DriverLink& d, double u) {
    SendImage(d, {.x1 = At(1, u), .y1 = At(1, u), .x2 = At(2, u), .y2 = At(2, u)});
    DrawTo(d, At(3, u), At(3, u));
  });
  int32_t result = 0;
  const JobPicture picture = Read(qdrs, &result);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(picture.notes.empty()) << picture.notes[0].text;
}

// Dot (i, j) of a band lies at origin + i * pixelStep + j * rowStep; at the
// raster's own resolution every dot is one pixel of the preview.
TEST(JobPreview, ImageComesBackDotForDot) {
  // The E sheet is longer than wide: strips are the image's columns, rows run
  // along x from the place's left edge. A custom sheet 30 inches wide and
  // 500 mm long turns that: strips are rows, dots run back from the right edge.
  struct Sheet {
    const char* name;
    int32_t paperSize, customLength;
    int32_t canvasRows, canvasWidth;
    JobPoint origin;
  } sheets[] = {{"E sheet", 0, 0, 800, 400, {2, 2}}, {"custom sheet", 24, 500, 400, 800, {4, 2}}};
  for (const Sheet& sheet : sheets)
    for (uint16_t language : {uint16_t{0}, kQdrs}) {
      SCOPED_TRACE(std::string(sheet.name) + (language == 0 ? " RTL/GL2" : " QDRS+MMR"));
      const std::string job = PlotJob(
          k400Dpi | language, 0x1000,
          [&](const DriverLink& d, double u) {
            SendImage(d, {.x1 = At(2, u),
                          .y1 = At(2, u),
                          .x2 = At(4, u),
                          .y2 = At(3, u),
                          .type = 2,
                          .w = 300,
                          .h = 200});
            MoveTo(d, 0, 0);
            DrawTo(d, 1, 1);
          },
          [&](ConfigRecord& r) {
            if (sheet.paperSize != 0) r.paperSize = sheet.paperSize;
            if (sheet.customLength != 0) r.customLength = sheet.customLength;
          });
      JobPicture picture;
      const PreviewPixels p = Render(job, 400, &picture);
      std::vector<const RasterBand*> bands;
      for (const JobItem& item : picture.items)
        if (item.kind == ItemKind::Band && item.band.width > 32) bands.push_back(&item.band);
      ASSERT_EQ(bands.size(), 1u);
      const RasterBand& b = *bands[0];
      ASSERT_NEAR(b.rows, sheet.canvasRows, 1) << "strips of 1/400 inch";
      const std::vector<uint8_t> expected = ExpectedCanvas(0, b.rows, sheet.canvasWidth);
      const int32_t rowBytes = (b.width + 7) / 8;
      ASSERT_EQ(expected.size(), static_cast<size_t>(rowBytes) * b.rows);

      std::vector<uint8_t> decoded;
      std::string error;
      DecodeBand(
          Bytes(job) + b.offset, b.size, b.width, b.rows,
          [&](int32_t, int32_t count, const uint8_t* rows) {
            decoded.insert(decoded.end(), rows, rows + count * rowBytes);
          },
          error);
      EXPECT_TRUE(decoded == expected) << error;

      int32_t wrong = 0;
      for (int32_t j = 0; j < b.rows; ++j)
        for (int32_t i = 0; i < sheet.canvasWidth; ++i) {
          const double x = b.origin.x + (i + 0.5) * b.pixelStep.x + (j + 0.5) * b.rowStep.x;
          const double y = b.origin.y + (i + 0.5) * b.pixelStep.y + (j + 0.5) * b.rowStep.y;
          const bool black = (expected[j * rowBytes + i / 8] & 0x80 >> i % 8) != 0;
          wrong += (LumaAt(p, x, y) < 128) != black;
        }
      EXPECT_EQ(wrong, 0);
      EXPECT_NEAR(b.origin.x, sheet.origin.x, 1e-9);
      EXPECT_NEAR(b.origin.y, sheet.origin.y, 1e-9);
      // The band covers the image's place, whichever way its rows run.
      const double lowX = std::min(b.origin.x, b.origin.x + sheet.canvasWidth * b.pixelStep.x);
      EXPECT_NEAR(lowX, 2.0, 0.01);
    }
}

TEST(JobPreview, BothLanguagesGiveOnePicture) {
  const Drawing drawing = [](const DriverLink& d, double u) {
    LinesAndSquare(d, u);
    SendImage(d, {.x1 = At(6, u),
                  .y1 = At(1, u),
                  .x2 = At(8, u),
                  .y2 = At(2.5, u),
                  .type = 2,
                  .w = 120,
                  .h = 90});
    SetPenWidth(d, 0.05);
    MoveTo(d, At(1, u), At(5, u));
    DrawTo(d, At(9, u), At(5.5, u));
    FillPolygon(d, 8, {At(4, u), At(4.5, u), At(4.5, u), At(4.5, u), At(4.2, u), At(5.2, u)});
  };
  const PreviewPixels gl2 = Render(PlotJob(k400Dpi, 0x1000, drawing), kDpi);
  const PreviewPixels qdrs = Render(PlotJob(k400Dpi | kQdrs, 0x1000, drawing), kDpi);
  // Blocks of 8 x 8 pixels over the drawing: their units differ (1/1016 and
  // 1/400 inch), their ink does not.
  double worst = 0, total = 0;
  int32_t blocks = 0;
  for (double y = 0; y < 5.99; y += 0.08)
    for (double x = 0; x < 9.99; x += 0.08) {
      const double a = MeanLuma(gl2, x, y, x + 0.08, y + 0.08);
      const double b = MeanLuma(qdrs, x, y, x + 0.08, y + 0.08);
      worst = std::max(worst, std::abs(a - b));
      total += std::abs(a - b);
      ++blocks;
    }
  EXPECT_LT(worst, 48);
  EXPECT_LT(total / blocks, 1.0);
  EXPECT_LT(MeanLuma(gl2, 6.1, 1.1, 7.9, 2.4), 200) << "the image is there";
}

// A line drawn straight after a fill prints in the line pen, not in the
// fill's: black in both languages, after a halftone fill of a grey pen.
TEST(JobPreview, DrawRightAfterAFillPrintsInTheLinePen) {
  const Drawing drawing = [](const DriverLink& d, double u) {
    MoveTo(d, At(1, u), At(1, u));
    FillPolygon(d, 8, {At(2, u), At(2, u), At(4, u), At(2, u), At(3, u), At(4, u)});
    DrawTo(d, At(5, u), At(1, u));
  };
  for (const uint16_t jobFlags : {k400Dpi, static_cast<uint16_t>(k400Dpi | kQdrs)}) {
    SCOPED_TRACE(jobFlags);
    const JobPicture picture = Read(PlotJob(jobFlags, 0x1000, drawing));
    ASSERT_FALSE(picture.items.empty());
    const JobItem& last = picture.items.back();
    ASSERT_EQ(last.kind, ItemKind::Stroke);
    EXPECT_EQ(picture.strokeStyles[last.style].colour, (JobColour{0, 0, 0}));
  }
}

// A polygon of n vertices on a circle of two inches around (5, 4) inches.
std::vector<uint16_t> Circle(int32_t n, double u) {
  std::vector<uint16_t> xy;
  for (int32_t i = 0; i < n; ++i) {
    const double a = 2 * std::numbers::pi * i / n;
    xy.push_back(At(5 + 2 * std::cos(a), u));
    xy.push_back(At(4 + 2 * std::sin(a), u));
  }
  return xy;
}

// The binary language's polygon record counts its words in 16 bits: 16,383
// vertices print whole, one more is refused with a message and writes
// nothing, and the plot goes on. HP-GL/2 has no such count.
TEST(JobPreview, HugePolygonsPrintWholeOrAreRefusedWhole) {
  for (const bool qdrs : {false, true})
    for (const int32_t n : {16383, 16384}) {
      SCOPED_TRACE(testing::Message() << (qdrs ? "QDRS " : "HP-GL/2 ") << n);
      uint16_t status = 0;
      const Drawing drawing = [&](const DriverLink& d, double u) {
        const std::vector<uint16_t> circle = Circle(n, u);
        status = FillPolygonAt(d, 8, circle);
        MoveTo(d, At(1, u), At(1, u));
        DrawTo(d, At(2, u), At(1, u));
      };
      const uint16_t jobFlags = qdrs ? k400Dpi | kQdrs : k400Dpi;
      const JobPicture picture = Read(PlotJob(jobFlags, 0x1000, drawing));
      EXPECT_FALSE(picture.damaged);
      const auto fill = std::find_if(picture.items.begin(), picture.items.end(),
                                     [](const JobItem& i) { return i.kind == ItemKind::Fill; });
      const bool refused = qdrs && n > 16383;
      EXPECT_EQ(status, refused ? 0xFFFF : 0);
      const auto message =
          std::find_if(hostLog.lines.begin(), hostLog.lines.end(),
                       [](const std::string& l) { return l.find("16383") != l.npos; });
      EXPECT_EQ(message != hostLog.lines.end(), refused);
      ASSERT_EQ(fill == picture.items.end(), refused);
      ASSERT_EQ(picture.items.back().kind, ItemKind::Stroke) << "the plot goes on";
      if (refused) continue;
      EXPECT_GE(fill->points.size(), static_cast<size_t>(n));
      double low = 1e9, high = -1e9;
      for (const JobPoint& p : fill->points) low = std::min(low, p.x), high = std::max(high, p.x);
      EXPECT_NEAR(low, 3, 0.01);
      EXPECT_NEAR(high, 7, 0.01);
    }
}

// Damaged jobs: every cut and a spread of corrupted bytes read and draw
// without a fault; a cut inside a record or a raster block says so.
TEST(JobPreview, TruncatedAndCorruptJobsDrawWhatTheyHold) {
  const Drawing drawing = [](const DriverLink& d, double u) {
    LinesAndSquare(d, u);
    SendImage(d, {.x1 = At(6, u),
                  .y1 = At(1, u),
                  .x2 = At(7, u),
                  .y2 = At(2, u),
                  .type = 2,
                  .w = 64,
                  .h = 64});
    DrawTo(d, At(2, u), At(5, u));
  };
  for (uint16_t language : {uint16_t{0}, kQdrs}) {
    SCOPED_TRACE(language == 0 ? "RTL/GL2" : "QDRS+MMR");
    const std::string job = PlotJob(k400Dpi | language, 0x1000, drawing);
    int32_t result = 0;
    const JobPicture full = Read(job, &result);
    const size_t fullItems = full.items.size();
    EXPECT_EQ(result, 0) << full.notes[0].offset << ": " << full.notes[0].text;
    const size_t dataAt = job.find(language == 0 ? "*b8M" : "\x9B\x5C");
    ASSERT_NE(dataAt, std::string::npos);
    std::vector<size_t> cuts = {1, 2, 3, dataAt + 12, dataAt + 40};
    for (size_t cut = 5; cut < job.size(); cut += job.size() / 97) cuts.push_back(cut);
    for (size_t cut : cuts) {
      const std::string part = job.substr(0, cut);
      JobPicture picture = Read(part, &result);
      EXPECT_LE(picture.items.size(), fullItems) << cut;
      if (result < 0) {
        EXPECT_TRUE(picture.damaged && !picture.notes.empty()) << cut;
      }
      PreviewPixels pixels;
      std::string error;
      RenderToPixels(picture, Bytes(part), part.size(), {.dpi = 10}, pixels, error);
    }
    JobPicture late = Read(job.substr(0, dataAt + 40), &result);
    EXPECT_EQ(result, -1);
    EXPECT_GE(late.items.size(), 3u) << "what came before the cut is kept";

    std::mt19937 random(language + 1);
    for (int trial = 0; trial < 60; ++trial) {
      std::string bad = job;
      for (int k = 0; k < 8; ++k) bad[random() % bad.size()] = static_cast<char>(random());
      JobPicture picture = Read(bad);
      PreviewPixels pixels;
      std::string error;
      RenderToPixels(picture, Bytes(bad), bad.size(), {.dpi = 10}, pixels, error);
    }
  }
}

// Unknown instructions and records are reported once each, at their first
// offset, and everything around them is still drawn.
TEST(JobPreview, UnknownThingsAreReportedOnceWithTheirOffset) {
  std::string gl2 = PlotJob(k400Dpi, 0x1000, LinesAndSquare);
  const size_t fill = gl2.find(";PM0");
  ASSERT_NE(fill, std::string::npos);
  gl2.insert(fill, ";ZZ1,2;ZZ3");
  JobPicture picture = Read(gl2);
  ASSERT_EQ(picture.notes.size(), 1u);
  EXPECT_EQ(picture.notes[0].text, "HP-GL/2 instruction ZZ");
  EXPECT_EQ(picture.notes[0].offset, fill + 1);
  EXPECT_EQ(picture.notes[0].count, 2);
  EXPECT_EQ(picture.items.size(), 2u) << "the stroke and the fill";

  std::string qdrs = PlotJob(k400Dpi | kQdrs, 0x1000, LinesAndSquare);
  const size_t polygon = qdrs.find("\xFF\x83");  // 32-bit numbers on this sheet
  ASSERT_NE(polygon, std::string::npos);
  qdrs.insert(polygon, std::string("\x77\x01\x00\x05\x9B\x71\x00\x01\x00", 9));
  picture = Read(qdrs);
  ASSERT_EQ(picture.notes.size(), 2u);
  EXPECT_EQ(picture.notes[0].text, "QDRS record 77");
  EXPECT_EQ(picture.notes[0].offset, polygon);
  EXPECT_EQ(picture.notes[1].text, "QDRS job-control record 9B 71");
  const size_t fills = std::count_if(picture.items.begin(), picture.items.end(),
                                     [](const JobItem& i) { return i.kind == ItemKind::Fill; });
  EXPECT_EQ(fills, 1u);
}

// A band wider than any image surface is still drawn to its far end.
TEST(JobPreview, BandsWiderThanASurfaceAreDrawnWhole) {
  const int32_t width = 40000, rows = 600;  // 66.7 by 1 inches at 600 dpi
  const std::vector<uint8_t> black(static_cast<size_t>(width / 8) * rows, 0xFF);
  const std::vector<uint8_t> coded = TiffEncodeG4(black.data(), width, rows);
  ASSERT_FALSE(coded.empty());
  char frame[128];
  std::snprintf(frame, sizeof frame, "\x1b*r%dS\x1b*r%dT\x1b*r1A\x1b*b8M\x1b*b%zuW", width, rows,
                coded.size() + 4);
  const std::string job =
      "IN;PS71120,71120;PA1016,1016;\x1b%1A\x1b*t600R" + std::string(frame) +
      std::string({0, 0, static_cast<char>(width >> 8), static_cast<char>(width & 255)}) +
      std::string(coded.begin(), coded.end()) + "\x1b*rC\x1b%0B";
  JobPicture picture = Read(job);
  EXPECT_TRUE(picture.notes.empty()) << picture.notes[0].text;
  PreviewPixels p;
  std::string error;
  ASSERT_EQ(RenderToPixels(picture, Bytes(job), job.size(), {.dpi = 5}, p, error), 0) << error;
  // Rows run along x from x = 1 inch to 2, dots along y up to 67.7 inches.
  EXPECT_LT(LumaAt(p, 1.5, 2), 64);
  EXPECT_LT(LumaAt(p, 1.5, 67.4), 64);
  EXPECT_GT(LumaAt(p, 1.5, 68.2), 250);
}

// A band is decoded a slice at a time: a full-width 600-dpi band of a 36-inch
// sheet never takes more than one slice of memory.
TEST(JobPreview, LargeBandsDecodeInBoundedSlices) {
  const int32_t width = 36 * 600, rows = 4000;
  std::vector<uint8_t> image(static_cast<size_t>(width / 8) * rows);
  for (size_t k = 0; k < image.size(); k += 997) image[k] = 0xF0;
  const std::vector<uint8_t> coded = TiffEncodeG4(image.data(), width, rows);
  ASSERT_FALSE(coded.empty());
  size_t slices = 0, largest = 0;
  std::vector<uint8_t> back;
  std::string error;
  const int32_t done = DecodeBand(
      coded.data(), coded.size(), width, rows,
      [&](int32_t first, int32_t count, const uint8_t* r) {
        EXPECT_EQ(first * (width / 8), static_cast<int32_t>(back.size()));
        back.insert(back.end(), r, r + count * (width / 8));
        largest = std::max<size_t>(largest, count * (width / 8));
        ++slices;
      },
      error);
  EXPECT_EQ(done, rows) << error;
  EXPECT_TRUE(back == image);
  EXPECT_GE(slices, 2u);
  EXPECT_LE(largest, size_t{4} << 20);
  // Cut short, the rows before the cut still come back.
  back.clear();
  EXPECT_LT(DecodeBand(
                coded.data(), coded.size() / 2, width, rows,
                [&](int32_t, int32_t count, const uint8_t* r) {
                  back.insert(back.end(), r, r + count * (width / 8));
                },
                error),
            rows);
  EXPECT_FALSE(error.empty());
  EXPECT_GT(back.size(), image.size() / 4);
}

}  // namespace

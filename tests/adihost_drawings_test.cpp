// Drawings as CAD programs save them: entities in tilted planes, wide
// polylines, dimensions and leaders, pattern hatches, fills too large for one
// polygon, images in other formats. Each is plotted through the driver and
// its job read back.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>

#include "dxf_plot.h"
#include "tools/adihost/image_check.h"
#include "tools/adihost/polygon_pieces.h"
#include "tools/adihost/raster_file.h"
#include "tools/jobview/picture.h"

namespace {

constexpr double kHalfRoot2 = 0.70710678118654752;

struct Box {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  void Add(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
};

Box PolygonBox(const Plotted& p) {
  Box b;
  for (const Request& r : p.requests)
    if (r.kind == RequestKind::Polygon)
      for (size_t i = 0; i < r.xy.size(); i += 2) b.Add(r.xy[i], r.xy[i + 1]);
  return b;
}

std::vector<PlottedPoint> AllPoints(const std::vector<PlottedChain>& chains) {
  std::vector<PlottedPoint> all;
  for (const PlottedChain& c : chains) all.insert(all.end(), c.begin(), c.end());
  return all;
}

// An edge-on circle is a line; a circle in a plane tilted 45 degrees about
// x is an ellipse half as tall as wide by a factor of cos 45; seen from
// below, a polyline runs the other way.
TEST(AdihostDrawings, TiltedPlanesAreSeenFromAbove) {
  DxfText t = WithOriginMark();
  // Normal along x: the plane's x axis is the world's y, its elevation x.
  t.Entity("CIRCLE").Add(10, 5000.0).Add(20, 7000.0).Add(30, 3000.0).Add(40, 2000.0);
  t.Add(210, 1.0).Add(220, 0.0).Add(230, 0.0);
  t.Entity("CIRCLE").Add(10, 20000.0).Add(20, 10000 / kHalfRoot2).Add(40, 4000.0);
  t.Add(210, 0.0).Add(220, -kHalfRoot2).Add(230, kHalfRoot2);
  t.Entity("LWPOLYLINE").Add(90, 2).Add(70, 0).Add(10, -30000.0).Add(20, 1000.0);
  t.Add(10, -34000.0).Add(20, 2000.0).Add(230, -1.0);
  const Plotted p = PlotDxf(t.End().Finish());
  ASSERT_EQ(p.error, "");
  const auto chains = Drawn(p);
  ASSERT_EQ(chains.size(), 3u);
  Box line;
  for (const PlottedPoint& q : chains[0]) line.Add(q.x, q.y);
  EXPECT_NEAR(line.minX, 3000, 1);
  EXPECT_NEAR(line.maxX, 3000, 1);
  EXPECT_NEAR(line.minY, 3000, 1);
  EXPECT_NEAR(line.maxY, 7000, 1);
  for (const PlottedPoint& q : chains[1]) {
    const double dx = (q.x - 20000) / 4000.0, dy = (q.y - 10000) / (4000 * kHalfRoot2);
    EXPECT_NEAR(std::hypot(dx, dy), 1, 2.0 / 2828) << q.x << "," << q.y;
  }
  EXPECT_EQ(chains[2].front().x, 30000);
  EXPECT_EQ(chains[2].back().x, 34000);
}

// A constant width, a taper to a point and a wide arc: filled outlines
// reaching half the width either side of the path, and no line drawn.
TEST(AdihostDrawings, WidePolylinesAreFilledOutlines) {
  DxfText corner = WithOriginMark();
  corner.Entity("LWPOLYLINE").Add(90, 3).Add(70, 0).Add(43, 400.0);
  corner.Add(10, 1000.0).Add(20, 1000.0).Add(10, 5000.0).Add(20, 1000.0);
  corner.Add(10, 5000.0).Add(20, 4000.0);
  Plotted p = PlotDxf(corner.End().Finish());
  ASSERT_EQ(p.error, "");
  // Only the origin mark is a line; the polyline is a filled outline.
  EXPECT_EQ(std::count_if(p.requests.begin(), p.requests.end(),
                          [](const Request& r) { return r.kind == RequestKind::Draw; }),
            1);
  Box b = PolygonBox(p);
  // The mitred corner reaches (5200, 800).
  EXPECT_EQ(std::vector<double>({b.minX, b.minY, b.maxX, b.maxY}),
            std::vector<double>({1000, 800, 5200, 4000}));

  DxfText taper = WithOriginMark();
  taper.Entity("POLYLINE").Add(66, 1).Add(70, 0).Add(40, 600.0).Add(41, 0.0);
  taper.Entity("VERTEX").Add(10, 10000.0).Add(20, 1000.0);
  taper.Entity("VERTEX").Add(10, 14000.0).Add(20, 1000.0).Add(40, 0.0).Add(41, 0.0);
  taper.Entity("SEQEND");
  p = PlotDxf(taper.End().Finish());
  b = PolygonBox(p);
  EXPECT_EQ(std::vector<double>({b.minX, b.minY, b.maxX, b.maxY}),
            std::vector<double>({10000, 700, 14000, 1300}));
  for (const Request& r : p.requests)
    for (size_t i = 0; r.kind == RequestKind::Polygon && i < r.xy.size(); i += 2)
      if (r.xy[i] == 14000) {
        EXPECT_EQ(r.xy[i + 1], 1000);
      }

  DxfText arc = WithOriginMark();
  arc.Entity("LWPOLYLINE").Add(90, 2).Add(70, 0).Add(43, 200.0);
  arc.Add(10, 20000.0).Add(20, 1000.0).Add(42, -1.0).Add(10, 24000.0).Add(20, 1000.0);
  p = PlotDxf(arc.End().Finish());
  for (const Request& r : p.requests)
    for (size_t i = 0; r.kind == RequestKind::Polygon && i < r.xy.size(); i += 2) {
      const double radius = std::hypot(r.xy[i] - 22000.0, r.xy[i + 1] - 1000.0);
      EXPECT_GE(radius, 1899);
      EXPECT_LE(radius, 2101);
    }
  EXPECT_GT(PolygonBox(p).maxX, 0);
}

// A dimension comes from its block; a leader is its path with the arrowhead
// at its first point; a dimension naming no block is noted. At 1:1 a unit is
// 40 steps.
TEST(AdihostDrawings, DimensionsAndLeadersAreDrawn) {
  DxfText t;
  t.Section("BLOCKS").Add(0, "BLOCK").Add(8, "0").Add(2, "*D1").Add(70, 1);
  t.Add(10, 0.0).Add(20, 0.0);
  t.Entity("LINE").Add(10, 10.0).Add(20, 50.0).Add(11, 90.0).Add(21, 50.0);
  t.Add(0, "ENDBLK").Add(8, "0").End();
  t.Section("ENTITIES").Entity("POINT").Add(10, 0.0).Add(20, 0.0);
  t.Entity("DIMENSION").Add(2, "*D1").Add(10, 90.0).Add(20, 50.0).Add(70, 0);
  t.Entity("DIMENSION").Add(10, 90.0).Add(20, 50.0).Add(70, 1);
  t.Entity("LEADER").Add(71, 1).Add(72, 0).Add(76, 2);
  t.Add(10, 10.0).Add(20, 10.0).Add(10, 40.0).Add(20, 10.0);
  const Plotted p = PlotDxf(t.End().Finish(), {.ratio = 1});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.notes.count("DIMENSION"), 0u);
  EXPECT_EQ(p.notes.count("LEADER"), 0u);
  EXPECT_EQ(p.notes.at("DIMENSION without its block (not plotted)"), 1);
  // The dimension's line, the leader's path, then the arrow's outline.
  const auto chains = Drawn(p);
  ASSERT_EQ(chains.size(), 3u);
  EXPECT_EQ(chains[0].front().x, 400);
  EXPECT_EQ(chains[0].back().x, 3600);
  EXPECT_EQ(chains[1].front().x, 400);
  EXPECT_EQ(chains[1].back().x, 1600);
  // The arrow: 2.5 units long by default in a metric drawing, a third as
  // wide, its tip at the start.
  const Box arrow = PolygonBox(p);
  EXPECT_EQ(std::vector<double>({arrow.minX, arrow.maxX, arrow.minY, arrow.maxY}),
            std::vector<double>({400, 500, 383, 417}));
}

// A square with a square hole, crossed by horizontal lines every 500 units:
// every stroke horizontal, on a line of the pattern, inside the square and
// outside the hole.
DxfText HatchedSquare(const std::string& name, bool withLines, double scale) {
  DxfText t = WithOriginMark();
  SquareHatchWithHole(t, name, false)
      .Add(75, 0)
      .Add(76, withLines ? 2 : 1)
      .Add(52, 0.0)
      .Add(41, scale)
      .Add(77, 0);
  if (withLines) {
    t.Add(78, 1).Add(53, 0.0).Add(43, 0.0).Add(44, 0.0).Add(45, 0.0).Add(46, 500.0);
    t.Add(79, 0);
  } else {
    t.Add(78, 0);
  }
  t.Add(98, 0);
  return t;
}

TEST(AdihostDrawings, PatternHatchesAreDrawnAsClippedLines) {
  Plotted p = PlotDxf(HatchedSquare("MINE", true, 1).End().Finish());
  ASSERT_EQ(p.error, "");
  EXPECT_TRUE(p.notes.empty()) << p.notes.begin()->first;
  const auto lines = Drawn(p);
  // Lines 1000 to 4500 (a line on a lower edge is inside), two each where
  // the hole cuts them (2000, 2500).
  ASSERT_EQ(lines.size(), 10u);
  for (const PlottedChain& c : lines) {
    EXPECT_EQ(c.front().y, c.back().y);
    EXPECT_EQ(c.front().y % 500, 0);
    for (const PlottedPoint& q : {c.front(), c.back()}) {
      EXPECT_GE(q.x, 1000);
      EXPECT_LE(q.x, 5000);
    }
    const bool crossesHole = c.front().y > 2000 && c.front().y < 3000 &&
                             std::min(c.front().x, c.back().x) < 2000 &&
                             std::max(c.front().x, c.back().x) > 3000;
    EXPECT_FALSE(crossesHole) << c.front().y;
  }
  // A standard pattern named only: ANSI31, lines at 45 degrees an eighth of
  // an inch apart (3.175 mm) times the scale.
  p = PlotDxf(HatchedSquare("ANSI31", false, 100).End().Finish());
  ASSERT_FALSE(Drawn(p).empty());
  for (const PlottedChain& c : Drawn(p))
    EXPECT_NEAR(c.back().y - c.front().y, c.back().x - c.front().x, 2);
  EXPECT_GE(Drawn(p).size(), static_cast<size_t>(4000 * std::sqrt(2.0) / 317.5));
  // Finer than a plotter step: filled, and said.
  p = PlotDxf(HatchedSquare("ANSI31", false, 0.001).End().Finish());
  EXPECT_EQ(p.notes.at("HATCH pattern finer than the plotter can draw (filled solid)"), 1);
  EXPECT_EQ(PolygonBox(p).maxX, 5000);
}

// A hatch of N vertices around a circle, more than a plotter step apart.
std::string ManyVertexHatch(int32_t n) {
  DxfText t = WithOriginMark();
  t.Entity("HATCH").Add(10, 0.0).Add(20, 0.0).Add(2, "SOLID").Add(70, 1).Add(71, 0).Add(91, 1);
  t.Add(92, 2).Add(72, 0).Add(73, 1).Add(93, n);
  for (int32_t i = 0; i < n; ++i) {
    const double a = 2 * 3.14159265358979323846 * i / n;
    t.Add(10, 20000 + 18000 * std::cos(a)).Add(20, 18200 + 18000 * std::sin(a));
  }
  t.Add(97, 0).Add(75, 0).Add(76, 1).Add(98, 0);
  return t.End().Finish();
}

// Fills past the driver's polygon limit are sent in pieces the driver takes,
// which together cover the same area; both languages read back whole.
TEST(AdihostDrawings, LargeFillsAreSentInPiecesThatTheDriverTakes) {
  for (bool qdrs : {false, true})
    for (int32_t n : {16383, 16384, 100000}) {
      const Plotted p = PlotDxf(ManyVertexHatch(n), {.ratio = 40}, qdrs);
      ASSERT_EQ(p.error, "");
      double area = 0;
      size_t pieces = 0;
      for (const Request& r : p.requests) {
        if (r.kind != RequestKind::Polygon) continue;
        ++pieces;
        EXPECT_LE(r.xy.size() / 2, kMaxPolygonVertices);
        for (size_t i = 0; i < r.xy.size(); i += 2) {
          const size_t j = (i + 2) % r.xy.size();
          area += (double(r.xy[i]) * r.xy[j + 1] - double(r.xy[j]) * r.xy[i + 1]) / 2;
        }
      }
      // Within the limit one polygon; past it, pieces (or, where the rounded
      // outline has points in line, fewer vertices).
      if (n == 16383) {
        EXPECT_EQ(pieces, 1u);
      }
      if (n == 100000) {
        EXPECT_GT(pieces, 1u);
      }
      const double scale = qdrs ? 800 / 1016.0 : 1;  // host units of the language
      EXPECT_NEAR(std::fabs(area), 3.14159265 * 18000 * 18000 * scale * scale,
                  0.001 * 18000 * 18000 * scale * scale)
          << n << (qdrs ? " QDRS" : " RTL");
      JobPicture picture;
      EXPECT_EQ(ReadJob(reinterpret_cast<const uint8_t*>(hostLog.output.data()),
                        hostLog.output.size(), picture),
                0);
      EXPECT_TRUE(picture.notes.empty()) << picture.notes.front().text;
      EXPECT_EQ(std::count_if(picture.items.begin(), picture.items.end(),
                              [](const JobItem& i) { return i.kind == ItemKind::Fill; }),
                static_cast<long>(pieces));
    }
}

// A JPEG and a TIFF written by their own libraries read back as drawn; an
// image that cannot be read leaves the drawing's other requests standing.
TEST(AdihostDrawings, ImagesInOtherFormatsAreReadAndUnreadableOnesNoted) {
  const std::string jpeg = WriteTemporary("");
  {
    std::FILE* f = std::fopen(jpeg.c_str(), "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = 16, c.image_height = 8, c.input_components = 3, c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(16 * 3);
    for (int32_t x = 0; x < 16; ++x) row[3 * x] = 255, row[3 * x + 1] = 0, row[3 * x + 2] = 0;
    for (int32_t y = 0; y < 8; ++y) {
      JSAMPROW r = row.data();
      jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
  }
  const std::string tiff = WriteTemporary("");
  {
    TIFF* f = TIFFOpen(tiff.c_str(), "w");
    TIFFSetField(f, TIFFTAG_IMAGEWIDTH, 4);
    TIFFSetField(f, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(f, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(f, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(f, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(f, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    uint8_t rows[2][4] = {{0, 255, 0, 255}, {128, 128, 128, 128}};
    TIFFWriteScanline(f, rows[0], 0, 0);
    TIFFWriteScanline(f, rows[1], 1, 0);
    TIFFClose(f);
  }
  RasterPixels image;
  std::string error;
  ASSERT_EQ(ReadRasterFile(jpeg, image, error), 0) << error;
  EXPECT_EQ(image.width, 16);
  EXPECT_GT(image.data[0], 240);
  EXPECT_LT(image.data[1], 16);
  ASSERT_EQ(ReadRasterFile(tiff, image, error), 0) << error;
  EXPECT_EQ(std::vector<uint8_t>(image.data.begin(), image.data.begin() + 6),
            (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
  EXPECT_EQ(image.data[12], 128);

  const std::string bmp = WriteTemporary("BM not an image adihost reads");
  std::vector<Request> requests(3);
  requests[0].kind = RequestKind::Draw;
  requests[1].kind = requests[2].kind = RequestKind::Image;
  requests[1].file = jpeg;
  requests[2].file = bmp;
  std::map<std::string, int32_t> notes;
  DropUnreadableImages(requests, notes);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].file, jpeg);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes.begin()->first.find("a BMP image"), std::string::npos);
  for (const std::string& f : {jpeg, tiff, bmp}) std::remove(f.c_str());
}

// Circles, arcs and a spline fitted to the sheet: rounding never puts
// anything a fit placed outside it.
TEST(AdihostDrawings, AFitIsNeverReportedClipped) {
  DxfText t;
  t.Section("ENTITIES");
  for (int32_t i = 1; i <= 12; ++i)
    t.Entity("CIRCLE").Add(10, 17.3 * i).Add(20, -9.1 * i).Add(40, 3.7 * i + 0.01 * i * i);
  t.Entity("ARC").Add(10, -40.0).Add(20, 13.0).Add(40, 77.7).Add(50, 10.0).Add(51, 190.0);
  const Plotted p = PlotDxf(t.End().Finish(), {});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.notes.count("shapes outside the sheet (clipped)"), 0u);
  const Box all = [&] {
    Box b;
    for (const PlottedPoint& q : AllPoints(p.chains)) b.Add(q.x, q.y);
    return b;
  }();
  EXPECT_GE(all.minX, 0);
  EXPECT_LE(all.maxX, 48768);
  EXPECT_TRUE(all.minX == 0 || all.minY == 0);
}

}  // namespace

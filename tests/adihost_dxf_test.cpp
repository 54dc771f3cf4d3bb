// DXF drawings plotted through the driver in this process: the job's pen
// motion is read back and compared with the entities, which must be followed
// to within one plotter step. At 1:40 with millimetre units and a mark at the
// origin, one drawing unit is one host unit is one plotter step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>

#include "driver_fixture.h"
#include "dxf_plot.h"
#include "dxf_text.h"
#include "hpgl_reader.h"
#include "tools/adihost/drawing_writer.h"
#include "tools/adihost/dxf_reader.h"
#include "tools/host/conversation.h"
#include "tools/jobview/render.h"

namespace {

// Every plotted point and every chord's middle lies within one step of the
// curve, given as its distance function; the curve's ends are reached.
void ExpectFollows(const PlottedChain& chain, const std::function<double(double, double)>& distance,
                   PlottedPoint first, PlottedPoint last) {
  ASSERT_GE(chain.size(), 2u);
  for (size_t i = 0; i < chain.size(); ++i) {
    EXPECT_LE(distance(chain[i].x, chain[i].y), 1.0) << "point " << i;
    if (i == 0) continue;
    EXPECT_LE(distance((chain[i].x + chain[i - 1].x) / 2.0, (chain[i].y + chain[i - 1].y) / 2.0),
              1.0)
        << "chord " << i;
  }
  EXPECT_LE(std::hypot(chain.front().x - first.x, chain.front().y - first.y), 1.0);
  EXPECT_LE(std::hypot(chain.back().x - last.x, chain.back().y - last.y), 1.0);
}

std::function<double(double, double)> CircleDistance(double cx, double cy, double r) {
  return [=](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - r); };
}

// The distance to a sampled parametric curve, fine enough for a one-step test.
std::function<double(double, double)> SampledDistance(
    std::function<std::pair<double, double>(double)> curve) {
  std::vector<std::pair<double, double>> samples;
  for (int i = 0; i <= 40000; ++i) samples.push_back(curve(i / 40000.0));
  return [samples](double x, double y) {
    double best = HUGE_VAL;
    for (const auto& [sx, sy] : samples) best = std::min(best, std::hypot(x - sx, y - sy));
    return best;
  };
}

TEST(AdihostDxf, LinesArcsAndBulgesLandWhereDrawn) {
  DxfText t = WithOriginMark();
  t.Entity("LINE").Add(10, 100.0).Add(20, 200.0).Add(11, 5100.0).Add(21, 1200.0);
  t.Entity("ARC").Add(10, 10000.0).Add(20, 8000.0).Add(40, 3000.0).Add(50, 30.0).Add(51, 200.0);
  // A polyline whose middle segment is a half circle (bulge 1) to the left.
  t.Entity("LWPOLYLINE")
      .Add(90, 3)
      .Add(70, 0)
      .Add(10, 20000.0)
      .Add(20, 1000.0)
      .Add(10, 24000.0)
      .Add(20, 1000.0)
      .Add(42, 1.0)
      .Add(10, 24000.0)
      .Add(20, 5000.0);
  const Plotted p = PlotDxf(t.End().Finish());
  ASSERT_EQ(p.error, "");
  const auto chains = Drawn(p);
  ASSERT_EQ(chains.size(), 3u);
  ExpectFollows(chains[0],
                [](double x, double y) {
                  return std::fabs((x - 100) * 1000 - (y - 200) * 5000) / std::hypot(5000, 1000);
                },
                {100, 200}, {5100, 1200});
  ExpectFollows(chains[1], CircleDistance(10000, 8000, 3000),
                {10000 + std::lround(3000 * std::cos(std::numbers::pi / 6)), 8000 + 1500},
                {10000 + std::lround(3000 * std::cos(200 * std::numbers::pi / 180)),
                 8000 + std::lround(3000 * std::sin(200 * std::numbers::pi / 180))});
  // The straight part, then the arc about (24000, 3000) bulging to the right.
  PlottedChain arc(chains[2].begin() + 1, chains[2].end());
  EXPECT_EQ(chains[2].front().x, 20000);
  ExpectFollows(arc, CircleDistance(24000, 3000, 2000), {24000, 1000}, {24000, 5000});
  for (const PlottedPoint& q : arc) EXPECT_GE(q.x, 23999);
}

TEST(AdihostDxf, CirclesEllipsesAndSplinesStayWithinOneStep) {
  DxfText t = WithOriginMark();
  t.Entity("CIRCLE").Add(10, 30000.0).Add(20, 20000.0).Add(40, 9000.0);
  // A turned, flat ellipse arc over half its parameter range.
  t.Entity("ELLIPSE")
      .Add(10, 12000.0)
      .Add(20, 20000.0)
      .Add(11, 6000.0)
      .Add(21, 6000.0)
      .Add(40, 0.25)
      .Add(41, 0.0)
      .Add(42, std::numbers::pi);
  // A cubic Bezier curve as a clamped spline.
  t.Entity("SPLINE").Add(70, 8).Add(71, 3).Add(72, 8).Add(73, 4).Add(74, 0);
  for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) t.Add(40, k);
  for (auto [x, y] :
       {std::pair{2000.0, 30000.0}, {12000.0, 40000.0}, {2000.0, 34000.0}, {20000.0, 31000.0}})
    t.Add(10, x).Add(20, y);
  const Plotted p = PlotDxf(t.End().Finish());
  ASSERT_EQ(p.error, "");
  const auto chains = Drawn(p);
  ASSERT_EQ(chains.size(), 3u);
  ExpectFollows(chains[0], CircleDistance(30000, 20000, 9000), {39000, 20000}, {39000, 20000});
  const auto ellipse = [](double f) {
    const double t = f * std::numbers::pi;
    return std::pair{12000 + 6000 * std::cos(t) - 1500 * std::sin(t),
                     20000 + 6000 * std::cos(t) + 1500 * std::sin(t)};
  };
  ExpectFollows(chains[1], SampledDistance(ellipse), {18000, 26000}, {6000, 14000});
  const auto bezier = [](double u) {
    const double a = (1 - u) * (1 - u) * (1 - u), b = 3 * u * (1 - u) * (1 - u),
                 c = 3 * u * u * (1 - u), d = u * u * u;
    return std::pair{a * 2000 + b * 12000 + c * 2000 + d * 20000,
                     a * 30000 + b * 40000 + c * 34000 + d * 31000};
  };
  ExpectFollows(chains[2], SampledDistance(bezier), {2000, 30000}, {20000, 31000});
}

TEST(AdihostDxf, ADrawingIsFittedToTheSheetWithItsProportionsKept) {
  DxfText t;
  t.Section("ENTITIES").Entity("LINE").Add(10, -50.0).Add(20, 10.0).Add(11, 50.0).Add(21, 60.0);
  // 100 x 50 units on 48 x 36 inches: the width decides, the height is centred.
  const Plotted p = PlotDxf(t.End().Finish(), {});
  ASSERT_EQ(p.chains.size(), 1u);
  EXPECT_EQ(p.chains[0].front().x, 0);
  EXPECT_EQ(p.chains[0].front().y, 6096);
  EXPECT_EQ(p.chains[0].back().x, 48768);
  EXPECT_EQ(p.chains[0].back().y, 30480);
}

TEST(AdihostDxf, BlocksArePlacedWithScaleRotationAndNesting) {
  DxfText t;
  t.Section("BLOCKS");
  // BAR: a line from its base point 1000 units to the right.
  t.Add(0, "BLOCK").Add(8, "0").Add(2, "BAR").Add(70, 0).Add(10, 500.0).Add(20, 0.0);
  t.Entity("LINE").Add(10, 500.0).Add(20, 0.0).Add(11, 1500.0).Add(21, 0.0);
  t.Add(0, "ENDBLK").Add(8, "0");
  // TWO: BAR turned a quarter, then BAR again twice as long.
  t.Add(0, "BLOCK").Add(8, "0").Add(2, "TWO").Add(70, 0).Add(10, 0.0).Add(20, 0.0);
  t.Entity("INSERT").Add(2, "BAR").Add(10, 0.0).Add(20, 0.0).Add(50, 90.0);
  t.Entity("INSERT").Add(2, "BAR").Add(10, 0.0).Add(20, 0.0).Add(41, 2.0).Add(42, 2.0);
  t.Add(0, "ENDBLK").Add(8, "0");
  t.End().Section("ENTITIES").Entity("POINT").Add(10, 0.0).Add(20, 0.0);
  t.Entity("INSERT")
      .Add(2, "BAR")
      .Add(10, 5000.0)
      .Add(20, 5000.0)
      .Add(41, 3.0)
      .Add(42, 3.0)
      .Add(50, 180.0);
  t.Entity("INSERT").Add(2, "TWO").Add(10, 10000.0).Add(20, 10000.0).Add(50, 90.0);
  // Seen from below (extrusion 0, 0, -1), x runs the other way: the insert
  // at x = -20000 lands at 20000, its bar pointing left.
  t.Entity("INSERT").Add(2, "BAR").Add(10, -20000.0).Add(20, 3000.0).Add(230, -1.0);
  const Plotted p = PlotDxf(t.End().Finish());
  ASSERT_EQ(p.error, "");
  const auto chains = Drawn(p);
  ASSERT_EQ(chains.size(), 4u);
  const auto ends = [](const PlottedChain& c) {
    return std::vector<int64_t>{c.front().x, c.front().y, c.back().x, c.back().y};
  };
  EXPECT_EQ(ends(chains[0]), (std::vector<int64_t>{5000, 5000, 2000, 5000}));
  EXPECT_EQ(ends(chains[1]), (std::vector<int64_t>{10000, 10000, 9000, 10000}));  // turned twice
  EXPECT_EQ(ends(chains[2]), (std::vector<int64_t>{10000, 10000, 10000, 12000}));
  EXPECT_EQ(ends(chains[3]), (std::vector<int64_t>{20000, 3000, 19000, 3000}));
}

TEST(AdihostDxf, LayersColoursAndWeightsBecomePensAndWidths) {
  DxfText t;
  t.Section("TABLES").Add(0, "TABLE").Add(2, "LAYER").Add(70, 3);
  t.Add(0, "LAYER").Add(2, "RED").Add(70, 0).Add(62, 1).Add(6, "DASHED").Add(370, 50);
  t.Add(0, "LAYER").Add(2, "FROZEN").Add(70, 1).Add(62, 2).Add(6, "CONTINUOUS");
  t.Add(0, "LAYER").Add(2, "OFF").Add(70, 0).Add(62, -3).Add(6, "CONTINUOUS");
  t.Add(0, "ENDTAB").End();
  t.Section("BLOCKS").Add(0, "BLOCK").Add(8, "0").Add(2, "B").Add(70, 0).Add(10, 0.0).Add(20, 0.0);
  t.Entity("LINE").Add(62, 0).Add(370, -2).Add(10, 0.0).Add(20, 0.0).Add(11, 10.0).Add(21, 0.0);
  t.Add(0, "ENDBLK").Add(8, "0").End();
  t.Section("ENTITIES");
  t.Entity("LINE", "RED").Add(10, 0.0).Add(20, 0.0).Add(11, 10.0).Add(21, 10.0);
  t.Entity("LINE", "FROZEN").Add(10, 0.0).Add(20, 0.0).Add(11, 90.0).Add(21, 90.0);
  t.Entity("LINE", "OFF").Add(10, 0.0).Add(20, 0.0).Add(11, 90.0).Add(21, 90.0);
  t.Entity("INSERT", "RED").Add(62, 6).Add(370, 100).Add(2, "B").Add(10, 0.0).Add(20, 20.0);
  const Plotted p = PlotDxf(t.End().Finish());
  ASSERT_EQ(p.error, "");
  std::vector<std::string> styles;
  for (const Request& r : p.requests)
    if (r.kind == RequestKind::Pen || r.kind == RequestKind::LineType ||
        r.kind == RequestKind::Width) {
      char text[64];
      std::snprintf(text, sizeof text, "%s %.4f", RequestName(r.kind),
                    r.kind == RequestKind::Width ? r.inches : r.x);
      styles.push_back(text);
    }
  // The red layer's line, then the block's BYBLOCK line in the insert's
  // colour and weight; the frozen and the switched-off layers give nothing.
  EXPECT_EQ(styles, (std::vector<std::string>{"pen 1.0000", "linetype 2.0000", "width 0.0197",
                                              "pen 6.0000", "width 0.0394"}));
  EXPECT_EQ(Drawn(p).size(), 2u);
}

TEST(AdihostDxf, SolidHatchesKeepTheirHolesAndSolidsTheirCorners) {
  DxfText t = WithOriginMark();
  SquareHatchWithHole(t, "SOLID", true).Add(75, 0).Add(76, 1).Add(98, 0);
  t.Entity("SOLID")
      .Add(10, 6000.0)
      .Add(20, 0.0)
      .Add(11, 7000.0)
      .Add(21, 0.0)
      .Add(12, 6000.0)
      .Add(22, 1000.0)
      .Add(13, 7000.0)
      .Add(23, 1000.0);
  const Plotted p = PlotDxf(t.End().Finish());
  ASSERT_EQ(p.error, "");
  std::vector<std::vector<uint16_t>> polygons;
  for (const Request& r : p.requests)
    if (r.kind == RequestKind::Polygon) polygons.push_back(r.xy);
  ASSERT_EQ(polygons.size(), 2u);
  // Outer loop closed, back to its start, the hole closed; the driver closes
  // the outline to the first point, so the join is crossed twice.
  EXPECT_EQ(polygons[0],
            (std::vector<uint16_t>{1000, 1000, 5000, 1000, 5000, 5000, 1000, 5000, 1000, 1000,
                                   2000, 2000, 3000, 2000, 3000, 3000, 2000, 3000, 2000, 2000}));
  // The solid's third and fourth corners are stored crosswise.
  EXPECT_EQ(polygons[1], (std::vector<uint16_t>{6000, 0, 7000, 0, 7000, 1000, 6000, 1000}));
}

TEST(AdihostDxf, WhatCannotBePlottedIsCountedNotDropped) {
  DxfText t = WithOriginMark();
  t.Entity("DIMENSION").Entity("DIMENSION").Entity("3DFACE");
  t.Entity("INSERT").Add(2, "NOWHERE").Add(10, 0.0).Add(20, 0.0);
  t.Entity("HATCH")
      .Add(10, 0.0)
      .Add(20, 0.0)
      .Add(2, "NOSUCH")
      .Add(70, 0)
      .Add(71, 0)
      .Add(91, 1)
      .Add(92, 2)
      .Add(72, 0)
      .Add(73, 1)
      .Add(93, 3)
      .Add(10, 0.0)
      .Add(20, 0.0)
      .Add(10, 100.0)
      .Add(20, 0.0)
      .Add(10, 0.0)
      .Add(20, 100.0)
      .Add(97, 0)
      .Add(75, 0)
      .Add(76, 1)
      .Add(52, 0.0)
      .Add(41, 1.0)
      .Add(77, 0)
      .Add(78, 0)
      .Add(98, 0);
  t.Entity("LINE").Add(6, "ZIGZAG").Add(10, 0.0).Add(20, 0.0).Add(11, 10.0).Add(21, 10.0);
  const Plotted p = PlotDxf(t.End().Finish());
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.notes.at("DIMENSION without its block (not plotted)"), 2);
  EXPECT_EQ(p.notes.at("3DFACE"), 1);
  EXPECT_EQ(p.notes.at("INSERT of a missing block"), 1);
  EXPECT_EQ(p.notes.at("HATCH pattern NOSUCH unknown (drawn as its boundary)"), 1);
  EXPECT_EQ(p.notes.at("linetype ZIGZAG (drawn solid)"), 1);
  // The pattern hatch's boundary, and the line from where it ends.
  ASSERT_EQ(Drawn(p).size(), 1u);
  EXPECT_EQ(Drawn(p)[0].size(), 5u);
}

// An 8 x 4 pixel image, white but for a 2 x 2 marker in its top left corner,
// placed at (1000, 1000) with 100 drawing units a pixel and turned by `degrees`
// (mirrored left to right when `mirrored`). Three points mark the axes.
std::string TurnedImageDrawing(const std::string& file, double degrees, bool mirrored) {
  const double r = degrees * std::numbers::pi / 180, c = std::cos(r), n = std::sin(r);
  const double flip = mirrored ? -1 : 1;
  DxfText t = WithOriginMark();
  t.Entity("POINT").Add(10, 3000.0).Add(20, 0.0);
  t.Entity("POINT").Add(10, 0.0).Add(20, 3000.0);
  t.Entity("IMAGE")
      .Add(10, 1000.0)
      .Add(20, 1000.0)
      .Add(11, 100 * c * flip)
      .Add(21, 100 * n * flip)
      .Add(12, -100 * n)
      .Add(22, 100 * c)
      .Add(13, 8.0)
      .Add(23, 4.0)
      .Add(340, "A1");
  t.End().Section("OBJECTS").Add(0, "IMAGEDEF").Add(5, "A1").Add(1, file).End();
  return t.Finish();
}

// The dark dots of the job's picture, as drawing units: the three point marks
// give the picture's axes, which the sheet may have turned.
struct DarkDots {
  double x = 0, y = 0;  // their centre
  int32_t count = 0;
};

DarkDots DarkDotsOf(const std::string& job) {
  JobPicture picture;
  const auto* bytes = reinterpret_cast<const uint8_t*>(job.data());
  EXPECT_EQ(ReadJob(bytes, job.size(), picture), 0);
  std::vector<JobPoint> marks;
  for (const JobItem& item : picture.items)
    if (item.kind == ItemKind::Stroke && marks.size() < 3) marks.push_back(item.points[0]);
  if (marks.size() < 3) return {};
  PreviewPixels p;
  std::string error;
  EXPECT_EQ(RenderToPixels(picture, bytes, job.size(), {.dpi = 40}, p, error), 0) << error;
  // Sheet inches to drawing units: the inverse of the marks' axes.
  const double ax = (marks[1].x - marks[0].x) / 3000, ay = (marks[1].y - marks[0].y) / 3000;
  const double bx = (marks[2].x - marks[0].x) / 3000, by = (marks[2].y - marks[0].y) / 3000;
  const double det = ax * by - bx * ay;
  DarkDots d;
  for (int32_t py = 0; py < p.height; ++py)
    for (int32_t px = 0; px < p.width; ++px) {
      const uint32_t v = p.At(px, py);
      // Black: the preview's sheet edges are grey.
      if ((v >> 16 & 255) + (v >> 8 & 255) + (v & 255) > 3 * 40) continue;
      const double ix = (px + 0.5) / p.dpi - marks[0].x;
      const double iy = (p.height - py - 0.5) / p.dpi - marks[0].y;
      const double x = (ix * by - iy * bx) / det, y = (ax * iy - ay * ix) / det;
      if (std::hypot(x - 1000, y - 1000) > 1000) continue;  // a point mark
      d.x += x, d.y += y, ++d.count;
    }
  if (d.count > 0) d.x /= d.count, d.y /= d.count;
  return d;
}

// The marker lands in the corner the turn takes it to, at a quarter turn,
// at 30 degrees (served through the inverse turn), and mirrored; nothing is
// reported as placed otherwise than drawn.
TEST(AdihostDxf, TurnedAndMirroredImagesLandAsDrawn) {
  const std::string image = WriteTemporary(std::string("P4\n8 4\n") + "\xC0\xC0" + '\0' + '\0');
  for (const auto& [degrees, mirrored] : std::vector<std::pair<double, bool>>{
           {0, false}, {90, false}, {30, false}, {0, true}, {-120, true}}) {
    const Plotted p = PlotDxf(TurnedImageDrawing(image, degrees, mirrored));
    ASSERT_EQ(p.error, "");
    EXPECT_TRUE(p.notes.empty()) << p.notes.begin()->first;
    // The marker's centre: one pixel in from the left (the right when
    // mirrored) and one down from the top, turned about (1000, 1000).
    const double r = degrees * std::numbers::pi / 180;
    const double s = mirrored ? -100 : 100, t = 300;
    const double x = 1000 + s * std::cos(r) - t * std::sin(r);
    const double y = 1000 + s * std::sin(r) + t * std::cos(r);
    const DarkDots d = DarkDotsOf(hostLog.output);
    EXPECT_GT(d.count, 20) << degrees;
    EXPECT_LT(std::hypot(d.x - x, d.y - y), 40) << degrees << (mirrored ? " mirrored" : "") << ": "
                                                << d.x << "," << d.y << " not " << x << "," << y;
  }
  std::remove(image.c_str());
}

TEST(AdihostDxf, MalformedAndTruncatedFilesAreRefusedWithTheLine) {
  Plotted p = PlotDxf("0\nSECTION\n2\nENTITIES\nLINE\n0\n");
  EXPECT_EQ(p.error, "line 5: group code expected, found 'LINE'");
  p = PlotDxf("0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n");
  EXPECT_EQ(p.error, "line 7: group code without a value (truncated file)");
  p = PlotDxf("0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n");
  EXPECT_EQ(p.error, "no end-of-file marker (truncated file?)");
  p = PlotDxf(std::string("0\nSECTION\n\0\x01\x02", 14));
  EXPECT_NE(p.error.find("binary"), std::string::npos) << p.error;
}

}  // namespace

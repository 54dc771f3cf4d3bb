// DXF text plotted through the driver: where each text's glyphs land is read
// back from the job (strokes) and from the filled polygons, and compared
// with where the text's alignment, frame and wrapping put them. The style
// STANDARD names no font, so it draws the single-stroke font, whose H is
// 14/21 of the height wide with 4/21 of the height on either side; at a
// height of 2100 units its stems stand 400 units in from its 2200 advance.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <set>

#include "dxf_plot.h"
#include "dxf_text.h"
#include "tools/adihost/text_codes.h"

namespace {

constexpr double kHeight = 2100, kBearing = 400, kAdvance = 2200;

struct Box {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  void Add(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
};

// Every point plotted, strokes and polygon corners, but the origin mark.
std::vector<PlottedPoint> Points(const Plotted& p) {
  std::vector<PlottedPoint> points;
  for (const PlottedChain& c : p.chains)
    for (const PlottedPoint& q : c)
      if (q.x != 0 || q.y != 0) points.push_back(q);
  for (const Request& r : p.requests)
    if (r.kind == RequestKind::Polygon)
      for (size_t i = 0; i + 1 < r.xy.size(); i += 2) points.push_back({r.xy[i], r.xy[i + 1]});
  return points;
}

Box BoxOf(const Plotted& p) {
  Box b;
  for (const PlottedPoint& q : Points(p)) b.Add(static_cast<double>(q.x), static_cast<double>(q.y));
  return b;
}

void ExpectBox(const Box& b, double minX, double minY, double maxX, double maxY,
               const std::string& what) {
  EXPECT_NEAR(b.minX, minX, 2) << what;
  EXPECT_NEAR(b.minY, minY, 2) << what;
  EXPECT_NEAR(b.maxX, maxX, 2) << what;
  EXPECT_NEAR(b.maxY, maxY, 2) << what;
}

DxfText WithMark() {
  DxfText t;
  t.Section("ENTITIES").Entity("POINT").Add(10, 0.0).Add(20, 0.0);
  return t;
}

DxfText& Text(DxfText& t, double x, double y, const std::string& text, double height = kHeight) {
  return t.Entity("TEXT").Add(10, x).Add(20, y).Add(40, height).Add(1, text);
}

Plotted PlotText(DxfText& t) {
  Plotted p = PlotDxf(t.End().Finish());
  EXPECT_EQ(p.error, "");
  return p;
}

TEST(AdihostText, OneLineTextStandsAtEachAlignmentPoint) {
  struct Case {
    int32_t horizontal, vertical;
    double start, baseline;  // against the alignment point
  };
  // Left at the baseline takes the insertion point, not the alignment point.
  const Case cases[] = {{0, 0, -19000, -19000},
                        {1, 0, -kAdvance, 0},
                        {2, 0, -2 * kAdvance, 0},
                        {4, 0, -kAdvance, -1050},
                        {0, 1, 0, 700},
                        {0, 2, 0, -1050},
                        {0, 3, 0, -kHeight},
                        {1, 3, -kAdvance, -kHeight},
                        {2, 2, -2 * kAdvance, -1050}};
  for (const Case& c : cases) {
    DxfText t = WithMark();
    Text(t, 1000, 1000, "HH")
        .Add(72, c.horizontal)
        .Add(73, c.vertical)
        .Add(11, 20000.0)
        .Add(21, 20000.0);
    const double x = 20000 + c.start, y = 20000 + c.baseline;
    ExpectBox(BoxOf(PlotText(t)), x + kBearing, y, x + 2 * kAdvance - kBearing, y + kHeight,
              "justification " + std::to_string(c.horizontal) + "/" + std::to_string(c.vertical));
  }
}

// The extent along and across the line from the first point at `degrees`.
Box AlongAndAcross(const Plotted& p, double x0, double y0, double degrees) {
  const double c = std::cos(degrees * std::numbers::pi / 180),
               s = std::sin(degrees * std::numbers::pi / 180);
  Box b;
  for (const PlottedPoint& q : Points(p))
    b.Add((q.x - x0) * c + (q.y - y0) * s, -(q.x - x0) * s + (q.y - y0) * c);
  return b;
}

TEST(AdihostText, AlignedAndFittedTextSpanTheirTwoPoints) {
  // Twice the text's own length between the points, at 30 degrees: aligned
  // text doubles its height, fitted text only its width.
  const double span = 4 * kAdvance, x2 = 5000 + span * std::cos(std::numbers::pi / 6),
               y2 = 5000 + span / 2;
  for (const int32_t fit : {3, 5}) {
    DxfText t = WithMark();
    Text(t, 5000, 5000, "HH").Add(72, fit).Add(11, x2).Add(21, y2);
    const double height = fit == 3 ? 2 * kHeight : kHeight;
    ExpectBox(AlongAndAcross(PlotText(t), 5000, 5000, 30), 2 * kBearing, 0, span - 2 * kBearing,
              height, fit == 3 ? "aligned" : "fitted");
  }
}

TEST(AdihostText, RotationSlantMirroringAndBlocksMoveTheTextsFrame) {
  const double x = 10000, y = 10000, stems = kAdvance - 2 * kBearing;
  struct Case {
    const char* what;
    std::function<void(DxfText&)> add;
    double minX, minY, maxX, maxY;
  };
  const Case cases[] = {
      {"turned a quarter", [&](DxfText& t) { Text(t, x, y, "H").Add(50, 90.0); }, x - kHeight,
       y + kBearing, x, y + kBearing + stems},
      {"slanted 30 degrees", [&](DxfText& t) { Text(t, x, y, "H").Add(51, 30.0); }, x + kBearing, y,
       x + kBearing + stems + kHeight * std::tan(std::numbers::pi / 6), y + kHeight},
      {"backwards", [&](DxfText& t) { Text(t, x, y, "H").Add(71, 2); }, x - kBearing - stems, y,
       x - kBearing, y + kHeight},
      {"upside down", [&](DxfText& t) { Text(t, x, y, "H").Add(71, 4); }, x + kBearing, y - kHeight,
       x + kBearing + stems, y},
      {"seen from below", [&](DxfText& t) { Text(t, -x, y, "H").Add(230, -1.0); },
       x - kBearing - stems, y, x - kBearing, y + kHeight},
      {"in a block placed mirrored and twice as large",
       [&](DxfText& t) {
         t.Entity("INSERT").Add(2, "LABEL").Add(10, x).Add(20, y).Add(41, -2.0).Add(42, 2.0);
       },
       x - 2 * (kBearing + stems), y, x - 2 * kBearing, y + 2 * kHeight},
  };
  for (const Case& c : cases) {
    DxfText t;
    t.Section("BLOCKS")
        .Add(0, "BLOCK")
        .Add(8, "0")
        .Add(2, "LABEL")
        .Add(70, 0)
        .Add(10, 0.0)
        .Add(20, 0.0);
    Text(t, 0, 0, "H");
    t.Add(0, "ENDBLK").Add(8, "0").End();
    t.Section("ENTITIES").Entity("POINT").Add(10, 0.0).Add(20, 0.0);
    c.add(t);
    ExpectBox(BoxOf(PlotText(t)), c.minX, c.minY, c.maxX, c.maxY, c.what);
  }
}

DxfText& MText(DxfText& t, double x, double y, const std::string& text, int32_t attachment,
               double width) {
  return t.Entity("MTEXT")
      .Add(10, x)
      .Add(20, y)
      .Add(40, kHeight)
      .Add(41, width)
      .Add(71, attachment)
      .Add(1, text);
}

// The baselines of lines of H: the heights with an H's bar 11/21 of the
// height over them and its top a height over them, from the top line down.
std::vector<int64_t> Baselines(const Plotted& p) {
  std::set<int64_t> heights;
  for (const PlottedPoint& q : Points(p)) heights.insert(q.y);
  std::vector<int64_t> lines;
  for (int64_t y : heights)
    if (heights.count(y + 1100) && heights.count(y + 2100)) lines.insert(lines.begin(), y);
  return lines;
}

TEST(AdihostText, MTextWrapsAtItsWidthAndBreaksAtParagraphs) {
  // Two words and the space between them (1600 units) take 10400 units: the
  // third word goes on, then the paragraph; lines 5/3 of the height apart.
  DxfText t = WithMark();
  MText(t, 10000, 20000, "HH HH HH\\PHH", 1, 11000);
  const Plotted p = PlotText(t);
  EXPECT_EQ(Baselines(p), (std::vector<int64_t>{17900, 14400, 10900}));
  ExpectBox(BoxOf(p), 10000 + kBearing, 10900, 10000 + 2 * 2 * kAdvance + 1600 - kBearing, 20000,
            "wrapped");
  // Narrower than one word: each word on its own line, none broken.
  DxfText narrow = WithMark();
  MText(narrow, 10000, 20000, "HH HH", 1, 1000);
  EXPECT_EQ(Baselines(PlotText(narrow)).size(), 2u);
  // Middle centre and bottom right stand by the text's own extent.
  DxfText middle = WithMark();
  MText(middle, 20000, 20000, "HH\\PHH", 5, 0);
  const double half = (kHeight + 3500) / 2;
  ExpectBox(BoxOf(PlotText(middle)), 20000 - kAdvance + kBearing, 20000 - half,
            20000 + kAdvance - kBearing, 20000 + half, "middle centre");
  DxfText corner = WithMark();
  MText(corner, 20000, 20000, "HH", 9, 50000);
  ExpectBox(BoxOf(PlotText(corner)), 20000 - 2 * kAdvance + kBearing, 20000, 20000 - kBearing,
            20000 + kHeight, "bottom right");
}

// Files of current CAD programs follow an MTEXT's own groups with an
// embedded object that repeats 10, 11, 40 and 41 with other meanings (here
// the direction (1, 0), the insertion point, nine times the height, the
// width): the text stays where its own groups put it.
TEST(AdihostText, MTextIsReadFromItsOwnGroupsOnly) {
  DxfText t;
  t.Add(0, "SECTION").Add(2, "HEADER").Add(9, "$ACADVER").Add(1, "AC1032").Add(0, "ENDSEC");
  t.Section("ENTITIES").Entity("POINT").Add(10, 0.0).Add(20, 0.0);
  MText(t, 30000, 30000, "HH", 1, 0).Add(11, 1.0).Add(21, 0.0).Add(101, "Embedded Object");
  t.Add(70, 1).Add(10, 1.0).Add(20, 0.0).Add(11, 30000.0).Add(21, 30000.0).Add(40, 9 * kHeight);
  t.Add(41, kHeight).Add(71, 2).Add(72, 1).Add(44, 0.0).Add(45, 0.0);
  Text(t, 1000, 1000, "H");
  const Plotted p = PlotText(t);
  Box mtext;
  for (const PlottedPoint& q : Points(p))
    if (q.x > 5000) mtext.Add(static_cast<double>(q.x), static_cast<double>(q.y));
  ExpectBox(mtext, 30000 + kBearing, 30000 - kHeight, 30000 + 2 * kAdvance - kBearing, 30000,
            "upright at its insertion point");
}

// A reference width ten times the drawing's is where a label may wrap, not
// its extent: fitted to the sheet, the drawing keeps its size and the label
// stands centred on its point by its letters.
TEST(AdihostText, MTextExtentIsItsOwnNotItsReferenceWidth) {
  DxfText t;
  t.Section("ENTITIES").Entity("LINE").Add(10, 0.0).Add(20, 0.0).Add(11, 100000.0).Add(21, 0.0);
  MText(t, 50000, 5000, "HH", 2, 1e6);
  const Plotted p = PlotDxf(t.End().Finish(), {});
  ASSERT_EQ(p.error, "");
  ASSERT_FALSE(p.chains.empty());
  EXPECT_EQ(p.chains[0].front().x, 0);
  EXPECT_EQ(p.chains[0].back().x, 48768);
  Box label;
  for (const PlottedPoint& q : Points(p))
    if (q.y > p.chains[0].front().y) label.Add(static_cast<double>(q.x), static_cast<double>(q.y));
  EXPECT_NEAR((label.minX + label.maxX) / 2, 24384, 2);
}

TEST(AdihostText, TrueTypeStylesAreFilledOutlinesWithTheirHoles) {
  DxfText t;
  t.Section("TABLES").Add(0, "TABLE").Add(2, "STYLE").Add(70, 1);
  t.Add(0, "STYLE")
      .Add(2, "SANS")
      .Add(70, 0)
      .Add(40, 0.0)
      .Add(41, 1.0)
      .Add(50, 0.0)
      .Add(3, "DejaVuSans.ttf");
  t.Add(0, "ENDTAB").End().Section("ENTITIES").Entity("POINT").Add(10, 0.0).Add(20, 0.0);
  Text(t, 10000, 10000, "HO").Add(7, "SANS");
  const Plotted p = PlotText(t);
  std::vector<const Request*> polygons;
  for (const Request& r : p.requests)
    if (r.kind == RequestKind::Polygon) polygons.push_back(&r);
  ASSERT_EQ(polygons.size(), 2u);
  // The H's top is a capital's height; the O comes back to its outer
  // loop's start before its hole.
  Box h;
  for (size_t i = 0; i < polygons[0]->xy.size(); i += 2)
    h.Add(polygons[0]->xy[i], polygons[0]->xy[i + 1]);
  EXPECT_NEAR(h.minY, 10000, 2);
  EXPECT_NEAR(h.maxY, 10000 + kHeight, 2);
  const std::vector<uint16_t>& o = polygons[1]->xy;
  int32_t returns = 0;
  for (size_t i = 2; i < o.size(); i += 2) returns += o[i] == o[0] && o[i + 1] == o[1];
  EXPECT_EQ(returns, 1);
}

TEST(AdihostText, AccentsComposeAndMissingCharactersComeFromTheFallback) {
  // C with a cedilla under and an acute over it, from strokes; the euro sign
  // from the outline fallback.
  DxfText t = WithMark();
  Text(t, 10000, 10000, "\xC3\x87\xC3\x89");
  Plotted p = PlotText(t);
  const Box b = BoxOf(p);
  EXPECT_LT(b.minY, 10000 - 200);
  EXPECT_GT(b.maxY, 10000 + kHeight + 200);
  EXPECT_EQ(std::count_if(p.requests.begin(), p.requests.end(),
                          [](const Request& r) { return r.kind == RequestKind::Polygon; }),
            0);
  DxfText euro = WithMark();
  Text(euro, 10000, 10000, "\\U+20AC");
  p = PlotText(euro);
  EXPECT_EQ(std::count_if(p.requests.begin(), p.requests.end(),
                          [](const Request& r) { return r.kind == RequestKind::Polygon; }),
            1);
}

TEST(AdihostText, AttributesShowWhereAPlotShowsThem) {
  DxfText t;
  t.Section("BLOCKS")
      .Add(0, "BLOCK")
      .Add(8, "0")
      .Add(2, "TAG")
      .Add(70, 2)
      .Add(10, 0.0)
      .Add(20, 0.0);
  // A constant definition is drawn in every placement, a variable one is not.
  t.Entity("ATTDEF").Add(10, 0.0).Add(20, 0.0).Add(40, kHeight).Add(1, "H").Add(2, "C").Add(70, 2);
  t.Entity("ATTDEF")
      .Add(10, 0.0)
      .Add(20, 5000.0)
      .Add(40, kHeight)
      .Add(1, "H")
      .Add(2, "V")
      .Add(70, 0);
  t.Add(0, "ENDBLK")
      .Add(8, "0")
      .End()
      .Section("ENTITIES")
      .Entity("POINT")
      .Add(10, 0.0)
      .Add(20, 0.0);
  t.Entity("INSERT").Add(2, "TAG").Add(10, 10000.0).Add(20, 10000.0);
  // In the model a definition shows its name; a hidden attribute nothing.
  t.Entity("ATTDEF")
      .Add(10, 20000.0)
      .Add(20, 10000.0)
      .Add(40, kHeight)
      .Add(1, "X")
      .Add(2, "H")
      .Add(70, 0);
  t.Entity("ATTRIB")
      .Add(10, 30000.0)
      .Add(20, 30000.0)
      .Add(40, kHeight)
      .Add(1, "H")
      .Add(2, "A")
      .Add(70, 1);
  const Box b = BoxOf(PlotText(t));
  ExpectBox(b, 10000 + kBearing, 10000, 20000 + kAdvance - kBearing, 10000 + kHeight, "two H");
}

TEST(AdihostText, CodesAndCodePagesBecomeTheirCharacters) {
  TextSettings utf8;
  EXPECT_EQ(ReadLineCodes(DecodeFileText("%%d %%P %%c 5%%% \\U+00e9 %%177 %%u_", utf8), utf8),
            U"\u00B0 \u00B1 \u2300 5% \u00E9 \u00B1 _");
  TextSettings old;
  old.version = "AC1015";
  EXPECT_EQ(DecodeFileText("\xE9", old), U"\u00E9");
  old.codePage = "ANSI_1251";
  EXPECT_EQ(DecodeFileText("\xC0", old), U"\u0410");
  // No version: UTF-8 where the text is UTF-8, else the code page.
  EXPECT_EQ(DecodeFileText("\xC3\xA9", utf8), U"\u00E9");
  EXPECT_EQ(DecodeFileText("\xE9", utf8), U"\u00E9");

  const TextFormat base{2, 1, 0, 1, -1};
  const std::vector<TextItem> items =
      ReadMTextCodes(U"{\\H2x;\\Q15;A}B\\PC\\S1/2;\\C1;\\LX\\l\\~\\\\^I", base, utf8);
  std::u32string kinds;
  for (const TextItem& i : items)
    kinds += i.kind == TextItemKind::Character   ? i.code
             : i.kind == TextItemKind::Paragraph ? U'P'
             : i.kind == TextItemKind::Tab       ? U'T'
                                                 : U'S';
  EXPECT_EQ(kinds, U"ABPCSX\u00A0\\T");
  EXPECT_EQ(items[0].format.height, 4);
  EXPECT_EQ(items[0].format.oblique, 15);
  EXPECT_EQ(items[1].format.height, 2);
  EXPECT_EQ(items[4].upper, U"1");
  EXPECT_EQ(items[4].lower, U"2");
  EXPECT_EQ(items[4].stacking, U'/');
}

}  // namespace

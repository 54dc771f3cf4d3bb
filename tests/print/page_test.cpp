// Pages printed through the driver as the print queues print them: the job's
// preview must show the page dot for dot, turned but never mirrored, with no
// seam where the page was sent as several images.
#include <dlfcn.h>

#include <functional>

#include "tests/dialog_fixture.h"
#include "tests/print/orientations.h"
#include "tools/jobview/render.h"
#include "tools/print/page_plot.h"
#include "tools/print/print_options.h"

namespace {

// A page of black and white dots, kept whole only by the test: the print
// host sees it one line at a time, and a line it has released is scribbled
// over at once, as the raster's reader writes the next lines over it.
struct TestPage {
  PageFormat format;
  std::vector<uint8_t> dots;  // grey, 0 black
  std::vector<uint8_t> lent;  // the copy the print host reads
  int32_t next = 0, released = 0;
  int32_t stopAfter = -1;  // lines handed out before the page is cut short
  bool Black(int32_t x, int32_t y) const {
    return dots[static_cast<size_t>(y) * format.width + x] == 0;
  }
};

const uint8_t* TakeTestLine(void* context) {
  TestPage& p = *static_cast<TestPage*>(context);
  if (p.next == 0) p.lent = p.dots;
  if (p.next >= p.format.height || p.next == p.stopAfter) return nullptr;
  return &p.lent[static_cast<size_t>(p.next++) * p.format.BytesPerLine()];
}
void ReleaseTestLines(void* context) {
  TestPage& p = *static_cast<TestPage*>(context);
  const size_t stride = p.format.BytesPerLine();
  std::fill(p.lent.begin() + p.released * stride, p.lent.begin() + p.next * stride, 0x5A);
  p.released = p.next;
}

constexpr std::string_view kTrailer = ";PUSP0;PG;\x1B%-12345X\r\n";
bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TestPage MakePage(int32_t width, int32_t height, int32_t dpi,
                  const std::function<bool(int32_t, int32_t)>& black) {
  TestPage p;
  p.format = {width, height, dpi, PixelKind::Grey};
  p.dots.resize(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      p.dots[static_cast<size_t>(y) * width + x] = black(x, y) ? 0 : 255;
  return p;
}

// Lines that tell every row and column apart near the edges and the joints,
// and a mark that is not symmetric under any turn or mirror.
bool Marks(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (x == 0 || y == 0 || x == width - 1 || y == height - 1) return true;
  if (x < width / 3 && y > 2 * height / 3 && y < 2 * height / 3 + 8) return true;
  if (x > 4 && x < 12 && y < height / 4) return true;
  return (x * 7 + y * 3) % 23 == 0;
}

class PrintPageTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    library = dlopen(TRNKV_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    driver = ConnectDriver(&PLADI);
  }
  void TearDown() override {
    dlclose(library);
    DialogTest::TearDown();
  }

  // Plots the page; what its job puts on the sheet.
  JobPicture PlotJob(TestPage& page, const PrintSettings& settings, PageResult& result) {
    SheetChoice sheet;
    std::string error;
    EXPECT_EQ(
        ChooseSheet(ReadPaperSizes(driver), double(page.format.width) / page.format.dpi,
                    double(page.format.height) / page.format.dpi, settings.roll, sheet, error),
        0)
        << error;
    PlatformSetDialogScript(PageDialogScript(settings, sheet, page.format.dpi));
    const LineSource reader{&page, &TakeTestLine, &ReleaseTestLines};
    EXPECT_EQ(PlotPage(driver, page.format, settings, sheet, reader, result, error), 0) << error;
    JobPicture picture;
    ReadJob(reinterpret_cast<const uint8_t*>(hostLog.output.data()), hostLog.output.size(),
            picture);
    return picture;
  }

  // Plots the page and draws its job at the page's resolution.
  PreviewPixels Print(TestPage& page, const PrintSettings& settings, PageResult& result) {
    JobPicture picture = PlotJob(page, settings, result);
    std::string error;
    PreviewPixels pixels;
    PreviewOptions options;
    options.dpi = page.format.dpi;
    EXPECT_EQ(RenderToPixels(picture, reinterpret_cast<const uint8_t*>(hostLog.output.data()),
                             hostLog.output.size(), options, pixels, error),
              0)
        << error;
    EXPECT_TRUE(picture.notes.empty()) << picture.notes.front().text;
    return pixels;
  }

  // How the page lies on the sheet: the orientation and corner under which
  // the fewest dots differ, and how many do.
  static int32_t FindPlacement(const TestPage& page, const PreviewPixels& sheet, int64_t& wrong) {
    wrong = INT64_MAX;
    int32_t best = -1;
    const int32_t w = page.format.width, h = page.format.height;
    for (int32_t o = 0; o < 8; ++o) {
      const Orientation& orientation = kOrientations[o];
      for (int32_t corner = 0; corner < 4; ++corner) {
        const auto [ox, oy] = BoxCorner(corner, orientation, w, h, sheet.width, sheet.height);
        int64_t differ = 0;
        for (int32_t y = 0; y < h && differ < wrong; ++y)
          for (int32_t x = 0; x < w; ++x) {
            const auto [tx, ty] = orientation.at(x, y, w, h);
            const int32_t sx = ox + tx, sy = oy + ty;
            const bool inside = sx >= 0 && sy >= 0 && sx < sheet.width && sy < sheet.height;
            differ += (inside && (sheet.At(sx, sy) & 0xFF) < 128) != page.Black(x, y);
          }
        if (differ < wrong) wrong = differ, best = o;
      }
    }
    return best;
  }

  // Prints a page of marks and expects every dot of it on the sheet, the
  // page turned or not but never mirrored. With `block`, the marks are drawn
  // at that scale, each dot a block of dots, as a sheet the driver enlarges
  // by that much shows them.
  void ExpectDotForDot(int32_t width, int32_t height, int32_t dpi, int32_t mostStrips,
                       bool qdrs = false, int32_t block = 1) {
    TestPage page = MakePage(width, height, dpi, [=](int32_t x, int32_t y) {
      return Marks(x / block, y / block, width / block, height / block);
    });
    PrintSettings settings;
    settings.roll = true;
    settings.qdrs = qdrs;
    settings.mostStripsPerImage = mostStrips;
    settings.tiles = false;
    PageResult result;
    const PreviewPixels sheet = Print(page, settings, result);
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.images, (height + mostStrips - 1) / mostStrips);
    int64_t wrong = 0;
    const int32_t placement = FindPlacement(page, sheet, wrong);
    ASSERT_GE(placement, 0);
    EXPECT_EQ(wrong, 0) << kOrientations[placement].name;
    EXPECT_LT(placement, kTrueTurns) << kOrientations[placement].name;
  }

  void* library = nullptr;
  DriverLink driver;
};

// A sheet wider than long takes the page's lines as rows; the narrowest
// roll (8.5 in) is wider than these pages.
TEST_F(PrintPageTest, AShortPageLandsDotForDot) {
  ExpectDotForDot(900, 1200, 300, 6000);
}

// At 600 dpi the driver skips an image's first strip: joints every 150
// strips must still meet without a lost or doubled line.
TEST_F(PrintPageTest, ImagesJoinWithoutASeamAt600Dpi) {
  ExpectDotForDot(600, 1200, 600, 150);
}

// A page longer than the roll is wide is laid along it, its strips columns.
TEST_F(PrintPageTest, ALongPageLandsDotForDotAcrossJoints) {
  ExpectDotForDot(600, 3000, 300, 150);
  ExpectDotForDot(180, 5400, 600, 1500);
}

// On a sheet longer than 64.5 in the driver enlarges every fetched pixel
// twice: the page is served at half its dots, each 2 x 2 block as its
// darkest dot. Marks drawn at that scale land whole and in place across the
// joints, and a line one dot wide prints as its block, two dots wide.
TEST_F(PrintPageTest, APageLongerThanTheDriversPlainSheetPrintsAtHalfItsDots) {
  ExpectDotForDot(100, 13000, 200, 6000, false, 2);
  ResetDriver();
  ResetHostLog();
  // The sheet is the page's length, its frame on the page's edges: the page
  // has lines there too.
  const auto edges = [](int32_t x, int32_t y) { return x < 2 || y < 2 || y > 12997; };
  TestPage page =
      MakePage(100, 13000, 200, [&](int32_t x, int32_t y) { return edges(x, y) || x == 51; });
  PrintSettings settings;
  settings.roll = true;
  PageResult result;
  const PreviewPixels sheet = Print(page, settings, result);
  const TestPage widened = MakePage(
      100, 13000, 200, [&](int32_t x, int32_t y) { return edges(x, y) || x == 50 || x == 51; });
  int64_t wrong = 0;
  ASSERT_GE(FindPlacement(widened, sheet, wrong), 0);
  EXPECT_EQ(wrong, 0) << "the one-dot line is not its two-dot block";
}

TEST_F(PrintPageTest, TheBinaryLanguagePrintsThePageDotForDotAt400Dpi) {
  ExpectDotForDot(400, 600, 400, 200, true);
  EXPECT_EQ(hostLog.output.compare(0, 6, "\x9B\x5E\x00\x02\x00\x02", 6), 0);
}

TEST_F(PrintPageTest, TheJobCarriesTheChosenCopiesMediaAndResolution) {
  TestPage page = MakePage(300, 300, 300, [](int32_t x, int32_t) { return x == 7; });
  PrintSettings settings;
  settings.dialog.copies = 3;
  settings.dialog.media = 1;
  settings.dialog.haveLabel = true;
  settings.dialog.label = "PLANTA7";
  PageResult result;
  Print(page, settings, result);
  const std::string& job = hostLog.output;
  EXPECT_NE(job.find("BP1,\"PLANTA7\",2,3;IN;MT1;"), std::string::npos);
  EXPECT_NE(job.find("\x1B*t300R"), std::string::npos);
  EXPECT_TRUE(EndsWith(job, kTrailer));
}

// A drawing's page: thin lines on a grid that meets no cell edge over its
// left half, grey fills and a ramp across the edges of bands and blocks, a
// diagonal, and wide white. Grey levels, 0 black.
uint8_t Drawing(int32_t x, int32_t y, int32_t w, int32_t h) {
  if (x < w / 2 && (x % 97 == 3 || y % 131 == 5)) return 0;
  if (std::abs(x * h / w - y) < 2) return 0;
  if (x > w / 5 && x < w / 2 + 40 && y > h / 3 && y < h / 3 + 90) return 153;
  const int32_t dx = x - 3 * w / 4, dy = y - 3 * h / 4, r = std::min(w, h) / 6;
  if (dx * dx + dy * dy < r * r) return static_cast<uint8_t>(255 * (dx + r) / (2 * r));
  return 255;
}

TestPage MakeDrawingPage(int32_t width, int32_t height, int32_t dpi, PixelKind kind) {
  TestPage p;
  p.format = {width, height, dpi, kind};
  const size_t stride = p.format.BytesPerLine();
  p.dots.assign(stride * height, kind == PixelKind::Black1 ? 0 : 255);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t g = Drawing(x, y, width, height);
      uint8_t* line = &p.dots[y * stride];
      if (kind == PixelKind::Grey) line[x] = g;
      if (kind == PixelKind::Black1 && g < 128) line[x / 8] |= 0x80 >> (x % 8);
      // Colour where the ramp is, grey elsewhere.
      if (kind == PixelKind::Rgb)
        line[3 * x] = g, line[3 * x + 1] = g == 255 || g == 0 ? g : g / 2, line[3 * x + 2] = g;
    }
  return p;
}

// White left out and tiles joined must print what the page sent whole
// prints, dot for dot, the screen's dots included: at every resolution and
// language the print host offers, for every kind of line it reads, on a
// sheet the driver enlarges, and under tone curves, of which one prints
// white paper grey and black not quite black.
TEST_F(PrintPageTest, APageSentAsTilesPrintsDotForDotAsThePageSentWhole) {
  const struct {
    int32_t width, height, dpi;
    bool qdrs;
    PixelKind kind;
    const char* tone = "";
  } cases[] = {
      {1500, 2100, 600, false, PixelKind::Grey},
      {1100, 1500, 400, false, PixelKind::Grey},
      {1300, 900, 300, false, PixelKind::Grey},
      {500, 700, 200, false, PixelKind::Grey},
      {900, 1100, 400, true, PixelKind::Grey},
      {500, 700, 200, true, PixelKind::Grey},
      {1300, 900, 300, false, PixelKind::Rgb},
      {900, 1100, 400, true, PixelKind::Black1},
      {900, 1300, 600, false, PixelKind::Black1},
      {160, 13100, 200, false, PixelKind::Grey},
      {1300, 900, 300, false, PixelKind::Grey, "default"},
      {1100, 1500, 400, true, PixelKind::Grey, "darker"},
      {1300, 900, 300, false, PixelKind::Grey, "less-contrast"},
  };
  for (const auto& c : cases) {
    const std::string name = std::to_string(c.dpi) + (c.qdrs ? " dpi QDRS, " : " dpi RTL, ") +
                             std::to_string(static_cast<int>(c.kind)) + " " +
                             std::to_string(c.height) + " " + c.tone;
    const bool keepsBlackAndWhite = std::string(c.tone) != "less-contrast";
    PreviewPixels sheets[2];
    PageResult results[2];
    for (const bool tiles : {false, true}) {
      ResetDriver();
      ResetHostLog();
      TestPage page = MakeDrawingPage(c.width, c.height, c.dpi, c.kind);
      PrintSettings settings;
      settings.roll = true;
      settings.qdrs = c.qdrs;
      settings.tiles = tiles;
      settings.imageCostInDots = 0;  // every tile sent, however small
      std::string error;
      if (*c.tone != '\0') {
        ASSERT_EQ(ApplyTone(c.tone, settings.dialog, error), 0) << error;
      }
      sheets[tiles] = Print(page, settings, results[tiles]);
      EXPECT_TRUE(results[tiles].complete) << name;
    }
    // Colour pages are all tones here: sent in blocks, as large as the page.
    // Under a curve that changes white or black every dot is sent: only the
    // dots tell.
    if (c.kind != PixelKind::Rgb && keepsBlackAndWhite) {
      EXPECT_GT(results[1].images, results[0].images) << name;
    }
    ASSERT_EQ(sheets[0].width, sheets[1].width) << name;
    ASSERT_EQ(sheets[0].height, sheets[1].height) << name;
    // Dots as the other tests read them: the preview smooths the edge of an
    // image whose corner falls between two of its pixels, which a printer's
    // dots do not show.
    int64_t differ = 0, first = -1;
    for (size_t i = 0; i < sheets[0].pixels.size(); ++i)
      if (((sheets[0].pixels[i] & 0xFF) < 128) != ((sheets[1].pixels[i] & 0xFF) < 128) &&
          differ++ == 0)
        first = i;
    EXPECT_EQ(differ, 0) << name << ": first at " << first % sheets[0].width << ", "
                         << first / sheets[0].width;
  }
}

// Where the raster bands of a job leave a gap on the sheet within their
// bounds: the first cell between the bands' edges (in dots, edges closer than
// half a dot taken as one) that no band covers, or "" when there is none.
// The white padding past a strip's last pixel may fall off the sheet.
std::string GapBetweenBands(const JobPicture& picture, double dpi) {
  struct Box {
    double x0, y0, x1, y1;
  };
  std::vector<Box> boxes;
  std::vector<double> xs, ys;
  for (const JobItem& item : picture.items) {
    if (item.kind != ItemKind::Band) continue;
    const RasterBand& b = item.band;
    const double ax = b.pixelStep.x * b.width, ay = b.pixelStep.y * b.width;
    const double rx = b.rowStep.x * b.rows, ry = b.rowStep.y * b.rows;
    const double x[4] = {b.origin.x, b.origin.x + ax, b.origin.x + rx, b.origin.x + ax + rx};
    const double y[4] = {b.origin.y, b.origin.y + ay, b.origin.y + ry, b.origin.y + ay + ry};
    const Box box{*std::min_element(x, x + 4) * dpi, *std::min_element(y, y + 4) * dpi,
                  *std::max_element(x, x + 4) * dpi, *std::max_element(y, y + 4) * dpi};
    boxes.push_back(box);
    xs.insert(xs.end(), {box.x0, box.x1});
    ys.insert(ys.end(), {box.y0, box.y1});
  }
  const auto edges = [](std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    std::vector<double> kept;
    for (double e : v)
      if (kept.empty() || e - kept.back() >= 0.5) kept.push_back(e);
    return kept;
  };
  const std::vector<double> ex = edges(xs), ey = edges(ys);
  for (size_t i = 0; i + 1 < ex.size(); ++i)
    for (size_t j = 0; j + 1 < ey.size(); ++j) {
      const double cx = (ex[i] + ex[i + 1]) / 2, cy = (ey[j] + ey[j + 1]) / 2;
      if (cx < 0 || cy < 0 || cx > picture.sheet.x * dpi || cy > picture.sheet.y * dpi) continue;
      const bool covered = std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) {
        return cx > b.x0 - 0.25 && cx < b.x1 + 0.25 && cy > b.y0 - 0.25 && cy < b.y1 + 0.25;
      });
      if (!covered)
        return std::to_string(ex[i]) + ".." + std::to_string(ex[i + 1]) + " x " +
               std::to_string(ey[j]) + ".." + std::to_string(ey[j + 1]);
    }
  return "";
}

// A band of a 36 in sheet at 600 dpi holds more than the driver codes at
// once: each image must still be coded in one band, and the bands meet
// without a seam, whether white is left out or, under a curve that prints
// white paper grey, every dot is sent.
TEST_F(PrintPageTest, AWideGreyPageReachesTheSheetWithoutASeamBetweenBands) {
  for (const std::string tone : {"", "less-contrast"}) {
    ResetDriver();
    ResetHostLog();
    TestPage page;
    page.format = {21600, 1300, 600, PixelKind::Grey};
    page.dots.assign(size_t{21600} * 1300, 128);
    PrintSettings settings;
    settings.roll = true;
    std::string error;
    if (!tone.empty()) {
      ASSERT_EQ(ApplyTone(tone, settings.dialog, error), 0) << error;
    }
    PageResult result;
    const JobPicture picture = PlotJob(page, settings, result);
    EXPECT_TRUE(result.complete) << tone;
    const auto bands = std::count_if(picture.items.begin(), picture.items.end(),
                                     [](const JobItem& i) { return i.kind == ItemKind::Band; });
    EXPECT_EQ(bands, result.images) << tone << ": images coded in more than one band";
    EXPECT_EQ(GapBetweenBands(picture, 600), "") << tone;
  }
}

// A page cut short (a cancelled job, a raster that ends early) still ends
// as a whole job with what it has.
TEST_F(PrintPageTest, APageCutShortStillEndsAsAWholeJob) {
  TestPage page = MakePage(300, 900, 300, [](int32_t x, int32_t y) { return x == y % 300; });
  page.stopAfter = 400;
  PrintSettings settings;
  settings.mostStripsPerImage = 300;
  settings.tiles = false;
  PageResult result;
  Print(page, settings, result);
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(result.images, 2) << "no image after the lines stopped";
  EXPECT_TRUE(EndsWith(hostLog.output, kTrailer));
  // Tiled, the band the lines stop in is sent with what it holds.
  ResetDriver();
  ResetHostLog();
  page.next = page.released = 0;
  settings.tiles = true;
  PageResult tiled;
  Print(page, settings, tiled);
  EXPECT_FALSE(tiled.complete);
  EXPECT_GT(tiled.images, 0);
  EXPECT_TRUE(EndsWith(hostLog.output, kTrailer));
}

// The dialogs' checks stand: what they refuse is reported and nothing is
// plotted with it.
TEST_F(PrintPageTest, ASettingTheDialogsRefuseFailsThePageBeforeAnyByte) {
  TestPage page = MakePage(300, 300, 300, [](int32_t, int32_t) { return false; });
  const struct {
    const char* what;
    void (*set)(PrintSettings&);
  } cases[] = {
      {"copies", [](PrintSettings& s) { s.dialog.copies = 100; }},
      {"media", [](PrintSettings& s) { s.dialog.media = 7; }},
      {"tone",
       [](PrintSettings& s) {
         s.dialog.tone = {0, 2, 4, 6, 255};
       }},
  };
  for (const auto& c : cases) {
    ResetDriver();
    PrintSettings settings;
    c.set(settings);
    SheetChoice sheet;
    std::string error;
    ASSERT_EQ(ChooseSheet(ReadPaperSizes(driver), 1, 1, false, sheet, error), 0);
    PlatformSetDialogScript(PageDialogScript(settings, sheet, 300));
    const LineSource reader{&page, &TakeTestLine, &ReleaseTestLines};
    PageResult result;
    EXPECT_EQ(PlotPage(driver, page.format, settings, sheet, reader, result, error), -1) << c.what;
    EXPECT_NE(error.find("refused"), std::string::npos) << c.what << ": " << error;
    EXPECT_TRUE(hostLog.output.empty()) << c.what;
  }
  PrintSettings qdrs;
  qdrs.qdrs = true;
  SheetChoice sheet{16, -1, 8.266, 11.68};
  std::string error;
  const LineSource reader{&page, &TakeTestLine, &ReleaseTestLines};
  PageResult result;
  EXPECT_EQ(PlotPage(driver, page.format, qdrs, sheet, reader, result, error), -1);
  EXPECT_NE(error.find("400 or 200 dpi"), std::string::npos) << error;
}
}  // namespace

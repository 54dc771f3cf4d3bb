// Pages printed through the driver as the print queues print them: the job's
// preview must show the page dot for dot, turned but never mirrored, with no
// seam where the page was sent as several images.
#include <dlfcn.h>

#include <functional>

#include "tests/dialog_fixture.h"
#include "tools/jobview/render.h"
#include "tools/print/page_plot.h"

namespace {

// A page of black and white dots, kept whole only by the test: the print
// host sees it one line at a time.
struct TestPage {
  PageFormat format;
  std::vector<uint8_t> dots;  // grey, 0 black
  int32_t next = 0;
  int32_t stopAfter = -1;  // lines handed out before the page is cut short
  bool Black(int32_t x, int32_t y) const {
    return dots[static_cast<size_t>(y) * format.width + x] == 0;
  }
};

int32_t ReadTestLine(void* context, uint8_t* line, int32_t bytes) {
  TestPage& p = *static_cast<TestPage*>(context);
  if (p.next >= p.format.height || p.next == p.stopAfter) return -1;
  std::memcpy(line, &p.dots[static_cast<size_t>(p.next++) * p.format.width], bytes);
  return 0;
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

// The eight ways a page can lie on the sheet: page dot (x, y) at (tx, ty)
// inside the page's box on the sheet, which is the page's size or, turned,
// its size with width and height exchanged.
struct Orientation {
  const char* name;
  bool turned;
  std::pair<int32_t, int32_t> (*at)(int32_t x, int32_t y, int32_t w, int32_t h);
};
constexpr Orientation kOrientations[] = {
    {"upright", false, [](int32_t x, int32_t y, int32_t, int32_t) { return std::pair{x, y}; }},
    {"upside down", false,
     [](int32_t x, int32_t y, int32_t w, int32_t h) { return std::pair{w - 1 - x, h - 1 - y}; }},
    {"turned left", true,
     [](int32_t x, int32_t y, int32_t w, int32_t) { return std::pair{y, w - 1 - x}; }},
    {"turned right", true,
     [](int32_t x, int32_t y, int32_t, int32_t h) { return std::pair{h - 1 - y, x}; }},
    {"mirrored", false,
     [](int32_t x, int32_t y, int32_t w, int32_t) { return std::pair{w - 1 - x, y}; }},
    {"mirrored upside down", false,
     [](int32_t x, int32_t y, int32_t, int32_t h) { return std::pair{x, h - 1 - y}; }},
    {"transposed", true, [](int32_t x, int32_t y, int32_t, int32_t) { return std::pair{y, x}; }},
    {"transposed the other way", true,
     [](int32_t x, int32_t y, int32_t w, int32_t h) { return std::pair{h - 1 - y, w - 1 - x}; }},
};
constexpr int32_t kTrueTurns = 4;  // the first four: no mirror

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

  // Plots the page and draws its job at the page's resolution.
  PreviewPixels Print(TestPage& page, const PrintSettings& settings, PageResult& result) {
    SheetChoice sheet;
    std::string error;
    EXPECT_EQ(ChooseSheet(ReadPaperSizes(driver), double(page.format.width) / page.format.dpi,
                          double(page.format.height) / page.format.dpi, settings.roll, sheet,
                          error),
              0)
        << error;
    PlatformSetDialogScript(PageDialogScript(settings, sheet, page.format.dpi));
    LineReader reader{&page, &ReadTestLine};
    EXPECT_EQ(PlotPage(driver, page.format, settings, sheet, reader, result, error), 0) << error;
    JobPicture picture;
    ReadJob(reinterpret_cast<const uint8_t*>(hostLog.output.data()), hostLog.output.size(), picture);
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
      const int32_t boxW = orientation.turned ? h : w, boxH = orientation.turned ? w : h;
      for (int32_t corner = 0; corner < 4; ++corner) {
        const int32_t ox = corner & 1 ? sheet.width - boxW : 0;
        const int32_t oy = corner & 2 ? sheet.height - boxH : 0;
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
  // page turned or not but never mirrored.
  void ExpectDotForDot(int32_t width, int32_t height, int32_t dpi, int32_t mostStrips) {
    TestPage page =
        MakePage(width, height, dpi, [=](int32_t x, int32_t y) { return Marks(x, y, width, height); });
    PrintSettings settings;
    settings.roll = true;
    settings.mostStripsPerImage = mostStrips;
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
}  // namespace

// The brightness dialog: arrow steps, handle drags, the default curve and
// what it paints, through the stand-in.
#include "config/brightness.h"

#include <array>

#include "config/tone.h"
#include "tests/dialog_fixture.h"

namespace {

using Levels = std::array<int32_t, 5>;
constexpr const char* kCurve = "IDD_COLOR_POR";
// The graph is 85 x 79 dialog units: 149 x 138 pixels at the templates' font.
constexpr int32_t kWidth = 149, kHeight = 138;

Levels CurrentLevels() {
  return {CurveLevels[0], CurveLevels[1], CurveLevels[2], CurveLevels[3], CurveLevels[4]};
}

void SetLevels(const Levels& l) {
  for (int32_t k = 0; k < 5; ++k) workingRecord.toneLevels[k] = static_cast<uint8_t>(l[k]);
  for (int32_t k = 0; k < 5; ++k) CurveLevels[k] = l[k];
}

class BrightnessTest : public DialogTest {
 protected:
  // Opens the dialog over the working record and plays `actions`, then OK.
  Levels Run(const Levels& start, const std::string& actions) {
    SetLevels(start);
    PlatformSetDialogScript("dialog IDD_COLOR_POR\n" + actions + "click 3031\n");
    BrightnessDialog(nullptr);
    return CurrentLevels();
  }
  static int32_t Row(int32_t level) { return kHeight - kHeight * level / 255; }
};

TEST_F(BrightnessTest, ArrowStepsAndTheirGuards) {
  const Levels start = {10, 60, 120, 180, 240};
  EXPECT_EQ(Run(start, "arrow 3019 up\n"), (Levels{11, 61, 121, 181, 241}));
  EXPECT_EQ(Run(start, "arrow 3019 down\n"), (Levels{9, 59, 119, 179, 239}));
  EXPECT_EQ(Run(start, "arrow 3017 up\n"), (Levels{8, 59, 120, 181, 242}));
  EXPECT_EQ(Run(start, "arrow 3017 down\n"), (Levels{12, 61, 120, 179, 238}));
  EXPECT_EQ(Run(start, "arrow 3021 up\n"), (Levels{10, 64, 125, 184, 240}));
  EXPECT_EQ(Run(start, "arrow 3021 down\n"), (Levels{10, 56, 115, 176, 240}));

  EXPECT_EQ(Run({0, 60, 120, 180, 255}, "arrow 3019 up\narrow 3019 down\n"),
            (Levels{0, 60, 120, 180, 255}));
  EXPECT_EQ(Run({1, 60, 120, 180, 240}, "arrow 3017 up\n"), (Levels{1, 60, 120, 180, 240}));
  EXPECT_EQ(Run({10, 60, 120, 70, 240}, "arrow 3017 down\n"), (Levels{10, 60, 120, 70, 240}))
      << "L3 - L1 = 10";
}

// No step may carry a level outside 0..255 or past its neighbour: the levels
// are one byte each and the curve must keep rising.
TEST_F(BrightnessTest, MiddleStepsKeepLevelsInRangeAndOrder) {
  EXPECT_EQ(Run({0, 123, 187, 254, 255}, "arrow 3021 up\n"), (Levels{0, 123, 187, 254, 255}));
  EXPECT_EQ(Run({0, 2, 187, 228, 255}, "arrow 3021 down\n"), (Levels{0, 2, 187, 228, 255}));
  EXPECT_EQ(Run({0, 123, 187, 252, 255}, "arrow 3021 up\n"), (Levels{0, 123, 187, 252, 255}));
  EXPECT_EQ(Run({0, 123, 187, 251, 255}, "arrow 3021 up\n"), (Levels{0, 127, 192, 255, 255}));
  EXPECT_EQ(Run({0, 4, 187, 228, 255}, "arrow 3021 down\n"), (Levels{0, 0, 182, 224, 255}));
  EXPECT_EQ(Run({30, 30, 120, 180, 240}, "arrow 3017 down\n"), (Levels{30, 30, 120, 180, 240}))
      << "narrowing would put level 0 above level 1";
  Levels l = {0, 123, 187, 228, 255};
  for (int i = 0; i < 100; ++i) l = Run(l, "arrow 3021 up\narrow 3019 up\narrow 3017 down\n");
  for (int32_t k = 0; k < 5; ++k) EXPECT_TRUE(l[k] >= 0 && l[k] <= 255) << k;
  for (int32_t k = 1; k < 5; ++k) EXPECT_LE(l[k - 1], l[k]) << k;
}

TEST_F(BrightnessTest, PressesOffEveryHandleStartNoDrag) {
  const Levels start = {0, 123, 187, 228, 255};
  const int32_t x2 = kWidth / 2, y2 = Row(187);
  EXPECT_EQ(
      Run(start, "drag 3009 " + std::to_string(x2 + 3) + " " + std::to_string(y2) + " 70 10\n" +
                     "drag 3009 " + std::to_string(x2) + " " + std::to_string(y2 - 3) + " 70 10\n"),
      start);
  EXPECT_EQ(PlatformCursor(), IDC_ARROW);
  EXPECT_EQ(
      Run(start, "drag 3009 " + std::to_string(x2 + 2) + " " + std::to_string(y2 - 2) + " 70 50\n"),
      (Levels{0, 123, (kHeight - 50) * 255 / kHeight, 228, 255}));
  EXPECT_EQ(PlatformCapture(), nullptr) << "released with the button";
}

TEST_F(BrightnessTest, DragsStayFourPixelsFromTheNeighboursAndMoveOneLevel) {
  const Levels start = {0, 123, 187, 228, 255};
  const std::string handle2 = std::to_string(kWidth / 2) + " " + std::to_string(Row(187));
  // Past handle 3, and above the graph (a negative row, captured).
  const int32_t belowThree = (kHeight - (Row(228) + 4)) * 255 / kHeight;
  EXPECT_EQ(Run(start, "drag 3009 " + handle2 + " 74 2\n"), (Levels{0, 123, belowThree, 228, 255}));
  EXPECT_EQ(Run(start, "drag 3009 " + handle2 + " 74 -30\n"),
            (Levels{0, 123, belowThree, 228, 255}));
  const int32_t aboveOne = (kHeight - (Row(123) - 4)) * 255 / kHeight;
  EXPECT_EQ(Run(start, "drag 3009 " + handle2 + " 74 130\n"), (Levels{0, 123, aboveOne, 228, 255}));
  EXPECT_EQ(Run(start, "drag 3009 149 0 149 -5\n"), start) << "handle 4 to row 0 is level 255";
  EXPECT_EQ(Run(start, "drag 3009 149 0 149 60\n"),
            (Levels{0, 123, 187, 228, (kHeight - (Row(228) - 4)) * 255 / kHeight}))
      << "handle 4 stays above handle 3";
  EXPECT_EQ(Run(start, "drag 3009 0 138 0 60\n"),
            (Levels{(kHeight - (Row(123) + 4)) * 255 / kHeight, 123, 187, 228, 255}))
      << "handle 0 stays below handle 1";
  EXPECT_EQ(Run(start, "drag 3009 0 138 0 300\n"), start) << "handle 0 at most on the bottom row";
}

TEST_F(BrightnessTest, DefaultCurveIsRestoredOnlyOnYes) {
  const Levels start = {5, 100, 150, 200, 250};
  EXPECT_EQ(Run(start, "answer IDNO\nclick 3010\n"), start);
  ASSERT_EQ(PlatformMessageBoxes().size(), 1u);
  const RecordedMessageBox& box = PlatformMessageBoxes()[0];
  EXPECT_EQ(box.caption + ": " + box.text,
            "Corre\xE7\xE3o da imagem: Restaurar para valor inicial?");
  EXPECT_EQ(box.style, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);

  EXPECT_EQ(Run(start, "click 3010\n"), (Levels{0, 123, 187, 228, 255}));
  EXPECT_EQ(ToneTable[64], 103);
  EXPECT_EQ(ToneTable[128], 174);
  EXPECT_EQ(ToneTable[192], 222);
  EXPECT_EQ(workingRecord.toneLevels[1], 123) << "written into the working copy at once";
}

TEST_F(BrightnessTest, EscAndCancelDoNotCloseIt) {
  Run({0, 123, 187, 228, 250}, "esc\nclick 2\narrow 3019 up\n");
  EXPECT_EQ(Closed(kCurve).actionsPlayed, 4);
  EXPECT_EQ(ToneTable[0], 1) << "applied on OK from the levels then";
}

TEST_F(BrightnessTest, GraphShowsBlackBackgroundRedHandlesAndBlueCurve) {
  const int32_t objects = PlatformLiveGdiObjects();
  Run({0, 64, 128, 192, 255}, "");
  const Surface& g = Control(kCurve, 3009).surface;
  ASSERT_EQ(g.width, kWidth);
  ASSERT_EQ(g.height, kHeight);
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  EXPECT_EQ(g.At(140, 130), 0u) << "the black picture stretched over it";
  EXPECT_EQ(g.At(kWidth / 4 - 2, Row(64) - 2), red);
  EXPECT_EQ(g.At(kWidth / 4 + 1, Row(64) + 1), red);
  EXPECT_NE(g.At(kWidth / 4 + 3, Row(64) + 3), red);
  for (int32_t i = 8; i < 250; i += 17) {
    const GraphPoint p = ScreenCurve[i];
    EXPECT_EQ(g.At(p.x, p.y), blue) << i;
  }
  EXPECT_EQ(HandlePixels[4].x, kWidth);
  EXPECT_EQ(HandlePixels[4].y, 0);
  EXPECT_EQ(PlatformLiveGdiObjects(), objects) << "every pen, brush, bitmap and DC released";
}

// The levels follow the configuration dialog's working copy: they reach the
// record with its OK and are dropped with its Cancel.
TEST_F(DialogTest, CurveLevelsFollowTheConfigurationDialog) {
  const std::string script =
      "dialog IDD_COLOR_POR\narrow 3021 up\nclick 3031\n"
      "dialog DRIVERCFG2_POR\nclick 3030\n";
  PlatformSetDialogScript(script + "click IDCANCEL\n");
  MainConfigDialog();
  EXPECT_EQ(configRecord.toneLevels[1], 123);
  PlatformSetDialogScript(script + "click IDOK\n");
  MainConfigDialog();
  EXPECT_EQ(configRecord.toneLevels[1], 127);
  EXPECT_EQ(configRecord.toneLevels[3], 232);
}

}  // namespace

// Faults at every point of a plot: each host write in turn refused, each heap
// block in turn denied, the record's fetch and save refused. Every run must end
// with the state and message the driver promises, hand nothing to the host past
// the failure, hold no memory, and leave the driver able to plot again, byte
// for byte, once the host has started a new drawing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_fixture.h"
#include "golden.h"
#include "host/protocol.h"
#include "platform/memory.h"
#include "raster/canvas.h"
#include "tools/host/image_host.h"

namespace {

using namespace std::string_literals;

struct Language {
  const char* name;
  const char* testName;
  uint16_t jobFlags;
};
constexpr Language kLanguages[] = {{"HP-GL/2", "Hpgl", kJob600Dpi},
                                   {"QDRS", "Qdrs", kJobQdrsOutput | kJob400Dpi}};
// How a language stands in the list of tests.
void PrintTo(const Language& language, std::ostream* out) {
  *out << language.name;
}

// A fresh driver, host and drawing, the host's log emptied.
DriverLink StartDrawing(uint16_t jobFlags) {
  memoryFailureAt = 0;
  rasterCanvasLimit = int64_t{1} << 30;
  const DriverLink d = ResetDriver();
  ResetImageHost();
  StoreSampleRecord(jobFlags, 2);
  RunHandshake(d);
  RunDrawingStart(d);
  ResetHostLog();
  return d;
}

// Vectors, both kinds of polygon, pens, line types and widths, and an image
// that goes out at the top of the draw behind it.
void PlotSample(const DriverLink& d, bool withImage = true) {
  BeginPlot(d);
  SetLineTypeCount(d, 8);
  SelectPen(d, 3);
  SetPenWidth(d, 0.02);
  MoveTo(d, 500, 500);
  DrawTo(d, 8000, 500);
  DrawTo(d, 8000, 6000);
  SelectLineType(d, 2);
  FillPolygon(d, 4, {1000, 1000, 3000, 1000, 3000, 2500});
  FillPolygonAt(d, 9, {4000, 4000, 4600, 4000, 4600, 4600, 4000, 4600});
  if (withImage)
    SendImage(d, {.x1 = 2000, .y1 = 2000, .x2 = 2800, .y2 = 2600, .type = 2, .w = 60, .h = 40});
  DrawTo(d, 500, 6000);
  LiftPen(d);
  DrawTo(d, 700, 700);
  EndPlot(d);
}

struct CleanPlot {
  std::string output;
  std::vector<int32_t> writeSizes;
  int32_t takes = 0;
};

CleanPlot PlotCleanly(uint16_t jobFlags, bool withImage = true) {
  const DriverLink d = StartDrawing(jobFlags);
  const int32_t takes = memoryTakeCount;
  PlotSample(d, withImage);
  return {hostLog.output, hostLog.writeSizes, memoryTakeCount - takes};
}

// What the host holds when its k-th write fails: the k - 1 writes before it.
std::string BeforeWrite(const CleanPlot& clean, int32_t k) {
  size_t bytes = 0;
  for (int32_t i = 0; i < k - 1; ++i) bytes += clean.writeSizes[i];
  return clean.output.substr(0, bytes);
}

// The clean plot with the image's raster data cut out: its start and end stay.
std::string WithoutBands(const std::string& out, bool qdrs) {
  const size_t from = qdrs ? out.find("\x9B\x5F\x00\x1A"s) : out.find("\x1b*r");
  const size_t to =
      qdrs ? out.find("\x9B\x5D\x00\x02\x02\x00\x9B\x52"s, from) : out.find("\x1b*rC", from);
  if (from == std::string::npos || to == std::string::npos) return "<no raster>";
  return out.substr(0, from) + out.substr(to);
}

std::string Report(int slot) {
  return "\n"s + MessageText(slot) + "\n";
}

// After the fault has run its course: nothing held, every drawing request
// refused while the state stands, and after a new drawing start the same plot
// as a clean driver gives.
void ExpectRecovery(const DriverLink& d, const CleanPlot& clean, int32_t heldBefore) {
  hostLog.failWriteAt = 0;
  memoryFailureAt = 0;
  EXPECT_EQ(memoryBlocksHeld, heldBefore) << "memory left behind";
  EXPECT_EQ(OutputBuffer, nullptr);
  if (driverErrorState != 0) {
    EXPECT_EQ(BeginPlot(d), kStatusFailed);
    EXPECT_EQ(MoveTo(d, 10, 10), kStatusFailed);
    EXPECT_EQ(EndPlot(d), 2) << "the end of a plot answers nothing";
  }
  RunDrawingStart(d);
  ResetHostLog();
  ResetImageHost();
  PlotSample(d);
  EXPECT_EQ(driverErrorState, 0);
  EXPECT_BYTES(hostLog.output, clean.output);
}

// The longest sweep, one test for each language, so that the two can run at
// the same time.
class FaultInjectionByLanguage : public testing::TestWithParam<Language> {};

TEST_P(FaultInjectionByLanguage, EveryHostWriteRefusedInTurn) {
  const Language& language = GetParam();
  const CleanPlot clean = PlotCleanly(language.jobFlags);
  const int32_t writes = static_cast<int32_t>(clean.writeSizes.size());
  ASSERT_GT(writes, 20);
  ASSERT_NE(clean.output.find(language.jobFlags == kJob600Dpi ? "\x1b*b8M" : "\x9B\x5C"),
            std::string::npos)
      << "the sample plot carries its image";
  for (int32_t k = 1; k <= writes; ++k) {
    SCOPED_TRACE(testing::Message() << "write " << k << " of " << writes);
    const DriverLink d = StartDrawing(language.jobFlags);
    const int32_t held = memoryBlocksHeld;
    hostLog.failWriteAt = k;
    PlotSample(d);
    ASSERT_GE(hostLog.writeCalls, k);
    EXPECT_EQ(hostLog.writeCalls, k) << "no write is tried after the refused one";
    EXPECT_BYTES(hostLog.output, BeforeWrite(clean, k));
    EXPECT_EQ(hostLog.lines, std::vector<std::string>{Report(kMsgOutputFailed)});
    EXPECT_EQ(driverErrorState, kErrorOutput);
    EXPECT_TRUE(plotOpen == 0 && copyCount == 1 && outputFill == 0);
    ExpectRecovery(d, clean, held);
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, FaultInjectionByLanguage, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<Language>& info) {
                           return std::string(info.param.testName);
                         });

TEST(FaultInjection, EveryAllocationDeniedInTurn) {
  for (const Language& language : kLanguages) {
    SCOPED_TRACE(language.name);
    const bool qdrs = language.jobFlags != kJob600Dpi;
    const CleanPlot clean = PlotCleanly(language.jobFlags);
    const std::string withoutImage = PlotCleanly(language.jobFlags, false).output;
    // The output buffer, the canvas and its darkness line, the two run lists
    // and the coded band's area.
    ASSERT_EQ(clean.takes, 6);
    for (int32_t a = 1; a <= clean.takes; ++a) {
      SCOPED_TRACE(testing::Message() << "allocation " << a);
      const DriverLink d = StartDrawing(language.jobFlags);
      const int32_t held = memoryBlocksHeld;
      memoryFailureAt = a;
      PlotSample(d);
      if (a == 1) {
        // No buffer, no plot: reported, and output blocked.
        EXPECT_EQ(hostLog.lines, std::vector<std::string>{"\n"s + MessageText(kMsgNoMemory)});
        EXPECT_EQ(driverErrorState, kErrorOutput);
        EXPECT_TRUE(hostLog.output.empty());
      } else {
        // An image without memory is left out, whole before anything of it
        // is written, or as an empty raster once its frame has gone out.
        EXPECT_TRUE(hostLog.lines.empty());
        EXPECT_EQ(driverErrorState, 0);
        EXPECT_BYTES(hostLog.output, a <= 3 ? withoutImage : WithoutBands(clean.output, qdrs));
      }
      ExpectRecovery(d, clean, held);
      if (HasFailure()) return;
    }
  }
}

TEST(FaultInjection, RecordFetchAndSaveRefused) {
  for (const Language& language : kLanguages) {
    SCOPED_TRACE(language.name);
    const CleanPlot clean = PlotCleanly(language.jobFlags);

    // The drawing's fetch: reported, and nothing plots until a new start.
    DriverLink d = StartDrawing(language.jobFlags);
    int32_t held = memoryBlocksHeld;
    hostLog.getResult = 1;
    RunDrawingStart(d);
    EXPECT_EQ(hostLog.lines.front(), Report(kMsgFetchFailed));
    EXPECT_EQ(driverErrorState, kErrorRefused);
    hostLog.getResult = 0;
    ResetHostLog();
    PlotSample(d);
    EXPECT_TRUE(hostLog.output.empty());
    ExpectRecovery(d, clean, held);

    // The main dialog's save: reported, the answered area stays.
    d = StartDrawing(language.jobFlags);
    hostLog.saveResult = -1;
    Packet configure = MakePacket(kGraphicsConfigure);
    EXPECT_EQ(Graphics(d, configure), kStatusFailed);
    EXPECT_EQ(ReadF64(configure.data(), kPlotArea.length), 48.0);
    EXPECT_EQ(hostLog.lines, std::vector<std::string>{Report(kMsgSaveFailed)});
    EXPECT_EQ(driverErrorState, kErrorRefused);
    ExpectRecovery(d, clean, held);

    // The control request's save blocks the graphics side too.
    d = StartDrawing(language.jobFlags);
    hostLog.saveResult = -1;
    Packet save = MakePacket(kControlSaveConfig);
    EXPECT_EQ(Control(d, save), kStatusFailed);
    EXPECT_EQ(hostLog.lines, std::vector<std::string>{Report(kMsgSaveFailed)});
    ExpectRecovery(d, clean, held);

    // The plot set-up's fetch falls back to the defaults, which are not saved.
    d = StartDrawing(language.jobFlags);
    hostLog.getResult = 1;
    Packet setup = MakePacket(kControlPlotSetUp);
    EXPECT_EQ(Control(d, setup), kStatusOk);
    EXPECT_EQ(driverErrorState, 0);
    EXPECT_TRUE(hostLog.lines.empty() && hostLog.saveCalls == 0);
    hostLog.getResult = 0;
    ExpectRecovery(d, clean, held);
  }
}

}  // namespace

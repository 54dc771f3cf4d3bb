// The pen-state machine: the bytes that moves, draws and lifts add behind the
// job header, the plot's frame, and what an abort or a failure leaves behind.
#include "vector/motion.h"

#include <gtest/gtest.h>

#include "plot_fixture.h"
#include "tools/host/image_host.h"

using namespace plot_fixture;

namespace {

// Seven-bit polyline numbers: 0 "_", 10 "s", -10 "t", -20 "H`", 100 "Ge", 200 "Ok", 300 "Wq".
TEST(Motion, MoveAndDrawsBetweenHeaderAndTrailer) {
  const DriverLink d = ResetDriver();
  const int32_t headerEnd = OpenPlot(d);
  MoveTo(d, 100, 200);
  DrawTo(d, 300, 200);
  DrawTo(d, 300, 500);
  EXPECT_EQ(EndPlot(d), 2) << "request 2 leaves its code";
  EXPECT_BYTES(hostLog.output.substr(headerEnd), "PE7<GeOkOk__Wq;PUSP0;PG;\x1b%-12345X\r\n");
  EXPECT_EQ(OutputBuffer, nullptr);
  const std::vector<std::pair<int32_t, int32_t>> swaps = {{30, 1}, {5, 1}};
  EXPECT_EQ(hostLog.swapCalls, swaps) << "the host's setting goes back";
}

TEST(Motion, RepeatedPointsSettleAfterOneZeroStepAndLiftsCompleteOnTheDraw) {
  const DriverLink d = ResetDriver();
  const int32_t headerEnd = OpenPlot(d);
  MoveTo(d, 0, 0);  // the first move of a plot is never a repeat
  MoveTo(d, 10, 10);
  DrawTo(d, 20, 20);
  DrawTo(d, 20, 20);  // the state changed with the first draw: one zero step
  EXPECT_EQ(DrawTo(d, 20, 20), 4);
  EXPECT_EQ(MoveTo(d, 20, 20), 3);
  MoveTo(d, 20, 0);
  LiftPen(d);
  DrawTo(d, 20, 10);  // a zero step completes the pen-up move
  LiftPen(d);
  LiftPen(d);  // already lifted: nothing more
  // Moves, draw, zero step, move, lift, zero step and draw, lift.
  EXPECT_BYTES(WrittenSince(headerEnd), "PE7<__<ssss__<_H`<___s<");
}

TEST(Motion, PointsScaleToOutputUnits) {
  const DriverLink d = ResetDriver();
  configRecord.plotFlags |= kPlotEightBitEncoding;
  int32_t mark = OpenPlot(d, 2.0);
  MoveTo(d, 3, 5);
  EXPECT_BYTES(WrittenSince(mark), "PE<\xCB\xD3") << "(6, 10) in eight-bit numbers";
  MoveTo(d, 65535, 65535);  // the largest host point on the largest sheet
  EXPECT_EQ(outX, 131070);
}

TEST(Motion, QdrsDrawsWriteLineRecordsFromTheLastPoint) {
  const DriverLink d = ResetDriver();
  configRecord.jobFlags |= kJobQdrsOutput;
  int32_t mark = OpenPlot(d);
  shortCoordinates = 1;
  MoveTo(d, 100, 200);  // a move writes nothing
  DrawTo(d, 150, 180);
  LiftPen(d);
  DrawTo(d, 150, 200);
  EXPECT_BYTES(WrittenSince(mark),
               Record(0x64, {100, 200, 50, -20}) + Record(0x64, {150, 180, 0, 20}));
  shortCoordinates = 0;
  mark = outputFill;
  MoveTo(d, 100, 200);
  DrawTo(d, 150, 180);
  EXPECT_BYTES(WrittenSince(mark), Record(0x6B, {0, 100, 0, 200, 0, 50, -1, -20}));
}

// The language is chosen when a plot begins: a record whose language bit
// changes in the middle of a plot (a set-up request, a dialog) leaves the plot
// in progress, vectors, image and trailer, in the language it began in.
TEST(Motion, APlotKeepsTheLanguageItBeganIn) {
  for (const bool qdrs : {false, true}) {
    SCOPED_TRACE(qdrs);
    const DriverLink d = ResetDriver();
    ResetImageHost();
    if (qdrs) configRecord.jobFlags |= kJobQdrsOutput;
    const int32_t mark = OpenPlot(d);
    shortCoordinates = 1;
    configRecord.jobFlags ^= kJobQdrsOutput;
    MoveTo(d, 10, 10);
    DrawTo(d, 20, 10);
    SelectPen(d, 2);
    EXPECT_BYTES(WrittenSince(mark),
                 qdrs ? Record(0x64, {10, 10, 10, 0}) + Record(0x41, {7}) + Record(0x47, {2})
                      : "PE7<sss_;SP7");
    SendImage(d, {.type = 2, .w = 8, .h = 8});
    EndPlot(d);
    const std::string& job = hostLog.output;
    EXPECT_EQ(job.find(qdrs ? "\x1b%1A" : "\x9B\x5F"), std::string::npos) << "another framing";
    const std::string trailer = qdrs ? Bytes({0x9B, 0x5E, 0, 2, 0, 0}) : "\x1b%-12345X\r\n";
    EXPECT_EQ(job.substr(job.size() - trailer.size()), trailer);
  }
}

TEST(Motion, AbortFailsEveryLaterDrawingRequest) {
  const DriverLink d = ResetDriver();
  OpenPlot(d);
  DrawTo(d, 2, 2);
  Packet abort = MakePacket(kGraphicsAbort);
  EXPECT_EQ(Graphics(d, abort), kGraphicsAbort);
  for (uint16_t status : {DrawTo(d, 5, 5), MoveTo(d, 6, 6), LiftPen(d), SelectPen(d, 2),
                          SelectLineType(d, 2), SetPenWidth(d, 0.1)})
    EXPECT_EQ(status, 0xFFFF);
  EndPlot(d);
  EXPECT_EQ(hostLog.writeCalls, 0);
  // No plot opens until the driver is reset, and a captured image is dropped.
  imageMarker = kImagePending;
  Packet begin = MakePacket(kGraphicsBeginPlot);
  RequestBeginPlot(begin.data());  // past the dispatcher, which would emit the image
  EXPECT_EQ(begin.status(), 0xFFFF);
  EXPECT_EQ(imageMarker, 0u);
  EXPECT_EQ(OutputBuffer, nullptr);
}

TEST(Motion, UnknownRequestsAndMovesAloneReachTheHostAsNothing) {
  const DriverLink d = ResetDriver();
  hostLog.swapAnswer = -1;
  const int32_t headerEnd = OpenPlot(d);
  Packet p = MakePacket(kUnansweredGraphics);
  WriteU16(p.data(), kValue.value, 77);
  const Packet before = p;
  Graphics(d, p);
  EXPECT_EQ(p.bytes, before.bytes);
  EXPECT_EQ(outputFill, headerEnd);
  MoveTo(d, 1, 2);
  MoveTo(d, 3, 4);
  LiftPen(d);
  EndPlot(d);
  EXPECT_EQ(hostLog.writeCalls, 0);
  EXPECT_EQ(OutputBuffer, nullptr);
  EXPECT_EQ(hostLog.swapCalls.size(), 1u) << "a refused swap is not handed back";
}

}  // namespace

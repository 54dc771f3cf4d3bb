// The pen-state machine: the bytes that moves, draws and lifts add behind the
// job header, the plot's frame, and what an abort or a failure leaves behind.
#include <gtest/gtest.h>

#include "plot_fixture.h"
#include "vector/points.h"
#include "vector/requests.h"

using namespace plot_fixture;

namespace {

DriverLink StartFresh() {
  const DriverLink d = ResetDriver();
  ResetDrawingState();
  return d;
}

uint16_t Abort(const DriverLink& d) {
  Packet p = MakePacket(9);
  return Graphics(d, p);
}

// Seven-bit polyline encoding: 0 "_", 10 "s", -10 "t", -20 "H`", 100 "Ge", 200 "Ok",
// 300 "Wq".
TEST(Motion, MoveAndDrawsBetweenHeaderAndTrailer) {
  const DriverLink d = StartFresh();
  const int32_t headerEnd = OpenPlot(d);
  const std::string header = WrittenSince(0);
  EXPECT_EQ(hostX, -1);
  EXPECT_EQ(hostY, -1);
  MoveTo(d, 100, 200);
  DrawTo(d, 300, 200);
  DrawTo(d, 300, 500);
  const std::string body =
      "PE7<"
      "GeOk"
      "Ok_"
      "_Wq";
  EXPECT_BYTES(WrittenSince(headerEnd), body);
  EXPECT_EQ(plotOpen, 1);

  EXPECT_EQ(EndPlot(d), 2) << "request 2 leaves its code";
  EXPECT_BYTES(hostLog.output, header + body + ";PUSP0;PG;" + "\x1b%-12345X\r\n");
  EXPECT_EQ(OutputBuffer, nullptr);
  EXPECT_EQ(plotOpen, 0);
  ASSERT_EQ(hostLog.swapCalls.size(), 2u);
  EXPECT_EQ(hostLog.swapCalls[0], std::make_pair(30, 1));
  EXPECT_EQ(hostLog.swapCalls[1], std::make_pair(5, 1)) << "the host's setting goes back";
}

TEST(Motion, RepeatedPointsSettleAfterOneZeroStep) {
  const DriverLink d = StartFresh();
  const int32_t headerEnd = OpenPlot(d);
  MoveTo(d, 0, 0);  // the first move of a plot is never a repeat
  EXPECT_BYTES(WrittenSince(headerEnd), "PE7<__");
  MoveTo(d, 10, 10);
  DrawTo(d, 20, 20);
  int32_t mark = outputFill;
  EXPECT_EQ(DrawTo(d, 20, 20), 4);
  EXPECT_BYTES(WrittenSince(mark), "__") << "the state changed with the first draw";
  mark = outputFill;
  EXPECT_EQ(DrawTo(d, 20, 20), 4);
  EXPECT_EQ(MoveTo(d, 20, 20), 3);
  EXPECT_BYTES(WrittenSince(mark), "");
  MoveTo(d, 20, 0);
  EXPECT_BYTES(WrittenSince(mark), "<_H`") << "a new point moves again";  // (0, -20)
}

TEST(Motion, LiftThenDrawCompletesThePenUpMove) {
  const DriverLink d = StartFresh();
  const int32_t headerEnd = OpenPlot(d);
  MoveTo(d, 10, 0);
  LiftPen(d);
  DrawTo(d, 10, 10);
  EXPECT_BYTES(WrittenSince(headerEnd),
               "PE7<s_"
               "<"
               "__"
               "_s");
  EXPECT_EQ(penState, kPenMoved);
  const int32_t mark = outputFill;
  LiftPen(d);
  LiftPen(d);  // already lifted: nothing more
  EXPECT_BYTES(WrittenSince(mark), "<");
}

TEST(Motion, PointsScaleToOutputUnits) {
  const DriverLink d = StartFresh();
  const int32_t headerEnd = OpenPlot(d, 2.0);
  MoveTo(d, 3, 5);
  EXPECT_BYTES(WrittenSince(headerEnd), "PE7<ks");  // (6, 10)
  EXPECT_EQ(outX, 6);
  EXPECT_EQ(outY, 10);
  EXPECT_EQ(hostX, 3);
  EXPECT_EQ(hostY, 5);
  MoveTo(d, 65535, 65535);  // the largest host point on the largest sheet
  EXPECT_EQ(outX, 131070);
}

TEST(Motion, EightBitEncodingOpensWithPE) {
  const DriverLink d = StartFresh();
  configRecord.plotFlags |= kPlotEightBitEncoding;
  const int32_t headerEnd = OpenPlot(d);
  MoveTo(d, 0, 0);
  DrawTo(d, 1, 0);
  EXPECT_BYTES(WrittenSince(headerEnd), "PE<\xBF\xBF\xC1\xBF");
}

TEST(Motion, QdrsDrawsWriteLineRecordsFromTheLastPoint) {
  const DriverLink d = StartFresh();
  configRecord.jobFlags |= kJobQdrsOutput;
  int32_t mark = OpenPlot(d);
  shortCoordinates = 1;
  MoveTo(d, 100, 200);
  EXPECT_BYTES(WrittenSince(mark), "") << "a move writes nothing";
  DrawTo(d, 150, 180);
  EXPECT_BYTES(WrittenSince(mark),
               Bytes({0x64, 0x04, 0x00, 0x64, 0x00, 0xC8, 0x00, 0x32, 0xFF, 0xEC}));
  mark = outputFill;
  LiftPen(d);
  DrawTo(d, 150, 200);
  EXPECT_BYTES(WrittenSince(mark),
               Bytes({0x64, 0x04, 0x00, 0x96, 0x00, 0xB4, 0x00, 0x00, 0x00, 0x14}));

  shortCoordinates = 0;
  mark = outputFill;
  MoveTo(d, 100, 200);
  DrawTo(d, 150, 180);
  EXPECT_BYTES(WrittenSince(mark), Bytes({0x6B, 0x08, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00,
                                          0xC8, 0x00, 0x00, 0x00, 0x32, 0xFF, 0xFF, 0xFF, 0xEC}));

  // A dot is scaled but leaves the drawing state where it was.
  shortCoordinates = 1;
  unitScale = 2.0;
  mark = outputFill;
  EXPECT_EQ(QdrsDot(3, 5), 0);
  EXPECT_BYTES(WrittenSince(mark),
               Bytes({0x64, 0x04, 0x00, 0x06, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(outX, 150);
  EXPECT_EQ(hostY, 180);
}

TEST(Motion, PlotOfOnlyMovesReachesTheHostAsNothing) {
  const DriverLink d = StartFresh();
  OpenPlot(d);
  MoveTo(d, 1, 2);
  MoveTo(d, 3, 4);
  LiftPen(d);
  EndPlot(d);
  EXPECT_EQ(hostLog.writeCalls, 0);
  EXPECT_TRUE(hostLog.output.empty());
  EXPECT_EQ(OutputBuffer, nullptr);
}

TEST(Motion, AbortFailsEveryLaterDrawingRequest) {
  const DriverLink d = StartFresh();
  OpenPlot(d);
  MoveTo(d, 1, 1);
  DrawTo(d, 2, 2);
  copyCount = 4;
  EXPECT_EQ(Abort(d), 9);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(copyCount, 1);
  EXPECT_EQ(plotOpen, 0);

  EXPECT_EQ(DrawTo(d, 5, 5), 0xFFFF);
  EXPECT_EQ(MoveTo(d, 6, 6), 0xFFFF);
  EXPECT_EQ(LiftPen(d), 0xFFFF);
  EXPECT_EQ(SelectPen(d, 2), 0xFFFF);
  EXPECT_EQ(SelectLineType(d, 2), 0xFFFF);
  EXPECT_EQ(SetPenWidth(d, 0.1), 0xFFFF);
  EXPECT_EQ(EndPlot(d), 2);
  EXPECT_EQ(hostLog.writeCalls, 0);
  EXPECT_EQ(OutputBuffer, nullptr);
  // No plot opens until the driver is reset, and a captured image is dropped.
  imageMarker = kImagePending;
  Packet begin = MakePacket(30);
  RequestBeginPlot(begin.data());  // past the dispatcher, which would emit the image
  EXPECT_EQ(begin.status(), 0xFFFF);
  EXPECT_EQ(imageMarker, 0u);
  EXPECT_EQ(OutputBuffer, nullptr);
}

TEST(Motion, FailedFinalFlushLeavesTheErrorState) {
  const DriverLink d = StartFresh();
  hostLog.swapAnswer = -1;
  OpenPlot(d);
  DrawTo(d, 2, 2);
  hostLog.failWriteAt = 1;
  EXPECT_EQ(EndPlot(d), 2);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_EQ(hostLog.lines[0], std::string("\n") + MessageText(kMsgOutputFailed) + "\n");
  EXPECT_EQ(OutputBuffer, nullptr);
  EXPECT_EQ(hostLog.swapCalls.size(), 1u) << "a refused swap is not handed back";
}

TEST(Motion, UnknownRequestLeavesThePacketAlone) {
  const DriverLink d = StartFresh();
  const int32_t headerEnd = OpenPlot(d);
  Packet p = MakePacket(6);
  WriteU16(p.data(), 4, 77);
  const Packet before = p;
  Graphics(d, p);
  EXPECT_EQ(p.bytes, before.bytes);
  EXPECT_EQ(outputFill, headerEnd);
}

}  // namespace

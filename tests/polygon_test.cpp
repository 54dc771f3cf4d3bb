// Filled polygons: both fill styles in both languages, the pen brought back
// after a fill, and the vertex counts and addresses that the host hands over.
#include <gtest/gtest.h>

#include <vector>

#include "plot_fixture.h"

using namespace plot_fixture;

namespace {

const std::vector<uint16_t> kSquare = {10, 10, 20, 10, 20, 20, 10, 20};

// Seven-bit polyline encoding: 0 "_", 10 "s", -10 "t".
TEST(Polygon, HalftoneSquareThenThePenComesBack) {
  const DriverLink d = ResetDriver();
  ResetDrawingState();
  const int32_t headerEnd = OpenPlot(d);
  EXPECT_EQ(FillPolygonAt(d, 3, kSquare), 0);
  EXPECT_BYTES(WrittenSince(headerEnd),
               "SP3"
               "PE7<"
               "ss"
               ";PM0PE7"
               "s_"
               "_s"
               "t_"
               "_t"
               ";PM2FP");
  EXPECT_EQ(penState, kPenIdle);
  EXPECT_EQ(plotOpen, 1);
  EXPECT_EQ(hostX, 10) << "the outline ends where it began";
  EXPECT_EQ(hostY, 10);

  const int32_t mark = outputFill;
  MoveTo(d, 0, 0);
  MoveTo(d, 10, 0);
  EXPECT_BYTES(WrittenSince(mark), ";SP1PE7<tt<s_") << "the pen is selected again only once";
}

TEST(Polygon, SolidSquareFillsWithTheDefaultPen) {
  const DriverLink d = ResetDriver();
  ResetDrawingState();
  configRecord.plotFlags &= ~kPlotHalftoneFill;
  OpenPlot(d);
  MoveTo(d, 0, 0);
  const int32_t mark = outputFill;
  EXPECT_EQ(FillPolygon(d, 3, kSquare), 0);
  EXPECT_BYTES(WrittenSince(mark), ";SP7PE7<ss;PM0PE7s__st__t;PM2FPSP3");
}

TEST(Polygon, CountsAndAddressesWithNothingToDraw) {
  const DriverLink d = ResetDriver();
  ResetDrawingState();
  const int32_t headerEnd = OpenPlot(d);
  const int16_t counts[] = {1, 0, -1, -32768};
  for (int16_t count : counts) {
    Packet inside = MakePacket(33);
    WriteU16(inside.data(), 10, static_cast<uint16_t>(count));
    EXPECT_EQ(Graphics(d, inside), 33) << count;
    Packet at = MakePacket(54);
    WriteU16(at.data(), 6, static_cast<uint16_t>(count));
    WriteU32(at.data(), 8, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(kSquare.data())));
    EXPECT_EQ(Graphics(d, at), 54) << count;
  }
  Packet nowhere = MakePacket(54);
  WriteU16(nowhere.data(), 6, 4);
  EXPECT_EQ(Graphics(d, nowhere), 54) << "a null address is never read";
  EXPECT_EQ(outputFill, headerEnd);
  EXPECT_EQ(penReselectDue, 0);
  EXPECT_EQ(plotOpen, 0);

  driverErrorState = kErrorOutput;
  EXPECT_EQ(FillPolygon(d, 3, kSquare), 0) << "accepted and ignored";
  EXPECT_EQ(Graphics(d, nowhere), 0);
  EXPECT_EQ(outputFill, headerEnd);
  EXPECT_EQ(penReselectDue, 0);
}

TEST(Polygon, QdrsOutlineRecord) {
  const DriverLink d = ResetDriver();
  ResetDrawingState();
  configRecord.jobFlags |= kJobQdrsOutput;
  int32_t mark = OpenPlot(d, 0.5);
  shortCoordinates = 1;
  EXPECT_EQ(FillPolygonAt(d, 3, kSquare), 0);
  EXPECT_BYTES(WrittenSince(mark), Bytes({0x47, 0x01, 0x00, 0x03,                          //
                                          0xFF, 0x7C, 0x00, 0x08, 0x00, 0x05, 0x00, 0x05,  //
                                          0x00, 0x05, 0x00, 0x00,                          //
                                          0x00, 0x00, 0x00, 0x05,                          //
                                          0xFF, 0xFB, 0x00, 0x00}));
  EXPECT_EQ(hostX, 10) << "the record ends at the last vertex";
  EXPECT_EQ(hostY, 20);

  // Solid, 32-bit numbers: the fill pen first, the host's pen after.
  configRecord.plotFlags &= ~kPlotHalftoneFill;
  shortCoordinates = 0;
  defaultPen = 255;
  mark = outputFill;
  EXPECT_EQ(FillPolygon(d, 3, {0, 0, 20, 0, 20, 20}), 0);
  MoveTo(d, 0, 0);
  EXPECT_BYTES(WrittenSince(mark), Bytes({0x47, 0x01, 0x00, 0xFF,                          //
                                          0xFF, 0x83, 0x00, 0x0C,                          //
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
                                          0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00,  //
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A,  //
                                          0x47, 0x01, 0x00, 0x03,                          //
                                          0x41, 0x01, 0x00, 0x01}));
}

TEST(Polygon, QdrsWordCountIsSixteenBits) {
  const DriverLink d = ResetDriver();
  ResetDrawingState();
  configRecord.jobFlags |= kJobQdrsOutput;
  int32_t mark = OpenPlot(d);
  shortCoordinates = 0;
  std::vector<uint16_t> many(2 * 16400, 0);
  EXPECT_EQ(FillPolygonAt(d, 3, many), 0);
  std::string written = WrittenSince(mark);
  ASSERT_EQ(written.size(), 4u + 4u + 8u * 16400u);
  EXPECT_BYTES(written.substr(4, 4), Bytes({0xFF, 0x83, 0x00, 0x40}));  // 65600 in 16 bits

  shortCoordinates = 1;
  many.assign(2 * 32767, 0);
  mark = outputFill;
  EXPECT_EQ(FillPolygonAt(d, 3, many), 0);
  written = WrittenSince(mark);
  ASSERT_EQ(written.size(), 4u + 4u + 4u * 32767u);
  EXPECT_BYTES(written.substr(4, 4), Bytes({0xFF, 0x7C, 0xFF, 0xFE}));
}

TEST(Polygon, FailedWriteFailsTheRequest) {
  const DriverLink d = ResetDriver();
  ResetDrawingState();
  OpenPlot(d);
  // Fill the buffer so that the polygon's first item must flush it.
  const std::vector<uint8_t> filler(kOutputCapacity - outputFill - 2, 'x');
  ASSERT_EQ(OutWriteBytes(static_cast<int32_t>(filler.size()), filler.data()), 0);
  hostLog.failWriteAt = hostLog.writeCalls + 1;
  EXPECT_EQ(FillPolygonAt(d, 3, kSquare), 0xFFFF);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(penReselectDue, 0);
  EXPECT_EQ(plotOpen, 0);
}

}  // namespace

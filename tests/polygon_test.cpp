// Filled polygons: both fill styles in both languages, the pen brought back
// after a fill, and the vertex counts and addresses that the host hands over.
#include <gtest/gtest.h>

#include <vector>

#include "plot_fixture.h"

using namespace plot_fixture;

namespace {

const std::vector<uint16_t> kSquare = {10, 10, 20, 10, 20, 20, 10, 20};

// Seven-bit polyline numbers: 0 "_", 10 "s", -10 "t".
TEST(Polygon, HalftoneAndSolidSquaresAndThePenComingBack) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlot(d);
  EXPECT_EQ(FillPolygonAt(d, 3, kSquare), 0);
  EXPECT_EQ(plotOpen, 1) << "a plot of fills alone still goes out";
  MoveTo(d, 0, 0);  // the host's pen is selected again, once
  MoveTo(d, 10, 0);
  configRecord.plotFlags &= ~kPlotHalftoneFill;  // solid: the default pen fills
  EXPECT_EQ(FillPolygon(d, 3, kSquare), 0);
  EXPECT_BYTES(WrittenSince(mark),
               "SP3PE7<ss;PM0PE7s__st__t;PM2FP;SP7PE7<tt<s_"
               ";SP7PE7<_s;PM0PE7s__st__t;PM2FPSP3");
}

// The seven-bit expectations below in eight-bit numbers: "PE", and 0, 10 and
// -10 as single end digits.
std::string InEncoding(std::string sevenBit, bool eightBit) {
  if (!eightBit) return sevenBit;
  std::string out;
  for (size_t i = 0; i < sevenBit.size(); ++i) {
    const char c = sevenBit[i];
    if (sevenBit.compare(i, 3, "PE7") == 0) {
      out += "PE";
      i += 2;
    } else {
      out += c == '_' ? '\xBF' : c == 's' ? '\xD3' : c == 't' ? '\xD4' : c;
    }
  }
  return out;
}

// Lines go back to the host's pen before the first move or draw after a fill,
// whichever comes first: a draw straight after it selects the pen and opens
// its own polyline, and the move after that needs no second selection,
// whether the draw was the last point or a lift followed it.
TEST(Polygon, TheLinePenComesBackBeforeTheNextMoveOrDraw) {
  for (const bool eightBit : {false, true}) {
    SCOPED_TRACE(eightBit);
    const DriverLink d = ResetDriver();
    if (eightBit) configRecord.plotFlags |= kPlotEightBitEncoding;
    const int32_t mark = OpenPlot(d);
    SelectPen(d, 5);
    for (const bool lift : {false, true}) {
      FillPolygonAt(d, 3, kSquare);
      DrawTo(d, 20, 20);
      if (lift) LiftPen(d);
      MoveTo(d, 10, 10);
      DrawTo(d, 20, 10);
    }
    EXPECT_BYTES(WrittenSince(mark), InEncoding("SP7"
                                                "SP3PE7<ss;PM0PE7s__st__t;PM2FP"
                                                ";SP7PE7ss<tts_"
                                                ";SP3PE7<t_;PM0PE7s__st__t;PM2FP"
                                                ";SP7PE7ss<tts_",
                                                eightBit));
  }
  const DriverLink d = ResetDriver();
  configRecord.jobFlags |= kJobQdrsOutput;
  OpenPlot(d, 0.5);
  shortCoordinates = 1;
  FillPolygonAt(d, 3, kSquare);
  const int32_t afterFill = outputFill;
  DrawTo(d, 20, 20);
  DrawTo(d, 20, 10);
  EXPECT_BYTES(WrittenSince(afterFill), Record(0x41, {7}) + Bytes({0x64, 0x04}) +
                                            Words({5, 10, 5, 0}) + Bytes({0x64, 0x04}) +
                                            Words({10, 10, 0, -5}));
}

// The next plot's header selects the line pen itself: a fill that ended the
// last plot leaves no pen to select again.
TEST(Polygon, FillAtTheEndOfAPlotLeavesNothingForTheNext) {
  for (const bool qdrs : {false, true}) {
    SCOPED_TRACE(qdrs);
    const DriverLink d = ResetDriver();
    if (qdrs) configRecord.jobFlags |= kJobQdrsOutput;
    OpenPlot(d);
    SelectPen(d, 5);
    FillPolygonAt(d, 3, kSquare);
    EndPlot(d);
    const int32_t mark = OpenPlot(d);
    MoveTo(d, 10, 10);
    EXPECT_BYTES(WrittenSince(mark), qdrs ? "" : "PE7<ss");
  }
}

TEST(Polygon, CountsAddressesAndFailuresDrawNothing) {
  const DriverLink d = ResetDriver();
  const int32_t headerEnd = OpenPlot(d);
  for (int16_t count : {1, 0, -1, -32768}) {
    Packet inside = MakePacket(kGraphicsPolygonInline);
    WriteU16(inside.data(), kPolygonInline.count, static_cast<uint16_t>(count));
    EXPECT_EQ(Graphics(d, inside), kGraphicsPolygonInline) << count;
    Packet at = MakePacket(kGraphicsPolygonAt);
    WriteU16(at.data(), kPolygonAt.count, static_cast<uint16_t>(count));
    WriteAddress(at.data(), kPolygonAt.vertices, AddressOf(kSquare.data()));
    EXPECT_EQ(Graphics(d, at), kGraphicsPolygonAt) << count;
  }
  // The most vertices a packet can carry, in a packet of exactly their size:
  // every one is drawn, and nothing is read past the last.
  std::vector<uint8_t> most(kPolygonInline.vertices + kVertexSize * 32767);
  WriteU16(most.data(), kCodeAt, kGraphicsPolygonInline);
  WriteU16(most.data(), kPolygonInline.count, 32767);
  for (int32_t i = 0; i < 32767; ++i)
    WriteU16(most.data(), kPolygonInline.vertices + kVertexSize * i + kVertexX,
             static_cast<uint16_t>(i));
  d.graphics(most.data());
  EXPECT_EQ(ReadU16(most.data(), kStatusAt), kStatusOk);
  const std::string outline = WrittenSince(headerEnd);
  size_t steps = 0;
  for (size_t at = outline.find("a_"); at != std::string::npos; at = outline.find("a_", at + 2))
    ++steps;
  EXPECT_EQ(steps, 32766u) << "a step of +1 in x for each vertex after the first";
  EXPECT_EQ(outline.substr(outline.size() - 6), ";PM2FP");
  outputFill = headerEnd;
  penReselectDue = 0;

  Packet nowhere = MakePacket(kGraphicsPolygonAt);
  WriteU16(nowhere.data(), kPolygonAt.count, 4);
  EXPECT_EQ(Graphics(d, nowhere), kGraphicsPolygonAt) << "a null address is never read";
  EXPECT_EQ(outputFill, headerEnd);

  // The buffer is nearly full, so the polygon's first item must flush it.
  const std::vector<uint8_t> filler(kOutputCapacity - outputFill - 2, 'x');
  ASSERT_EQ(OutWriteBytes(static_cast<int32_t>(filler.size()), filler.data()), 0);
  hostLog.failWriteAt = hostLog.writeCalls + 1;
  EXPECT_EQ(FillPolygonAt(d, 3, kSquare), 0xFFFF);
  EXPECT_EQ(driverErrorState, kErrorOutput);
  const int32_t mark = outputFill;
  EXPECT_EQ(FillPolygon(d, 3, kSquare), 0) << "after a failure: accepted and ignored";
  EXPECT_EQ(outputFill, mark);
  EXPECT_EQ(penReselectDue, 0);
  EXPECT_EQ(plotOpen, 0);
}

TEST(Polygon, QdrsOutlineRecords) {
  const DriverLink d = ResetDriver();
  configRecord.jobFlags |= kJobQdrsOutput;
  int32_t mark = OpenPlot(d, 0.5);
  shortCoordinates = 1;
  EXPECT_EQ(FillPolygonAt(d, 3, kSquare), 0);
  EXPECT_BYTES(WrittenSince(mark),
               Record(0x47, {3}) + Bytes({0xFF, 0x7C}) + Words({8, 5, 5, 5, 0, 0, 5, -5, 0}));

  // The head counts its words in 16 bits: 16,383 vertices of 32-bit numbers
  // take 65,532 of them; one vertex more would wrap the count, so such a
  // polygon is refused whole, in either form, and the plot goes on.
  shortCoordinates = 0;
  mark = outputFill;
  EXPECT_EQ(FillPolygonAt(d, 3, std::vector<uint16_t>(2 * 16383, 0)), 0);
  const std::string written = WrittenSince(mark);
  ASSERT_EQ(written.size(), 8 + 8 * 16383u);
  EXPECT_BYTES(written.substr(4, 4), Bytes({0xFF, 0x83, 0xFF, 0xFC}));
  for (const int32_t form : {0, 1}) {
    shortCoordinates = form;
    mark = outputFill;
    hostLog.lines.clear();
    EXPECT_EQ(FillPolygonAt(d, 3, std::vector<uint16_t>(2 * 16384, 0)), 0xFFFF);
    EXPECT_EQ(outputFill, mark);
    ASSERT_EQ(hostLog.lines.size(), 1u);
    EXPECT_NE(hostLog.lines[0].find("16383"), std::string::npos);
    EXPECT_EQ(driverErrorState, 0);
  }
  shortCoordinates = 0;

  // Solid, 32-bit numbers: the fill pen first, the host's pen after.
  configRecord.plotFlags &= ~kPlotHalftoneFill;
  defaultPen = 255;
  mark = outputFill;
  EXPECT_EQ(FillPolygon(d, 3, {0, 0, 20, 0, 20, 20}), 0);
  MoveTo(d, 0, 0);
  EXPECT_BYTES(WrittenSince(mark), Record(0x47, {255}) + Bytes({0xFF, 0x83}) +
                                       Words({12, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 10}) +
                                       Record(0x47, {3}) + Record(0x41, {7}));
}

}  // namespace

// Pens, line types and widths in both languages, and the commands kept for the
// image emission to restore.
#include <gtest/gtest.h>

#include <cmath>

#include "plot_fixture.h"

using namespace plot_fixture;

namespace {

// A plot in the chosen language with a polyline open, so that the first
// setting must close it.
int32_t OpenPlotWithPolyline(const DriverLink& d, bool qdrs) {
  ResetDrawingState();
  if (qdrs) configRecord.jobFlags |= kJobQdrsOutput;
  OpenPlot(d);
  MoveTo(d, 1, 1);
  return outputFill;
}

TEST(Pens, EveryHostPenDrawsWithTheDefaultPen) {
  const DriverLink d = ResetDriver();
  int32_t mark = OpenPlotWithPolyline(d, false);
  EXPECT_EQ(SelectPen(d, 3), 5) << "a selection leaves its code";
  EXPECT_BYTES(WrittenSince(mark), ";SP7");
  EXPECT_EQ(currentPen, 7);
  EXPECT_EQ(penState, kPenIdle);
  EXPECT_EQ(Kept(lastPenCommand), "SP7");
  mark = outputFill;
  SelectPen(d, 200);
  EXPECT_BYTES(WrittenSince(mark), "SP7") << "no polyline is open any more";
}

TEST(Pens, RedPenPrintsRedWhereTheModelCan) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlotWithPolyline(d, false);
  const uint16_t shipped = driverDescriptor.models[0].hasRedPrinting;
  driverDescriptor.models[0].hasRedPrinting = 1;
  configRecord.redPen = 5;
  SelectPen(d, 5);  // red printing not chosen
  configRecord.jobFlags |= kJobRedPrinting;
  SelectPen(d, 5);
  SelectPen(d, 4);
  driverDescriptor.models[0].hasRedPrinting = shipped;
  SelectPen(d, 5);  // a model without red printing ignores the choice
  EXPECT_BYTES(WrittenSince(mark), ";SP7SP5SP7SP7");
}

TEST(Pens, QdrsSelectsLinePenAndTheHostsAreaPen) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlotWithPolyline(d, true);
  defaultPen = 255;
  SelectPen(d, 3);
  EXPECT_BYTES(WrittenSince(mark), Bytes({0x41, 0x01, 0x00, 0xFF, 0x47, 0x01, 0x00, 0x03}));
  EXPECT_EQ(currentPen, 255);
  EXPECT_EQ(penState, kPenIdle);
  EXPECT_BYTES(Kept(lastPenCommand), Bytes({0x41, 0x01, 0x00, 0xFF}));
  EXPECT_BYTES(Kept(lastAreaPenCommand), Bytes({0x47, 0x01, 0x00, 0x03}));
}

TEST(Pens, LineTypesOutsideTheAnnouncedRangeDrawSolid) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlotWithPolyline(d, false);
  EXPECT_EQ(SetLineTypeCount(d, 8), 36);
  EXPECT_EQ(lineTypeCount, 8);
  SelectLineType(d, 3);
  EXPECT_EQ(Kept(lastLineTypeCommand), "LT-3,2.0");
  SelectLineType(d, 1);
  SelectLineType(d, 0);
  SelectLineType(d, 9);
  EXPECT_EQ(Kept(lastLineTypeCommand), "LT");
  // A host that announces more types than have patterns still gets solid
  // lines for them, never a pattern length from beyond the table.
  SetLineTypeCount(d, -1);
  SelectLineType(d, 8);
  SelectLineType(d, 9);
  SelectLineType(d, 0xFFFF);
  Packet model = MakePacket(43);
  WriteU8(model.data(), 8, 3);
  EXPECT_EQ(Graphics(d, model), 43);
  EXPECT_EQ(lineTypeCount, 3);
  SelectLineType(d, 4);
  EXPECT_BYTES(WrittenSince(mark), ";LT-3,2.0LT-1,1.0LTLTLT-8,2.0LTLTLT");
}

TEST(Pens, QdrsLineTypes) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlotWithPolyline(d, true);
  SetLineTypeCount(d, 8);
  SelectLineType(d, 3);
  SelectLineType(d, 0);
  SelectLineType(d, 9);
  EXPECT_BYTES(WrittenSince(mark),
               Bytes({0x43, 0x01, 0x00, 0x03, 0x43, 0x01, 0x00, 0x00, 0x43, 0x01, 0x00, 0x00}));
  EXPECT_BYTES(Kept(lastLineTypeCommand), Bytes({0x43, 0x01, 0x00, 0x00}));
}

TEST(Pens, WidthsClampToTheWidestPen) {
  struct Case {
    double inches;
    const char* hpgl;
    uint8_t qdrsHigh, qdrsLow;
  };
  const Case cases[] = {
      {0.5, "PW12.700", 0x00, 0xC8},    {20.0, "PW297.000", 0x01, 0xFF},
      {0.0, "PW0.000", 0x00, 0x01},     {-1.0, "PW297.000", 0x01, 0xFF},
      {0.01378, "PW0.350", 0x00, 0x05}, {0.001, "PW0.025", 0x00, 0x01},
      {1.2, "PW30.480", 0x01, 0xE0},    {std::nan(""), "PW297.000", 0x01, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inches);
    DriverLink d = ResetDriver();
    int32_t mark = OpenPlotWithPolyline(d, false);
    EXPECT_EQ(SetPenWidth(d, c.inches), 0);
    EXPECT_BYTES(WrittenSince(mark), std::string(";") + c.hpgl);
    EXPECT_EQ(Kept(lastWidthCommand), c.hpgl);

    d = ResetDriver();
    mark = OpenPlotWithPolyline(d, true);
    EXPECT_EQ(SetPenWidth(d, c.inches), 0);
    const std::string record = Bytes({0x40, 0x01, c.qdrsHigh, c.qdrsLow});
    EXPECT_BYTES(WrittenSince(mark), record);
    EXPECT_BYTES(Kept(lastWidthCommand), record);
  }
}

}  // namespace

// Pens, line types and widths in both languages, and the commands kept for the
// image emission to restore.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "plot_fixture.h"

using namespace plot_fixture;

namespace {

// A plot with a polyline open, so that the first setting must close it.
int32_t OpenPlotWithPolyline(const DriverLink& d, bool qdrs) {
  if (qdrs) configRecord.jobFlags |= kJobQdrsOutput;
  OpenPlot(d);
  MoveTo(d, 1, 1);
  return outputFill;
}

TEST(Pens, EveryHostPenDrawsWithTheDefaultPenButTheRedOne) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlotWithPolyline(d, false);
  EXPECT_EQ(SelectPen(d, 3), 5) << "a selection leaves its code";
  EXPECT_EQ(Kept(lastPenCommand), "SP7");
  driverDescriptor.models[0].hasRedPrinting = 1;
  configRecord.redPen = 5;
  SelectPen(d, 5);  // red printing not chosen
  configRecord.jobFlags |= kJobRedPrinting;
  SelectPen(d, 5);
  SelectPen(d, 4);
  driverDescriptor.models[0].hasRedPrinting = 0;  // as shipped
  SelectPen(d, 5);
  EXPECT_BYTES(WrittenSince(mark), ";SP7SP7SP5SP7SP7");
}

TEST(Pens, LineTypesOutsideTheAnnouncedRangeDrawSolid) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlotWithPolyline(d, false);
  EXPECT_EQ(SetLineTypeCount(d, 8), kGraphicsLineTypeCount);
  for (uint16_t type : {3, 1, 0, 9}) SelectLineType(d, type);
  EXPECT_EQ(Kept(lastLineTypeCommand), "LT");
  // A host that announces more types than have patterns still gets solid
  // lines for them, never a pattern length from beyond the table.
  SetLineTypeCount(d, -1);
  for (uint16_t type : {8, 9, 0xFFFF}) SelectLineType(d, type);
  Packet model = MakePacket(kGraphicsModelLineTypes);
  WriteU8(model.data(), kModelLineTypes.lineTypes, 3);
  EXPECT_EQ(Graphics(d, model), kGraphicsModelLineTypes);
  SelectLineType(d, 4);
  EXPECT_BYTES(WrittenSince(mark), ";LT-3,2.0LT-1,1.0LTLTLT-8,2.0LTLTLT");
}

// QDRS selects the line pen, and the host's own pen for fills.
TEST(Pens, QdrsPenAndLineTypeRecords) {
  const DriverLink d = ResetDriver();
  const int32_t mark = OpenPlotWithPolyline(d, true);
  defaultPen = 255;
  SelectPen(d, 3);
  EXPECT_BYTES(Kept(lastPenCommand) + Kept(lastAreaPenCommand), WrittenSince(mark));
  for (uint16_t type : {3, 0, 9}) SelectLineType(d, type);
  EXPECT_BYTES(WrittenSince(mark), Record(0x41, {255}) + Record(0x47, {3}) + Record(0x43, {3}) +
                                       Record(0x43, {0}) + Record(0x43, {0}));
  EXPECT_BYTES(Kept(lastLineTypeCommand), Record(0x43, {0}));
}

TEST(Pens, WidthsClampToTheWidestPen) {
  using Case = std::tuple<double, const char*, int32_t>;  // inches, HP-GL/2, QDRS
  for (const auto& [inches, hpgl, units] :
       {Case{0.5, "PW12.700", 200}, Case{20.0, "PW297.000", 511}, Case{0.0, "PW0.000", 1},
        Case{-1.0, "PW297.000", 511}, Case{1.2, "PW30.480", 480},
        Case{std::nan(""), "PW297.000", 511}}) {
    for (bool qdrs : {false, true}) {
      SCOPED_TRACE(std::to_string(inches) + (qdrs ? " QDRS" : " HP-GL/2"));
      const DriverLink d = ResetDriver();
      const int32_t mark = OpenPlotWithPolyline(d, qdrs);
      EXPECT_EQ(SetPenWidth(d, inches), 0);
      const std::string want = qdrs ? Record(0x40, {units}) : hpgl;
      EXPECT_BYTES(WrittenSince(mark), (qdrs ? "" : ";") + want);
      EXPECT_BYTES(Kept(lastWidthCommand), want);
    }
  }
}

}  // namespace

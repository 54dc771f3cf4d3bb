// The usable sheet, the size factor and the units.
#include <gtest/gtest.h>

#include "driver_fixture.h"

namespace {

TEST(Geometry, DefaultSheetAndMargin) {
  ResetDriver();
  PlotArea a = WorkOutPlotArea();
  EXPECT_EQ(a.length, 48.0);
  EXPECT_EQ(a.width, 36.0);
  EXPECT_EQ(sizeFactor, 1);
  EXPECT_EQ(unitScale, 1.0);
  EXPECT_EQ(UnitsPerInchFor(sizeFactor), 1016.0);
  EXPECT_TRUE(configRecord.jobFlags & kJobLongSheet);
  EXPECT_EQ(widthAtLeastLength, 0);

  // The margin comes off once for each side; subtracting 2m instead would give
  // 47968 whole plotter units rather than 47967.
  configRecord.margin = 10;
  a = WorkOutPlotArea();
  EXPECT_EQ(marginInches[3], 0.39370078740157477);
  EXPECT_EQ(static_cast<int32_t>(1016.0 * a.length), 47967);
  EXPECT_EQ(static_cast<int32_t>(1016.0 * a.width), 35775);

  configRecord.jobFlags |= kJobQdrsOutput;
  WorkOutPlotArea();
  EXPECT_EQ(unitScale, 0.5);
  EXPECT_EQ(UnitsPerInchFor(sizeFactor), 800.0);
}

TEST(Geometry, CustomLengthsStayInTheTable) {
  ResetDriver();
  configRecord.paperSize = 24;
  configRecord.customLength = 500;
  PlotArea a = WorkOutPlotArea();
  EXPECT_EQ(a.length, 30.0);
  EXPECT_EQ(a.width, 19.68503937007874);
  EXPECT_FALSE(configRecord.jobFlags & kJobLongSheet);
  EXPECT_EQ(widthAtLeastLength, 1);

  configRecord.customLength = 3000;
  WorkOutPlotArea();
  EXPECT_EQ(sizeFactor, 2);
  EXPECT_EQ(UnitsPerInchFor(sizeFactor), 508.0);

  configRecord.customLength = 1000;
  WorkOutPlotArea();
  configRecord.paperSize = 3;
  WorkOutPlotArea();
  EXPECT_EQ(PaperAt(0, 24).sheetLength, 39.37007874015748);

  // 1 mm under 10 mm margins leaves nothing rather than less than nothing.
  configRecord.paperSize = 24;
  configRecord.customLength = 1;
  configRecord.margin = 10;
  a = WorkOutPlotArea();
  EXPECT_EQ(a.width, 0.0);
  EXPECT_GT(a.length, 0.0);
}

TEST(Geometry, SizeFactorLimits) {
  ResetDriver();
  EXPECT_EQ(SizeFactorFor(64.5, 64.5), 1);
  EXPECT_EQ(SizeFactorFor(64.51, 10), 2);
  EXPECT_EQ(SizeFactorFor(258.01, 1), 8);
  EXPECT_EQ(SizeFactorFor(1000, 1), 16);
  configRecord.jobFlags |= kJobQdrsOutput;
  EXPECT_EQ(SizeFactorFor(81.915, 81.915), 1);
  EXPECT_EQ(SizeFactorFor(400, 10), 8);
  EXPECT_EQ(IsSmallSheet(40.9574, 40.9574), 1);
  EXPECT_EQ(IsSmallSheet(40.9575, 1), 0);
}

}  // namespace

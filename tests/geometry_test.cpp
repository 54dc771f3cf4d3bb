// The usable sheet, the size factor and the units.
#include <gtest/gtest.h>

#include "driver_fixture.h"

namespace {

TEST(Geometry, DefaultSheet) {
  ResetDriver();
  const PlotArea a = WorkOutPlotArea();
  EXPECT_EQ(a.length, 48.0);
  EXPECT_EQ(a.width, 36.0);
  EXPECT_EQ(sizeFactor, 1);
  EXPECT_EQ(unitScale, 1.0);
  EXPECT_EQ(UnitsPerInchFor(sizeFactor), 1016.0);
  EXPECT_TRUE(configRecord.jobFlags & kJobLongSheet);
  EXPECT_EQ(widthAtLeastLength, 0);
  for (double m : marginInches) EXPECT_EQ(m, 0.0);
}

TEST(Geometry, MarginComesOffOnceForEachSide) {
  ResetDriver();
  configRecord.margin = 10;
  const PlotArea a = WorkOutPlotArea();
  const double m = 0.39370078740157477;
  EXPECT_EQ(marginInches[0], m);
  EXPECT_EQ(a.length, (48.0 - m) - m);
  EXPECT_EQ(a.width, (36.0 - m) - m);
  // The difference shows in whole plotter units: 47967, not 47968.
  EXPECT_EQ(static_cast<int32_t>(1016.0 * a.length * 1.0), 47967);
  EXPECT_EQ(static_cast<int32_t>(1016.0 * a.width * 1.0), 35775);
}

TEST(Geometry, QdrsUnits) {
  ResetDriver();
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
  EXPECT_EQ(a.width, 500 * 0.03937007874015748);
  EXPECT_FALSE(configRecord.jobFlags & kJobLongSheet);
  EXPECT_EQ(widthAtLeastLength, 1);

  configRecord.customLength = 3000;
  a = WorkOutPlotArea();
  EXPECT_EQ(sizeFactor, 2);
  EXPECT_EQ(UnitsPerInchFor(sizeFactor), 508.0);

  configRecord.customLength = 1000;
  WorkOutPlotArea();
  configRecord.paperSize = 3;
  WorkOutPlotArea();
  EXPECT_EQ(PaperAt(0, 24).sheetLength, 39.37007874015748)
      << "a later plot on another size leaves the custom length in place";
}

TEST(Geometry, SizeFactorLimits) {
  ResetDriver();
  EXPECT_EQ(SizeFactorFor(64.5, 64.5), 1);
  EXPECT_EQ(SizeFactorFor(64.51, 10), 2);
  EXPECT_EQ(SizeFactorFor(129.0, 1), 2);
  EXPECT_EQ(SizeFactorFor(258.01, 1), 8);
  EXPECT_EQ(SizeFactorFor(1000, 1), 16);
  configRecord.jobFlags |= kJobQdrsOutput;
  EXPECT_EQ(SizeFactorFor(81.915, 81.915), 1);
  EXPECT_EQ(SizeFactorFor(400, 10), 8);
  EXPECT_EQ(IsSmallSheet(40.9574, 40.9574), 1);
  EXPECT_EQ(IsSmallSheet(40.9575, 1), 0);
}

TEST(Geometry, TinySheetUnderWideMarginsEndsAtZero) {
  ResetDriver();
  configRecord.paperSize = 24;
  configRecord.customLength = 1;
  configRecord.margin = 10;
  const PlotArea a = WorkOutPlotArea();
  EXPECT_EQ(a.width, 0.0);
  EXPECT_GT(a.length, 0.0);
  EXPECT_EQ(sizeFactor, 1);
}

}  // namespace

#include "config/geometry.h"

#include <array>
#include <cmath>
#include <span>

#include "config/record.h"
#include "config/tables.h"

double marginInches[4] = {0, 0, 0, 0};
double usableLength = 0;
double usableWidth = 0;
uint8_t widthAtLeastLength = 0;
int32_t sizeFactor = 1;
double unitScale = 0.5;
double unitsPerInch[2] = {0, 0};

namespace {

struct FactorLimit {
  int32_t factor;
  double inches;  // both dimensions at most this for the factor to do
};

// Each limit keeps a dimension at or below 65,532 units of its factor.
constexpr std::array<FactorLimit, 4> kHpglFactorLimits = {{
    {1, 64.5},
    {2, 129.0},
    {4, 258.0},
    {8, 516.0},
}};
constexpr std::array<FactorLimit, 3> kQdrsFactorLimits = {{
    {1, 81.915},
    {2, 163.83},
    {4, 327.66},
}};

// The units each output language draws in. A host unit is 1/1016 inch at
// factor 1 in HP-GL/2, one output unit; in QDRS it is 1/800 inch, half an
// output unit of 1/400 inch.
struct LanguageUnits {
  std::span<const FactorLimit> factorLimits;
  int32_t largestFactor;  // when no limit holds the sheet
  double hostUnitsPerInch;
  double outputUnitsPerHostUnit;
};
constexpr LanguageUnits kHpglUnits = {kHpglFactorLimits, 16, 1016.0, 1.0};
constexpr LanguageUnits kQdrsUnits = {kQdrsFactorLimits, 8, 800.0, 0.5};

// The host draws in the units of the language the record asks for; the plot
// set-up and the drawing set-up work them out before a plot begins.
const LanguageUnits& RecordUnits() {
  return QdrsOutput() ? kQdrsUnits : kHpglUnits;
}

constexpr double kSmallSheetInches = 40.9575;

// A custom length of 1 mm under a 10 mm margin leaves less than nothing; the
// usable area then ends at zero instead of going negative.
double NotNegative(double inches) {
  return inches > 0 ? inches : 0;
}

}  // namespace

int32_t SizeFactorFor(double a, double b) {
  const LanguageUnits& units = RecordUnits();
  for (const FactorLimit& limit : units.factorLimits)
    if (a <= limit.inches && b <= limit.inches) return limit.factor;
  return units.largestFactor;
}

double UnitsPerInchFor(int32_t factor) {
  return RecordUnits().hostUnitsPerInch / factor;
}

int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}

int32_t IsSmallSheet(double a, double b) {
  return a < kSmallSheetInches && b < kSmallSheetInches ? 1 : 0;
}

PlotArea WorkOutPlotArea() {
  const double m = configRecord.margin * kInchesPerMillimetre;
  for (double& side : marginInches) side = m;

  PaperEntry& paper = PaperAt(currentModel, configRecord.paperSize);
  if (Has(paper.allowsCustomLength))
    paper.sheetLength = configRecord.customLength * kInchesPerMillimetre;

  // The margin comes off once for each side, one subtraction after the other.
  PlotArea area;
  if (paper.sheetWidth < paper.sheetLength) {
    configRecord.jobFlags |= kJobLongSheet;
    area = {(paper.sheetLength - m) - m, (paper.sheetWidth - m) - m};
    widthAtLeastLength = 0;
  } else {
    configRecord.jobFlags &= static_cast<uint16_t>(~kJobLongSheet);
    area = {(paper.sheetWidth - m) - m, (paper.sheetLength - m) - m};
    widthAtLeastLength = 1;
  }
  area.length = NotNegative(area.length);
  area.width = NotNegative(area.width);

  sizeFactor = SizeFactorFor(area.length, area.width);
  unitScale = sizeFactor * RecordUnits().outputUnitsPerHostUnit;
  return area;
}

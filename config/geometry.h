#pragma once
// The plotted sheet, its margins and the units in which coordinates travel.
// The host draws in units that the driver chooses: fine enough for accuracy,
// coarse enough that the whole sheet fits the host's 16-bit coordinates.
#include <cstdint>

extern double marginInches[4];
extern double usableLength;  // the larger usable dimension, inches
extern double usableWidth;   // the smaller one
extern uint8_t widthAtLeastLength;
extern int32_t sizeFactor;      // output units per host unit in HP-GL/2: 1, 2, 4, 8 or 16
extern double unitScale;        // output units per host unit in the current language
extern double unitsPerInch[2];  // host units per inch, along the length and the width

struct PlotArea {
  double length;
  double width;
};

// Margins, orientation and usable area of the current record and model; sets
// sizeFactor and unitScale. The callers decide what else to take from it.
PlotArea WorkOutPlotArea();
int32_t SizeFactorFor(double a, double b);
double UnitsPerInchFor(int32_t factor);
// 1 when both dimensions fit 16-bit QDRS coordinates (32,766 units of 1/800 inch).
int32_t IsSmallSheet(double a, double b);

// The one way a floating value worked out from what the host supplies (units
// per inch, plot sizes, points, image places, widths, tone levels) becomes a
// 32-bit integer: truncated toward zero, NaN as 0, and a value beyond the range
// as its nearest limit, so no host value can make the conversion undefined.
int32_t TruncateToInt32(double value);

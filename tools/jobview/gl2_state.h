#pragma once
// The HP-GL/2 interpreter behind the "RTL/GL2" reader: the plotter's frame
// (sheet, scaling, rotation), its pens and line attributes, the pen position
// and the stroke or polygon being built.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/jobview/picture.h"

struct Gl2State {
  JobPicture* picture = nullptr;
  // Frame: plotter units of 1/1016 inch on a sheet of psLong x psShort units.
  double psLong = 0, psShort = 0;
  bool sheetKnown = false;
  int32_t rotation = 0;
  JobPoint p1, p2;  // scaling points, plotter units
  bool scaled = false;
  double xMin = 0, xMax = 1, yMin = 0, yMax = 1;  // user units at p1, p2
  // Pens.
  std::vector<JobColour> palette;
  std::vector<double> widthsMm;
  double rangeLow[3] = {0, 0, 0}, rangeHigh[3] = {255, 255, 255};
  int32_t pen = 0;
  LineCap cap = LineCap::Butt;
  LineJoin join = LineJoin::Miter;
  int32_t lineType = 0;  // 0 solid
  double patternLength = 4;
  bool patternInMm = false;
  bool transparent = true;
  // The input window, inches on the sheet: vectors outside it do not print.
  bool windowed = false;
  JobPoint windowLow, windowHigh;
  // Position in user units, pen up or down, absolute or relative.
  JobPoint at;
  bool penDown = false;
  bool relative = false;
  // The stroke being drawn, inches on the sheet.
  std::vector<JobPoint> stroke;
  // Polygon mode: outlines gathered until the polygon is filled.
  bool polygonMode = false;
  std::vector<JobPoint> polygon;
  std::vector<uint32_t> outlines;
};

void ResetGl2(Gl2State& s, JobPicture& picture);
// Runs one instruction with its numeric parameters; -1 when it is not one the
// preview knows (the caller reports it).
int32_t RunInstruction(Gl2State& s, const char* name, const std::vector<double>& params);
// PE: its flags and encoded numbers from `at` up to the terminating ";".
int32_t ReadPolylineEncoded(Gl2State& s, const uint8_t* job, size_t size, size_t& at);
// Ends the stroke in progress, adding it to the picture.
void FlushStroke(Gl2State& s);
JobPoint PenOnSheet(const Gl2State& s);
// The raster's axes on the sheet for dots of `dot` inches: rows run along the
// sheet's length, dots across it.
void RasterAxes(const Gl2State& s, double dot, JobPoint& pixelStep, JobPoint& rowStep);
// Ends the job: open strokes are kept, the sheet is settled.
void FinishGl2(Gl2State& s);

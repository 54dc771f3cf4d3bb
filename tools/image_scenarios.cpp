// A plot that mixes vector lines with raster images, for the command-line host
// and the cross-build comparison. No strip fails here: under wine a failed
// strip would open a real message box and wait for it.
#include "tools/image_host.h"

void PlotImages(const DriverLink& d) {
  ResetImageHost();
  BeginPlot(d);
  SelectPen(d, 3);
  MoveTo(d, 500, 500);
  DrawTo(d, 8000, 500);
  DrawTo(d, 8000, 6000);
  HostImage colour;
  colour.x1 = 2000;
  colour.y1 = 2000;
  colour.x2 = 4000;
  colour.y2 = 3500;
  colour.type = 2;
  colour.w = 300;
  colour.h = 200;
  SendImage(d, colour);
  HostImage twoLevel;
  twoLevel.x1 = 5000;
  twoLevel.y1 = 1000;
  twoLevel.x2 = 5800;
  twoLevel.y2 = 1600;
  twoLevel.w = 64;
  twoLevel.h = 48;
  twoLevel.transparent = 1;
  twoLevel.colourIndex = 5;
  SendImage(d, twoLevel);
  SetPenWidth(d, 0.02);
  DrawTo(d, 500, 6000);
  DrawTo(d, 500, 500);
  EndPlot(d);
}

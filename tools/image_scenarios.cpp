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
  SendImage(d, {.x1 = 2000, .y1 = 2000, .x2 = 4000, .y2 = 3500, .type = 2, .w = 300, .h = 200});
  SendImage(d, {.x1 = 5000,
                .y1 = 1000,
                .x2 = 5800,
                .y2 = 1600,
                .w = 64,
                .h = 48,
                .transparent = 1,
                .colourIndex = 5});
  SetPenWidth(d, 0.02);
  DrawTo(d, 500, 6000);
  DrawTo(d, 500, 500);
  EndPlot(d);
}

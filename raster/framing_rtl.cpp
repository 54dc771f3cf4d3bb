// Images in HP RTL, between the HP-GL/2 instructions of the plot: the place
// set with HP-GL/2, the raster entered and left with its escapes, each band
// one MMR-coded raster.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "config/geometry.h"
#include "output/hpgl.h"
#include "raster/canvas.h"
#include "raster/framing.h"

namespace {

// HP RTL draws at every resolution the record offers.
int32_t DrawnResolution(int32_t dpi) {
  return dpi;
}

// The dots that the place's size holds at dpi, taking a drawing unit as
// 0.025 mm.
double PlaceDots(int32_t pixels, int32_t from, int32_t to, double dpi) {
  const double target = static_cast<double>(to - from) * 0.0025;
  const double natural = pixels / dpi * 2.54;
  return std::trunc(pixels * (target / natural));
}

// Transparency, the pen at the raster's corner, and the input window over the
// place, x and y exchanged unless the strips are columns.
void WriteOpening(const ImageOpening& at) {
  const int32_t transparent = at.transparent ? 1 : 0;
  // The ";" also ends a polyline that moves alone have opened.
  if (at.polylineOpen) {
    RasterWriteText(";TR%d;", transparent);
  } else {
    RasterWriteText("TR%d;", transparent);
  }
  const int32_t k = at.scale;
  const int32_t cornerX = (at.turned ? at.x1 : at.x2) * k;
  RasterWriteText("PU%d,%d", cornerX, at.y1 * k);
  RasterWriteText("PA%d,%d", cornerX, at.y1 * k);
  if (at.turned) {
    RasterWriteText("IW%d,%d,%d,%d", at.x1 * k, at.y1 * k, at.x2 * k, at.y2 * k);
  } else {
    RasterWriteText("IW%d,%d,%d,%d", at.y1 * k, at.x1 * k, at.y2 * k, at.x2 * k);
  }
}

void WriteStart() {
  RasterWriteText("%s", kEnterRtl);
  RasterWriteText("%s", kRtlNegativeMotion);
  RasterWriteText(kRtlResolutionFormat, rasterDpi);
}

// The raster-end bytes, after the last band and between two bands.
void WriteEnd() {
  RasterWriteText("%s", kRtlEndRaster);
  RasterWriteText("%s", kEnterHpgl2);
}

// The escape's ESC as a write of its own, then the rest, as the device has
// always been sent these two.
void WriteEscapeApart(const char* escape) {
  RasterWrite(1, escape);
  RasterWriteText("%s", escape + 1);
}

// The coded rows follow the row width as a big-endian 32-bit number.
void WriteBand(int32_t rows, const uint8_t* data, int32_t n) {
  RasterWriteText(kRtlSourceWidthFormat, raster.rowBits);
  RasterWriteText(kRtlSourceHeightFormat, rows);
  RasterWriteText("%s", kRtlStartRaster);
  WriteEscapeApart(kRtlMmrCompression);
  char length[24];
  std::snprintf(length, sizeof length, kRtlDataLengthFormat, n + 4);
  WriteEscapeApart(length);
  const uint32_t w = static_cast<uint32_t>(raster.rowBits);
  const uint8_t width[4] = {static_cast<uint8_t>(w >> 24), static_cast<uint8_t>(w >> 16),
                            static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)};
  RasterWrite(4, width);
  RasterWrite(n, data);
}

// The next raster starts where the rows end, in plotter units of 1/1016 inch.
void WriteBandBreak(int32_t rows) {
  WriteEnd();
  const int32_t distance = TruncateToInt32(static_cast<double>(rows) / rasterDpi * 1016);
  if (raster.turned != 0) {
    RasterWriteText("PR%d,0", distance);
  } else {
    RasterWriteText("PR0,%d", distance);
  }
  WriteStart();
}

}  // namespace

const RasterFraming kRtlFraming = {
    .drawnResolution = DrawnResolution,
    .placeDots = PlaceDots,
    .skipsFirstStripAt600 = true,
    .writeOpening = WriteOpening,
    .writeStart = WriteStart,
    .writeBand = WriteBand,
    .writeBandBreak = WriteBandBreak,
    .writeEnd = WriteEnd,
};

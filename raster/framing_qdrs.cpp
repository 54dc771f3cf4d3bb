// Images in QDRS: an image part of the job, and each band an image record
// placed at its origin and drawn at the device's 400-dpi size, its MMR bytes
// in an image data record.
#include <cstdint>

#include "output/qdrs.h"
#include "raster/canvas.h"
#include "raster/framing.h"

namespace {

// One white row of 32 pixels, MMR-coded: a V0 code, EOFB and zero padding.
constexpr uint8_t kWhiteRow[] = {0x80, 0x08, 0x00, 0x80};

// The binary language draws at 400 or 200 dpi only.
int32_t DrawnResolution(int32_t dpi) {
  return dpi == 400 || dpi == 200 ? dpi : 400;
}

// A drawing unit is 1/800 inch before the enlargement: the place is halved or
// quartered into canvas pixels at the resolution the image is drawn at.
double PlaceDots(int32_t, int32_t from, int32_t to, double dpi) {
  return (to - from) / (dpi == 200 ? 4 : 2);
}

void WriteOpening(const ImageOpening& at) {
  QdrsWriteJobPart(RasterWrite, at.transparent ? kQdrsPartTransparent : kQdrsPartOpaque);
}

void WriteStart() {
  QdrsWriteRasterResolution(RasterWrite, rasterDpi);
}

// Canvas pixels in the device's 400-dpi units: two each at 200 dpi.
int32_t DrawnSize(int32_t pixels) {
  return static_cast<int32_t>(int64_t{pixels} * 400 / (rasterDpi > 0 ? rasterDpi : 400));
}

// The raster-end bytes: after the last band, between two bands and after the
// white box.
void EndRaster() {
  QdrsWriteRasterMode(RasterWrite, kQdrsRasterEnds);
}

// Before an opaque band: a white image stretched over the area the band is
// drawn on, its canvas width by `rows`, then a transparent part for the band.
void WriteBackgroundBox(int32_t rows) {
  QdrsWriteImagePlacement(RasterWrite, {raster.originX, raster.originY, 32, 1,
                                        DrawnSize(raster.canvasWidth), DrawnSize(rows)});
  QdrsWriteRasterMode(RasterWrite, kQdrsRasterData);
  QdrsWriteImageData(RasterWrite, kWhiteRow, sizeof kWhiteRow);
  EndRaster();
  QdrsWriteJobPart(RasterWrite, kQdrsPartTransparent);
  WriteStart();
}

void WriteBand(int32_t rows, const uint8_t* data, int32_t n) {
  if (raster.transparent == 0) WriteBackgroundBox(rows);
  QdrsWriteImagePlacement(RasterWrite, {raster.originX, raster.originY, raster.rowBits, rows,
                                        DrawnSize(raster.rowBits), DrawnSize(rows)});
  QdrsWriteRasterMode(RasterWrite, kQdrsRasterData);
  QdrsWriteImageData(RasterWrite, data, n);
}

// The next band is placed as far on as the device draws these rows.
void WriteBandBreak(int32_t rows) {
  EndRaster();
  if (raster.turned != 0) {
    raster.originX += DrawnSize(rows);
  } else {
    raster.originY += DrawnSize(rows);
  }
  WriteStart();
}

// The raster ends, and the resolution goes back to 400 dpi.
void WriteEnd() {
  EndRaster();
  QdrsWriteRasterResolution(RasterWrite, 400);
}

}  // namespace

const RasterFraming kQdrsFraming = {
    .drawnResolution = DrawnResolution,
    .placeDots = PlaceDots,
    .skipsFirstStripAt600 = false,
    .writeOpening = WriteOpening,
    .writeStart = WriteStart,
    .writeBand = WriteBand,
    .writeBandBreak = WriteBandBreak,
    .writeEnd = WriteEnd,
};

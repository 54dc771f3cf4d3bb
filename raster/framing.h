#pragma once
// How an image is framed in the plot's output language: HP RTL between
// HP-GL/2 instructions (raster/framing_rtl.cpp) or QDRS image records
// (raster/framing_qdrs.cpp). The plot's language hands its framing to the
// image emission; the planning, the canvas and the band writer ask it, never
// which language they write. Everything a framing writes goes straight to the
// host.
#include <cstdint>

// What the opening of an image places.
struct ImageOpening {
  int32_t x1, y1, x2, y2;  // the image's place, drawing units
  int32_t scale;           // drawing units to output units
  bool turned;             // strips are columns
  bool transparent;
  bool polylineOpen;  // HP-GL/2: a plot or polyline is open and must end first
};

struct RasterFraming {
  // The resolution an image is drawn at, given the one the record asks for
  // (kept in rasterDpi by the caller).
  int32_t (*drawnResolution)(int32_t dpi);
  // The device dots along one side of the image: `pixels` pixels placed from
  // `from` to `to` drawing units, at dpi.
  double (*placeDots)(int32_t pixels, int32_t from, int32_t to, double dpi);
  // At the 600-dpi code the first strip is not fetched.
  bool skipsFirstStripAt600;
  void (*writeOpening)(const ImageOpening& at);
  // The raster's start, one band of n coded bytes, the break between two bands
  // `rows` canvas rows apart, and the raster's end.
  void (*writeStart)();
  void (*writeBand)(int32_t rows, const uint8_t* data, int32_t n);
  void (*writeBandBreak)(int32_t rows);
  void (*writeEnd)();
};

extern const RasterFraming kRtlFraming;
extern const RasterFraming kQdrsFraming;

#pragma once
// The host's side of raster images: the two strip entry points that request 52
// hands to the driver, serving either a real image resampled to the strips the
// driver asks for or a synthetic one computed from each strip's position, and
// a record of every strip request the driver made.
#include <array>
#include <cstdint>
#include <vector>

#include "tools/host/host_kernel.h"
#include "tools/host/raster_pixels.h"

using StripRequestCopy = std::array<uint8_t, kStripRequest.size>;

// What the strip entry points do besides serving pixels. Strip numbers are the
// driver's: the row (or column) index of the request.
struct ImageSource {
  int32_t stopAt = -1;         // this strip's result carries the stop flag
  int32_t errorAt = -1;        // this strip's result carries the error flag
  int32_t nullResultAt = -1;   // no result at all for this strip
  int32_t nullPixelsAt = -1;   // a result without a pixel address
  int32_t byteCountDelta = 0;  // bytes served beyond (or short of) what was asked
  int32_t deltaAt = -1;        // the strip the delta applies to; -1 every strip
  // Called for every strip fetched, for a progress line.
  void (*progress)(int32_t strip, int32_t fetches) = nullptr;
};

struct ImageHostLog {
  std::vector<StripRequestCopy> requests;  // in the order they came, when kept
  bool keepRequests = true;  // a long page's strips are many: a printing host keeps none
  int32_t fetches = 0;
  int32_t releases = 0;
  int32_t releasedOther = 0;  // releases of an address never handed out
  bool keepServed = false;    // keep the pixels served for real images
  std::vector<std::vector<uint8_t>> served;
};

extern ImageSource imageSource;
extern ImageHostLog imageHostLog;

void ResetImageHost();

// The synthetic image: pixel j of strip s. Two-level pixels are 0 or 1; colour
// pixels mix greys and colours.
uint8_t TwoLevelPixel(int32_t strip, int32_t j);
std::array<uint8_t, 3> ColourPixel(int32_t strip, int32_t j);

WireAddress DRIVER_CDECL HostFetchStrip(WireAddress request);
void DRIVER_CDECL HostReleaseStrip(WireAddress result);

struct HostImage {
  int32_t x1 = 1000, y1 = 2000, x2 = 1400, y2 = 2400;  // place on the drawing
  int32_t type = 0;          // 0 two-level, 1 by colour class, other colour
  int32_t w = 500, h = 500;  // pixels
  int16_t transparent = 0;
  int16_t colourClass = 0;
  int16_t colourIndex = 7;
  WireAddress imageRef = 0x00C0FFEE;
  bool withEntryPoints = true;
  // Real pixels for the strips; none serves the synthetic image. They must
  // live until the image has been fetched, at the next graphics request.
  const RasterPixels* pixels = nullptr;
};

// Request 52 as the host builds it; the host's parameter bytes count up from 0x40.
void FillImagePacket(Packet& packet, const HostImage& image);
uint16_t SendImage(const DriverLink& d, const HostImage& image);

// Where a turned, mirrored or skewed image lies on the drawing, in host
// units: the lower left corner of its first pixel column, and its bottom and
// left edges, each as long as the whole image. Not given for an upright image.
struct ImageFrame {
  bool given = false;
  double x = 0, y = 0, ux = 0, uy = 0, vx = 0, vy = 0;
  // Edges along the drawing's axes: a quarter turn, a mirror, or both.
  bool Square() const { return (uy == 0 && vx == 0) || (ux == 0 && vy == 0); }
};

// The pixels of an image in a square frame as they stand on the drawing, row
// 0 at the top: moved, never resampled.
RasterPixels TurnedPixels(const RasterPixels& source, const ImageFrame& frame);

// Request 52 for real pixels: the kind, size and transparency come from the
// image; each call gets its own image reference, by which the strips find it.
// With a frame, (x1, y1)-(x2, y2) is the frame's bounding box: a square frame
// serves the pixels turned, any other serves each strip pixel from the source
// pixel under it, and the box's corners outside the frame stay see-through.
uint16_t SendRasterImage(const DriverLink& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         const RasterPixels& pixels, int16_t colourIndex,
                         const ImageFrame& frame = {});

// Strips computed when the driver asks for them, for a page served line by
// line without a copy of the whole: `serve` fills `out` with the `length`
// pixels of strip `strip` and returns 0, 1 to end the image with the strips
// served before this one, or -1 to abandon it.
struct StripSource {
  void* context = nullptr;
  int32_t (*serve)(void* context, int32_t strip, int32_t length, bool colour,
                   uint8_t* out) = nullptr;
};

// Request 52 for an opaque image of w x h pixels whose strips come from
// `source`, which must live until the image has been fetched.
uint16_t SendStripImage(const DriverLink& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                        int32_t w, int32_t h, bool colour, const StripSource& source);

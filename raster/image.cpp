// Raster images: request 52 is kept, and the next graphics request fetches the
// pixels strip by strip from the host, writes the raster and puts the vector
// state back as it was.
#include "raster/image.h"

#include <cstdio>
#include <cstring>

#include "config/geometry.h"
#include "config/record.h"
#include "host/protocol.h"
#include "host/services.h"
#include "output/buffer.h"
#include "platform/win32.h"
#include "raster/bands.h"
#include "raster/canvas.h"

uint32_t imageMarker = 0;

namespace {

// The colour of the set pixels of a two-level image, by colour index.
constexpr uint8_t kIndexColours[8][3] = {
    {255, 255, 255}, {255, 0, 0}, {255, 255, 0}, {0, 255, 0},
    {0, 255, 255},   {0, 0, 255}, {255, 0, 255}, {0, 0, 0},
};

struct PendingImage {
  uint8_t packet[kImage.size];
  int32_t x1, y1, x2, y2;
  int32_t pixelWidth, pixelHeight;
  int32_t transparent;
  bool twoLevel;
  int32_t colourIndex;
};

PendingImage pending{};

// Rebuilt for every strip; fields a strip does not write keep what the one
// before left there.
uint8_t stripRequest[kStripRequest.size];

}  // namespace

void CaptureImageRequest(uint8_t* packet) {
  WriteU16(packet, kImage.handled, 1);
  std::memcpy(pending.packet, packet, kImage.size);
  pending.x1 = ReadI32(packet, kImage.left);
  pending.y1 = ReadI32(packet, kImage.bottom);
  pending.x2 = ReadI32(packet, kImage.right);
  pending.y2 = ReadI32(packet, kImage.top);
  pending.pixelWidth = ReadI32(packet, kImage.pixelWidth);
  pending.pixelHeight = ReadI32(packet, kImage.pixelHeight);
  const int32_t type = ReadI32(packet, kImage.imageType);
  const int16_t colourClass = ReadI16(packet, kImage.colourClass);
  pending.twoLevel = type == 0 || (type == 1 && colourClass <= 2);
  // A type-1 image of colour class 2 always covers what lies under it.
  pending.transparent = type == 1 && colourClass == 2 ? 0 : ReadI16(packet, kImage.transparent);
  const int16_t index = ReadI16(packet, kImage.colourIndex);
  pending.colourIndex = index < 0 || index > 7 ? 7 : index;
  imageMarker = kImagePending;
}

namespace {

// Corners beyond this would overflow output coordinates at the largest
// enlargement; no drawing's coordinates come near it.
constexpr int32_t kLargestCoordinate = INT32_MAX / 16;
constexpr int32_t kLargestEnlargement = 16;
// More device dots than this along one side is no drawing's image.
constexpr double kLargestDots = 1 << 26;

struct ImagePlan {
  int32_t turned;
  int32_t stripCount;
  int32_t stripPixels;  // L
  int32_t firstStrip;
  double step;    // drawing units per strip
  int32_t scale;  // k: drawing units to output units in HP-GL/2 text
  int32_t originX, originY;
};

bool InDrawing(int32_t v) {
  return v >= -kLargestCoordinate && v <= kLargestCoordinate;
}

bool UsableDots(double dots) {
  return dots >= 1 && dots <= kLargestDots;
}

// An image with an empty or inverted place, no pixels, no way to fetch them or
// a size that rounds to nothing is dropped before anything of it is written.
int32_t PlanImage(const RasterFraming& framing, ImagePlan& plan) {
  const PendingImage& p = pending;
  if (p.pixelWidth <= 0 || p.pixelHeight <= 0) return -1;
  if (!InDrawing(p.x1) || !InDrawing(p.y1) || !InDrawing(p.x2) || !InDrawing(p.y2)) return -1;
  if (p.x2 <= p.x1 || p.y2 <= p.y1) return -1;
  if (ReadAddress(p.packet, kImage.fetchStrip) == 0) return -1;
  if (sizeFactor < 1 || sizeFactor > kLargestEnlargement) return -1;
  if (!(unitScale > 0 && unitScale <= kLargestEnlargement)) return -1;
  plan.turned = (configRecord.jobFlags & kJobLongSheet) != 0 ? 1 : 0;
  const double dpi = SelectRasterResolution(configRecord.jobFlags, framing);
  const double width = framing.placeDots(p.pixelWidth, p.x1, p.x2, dpi);
  const double height = framing.placeDots(p.pixelHeight, p.y1, p.y2, dpi);
  if (!UsableDots(width) || !UsableDots(height)) return -1;
  const int32_t w = TruncateToInt32(width);
  const int32_t h = TruncateToInt32(height);
  plan.stripCount = plan.turned != 0 ? w : h;
  plan.stripPixels = plan.turned != 0 ? h : w;
  plan.step = plan.turned != 0 ? static_cast<double>(p.x2 - p.x1) / w
                               : static_cast<double>(p.y2 - p.y1) / h;
  const bool code600 = (configRecord.jobFlags & kJobResolutionMask) == kJob600Dpi;
  plan.firstStrip = framing.skipsFirstStripAt600 && code600 ? 1 : 0;
  plan.scale = TruncateToInt32(unitScale);
  plan.originX = TruncateToInt32((plan.turned != 0 ? p.x1 : p.x2) * unitScale);
  plan.originY = TruncateToInt32(p.y1 * unitScale);
  return 0;
}

void FlushBuffered() {
  if (outputFill > 0) OutFlush();
}

ImageOpening OpeningOf(const ImagePlan& plan, bool polylineOpen) {
  const PendingImage& p = pending;
  return {.x1 = p.x1,
          .y1 = p.y1,
          .x2 = p.x2,
          .y2 = p.y2,
          .scale = plan.scale,
          .turned = plan.turned != 0,
          .transparent = p.transparent != 0,
          .polylineOpen = polylineOpen};
}

void PutI32(int32_t offset, int32_t value) {
  WriteU32(stripRequest, offset, static_cast<uint32_t>(value));
}

void FillStripRequest(const ImagePlan& plan, int32_t i) {
  const PendingImage& p = pending;
  const int32_t last = plan.stripPixels - 1;
  const StripRequestLayout& s = kStripRequest;
  if (plan.turned == 0) {
    PutI32(s.firstColumn, 0);
    PutI32(s.firstRow, i);
    PutI32(s.lastColumn, last);
    PutI32(s.lastRow, i);
    PutI32(s.left, p.x1);
    PutI32(s.bottom, TruncateToInt32(p.y1 + i * plan.step));
    PutI32(s.right, p.x2);
    PutI32(s.top, TruncateToInt32(p.y1 + (i + 1) * plan.step));
  } else {
    PutI32(s.firstColumn, i);
    PutI32(s.firstRow, 0);
    PutI32(s.lastColumn, i);
    PutI32(s.lastRow, last);
    PutI32(s.left, TruncateToInt32(p.x1 + i * plan.step));
    PutI32(s.bottom, p.y1);
    PutI32(s.right, TruncateToInt32(p.x1 + (i + 1) * plan.step));
    PutI32(s.top, p.y2);
  }
  WriteAddress(stripRequest, s.imageRef, ReadAddress(p.packet, kImage.imageRef));
  PutI32(s.bitsPerChannel, p.twoLevel ? 1 : 8);
  PutI32(s.shape, plan.turned != 0 ? kStripsAreColumns : kStripsAreRows);
  WriteU16(stripRequest, s.bitsPerPixel, p.twoLevel ? 1 : 24);
  if (p.twoLevel) {
    WriteU16(stripRequest, s.channelMaxima, 0);
    WriteU16(stripRequest, s.setColour, static_cast<uint16_t>(p.colourIndex));
  } else {
    const uint8_t maxima[3] = {255, 255, 255};
    const uint8_t order[3] = {0, 1, 2};
    std::memcpy(stripRequest + s.channelMaxima, maxima, 3);
    std::memcpy(stripRequest + s.channelOrder, order, 3);
  }
  PutI32(s.zero, 0);
  WriteU16(stripRequest, s.zeroShort, 0);
  WriteU16(stripRequest, s.one, 1);
  std::memcpy(stripRequest + s.hostParameters, p.packet + kImage.hostParameters,
              kHostParametersSize);
}

int32_t ReportFailedStrip(int32_t strip, int32_t pixels, int32_t byteCount) {
  char text[64];
  std::snprintf(text, sizeof text, "image faile=%d %d %d", strip, pixels, byteCount);
  MessageBoxA(reinterpret_cast<HWND>(hostWindow), text, "ADI4.3", MB_OK | MB_ICONEXCLAMATION);
  return -1;
}

void ReleaseStrip(WireAddress result) {
  const WireAddress release = ReadAddress(pending.packet, kImage.releaseStrip);
  if (release != 0) reinterpret_cast<ReleaseStripFn>(release)(result);
}

// A negative count carries no pixels; a count that does not match the strip is
// cut or padded by the canvas.
void AddStrip(const uint8_t* pixels, int32_t byteCount) {
  const int32_t n = byteCount < 0 ? 0 : byteCount;
  if (pending.twoLevel) {
    const uint8_t* c = kIndexColours[pending.colourIndex];
    RasterAddStrip(n, pixels, kStripTwoLevel, c[0], c[1], c[2]);
  } else {
    RasterAddStrip(n / 3, pixels, kStripColour, 0, 0, 0);
  }
}

// 0 when the image is complete, also when the host ends it early; -1 when a
// strip failed and the image is abandoned.
int32_t FetchStrips(const ImagePlan& plan) {
  const auto fetch = reinterpret_cast<FetchStripFn>(ReadAddress(pending.packet, kImage.fetchStrip));
  for (int32_t i = plan.firstStrip; i < plan.stripCount; ++i) {
    FillStripRequest(plan, i);
    const WireAddress address = fetch(AddressOf(stripRequest));
    if (address == 0) return ReportFailedStrip(i, plan.stripPixels, 0);
    const uint8_t* result = PointerAt<const uint8_t>(address);
    if (ReadI16(result, kStripResult.stop) != 0) {
      ReleaseStrip(address);
      return 0;
    }
    const int32_t byteCount = ReadI32(result, kStripResult.byteCount);
    // The host keeps a result it has marked as failed.
    if (ReadI16(result, kStripResult.error) != 0)
      return ReportFailedStrip(i, plan.stripPixels, byteCount);
    const WireAddress pixels = ReadAddress(result, kStripResult.pixels);
    if (pixels == 0) {
      ReleaseStrip(address);
      return ReportFailedStrip(i, plan.stripPixels, byteCount);
    }
    AddStrip(PointerAt<const uint8_t>(pixels), byteCount);
    ReleaseStrip(address);
  }
  return 0;
}

}  // namespace

int32_t EmitPendingImage(const ImageSurroundings& around) {
  if (imageMarker != kImagePending) return 0;
  imageMarker = 0;
  // A failed or aborted plot takes no more bytes, raster ones included.
  if (driverErrorState != 0) return 0;
  const RasterFraming& framing = *around.framing;
  ImagePlan plan;
  if (PlanImage(framing, plan) < 0) return 0;
  // Memory is taken before the first byte, so an image too large to draw
  // leaves the plot untouched.
  if (RasterReserve(plan.stripPixels, plan.stripCount, sizeFactor) < 0) return 0;
  if (around.writeBefore != nullptr) around.writeBefore();
  FlushBuffered();
  framing.writeOpening(OpeningOf(plan, around.polylineOpen));
  FlushBuffered();
  RasterBegin(plan.stripPixels, plan.stripCount, pending.transparent, 0, 1, 2, &framing,
              plan.originX, plan.originY, sizeFactor, plan.turned);
  // After a failed write nothing more goes out: the strips are not fetched.
  if (driverErrorState == 0 && FetchStrips(plan) == 0) RasterFinish();
  RasterEnd();
  if (around.writeAfter != nullptr) around.writeAfter(pending.x2, pending.y1);
  return 0;
}

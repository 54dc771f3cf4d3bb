// The layouts with addresses in them, checked on every build against the
// structs a C host of the build's width declares: the offsets of
// host/protocol.h must be where its compiler puts the fields.
#include <cstddef>
#include <cstdint>

#include "host/protocol.h"

namespace {

struct ImageRequestC {
  uint16_t code;
  WireAddress fetchStrip, releaseStrip, imageRef;
  int32_t left, bottom, right, top, imageType, pixelWidth, pixelHeight;
  int16_t transparent, colourClass, colourIndex;
  uint8_t hostParameters[kHostParametersSize];
  uint16_t handled;
};
static_assert(offsetof(ImageRequestC, fetchStrip) == kImage.fetchStrip);
static_assert(offsetof(ImageRequestC, releaseStrip) == kImage.releaseStrip);
static_assert(offsetof(ImageRequestC, imageRef) == kImage.imageRef);
static_assert(offsetof(ImageRequestC, left) == kImage.left);
static_assert(offsetof(ImageRequestC, top) == kImage.top);
static_assert(offsetof(ImageRequestC, imageType) == kImage.imageType);
static_assert(offsetof(ImageRequestC, pixelHeight) == kImage.pixelHeight);
static_assert(offsetof(ImageRequestC, transparent) == kImage.transparent);
static_assert(offsetof(ImageRequestC, colourIndex) == kImage.colourIndex);
static_assert(offsetof(ImageRequestC, hostParameters) == kImage.hostParameters);
static_assert(offsetof(ImageRequestC, handled) == kImage.handled);
static_assert(kImage.handled + 2 == kImage.size);

struct StripRequestC {
  int32_t firstColumn, firstRow, lastColumn, lastRow, left, bottom, right, top;
  WireAddress imageRef;
  int32_t bitsPerChannel, shape;
  int16_t unwritten, bitsPerPixel;
  uint8_t channelMaxima[4], channelOrder[4];
  int16_t setColour;
  uint8_t unwrittenToo[6];
  int32_t zero;
  int16_t zeroShort, one;
  uint8_t hostParameters[kHostParametersSize];
};
static_assert(offsetof(StripRequestC, top) == kStripRequest.top);
static_assert(offsetof(StripRequestC, imageRef) == kStripRequest.imageRef);
static_assert(offsetof(StripRequestC, bitsPerChannel) == kStripRequest.bitsPerChannel);
static_assert(offsetof(StripRequestC, shape) == kStripRequest.shape);
static_assert(offsetof(StripRequestC, bitsPerPixel) == kStripRequest.bitsPerPixel);
static_assert(offsetof(StripRequestC, channelMaxima) == kStripRequest.channelMaxima);
static_assert(offsetof(StripRequestC, channelOrder) == kStripRequest.channelOrder);
static_assert(offsetof(StripRequestC, setColour) == kStripRequest.setColour);
static_assert(offsetof(StripRequestC, zero) == kStripRequest.zero);
static_assert(offsetof(StripRequestC, zeroShort) == kStripRequest.zeroShort);
static_assert(offsetof(StripRequestC, one) == kStripRequest.one);
static_assert(offsetof(StripRequestC, hostParameters) == kStripRequest.hostParameters);
static_assert(sizeof(StripRequestC) == kStripRequest.size);

struct StripResultC {
  WireAddress pixels;
  int32_t byteCount, unread;
  int16_t stop, error;
};
static_assert(offsetof(StripResultC, byteCount) == kStripResult.byteCount);
static_assert(offsetof(StripResultC, stop) == kStripResult.stop);
static_assert(offsetof(StripResultC, error) == kStripResult.error);
static_assert(sizeof(StripResultC) == kStripResult.size);

struct PolygonAtC {
  uint16_t code, unread;
  int16_t pen, count;
  WireAddress vertices;
};
static_assert(offsetof(PolygonAtC, pen) == kPolygonAt.pen);
static_assert(offsetof(PolygonAtC, count) == kPolygonAt.count);
static_assert(offsetof(PolygonAtC, vertices) == kPolygonAt.vertices);
static_assert(sizeof(PolygonAtC) == kPolygonAt.size);

}  // namespace

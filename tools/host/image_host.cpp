#include "tools/host/image_host.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "host/protocol.h"

ImageSource imageSource;
ImageHostLog imageHostLog;

namespace {

// One result and its pixels, reused for every strip as a host would.
std::array<uint8_t, kStripResult.size> result{};
// Exactly as many bytes as the result announces, so that a reader that goes
// past them is caught by the sanitizers.
std::unique_ptr<uint8_t[]> pixels;
int32_t pixelCount = -1;  // kept for the strips of a source; -1 for any other

// Images with real pixels, by image reference, with their place on the
// drawing. Only the last few can still be waiting for their strips.
struct ServedImage {
  WireAddress ref;
  HostImage place;
  ImageFrame frame;                            // given: served through it
  std::shared_ptr<const RasterPixels> turned;  // a square frame's pixels
  const StripSource* source = nullptr;         // strips computed on request
};
std::vector<ServedImage> servedImages;
WireAddress nextImageRef = 0x1000;

const ServedImage* FindServedImage(WireAddress ref) {
  for (const ServedImage& s : servedImages)
    if (s.ref == ref) return &s;
  return nullptr;
}

// Source pixel `at` as strip pixel j, in the strip's kind.
void ServePixel(const RasterPixels& src, size_t at, uint8_t* out, int32_t j, bool colour) {
  if (colour && src.colour) {
    std::memcpy(out + 3 * j, &src.data[3 * at], 3);
  } else if (colour) {
    const uint8_t v = src.data[at] ? 0 : 255;
    std::memset(out + 3 * j, v, 3);
  } else {
    out[j] = src.colour ? (src.data[3 * at] < 128 ? 1 : 0) : src.data[at];
  }
}

// Each strip pixel takes the source pixel under its centre (nearest
// neighbour: a two-level image stays two-level and colours stay as drawn);
// outside the frame it is white.
void ServeFramedStrip(const ServedImage& image, const uint8_t* request, bool columns,
                      int32_t length, uint8_t* out, bool colour) {
  const HostImage& p = image.place;
  const ImageFrame& f = image.frame;
  const RasterPixels& src = *p.pixels;
  const double det = f.ux * f.vy - f.vx * f.uy;
  for (int32_t j = 0; j < length; ++j) {
    double x, y;
    if (columns) {
      x = (ReadI32(request, kStripRequest.left) + ReadI32(request, kStripRequest.right)) / 2.0;
      y = p.y1 + (j + 0.5) * (p.y2 - p.y1) / length;
    } else {
      x = p.x1 + (j + 0.5) * (p.x2 - p.x1) / length;
      y = (ReadI32(request, kStripRequest.bottom) + ReadI32(request, kStripRequest.top)) / 2.0;
    }
    const double dx = x - f.x, dy = y - f.y;
    const double s = (dx * f.vy - dy * f.vx) / det;
    const double t = (f.ux * dy - f.uy * dx) / det;
    if (!(s >= 0 && s < 1 && t >= 0 && t < 1)) {
      if (colour) std::memset(out + 3 * j, 255, 3);
      continue;
    }
    const int32_t column = std::min(static_cast<int32_t>(s * src.width), src.width - 1);
    const int32_t row =
        src.height - 1 - std::min(static_cast<int32_t>(t * src.height), src.height - 1);
    ServePixel(src, static_cast<size_t>(row) * src.width + column, out, j, colour);
  }
}

// Source pixel of strip position: strips are rows counted from the bottom of
// the place, or columns counted from its left; the strip's drawing edges tell
// where it lies, its pixel j where along it.
void ServeRealStrip(const ServedImage& image, const uint8_t* request, bool columns, int32_t length,
                    uint8_t* out, bool colour) {
  if (image.frame.given && image.turned == nullptr)
    return ServeFramedStrip(image, request, columns, length, out, colour);
  const HostImage& p = image.place;
  const RasterPixels& src = *p.pixels;
  int32_t fixedX = 0, fixedY = 0;
  if (columns) {
    const double middle =
        (ReadI32(request, kStripRequest.left) + ReadI32(request, kStripRequest.right)) / 2.0;
    const double f = (middle - p.x1) / std::max(1, p.x2 - p.x1);
    fixedX = std::clamp(static_cast<int32_t>(f * src.width), 0, src.width - 1);
  } else {
    const double middle =
        (ReadI32(request, kStripRequest.bottom) + ReadI32(request, kStripRequest.top)) / 2.0;
    const double f = (middle - p.y1) / std::max(1, p.y2 - p.y1);
    fixedY = std::clamp(src.height - 1 - static_cast<int32_t>(f * src.height), 0, src.height - 1);
  }
  for (int32_t j = 0; j < length; ++j) {
    int32_t x = fixedX, y = fixedY;
    if (columns) {
      y = src.height - 1 - static_cast<int32_t>((j + 0.5) * src.height / length);
    } else {
      x = static_cast<int32_t>((j + 0.5) * src.width / length);
    }
    x = std::clamp(x, 0, src.width - 1);
    y = std::clamp(y, 0, src.height - 1);
    ServePixel(src, static_cast<size_t>(y) * src.width + x, out, j, colour);
  }
}

WireAddress ServeSourceStrip(const StripSource& source, int32_t strip, int32_t length,
                             bool colour) {
  const int32_t count = length * (colour ? 3 : 1);
  // A source writes every pixel of a strip it serves: the strip before's
  // pixels, as many, are written over rather than cleared first.
  if (count != pixelCount) pixels.reset(new uint8_t[count]), pixelCount = count;
  const int32_t served = source.serve(source.context, strip, length, colour, pixels.get());
  if (served != 0) std::memset(pixels.get(), 0, static_cast<size_t>(count));
  result.fill(0);
  WriteAddress(result.data(), kStripResult.pixels, AddressOf(pixels.get()));
  WriteU32(result.data(), kStripResult.byteCount, static_cast<uint32_t>(count));
  WriteU16(result.data(), kStripResult.stop, served > 0 ? 1 : 0);
  WriteU16(result.data(), kStripResult.error, served < 0 ? 1 : 0);
  return AddressOf(result.data());
}

}  // namespace

void ResetImageHost() {
  imageSource = ImageSource{};
  imageHostLog = ImageHostLog{};
  servedImages.clear();
}

uint8_t TwoLevelPixel(int32_t strip, int32_t j) {
  return ((strip * 7 + j * 3) / 11) % 3 == 0 || strip == j ? 1 : 0;
}

std::array<uint8_t, 3> ColourPixel(int32_t strip, int32_t j) {
  const uint8_t v = static_cast<uint8_t>(strip * 5 + j * 3);
  if (j % 4 == 0) return {v, v, v};
  return {v, static_cast<uint8_t>(strip * 2 + j * 7), static_cast<uint8_t>((strip + j) * 11)};
}

WireAddress DRIVER_CDECL HostFetchStrip(WireAddress address) {
  ++imageHostLog.fetches;
  const uint8_t* request = PointerAt<const uint8_t>(address);
  if (imageHostLog.keepRequests) {
    StripRequestCopy copy;
    std::memcpy(copy.data(), request, copy.size());
    imageHostLog.requests.push_back(copy);
  }

  const StripRequestLayout& s = kStripRequest;
  const bool columns = ReadI32(request, s.shape) == kStripsAreColumns;
  const int32_t strip = ReadI32(request, columns ? s.firstColumn : s.firstRow);
  const int32_t length = columns
                             ? ReadI32(request, s.lastRow) - ReadI32(request, s.firstRow) + 1
                             : ReadI32(request, s.lastColumn) - ReadI32(request, s.firstColumn) + 1;
  const bool colour = ReadI32(request, s.bitsPerChannel) == 8;
  if (strip == imageSource.nullResultAt) return 0;
  if (imageSource.progress != nullptr) imageSource.progress(strip, imageHostLog.fetches);

  const ServedImage* real = FindServedImage(ReadAddress(request, s.imageRef));
  if (real != nullptr && real->source != nullptr && length > 0)
    return ServeSourceStrip(*real->source, strip, length, colour);
  if (real != nullptr && length > 0) {
    const int32_t count = length * (colour ? 3 : 1);
    pixels.reset(new uint8_t[count]()), pixelCount = -1;
    ServeRealStrip(*real, request, columns, length, pixels.get(), colour);
    if (imageHostLog.keepServed)
      imageHostLog.served.emplace_back(pixels.get(), pixels.get() + count);
    result.fill(0);
    WriteAddress(result.data(), kStripResult.pixels, AddressOf(pixels.get()));
    WriteU32(result.data(), kStripResult.byteCount, static_cast<uint32_t>(count));
    return AddressOf(result.data());
  }

  int32_t count = length * (colour ? 3 : 1);
  if (imageSource.deltaAt < 0 || imageSource.deltaAt == strip) count += imageSource.byteCountDelta;
  if (count < 0) count = 0;
  pixels.reset(new uint8_t[count]()), pixelCount = -1;
  for (int32_t j = 0; j * (colour ? 3 : 1) < count; ++j) {
    if (colour) {
      const auto rgb = ColourPixel(strip, j);
      std::memcpy(&pixels[3 * j], rgb.data(), std::min<int32_t>(3, count - 3 * j));
    } else {
      pixels[j] = TwoLevelPixel(strip, j);
    }
  }
  result.fill(0);
  WriteAddress(result.data(), kStripResult.pixels,
               strip == imageSource.nullPixelsAt ? 0 : AddressOf(pixels.get()));
  WriteU32(result.data(), kStripResult.byteCount, static_cast<uint32_t>(count));
  WriteU16(result.data(), kStripResult.stop, strip == imageSource.stopAt ? 1 : 0);
  WriteU16(result.data(), kStripResult.error, strip == imageSource.errorAt ? 1 : 0);
  return AddressOf(result.data());
}

void DRIVER_CDECL HostReleaseStrip(WireAddress address) {
  ++imageHostLog.releases;
  if (address != AddressOf(result.data())) ++imageHostLog.releasedOther;
}

void FillImagePacket(Packet& packet, const HostImage& image) {
  uint8_t* p = packet.data();
  WriteU16(p, kCodeAt, kGraphicsImage);
  WriteAddress(p, kImage.fetchStrip, image.withEntryPoints ? EntryAddress(&HostFetchStrip) : 0);
  WriteAddress(p, kImage.releaseStrip, image.withEntryPoints ? EntryAddress(&HostReleaseStrip) : 0);
  WriteAddress(p, kImage.imageRef, image.imageRef);
  WriteU32(p, kImage.left, static_cast<uint32_t>(image.x1));
  WriteU32(p, kImage.bottom, static_cast<uint32_t>(image.y1));
  WriteU32(p, kImage.right, static_cast<uint32_t>(image.x2));
  WriteU32(p, kImage.top, static_cast<uint32_t>(image.y2));
  WriteU32(p, kImage.imageType, static_cast<uint32_t>(image.type));
  WriteU32(p, kImage.pixelWidth, static_cast<uint32_t>(image.w));
  WriteU32(p, kImage.pixelHeight, static_cast<uint32_t>(image.h));
  WriteU16(p, kImage.transparent, static_cast<uint16_t>(image.transparent));
  WriteU16(p, kImage.colourClass, static_cast<uint16_t>(image.colourClass));
  WriteU16(p, kImage.colourIndex, static_cast<uint16_t>(image.colourIndex));
  for (int32_t i = 0; i < kHostParametersSize; ++i)
    p[kImage.hostParameters + i] = static_cast<uint8_t>(0x40 + i);
}

uint16_t SendImage(const DriverLink& d, const HostImage& image) {
  Packet p = MakePacket(kGraphicsImage);
  FillImagePacket(p, image);
  return Graphics(d, p);
}

RasterPixels TurnedPixels(const RasterPixels& source, const ImageFrame& f) {
  RasterPixels out = source;
  const bool across = f.ux == 0 && f.vy == 0;  // the bottom edge runs up or down
  out.width = across ? source.height : source.width;
  out.height = across ? source.width : source.height;
  const size_t bytes = source.colour ? 3 : 1;
  for (int32_t row = 0; row < out.height; ++row)
    for (int32_t column = 0; column < out.width; ++column) {
      int32_t x, y;
      if (across) {
        y = f.vx > 0 ? source.height - 1 - column : column;
        x = f.uy > 0 ? source.width - 1 - row : row;
      } else {
        x = f.ux > 0 ? column : source.width - 1 - column;
        y = f.vy > 0 ? row : source.height - 1 - row;
      }
      std::memcpy(&out.data[(static_cast<size_t>(row) * out.width + column) * bytes],
                  &source.data[(static_cast<size_t>(y) * source.width + x) * bytes], bytes);
    }
  return out;
}

uint16_t SendRasterImage(const DriverLink& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         const RasterPixels& pixels, int16_t colourIndex, const ImageFrame& frame) {
  ServedImage served{nextImageRef++, {}, frame, nullptr};
  if (frame.given && frame.Square())
    served.turned = std::make_shared<const RasterPixels>(TurnedPixels(pixels, frame));
  const RasterPixels& shown = served.turned != nullptr ? *served.turned : pixels;
  // Outside a frame that is not square the box shows what lies below it.
  const bool seeThrough = pixels.transparent || (frame.given && served.turned == nullptr);
  served.place = HostImage{.x1 = x1,
                           .y1 = y1,
                           .x2 = x2,
                           .y2 = y2,
                           .type = shown.colour ? 2 : 0,
                           .w = shown.width,
                           .h = shown.height,
                           .transparent = static_cast<int16_t>(seeThrough ? 1 : 0),
                           .colourIndex = colourIndex,
                           .imageRef = served.ref,
                           .pixels = &shown};
  // An image is fetched at the next graphics request, so two are the most
  // that can wait; a few more are kept for safety.
  if (servedImages.size() >= 8) servedImages.erase(servedImages.begin());
  servedImages.push_back(served);
  return SendImage(d, served.place);
}

uint16_t SendStripImage(const DriverLink& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                        int32_t w, int32_t h, bool colour, const StripSource& source) {
  ServedImage served{nextImageRef++, {}, {}, nullptr, &source};
  served.place = HostImage{.x1 = x1,
                           .y1 = y1,
                           .x2 = x2,
                           .y2 = y2,
                           .type = colour ? 2 : 0,
                           .w = w,
                           .h = h,
                           .imageRef = served.ref};
  if (servedImages.size() >= 8) servedImages.erase(servedImages.begin());
  servedImages.push_back(served);
  return SendImage(d, served.place);
}

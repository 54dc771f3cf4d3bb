#include "tools/print/raster_page.h"

#include <cstring>

namespace {

// Enumerated fields come from the stream as any 32-bit value: read them as
// numbers, never as the enumeration, which holds only its own values.
template <typename Field>
unsigned Raw(const Field& field) {
  static_assert(sizeof(Field) == sizeof(unsigned));
  unsigned value;
  std::memcpy(&value, &field, sizeof value);
  return value;
}

constexpr int32_t kResolutions[] = {600, 400, 300, 200};

bool KnownResolution(unsigned dpi) {
  for (int32_t r : kResolutions)
    if (static_cast<unsigned>(r) == dpi) return true;
  return false;
}

// The pixel kinds the print host serves, by colour space and bits per colour.
int32_t KindOf(const cups_page_header2_t& h, PixelKind& kind, int32_t& colours) {
  switch (Raw(h.cupsColorSpace)) {
    case CUPS_CSPACE_W:
    case CUPS_CSPACE_SW:
      kind = PixelKind::Grey, colours = 1;
      return h.cupsBitsPerColor == 8 ? 0 : -1;
    case CUPS_CSPACE_K:
      kind = PixelKind::Black1, colours = 1;
      return h.cupsBitsPerColor == 1 ? 0 : -1;
    case CUPS_CSPACE_RGB:
    case CUPS_CSPACE_SRGB:
      kind = PixelKind::Rgb, colours = 3;
      return h.cupsBitsPerColor == 8 ? 0 : -1;
    default:
      return -1;
  }
}

}  // namespace

int32_t CheckPageHeader(const cups_page_header2_t& h, PageFormat& page, std::string& error) {
  PixelKind kind;
  int32_t colours = 0;
  if (KindOf(h, kind, colours) < 0) {
    error = "colour space " + std::to_string(Raw(h.cupsColorSpace)) + " at " +
            std::to_string(h.cupsBitsPerColor) +
            " bits a colour is not printed (8-bit grey or RGB, or 1-bit black)";
    return -1;
  }
  if (Raw(h.cupsColorOrder) != CUPS_ORDER_CHUNKED ||
      h.cupsBitsPerPixel != h.cupsBitsPerColor * colours) {
    error = "the header's pixels (" + std::to_string(h.cupsBitsPerPixel) + " bits, colour order " +
            std::to_string(Raw(h.cupsColorOrder)) + ") do not match its colour space";
    return -1;
  }
  if (h.HWResolution[0] != h.HWResolution[1] || !KnownResolution(h.HWResolution[0])) {
    error = "resolution " + std::to_string(h.HWResolution[0]) + "x" +
            std::to_string(h.HWResolution[1]) + " dpi: the printer takes 600, 400, 300 or 200";
    return -1;
  }
  const unsigned dpi = h.HWResolution[0];
  if (h.cupsWidth == 0 || h.cupsHeight == 0 || h.cupsWidth > kMostInchesAcross * dpi ||
      h.cupsHeight > kMostInchesAlong * dpi) {
    error = "a page of " + std::to_string(h.cupsWidth) + " x " + std::to_string(h.cupsHeight) +
            " dots at " + std::to_string(dpi) + " dpi is larger than any roll takes";
    return -1;
  }
  page.width = static_cast<int32_t>(h.cupsWidth);
  page.height = static_cast<int32_t>(h.cupsHeight);
  page.dpi = static_cast<int32_t>(dpi);
  page.kind = kind;
  if (h.cupsBytesPerLine != static_cast<unsigned>(page.BytesPerLine())) {
    error = "the header says " + std::to_string(h.cupsBytesPerLine) + " bytes a line for " +
            std::to_string(h.cupsWidth) + " pixels of " + std::to_string(h.cupsBitsPerPixel) +
            " bits";
    return -1;
  }
  return 0;
}

HeaderChoices ChoicesFromHeader(const cups_page_header2_t& h) {
  HeaderChoices c;
  c.media = static_cast<int32_t>(h.cupsMediaType);
  c.roll = h.MediaPosition == 0;
  c.qdrs = h.cupsInteger[0] == 1;
  c.finisherProgram = static_cast<int32_t>(h.cupsInteger[1]);
  c.tonePreset = static_cast<int32_t>(h.cupsInteger[2]);
  return c;
}

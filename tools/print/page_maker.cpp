// print_page_maker: writes one page of CUPS raster (8-bit grey, compressed,
// or uncompressed when asked) with a drawing-like pattern to standard output,
// without holding the page: lines every inch across and along, a diagonal and
// a grey band, so a long roll page can be made at any length for the print
// host's measurements and tests.
//
//   print_page_maker WIDTH-IN LENGTH-IN DPI [uncompressed]
#include <cups/raster.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  const bool uncompressed = argc == 5 && std::strcmp(argv[4], "uncompressed") == 0;
  if (argc != 4 && !uncompressed) {
    std::fprintf(stderr, "Usage: print_page_maker WIDTH-IN LENGTH-IN DPI [uncompressed]\n");
    return 2;
  }
  const double width = std::atof(argv[1]), length = std::atof(argv[2]);
  const unsigned dpi = static_cast<unsigned>(std::atoi(argv[3]));
  if (width <= 0 || length <= 0 || width > 36 || length > 591 || dpi < 100 || dpi > 600) {
    std::fprintf(stderr, "print_page_maker: a page of up to 36 x 591 in at 100-600 dpi\n");
    return 2;
  }
  cups_page_header2_t h;
  std::memset(&h, 0, sizeof h);
  h.cupsWidth = static_cast<unsigned>(width * dpi);
  h.cupsHeight = static_cast<unsigned>(length * dpi);
  h.HWResolution[0] = h.HWResolution[1] = dpi;
  h.PageSize[0] = static_cast<unsigned>(width * 72);
  h.PageSize[1] = static_cast<unsigned>(length * 72);
  h.cupsColorSpace = CUPS_CSPACE_SW;
  h.cupsBitsPerColor = h.cupsBitsPerPixel = 8;
  h.cupsNumColors = 1;
  h.cupsColorOrder = CUPS_ORDER_CHUNKED;
  h.cupsBytesPerLine = h.cupsWidth;
  cups_raster_t* raster = cupsRasterOpen(
      STDOUT_FILENO, uncompressed ? CUPS_RASTER_WRITE : CUPS_RASTER_WRITE_COMPRESSED);
  if (raster == nullptr || !cupsRasterWriteHeader2(raster, &h)) return 1;
  std::vector<unsigned char> line(h.cupsWidth);
  for (unsigned y = 0; y < h.cupsHeight; ++y) {
    std::memset(line.data(), 255, line.size());
    if (y % dpi < 3) std::memset(line.data(), 0, line.size());
    for (unsigned x = 0; x < h.cupsWidth; x += dpi) line[x] = line[x + 1] = 0;
    const unsigned d = (y * 7 / 5) % h.cupsWidth;
    line[d] = 0;
    if (y % (4 * dpi) < dpi / 2)
      for (unsigned x = h.cupsWidth / 4; x < h.cupsWidth / 2; ++x) line[x] = 150;
    if (cupsRasterWritePixels(raster, line.data(), h.cupsWidth) != h.cupsWidth) return 1;
  }
  cupsRasterClose(raster);
  return 0;
}

// The TIFF files live in memory file descriptors, so the tests touch no disk.
#include "tools/fuzz/tiff_oracle.h"

#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {

using Tiff = std::unique_ptr<TIFF, decltype(&TIFFClose)>;

// Writes a one-strip Group 4 TIFF with `fill` and returns it opened for reading, or null.
template <typename Fill>
Tiff G4File(int width, int rows, Fill fill) {
  const int fd = memfd_create("g4", 0);
  if (fd < 0) return {nullptr, TIFFClose};
  Tiff out(TIFFFdOpen(dup(fd), "g4", "w"), TIFFClose);
  bool ok = out != nullptr;
  if (ok) {
    TIFFSetField(out.get(), TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(out.get(), TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows));
    TIFFSetField(out.get(), TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows));
    TIFFSetField(out.get(), TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(out.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out.get(), TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(out.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(out.get(), TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    ok = fill(out.get());
    out.reset();  // writes the directory
  }
  lseek(fd, 0, SEEK_SET);
  Tiff in(ok ? TIFFFdOpen(dup(fd), "g4", "r") : nullptr, TIFFClose);
  close(fd);
  return in;
}

}  // namespace

std::vector<uint8_t> TiffDecodeG4(const uint8_t* data, size_t size, int width, int rows) {
  std::vector<uint8_t> copy(data, data + size), image(static_cast<size_t>(width / 8) * rows);
  const Tiff in = G4File(width, rows, [&](TIFF* t) {
    return TIFFWriteRawStrip(t, 0, copy.data(), copy.size()) == static_cast<tmsize_t>(size);
  });
  const tmsize_t got = in ? TIFFReadEncodedStrip(in.get(), 0, image.data(), image.size()) : -1;
  return got == static_cast<tmsize_t>(image.size()) ? image : std::vector<uint8_t>();
}

std::vector<uint8_t> TiffEncodeG4(const uint8_t* image, int width, int rows) {
  std::vector<uint8_t> copy(image, image + static_cast<size_t>(width / 8) * rows);
  const Tiff in = G4File(width, rows, [&](TIFF* t) {
    return TIFFWriteEncodedStrip(t, 0, copy.data(), copy.size()) >= 0;  // may code in place
  });
  std::vector<uint8_t> coded(in ? std::max<tmsize_t>(TIFFRawStripSize(in.get(), 0), 0) : 0);
  const tmsize_t got = in ? TIFFReadRawStrip(in.get(), 0, coded.data(), coded.size()) : -1;
  return got > 0 && got == static_cast<tmsize_t>(coded.size()) ? coded : std::vector<uint8_t>();
}

// In-memory TIFF files around a single CCITT Group 4 strip, so the tests touch no disk.
#include "tests/tiff_oracle.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

namespace {

struct MemoryFile {
  std::vector<uint8_t> bytes;
  size_t position = 0;
};

MemoryFile& FileOf(thandle_t handle) {
  return *static_cast<MemoryFile*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile& file = FileOf(handle);
  if (file.position >= file.bytes.size() || size <= 0) return 0;
  const size_t n = std::min(static_cast<size_t>(size), file.bytes.size() - file.position);
  std::memcpy(buffer, file.bytes.data() + file.position, n);
  file.position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  MemoryFile& file = FileOf(handle);
  if (size <= 0) return 0;
  const size_t n = static_cast<size_t>(size);
  if (file.position + n > file.bytes.size()) file.bytes.resize(file.position + n);
  std::memcpy(file.bytes.data() + file.position, buffer, n);
  file.position += n;
  return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  MemoryFile& file = FileOf(handle);
  if (whence == SEEK_CUR) offset += file.position;
  if (whence == SEEK_END) offset += file.bytes.size();
  file.position = static_cast<size_t>(offset);
  return offset;
}

int CloseProc(thandle_t) {
  return 0;
}
toff_t SizeProc(thandle_t handle) {
  return FileOf(handle).bytes.size();
}
int MapProc(thandle_t, void**, toff_t*) {
  return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

TIFF* Open(MemoryFile& file, const char* mode) {
  file.position = 0;
  return TIFFClientOpen("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                        MapProc, UnmapProc);
}

void SetG4Tags(TIFF* tif, int width, int rows) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
}

}  // namespace

std::vector<uint8_t> TiffDecodeG4(const uint8_t* data, size_t size, int width, int rows) {
  MemoryFile file;
  TIFF* out = Open(file, "w");
  if (out == nullptr) return {};
  SetG4Tags(out, width, rows);
  std::vector<uint8_t> copy(data, data + size);
  const tmsize_t written = TIFFWriteRawStrip(out, 0, copy.data(), static_cast<tmsize_t>(size));
  TIFFClose(out);
  if (written != static_cast<tmsize_t>(size)) return {};

  TIFF* in = Open(file, "r");
  if (in == nullptr) return {};
  std::vector<uint8_t> image(static_cast<size_t>(width / 8) * rows);
  const tmsize_t got =
      TIFFReadEncodedStrip(in, 0, image.data(), static_cast<tmsize_t>(image.size()));
  TIFFClose(in);
  if (got != static_cast<tmsize_t>(image.size())) return {};
  return image;
}

std::vector<uint8_t> TiffEncodeG4(const uint8_t* image, int width, int rows) {
  MemoryFile file;
  TIFF* out = Open(file, "w");
  if (out == nullptr) return {};
  SetG4Tags(out, width, rows);
  const size_t imageSize = static_cast<size_t>(width / 8) * rows;
  std::vector<uint8_t> copy(image, image + imageSize);  // libtiff may code in place
  const tmsize_t written =
      TIFFWriteEncodedStrip(out, 0, copy.data(), static_cast<tmsize_t>(imageSize));
  TIFFClose(out);
  if (written < 0) return {};

  TIFF* in = Open(file, "r");
  if (in == nullptr) return {};
  const tmsize_t rawSize = TIFFRawStripSize(in, 0);
  if (rawSize <= 0) {
    TIFFClose(in);
    return {};
  }
  std::vector<uint8_t> coded(static_cast<size_t>(rawSize));
  const tmsize_t got = TIFFReadRawStrip(in, 0, coded.data(), static_cast<tmsize_t>(coded.size()));
  TIFFClose(in);
  if (got != static_cast<tmsize_t>(coded.size())) return {};
  return coded;
}

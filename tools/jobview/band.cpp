// The band's data is not copied: libtiff reads a small TIFF header made here,
// followed by the band's bytes where they lie in the job.
#include "tools/jobview/band.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Slices of about this many bytes of decoded rows.
constexpr size_t kSliceBytes = size_t{4} << 20;

// A little-endian TIFF of one strip: header, one directory of ten entries,
// then the coded data.
constexpr uint32_t kEntryCount = 10;
constexpr uint32_t kDataOffset = 8 + 2 + 12 * kEntryCount + 4;

struct MemoryTiff {
  std::array<uint8_t, kDataOffset> head{};
  const uint8_t* data;
  size_t size;
  uint64_t at = 0;
};

void Put16(uint8_t* p, uint32_t v) {
  p[0] = v & 0xFF, p[1] = v >> 8 & 0xFF;
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF), Put16(p + 2, v >> 16);
}

void MakeHead(MemoryTiff& t, int32_t width, int32_t rows) {
  uint8_t* h = t.head.data();
  h[0] = h[1] = 'I';
  Put16(h + 2, 42);
  Put32(h + 4, 8);
  Put16(h + 8, kEntryCount);
  constexpr uint16_t kShort = 3, kLong = 4;
  const std::array<std::array<uint32_t, 3>, kEntryCount> entries = {{
      {TIFFTAG_IMAGEWIDTH, kLong, static_cast<uint32_t>(width)},
      {TIFFTAG_IMAGELENGTH, kLong, static_cast<uint32_t>(rows)},
      {TIFFTAG_BITSPERSAMPLE, kShort, 1},
      {TIFFTAG_COMPRESSION, kShort, COMPRESSION_CCITTFAX4},
      {TIFFTAG_PHOTOMETRIC, kShort, PHOTOMETRIC_MINISWHITE},
      {TIFFTAG_FILLORDER, kShort, FILLORDER_MSB2LSB},
      {TIFFTAG_STRIPOFFSETS, kLong, kDataOffset},
      {TIFFTAG_SAMPLESPERPIXEL, kShort, 1},
      {TIFFTAG_ROWSPERSTRIP, kLong, static_cast<uint32_t>(rows)},
      {TIFFTAG_STRIPBYTECOUNTS, kLong, static_cast<uint32_t>(t.size)},
  }};
  uint8_t* e = h + 10;
  for (const auto& [tag, type, value] : entries) {
    Put16(e, tag);
    Put16(e + 2, type);
    Put32(e + 4, 1);
    if (type == kShort)
      Put16(e + 8, value);
    else
      Put32(e + 8, value);
    e += 12;
  }
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t want) {
  auto& t = *static_cast<MemoryTiff*>(handle);
  auto* out = static_cast<uint8_t*>(buffer);
  tmsize_t done = 0;
  while (done < want) {
    const bool inHead = t.at < kDataOffset;
    const uint8_t* from = inHead ? t.head.data() + t.at : t.data + (t.at - kDataOffset);
    const uint64_t end = inHead ? kDataOffset : kDataOffset + t.size;
    if (t.at >= end) break;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(end - t.at, want - done));
    std::memcpy(out + done, from, n);
    done += n;
    t.at += n;
  }
  return done;
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
  return -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto& t = *static_cast<MemoryTiff*>(handle);
  const uint64_t end = kDataOffset + t.size;
  const uint64_t base = whence == SEEK_CUR ? t.at : whence == SEEK_END ? end : 0;
  t.at = base + offset;
  return t.at;
}

int CloseProc(thandle_t) {
  return 0;
}
toff_t SizeProc(thandle_t handle) {
  return kDataOffset + static_cast<MemoryTiff*>(handle)->size;
}
int MapProc(thandle_t, void**, toff_t*) {
  return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff reports through global handlers; the last message is kept for the
// band being decoded.
std::string lastTiffMessage;
void KeepMessage(const char*, const char* format, va_list args) {
  char text[256];
  std::vsnprintf(text, sizeof text, format, args);
  lastTiffMessage = text;
}

}  // namespace

int32_t DecodeBand(const uint8_t* data, size_t size, int32_t width, int32_t rows,
                   const BandSlice& slice, std::string& error) {
  error.clear();
  if (width <= 0 || rows <= 0 || size > UINT32_MAX - kDataOffset) {
    error = "no rows to decode";
    return 0;
  }
  TIFFSetErrorHandler(KeepMessage);
  // A premature end of the data is only a warning to libtiff, which then
  // fills the rest of the band white; here it ends the band.
  TIFFSetWarningHandler(KeepMessage);
  lastTiffMessage.clear();
  MemoryTiff file{{}, data, size};
  MakeHead(file, width, rows);
  TIFF* tiff = TIFFClientOpen("band", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc,
                              SizeProc, MapProc, UnmapProc);
  if (tiff == nullptr) {
    error = lastTiffMessage.empty() ? "libtiff cannot open the band" : lastTiffMessage;
    return 0;
  }
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  const int32_t sliceRows = static_cast<int32_t>(
      std::clamp<size_t>(kSliceBytes / rowBytes, 1, static_cast<size_t>(rows)));
  std::vector<uint8_t> buffer(rowBytes * static_cast<size_t>(sliceRows));
  int32_t done = 0;
  while (done < rows) {
    const int32_t count = std::min(sliceRows, rows - done);
    int32_t got = 0;
    while (got < count &&
           TIFFReadScanline(tiff, buffer.data() + rowBytes * static_cast<size_t>(got),
                            static_cast<uint32_t>(done + got)) == 1 &&
           lastTiffMessage.empty())
      ++got;
    if (got > 0) slice(done, got, buffer.data());
    done += got;
    if (got < count) {
      error = lastTiffMessage.empty() ? "the coded data ends early" : lastTiffMessage;
      break;
    }
  }
  TIFFClose(tiff);
  return done;
}

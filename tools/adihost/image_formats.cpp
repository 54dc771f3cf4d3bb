// JPEG images through libjpeg and TIFF images through libtiff, read from
// memory like PNG ones: every kind becomes 8-bit RGB, and a size the file
// declares is checked before anything is allocated for it.
// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <tiffio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tools/adihost/raster_file.h"

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 26;
// libtiff decodes a whole strip or tile at once, into a buffer sized from
// what the file claims of its samples: 16-bit red, green, blue and alpha are
// the most an image of the largest size needs.
constexpr int64_t kMaxTiffChunkBytes = kMaxPixels * 8;

std::string TooLarge(const char* kind, int64_t width, int64_t height) {
  return std::string("a ") + kind + " image of " + std::to_string(width) + " x " +
         std::to_string(height) + " pixels is larger than adihost reads (" +
         std::to_string(kMaxPixels) + " pixels at most)";
}

// libjpeg gives up through its error manager: back to the reader, with the reason.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf back;
  char reason[JMSG_LENGTH_MAX];
};

void JpegGiveUp(j_common_ptr info) {
  auto* e = reinterpret_cast<JpegError*>(info->err);
  e->manager.format_message(info, e->reason);
  std::longjmp(e->back, 1);
}

void JpegQuiet(j_common_ptr, int) {}

// The TIFF file in memory, as libtiff's client procedures see it.
struct TiffSource {
  const uint8_t* data;
  toff_t size, at;
};

tsize_t TiffRead(thandle_t h, tdata_t to, tsize_t count) {
  auto* s = static_cast<TiffSource*>(h);
  const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), s->size - std::min(s->at, s->size));
  std::memcpy(to, s->data + s->at, n);
  s->at += n;
  return static_cast<tsize_t>(n);
}
tsize_t TiffWrite(thandle_t, tdata_t, tsize_t) {
  return 0;
}
toff_t TiffSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<TiffSource*>(h);
  const toff_t base = whence == SEEK_CUR ? s->at : whence == SEEK_END ? s->size : 0;
  s->at = base + offset;
  return s->at;
}
int TiffClose(thandle_t) {
  return 0;
}
toff_t TiffSize(thandle_t h) {
  return static_cast<TiffSource*>(h)->size;
}
int TiffMap(thandle_t, tdata_t*, toff_t*) {
  return 0;
}
void TiffUnmap(thandle_t, tdata_t, toff_t) {}

// libtiff's last complaint, kept for the message.
std::string tiffReason;
void TiffComplain(const char*, const char* format, va_list args) {
  char text[256];
  std::vsnprintf(text, sizeof text, format, args);
  tiffReason = text;
}

}  // namespace

int32_t ReadJpegBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error) {
  jpeg_decompress_struct info;
  JpegError e;
  info.err = jpeg_std_error(&e.manager);
  e.manager.error_exit = JpegGiveUp;
  e.manager.emit_message = JpegQuiet;
  std::vector<uint8_t> rgb;
  if (setjmp(e.back)) {
    jpeg_destroy_decompress(&info);
    error = std::string("not a valid JPEG image (") + e.reason + ")";
    return -1;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  if (int64_t{info.image_width} * info.image_height > kMaxPixels) {
    error = TooLarge("JPEG", info.image_width, info.image_height);
    jpeg_destroy_decompress(&info);
    return -1;
  }
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    error = "a CMYK JPEG image (adihost reads grey and RGB ones)";
    jpeg_destroy_decompress(&info);
    return -1;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const size_t row = static_cast<size_t>(info.output_width) * 3;
  rgb.resize(row * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW at = &rgb[row * info.output_scanline];
    jpeg_read_scanlines(&info, &at, 1);
  }
  jpeg_finish_decompress(&info);
  image.width = static_cast<int32_t>(info.output_width);
  image.height = static_cast<int32_t>(info.output_height);
  jpeg_destroy_decompress(&info);
  image.colour = true;
  image.data = std::move(rgb);
  return 0;
}

int32_t ReadTiffBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error) {
  TIFFSetErrorHandler(TiffComplain);
  TIFFSetWarningHandler(nullptr);
  tiffReason = "damaged file";
  TiffSource source{data, size, 0};
  TIFF* tiff = TIFFClientOpen("image", "rm", &source, TiffRead, TiffWrite, TiffSeek, TiffClose,
                              TiffSize, TiffMap, TiffUnmap);
  if (tiff == nullptr) return error = "not a valid TIFF image (" + tiffReason + ")", -1;
  uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  if (width == 0 || height == 0 || int64_t{width} * height > kMaxPixels) {
    error =
        width == 0 || height == 0 ? "a TIFF image without a size" : TooLarge("TIFF", width, height);
    TIFFClose(tiff);
    return -1;
  }
  // A few bytes can claim samples enough for gigabytes a strip.
  const uint64_t chunk = TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
  if (chunk == 0 || chunk > static_cast<uint64_t>(kMaxTiffChunkBytes)) {
    error = "a TIFF image whose " + std::string(TIFFIsTiled(tiff) ? "tiles" : "strips") +
            " claim " + std::to_string(chunk) + " bytes (" + std::to_string(kMaxTiffChunkBytes) +
            " at most)";
    TIFFClose(tiff);
    return -1;
  }
  std::vector<uint32_t> rgba(static_cast<size_t>(width) * height);
  const int read =
      TIFFReadRGBAImageOriented(tiff, width, height, rgba.data(), ORIENTATION_TOPLEFT, 0);
  TIFFClose(tiff);
  if (!read) return error = "not a readable TIFF image (" + tiffReason + ")", -1;
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.colour = true;
  image.data.resize(rgba.size() * 3);
  for (size_t i = 0; i < rgba.size(); ++i) {
    const uint32_t p = rgba[i], alpha = TIFFGetA(p);
    if (alpha < 255) image.transparent = true;
    const uint32_t channels[3] = {TIFFGetR(p), TIFFGetG(p), TIFFGetB(p)};
    for (size_t c = 0; c < 3; ++c)
      image.data[3 * i + c] =
          static_cast<uint8_t>((channels[c] * alpha + 255 * (255 - alpha)) / 255);
  }
  return 0;
}

// PNG images through libpng: every colour type becomes 8-bit RGB; an alpha
// channel is composed over white and marks the image transparent.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "tools/adihost/raster_file.h"

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 26;
// Deflate packs at most 1032 bytes into one: an image whose rows need more
// than that many times the file's size lies about its size.
constexpr int64_t kMaxDeflateRatio = 1032;

struct PngSource {
  const uint8_t* data;
  size_t size, at;
};

void ReadFromMemory(png_structp png, png_bytep to, size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->at) png_error(png, "truncated file");
  std::memcpy(to, source->data + source->at, count);
  source->at += count;
}

// libpng's reason for giving up, kept for the message.
void KeepError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

}  // namespace

int32_t ReadPngBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error) {
  std::string reason;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &reason, KeepError, IgnoreWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = "out of memory";
    return -1;
  }
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = "not a valid PNG image (" + reason + ")";
    return -1;
  }
  PngSource source{data, size, 0};
  png_set_read_fn(png, &source, ReadFromMemory);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  // The declared size is checked before anything is allocated for it.
  const int64_t rowBits =
      int64_t{width} * png_get_channels(png, info) * png_get_bit_depth(png, info);
  const std::string sizeText = std::to_string(width) + " x " + std::to_string(height);
  std::string refusal;
  if (int64_t{width} * height > kMaxPixels) {
    refusal = "a PNG image of " + sizeText + " pixels is larger than adihost reads (" +
              std::to_string(kMaxPixels) + " pixels at most)";
  } else if (int64_t{height} * (1 + (rowBits + 7) / 8) > kMaxDeflateRatio * int64_t(size)) {
    refusal = "a PNG image of " + sizeText + " pixels cannot fit in " + std::to_string(size) +
              " bytes (damaged or truncated file)";
  }
  if (!refusal.empty()) {
    png_destroy_read_struct(&png, &info, nullptr);
    error = refusal;
    return -1;
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != 4 * width) png_error(png, "unexpected layout");
  rgba.resize(static_cast<size_t>(width) * height * 4);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = &rgba[static_cast<size_t>(y) * width * 4];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.colour = true;
  image.data.resize(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    const uint32_t alpha = rgba[4 * i + 3];
    if (alpha < 255) image.transparent = true;
    for (size_t c = 0; c < 3; ++c)
      image.data[3 * i + c] =
          static_cast<uint8_t>((rgba[4 * i + c] * alpha + 255 * (255 - alpha)) / 255);
  }
  return 0;
}

// PNG images through libpng: every colour type becomes 8-bit RGB; an alpha
// channel is composed over white and marks the image transparent.
#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "tools/adihost/raster_file.h"

namespace {
constexpr int64_t kMaxPixels = int64_t{1} << 26;
}

int32_t ReadPngFile(std::FILE* f, RasterPixels& image, std::string& error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
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
    error = "not a valid PNG image";
    return -1;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (int64_t{width} * height > kMaxPixels) png_error(png, "too large");
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

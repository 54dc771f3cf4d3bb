#pragma once
// Raster images as adihost serves them to the driver: read from PNG, JPEG
// and TIFF files (Linux) or from binary netpbm files (both builds), written as netpbm for
// request scripts that the Win32 build can play.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/raster_pixels.h"

// 0, or -1 with a reason in `error`. The kind is chosen by the file's signature.
int32_t ReadRasterFile(const std::string& path, RasterPixels& image, std::string& error);
// A PNG image from its bytes, as it stands (Linux builds, with libpng). 0, or
// -1 with a reason in `error`.
int32_t ReadPngBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error);
// JPEG (libjpeg) and TIFF (libtiff) images from their bytes, likewise.
int32_t ReadJpegBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error);
int32_t ReadTiffBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error);
// Any image kind but netpbm from its bytes, chosen by its signature.
int32_t ReadRasterBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error);
// P4 for a two-level image, P6 for a colour one. 0 or -1.
int32_t WriteNetpbm(const std::string& path, const RasterPixels& image);
// Reduces a colour image whose pixels are all pure black or pure white to a
// two-level one.
void MakeTwoLevelWhenBlackAndWhite(RasterPixels& image);

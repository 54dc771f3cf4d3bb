#include "tools/adihost/raster_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// A netpbm header field: a decimal number after blanks and comments.
int32_t ReadHeaderNumber(std::FILE* f) {
  int c = std::fgetc(f);
  while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#') {
    if (c == '#')
      while (c != '\n' && c != EOF) c = std::fgetc(f);
    c = std::fgetc(f);
  }
  int64_t value = -1;
  while (c >= '0' && c <= '9') {
    value = (value < 0 ? 0 : value * 10) + (c - '0');
    if (value > 1000000) return -1;
    c = std::fgetc(f);
  }
  return static_cast<int32_t>(value);
}

// The pixel count limit keeps a hostile header from asking for gigabytes.
constexpr int64_t kMaxPixels = int64_t{1} << 26;

int32_t ReadNetpbm(std::FILE* f, char kind, RasterPixels& image, std::string& error) {
  image.width = ReadHeaderNumber(f);
  image.height = ReadHeaderNumber(f);
  const int32_t maxValue = kind == '4' ? 1 : ReadHeaderNumber(f);
  if (image.width <= 0 || image.height <= 0 || maxValue <= 0 || maxValue > 255 ||
      int64_t{image.width} * image.height > kMaxPixels) {
    error = "bad netpbm header";
    return -1;
  }
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  image.colour = kind != '4';
  image.data.assign(image.colour ? 3 * pixels : pixels, 0);
  if (kind == '4') {
    const size_t rowBytes = (image.width + 7) / 8;
    std::vector<uint8_t> row(rowBytes);
    for (int32_t y = 0; y < image.height; ++y) {
      if (std::fread(row.data(), 1, rowBytes, f) != rowBytes) return error = "truncated", -1;
      for (int32_t x = 0; x < image.width; ++x)
        image.data[static_cast<size_t>(y) * image.width + x] = row[x / 8] >> (7 - x % 8) & 1;
    }
    return 0;
  }
  const size_t channels = kind == '6' ? 3 : 1;
  std::vector<uint8_t> samples(channels * pixels);
  if (std::fread(samples.data(), 1, samples.size(), f) != samples.size())
    return error = "truncated", -1;
  for (size_t i = 0; i < pixels; ++i)
    for (size_t c = 0; c < 3; ++c)
      image.data[3 * i + c] =
          static_cast<uint8_t>(samples[channels * i + (channels == 3 ? c : 0)] * 255 / maxValue);
  return 0;
}

}  // namespace

int32_t ReadRasterFile(const std::string& path, RasterPixels& image, std::string& error) {
  File f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    error = "cannot open";
    return -1;
  }
  image = RasterPixels{};
  unsigned char magic[8] = {};
  const size_t got = std::fread(magic, 1, sizeof magic, f.get());
  if (got >= 2 && magic[0] == 'P' && (magic[1] == '4' || magic[1] == '5' || magic[1] == '6')) {
    std::fseek(f.get(), 2, SEEK_SET);
    return ReadNetpbm(f.get(), static_cast<char>(magic[1]), image, error);
  }
#if defined(ADIHOST_WITH_PNG)
  std::vector<uint8_t> bytes(magic, magic + got);
  uint8_t chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0;)
    bytes.insert(bytes.end(), chunk, chunk + n);
  if (ReadRasterBytes(bytes.data(), bytes.size(), image, error) < 0) return -1;
  MakeTwoLevelWhenBlackAndWhite(image);
  return 0;
#else
  error = "PNG, JPEG and TIFF images are read by the Linux build only";
  return -1;
#endif
}

#if defined(ADIHOST_WITH_PNG)
int32_t ReadRasterBytes(const uint8_t* data, size_t size, RasterPixels& image, std::string& error) {
  image = RasterPixels{};
  const auto starts = [&](std::initializer_list<uint8_t> signature) {
    return size >= signature.size() && std::equal(signature.begin(), signature.end(), data);
  };
  if (starts({0x89, 'P', 'N', 'G'})) return ReadPngBytes(data, size, image, error);
  if (starts({0xFF, 0xD8, 0xFF})) return ReadJpegBytes(data, size, image, error);
  if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42}))
    return ReadTiffBytes(data, size, image, error);
  if (starts({'B', 'M'}))
    return error = "a BMP image (adihost reads PNG, JPEG, TIFF and netpbm)", -1;
  error = "not a PNG, JPEG, TIFF or binary netpbm image";
  return -1;
}
#endif
void MakeTwoLevelWhenBlackAndWhite(RasterPixels& image) {
  if (!image.colour) return;
  for (uint8_t v : image.data)
    if (v != 0 && v != 255) return;
  const size_t pixels = image.data.size() / 3;
  for (size_t i = 0; i < pixels; ++i)
    if (image.data[3 * i] != image.data[3 * i + 1] || image.data[3 * i] != image.data[3 * i + 2])
      return;
  std::vector<uint8_t> twoLevel(pixels);
  for (size_t i = 0; i < pixels; ++i) twoLevel[i] = image.data[3 * i] == 0 ? 1 : 0;
  image.data.swap(twoLevel);
  image.colour = false;
}

int32_t WriteNetpbm(const std::string& path, const RasterPixels& image) {
  File f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return -1;
  std::fprintf(f.get(), image.colour ? "P6\n%d %d\n255\n" : "P4\n%d %d\n", image.width,
               image.height);
  if (image.colour) {
    if (std::fwrite(image.data.data(), 1, image.data.size(), f.get()) != image.data.size())
      return -1;
  } else {
    std::vector<uint8_t> row((image.width + 7) / 8);
    for (int32_t y = 0; y < image.height; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (int32_t x = 0; x < image.width; ++x)
        if (image.data[static_cast<size_t>(y) * image.width + x] != 0)
          row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      if (std::fwrite(row.data(), 1, row.size(), f.get()) != row.size()) return -1;
    }
  }
  return std::fclose(f.release()) == 0 ? 0 : -1;
}

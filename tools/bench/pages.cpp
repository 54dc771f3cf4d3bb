#include "tools/bench/pages.h"

#include <cmath>
#include <cstring>
#include <random>

#include "raster/bands.h"
#include "raster/canvas.h"
#include "tools/bench/bench_host.h"

std::vector<uint8_t> PhotoRow(int32_t y, int32_t width) {
  std::vector<uint8_t> row(3 * static_cast<size_t>(width));
  std::mt19937 grain(static_cast<uint32_t>(y) * 2654435761u);
  for (int32_t x = 0; x < width; ++x) {
    const double u = static_cast<double>(x) / width;
    const double v = static_cast<double>(y) / kPageHeight;
    const double dx = u - 0.35, dy = v - 0.45;
    const double disc = std::exp(-(dx * dx + dy * dy) * 18.0);
    const double waves = 0.5 + 0.5 * std::sin(u * 9.0 + v * 4.0) * std::cos(v * 7.0 - u * 3.0);
    const int32_t noise = static_cast<int32_t>(grain() % 9) - 4;
    auto channel = [&](double value) {
      const int32_t c = static_cast<int32_t>(value * 255.0) + noise;
      return static_cast<uint8_t>(c < 0 ? 0 : c > 255 ? 255 : c);
    };
    row[3 * x] = channel(0.15 + 0.8 * disc + 0.1 * waves * u);
    row[3 * x + 1] = channel(0.2 + 0.6 * waves * (1 - disc * 0.5));
    row[3 * x + 2] = channel(0.9 - 0.7 * v * waves);
  }
  return row;
}

Page HalftonedPhotoPage() {
  Page page{"photo", {}};
  BenchDriver();
  RasterReserve(kPageWidth, kPageHeight, 1);
  raster.transparent = 0;
  BuildScreenPatterns();
  for (int32_t y = 0; y < kPageHeight; ++y) {
    const auto row = PhotoRow(y, kPageWidth);
    RasterAddStrip(kPageWidth, row.data(), kStripColour, 0, 0, 0);
  }
  page.words.assign(raster.canvas, raster.canvas + size_t{kPageRowWords} * kPageHeight);
  RasterReserve(1, 1, 1);
  return page;
}

namespace {

struct Sheet {
  std::vector<uint32_t>& words;
  void Dot(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= kPageWidth || y >= kPageHeight) return;
    words[size_t{kPageRowWords} * y + x / 32] |= 0x80000000u >> (x % 32);
  }
  void Box(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    for (int32_t y = y0; y < y1; ++y)
      for (int32_t x = x0; x < x1; ++x) Dot(x, y);
  }
  // A line drawn with a square pen of the given width.
  void Line(double x0, double y0, double x1, double y1, int32_t width) {
    const double length = std::hypot(x1 - x0, y1 - y0);
    const int32_t steps = static_cast<int32_t>(length) + 1;
    for (int32_t i = 0; i <= steps; ++i) {
      const int32_t x = static_cast<int32_t>(x0 + (x1 - x0) * i / steps);
      const int32_t y = static_cast<int32_t>(y0 + (y1 - y0) * i / steps);
      Box(x - width / 2, y - width / 2, x - width / 2 + width, y - width / 2 + width);
    }
  }
  void Circle(double cx, double cy, double r, int32_t width) {
    const int32_t steps = static_cast<int32_t>(r * 6.3) + 8;
    for (int32_t i = 0; i < steps; ++i) {
      const double a = 6.283185307179586 * i / steps, b = 6.283185307179586 * (i + 1) / steps;
      Line(cx + r * std::cos(a), cy + r * std::sin(a), cx + r * std::cos(b), cy + r * std::sin(b),
           width);
    }
  }
};

}  // namespace

Page LineDrawingPage() {
  Page page{"lines", std::vector<uint32_t>(size_t{kPageRowWords} * kPageHeight)};
  Sheet s{page.words};
  // Frame and title block.
  s.Line(120, 120, kPageWidth - 120, 120, 12);
  s.Line(kPageWidth - 120, 120, kPageWidth - 120, kPageHeight - 120, 12);
  s.Line(kPageWidth - 120, kPageHeight - 120, 120, kPageHeight - 120, 12);
  s.Line(120, kPageHeight - 120, 120, 120, 12);
  const int32_t tx = kPageWidth - 3200, ty = kPageHeight - 1100;
  s.Line(tx, ty, kPageWidth - 120, ty, 8);
  s.Line(tx, ty, tx, kPageHeight - 120, 8);
  for (int32_t k = 1; k < 5; ++k) s.Line(tx, ty + 200 * k, kPageWidth - 120, ty + 200 * k, 3);
  // Lines of several widths and angles.
  std::mt19937 random(11);
  for (int32_t i = 0; i < 400; ++i) {
    const double x0 = 300 + random() % 6000, y0 = 300 + random() % 5600;
    const double angle = (random() % 360) * 0.017453292519943295;
    const double length = 200 + random() % 2500;
    const int32_t widths[] = {1, 2, 3, 5, 8};
    s.Line(x0, y0, x0 + length * std::cos(angle), y0 + length * std::sin(angle),
           widths[random() % 5]);
  }
  for (int32_t i = 0; i < 60; ++i)
    s.Circle(600 + random() % 5400, 600 + random() % 5000, 40 + random() % 700, 1 + random() % 4);
  // Text-like marks: rows of small strokes in the title block and notes.
  for (int32_t line = 0; line < 30; ++line)
    for (int32_t c = 0; c < 60; ++c) {
      const int32_t x = 600 + c * 42 + (line % 2) * 10, y = 5000 + line * 60;
      if (random() % 5 == 0) continue;
      s.Box(x, y, x + 6, y + 36);
      s.Box(x, y + 30, x + 28, y + 36);
      if (random() % 2 == 0) s.Box(x + 22, y, x + 28, y + 36);
    }
  for (int32_t line = 0; line < 4; ++line)
    for (int32_t c = 0; c < 70; ++c)
      s.Box(tx + 100 + c * 42, ty + 60 + 200 * line, tx + 130 + c * 42, ty + 130 + 200 * line);
  return page;
}

Page WhitePage() {
  return Page{"white", std::vector<uint32_t>(size_t{kPageRowWords} * kPageHeight)};
}

std::vector<uint8_t> PageBytes(const Page& page) {
  std::vector<uint8_t> bytes(page.words.size() * 4);
  SwapWordBytes(reinterpret_cast<const uint8_t*>(page.words.data()), bytes.data(),
                static_cast<int32_t>(bytes.size()));
  return bytes;
}

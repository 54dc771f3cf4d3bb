// Linux stand-ins for the GDI calls of the brightness graph: bitmaps, pens
// and brushes over in-memory surfaces, so that tests can read what was drawn.
#if !defined(_WIN32)
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/linux_user.h"

enum class GdiKind { Bitmap, Pen, Brush, Stock };

struct GdiObject {
  GdiKind kind;
  COLORREF colour = 0;
  Surface surface;
};

struct DeviceContext {
  Surface* target = nullptr;  // the window's surface or the selected bitmap's
  HBITMAP bitmap = nullptr;
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  bool memory = false;  // draws into its selected bitmap
};

namespace {

int32_t liveObjects = 0;
// What a fresh device context has selected: a one-pixel bitmap, a black pen
// and a white brush.
GdiObject stockBitmap{GdiKind::Stock, 0, {}};
GdiObject stockPen{GdiKind::Stock, 0, {}};
GdiObject stockBrush{GdiKind::Stock, RGB(255, 255, 255), {}};

uint32_t ReadLe(std::string_view b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

// A BMP file of 4 or 8 bits per pixel with a palette, bottom-up.
bool DecodeBmp(std::string_view b, Surface& out) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  const uint32_t offset = ReadLe(b, 10, 4), header = ReadLe(b, 14, 4);
  const auto width = static_cast<int32_t>(ReadLe(b, 18, 4));
  const auto height = static_cast<int32_t>(ReadLe(b, 22, 4));
  const uint32_t bits = ReadLe(b, 28, 2);
  if ((bits != 4 && bits != 8) || width <= 0 || height <= 0) return false;
  const size_t palette = 14 + header;
  const size_t rowBytes = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  if (offset + rowBytes * height > b.size()) return false;
  out.Resize(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = offset + rowBytes * (height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      const auto byte = static_cast<uint8_t>(b[row + x * bits / 8]);
      const uint32_t index = bits == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 0x0F);
      const size_t entry = palette + 4 * index;
      out.pixels[static_cast<size_t>(y) * width + x] =
          RGB(static_cast<uint8_t>(b[entry + 2]), static_cast<uint8_t>(b[entry + 1]),
              static_cast<uint8_t>(b[entry]));
    }
  }
  return true;
}

GdiObject* NewObject(GdiKind kind, COLORREF colour) {
  ++liveObjects;
  return new GdiObject{kind, colour, {}};
}

void Plot(Surface& s, int32_t x, int32_t y, COLORREF c) {
  if (x >= 0 && y >= 0 && x < s.width && y < s.height)
    s.pixels[static_cast<size_t>(y) * s.width + x] = c;
}

// A line without its last pixel, as GDI draws each segment.
void Line(Surface& s, POINT a, POINT b, COLORREF c) {
  const int32_t dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int32_t sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int32_t error = dx + dy;
  while (a.x != b.x || a.y != b.y) {
    Plot(s, a.x, a.y, c);
    const int32_t e2 = 2 * error;
    if (e2 >= dy) error += dy, a.x += sx;
    if (e2 <= dx) error += dx, a.y += sy;
  }
}

}  // namespace

HDC WindowDC(HWND window) {
  const RECT r = ClientRectOf(*window);
  if (window->surface.width != r.right || window->surface.height != r.bottom)
    window->surface.Resize(r.right, r.bottom);
  return new DeviceContext{&window->surface, &stockBitmap, &stockPen, &stockBrush, false};
}

void ReleaseWindowDC(HDC dc) {
  delete dc;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  if (instance == nullptr || !IS_INTRESOURCE(name)) return nullptr;
  Surface s;
  if (!DecodeBmp(BitmapResource(static_cast<int32_t>(reinterpret_cast<uintptr_t>(name))), s))
    return nullptr;
  GdiObject* b = NewObject(GdiKind::Bitmap, 0);
  b->surface = std::move(s);
  return b;
}

int GetObjectA(HGDIOBJ object, int size, void* out) {
  if (object == nullptr || object->kind != GdiKind::Bitmap ||
      size < static_cast<int>(sizeof(BITMAP)))
    return 0;
  BITMAP bm{};
  bm.bmWidth = object->surface.width;
  bm.bmHeight = object->surface.height;
  bm.bmWidthBytes = (bm.bmWidth * 4 + 15) / 16 * 2;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = 4;
  std::memcpy(out, &bm, sizeof bm);
  return sizeof bm;
}

HDC CreateCompatibleDC(HDC) {
  ++liveObjects;
  return new DeviceContext{nullptr, &stockBitmap, &stockPen, &stockBrush, true};
}

BOOL DeleteDC(HDC dc) {
  if (dc == nullptr) return FALSE;
  --liveObjects;
  delete dc;
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (dc == nullptr || object == nullptr) return nullptr;
  HGDIOBJ previous = nullptr;
  if (object == &stockBitmap || object->kind == GdiKind::Bitmap) {
    if (!dc->memory) return nullptr;
    previous = dc->bitmap;
    dc->bitmap = object;
    dc->target = object->kind == GdiKind::Bitmap ? &object->surface : nullptr;
  } else if (object == &stockPen || object->kind == GdiKind::Pen) {
    previous = dc->pen;
    dc->pen = object;
  } else {
    previous = dc->brush;
    dc->brush = object;
  }
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == nullptr || object->kind == GdiKind::Stock) return FALSE;
  --liveObjects;
  delete object;
  return TRUE;
}

HPEN CreatePen(int, int, COLORREF colour) {
  return NewObject(GdiKind::Pen, colour);
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return NewObject(GdiKind::Brush, colour);
}

BOOL StretchBlt(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
                DWORD) {
  if (dest == nullptr || source == nullptr || dest->target == nullptr ||
      source->target == nullptr || w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
    return FALSE;
  const Surface& from = *source->target;
  for (int32_t j = 0; j < h; ++j)
    for (int32_t i = 0; i < w; ++i) {
      const int32_t fx = sx + i * sw / w, fy = sy + j * sh / h;
      if (fx >= 0 && fy >= 0 && fx < from.width && fy < from.height)
        Plot(*dest->target, x + i, y + j, from.At(fx, fy));
    }
  return TRUE;
}

int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  if (dc == nullptr || dc->target == nullptr || r == nullptr || brush == nullptr) return 0;
  for (int32_t y = r->top; y < r->bottom; ++y)
    for (int32_t x = r->left; x < r->right; ++x) Plot(*dc->target, x, y, brush->colour);
  return 1;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  if (dc == nullptr || dc->target == nullptr || points == nullptr || count < 2) return FALSE;
  for (int i = 1; i < count; ++i) Line(*dc->target, points[i - 1], points[i], dc->pen->colour);
  return TRUE;
}

int32_t PlatformLiveGdiObjects() {
  return liveObjects;
}
#endif

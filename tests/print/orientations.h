#pragma once
// The eight ways a page can lie on a sheet, for the tests that look for a
// printed page on its sheet: page dot (x, y) of a w x h page lands at the
// returned place inside the page's box on the sheet, which is w x h or, when
// turned, h x w. The first four are turns; the rest mirror the page.
#include <cstdint>
#include <utility>

struct Orientation {
  const char* name;
  bool turned;
  std::pair<int32_t, int32_t> (*at)(int32_t x, int32_t y, int32_t w, int32_t h);
};

using Dot = std::pair<int32_t, int32_t>;
inline constexpr Orientation kOrientations[] = {
    {"upright", false,
     [](int32_t x, int32_t y, int32_t, int32_t) {
       return Dot{x, y};
     }},
    {"upside down", false,
     [](int32_t x, int32_t y, int32_t w, int32_t h) {
       return Dot{w - 1 - x, h - 1 - y};
     }},
    {"turned left", true,
     [](int32_t x, int32_t y, int32_t w, int32_t) {
       return Dot{y, w - 1 - x};
     }},
    {"turned right", true,
     [](int32_t x, int32_t y, int32_t, int32_t h) {
       return Dot{h - 1 - y, x};
     }},
    {"mirrored", false,
     [](int32_t x, int32_t y, int32_t w, int32_t) {
       return Dot{w - 1 - x, y};
     }},
    {"mirrored upside down", false,
     [](int32_t x, int32_t y, int32_t, int32_t h) {
       return Dot{x, h - 1 - y};
     }},
    {"transposed", true,
     [](int32_t x, int32_t y, int32_t, int32_t) {
       return Dot{y, x};
     }},
    {"transposed the other way", true,
     [](int32_t x, int32_t y, int32_t w, int32_t h) {
       return Dot{h - 1 - y, w - 1 - x};
     }},
};
inline constexpr int32_t kTrueTurns = 4;

// The corner of the sheet (0 to 3: left or right, top or bottom) at which
// the page's box starts.
inline Dot BoxCorner(int32_t corner, const Orientation& o, int32_t w, int32_t h, int32_t sheetWidth,
                     int32_t sheetHeight) {
  const int32_t boxW = o.turned ? h : w, boxH = o.turned ? w : h;
  return {corner & 1 ? sheetWidth - boxW : 0, corner & 2 ? sheetHeight - boxH : 0};
}

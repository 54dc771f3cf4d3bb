// Compares a printed page with the same page rendered by another program, for
// the print tests: the job's preview (the whole sheet) and the document's own
// rendering, both grey PGM files at the job's resolution.
//
//   print_compare_pages SHEET.pgm PAGE.pgm
//
// The page is looked for on the sheet in each of the eight ways it can lie at
// each corner; the best must be a turn, not a mirror. Then every dark dot of
// the page (a line) must have a dark dot of the sheet within one dot, and the
// other way round, and the page's grey areas must be screened (partly dark),
// not lost or printed solid. Exit 0 when all holds, 1 with the reasons.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/print/orientations.h"

namespace {

struct Grey {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> dots;
  uint8_t At(int32_t x, int32_t y) const { return dots[static_cast<size_t>(y) * width + x]; }
};

bool ReadPgm(const char* path, Grey& image) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int32_t most = 0;
  in >> magic >> image.width >> image.height >> most;
  in.get();
  if (!in || magic != "P5" || most != 255 || image.width <= 0 || image.height <= 0 ||
      image.width > 40000 || image.height > 40000)
    return false;
  image.dots.resize(static_cast<size_t>(image.width) * image.height);
  in.read(reinterpret_cast<char*>(image.dots.data()),
          static_cast<std::streamsize>(image.dots.size()));
  return static_cast<bool>(in);
}

constexpr uint8_t kDark = 96;                      // a line's dot
constexpr uint8_t kGreyLow = 64, kGreyHigh = 224;  // a fill's dots

struct Placement {
  int32_t orientation = 0, ox = 0, oy = 0;
  Dot At(int32_t x, int32_t y, int32_t w, int32_t h) const {
    const auto [tx, ty] = kOrientations[orientation].at(x, y, w, h);
    return {ox + tx, oy + ty};
  }
};

// A dot darker than `level` within one dot of (x, y).
bool DarkNear(const Grey& g, int32_t x, int32_t y, uint8_t level = kDark) {
  for (int32_t dy = -1; dy <= 1; ++dy)
    for (int32_t dx = -1; dx <= 1; ++dx) {
      const int32_t sx = x + dx, sy = y + dy;
      if (sx >= 0 && sy >= 0 && sx < g.width && sy < g.height && g.At(sx, sy) < level) return true;
    }
  return false;
}

// Dark dots of the page with no dark dot of the sheet within one, sampled.
int64_t Misses(const Grey& sheet, const Grey& page, const Placement& p, int32_t step) {
  int64_t misses = 0;
  for (int32_t y = 0; y < page.height; y += step)
    for (int32_t x = 0; x < page.width; x += step) {
      if (page.At(x, y) >= kDark) continue;
      const auto [sx, sy] = p.At(x, y, page.width, page.height);
      misses += !DarkNear(sheet, sx, sy);
    }
  return misses;
}

}  // namespace

int main(int argc, char** argv) {
  Grey sheet, page;
  if (argc != 3 || !ReadPgm(argv[1], sheet) || !ReadPgm(argv[2], page)) {
    std::fprintf(stderr, "Usage: print_compare_pages SHEET.pgm PAGE.pgm (8-bit PGM)\n");
    return 2;
  }
  Placement best;
  int64_t fewest = INT64_MAX;
  for (int32_t o = 0; o < 8; ++o) {
    const bool turned = kOrientations[o].turned;
    const int32_t boxW = turned ? page.height : page.width,
                  boxH = turned ? page.width : page.height;
    if (boxW > sheet.width + 2 || boxH > sheet.height + 2) continue;
    for (int32_t corner = 0; corner < 4; ++corner) {
      const auto [ox, oy] =
          BoxCorner(corner, kOrientations[o], page.width, page.height, sheet.width, sheet.height);
      const Placement p{o, ox, oy};
      const int64_t misses = Misses(sheet, page, p, 3);
      if (misses < fewest) fewest = misses, best = p;
    }
  }
  int32_t failures = 0;
  if (fewest == INT64_MAX) {
    std::printf("the page (%dx%d) does not fit the sheet (%dx%d)\n", page.width, page.height,
                sheet.width, sheet.height);
    return 1;
  }
  std::printf("page found %s at (%d, %d)\n", kOrientations[best.orientation].name, best.ox,
              best.oy);
  if (best.orientation >= kTrueTurns) ++failures, std::printf("the page is mirrored\n");
  const int64_t missed = Misses(sheet, page, best, 1);
  // Dark dots of the sheet inside the page's grey-free area with no dark dot
  // of the page within one: lines the job has and the document has not.
  int64_t extra = 0, greyDots = 0, greyDark = 0;
  for (int32_t y = 0; y < page.height; ++y)
    for (int32_t x = 0; x < page.width; ++x) {
      const auto [sx, sy] = best.At(x, y, page.width, page.height);
      // The preview outlines the sheet: its edge dots are no print.
      if (sx < 2 || sy < 2 || sx >= sheet.width - 2 || sy >= sheet.height - 2) continue;
      const uint8_t v = page.At(x, y);
      const bool sheetDark = sheet.At(sx, sy) < kDark;
      if (v >= kGreyLow && v <= kGreyHigh) {
        ++greyDots, greyDark += sheetDark;
      } else if (v > kGreyHigh && sheetDark && !DarkNear(page, x, y, kGreyHigh + 1)) {
        ++extra;
      }
    }
  std::printf("line dots missing: %lld; dots printed where the page is white: %lld\n",
              static_cast<long long>(missed), static_cast<long long>(extra));
  if (missed > 0 || extra > 0) ++failures;
  if (greyDots > 0) {
    const double share = static_cast<double>(greyDark) / greyDots;
    std::printf("grey areas: %lld dots, %.0f%% of them printed dark\n",
                static_cast<long long>(greyDots), 100 * share);
    if (share < 0.05 || share > 0.95) ++failures, std::printf("the grey fill is not screened\n");
  }
  return failures == 0 ? 0 : 1;
}

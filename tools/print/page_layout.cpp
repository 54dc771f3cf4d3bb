#include "tools/print/page_layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

// Page sizes come from PostScript points and the driver's table from
// rounded inches (C-arch is 17.973 in there, A4 8.266 x 11.68): a page
// within this of a size is that size. The table has ARCH A (and its roll)
// 8.96 in wide: a 9 in page is printed on it, and its last 0.04 in across
// falls off the sheet, as it does when the host plots it.
constexpr double kSizeTolerance = 0.1;
constexpr double kMillimetresPerInch = 25.4;

int32_t Grey(const PageFormat& page, const uint8_t* line, int32_t x) {
  switch (page.kind) {
    case PixelKind::Grey:
      return line[x];
    case PixelKind::Rgb: {
      const uint8_t* p = line + 3 * x;
      return p[0] == p[1] && p[1] == p[2] ? p[0] : (30 * p[0] + 59 * p[1] + 11 * p[2]) / 100;
    }
    case PixelKind::Black1:
      return (line[x >> 3] >> (7 - (x & 7)) & 1) ? 0 : 255;
  }
  return 255;
}

// The dot standing for the block of N x N dots at column x: the darkest.
int32_t DarkestColumn(const PageFormat& page, const uint8_t* const* lines, int32_t lineCount,
                      int32_t x, int32_t n, int32_t& row) {
  int32_t darkest = 256, column = x;
  row = 0;
  for (int32_t r = 0; r < lineCount; ++r)
    for (int32_t c = x; c < std::min(x + n, page.width); ++c) {
      const int32_t g = Grey(page, lines[r], c);
      if (g < darkest) darkest = g, row = r, column = c;
    }
  return column;
}

// Grey dots as red, green and blue bytes, which nearly every strip is. In
// blocks of a fixed size the compiler makes a few byte shuffles of a block
// where the processor has them (the clone it picks at load time).
#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__i386__))
__attribute__((target_clones("ssse3", "default")))
#endif
void GreyToRgb(const uint8_t* __restrict grey, int32_t count, uint8_t* __restrict rgb) {
  constexpr int32_t kBlock = 16;
  int32_t x = 0;
  for (; x + kBlock <= count; x += kBlock) {
    const uint8_t* g = grey + x;
    uint8_t* o = rgb + 3 * x;
    for (int32_t k = 0; k < kBlock; ++k) o[3 * k] = o[3 * k + 1] = o[3 * k + 2] = g[k];
  }
  for (; x < count; ++x) rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = grey[x];
}

// Grey dots as two-level pixels, 1 for black: the same test as Grey() < 128,
// in blocks the compiler does at once.
void GreyToTwoLevel(const uint8_t* __restrict grey, int32_t count, uint8_t* __restrict out) {
  constexpr int32_t kBlock = 16;
  const auto dot = [](uint8_t g) { return static_cast<uint8_t>((g >> 7) ^ 1); };
  int32_t x = 0;
  for (; x + kBlock <= count; x += kBlock)
    for (int32_t k = 0; k < kBlock; ++k) out[x + k] = dot(grey[x + k]);
  for (; x < count; ++x) out[x] = dot(grey[x]);
}

// A line of the page as it is, pixel for pixel: the common case, kept quick.
// Each byte of the strip is written once: the page's dots, then white past
// its width (at the start of a reversed strip).
void ServeLine(const PageFormat& page, const uint8_t* line, bool reverse, bool colour,
               int32_t length, uint8_t* out) {
  const int32_t shown = std::clamp(page.width, 0, length);
  const size_t size = colour ? 3 : 1;
  uint8_t* white = reverse ? out : out + size * shown;
  std::memset(white, colour ? 255 : 0, size * (length - shown));
  if (!reverse && page.kind == PixelKind::Grey) {
    return colour ? GreyToRgb(line, shown, out) : GreyToTwoLevel(line, shown, out);
  }
  for (int32_t x = 0; x < shown; ++x) {
    const int32_t j = reverse ? length - 1 - x : x;
    if (!colour) {
      out[j] = Grey(page, line, x) < 128 ? 1 : 0;
    } else if (page.kind == PixelKind::Rgb) {
      std::memcpy(out + 3 * j, line + 3 * x, 3);
    } else {
      std::memset(out + 3 * j, Grey(page, line, x), 3);
    }
  }
}

}  // namespace

int32_t PageFormat::BytesPerLine() const {
  switch (kind) {
    case PixelKind::Grey:
      return width;
    case PixelKind::Rgb:
      return 3 * width;
    case PixelKind::Black1:
      return (width + 7) / 8;
  }
  return 0;
}

int32_t ChooseSheet(const std::vector<PaperSize>& papers, double width, double length, bool roll,
                    SheetChoice& choice, std::string& error) {
  const auto near = [](double a, double b) { return std::fabs(a - b) <= kSizeTolerance; };
  if (!roll)
    for (const PaperSize& p : papers)
      if (!p.customLength && near(p.width, width) && near(p.length, length)) {
        choice = {p.index, -1, p.width, p.length};
        return 0;
      }
  // The narrowest roll that takes the page, at the page's length.
  const PaperSize* best = nullptr;
  for (const PaperSize& p : papers)
    if (p.customLength && p.width + kSizeTolerance >= width && (!best || p.width < best->width))
      best = &p;
  if (best == nullptr) {
    error = "the page is " + std::to_string(width) + " in wide, wider than the widest roll";
    return -1;
  }
  const int32_t mm = static_cast<int32_t>(std::ceil(length * kMillimetresPerInch - 1e-6));
  if (mm < 1 || mm > best->maxLengthMm) {
    error = "the page is " + std::to_string(mm) + " mm long; the roll takes 1 to " +
            std::to_string(best->maxLengthMm) + " mm";
    return -1;
  }
  choice = {best->index, mm, best->width, mm / kMillimetresPerInch};
  return 0;
}

std::vector<ImagePiece> CutIntoPieces(int32_t strips, int32_t period, int32_t most) {
  std::vector<ImagePiece> pieces;
  const int32_t step = std::max(period, most / std::max(1, period) * period);
  for (int32_t first = 0; first < strips; first += step)
    pieces.push_back({first, std::min(step, strips - first)});
  return pieces;
}

int32_t PiecePeriod(int32_t dpi, bool qdrs) {
  if (qdrs) return 1;
  return dpi / std::gcd(dpi, 1016);
}

int32_t SpanForCount(int32_t count, int32_t dpi, bool qdrs) {
  if (count <= 0) return -1;
  if (qdrs) return dpi == 400 ? 2 * count : dpi == 200 ? 4 * count : count;
  const int32_t guess = static_cast<int32_t>(static_cast<int64_t>(count) * 1016 / dpi);
  for (int32_t span = std::max(1, guess - 2); span <= guess + 4; ++span) {
    // The declared pixel count is the strip count itself.
    const double target = span * 0.0025;
    const double natural = (static_cast<double>(count) / dpi) * 2.54;
    if (static_cast<int32_t>(count * (target / natural)) == count) return span;
  }
  return -1;
}

void ServeStrip(const PageFormat& page, const uint8_t* const* lines, int32_t lineCount, int32_t n,
                bool reverse, bool colour, int32_t length, uint8_t* out) {
  if (n == 1 && lineCount == 1) return ServeLine(page, lines[0], reverse, colour, length, out);
  for (int32_t j = 0; j < length; ++j) {
    const int32_t x = (reverse ? length - 1 - j : j) * n;
    uint8_t* o = colour ? out + 3 * j : out + j;
    if (x >= page.width || lineCount <= 0) {
      if (colour) std::memset(o, 255, 3);
      if (!colour) *o = 0;
      continue;
    }
    int32_t row = 0;
    const int32_t c = DarkestColumn(page, lines, lineCount, x, n, row);
    if (!colour) {
      *o = Grey(page, lines[row], c) < 128 ? 1 : 0;
    } else if (page.kind == PixelKind::Rgb) {
      std::memcpy(o, lines[row] + 3 * c, 3);
    } else {
      std::memset(o, Grey(page, lines[row], c), 3);
    }
  }
}

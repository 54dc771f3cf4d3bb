// The canvas of one image: resolution, halftone screen, strips screened into
// rows, and the framing's start and end around the bands.
#include "raster/canvas.h"

#include <emmintrin.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/record.h"
#include "config/tone.h"
#include "host/services.h"
#include "output/buffer.h"
#include "platform/memory.h"

int32_t rasterDpi = 600;
RasterImage raster{};
int64_t rasterCanvasLimit = kRasterCanvasLimit;

namespace {

// Thresholds 1, 5, 9, ..., 253 in a dispersed order, so that every darkness
// spreads its dots evenly over the cell.
constexpr uint16_t kScreenBase[8][8] = {
    {1, 209, 33, 241, 73, 153, 105, 185},  {145, 65, 177, 97, 217, 9, 249, 41},
    {193, 17, 225, 49, 137, 89, 169, 121}, {81, 129, 113, 161, 25, 201, 57, 233},
    {109, 189, 77, 157, 37, 245, 5, 213},  {253, 45, 221, 13, 181, 101, 149, 69},
    {173, 125, 141, 93, 229, 53, 197, 21}, {61, 237, 29, 205, 117, 165, 85, 133},
};

constexpr ScreenTable MakeScreenMatrix() {
  ScreenTable m{};
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c)
      m[r][c] =
          static_cast<uint16_t>(kScreenBase[r % 8][c % 8] + (c >= 8 ? 1 : 0) + (r >= 8 ? 2 : 0));
  return m;
}

constexpr bool HoldsEveryThresholdOnce(const ScreenTable& m) {
  std::array<int, 257> seen{};
  for (const auto& row : m)
    for (uint16_t t : row) {
      if (t < 1 || t > 256 || seen[t]++ != 0) return false;
    }
  return true;
}

}  // namespace

constexpr ScreenTable ScreenMatrix = MakeScreenMatrix();
static_assert(HoldsEveryThresholdOnce(ScreenMatrix));

namespace {

constexpr int32_t kLargestEnlargement = 16;
// Run lists and coded bands are sized from the row width in 32-bit arithmetic.
constexpr int64_t kLargestRowBits = int64_t{1} << 26;

void ReleaseBuffers() {
  MemoryRelease(raster.canvas);
  MemoryRelease(raster.darkness);
  raster.canvas = nullptr;
  raster.darkness = nullptr;
}

int32_t WordsPerRow() {
  return raster.rowBits / 32;
}

// A pixel's grey is (30 r + 59 g + 11 b) / 100, which for a grey pixel is its
// own level, so one table indexed by the weighted sum gives its darkness.
constexpr int32_t kLargestWeightedSum = 100 * 255;
uint8_t darknessBySum[kLargestWeightedSum + 1];
uint8_t darknessByGrey[256];

// Eight pixels at a time divide their sums by 100 as (sum * 41944) >> 22.
constexpr uint16_t kHundredthMultiplier = 41944;
constexpr bool DividesEverySumBy100() {
  for (uint32_t sum = 0; sum <= kLargestWeightedSum; ++sum)
    if ((sum * kHundredthMultiplier) >> 22 != sum / 100) return false;
  return true;
}
static_assert(DividesEverySumBy100());

// For matrix row r, the threshold under each of the 16 positions of a screen
// row as the darkness line holds them (see DarknessAt), capped at 255 so that
// a darkness of 255 covers every threshold: a pixel is black when its darkness
// reaches its threshold, which is what ScreenPatterns says bit by bit.
alignas(16) uint8_t screenThresholds[16][16];

void BuildScreenTables() {
  for (int32_t grey = 0; grey < 256; ++grey)
    darknessByGrey[grey] = static_cast<uint8_t>(255 - ToneTable[grey]);
  // Sums 100 g .. 100 g + 99 share grey g.
  for (int32_t grey = 0; grey < 255; ++grey)
    std::memset(darknessBySum + 100 * grey, darknessByGrey[grey], 100);
  darknessBySum[kLargestWeightedSum] = darknessByGrey[255];
  for (int32_t r = 0; r < 16; ++r)
    for (int32_t q = 0; q < 16; ++q) {
      // Position q holds an image column c with c % 16 == 15 - q; the screen is
      // laid eight columns across, so that column takes matrix column c ^ 8.
      const uint16_t t = ScreenMatrix[r][(15 - q) ^ 8];
      screenThresholds[r][q] = static_cast<uint8_t>(t > 255 ? 255 : t);
    }
}

int32_t WeightedSum(const uint8_t* p) {
  return 30 * p[0] + 59 * p[1] + 11 * p[2];
}

bool IsKeyColour(const uint8_t* p) {
  return p[0] == raster.key[0] && p[1] == raster.key[1] && p[2] == raster.key[2];
}

uint8_t Darkness(uint8_t a, uint8_t b, uint8_t c) {
  const uint8_t p[3] = {a, b, c};
  if (raster.transparent != 0 && IsKeyColour(p)) return darknessBySum[kLargestWeightedSum];
  return darknessBySum[WeightedSum(p)];
}

// The darkness line holds each group of 32 canvas pixels last pixel first, so
// that the compare's byte mask of a group is its canvas word as it stands.
inline int32_t DarknessAt(int32_t x) {
  return x ^ 31;
}

// `count` bytes of d from p, sixteen at a time.
void FillBytes(uint8_t* p, int32_t count, uint8_t d) {
  const __m128i v = _mm_set1_epi8(static_cast<char>(d));
  for (; count >= 16; count -= 16, p += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
  std::memset(p, d, static_cast<size_t>(count));
}

// Canvas pixels [x0, x1) all of darkness d. Within a 32-pixel group the line
// holds them as one reversed stretch, and whole groups in any order.
void FillCanvasRange(int32_t x0, int32_t x1, uint8_t d) {
  if (x0 >= x1) return;
  if (x0 % 32 != 0) {
    const int32_t end = x1 < (x0 | 31) + 1 ? x1 : (x0 | 31) + 1;
    FillBytes(raster.darkness + DarknessAt(end - 1), end - x0, d);
    x0 = end;
  }
  const int32_t whole = (x1 - x0) / 32 * 32;
  FillBytes(raster.darkness + x0, whole, d);
  x0 += whole;
  if (x0 < x1) FillBytes(raster.darkness + DarknessAt(x1 - 1), x1 - x0, d);
}

// Darkness of strip pixels [first, last), each repeated n times.
template <typename PixelDarkness>
void FillPixels(int32_t first, int32_t last, int32_t n, PixelDarkness darkness) {
  uint8_t* out = raster.darkness;
  if (n == 1) {
    for (int32_t i = first; i < last; ++i) out[DarknessAt(i)] = darkness(i);
    return;
  }
  for (int32_t i = first, x = first * n; i < last; ++i) {
    const uint8_t d = darkness(i);
    for (int32_t k = 0; k < n; ++k, ++x) out[DarknessAt(x)] = d;
  }
}

// Strip pixels are taken sixteen at a time: a run of one colour, which drawings
// are mostly made of, gives one darkness for all sixteen without the weights.
constexpr int32_t kRunPixels = 16;
// Runs taken by the weights together once one holds colour.
constexpr int32_t kColourRuns = 16;

bool AllBytesAre(const uint8_t* p, int32_t vectors, __m128i value) {
  const __m128i* v = reinterpret_cast<const __m128i*>(p);
  __m128i same = _mm_cmpeq_epi8(_mm_loadu_si128(v), value);
  for (int32_t k = 1; k < vectors; ++k)
    same = _mm_and_si128(same, _mm_cmpeq_epi8(_mm_loadu_si128(v + k), value));
  return _mm_movemask_epi8(same) == 0xFFFF;
}

// The grey of sixteen colour pixels when they are all one grey, else -1.
int32_t RunGrey(const uint8_t* p) {
  return AllBytesAre(p, 3, _mm_set1_epi8(static_cast<char>(p[0]))) ? p[0] : -1;
}

// The bits of a byte compare's mask, for the 16 bytes from `offset` on, where
// a pixel's byte is followed by one of the same pixel.
constexpr uint32_t WithinPixelBits(int32_t offset) {
  uint32_t bits = 0;
  for (int32_t k = 0; k < 16; ++k)
    if ((offset + k) % 3 != 2) bits |= 1u << k;
  return bits;
}

// Whether each of sixteen colour pixels has r == g == b: every byte equals
// the next one within its pixel.
bool AllPixelsGrey(const uint8_t* p) {
  const __m128i* v = reinterpret_cast<const __m128i*>(p);
  const __m128i a = _mm_loadu_si128(v), b = _mm_loadu_si128(v + 1), c = _mm_loadu_si128(v + 2);
  const __m128i nextA = _mm_or_si128(_mm_srli_si128(a, 1), _mm_slli_si128(b, 15));
  const __m128i nextB = _mm_or_si128(_mm_srli_si128(b, 1), _mm_slli_si128(c, 15));
  const __m128i nextC = _mm_srli_si128(c, 1);
  return (_mm_movemask_epi8(_mm_cmpeq_epi8(a, nextA)) & WithinPixelBits(0)) == WithinPixelBits(0) &&
         (_mm_movemask_epi8(_mm_cmpeq_epi8(b, nextB)) & WithinPixelBits(16)) ==
             WithinPixelBits(16) &&
         (_mm_movemask_epi8(_mm_cmpeq_epi8(c, nextC)) & WithinPixelBits(32)) == WithinPixelBits(32);
}

// Strip pixels [0, used), a run of kRunPixels at a time: `run` gives a run's
// darkness when one holds for all of it (else -1); `mixed` fills pixels from
// one it did not give up to at most `used` and returns where it stopped,
// at least a run further.
template <typename RunDarkness, typename MixedPixels>
void FillRuns(int32_t used, int32_t n, RunDarkness run, MixedPixels mixed) {
  int32_t i = 0;
  while (i + kRunPixels <= used) {
    const int32_t d = run(i);
    if (d < 0) {
      i = mixed(i, used);
      continue;
    }
    if (n == 1) {
      // Half a group: one reversed stretch of sixteen.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(raster.darkness + DarknessAt(i + 15)),
                       _mm_set1_epi8(static_cast<char>(d)));
    } else {
      FillCanvasRange(i * n, (i + kRunPixels) * n, static_cast<uint8_t>(d));
    }
    i += kRunPixels;
  }
  if (i < used) mixed(i, used);
}

// The end of `runs` runs from first, or used if sooner.
int32_t RunsEnd(int32_t first, int32_t runs, int32_t used) {
  return used - first < runs * kRunPixels ? used : first + runs * kRunPixels;
}

// The darkness of colour pixels [from, to) at enlargement 1, eight at a time: the
// 24 channel bytes widened to 16-bit lanes and weighted, each pixel's sum
// gathered from its three neighbouring lanes, divided by 100 in the lanes and
// looked up in the tone table.
void FillColourDarkness(int32_t from, int32_t to, const uint8_t* pixels) {
  const __m128i zero = _mm_setzero_si128();
  // The lanes of bytes 0..7, 8..15 and 16..23 cycle through r, g, b.
  const __m128i weightsA = _mm_setr_epi16(30, 59, 11, 30, 59, 11, 30, 59);
  const __m128i weightsB = _mm_setr_epi16(11, 30, 59, 11, 30, 59, 11, 30);
  const __m128i weightsC = _mm_setr_epi16(59, 11, 30, 59, 11, 30, 59, 11);
  // The lanes where a pixel starts: pixels 0-2 in A, 3-5 in B, 6-7 in C.
  const __m128i startsA = _mm_setr_epi16(-1, 0, 0, -1, 0, 0, -1, 0);
  const __m128i startsB = _mm_setr_epi16(0, -1, 0, 0, -1, 0, 0, -1);
  const __m128i startsC = _mm_setr_epi16(0, 0, -1, 0, 0, -1, 0, 0);
  const __m128i hundredth = _mm_set1_epi16(static_cast<int16_t>(kHundredthMultiplier));
  uint8_t* out = raster.darkness;
  int32_t i = from;
  for (; i + 8 <= to; i += 8) {
    const uint8_t* p = pixels + 3 * i;
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i last = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i a = _mm_mullo_epi16(_mm_unpacklo_epi8(first, zero), weightsA);
    const __m128i b = _mm_mullo_epi16(_mm_unpackhi_epi8(first, zero), weightsB);
    const __m128i c = _mm_mullo_epi16(_mm_unpacklo_epi8(last, zero), weightsC);
    // Each lane plus the next two lanes of the sequence a, b, c.
    const __m128i sumsA =
        _mm_add_epi16(a, _mm_add_epi16(_mm_or_si128(_mm_srli_si128(a, 2), _mm_slli_si128(b, 14)),
                                       _mm_or_si128(_mm_srli_si128(a, 4), _mm_slli_si128(b, 12))));
    const __m128i sumsB =
        _mm_add_epi16(b, _mm_add_epi16(_mm_or_si128(_mm_srli_si128(b, 2), _mm_slli_si128(c, 14)),
                                       _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 12))));
    const __m128i sumsC =
        _mm_add_epi16(c, _mm_add_epi16(_mm_srli_si128(c, 2), _mm_srli_si128(c, 4)));
    // Lanes hold pixels 0, 3, 6, 1, 4, 7, 2, 5.
    const __m128i sums =
        _mm_or_si128(_mm_and_si128(sumsA, startsA),
                     _mm_or_si128(_mm_and_si128(sumsB, startsB), _mm_and_si128(sumsC, startsC)));
    const __m128i greys = _mm_srli_epi16(_mm_mulhi_epu16(sums, hundredth), 6);
    alignas(16) uint8_t g[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(g), _mm_packus_epi16(greys, greys));
    // Pixels i + 7 down to i go to eight consecutive places of the line.
    uint8_t* o = out + DarknessAt(i + 7);
    o[0] = darknessByGrey[g[5]];
    o[1] = darknessByGrey[g[2]];
    o[2] = darknessByGrey[g[7]];
    o[3] = darknessByGrey[g[4]];
    o[4] = darknessByGrey[g[1]];
    o[5] = darknessByGrey[g[6]];
    o[6] = darknessByGrey[g[3]];
    o[7] = darknessByGrey[g[0]];
  }
  for (; i < to; ++i) out[DarknessAt(i)] = darknessBySum[WeightedSum(pixels + 3 * i)];
}

void FillTwoLevelLine(int32_t used, const uint8_t* pixels, uint8_t white, uint8_t set) {
  const int32_t n = raster.enlargement;
  const __m128i zero = _mm_setzero_si128();
  FillRuns(
      used, n,
      [&](int32_t i) {
        const int32_t clear = _mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i)), zero));
        return clear == 0xFFFF ? white : clear == 0 ? set : -1;
      },
      [&](int32_t first, int32_t end) {
        end = RunsEnd(first, 1, end);
        FillPixels(first, end, n, [&](int32_t i) { return pixels[i] == 0 ? white : set; });
        return end;
      });
}

// Colour strips of a transparent image: the key colour is white.
void FillKeyedLine(int32_t used, const uint8_t* pixels, uint8_t white) {
  const int32_t n = raster.enlargement;
  FillRuns(
      used, n,
      [&](int32_t i) {
        const int32_t grey = RunGrey(pixels + 3 * i);
        if (grey < 0) return -1;
        return static_cast<int32_t>(IsKeyColour(pixels + 3 * i) ? white : darknessByGrey[grey]);
      },
      [&](int32_t first, int32_t end) {
        end = RunsEnd(first, 1, end);
        FillPixels(first, end, n, [&](int32_t i) {
          const uint8_t* p = pixels + 3 * i;
          return IsKeyColour(p) ? white : darknessBySum[WeightedSum(p)];
        });
        return end;
      });
}

void FillColourLine(int32_t used, const uint8_t* pixels) {
  const int32_t n = raster.enlargement;
  FillRuns(
      used, n,
      [&](int32_t i) {
        const int32_t grey = RunGrey(pixels + 3 * i);
        return grey < 0 ? -1 : static_cast<int32_t>(darknessByGrey[grey]);
      },
      [&](int32_t first, int32_t end) {
        if (end - first >= kRunPixels && AllPixelsGrey(pixels + 3 * first)) {
          end = first + kRunPixels;
          FillPixels(first, end, n, [&](int32_t i) { return darknessByGrey[pixels[3 * i]]; });
          return end;
        }
        // Colour seldom comes alone: the next few runs go straight to the
        // weights, which is what a picture needs.
        end = RunsEnd(first, kColourRuns, end);
        if (n == 1) {
          FillColourDarkness(first, end, pixels);
        } else {
          FillPixels(first, end, n,
                     [&](int32_t i) { return darknessBySum[WeightedSum(pixels + 3 * i)]; });
        }
        return end;
      });
}

// One line of darkness values: the strip's pixels, each N times, then white for
// whatever the strip lacks and for the padding.
void FillDarknessLine(int32_t used, const uint8_t* pixels, int32_t kind, uint8_t red, uint8_t green,
                      uint8_t blue) {
  const uint8_t white = Darkness(255, 255, 255);
  if (kind == kStripTwoLevel) {
    FillTwoLevelLine(used, pixels, white, Darkness(red, green, blue));
  } else if (raster.transparent != 0) {
    FillKeyedLine(used, pixels, white);
  } else {
    FillColourLine(used, pixels);
  }
  // The rest of the line, the strip's last group partly.
  FillCanvasRange(used * raster.enlargement, raster.rowBits, white);
}

// Sixteen pixels at a time: a byte compare of darkness against the row's
// thresholds, whose mask is sixteen canvas bits.
void ScreenLine(int32_t y) {
  const __m128i thresholds =
      _mm_load_si128(reinterpret_cast<const __m128i*>(screenThresholds[y % 16]));
  const uint8_t* d = raster.darkness;
  uint32_t* row = raster.canvas + static_cast<size_t>(y) * WordsPerRow();
  for (int32_t w = 0; w < WordsPerRow(); ++w, d += 32) {
    // Pixels 31..16 of the group give bits 0..15, pixels 15..0 bits 16..31.
    const __m128i later = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i earlier = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 16));
    const __m128i laterBlack = _mm_cmpeq_epi8(_mm_max_epu8(later, thresholds), later);
    const __m128i earlierBlack = _mm_cmpeq_epi8(_mm_max_epu8(earlier, thresholds), earlier);
    row[w] = static_cast<uint32_t>(_mm_movemask_epi8(laterBlack)) |
             static_cast<uint32_t>(_mm_movemask_epi8(earlierBlack)) << 16;
  }
}

}  // namespace

uint16_t ScreenPatterns[16][256];

void BuildScreenPatterns() {
  for (int32_t r = 0; r < 16; ++r) {
    ScreenPatterns[r][0] = 0;
    for (int32_t d = 1; d < 255; ++d) {
      uint16_t bits = 0;
      for (int32_t c = 0; c < 16; ++c)
        if (ScreenMatrix[r][c] <= d) bits |= static_cast<uint16_t>(0x8000u >> c);
      ScreenPatterns[r][d] = bits;
    }
    ScreenPatterns[r][255] = 0xFFFF;
  }
}

double SelectRasterResolution(uint16_t jobFlags, const RasterFraming& framing) {
  int32_t dpi = 0;
  switch (jobFlags & kJobResolutionMask) {
    case kJob600Dpi:
      dpi = 600;
      break;
    case kJob400Dpi:
      dpi = 400;
      break;
    case kJob300Dpi:
      dpi = 300;
      break;
    case kJob200Dpi:
      dpi = 200;
      break;
    default:
      break;
  }
  if (dpi != 0) rasterDpi = dpi;
  rasterDpi = framing.drawnResolution(rasterDpi);
  return rasterDpi;
}

int32_t RasterWrite(int32_t length, const void* bytes) {
  if (driverErrorState != 0) return -1;
  if (length <= 0 || HostWriteBytes(length, bytes) != 0) return 0;
  OutFail();
  return -1;
}

void RasterWriteText(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  RasterWrite(length < static_cast<int>(sizeof text) ? length : 255, text);
}

int32_t RasterReserve(int32_t width, int32_t height, int32_t enlargement) {
  ReleaseBuffers();
  if (width <= 0 || height <= 0 || enlargement < 1 || enlargement > kLargestEnlargement) return -1;
  const int64_t canvasWidth = int64_t{width} * enlargement;
  const int64_t rows = int64_t{height} * enlargement;
  const int64_t rowBits = (canvasWidth + 31) / 32 * 32 + 32;
  if (rowBits > kLargestRowBits || rows > INT32_MAX) return -1;
  const int64_t canvasBytes = rowBits / 8 * rows;
  if (canvasBytes > rasterCanvasLimit || static_cast<uint64_t>(canvasBytes) > SIZE_MAX) return -1;
  raster.canvas = static_cast<uint32_t*>(MemoryTake(static_cast<size_t>(canvasBytes), true));
  raster.darkness = static_cast<uint8_t*>(MemoryTake(static_cast<size_t>(rowBits), false));
  if (raster.canvas == nullptr || raster.darkness == nullptr) {
    ReleaseBuffers();
    return -1;
  }
  raster.stripPixels = width;
  raster.enlargement = enlargement;
  raster.canvasWidth = static_cast<int32_t>(canvasWidth);
  raster.expectedRows = static_cast<int32_t>(rows);
  raster.rowBits = static_cast<int32_t>(rowBits);
  raster.rowsDone = 0;
  BuildScreenTables();
  return 0;
}

int32_t RasterBegin(int32_t width, int32_t height, int32_t transparent, int32_t key1, int32_t key2,
                    int32_t key3, const RasterFraming* framing, int32_t originX, int32_t originY,
                    int32_t enlargement, int32_t turned) {
  const bool reserved = raster.canvas != nullptr && raster.stripPixels == width &&
                        raster.enlargement == enlargement &&
                        int64_t{raster.expectedRows} == int64_t{height} * enlargement;
  if (!reserved && RasterReserve(width, height, enlargement) < 0) return -1;
  raster.rowsDone = 0;
  raster.transparent = transparent;
  raster.key[0] = key1;
  raster.key[1] = key2;
  raster.key[2] = key3;
  raster.framing = framing;
  raster.originX = originX;
  raster.originY = originY;
  raster.turned = turned;
  BuildScreenPatterns();
  BuildScreenTables();
  raster.framing->writeStart();
  return 0;
}

int32_t RasterAddStrip(int32_t n, const uint8_t* pixels, int32_t kind, uint8_t red, uint8_t green,
                       uint8_t blue) {
  if (raster.canvas == nullptr) return -1;
  if (raster.rowsDone > raster.expectedRows - raster.enlargement) return 0;
  int32_t used = pixels == nullptr || n < 0 ? 0 : n;
  if (used > raster.stripPixels) used = raster.stripPixels;
  FillDarknessLine(used, pixels, kind, red, green, blue);
  for (int32_t k = 0; k < raster.enlargement; ++k) ScreenLine(raster.rowsDone++);
  return 0;
}

void RasterEnd() {
  raster.framing->writeEnd();
  RasterRelease();
}

void RasterRelease() {
  ReleaseBuffers();
  raster.rowsDone = 0;
}

// Screening strips into the canvas: RasterAddStrip on colour and two-level
// strips at enlargements 1, 2 and 4 and on a drawing's grey RGB strips, against a plain
// ordered-dither loop over 8-bit grey and against a copy of the input bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "config/tone.h"
#include "raster/canvas.h"
#include "tools/bench/bench_host.h"
#include "tools/bench/pages.h"

namespace {

constexpr int32_t kStrips = 64;

const std::vector<std::vector<uint8_t>>& ColourStrips() {
  static std::vector<std::vector<uint8_t>> strips;
  if (strips.empty()) {
    BenchDriver();  // the tone curve every run screens through
    for (int32_t y = 0; y < kStrips; ++y) strips.push_back(PhotoRow(y * 97, kPageWidth));
  }
  return strips;
}

const std::vector<std::vector<uint8_t>>& TwoLevelStrips() {
  static std::vector<std::vector<uint8_t>> strips;
  if (strips.empty())
    for (const auto& colour : ColourStrips()) {
      std::vector<uint8_t> s(kPageWidth);
      for (int32_t x = 0; x < kPageWidth; ++x) s[x] = colour[3 * x + 1] < 128 ? 1 : 0;
      strips.push_back(s);
    }
  return strips;
}

// What the print host sends: rows of a line drawing as RGB strips, grey
// repeated in every channel, mostly white, black lines and two grey fills.
const std::vector<std::vector<uint8_t>>& DrawingStrips() {
  static std::vector<std::vector<uint8_t>> strips;
  if (strips.empty()) {
    const Page page = LineDrawingPage();
    for (int32_t s = 0; s < kStrips; ++s) {
      const int32_t y = 200 + s * 107;
      const uint32_t* row = page.words.data() + size_t{kPageRowWords} * y;
      std::vector<uint8_t> strip(3 * size_t{kPageWidth});
      for (int32_t x = 0; x < kPageWidth; ++x) {
        const bool black = (row[x / 32] >> (31 - x % 32) & 1) != 0;
        const uint8_t fill = x >= 2000 && x < 3500 ? 153 : x >= 6000 && x < 6700 ? 77 : 255;
        std::memset(&strip[3 * size_t(x)], black ? 0 : fill, 3);
      }
      strips.push_back(strip);
    }
  }
  return strips;
}

void BM_ScreenOurs(benchmark::State& state) {
  const bool colour = state.range(0) != 1;
  const int32_t n = static_cast<int32_t>(state.range(1));
  const auto& strips = state.range(0) == 2 ? DrawingStrips()
                       : colour            ? ColourStrips()
                                           : TwoLevelStrips();
  RasterReserve(kPageWidth, kStrips, n);
  BuildScreenPatterns();
  raster.transparent = 0;
  for (auto _ : state) {
    raster.rowsDone = 0;
    for (const auto& strip : strips)
      RasterAddStrip(kPageWidth, strip.data(), colour ? kStripColour : kStripTwoLevel, 0, 0, 0);
    benchmark::DoNotOptimize(raster.canvas);
  }
  state.SetItemsProcessed(state.iterations() * kStrips * kPageWidth);
  RasterEnd();
}

// The plain loop: the darkness of pixel x of a strip's row against a 16 x 16
// threshold cell, bits gathered into bytes.
template <typename Darkness>
void DitherStrips(benchmark::State& state, const std::vector<std::vector<uint8_t>>& strips,
                  Darkness darkness) {
  std::vector<uint8_t> out(size_t{kPageRowBits} / 8 * kStrips);
  for (auto _ : state) {
    uint8_t* o = out.data();
    for (int32_t y = 0; y < kStrips; ++y) {
      const uint8_t* row = strips[y].data();
      const auto& thresholds = ScreenMatrix[y % 16];
      uint8_t byte = 0;
      for (int32_t x = 0; x < kPageWidth; ++x) {
        byte = static_cast<uint8_t>(byte << 1 | (darkness(row, x) >= thresholds[x % 16] ? 1 : 0));
        if (x % 8 == 7) *o++ = byte;
      }
      o += (kPageRowBits - kPageWidth) / 8;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kStrips * kPageWidth);
}

// Over 8-bit grey computed beforehand.
void BM_ScreenDitherLoop(benchmark::State& state) {
  std::vector<std::vector<uint8_t>> greys;
  for (const auto& colour : ColourStrips()) {
    std::vector<uint8_t> g(kPageWidth);
    for (int32_t x = 0; x < kPageWidth; ++x)
      g[x] = static_cast<uint8_t>(
          (30 * colour[3 * x] + 59 * colour[3 * x + 1] + 11 * colour[3 * x + 2]) / 100);
    greys.push_back(g);
  }
  DitherStrips(state, greys, [](const uint8_t* row, int32_t x) { return 255 - row[x]; });
}

// Doing the whole of the work: each colour pixel's grey by the weights,
// through the tone table.
void BM_ScreenColourLoop(benchmark::State& state) {
  DitherStrips(state, ColourStrips(), [](const uint8_t* row, int32_t x) {
    const uint8_t* p = row + 3 * x;
    return 255 - ToneTable[(30 * p[0] + 59 * p[1] + 11 * p[2]) / 100];
  });
}

void BM_ScreenMemcpy(benchmark::State& state) {
  const bool colour = state.range(0) == 0;
  const auto& strips = colour ? ColourStrips() : TwoLevelStrips();
  const size_t rowBytes = strips[0].size();
  std::vector<uint8_t> out(rowBytes * kStrips);
  for (auto _ : state) {
    for (int32_t y = 0; y < kStrips; ++y)
      std::memcpy(&out[rowBytes * y], strips[y].data(), rowBytes);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kStrips * kPageWidth);
}

}  // namespace

BENCHMARK(BM_ScreenOurs)
    ->ArgNames({"twolevel", "n"})
    ->ArgsProduct({{0, 1}, {1, 2, 4}})
    ->Unit(benchmark::kMicrosecond);
// The print host's strips: a drawing in RGB at N = 1.
BENCHMARK(BM_ScreenOurs)->ArgNames({"drawing", "n"})->Args({2, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenDitherLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenColourLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenMemcpy)->ArgName("twolevel")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

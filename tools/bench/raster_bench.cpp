// Speed of the raster path, read as ratios within one run: the word-at-a-time
// run scan against a pixel-by-pixel scan of the same rows, and the MMR coding
// and screening of one band against a plain copy of its bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "raster/canvas.h"
#include "raster/mmr.h"
#include "raster/tone.h"

namespace {

constexpr int32_t kWidth = 9600;  // a 24-inch row at 400 dpi
constexpr int32_t kRows = 64;
constexpr int32_t kRowWords = kWidth / 32;

// Rows of an ordered-dither grey ramp with some noise: many short runs.
std::vector<uint32_t> HalftoneRows() {
  std::vector<uint32_t> rows(kRowWords * kRows);
  std::mt19937 random(7);
  for (int32_t y = 0; y < kRows; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const int32_t grey = (x * 255 / kWidth + static_cast<int32_t>(random() % 16)) & 255;
      if (((x * 7 + y * 13) & 255) < grey) rows[y * kRowWords + x / 32] |= 0x80000000u >> (x % 32);
    }
  return rows;
}

int32_t PixelByPixelRuns(const uint32_t* row, int32_t* list) {
  int32_t n = 1;
  for (int32_t x = 0; x < kWidth;) {
    while (x < kWidth && !(row[x / 32] & (0x80000000u >> (x % 32)))) ++x;
    if (x == kWidth) break;
    list[n++] = x;
    while (x < kWidth && (row[x / 32] & (0x80000000u >> (x % 32)))) ++x;
    list[n++] = x;
  }
  list[n++] = kWidth;
  list[n++] = kWidth;
  list[0] = (n - 1) / 2;
  return list[0];
}

void BM_RunsWordAtATime(benchmark::State& state) {
  const auto rows = HalftoneRows();
  std::vector<int32_t> list(kWidth + 8);
  for (auto _ : state)
    for (int32_t y = 0; y < kRows; ++y)
      benchmark::DoNotOptimize(RowToRuns(&rows[y * kRowWords], kWidth, list.data()));
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RunsWordAtATime);

void BM_RunsPixelByPixel(benchmark::State& state) {
  const auto rows = HalftoneRows();
  std::vector<int32_t> list(kWidth + 8);
  for (auto _ : state)
    for (int32_t y = 0; y < kRows; ++y)
      benchmark::DoNotOptimize(PixelByPixelRuns(&rows[y * kRowWords], list.data()));
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RunsPixelByPixel);

void BM_CodeHalftoneBand(benchmark::State& state) {
  const auto rows = HalftoneRows();
  std::vector<uint32_t> out(kRowWords * kRows * 4);
  std::vector<int32_t> current(kWidth + 8), reference(kWidth + 8);
  for (auto _ : state) {
    reference[0] = 1;
    reference[1] = reference[2] = kWidth;
    MmrReset(out.data(), static_cast<int32_t>(out.size() * 4));
    MmrEncodeRows(rows.data(), kRows, kRowWords * 4, current.data(), reference.data());
    benchmark::DoNotOptimize(MmrFinish());
  }
  state.SetBytesProcessed(state.iterations() * kRows * kRowWords * 4);
}
BENCHMARK(BM_CodeHalftoneBand);

void BM_CopyBand(benchmark::State& state) {
  const auto rows = HalftoneRows();
  std::vector<uint32_t> out(rows.size());
  for (auto _ : state) {
    std::memcpy(out.data(), rows.data(), rows.size() * 4);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kRows * kRowWords * 4);
}
BENCHMARK(BM_CopyBand);

void BM_ScreenColourStrips(benchmark::State& state) {
  std::vector<uint8_t> strip(3 * kWidth);
  for (int32_t x = 0; x < kWidth; ++x) {
    strip[3 * x] = static_cast<uint8_t>(x);
    strip[3 * x + 1] = static_cast<uint8_t>(x / 3);
    strip[3 * x + 2] = static_cast<uint8_t>(255 - x);
  }
  BuildScreenPatterns();
  for (auto _ : state) {
    RasterReserve(kWidth, kRows, 1);
    for (int32_t y = 0; y < kRows; ++y) RasterAddStrip(kWidth, strip.data(), kStripColour, 0, 0, 0);
    state.PauseTiming();
    RasterEnd();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kRows * kRowWords * 4);
}
BENCHMARK(BM_ScreenColourStrips);

}  // namespace

BENCHMARK_MAIN();

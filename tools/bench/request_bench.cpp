// Whole requests through the driver's entry points: the 16 x 12-inch image at
// 600 dpi from strips to the last byte handed to the host, and vector plotting
// in both job languages, each against a peer doing the same work.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "config/record.h"
#include "raster/canvas.h"
#include "tools/bench/bench_host.h"
#include "tools/bench/bench_memory.h"
#include "tools/bench/pages.h"

int64_t TiffEncode(const uint8_t* bytes, int32_t rowBits, int32_t rows);

namespace {

// 16 x 12 inches in drawing units of 0.025 mm.
constexpr int32_t kPageWidthUnits = 16256;
constexpr int32_t kPageHeightUnits = 12192;
constexpr int32_t kSourceRows = 256;

void FillStripSource() {
  if (!stripSource.rows.empty()) return;
  stripSource.width = kPageWidth;
  for (int32_t y = 0; y < kSourceRows; ++y)
    stripSource.rows.push_back(PhotoRow(y * 28, kPageWidth + kSourceSlack));
}

void BM_ImageRequest(benchmark::State& state) {
  const BenchLink& d = BenchDriver();
  FillStripSource();
  int64_t peak = 0, bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BenchBeginPlot(d, false, kJob600Dpi);
    benchOutput.bytes = 0;
    ResetHeapPeak();
    const int64_t before = HeapInUse();
    state.ResumeTiming();
    BenchImage(d, kPageWidth, kPageHeight, kPageWidthUnits, kPageHeightUnits);
    BenchEndPlot(d);
    state.PauseTiming();
    peak = HeapPeak() - before;
    bytes = benchOutput.bytes;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kPageWidth} * kPageHeight);
  state.counters["peak_heap_bytes"] = static_cast<double>(peak);
  state.counters["canvas_bytes"] = static_cast<double>(int64_t{kPageRowBits} / 8 * kPageHeight);
  state.counters["job_bytes"] = static_cast<double>(bytes);
}

// The same canvas the request builds, screened from the same strips.
const std::vector<uint8_t>& RequestCanvasBytes() {
  static std::vector<uint8_t> bytes;
  if (!bytes.empty()) return bytes;
  FillStripSource();
  BenchDriver();
  RasterReserve(kPageWidth, kPageHeight, 1);
  BuildScreenPatterns();
  raster.transparent = 0;
  for (int32_t s = 0; s < kPageHeight; ++s) {
    const int32_t shift = (s / kSourceRows) % kSourceSlack;
    RasterAddStrip(kPageWidth, stripSource.rows[s % kSourceRows].data() + 3 * shift, kStripColour,
                   0, 0, 0);
  }
  Page page{"request", std::vector<uint32_t>(raster.canvas,
                                             raster.canvas + size_t{kPageRowWords} * kPageHeight)};
  RasterEnd();
  bytes = PageBytes(page);
  return bytes;
}

void BM_ImageLibtiff(benchmark::State& state) {
  const auto& bytes = RequestCanvasBytes();
  int64_t coded = 0;
  for (auto _ : state) coded = TiffEncode(bytes.data(), kPageRowBits, kPageHeight);
  state.SetItemsProcessed(state.iterations() * int64_t{kPageWidth} * kPageHeight);
  state.counters["coded_bytes"] = static_cast<double>(coded);
}

// The vector geometry: polylines of short random steps, and polygons.
constexpr int32_t kVectorRequests = 1000000;
constexpr int32_t kPolylineLength = 10;  // one move, then nine draws
constexpr int32_t kPolygons = 10000;
constexpr int32_t kPolygonVertices = 12;

struct Point {
  uint16_t x, y;
};

const std::vector<Point>& PolylinePoints() {
  static std::vector<Point> points;
  if (!points.empty()) return points;
  std::mt19937 random(5);
  int32_t x = 20000, y = 20000;
  for (int32_t i = 0; i < kVectorRequests; ++i) {
    if (i % kPolylineLength == 0) {
      x = 1000 + static_cast<int32_t>(random() % 38000);
      y = 1000 + static_cast<int32_t>(random() % 38000);
    } else {
      x += static_cast<int32_t>(random() % 81) - 40;
      y += static_cast<int32_t>(random() % 81) - 40;
    }
    points.push_back({static_cast<uint16_t>(x), static_cast<uint16_t>(y)});
  }
  return points;
}

const std::vector<std::vector<uint16_t>>& Polygons() {
  static std::vector<std::vector<uint16_t>> polygons;
  if (!polygons.empty()) return polygons;
  std::mt19937 random(9);
  for (int32_t i = 0; i < kPolygons; ++i) {
    const int32_t cx = 2000 + static_cast<int32_t>(random() % 36000);
    const int32_t cy = 2000 + static_cast<int32_t>(random() % 36000);
    std::vector<uint16_t> xy;
    for (int32_t k = 0; k < kPolygonVertices; ++k) {
      const double a = 6.283185307179586 * k / kPolygonVertices;
      const double r = 200 + static_cast<int32_t>(random() % 600);
      xy.push_back(static_cast<uint16_t>(cx + static_cast<int32_t>(r * std::cos(a))));
      xy.push_back(static_cast<uint16_t>(cy + static_cast<int32_t>(r * std::sin(a))));
    }
    polygons.push_back(xy);
  }
  return polygons;
}

void SetVectorCounters(benchmark::State& state, int64_t requests, int64_t segments, int64_t bytes) {
  state.SetItemsProcessed(state.iterations() * requests);
  state.counters["bytes_per_segment"] = static_cast<double>(bytes) / segments;
}

void BM_VectorMoves(benchmark::State& state) {
  const BenchLink& d = BenchDriver();
  const bool qdrs = state.range(0) != 0;
  const auto& points = PolylinePoints();
  int64_t bytes = 0;
  for (auto _ : state) {
    BenchBeginPlot(d, qdrs, kJob400Dpi);
    benchOutput.bytes = 0;
    for (int32_t i = 0; i < kVectorRequests; ++i) {
      const Point p = points[i];
      if (i % kPolylineLength == 0) {
        BenchMove(d, p.x, p.y);
      } else {
        BenchDraw(d, p.x, p.y);
      }
    }
    BenchEndPlot(d);
    bytes = benchOutput.bytes;
  }
  SetVectorCounters(state, kVectorRequests,
                    kVectorRequests / kPolylineLength * (kPolylineLength - 1), bytes);
}

void BM_VectorPolygons(benchmark::State& state) {
  const BenchLink& d = BenchDriver();
  const bool qdrs = state.range(0) != 0;
  const auto& polygons = Polygons();
  int64_t bytes = 0;
  for (auto _ : state) {
    BenchBeginPlot(d, qdrs, kJob400Dpi);
    benchOutput.bytes = 0;
    for (const auto& polygon : polygons) BenchPolygon(d, 2, polygon);
    BenchEndPlot(d);
    bytes = benchOutput.bytes;
  }
  SetVectorCounters(state, kPolygons, int64_t{kPolygons} * kPolygonVertices, bytes);
}

// The peer: absolute HP-GL/2 formatted with snprintf into a 2 MB buffer that
// is handed on when full.
struct TextWriter {
  std::vector<char> buffer = std::vector<char>(2u << 20);
  size_t fill = 0;
  int64_t total = 0;
  void Write(const char* format, int32_t x, int32_t y) {
    if (fill + 64 > buffer.size()) Hand();
    fill += static_cast<size_t>(std::snprintf(&buffer[fill], 64, format, x, y));
  }
  void Hand() {
    benchmark::DoNotOptimize(buffer.data());
    total += static_cast<int64_t>(fill);
    fill = 0;
  }
};

void BM_SnprintfMoves(benchmark::State& state) {
  const auto& points = PolylinePoints();
  int64_t bytes = 0;
  for (auto _ : state) {
    TextWriter w;
    for (int32_t i = 0; i < kVectorRequests; ++i)
      w.Write(i % kPolylineLength == 0 ? "PU%d,%d;" : "PD%d,%d;", points[i].x, points[i].y);
    w.Hand();
    bytes = w.total;
  }
  SetVectorCounters(state, kVectorRequests,
                    kVectorRequests / kPolylineLength * (kPolylineLength - 1), bytes);
}

void BM_SnprintfPolygons(benchmark::State& state) {
  const auto& polygons = Polygons();
  int64_t bytes = 0;
  for (auto _ : state) {
    TextWriter w;
    for (const auto& xy : polygons) {
      w.Write("PU%d,%d;PM0;", xy[0], xy[1]);
      for (size_t k = 2; k < xy.size(); k += 2) w.Write("PD%d,%d;", xy[k], xy[k + 1]);
      w.Write("PM2;FP;", 0, 0);
    }
    w.Hand();
    bytes = w.total;
  }
  SetVectorCounters(state, kPolygons, int64_t{kPolygons} * kPolygonVertices, bytes);
}

}  // namespace

BENCHMARK(BM_ImageRequest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageLibtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VectorMoves)->ArgName("qdrs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VectorPolygons)->ArgName("qdrs")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnprintfMoves)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnprintfPolygons)->Unit(benchmark::kMillisecond);

// MMR coding of whole pages: ours against libtiff's Group 4 encoder and
// spandsp's T.6 encoder, fed the same rows.
#include <benchmark/benchmark.h>
#include <spandsp.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "raster/bands.h"
#include "raster/canvas.h"
#include "raster/mmr.h"
#include "tools/bench/pages.h"

namespace {

struct PageInput {
  Page page;
  std::vector<uint8_t> bytes;  // MSB-first rows for the peers
};

const PageInput& Input(int32_t which) {
  static PageInput inputs[3];
  PageInput& in = inputs[which];
  if (in.page.words.empty()) {
    in.page = which == 0 ? HalftonedPhotoPage() : which == 1 ? LineDrawingPage() : WhitePage();
    in.bytes = PageBytes(in.page);
  }
  return in;
}

constexpr int32_t kRowBytes = kPageRowBits / 8;

void SetPageCounters(benchmark::State& state, int64_t coded) {
  state.SetItemsProcessed(state.iterations() * int64_t{kPageRowBits} * kPageHeight);
  state.counters["coded_bytes"] = static_cast<double>(coded);
}

void BM_MmrOurs(benchmark::State& state) {
  const PageInput& in = Input(static_cast<int32_t>(state.range(0)));
  std::vector<uint32_t> area(16u << 20);
  std::vector<int32_t> current(kPageRowBits + 5), reference(kPageRowBits + 5);
  int32_t coded = 0;
  for (auto _ : state) {
    reference[0] = 1;
    reference[1] = reference[2] = kPageRowBits;
    MmrReset(area.data(), static_cast<int32_t>(area.size() * 4));
    MmrEncodeRows(in.page.words.data(), kPageHeight, kRowBytes, current.data(), reference.data());
    MmrFinish();
    coded = MmrByteCount();
    uint8_t* data = reinterpret_cast<uint8_t*>(area.data());
    SwapWordBytes(data, data, coded);
    benchmark::DoNotOptimize(data);
  }
  SetPageCounters(state, coded);
}

// libtiff writes into memory through client procedures.
struct Memory {
  std::vector<uint8_t> bytes;
  toff_t at = 0;
};

tsize_t MemoryRead(thandle_t, tdata_t, tsize_t) {
  return 0;
}
tsize_t MemoryWrite(thandle_t h, tdata_t data, tsize_t n) {
  Memory& m = *static_cast<Memory*>(h);
  if (m.at + n > m.bytes.size()) m.bytes.resize(m.at + n);
  std::memcpy(m.bytes.data() + m.at, data, n);
  m.at += n;
  return n;
}
toff_t MemorySeek(thandle_t h, toff_t offset, int whence) {
  Memory& m = *static_cast<Memory*>(h);
  m.at = whence == SEEK_SET ? offset : whence == SEEK_CUR ? m.at + offset : m.bytes.size() + offset;
  return m.at;
}
int MemoryClose(thandle_t) {
  return 0;
}
toff_t MemorySize(thandle_t h) {
  return static_cast<Memory*>(h)->bytes.size();
}
int MemoryMap(thandle_t, tdata_t*, toff_t*) {
  return 0;
}
void MemoryUnmap(thandle_t, tdata_t, toff_t) {}

// One-bit rows, 1 black, coded as a single Group 4 strip.
void SetG4PageFields(TIFF* t, int32_t width, int32_t rows) {
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, rows);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rows);
}

}  // namespace

// The canvas coded as one Group 4 strip; returns the coded strip's size.
int64_t TiffEncode(const uint8_t* bytes, int32_t rowBits, int32_t rows) {
  static Memory memory;
  memory.bytes.clear();
  memory.bytes.reserve(32u << 20);
  memory.at = 0;
  TIFF* t = TIFFClientOpen("page", "w", &memory, MemoryRead, MemoryWrite, MemorySeek, MemoryClose,
                           MemorySize, MemoryMap, MemoryUnmap);
  SetG4PageFields(t, rowBits, rows);
  TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t*>(bytes), tmsize_t{rowBits} / 8 * rows);
  uint64_t* counts = nullptr;
  TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
  const int64_t coded = counts != nullptr ? static_cast<int64_t>(counts[0]) : -1;
  TIFFClose(t);
  return coded;
}

namespace {

void BM_MmrLibtiff(benchmark::State& state) {
  const PageInput& in = Input(static_cast<int32_t>(state.range(0)));
  int64_t coded = 0;
  for (auto _ : state) coded = TiffEncode(in.bytes.data(), kPageRowBits, kPageHeight);
  SetPageCounters(state, coded);
}

// spandsp takes the page geometry from a TIFF file and then reads the rows
// through a handler.
struct SpandspRows {
  const uint8_t* bytes;
  int32_t row;
};

int ReadSpandspRow(void* user, uint8_t buf[], size_t len) {
  SpandspRows& r = *static_cast<SpandspRows*>(user);
  if (r.row >= kPageHeight) return 0;
  std::memcpy(buf, r.bytes + size_t{kRowBytes} * r.row++, len);
  return static_cast<int>(len);
}

const char* SpandspGeometryFile() {
  static char path[] = "/tmp/trnkv-bench-XXXXXX";
  static bool made = false;
  if (!made) {
    close(mkstemp(path));
    std::vector<uint8_t> white(size_t{kRowBytes} * kPageHeight);
    TIFF* t = TIFFOpen(path, "w");
    SetG4PageFields(t, kPageRowBits, kPageHeight);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 600.0);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 600.0);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFWriteEncodedStrip(t, 0, white.data(), static_cast<tmsize_t>(white.size()));
    TIFFClose(t);
    std::atexit([] { std::remove(path); });
    made = true;
  }
  return path;
}

void BM_MmrSpandsp(benchmark::State& state) {
  const PageInput& in = Input(static_cast<int32_t>(state.range(0)));
  const char* path = SpandspGeometryFile();
  std::vector<uint8_t> chunk(1 << 20);
  int64_t coded = 0;
  for (auto _ : state) {
    state.PauseTiming();
    t4_tx_state_t* s = t4_tx_init(nullptr, path, -1, -1);
    t4_tx_set_tx_encoding(s, T4_COMPRESSION_ITU_T6);
    t4_tx_set_min_bits_per_row(s, 0);
    SpandspRows rows{in.bytes.data(), 0};
    t4_tx_set_row_read_handler(s, ReadSpandspRow, &rows);
    state.ResumeTiming();
    t4_tx_start_page(s);
    coded = 0;
    for (int n; (n = t4_tx_get_chunk(s, chunk.data(), static_cast<int>(chunk.size()))) > 0;)
      coded += n;
    state.PauseTiming();
    t4_tx_free(s);
    state.ResumeTiming();
  }
  SetPageCounters(state, coded);
}

void PageArguments(benchmark::internal::Benchmark* b) {
  b->ArgName("page")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_MmrOurs)->Apply(PageArguments);
BENCHMARK(BM_MmrLibtiff)->Apply(PageArguments);
BENCHMARK(BM_MmrSpandsp)->Apply(PageArguments);

// The band writer: the finished canvas cut into bands, each coded as one MMR
// image and framed for the output language.
#include "raster/bands.h"

#include <cstdlib>
#include <cstring>

#include "config/geometry.h"
#include "host/services.h"
#include "output/qdrs.h"
#include "platform/memory.h"
#include "raster/canvas.h"
#include "raster/mmr.h"

namespace {

// Above this estimate of the coded size the canvas is cut into about 32 bands,
// each a whole number of 32-row units.
constexpr int64_t kOneBandLimit = 10485760;
constexpr int32_t kBandUnit = 32;
// The coded area is first sized from the estimate, but no larger than this;
// a band that needs more gets an area of its exact size.
constexpr int64_t kFirstAreaLimit = int64_t{64} << 20;

struct BandWork {
  int32_t* currentList;
  int32_t* referenceList;
  uint32_t* area;
  int32_t areaBytes;
};

BandWork work{};

void ReleaseWork() {
  MemoryRelease(work.currentList);
  MemoryRelease(work.referenceList);
  MemoryRelease(work.area);
  work = BandWork{};
}

int32_t TakeArea(int64_t bytes) {
  MemoryRelease(work.area);
  bytes = (bytes + 3) / 4 * 4;
  work.area = static_cast<uint32_t*>(MemoryTake(static_cast<size_t>(bytes), true));
  work.areaBytes = work.area != nullptr ? static_cast<int32_t>(bytes) : 0;
  return work.area != nullptr ? 0 : -1;
}

int32_t TakeWork(int32_t bandRows) {
  ReleaseWork();
  // A run list holds its count, one pair per run and the end marker.
  const size_t listBytes = (static_cast<size_t>(raster.rowBits) + 5) * sizeof(int32_t);
  work.currentList = static_cast<int32_t*>(MemoryTake(listBytes, false));
  work.referenceList = static_cast<int32_t*>(MemoryTake(listBytes, false));
  int64_t estimate = int64_t{4} * (raster.rowBits / 8 + 100) * bandRows;
  if (estimate > kFirstAreaLimit) estimate = kFirstAreaLimit;
  if (work.currentList == nullptr || work.referenceList == nullptr || TakeArea(estimate) < 0) {
    ReleaseWork();
    return -1;
  }
  return 0;
}

int32_t BandHeight(int32_t rows) {
  if (int64_t{4} * rows * (raster.rowBits / 8 + 100) <= kOneBandLimit) return rows;
  const int32_t units = rows / kBandUnit;
  const int32_t height = kBandUnit * ((units + kBandUnit - 1) / kBandUnit);
  return height < kBandUnit ? kBandUnit : height;
}

// Codes rows first..first + count - 1 into the work area; returns the byte
// count of the coded band, or -1. An area too small for the band is replaced by
// one of the size the coder reports, and the band coded again.
int32_t CodeBand(int32_t first, int32_t count) {
  const int32_t rowBytes = raster.rowBits / 8;
  const uint32_t* rows = raster.canvas + static_cast<size_t>(first) * (rowBytes / 4);
  for (int32_t attempt = 0; attempt < 2; ++attempt) {
    work.referenceList[0] = 1;  // all white above the band's first row
    work.referenceList[1] = raster.rowBits;
    work.referenceList[2] = raster.rowBits;
    MmrReset(work.area, work.areaBytes);
    const int32_t coded =
        MmrEncodeRows(rows, count, rowBytes, work.currentList, work.referenceList);
    const int32_t finished = MmrFinish();
    const int32_t needed = MmrByteCount();
    if (coded == 0 && finished == 0) return needed;
    if (needed <= work.areaBytes || TakeArea(int64_t{needed} + 4) < 0) return -1;
  }
  return -1;
}

void WriteHpRtlBand(int32_t rows, const uint8_t* data, int32_t n) {
  RasterWriteText("\x1b*r%dS", raster.rowBits);
  RasterWriteText("\x1b*r%dT", rows);
  RasterWriteText("\x1b*r1A");
  RasterWriteBytes({0x1B});
  RasterWriteText("*b8M");
  RasterWriteBytes({0x1B});
  RasterWriteText("*b%dW", n + 4);
  uint8_t width[4];
  PackLong(raster.rowBits, width);
  RasterWrite(4, width);
  RasterWrite(n, data);
}

// The image record: origin, source size in canvas pixels, the size the device
// draws it at (in its 400-dpi units), and 00 01.
void WriteImageRecord(int32_t sourceWidth, int32_t sourceRows, int32_t drawnWidth,
                      int32_t drawnRows) {
  uint8_t record[30] = {0x9B, 0x5F, 0x00, 0x1A};
  int32_t at = 4;
  at += PackLong(raster.originX, record + at);
  at += PackLong(raster.originY, record + at);
  at += PackLong(sourceWidth, record + at);
  at += PackLong(sourceRows, record + at);
  at += PackLong(drawnWidth, record + at);
  at += PackLong(drawnRows, record + at);
  record[at++] = 0x00;
  record[at++] = 0x01;
  RasterWrite(at, record);
}

// Canvas pixels in the device's 400-dpi units: two each at 200 dpi.
int32_t DrawnSize(int32_t pixels) {
  return static_cast<int32_t>(int64_t{pixels} * 400 / (rasterDpi > 0 ? rasterDpi : 400));
}

void WriteQdrsBand(int32_t rows, const uint8_t* data, int32_t n) {
  if (raster.transparent == 0) QdrsBackgroundBox(rows);
  WriteImageRecord(raster.rowBits, rows, DrawnSize(raster.rowBits), DrawnSize(rows));
  RasterWriteBytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x07});
  uint8_t head[6] = {0x9B, 0x5C};
  PackLong(n, head + 2);
  RasterWrite(6, head);
  RasterWrite(n, data);
}

// Ends one raster and starts the next one `rows` canvas rows further on: in
// QDRS as far as the device draws those rows.
void WriteBandBreak(int32_t rows) {
  if (raster.qdrs == 0) {
    RasterWriteText("\x1b*rC");
    RasterWriteText("\x1b%%0B");
    const int32_t distance = TruncateToInt32(static_cast<double>(rows) / rasterDpi * 1016);
    if (raster.turned != 0) {
      RasterWriteText("PR%d,0", distance);
    } else {
      RasterWriteText("PR0,%d", distance);
    }
  } else {
    RasterWriteBytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x00});
    if (raster.turned != 0) {
      raster.originX += DrawnSize(rows);
    } else {
      raster.originY += DrawnSize(rows);
    }
  }
  WriteRasterStart();
}

}  // namespace

void SwapWordBytes(const uint8_t* source, uint8_t* destination, int32_t count) {
  for (int32_t at = 0; at < count; at += 4) {
    uint32_t group;
    std::memcpy(&group, source + at, 4);
    group = __builtin_bswap32(group);
    std::memcpy(destination + at, &group, 4);
  }
}

int32_t QdrsBackgroundBox(int32_t rows) {
  WriteImageRecord(32, 1, DrawnSize(raster.canvasWidth), DrawnSize(rows));
  RasterWriteBytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x07});
  RasterWriteBytes({0x9B, 0x5C, 0x00, 0x00, 0x00, 0x04});
  RasterWriteBytes({0x80, 0x08, 0x00, 0x80});  // one white row of 32 pixels, coded
  RasterWriteBytes({0x9B, 0x5D, 0x00, 0x02, 0x02, 0x00});
  RasterWriteBytes({0x9B, 0x5E, 0x00, 0x02, 0x00, 0x01});
  WriteRasterStart();
  return 0;
}

int32_t RasterFinish() {
  if (raster.canvas == nullptr) return -1;
  const int32_t rows = raster.rowsDone;
  // An image without rows is an empty raster: its start and end, no band.
  if (rows == 0) return 0;
  const int32_t bandRows = BandHeight(rows);
  if (TakeWork(bandRows) < 0) return -1;
  for (int32_t first = 0; first < rows && driverErrorState == 0; first += bandRows) {
    if (first > 0) WriteBandBreak(bandRows);
    const int32_t count = rows - first < bandRows ? rows - first : bandRows;
    const int32_t n = CodeBand(first, count);
    if (n < 0) {
      ReleaseWork();
      return -1;
    }
    uint8_t* data = reinterpret_cast<uint8_t*>(work.area);
    SwapWordBytes(data, data, n);
    if (raster.qdrs == 0) {
      WriteHpRtlBand(count, data, n);
    } else {
      WriteQdrsBand(count, data, n);
    }
  }
  ReleaseWork();
  return 0;
}

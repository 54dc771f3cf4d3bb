#include "raster/bands.h"

#include <cstdlib>
#include <cstring>

#include "host/services.h"
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

}  // namespace

void SwapWordBytes(const uint8_t* source, uint8_t* destination, int32_t count) {
  for (int32_t at = 0; at < count; at += 4) {
    uint32_t group;
    std::memcpy(&group, source + at, 4);
    group = __builtin_bswap32(group);
    std::memcpy(destination + at, &group, 4);
  }
}

int32_t RasterFinish() {
  if (raster.canvas == nullptr) return -1;
  const int32_t rows = raster.rowsDone;
  // An image without rows is an empty raster: its start and end, no band.
  if (rows == 0) return 0;
  const int32_t bandRows = BandHeight(rows);
  if (TakeWork(bandRows) < 0) return -1;
  for (int32_t first = 0; first < rows && driverErrorState == 0; first += bandRows) {
    if (first > 0) raster.framing->writeBandBreak(bandRows);
    const int32_t count = rows - first < bandRows ? rows - first : bandRows;
    const int32_t n = CodeBand(first, count);
    if (n < 0) {
      ReleaseWork();
      return -1;
    }
    uint8_t* data = reinterpret_cast<uint8_t*>(work.area);
    SwapWordBytes(data, data, n);
    raster.framing->writeBand(count, data, n);
  }
  ReleaseWork();
  return 0;
}

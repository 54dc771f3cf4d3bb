// The job reader and the band decoder on arbitrary bytes: built with
// libFuzzer and AddressSanitizer by scripts/test, and with jobview_replay for
// inputs kept as regressions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/jobview/band.h"
#include "tools/jobview/read_job.h"

namespace {

// Bands larger than this are read but not decoded here: decoding them proves
// nothing more and would only slow the search down.
constexpr int64_t kMaxFuzzedDots = int64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JobPicture picture;
  ReadJob(data, size, picture);
  size_t ink = 0;
  for (const JobItem& item : picture.items) {
    const RasterBand& b = item.band;
    if (item.kind != ItemKind::Band || int64_t{b.width} * b.rows > kMaxFuzzedDots) continue;
    if (b.offset > size || b.size > size - b.offset) __builtin_trap();  // outside the job
    std::string error;
    DecodeBand(
        data + b.offset, b.size, b.width, b.rows,
        [&](int32_t, int32_t count, const uint8_t* rows) {
          for (int32_t k = 0; k < count * ((b.width + 7) / 8); ++k) ink += rows[k] != 0;
        },
        error);
  }
  return ink == SIZE_MAX ? 1 : 0;
}

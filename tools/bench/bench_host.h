#pragma once
// The host's side of the driver for the benchmarks: a service table whose write
// slot only counts the bytes (or keeps them, when asked), the request
// conversation up to an open plot, and a strip server for raster images.
#include <cstdint>
#include <string>
#include <vector>

struct BenchLink {
  void (*control)(uint8_t* packet);
  void (*graphics)(uint8_t* packet);
};

// Bytes the driver handed to the host since the last reset, and every one of
// them when keepBytes is set.
struct BenchOutput {
  int64_t bytes = 0;
  bool keepBytes = false;
  std::string kept;
};
extern BenchOutput benchOutput;

// Loads the driver through its export and runs the host's conversation up to a
// drawing: version check, messages, handshake, model, set-up, configuration.
// Once per process; the tone curve is then the one every image is screened
// through.
const BenchLink& BenchDriver();
// Begins a plot in the given job language, or ends it.
void BenchBeginPlot(const BenchLink& d, bool qdrs, uint16_t resolution);
void BenchEndPlot(const BenchLink& d);

void BenchMove(const BenchLink& d, uint16_t x, uint16_t y);
void BenchDraw(const BenchLink& d, uint16_t x, uint16_t y);
// Request 54: a filled polygon whose vertices the host keeps.
void BenchPolygon(const BenchLink& d, int16_t pen, const std::vector<uint16_t>& xy);

// A colour image served strip by strip from rows the host holds: strip s is
// row s % rows.size() of the source, shifted by a few pixels every cycle so
// that no two strips of one page repeat exactly.
struct StripSource {
  int32_t width = 0;
  std::vector<std::vector<uint8_t>> rows;  // (width + kSourceSlack) * 3 bytes each
};
constexpr int32_t kSourceSlack = 64;
extern StripSource stripSource;

// Request 52 for an image of width x height pixels placed on widthUnits x
// heightUnits drawing units; the next request writes it.
void BenchImage(const BenchLink& d, int32_t width, int32_t height, int32_t widthUnits,
                int32_t heightUnits);

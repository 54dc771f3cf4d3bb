#pragma once
// What a printer job puts on the sheet, independent of the language it came
// in: strokes, filled areas and raster bands, with the pens, widths and line
// types they print with. Coordinates are inches on the sheet, origin at its
// lower left corner, y upwards. Raster bands keep only where their coded data
// lies in the job, so a picture stays small whatever the job holds; the
// renderer decodes them one at a time.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct JobPoint {
  double x = 0, y = 0;
};

struct JobColour {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const JobColour&) const = default;
};

enum class LineCap : uint8_t { Butt, Square, Triangle, Round };
enum class LineJoin : uint8_t { Miter, Bevel, Triangle, Round };

struct StrokeStyle {
  JobColour colour;
  double width = 0;  // inches; 0 draws the thinnest line the printer can
  LineCap cap = LineCap::Round;
  LineJoin join = LineJoin::Round;
  std::vector<double> dashes;  // inches, drawn first; empty for solid
  bool operator==(const StrokeStyle&) const = default;
};

// A fill prints the pen's colour through a 16 x 16 cell pattern (bit 15 - c of
// row r is cell c, 1 inked). Where no cell is inked and the fill is opaque, the
// area is painted white.
struct FillStyle {
  JobColour colour;
  std::array<uint16_t, 16> pattern{};
  double cell = 0;  // inches per pattern cell
  bool opaque = true;
  bool operator==(const FillStyle&) const = default;
};

// One MMR-coded raster band: `width` x `rows` dots, dot (i, j) drawn at
// origin + i * pixelStep + j * rowStep (the parallelogram spanned from there).
struct RasterBand {
  size_t offset = 0, size = 0;  // the coded data within the job
  int32_t width = 0, rows = 0;
  JobPoint origin, pixelStep, rowStep;
  bool opaque = false;  // white dots cover what lies below
};

enum class ItemKind : uint8_t { Stroke, Fill, Band };

struct JobItem {
  ItemKind kind = ItemKind::Stroke;
  uint32_t style = 0;    // into strokeStyles or fillStyles
  bool clipped = false;  // drawn only inside clipLow..clipHigh
  JobPoint clipLow, clipHigh;
  std::vector<JobPoint> points;    // a stroke's polyline; a fill's outlines
  std::vector<uint32_t> outlines;  // fills: where each closed outline after the first starts
  RasterBand band;
};

// Something the reader did not understand, or a job that ends early.
struct JobNote {
  size_t offset = 0;
  std::string text;
  int32_t count = 1;
};

struct JobPicture {
  std::string language;            // "RTL/GL2" or "QDRS+MMR"
  JobPoint sheet;                  // sheet size; 0 when the job does not say
  JobPoint usableLow, usableHigh;  // the area inside the margins
  std::vector<StrokeStyle> strokeStyles;
  std::vector<FillStyle> fillStyles;
  std::vector<JobItem> items;
  std::vector<JobNote> notes;
  bool damaged = false;  // truncated or corrupt: the picture is partial
};

// Shared by the readers.
void NoteOnce(JobPicture& picture, size_t offset, const std::string& text);
int32_t NoteDamage(JobPicture& picture, size_t offset, const std::string& text);
uint32_t StrokeStyleIndex(JobPicture& picture, const StrokeStyle& style);
uint32_t FillStyleIndex(JobPicture& picture, const FillStyle& style);
// Grows the sheet and usable area to hold everything drawn, for jobs that do
// not give a sheet size.
void FitSheetToContent(JobPicture& picture);

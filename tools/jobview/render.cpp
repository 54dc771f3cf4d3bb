// Cairo user space is the picture's: inches, y upwards.
#include "tools/jobview/render.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "tools/jobview/band.h"

namespace {

constexpr double kPointsPerInch = 72;
// The thinnest line the printer draws is one dot of its finest resolution.
constexpr double kThinnestLine = 1.0 / 600;
constexpr int32_t kMaxPixels = 30000;  // cairo's image surfaces stop at 32767
constexpr double kMaxArea = 50e6;      // 200 MB of pixels

using Cairo = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using Pattern = std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)>;

void SetColour(cairo_t* cr, const JobColour& c) {
  cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0);
}

// Patterns and raster dots: smoothed when a pixel of the image covers several
// of them, kept sharp otherwise and in a PDF, which a viewer scales itself.
cairo_filter_t DotFilter(cairo_t* cr, double dot) {
  if (cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_PDF)
    return CAIRO_FILTER_NEAREST;
  double dx = 1, dy = 0;
  cairo_device_to_user_distance(cr, &dx, &dy);
  return std::hypot(dx, dy) > dot ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST;
}

double DevicePixel(cairo_t* cr) {
  double dx = 1, dy = 0;
  cairo_device_to_user_distance(cr, &dx, &dy);
  return std::hypot(dx, dy);
}

void Path(cairo_t* cr, const std::vector<JobPoint>& points, size_t from, size_t to) {
  if (from >= to) return;
  cairo_move_to(cr, points[from].x, points[from].y);
  for (size_t k = from + 1; k < to; ++k) cairo_line_to(cr, points[k].x, points[k].y);
}

void DrawStroke(cairo_t* cr, const JobItem& item, const StrokeStyle& style) {
  SetColour(cr, style.colour);
  cairo_set_line_width(cr, std::max({style.width, kThinnestLine, DevicePixel(cr)}));
  // cairo has no triangular ends or joins; round ones come closest.
  cairo_set_line_cap(cr, style.cap == LineCap::Butt     ? CAIRO_LINE_CAP_BUTT
                         : style.cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                        : CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, style.join == LineJoin::Miter   ? CAIRO_LINE_JOIN_MITER
                          : style.join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                          : CAIRO_LINE_JOIN_ROUND);
  const bool dashed =
      std::any_of(style.dashes.begin(), style.dashes.end(), [](double d) { return d > 0; });
  cairo_set_dash(cr, dashed ? style.dashes.data() : nullptr,
                 dashed ? static_cast<int>(style.dashes.size()) : 0, 0);
  Path(cr, item.points, 0, item.points.size());
  cairo_stroke(cr);
}

// A 16 x 16 tile of the pattern: inked cells in the fill's colour, the rest clear.
Surface PatternTile(const FillStyle& style) {
  Surface tile(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16), cairo_surface_destroy);
  cairo_surface_flush(tile.get());
  uint8_t* data = cairo_image_surface_get_data(tile.get());
  const int stride = cairo_image_surface_get_stride(tile.get());
  const uint32_t ink =
      0xFF000000u | style.colour.red << 16 | style.colour.green << 8 | style.colour.blue;
  for (int r = 0; r < 16; ++r) {
    auto* row = reinterpret_cast<uint32_t*>(data + r * stride);
    for (int c = 0; c < 16; ++c) row[c] = (style.pattern[r] & 0x8000 >> c) != 0 ? ink : 0;
  }
  cairo_surface_mark_dirty(tile.get());
  return tile;
}

void DrawFill(cairo_t* cr, const JobItem& item, const FillStyle& style) {
  size_t start = 0;
  for (size_t k = 0; k <= item.outlines.size(); ++k) {
    const size_t end = k < item.outlines.size()
                           ? std::min<size_t>(item.outlines[k], item.points.size())
                           : item.points.size();
    Path(cr, item.points, start, end);
    cairo_close_path(cr);
    start = std::max(start, end);
  }
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  if (style.opaque) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
  }
  const bool solid = std::all_of(style.pattern.begin(), style.pattern.end(),
                                 [](uint16_t row) { return row == 0xFFFF; });
  if (solid) {
    SetColour(cr, style.colour);
  } else {
    const Surface tile = PatternTile(style);
    Pattern pattern(cairo_pattern_create_for_surface(tile.get()), cairo_pattern_destroy);
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern.get(), DotFilter(cr, style.cell));
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, 1 / style.cell, -1 / style.cell);  // rows run down the sheet
    cairo_pattern_set_matrix(pattern.get(), &m);
    cairo_set_source(cr, pattern.get());
  }
  cairo_fill(cr);
}

uint8_t Reversed(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// cairo's image surfaces end at 32767 pixels a side; wider rows are drawn in
// pieces of this many dots (whole bytes of the row).
constexpr int32_t kPieceDots = 16384;

// Draws dots first..first + width - 1 of a slice of decoded rows as a mask of
// black dots.
void DrawPiece(cairo_t* cr, const RasterBand& b, int32_t firstRow, int32_t count,
               const uint8_t* rows, int32_t firstDot, int32_t width) {
  Surface mask(cairo_image_surface_create(CAIRO_FORMAT_A1, width, count), cairo_surface_destroy);
  if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) return;
  cairo_surface_flush(mask.get());
  uint8_t* data = cairo_image_surface_get_data(mask.get());
  const int stride = cairo_image_surface_get_stride(mask.get());
  const size_t rowBytes = (static_cast<size_t>(b.width) + 7) / 8;
  const size_t pieceBytes = (static_cast<size_t>(width) + 7) / 8;
  // cairo's one-bit pixels lie in native-endian words: on this machine the
  // first dot of a byte is its lowest bit.
  for (int32_t r = 0; r < count; ++r) {
    const uint8_t* from = rows + r * rowBytes + firstDot / 8;
    for (size_t k = 0; k < pieceBytes; ++k) data[r * stride + k] = Reversed(from[k]);
  }
  cairo_surface_mark_dirty(mask.get());
  cairo_save(cr);
  cairo_matrix_t m;
  cairo_matrix_init(&m, b.pixelStep.x, b.pixelStep.y, b.rowStep.x, b.rowStep.y,
                    b.origin.x + firstRow * b.rowStep.x + firstDot * b.pixelStep.x,
                    b.origin.y + firstRow * b.rowStep.y + firstDot * b.pixelStep.y);
  cairo_transform(cr, &m);
  cairo_set_source_rgb(cr, 0, 0, 0);
  Pattern pattern(cairo_pattern_create_for_surface(mask.get()), cairo_pattern_destroy);
  cairo_pattern_set_filter(pattern.get(), DotFilter(cr, 1.0));
  cairo_mask(cr, pattern.get());
  cairo_restore(cr);
}

void DrawSlice(cairo_t* cr, const RasterBand& b, int32_t first, int32_t count,
               const uint8_t* rows) {
  for (int32_t dot = 0; dot < b.width; dot += kPieceDots)
    DrawPiece(cr, b, first, count, rows, dot, std::min(kPieceDots, b.width - dot));
}

void DrawBand(cairo_t* cr, JobPicture& picture, const RasterBand& b, const uint8_t* job,
              size_t size) {
  if (b.offset > size || b.size > size - b.offset) return;
  if (b.opaque) {
    cairo_move_to(cr, b.origin.x, b.origin.y);
    cairo_rel_line_to(cr, b.pixelStep.x * b.width, b.pixelStep.y * b.width);
    cairo_rel_line_to(cr, b.rowStep.x * b.rows, b.rowStep.y * b.rows);
    cairo_rel_line_to(cr, -b.pixelStep.x * b.width, -b.pixelStep.y * b.width);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
  }
  std::string error;
  const int32_t decoded = DecodeBand(
      job + b.offset, b.size, b.width, b.rows,
      [&](int32_t first, int32_t count, const uint8_t* rows) {
        DrawSlice(cr, b, first, count, rows);
      },
      error);
  if (decoded < b.rows)
    NoteDamage(picture, b.offset,
               "raster band decoded to row " + std::to_string(decoded) + " of " +
                   std::to_string(b.rows) + ": " + error);
}

void DrawSheet(cairo_t* cr, const JobPicture& picture, bool outline) {
  const double px = DevicePixel(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, px);
  if (outline) {
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_rectangle(cr, px / 2, px / 2, picture.sheet.x - px, picture.sheet.y - px);
    cairo_stroke(cr);
    return;
  }
  const JobPoint& low = picture.usableLow;
  const JobPoint& high = picture.usableHigh;
  if (low.x <= 0 && low.y <= 0 && high.x >= picture.sheet.x && high.y >= picture.sheet.y) return;
  const double dash[] = {6 * px, 4 * px};
  cairo_set_dash(cr, dash, 2, 0);
  cairo_set_source_rgb(cr, 0.45, 0.6, 0.9);
  cairo_rectangle(cr, low.x, low.y, high.x - low.x, high.y - low.y);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

void DrawPicture(cairo_t* cr, JobPicture& picture, const uint8_t* job, size_t size) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  DrawSheet(cr, picture, false);
  for (const JobItem& item : picture.items) {
    cairo_save(cr);
    if (item.clipped) {
      cairo_rectangle(cr, item.clipLow.x, item.clipLow.y, item.clipHigh.x - item.clipLow.x,
                      item.clipHigh.y - item.clipLow.y);
      cairo_clip(cr);
    }
    switch (item.kind) {
      case ItemKind::Stroke:
        if (item.style < picture.strokeStyles.size())
          DrawStroke(cr, item, picture.strokeStyles[item.style]);
        break;
      case ItemKind::Fill:
        if (item.style < picture.fillStyles.size())
          DrawFill(cr, item, picture.fillStyles[item.style]);
        break;
      case ItemKind::Band:
        DrawBand(cr, picture, item.band, job, size);
        break;
    }
    cairo_restore(cr);
  }
  DrawSheet(cr, picture, true);
}

// Cairo user space in inches with y upwards, on a page of the given height.
void SetInches(cairo_t* cr, double scale, double height) {
  cairo_translate(cr, 0, height);
  cairo_scale(cr, scale, -scale);
}

// A sheet too large for the size asked (or a damaged job that draws far off
// it) is drawn smaller, with a note, rather than not at all.
int32_t PixelScale(JobPicture& picture, const PreviewOptions& options, double& dpi, int32_t& width,
                   int32_t& height, std::string& error) {
  if (picture.sheet.x <= 0 || picture.sheet.y <= 0) {
    error = "the job draws nothing and gives no sheet size";
    return -1;
  }
  dpi = options.widthPixels > 0 ? options.widthPixels / picture.sheet.x
        : options.dpi > 0       ? options.dpi
                                : kDefaultPreviewDpi;
  const double fit = std::min(kMaxPixels / std::max(picture.sheet.x, picture.sheet.y),
                              std::sqrt(kMaxArea / (picture.sheet.x * picture.sheet.y)));
  if (dpi > fit) {
    dpi = fit;
    NoteOnce(picture, 0,
             "a sheet of " + std::to_string(std::lround(picture.sheet.x)) + " x " +
                 std::to_string(std::lround(picture.sheet.y)) +
                 " inches is drawn smaller than asked");
  }
  const double w = std::ceil(picture.sheet.x * dpi - 1e-6),
               h = std::ceil(picture.sheet.y * dpi - 1e-6);
  if (!(w >= 1 && h >= 1 && w <= kMaxPixels && h <= kMaxPixels)) {
    error = "a preview of " + std::to_string(static_cast<long long>(w)) + " x " +
            std::to_string(static_cast<long long>(h)) + " pixels is too large";
    return -1;
  }
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return 0;
}

bool EndsWith(const std::string& s, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

int32_t RenderToPixels(JobPicture& picture, const uint8_t* job, size_t size,
                       const PreviewOptions& options, PreviewPixels& out, std::string& error) {
  int32_t width = 0, height = 0;
  double dpi = 0;
  if (PixelScale(picture, options, dpi, width, height, error) < 0) return -1;
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height),
                  cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    error = "no memory for the preview";
    return -1;
  }
  {
    Cairo cr(cairo_create(surface.get()), cairo_destroy);
    SetInches(cr.get(), dpi, height);
    DrawPicture(cr.get(), picture, job, size);
  }
  cairo_surface_flush(surface.get());
  const uint8_t* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  out.width = width;
  out.height = height;
  out.dpi = dpi;
  out.pixels.resize(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      out.pixels[static_cast<size_t>(y) * width + x] =
          reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
  return 0;
}

int32_t RenderToFile(JobPicture& picture, const uint8_t* job, size_t size,
                     const PreviewOptions& options, const std::string& path, std::string& error) {
  Surface surface(nullptr, cairo_surface_destroy);
  double scale = 0, height = 0;
  if (EndsWith(path, ".pdf") || EndsWith(path, ".PDF")) {
    if (picture.sheet.x <= 0 || picture.sheet.y <= 0) {
      error = "the job draws nothing and gives no sheet size";
      return -1;
    }
    scale = kPointsPerInch;
    height = picture.sheet.y * scale;
    surface.reset(cairo_pdf_surface_create(path.c_str(), picture.sheet.x * scale, height));
  } else {
    int32_t w = 0, h = 0;
    if (PixelScale(picture, options, scale, w, h, error) < 0) return -1;
    height = h;
    surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  }
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    error = cairo_status_to_string(cairo_surface_status(surface.get()));
    return -1;
  }
  {
    Cairo cr(cairo_create(surface.get()), cairo_destroy);
    SetInches(cr.get(), scale, height);
    DrawPicture(cr.get(), picture, job, size);
  }
  cairo_status_t status = cairo_surface_status(surface.get());
  if (status == CAIRO_STATUS_SUCCESS &&
      cairo_surface_get_type(surface.get()) == CAIRO_SURFACE_TYPE_IMAGE)
    status = cairo_surface_write_to_png(surface.get(), path.c_str());
  cairo_surface_finish(surface.get());
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface.get());
  if (status != CAIRO_STATUS_SUCCESS) {
    error = cairo_status_to_string(status);
    return -1;
  }
  return 0;
}

int32_t PreviewJobFile(const char* program, const std::string& jobPath, const std::string& outPath,
                       const PreviewOptions& options, std::FILE* messages) {
  std::ifstream in(jobPath, std::ios::binary);
  if (!in) {
    std::fprintf(messages, "%s: %s: cannot read the job\n", program, jobPath.c_str());
    return 2;
  }
  const std::vector<uint8_t> job((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  JobPicture picture;
  ReadJob(job.data(), job.size(), picture);
  std::string error;
  const int32_t drawn = RenderToFile(picture, job.data(), job.size(), options, outPath, error);
  for (const JobNote& note : picture.notes) {
    std::fprintf(messages, "%s: %s: byte %zu: %s", program, jobPath.c_str(), note.offset,
                 note.text.c_str());
    if (note.count > 1) std::fprintf(messages, " (%d times)", note.count);
    std::fputc('\n', messages);
  }
  if (drawn < 0) {
    std::fprintf(messages, "%s: %s: %s\n", program, outPath.c_str(), error.c_str());
    return 2;
  }
  return picture.notes.empty() && !picture.damaged ? 0 : 1;
}

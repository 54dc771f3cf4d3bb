// Reads a "QDRS+MMR" job: its records in their three forms (short: opcode,
// word count, words; long: FF, opcode, 16-bit word count, words; job control:
// 9B, opcode, 16-bit byte count, bytes), output units of 1/400 inch.
#include "tools/jobview/read_qdrs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "tools/jobview/picture.h"
#include "vector/area_patterns.h"

namespace {

constexpr double kUnitsPerInch = 400;
// The language gives a line pattern in percent of a length it does not send;
// the preview takes this one.
constexpr double kPatternLengthInches = 0.5;
constexpr int32_t kMaxBandDots = 1 << 20;

// The job set-up block, sent whole: five groups that count down from FFFF,
// then the start of a sixth.
constexpr std::array<uint8_t, 70> JobFrameBlock() {
  std::array<uint8_t, 70> b{};
  size_t n = 0;
  for (int group = 1; group <= 6; ++group) {
    for (uint8_t c : {0x18, 0x01, 0x00, 0x00, 0x18, 0x02, 0x00, 0x00, 0x18, 0x02}) b[n++] = c;
    if (group < 6) b[n++] = 0xFF, b[n++] = static_cast<uint8_t>(256 - group);
  }
  return b;
}
constexpr std::array<uint8_t, 70> kJobFrameBlock = JobFrameBlock();

struct Pen {
  JobColour colour;
  int32_t pattern = -1;  // the area pattern its fills print with; -1 solid
};

struct Reader {
  const uint8_t* job;
  size_t size;
  JobPicture* picture;
  std::array<Pen, 256> pens{};
  std::array<std::optional<AreaPattern>, 256> areaPatterns{};
  std::array<std::vector<double>, 256> linePatterns{};  // percent
  int32_t linePen = 7, areaPen = 7, linePattern = 0, width = 0;
  bool opaque = true;
  // The corner mark that tells how the raster lies; the first dot is the origin.
  int32_t dots = 0;
  JobPoint cornerMark{1, 0};
  // The image record waiting for its data.
  bool imagePending = false;
  int32_t image[6] = {};
};

int32_t Word(const uint8_t* p) {
  return static_cast<int16_t>(p[0] << 8 | p[1]);
}
int32_t Long(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]);
}

std::string Hex(std::initializer_list<int32_t> bytes) {
  std::string s;
  char b[4];
  for (int32_t v : bytes)
    std::snprintf(b, sizeof b, "%s%02X", s.empty() ? "" : " ", v & 0xFF), s += b;
  return s;
}

JobPoint Inches(double x, double y) {
  return {x / kUnitsPerInch, y / kUnitsPerInch};
}

StrokeStyle LineStyle(const Reader& r) {
  StrokeStyle style;
  style.colour = r.pens[r.linePen & 255].colour;
  style.width = r.width / kUnitsPerInch;
  for (double percent : r.linePatterns[r.linePattern & 255])
    style.dashes.push_back(percent / 100 * kPatternLengthInches);
  return style;
}

void AddLine(Reader& r, int32_t x, int32_t y, int32_t dx, int32_t dy) {
  JobPicture& pic = *r.picture;
  const JobPoint from = Inches(x, y),
                 to = Inches(x + static_cast<double>(dx), y + static_cast<double>(dy));
  if (dx == 0 && dy == 0 && r.dots++ == 1) r.cornerMark = from;
  const uint32_t style = StrokeStyleIndex(pic, LineStyle(r));
  if (!pic.items.empty()) {
    JobItem& last = pic.items.back();
    if (last.kind == ItemKind::Stroke && last.style == style && last.points.back().x == from.x &&
        last.points.back().y == from.y) {
      last.points.push_back(to);
      return;
    }
  }
  JobItem item;
  item.style = style;
  item.points = {from, to};
  pic.items.push_back(std::move(item));
}

void AddPolygon(Reader& r, const uint8_t* words, int32_t count, bool wide) {
  const int32_t step = wide ? 4 : 2;
  const int32_t vertices = count * 2 / (2 * step);
  if (vertices < 1) return;
  JobItem item;
  item.kind = ItemKind::Fill;
  double x = 0, y = 0;
  for (int32_t v = 0; v < vertices; ++v) {
    const uint8_t* p = words + static_cast<size_t>(v) * 2 * step;
    const double dx = wide ? Long(p) : Word(p), dy = wide ? Long(p + 4) : Word(p + 2);
    x += dx;
    y += dy;
    item.points.push_back(Inches(x, y));
  }
  const Pen& pen = r.pens[r.areaPen & 255];
  FillStyle style;
  style.cell = 1 / kUnitsPerInch;
  style.opaque = r.opaque;
  if (pen.pattern >= 0 && r.areaPatterns[pen.pattern]) {
    style.pattern = *r.areaPatterns[pen.pattern];
  } else {
    style.colour = pen.colour;
    style.pattern.fill(0xFFFF);
  }
  item.style = FillStyleIndex(*r.picture, style);
  r.picture->items.push_back(std::move(item));
}

void DefinePen(Reader& r, const uint8_t* w) {
  Pen& pen = r.pens[Word(w) & 255];
  const int32_t grey = Word(w + 2);
  if (grey >= 0 && grey <= 255) {
    pen.colour = {static_cast<uint8_t>(grey), static_cast<uint8_t>(grey),
                  static_cast<uint8_t>(grey)};
    pen.pattern = grey;
  } else {
    pen.colour = Word(w + 6) == 0 ? JobColour{255, 0, 0} : JobColour{};  // the red pen
    pen.pattern = -1;
  }
}

void DefineAreaPattern(Reader& r, size_t at, const uint8_t* w, int32_t count) {
  if (count != 19 || Word(w + 2) != 16 || Word(w + 4) != 16) {
    NoteOnce(*r.picture, at, "QDRS area pattern of another size");
    return;
  }
  AreaPattern rows{};
  for (int32_t k = 0; k < 16; ++k) rows[k] = static_cast<uint16_t>(Word(w + 6 + 2 * k));
  r.areaPatterns[Word(w) & 255] = rows;
}

void DefineLinePattern(Reader& r, const uint8_t* w, int32_t count) {
  std::vector<double>& pattern = r.linePatterns[Word(w) & 255];
  pattern.clear();
  for (int32_t k = 1; k < count; ++k) pattern.push_back(std::max(0, Word(w + 2 * k)));
  if (pattern.size() % 2 != 0) pattern.push_back(0);  // a blank of nothing closes the cycle
}

// A short record: opcode, word count, words.
void ShortRecord(Reader& r, size_t at, uint8_t op, const uint8_t* w, int32_t count) {
  const auto need = [&](int32_t words) {
    if (count >= words) return true;
    NoteOnce(*r.picture, at, "QDRS record " + Hex({op}) + " with too few words");
    return false;
  };
  switch (op) {
    case 0x41:
      if (need(1)) r.linePen = Word(w) & 255;
      return;
    case 0x47:
      if (need(1)) r.areaPen = Word(w) & 255;
      return;
    case 0x43:
      if (need(1)) r.linePattern = Word(w) & 255;
      return;
    case 0x40:
      if (need(1)) r.width = std::max(0, Word(w));
      return;
    case 0x64:
      if (need(4)) AddLine(r, Word(w), Word(w + 2), Word(w + 4), Word(w + 6));
      return;
    case 0x6B:
      if (need(8)) AddLine(r, Long(w), Long(w + 4), Long(w + 8), Long(w + 12));
      return;
    case 0x30:
      if (need(5)) DefinePen(r, w);
      return;
    case 0x32:
      if (need(3)) DefineAreaPattern(r, at, w, count);
      return;
    case 0x36:
      if (need(1)) DefineLinePattern(r, w, count);
      return;
    // Set-up that puts nothing on the sheet: label, model, the device's fixed
    // records and the job end marker.
    case 0x14:
    case 0xF2:
    case 0x20:
    case 0x23:
    case 0x42:
    case 0x44:
    case 0x45:
    case 0x39:
    case 0x48:
    case 0x50:
    case 0xF3:
      return;
    default:
      NoteOnce(*r.picture, at, "QDRS record " + Hex({op}));
  }
}

void AddBand(Reader& r, size_t offset, size_t size) {
  JobPicture& pic = *r.picture;
  const int32_t* g = r.image;  // origin x, y, source width, height, drawn width, height
  r.imagePending = false;
  if (g[2] <= 0 || g[3] <= 0 || g[2] > kMaxBandDots || g[3] > kMaxBandDots || g[4] <= 0 ||
      g[5] <= 0) {
    NoteOnce(pic, offset,
             "QDRS image of " + std::to_string(g[2]) + " x " + std::to_string(g[3]) + " dots");
    return;
  }
  JobItem item;
  item.kind = ItemKind::Band;
  RasterBand& b = item.band;
  b.offset = offset;
  b.size = size;
  b.width = g[2];
  b.rows = g[3];
  b.origin = Inches(g[0], g[1]);
  const double across = g[4] / kUnitsPerInch / g[2], down = g[5] / kUnitsPerInch / g[3];
  // Rows follow the sheet's length; the corner mark says which way it lies.
  if (r.cornerMark.x >= r.cornerMark.y) {
    b.pixelStep = {0, across};
    b.rowStep = {down, 0};
  } else {
    b.pixelStep = {-across, 0};
    b.rowStep = {0, down};
  }
  b.opaque = r.opaque;
  pic.items.push_back(std::move(item));
}

// A job-control record; returns the bytes it takes, 0 when the job ends inside it.
size_t JobControl(Reader& r, size_t at) {
  JobPicture& pic = *r.picture;
  const uint8_t* p = r.job + at;
  const size_t left = r.size - at;
  if (left < 4) return 0;
  const uint8_t op = p[1];
  if (op == 0x5C) {  // image data behind a 4-byte length
    if (left < 6) return 0;
    const size_t n = static_cast<uint32_t>(Long(p + 2));
    const size_t have = std::min(n, left - 6);
    if (!r.imagePending)
      NoteOnce(pic, at, "QDRS image data without an image record");
    else
      AddBand(r, at + 6, have);
    return have < n ? 0 : 6 + n;
  }
  const size_t n = static_cast<size_t>(p[2] << 8 | p[3]);
  if (n > left - 4) return 0;
  const uint8_t* d = p + 4;
  switch (op) {
    case 0x5E:  // job start and end, opaque or transparent images
      if (n >= 2) r.opaque = d[1] != 1;
      break;
    case 0x5F:
      if (n < 24) {
        NoteOnce(pic, at, "QDRS image record too short");
        break;
      }
      for (int k = 0; k < 6; ++k) r.image[k] = Long(d + 4 * k);
      r.imagePending = true;
      break;
    case 0x4E:  // copies
    case 0x62:  // manual output
    case 0x52:  // raster resolution; the image records give the drawn size
    case 0x5D:  // raster mode
      break;
    default:
      NoteOnce(pic, at, "QDRS job-control record " + Hex({0x9B, op}));
  }
  return 4 + n;
}

// Reads records until the job ends; -1 when it ends inside one.
int32_t ReadRecords(Reader& r) {
  JobPicture& picture = *r.picture;
  const uint8_t* job = r.job;
  size_t at = 0;
  while (at < r.size) {
    const uint8_t op = job[at];
    const size_t left = r.size - at;
    if (op == 0x9B) {
      const size_t used = JobControl(r, at);
      if (used == 0)
        return NoteDamage(picture, at,
                          "the job ends inside record " + Hex({op, left > 1 ? job[at + 1] : 0}));
      at += used;
      continue;
    }
    if (op == 0x18 && left >= kJobFrameBlock.size() &&
        std::equal(kJobFrameBlock.begin(), kJobFrameBlock.end(), job + at)) {
      at += kJobFrameBlock.size();
      continue;
    }
    if (op == 0xFF) {
      if (left < 4) return NoteDamage(picture, at, "the job ends inside a long record");
      const uint8_t kind = job[at + 1];
      const size_t words = static_cast<size_t>(job[at + 2] << 8 | job[at + 3]);
      if (words * 2 > left - 4)
        return NoteDamage(picture, at, "the job ends inside record " + Hex({op, kind}));
      if (kind == 0x7C || kind == 0x83)
        AddPolygon(r, job + at + 4, static_cast<int32_t>(words), kind == 0x83);
      else
        NoteOnce(picture, at, "QDRS record " + Hex({op, kind}));
      at += 4 + words * 2;
      continue;
    }
    if (left < 2) return NoteDamage(picture, at, "the job ends inside record " + Hex({op}));
    const size_t words = job[at + 1];
    if (words * 2 > left - 2)
      return NoteDamage(picture, at, "the job ends inside record " + Hex({op}));
    ShortRecord(r, at, op, job + at + 2, static_cast<int32_t>(words));
    at += 2 + words * 2;
  }
  return 0;
}

}  // namespace

int32_t ReadQdrsJob(const uint8_t* job, size_t size, JobPicture& picture) {
  picture.language = "QDRS+MMR";
  Reader r{job, size, &picture};
  const int32_t result = ReadRecords(r);
  FitSheetToContent(picture);
  return result;
}

// Reads an "RTL/GL2" job: the PJL wrapper is skipped, the HP-GL/2 instructions
// are interpreted into strokes and fills, and the HP RTL raster between them
// becomes bands placed at the pen position the plot left.
#include "tools/jobview/read_rtl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/jobview/gl2_state.h"
#include "tools/jobview/picture.h"

namespace {

constexpr uint8_t kEsc = 0x1B;
// A band larger than this many dots each way is not a band any printer of
// ours takes; it is reported instead of being decoded.
constexpr int32_t kMaxBandDots = 1 << 20;

enum class Mode { Pjl, Rtl, Gl2 };

struct Reader {
  const uint8_t* job = nullptr;
  size_t size = 0;
  size_t at = 0;
  Mode mode = Mode::Pjl;
  Gl2State gl2;
  // HP RTL raster state.
  int32_t dpi = 300;
  int32_t sourceWidth = 0, sourceRows = 0;
  int32_t compression = 0;
  JobPoint cap;  // where the next band goes, inches on the sheet
  bool rasterOpen = false;
};

bool IsUpper(uint8_t c) {
  return c >= 'A' && c <= 'Z';
}
bool IsLetter(uint8_t c) {
  return IsUpper(c) || (c >= 'a' && c <= 'z');
}
uint8_t Upper(uint8_t c) {
  return c >= 'a' && c <= 'z' ? c - 32 : c;
}

std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    char hex[8];
    if (c == kEsc)
      out += "\\e";
    else if (c < 32 || c > 126)
      std::snprintf(hex, sizeof hex, "\\x%02X", c), out += hex;
    else
      out += static_cast<char>(c);
  }
  return out;
}

// PJL: whole lines are skipped; the language starts with the first escape
// after the last line.
void SkipPjlLine(Reader& r) {
  while (r.at < r.size && r.job[r.at] != '\n') ++r.at;
  if (r.at < r.size) ++r.at;
}

// One parameterized escape: ESC, a parameter character, an optional group
// character, then values each ended by a letter; a lower-case letter chains the
// next value of the same group. `Handle` gets (parameter, group, value,
// command letter) for every value.
struct Escape {
  uint8_t parameter = 0, group = 0, command = 0;
  double value = 0;
  bool hasValue = false;
};

// Reads a number as HP-GL/2 and PCL write them: sign, digits, a fraction.
bool ReadNumber(const uint8_t* s, size_t size, size_t& at, double& value) {
  size_t k = at;
  double sign = 1;
  if (k < size && (s[k] == '+' || s[k] == '-')) sign = s[k++] == '-' ? -1 : 1;
  double v = 0;
  bool digits = false;
  while (k < size && s[k] >= '0' && s[k] <= '9') {
    if (v < 1e12) v = v * 10 + (s[k] - '0');
    ++k, digits = true;
  }
  if (k < size && s[k] == '.') {
    ++k;
    for (double scale = 0.1; k < size && s[k] >= '0' && s[k] <= '9'; ++k, scale /= 10)
      v += (s[k] - '0') * scale, digits = true;
  }
  if (!digits) return false;
  at = k;
  value = sign * v;
  return true;
}

void StartBand(Reader& r, size_t offset, size_t count) {
  JobPicture& pic = *r.gl2.picture;
  if (r.compression != 8) {
    NoteOnce(pic, offset, "HP RTL raster compression method " + std::to_string(r.compression));
    return;
  }
  if (count < 4) {
    NoteOnce(pic, offset, "HP RTL raster block too short for its row width");
    return;
  }
  const uint8_t* d = r.job + offset;
  const uint32_t width = uint32_t{d[0]} << 24 | d[1] << 16 | d[2] << 8 | d[3];
  if (width == 0 || width > kMaxBandDots || r.sourceRows <= 0 || r.sourceRows > kMaxBandDots) {
    NoteOnce(
        pic, offset,
        "HP RTL band of " + std::to_string(width) + " x " + std::to_string(r.sourceRows) + " dots");
    return;
  }
  if (r.sourceWidth != 0 && static_cast<int32_t>(width) != r.sourceWidth)
    NoteOnce(pic, offset, "HP RTL band width differs from the raster width");
  JobItem item;
  item.kind = ItemKind::Band;
  RasterBand& b = item.band;
  b.offset = offset + 4;
  b.size = count - 4;
  b.width = static_cast<int32_t>(width);
  b.rows = r.sourceRows;
  b.origin = r.cap;
  RasterAxes(r.gl2, 1.0 / r.dpi, b.pixelStep, b.rowStep);
  b.opaque = !r.gl2.transparent;
  r.cap.x += b.rowStep.x * b.rows;
  r.cap.y += b.rowStep.y * b.rows;
  pic.items.push_back(std::move(item));
}

// Acts on one value of an escape; returns -1 when the job is damaged.
int32_t ApplyEscape(Reader& r, const Escape& e, size_t start) {
  JobPicture& pic = *r.gl2.picture;
  const int32_t v = e.hasValue ? static_cast<int32_t>(std::clamp(e.value, -2e9, 2e9)) : 0;
  const int key = e.parameter << 16 | e.group << 8 | e.command;
  switch (key) {
    case '%' << 16 | 'X':  // universal exit: back to PJL
      FlushStroke(r.gl2);
      r.mode = Mode::Pjl;
      return 0;
    case '%' << 16 | 'B':
      r.mode = Mode::Gl2;
      return 0;
    case '%' << 16 | 'A':
      FlushStroke(r.gl2);
      r.mode = Mode::Rtl;
      r.cap = PenOnSheet(r.gl2);
      return 0;
    case 'E':                         // reset
    case '&' << 16 | 'a' << 8 | 'N':  // negative motion allowed: nothing to draw
      return 0;
    case '*' << 16 | 't' << 8 | 'R':
      if (v < 50 || v > 2400) {
        NoteOnce(pic, start, "HP RTL resolution " + std::to_string(v));
        return 0;
      }
      r.dpi = v;
      return 0;
    case '*' << 16 | 'r' << 8 | 'S':
      r.sourceWidth = v;
      return 0;
    case '*' << 16 | 'r' << 8 | 'T':
      r.sourceRows = v;
      return 0;
    case '*' << 16 | 'r' << 8 | 'A':
      r.rasterOpen = true;
      return 0;
    case '*' << 16 | 'r' << 8 | 'C':
      r.rasterOpen = false;
      return 0;
    case '*' << 16 | 'b' << 8 | 'M':
      r.compression = v;
      return 0;
    case '*' << 16 | 'b' << 8 | 'W': {
      if (v < 0) return NoteDamage(pic, start, "negative HP RTL data length");
      size_t count = static_cast<size_t>(v);
      if (count > r.size - r.at) {
        count = r.size - r.at;
        NoteDamage(pic, start, "the job ends inside an HP RTL data block");
        if (r.rasterOpen) StartBand(r, r.at, count);
        r.at = r.size;
        return -1;
      }
      if (r.rasterOpen)
        StartBand(r, r.at, count);
      else
        NoteOnce(pic, start, "HP RTL data outside a raster");
      r.at += count;
      return 0;
    }
    default:
      break;
  }
  std::string text = "\\e";
  text += static_cast<char>(e.parameter);
  if (e.group != 0) text += static_cast<char>(e.group);
  if (e.hasValue) text += "#";
  text += static_cast<char>(e.command);
  NoteOnce(pic, start, "escape sequence " + Printable(text));
  return 0;
}

// Reads the escape at r.at (the ESC itself) and acts on every value in it.
int32_t ReadEscape(Reader& r) {
  const size_t start = r.at++;
  JobPicture& pic = *r.gl2.picture;
  if (r.at >= r.size) return NoteDamage(pic, start, "the job ends inside an escape sequence");
  Escape e;
  const uint8_t c = r.job[r.at++];
  if (c >= '0' && c <= '~') {  // two-character escape
    e.command = c;
    return ApplyEscape(r, e, start);
  }
  if (c < '!' || c > '/') {
    NoteOnce(pic, start, "malformed escape sequence");
    return 0;
  }
  e.parameter = c;
  if (r.at < r.size && r.job[r.at] >= '`' && r.job[r.at] <= '~') e.group = r.job[r.at++];
  for (;;) {
    e.hasValue = ReadNumber(r.job, r.size, r.at, e.value);
    if (r.at >= r.size) return NoteDamage(pic, start, "the job ends inside an escape sequence");
    const uint8_t t = r.job[r.at++];
    if (t < '@' || t > '~') {
      NoteOnce(pic, start, "malformed escape sequence");
      return 0;
    }
    const bool chained = t >= '`';
    e.command = Upper(t);
    if (ApplyEscape(r, e, start) < 0) return -1;
    if (!chained) return 0;
  }
}

// One HP-GL/2 instruction at r.at (its first letter).
int32_t ReadInstruction(Reader& r) {
  const size_t start = r.at;
  JobPicture& pic = *r.gl2.picture;
  if (r.at + 1 >= r.size || !IsLetter(r.job[r.at + 1])) {
    ++r.at;
    NoteOnce(pic, start, "stray letter in HP-GL/2");
    return 0;
  }
  const char name[3] = {static_cast<char>(Upper(r.job[r.at])),
                        static_cast<char>(Upper(r.job[r.at + 1])), 0};
  r.at += 2;
  if (name[0] == 'P' && name[1] == 'E') return ReadPolylineEncoded(r.gl2, r.job, r.size, r.at);
  std::vector<double> params;
  for (;;) {
    while (r.at < r.size && (r.job[r.at] == ',' || r.job[r.at] == ' ' || r.job[r.at] == '\r' ||
                             r.job[r.at] == '\n' || r.job[r.at] == '\t'))
      ++r.at;
    if (r.at >= r.size) break;
    const uint8_t c = r.job[r.at];
    if (c == '"') {  // a label text: not drawn
      const size_t close =
          std::string_view(reinterpret_cast<const char*>(r.job), r.size).find('"', r.at + 1);
      r.at = close == std::string_view::npos ? r.size : close + 1;
      params.push_back(0);
      continue;
    }
    double v = 0;
    if (!ReadNumber(r.job, r.size, r.at, v)) break;
    params.push_back(v);
  }
  if (r.at < r.size && r.job[r.at] == ';') ++r.at;
  if (RunInstruction(r.gl2, name, params) < 0)
    NoteOnce(pic, start, std::string("HP-GL/2 instruction ") + name);
  return 0;
}

}  // namespace

int32_t ReadRtlJob(const uint8_t* job, size_t size, JobPicture& picture) {
  picture.language = "RTL/GL2";
  Reader r;
  r.job = job;
  r.size = size;
  // A job without the PJL wrapper starts straight in HP-GL/2.
  if (size > 0 && job[0] != kEsc && job[0] != '@') r.mode = Mode::Gl2;
  ResetGl2(r.gl2, picture);
  while (r.at < size) {
    const uint8_t c = job[r.at];
    if (c == kEsc) {
      if (ReadEscape(r) < 0) break;
      continue;
    }
    switch (r.mode) {
      case Mode::Pjl:
        if (c == '@') {
          const bool enters =
              std::string_view(reinterpret_cast<const char*>(job + r.at), size - r.at)
                  .starts_with("@PJL ENTER LANGUAGE");
          SkipPjlLine(r);
          if (enters) r.mode = Mode::Rtl;
        } else if (c == '\r' || c == '\n' || c == ' ' || c == '\t') {
          ++r.at;
        } else {
          NoteOnce(picture, r.at, "text outside PJL lines");
          SkipPjlLine(r);
        }
        break;
      case Mode::Rtl:
        NoteOnce(picture, r.at, "stray bytes in HP RTL");
        ++r.at;
        break;
      case Mode::Gl2:
        if (IsLetter(c)) {
          ReadInstruction(r);
        } else {
          if (c != ';' && c != ' ' && c != '\r' && c != '\n' && c != '\t')
            NoteOnce(picture, r.at, "stray bytes in HP-GL/2");
          ++r.at;
        }
        break;
    }
  }
  FinishGl2(r.gl2);
  return picture.damaged ? -1 : 0;
}

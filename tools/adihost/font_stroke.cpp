#include "tools/adihost/font_stroke.h"

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string_view>

namespace {

constexpr int32_t kFirstCode = 32, kLastCode = 126;

// Accented Latin-1 letters (U+00C0 to U+00FF) as a base letter and an accent
// over it (` ' ^ ~ " and o for the ring) or a cedilla (,) under it; a blank
// base: the font has no way to draw the letter.
constexpr std::string_view kLatinBases =
    "AAAAAA CEEEEIIII NOOOOO  UUUUY  aaaaaa ceeeeiiii nooooo  uuuuy y";
constexpr std::string_view kLatinAccents =
    "`'^~\"o ,`'^\"`'^\" ~`'^~\"  `'^\"'  `'^~\"o ,`'^\"`'^\" ~`'^~\"  `'^\"' \"";
static_assert(kLatinBases.size() == 64 && kLatinAccents.size() == 64);

// Punctuation drawn with the nearest ASCII character.
struct Substitute {
  char32_t code;
  char ascii;
};
constexpr Substitute kSubstitutes[] = {{0xA0, ' '},   {0xD7, 'x'},   {0x2010, '-'},  {0x2013, '-'},
                                       {0x2014, '-'}, {0x2212, '-'}, {0x2018, '\''}, {0x2019, '\''},
                                       {0x201C, '"'}, {0x201D, '"'}};

// One glyph record: "  501  9I[RFJ[ RRFZ[ RMTWT": a number, the count of
// coordinate pairs (the edges included), the left and right edges, then the
// pairs, " R" lifting the pen. Letters stand for numbers from 'R' as zero.
int32_t ParseGlyph(const std::string& record, std::vector<std::vector<Point>>& strokes,
                   int32_t& left, int32_t& right) {
  if (record.size() < 10) return -1;
  char* end = nullptr;
  const long pairs = std::strtol(record.substr(5, 3).c_str(), &end, 10);
  if (pairs < 1 || record.size() < 8 + 2 * static_cast<size_t>(pairs)) return -1;
  left = record[8] - 'R';
  right = record[9] - 'R';
  bool penUp = true;
  for (long i = 1; i < pairs; ++i) {
    const char a = record[8 + 2 * i], b = record[9 + 2 * i];
    if (a == ' ' && b == 'R') {
      penUp = true;
      continue;
    }
    if (penUp) strokes.emplace_back();
    strokes.back().push_back({static_cast<double>(a - 'R'), static_cast<double>(b - 'R')});
    penUp = false;
  }
  return 0;
}

std::vector<Point> Circle(double cx, double cy, double r) {
  std::vector<Point> points;
  for (int32_t i = 0; i <= 16; ++i) {
    const double a = i * std::numbers::pi / 8;
    points.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return points;
}

void Shift(StrokeGlyph& glyph, double dx, double dy, double scale) {
  for (std::vector<Point>& stroke : glyph.strokes)
    for (Point& p : stroke) p = {p.x * scale + dx, p.y * scale + dy};
  glyph.advance *= scale;
}

// An accent over (or a cedilla under) a glyph, centred on its advance; a
// small letter's own dot (i, j) gives way to the accent.
void AddAccent(StrokeGlyph& glyph, char accent, bool small) {
  const double cx = glyph.advance / 2, y = small ? 0.8 : 1.12;
  if (small && accent != ',')
    std::erase_if(glyph.strokes, [](const std::vector<Point>& s) {
      for (const Point& p : s)
        if (p.y < 0.75) return false;
      return true;
    });
  std::vector<std::vector<Point>> marks;
  switch (accent) {
    case '`':
      marks = {{{cx - 0.12, y + 0.22}, {cx + 0.08, y}}};
      break;
    case '\'':
      marks = {{{cx - 0.08, y}, {cx + 0.12, y + 0.22}}};
      break;
    case '^':
      marks = {{{cx - 0.15, y}, {cx, y + 0.18}, {cx + 0.15, y}}};
      break;
    case '~':
      marks = {
          {{cx - 0.2, y + 0.02}, {cx - 0.1, y + 0.12}, {cx + 0.1, y + 0.02}, {cx + 0.2, y + 0.12}}};
      break;
    case '"':
      marks = {{{cx - 0.12, y + 0.05}, {cx - 0.12, y + 0.05}},
               {{cx + 0.12, y + 0.05}, {cx + 0.12, y + 0.05}}};
      break;
    case 'o':
      marks = {Circle(cx, y + 0.1, 0.1)};
      break;
    case ',':
      marks = {{{cx, 0}, {cx, -0.1}, {cx + 0.1, -0.17}, {cx, -0.28}}};
      break;
    default:
      break;
  }
  glyph.strokes.insert(glyph.strokes.end(), marks.begin(), marks.end());
}

bool Ascii(const StrokeFont& font, char c, StrokeGlyph& glyph) {
  if (c < kFirstCode || c > kLastCode) return false;
  glyph = font.glyphs[c - kFirstCode];
  return true;
}

}  // namespace

int32_t ReadStrokeFont(const std::string& text, StrokeFont& font) {
  font.glyphs.clear();
  std::istringstream in(text);
  std::string line, record;
  std::vector<std::vector<std::vector<Point>>> raw;
  std::vector<std::pair<int32_t, int32_t>> edges;
  while (std::getline(in, line) && raw.size() <= kLastCode - kFirstCode) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    record += line;
    // A long record goes on over the next lines.
    char* end = nullptr;
    const long pairs = record.size() >= 8 ? std::strtol(record.substr(5, 3).c_str(), &end, 10) : 0;
    if (pairs > 0 && record.size() < 8 + 2 * static_cast<size_t>(pairs)) continue;
    std::vector<std::vector<Point>> strokes;
    int32_t left = 0, right = 0;
    if (ParseGlyph(record, strokes, left, right) < 0) return -1;
    raw.push_back(std::move(strokes));
    edges.push_back({left, right});
    record.clear();
  }
  if (raw.size() != kLastCode - kFirstCode + 1) return -1;
  // The capital H gives the scale: its top is one unit over the baseline.
  double top = HUGE_VAL, base = -HUGE_VAL;
  for (const std::vector<Point>& s : raw['H' - kFirstCode])
    for (const Point& p : s) top = std::min(top, p.y), base = std::max(base, p.y);
  if (!(base > top)) return -1;
  const double unit = 1 / (base - top);
  for (size_t i = 0; i < raw.size(); ++i) {
    StrokeGlyph glyph;
    glyph.advance = (edges[i].second - edges[i].first) * unit;
    for (const std::vector<Point>& s : raw[i]) {
      glyph.strokes.emplace_back();
      for (const Point& p : s)
        glyph.strokes.back().push_back({(p.x - edges[i].first) * unit, (base - p.y) * unit});
    }
    font.glyphs.push_back(std::move(glyph));
  }
  return 0;
}

bool StrokeGlyphFor(const StrokeFont& font, char32_t code, StrokeGlyph& glyph) {
  if (font.glyphs.size() != kLastCode - kFirstCode + 1) return false;
  if (code >= kFirstCode && code <= kLastCode) return Ascii(font, static_cast<char>(code), glyph);
  for (const Substitute& s : kSubstitutes)
    if (s.code == code) return Ascii(font, s.ascii, glyph);
  if (code == 0xB0) {  // degree sign
    glyph = {0.5, {Circle(0.25, 0.85, 0.15)}};
    return true;
  }
  if (code == 0xB1) {  // plus-minus: a plus over a bar
    Ascii(font, '+', glyph);
    Shift(glyph, 0, 0.15, 1);
    glyph.strokes.push_back({{0.1 * glyph.advance + 0.1, 0}, {0.9 * glyph.advance - 0.1, 0}});
    return true;
  }
  if (code == 0x2300 || code == 0xD8 || code == 0xF8) {  // diameter, and O with a stroke
    Ascii(font, code == 0xF8 ? 'o' : 'O', glyph);
    const double top = code == 0xF8 ? 0.75 : 1.1;
    glyph.strokes.push_back({{0.1 * glyph.advance, -0.1}, {0.9 * glyph.advance, top}});
    return true;
  }
  if (code >= 0xC0 && code <= 0xFF && kLatinBases[code - 0xC0] != ' ') {
    if (!Ascii(font, kLatinBases[code - 0xC0], glyph)) return false;
    AddAccent(glyph, kLatinAccents[code - 0xC0], code >= 0xE0);
    return true;
  }
  return false;
}

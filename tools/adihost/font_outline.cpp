#include "tools/adihost/font_outline.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

// A glyph's contours as FreeType gives them, in text units: each contour a
// start point and segments of one, two or three points (line, quadratic and
// cubic curves), kept so that each tolerance flattens the same curves.
struct Segment {
  int32_t count = 1;
  Point p[3];
};
struct Contour {
  Point start;
  std::vector<Segment> segments;
};
struct CachedGlyph {
  bool present = false;
  double advance = 0;
  std::vector<Contour> contours;
};

struct OutlineFace {
  FT_Face face = nullptr;
  double unit = 1;  // text units per font unit
  std::map<char32_t, CachedGlyph> glyphs;
};

namespace {

// A drawing names a handful of characters; a hostile one may name them all.
constexpr size_t kMaxCachedGlyphs = 4096;
constexpr int32_t kMaxCurvePieces = 256;

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return library;
}

// The height of a capital in font units: the font's own figure, else the
// top of its H, else seven tenths of its em.
double CapHeight(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version >= 2 && os2->sCapHeight > 0) return os2->sCapHeight;
  const FT_UInt h = FT_Get_Char_Index(face, 'H');
  if (h != 0 && FT_Load_Glyph(face, h, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) {
    FT_BBox box;
    FT_Outline_Get_CBox(&face->glyph->outline, &box);
    if (box.yMax > 0) return static_cast<double>(box.yMax);
  }
  return 0.7 * std::max<int32_t>(face->units_per_EM, 1);
}

struct Decomposer {
  double unit;
  std::vector<Contour>* contours;
  Point At(const FT_Vector* v) const { return {v->x * unit, v->y * unit}; }
};

int MoveTo(const FT_Vector* to, void* user) {
  auto* d = static_cast<Decomposer*>(user);
  d->contours->push_back({d->At(to), {}});
  return 0;
}
int LineTo(const FT_Vector* to, void* user) {
  auto* d = static_cast<Decomposer*>(user);
  if (d->contours->empty()) return 1;
  d->contours->back().segments.push_back({1, {d->At(to)}});
  return 0;
}
int ConicTo(const FT_Vector* c, const FT_Vector* to, void* user) {
  auto* d = static_cast<Decomposer*>(user);
  if (d->contours->empty()) return 1;
  d->contours->back().segments.push_back({2, {d->At(c), d->At(to)}});
  return 0;
}
int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* d = static_cast<Decomposer*>(user);
  if (d->contours->empty()) return 1;
  d->contours->back().segments.push_back({3, {d->At(c1), d->At(c2), d->At(to)}});
  return 0;
}

const CachedGlyph& Load(OutlineFace* face, char32_t code) {
  const auto found = face->glyphs.find(code);
  if (found != face->glyphs.end()) return found->second;
  if (face->glyphs.size() >= kMaxCachedGlyphs) face->glyphs.clear();
  CachedGlyph& g = face->glyphs[code];
  const FT_UInt index = FT_Get_Char_Index(face->face, code);
  if (index == 0 || FT_Load_Glyph(face->face, index,
                                  FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
    return g;
  const FT_GlyphSlot slot = face->face->glyph;
  g.advance = slot->advance.x * face->unit;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    static const FT_Outline_Funcs kFuncs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    Decomposer d{face->unit, &g.contours};
    if (FT_Outline_Decompose(&slot->outline, &kFuncs, &d) != 0) g.contours.clear();
  }
  g.present = true;
  return g;
}

double Length(Point a, Point b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// Enough straight pieces that none strays more than the tolerance from the
// curve: the error of n pieces falls with n squared.
int32_t Pieces(double bend, double tolerance) {
  if (tolerance <= 0) return 4;
  const double pieces = std::ceil(std::sqrt(bend / tolerance));
  return pieces >= 1 ? static_cast<int32_t>(std::min<double>(pieces, kMaxCurvePieces)) : 1;
}

void FlattenSegment(Point from, const Segment& s, double tolerance, std::vector<Point>& out) {
  if (s.count == 1) return out.push_back(s.p[0]);
  const Point a = from, b = s.p[0], c = s.p[1], d = s.count == 3 ? s.p[2] : s.p[1];
  const double bend =
      s.count == 2 ? Length({a.x - 2 * b.x + c.x, a.y - 2 * b.y + c.y}, {0, 0}) / 4
                   : 0.75 * std::max(Length({a.x - 2 * b.x + c.x, a.y - 2 * b.y + c.y}, {0, 0}),
                                     Length({b.x - 2 * c.x + d.x, b.y - 2 * c.y + d.y}, {0, 0}));
  const int32_t n = Pieces(bend, tolerance);
  for (int32_t i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    if (s.count == 2) {
      out.push_back({u * u * a.x + 2 * u * t * b.x + t * t * c.x,
                     u * u * a.y + 2 * u * t * b.y + t * t * c.y});
    } else {
      out.push_back(
          {u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
           u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y});
    }
  }
}

}  // namespace

OutlineFace* OpenOutlineFace(const std::string& path, int32_t index) {
  FT_Face face = nullptr;
  if (Library() == nullptr || FT_New_Face(Library(), path.c_str(), index, &face) != 0)
    return nullptr;
  if (!FT_IS_SCALABLE(face) || FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  auto* outline = new OutlineFace;
  outline->face = face;
  outline->unit = 1 / CapHeight(face);
  return outline;
}

double OutlineAdvance(OutlineFace* face, char32_t code) {
  const CachedGlyph& g = Load(face, code);
  return g.present ? g.advance : -1;
}

int32_t OutlineLoops(OutlineFace* face, char32_t code, double tolerance,
                     std::vector<std::vector<Point>>& loops) {
  const CachedGlyph& g = Load(face, code);
  if (!g.present) return -1;
  for (const Contour& c : g.contours) {
    std::vector<Point> loop{c.start};
    for (const Segment& s : c.segments) FlattenSegment(loop.back(), s, tolerance, loop);
    if (loop.size() >= 3) loops.push_back(std::move(loop));
  }
  return 0;
}

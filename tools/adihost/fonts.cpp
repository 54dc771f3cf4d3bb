#include "tools/adihost/fonts.h"

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

#include "tools/adihost/font_outline.h"
#include "tools/adihost/font_stroke.h"

namespace {

constexpr const char* kStrokeFolder = "/usr/share/hershey-fonts/";
constexpr const char* kFallbackFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// A glyph's outline goes to the driver as one polygon, which takes at most
// this many vertices.
constexpr size_t kMaxGlyphVertices = 16000;
constexpr int32_t kMaxCoarsening = 24;

// Shape fonts by their file's name and the stroke font drawn for each; any
// other shape font is drawn with the first.
struct ShapeFont {
  std::string_view shape, stroke;
};
constexpr ShapeFont kShapeFonts[] = {
    {"txt", "rowmans"},         {"simplex", "rowmans"},   {"romans", "rowmans"},
    {"romand", "rowmand"},      {"complex", "rowmand"},   {"romanc", "timesr"},
    {"romant", "rowmant"},      {"italic", "timesi"},     {"italicc", "timesi"},
    {"italict", "timesib"},     {"scripts", "scripts"},   {"scriptc", "scriptc"},
    {"gothice", "gothiceng"},   {"gothicg", "gothicger"}, {"gothici", "gothicita"},
    {"greeks", "greeks"},       {"greekc", "greekc"},     {"cyrillic", "cyrillic"},
    {"cyriltlc", "cyrilc_1"},   {"syastro", "astrology"}, {"symath", "mathlow"},
    {"symeteo", "meteorology"}, {"symusic", "music"}};

// TrueType files drawings commonly name, by the family they hold.
struct FontFile {
  std::string_view file, family;
  bool bold, italic;
};
constexpr FontFile kFontFiles[] = {{"arial", "Arial", false, false},
                                   {"arialbd", "Arial", true, false},
                                   {"ariali", "Arial", false, true},
                                   {"arialbi", "Arial", true, true},
                                   {"arialn", "Arial Narrow", false, false},
                                   {"times", "Times New Roman", false, false},
                                   {"timesbd", "Times New Roman", true, false},
                                   {"timesi", "Times New Roman", false, true},
                                   {"cour", "Courier New", false, false},
                                   {"courbd", "Courier New", true, false},
                                   {"calibri", "Calibri", false, false},
                                   {"verdana", "Verdana", false, false},
                                   {"tahoma", "Tahoma", false, false},
                                   {"segoeui", "Segoe UI", false, false}};

struct FontEntry {
  std::string key;  // the file opened, and the face in it
  StrokeFont stroke;
  OutlineFace* outline = nullptr;
};

// Fonts stay open for the process: the table is never torn down, so no face
// is closed behind a glyph still to be drawn.
std::vector<FontEntry>& Table() {
  static auto* table = new std::vector<FontEntry>;
  return *table;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int32_t Known(const std::string& key) {
  for (size_t i = 0; i < Table().size(); ++i)
    if (Table()[i].key == key) return static_cast<int32_t>(i);
  return -1;
}

int32_t OpenStroke(std::string_view name) {
  const std::string path = std::string(kStrokeFolder) + std::string(name) + ".jhf";
  if (const int32_t known = Known(path); known >= 0) return known;
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  FontEntry entry{path, {}, nullptr};
  if (!file || ReadStrokeFont(text.str(), entry.stroke) < 0) return -1;
  Table().push_back(std::move(entry));
  return static_cast<int32_t>(Table().size()) - 1;
}

int32_t OpenOutline(const std::string& path, int32_t index) {
  const std::string key = path + "#" + std::to_string(index);
  if (const int32_t known = Known(key); known >= 0) return known;
  OutlineFace* face = OpenOutlineFace(path, index);
  if (face == nullptr) return -1;
  Table().push_back({key, {}, face});
  return static_cast<int32_t>(Table().size()) - 1;
}

// The scalable font fontconfig offers for a family; -1 when it offers none.
int32_t MatchOutline(const std::string& family, bool bold, bool italic) {
  static const bool ready = FcInit() == FcTrue;
  if (!ready) return -1;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return -1;
  FcChar8* file = nullptr;
  int index = 0;
  int32_t font = -1;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    font = OpenOutline(reinterpret_cast<const char*>(file), index);
  }
  FcPatternDestroy(match);
  return font;
}

// The outline font for characters a text's own font lacks.
int32_t Fallback() {
  static const int32_t font = [] {
    const int32_t dejavu = OpenOutline(kFallbackFile, 0);
    return dejavu >= 0 ? dejavu : MatchOutline("sans-serif", false, false);
  }();
  return font;
}

bool Has(int32_t font, char32_t code) {
  const FontEntry& f = Table()[font];
  if (f.outline != nullptr) return OutlineAdvance(f.outline, code) >= 0;
  StrokeGlyph glyph;
  return StrokeGlyphFor(f.stroke, code, glyph);
}

// The font and character that draw a character: its own font's, the
// fallback's, else a question mark.
std::pair<int32_t, char32_t> Resolve(int32_t font, char32_t code) {
  if (Has(font, code)) return {font, code};
  const int32_t fallback = Fallback();
  if (fallback >= 0 && Has(fallback, code)) return {fallback, code};
  return {font, U'?'};
}

}  // namespace

// The font for a style, found afresh.
static int32_t FindFont(const std::string& file, const std::string& family, bool bold,
                        bool italic) {
  std::string name = Lower(file);
  name = name.substr(name.find_last_of("/\\") + 1);
  const size_t dot = name.find_last_of('.');
  const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  const std::string stem = name.substr(0, dot);
  int32_t font = -1;
  if (!family.empty() || extension == "ttf" || extension == "ttc" || extension == "otf") {
    std::string wanted = family.empty() ? stem : family;
    for (const FontFile& f : kFontFiles)
      if (family.empty() && f.file == stem) {
        wanted = f.family;
        bold = bold || f.bold;
        italic = italic || f.italic;
      }
    font = MatchOutline(wanted, bold, italic);
  } else {
    std::string_view stroke = kShapeFonts[0].stroke;
    for (const ShapeFont& f : kShapeFonts)
      if (f.shape == stem) stroke = f.stroke;
    font = OpenStroke(stroke);
  }
  if (font < 0) font = Fallback();
  if (font < 0) font = OpenStroke(kShapeFonts[0].stroke);
  return font;
}

int32_t FontFor(const std::string& file, const std::string& family, bool bold, bool italic) {
  // Asking fontconfig takes a while; a drawing asks for a handful of fonts.
  static std::map<std::string, int32_t> found;
  const std::string key = file + "|" + family + (bold ? "|b" : "|") + (italic ? "i" : "");
  if (const auto known = found.find(key); known != found.end()) return known->second;
  if (found.size() > 1024) found.clear();
  return found[key] = FindFont(file, family, bold, italic);
}

double FontAdvance(int32_t font, char32_t code) {
  if (font < 0 || font >= static_cast<int32_t>(Table().size())) return 0;
  if (code == kRuleCode) return 1;
  const auto [source, drawn] = Resolve(font, code);
  const FontEntry& f = Table()[source];
  if (f.outline != nullptr) return std::max(0.0, OutlineAdvance(f.outline, drawn));
  StrokeGlyph glyph;
  return StrokeGlyphFor(f.stroke, drawn, glyph) ? glyph.advance : 0;
}

void FontGlyph(const PlacedGlyph& g, double tolerance, GlyphGeometry& out) {
  const auto place = [&g](Point p) {
    return Point{g.x + g.width * p.x + g.slant * p.y, g.y + g.height * p.y};
  };
  if (g.code == kRuleCode) {
    out.strokes.push_back({place({0, 0}), place({1, 0})});
    return;
  }
  if (g.font < 0 || g.font >= static_cast<int32_t>(Table().size())) return;
  const auto [source, drawn] = Resolve(g.font, g.code);
  const FontEntry& f = Table()[source];
  if (f.outline == nullptr) {
    StrokeGlyph glyph;
    if (!StrokeGlyphFor(f.stroke, drawn, glyph)) return;
    for (std::vector<Point>& stroke : glyph.strokes) {
      for (Point& p : stroke) p = place(p);
      out.strokes.push_back(std::move(stroke));
    }
    return;
  }
  const double stretch = std::max(std::fabs(g.width), std::hypot(g.slant, g.height));
  double glyphTolerance = tolerance > 0 && stretch > 0 ? tolerance / stretch : 0;
  // Coarser curves until the outline fits one polygon; a glyph of more
  // straight edges than that is left out.
  std::vector<std::vector<Point>> loops;
  for (int32_t attempt = 0;; ++attempt) {
    loops.clear();
    if (OutlineLoops(f.outline, drawn, glyphTolerance, loops) < 0) return;
    size_t vertices = 0;
    for (const std::vector<Point>& loop : loops) vertices += loop.size() + 2;
    if (vertices <= kMaxGlyphVertices || glyphTolerance <= 0) break;
    if (attempt == kMaxCoarsening) return;
    glyphTolerance *= 2;
  }
  if (loops.empty()) return;
  for (std::vector<Point>& loop : loops)
    for (Point& p : loop) p = place(p);
  out.fills.push_back(std::move(loops));
}

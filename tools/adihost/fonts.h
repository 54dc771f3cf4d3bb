#pragma once
// The fonts texts are drawn with, opened once and kept in one table for the
// process; a text's glyphs refer to them by index. Shape fonts ("txt",
// "romans.shx", ...) are drawn as single strokes from the Hershey fonts a
// Debian package ships; TrueType and OpenType fonts are found by fontconfig
// and read through FreeType. A character a font lacks comes from the outline
// fallback font (DejaVu Sans, or whatever fontconfig offers for sans-serif),
// else as a question mark. Geometry is in text units: the baseline at y = 0,
// a capital one unit high.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/drawing.h"

// A text style's font: its font file as the drawing names it, and the family
// (with bold and italic) a style may name instead. -1 when the machine has no
// font that can stand in for it.
int32_t FontFor(const std::string& file, const std::string& family, bool bold, bool italic);

// How far the pen moves after the character.
double FontAdvance(int32_t font, char32_t code);

// A glyph's geometry: strokes drawn with the pen, and outlines filled (each
// outline one glyph's loops, holes left open by the even-odd rule).
struct GlyphGeometry {
  std::vector<std::vector<Point>> strokes;
  std::vector<std::vector<std::vector<Point>>> fills;
};

// Appends the glyph's geometry placed by `g` (its origin, scale and slant);
// curves within `tolerance` text units.
void FontGlyph(const PlacedGlyph& g, double tolerance, GlyphGeometry& out);

// The character that draws a straight rule along the baseline from x = 0 to
// 1 in any font (a fraction's bar).
constexpr char32_t kRuleCode = 0xE000;

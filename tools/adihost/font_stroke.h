#pragma once
// Single-stroke fonts in the Hershey ".jhf" form (the fonts a Debian package
// ships), standing in for the shape fonts drawings name: each glyph is a set
// of strokes between a left and a right edge, on a grid whose y runs down.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/drawing.h"

// Strokes in text units: the baseline at y = 0, a capital one unit high, x
// from the glyph's left edge.
struct StrokeGlyph {
  double advance = 0;
  std::vector<std::vector<Point>> strokes;
};

// The glyphs of the printable ASCII characters, space first.
struct StrokeFont {
  std::vector<StrokeGlyph> glyphs;
};

// Reads a font from the file's text. 0, or -1 when it holds no glyph for
// each of the printable ASCII characters.
int32_t ReadStrokeFont(const std::string& text, StrokeFont& font);

// The glyph for a character, composed where the font has only its parts: the
// accented Latin letters, the degree sign, plus-minus and the diameter sign.
// False when the font cannot give it.
bool StrokeGlyphFor(const StrokeFont& font, char32_t code, StrokeGlyph& glyph);

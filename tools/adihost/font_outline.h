#pragma once
// Outline fonts (TrueType, OpenType) read through FreeType. Glyphs are given
// in text units: the baseline at y = 0, a capital one unit high.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/drawing.h"

struct OutlineFace;

// Opens face `index` of a font file; nullptr when FreeType cannot read it as
// a scalable font. Faces stay open for the process.
OutlineFace* OpenOutlineFace(const std::string& path, int32_t index);

// How far the pen moves after the character; -1 when the face lacks it.
double OutlineAdvance(OutlineFace* face, char32_t code);

// The glyph's contours as closed loops, curves within `tolerance` text units
// (a tolerance of 0 or less: a few points a curve, enough to measure). -1
// when the face lacks the character.
int32_t OutlineLoops(OutlineFace* face, char32_t code, double tolerance,
                     std::vector<std::vector<Point>>& loops);

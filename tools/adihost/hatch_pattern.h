#pragma once
// Pattern hatches as the lines a CAD program draws for them: each of the
// pattern's line families laid across the hatch's area, cut where they
// leave it (even-odd, as the area is filled) and broken into their dashes.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/drawing.h"

// The pattern lines of a standard pattern (ANSI31 to ANSI38, LINE, NET,
// DOTS, ...) by name, turned by `angle` degrees and scaled, in the hatch's
// own coordinates; in millimetres when `metric` (the patterns are defined in
// inches). Empty for a name the table does not know.
std::vector<PatternLine> StandardPattern(const std::string& name, double angle, double scale,
                                         bool metric);

// The strokes (chains of points) of the pattern across the loops. Lines
// closer than `step` and dashes shorter than it are not told apart: -1 when
// a family's lines lie closer than that (the area reads as filled), or when
// more than `budget` strokes would be drawn; else 0.
int32_t PatternStrokes(const std::vector<std::vector<Point>>& loops,
                       const std::vector<PatternLine>& lines, double step, int64_t budget,
                       std::vector<std::vector<Point>>& strokes);

#pragma once
// Lays texts out: their characters in their style's font, placed in text
// units (a capital one unit high), and the frame that puts text units on the
// drawing (height, width factor, oblique angle, rotation, backwards and
// upside-down folded in). One-line texts take every alignment, aligned and
// fitted between their two points included; MTEXT wraps its words at its
// reference width, breaks at its paragraphs and stands at its attachment
// point by its own extent.
#include <cstdint>

#include "tools/adihost/drawing.h"
#include "tools/adihost/text_entity.h"

// What LayOutText gives for a text no font on the machine can draw.
constexpr int32_t kNoFont = -2;

// Fills the shape's frame (centre, u, v) and glyphs. 0; -1 when the text
// draws nothing (no height, or hidden), or kNoFont.
int32_t LayOutText(const TextEntity& text, const TextSettings& settings, Shape& shape);

#pragma once
// Dimensions and leaders as CAD programs draw them: a dimension from the
// anonymous block its program left beside it (lines, arrows, text), a leader
// as its path with a closed filled arrowhead at its first point.
#include <vector>

#include "tools/adihost/drawing.h"

// The header's arrow size and dimension scale as one length in drawing
// units; a size or scale not given (or 0) takes the default of its system.
double ArrowLength(double arrowSize, double dimensionScale, bool metric);

// A closed filled arrowhead with its tip at `tip`, pointing away from
// `from`: a third as wide as it is long. Empty where the two points meet.
std::vector<Vertex> ArrowHead(Point tip, Point from, double length);

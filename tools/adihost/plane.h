#pragma once
// Entities drawn in a plane of their own (a circle on a tilted face, a block
// placed seen from below) give their coordinates in that plane, whose z axis
// is the entity's extrusion direction; the plot looks at the drawing from
// above, so each such plane becomes a 2D affine map onto the drawing's plane
// (an edge-on circle becomes a line).
#include "tools/adihost/drawing.h"

struct Vector3 {
  double x = 0, y = 0, z = 0;
};

// The object coordinate system of `normal` by the arbitrary-axis algorithm,
// raised `elevation` along it, seen from above. The identity for the
// drawing's own plane (normal 0, 0, 1); a normal of no length counts as that.
PlaneMap PlaneOfNormal(Vector3 normal, double elevation);

// The plane of an ellipse given in drawing coordinates (centre and major
// axis) with its own normal: its minor axis runs along normal × major. The
// ellipse's own coordinates have the centre at the origin and the major axis
// along x, `majorLength` long.
PlaneMap PlaneOfEllipse(Vector3 centre, Vector3 major, Vector3 normal, double& majorLength);

bool IsIdentity(const PlaneMap& p);

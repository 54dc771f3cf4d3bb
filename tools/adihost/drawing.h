#pragma once
// A plain drawing model, filled from a DXF file and walked by one writer that
// turns it into drawing requests. Geometry is kept as the file gives it, in
// drawing units; curves are flattened only when the plot scale is known.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct Point {
  double x = 0, y = 0;
};

// A polyline vertex; bulge is the tangent of a quarter of the included angle
// of the arc to the next vertex (positive: counter-clockwise). A wide
// polyline's segment to the next vertex starts and ends with these widths.
struct Vertex {
  double x = 0, y = 0, bulge = 0;
  double startWidth = 0, endWidth = 0;
};

// A 2D affine map: (x, y) goes to (a x + b y + e, c x + d y + f).
struct PlaneMap {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// Colour, lineweight and linetype as stored on the entity, before BYLAYER and
// BYBLOCK are resolved.
constexpr int32_t kColourByBlock = 0;
constexpr int32_t kColourByLayer = 256;
constexpr int32_t kWeightByLayer = -1;
constexpr int32_t kWeightByBlock = -2;
constexpr int32_t kWeightDefault = -3;

struct Style {
  std::string layer = "0";
  int32_t colour = kColourByLayer;  // colour index 1..255, or the two above
  int32_t weight = kWeightByLayer;  // hundredths of a millimetre, or the three above
  std::string linetype = "BYLAYER";
};

// One line family of a hatch pattern, in the hatch's own coordinates: lines
// at `angle` degrees through the base point, repeated by the offset, drawn
// with the dashes (positive: drawn, negative: a gap, 0: a dot); no dashes:
// continuous.
struct PatternLine {
  double angle = 0;
  Point base, offset;
  std::vector<double> dashes;
};

enum class ShapeKind { Polyline, Circle, Arc, Ellipse, Spline, Dot, Fill, Insert, Image, Text };

// One character of a text, placed in the text's own units (those of its
// frame): a font from the font table (fonts.h), the character, where its
// baseline starts, and its own scale and slant (x' = width x + slant y).
struct PlacedGlyph {
  int32_t font = 0;
  char32_t code = 0;
  double x = 0, y = 0, width = 1, height = 1, slant = 0;
};

// One entity. Only the fields of its kind are used.
struct Shape {
  ShapeKind kind = ShapeKind::Polyline;
  Style style;
  // Reported once per plotted shape when it is drawn only in part.
  const char* note = nullptr;
  // From the entity's own plane (a tilted one, or the drawing's seen from
  // below) to the drawing's: applied to points and frames alike, before the
  // transforms of the blocks it is placed in.
  PlaneMap plane;
  // Seen from below (extrusion 0, 0, -1), for readers that know only the
  // extrusion's sign: the plane whose x runs the other way.
  bool mirrored = false;
  // Polyline (lines, polylines, text boxes); Dot: one vertex; Fill: a solid's corners.
  std::vector<Vertex> vertices;
  bool closed = false;
  bool wide = false;  // a polyline with widths: filled as its outline
  // Circle, Arc (degrees), Ellipse (parameter angles in radians, majorAxis from
  // the centre, ratio of the minor to the major axis).
  Point centre;
  double radius = 0, start = 0, end = 0;
  bool clockwise = false;  // a hatch edge may run clockwise
  Point majorAxis;
  double ratio = 1;
  // Spline: a NURBS curve, or only its fit points.
  int32_t degree = 3;
  std::vector<double> knots;
  std::vector<Point> controls;
  std::vector<double> weights;
  std::vector<Point> fitPoints;
  // Fill: a solid hatch's boundary loops, each a chain of edge shapes
  // (polylines, arcs, ellipses, splines).
  std::vector<std::vector<Shape>> loops;
  bool patterned = false;            // a pattern hatch: its pattern lines, clipped to the loops
  std::vector<PatternLine> pattern;  // none known: only the boundary is drawn
  // Insert: a block reference, placed at `centre`.
  std::string block;
  Point scale{1, 1};
  double angle = 0;  // degrees
  int32_t columns = 1, rows = 1;
  double columnSpacing = 0, rowSpacing = 0;
  // Image: lower-left corner at `centre`, one pixel's step along the bottom
  // and up the left side, the size in pixels and the file.
  Point u, v;
  int32_t pixelsWide = 0, pixelsHigh = 0;
  std::string file;
  // Text: its glyphs in text units, placed by a frame as an image is: the
  // origin at `centre`, `u` and `v` the images of the text's unit x and y
  // (height, width factor, slant and rotation folded in). One text unit up
  // is the height of a capital.
  std::vector<PlacedGlyph> glyphs;
};

struct Layer {
  int32_t colour = 7;
  int32_t weight = kWeightDefault;
  std::string linetype = "CONTINUOUS";
  bool hidden = false;  // frozen or off
};

struct Block {
  Point base;
  std::vector<Shape> shapes;
};

struct Drawing {
  std::map<std::string, Layer> layers;
  std::map<std::string, Block> blocks;
  std::vector<Shape> shapes;   // model space
  int32_t defaultWeight = 25;  // the file's default lineweight, hundredths of a mm
  double unitMillimetres = 1;  // length of one drawing unit
  // What could not be plotted, or only in part, with how often.
  std::map<std::string, int32_t> unsupported;
};

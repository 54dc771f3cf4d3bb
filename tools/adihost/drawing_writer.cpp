#include "tools/adihost/drawing_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string_view>

#include "tools/adihost/flatten.h"
#include "tools/adihost/fonts.h"
#include "tools/adihost/hatch_pattern.h"
#include "tools/adihost/plane.h"
#include "tools/adihost/polygon_pieces.h"
#include "tools/adihost/wide_polyline.h"

namespace {

// Linetype names and the driver's patterns that look like them (its legend:
// 1 dots, 2 and 3 dashes, 4 long dash and dot, 5 dash and dot, 6 dash and two
// dots, 7 long dash and two dots).
struct LineTypeName {
  std::string_view name;
  int32_t type;
};
constexpr LineTypeName kLineTypeNames[] = {
    {"CONTINUOUS", 0}, {"DOT", 1},      {"DOT2", 1},     {"DOTX2", 1},    {"DASHED", 2},
    {"DASHED2", 2},    {"DASHEDX2", 2}, {"HIDDEN", 3},   {"HIDDEN2", 3},  {"HIDDENX2", 3},
    {"CENTER", 4},     {"CENTER2", 4},  {"CENTERX2", 4}, {"DASHDOT", 5},  {"DASHDOT2", 5},
    {"DASHDOTX2", 5},  {"DIVIDE", 6},   {"DIVIDE2", 6},  {"DIVIDEX2", 6}, {"PHANTOM", 7},
    {"PHANTOM2", 7},   {"PHANTOMX2", 7}};

// How far a chord may stray from its curve, in host units: with the half unit
// of rounding at each end, every point stays within one unit of the curve.
constexpr double kHostTolerance = 0.25;
constexpr int32_t kMaxNesting = 16;
// The most points and block placements one walk over the drawing may make:
// arrays of arrays and blocks placed many times inside each other multiply,
// and past this a drawing is refused rather than left to fill the memory.
constexpr int64_t kMaxWork = 4000000;
// The most points a wide polyline's outline is built from before its arcs
// are flattened coarser (64 times the tolerance: an eighth of the points).
constexpr int64_t kMaxWideOutline = 1 << 18;
constexpr double kCoarserWideOutline = 64;

// x' = a x + b y + e, y' = c x + d y + f
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Point Apply(Point p) const { return {a * p.x + b * p.y + e, c * p.x + d * p.y + f}; }
  Affine Then(const Affine& o) const {  // this first, then o
    return {o.a * a + o.b * c, o.a * b + o.b * d,       o.c * a + o.d * c,
            o.c * b + o.d * d, o.a * e + o.b * f + o.e, o.c * e + o.d * f + o.f};
  }
  // The largest stretch the transform gives any length.
  double Stretch() const { return std::max(std::hypot(a, c), std::hypot(b, d)); }
};

// What an entity inside a block inherits from its insert.
struct Inherited {
  Affine transform;
  int32_t colour = 7;
  int32_t weight = kWeightDefault;
  std::string linetype = "CONTINUOUS";
  std::string layer = "0";
  int32_t depth = 0;
};

struct ResolvedStyle {
  int32_t pen = 7, lineType = 0, weight = 25;
};

struct Bounds {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  void Add(Point p) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  bool Empty() const { return minX > maxX; }
};

// Walks the model once to measure it and once to write it; `measuring` tells which.
class Walker {
 public:
  Walker(const Drawing& d, std::map<std::string, int32_t>& n) : drawing(d), notes(n) {}

  bool measuring = true;
  bool fineMeasure = false;  // measure with the curves as fine as for writing
  Bounds bounds;
  // Drawing to host units, and the host area strokes are clipped to.
  double scale = 1, offsetX = 0, offsetY = 0, hostMaxX = 0, hostMaxY = 0;
  std::vector<Request>* out = nullptr;
  int32_t clipped = 0;
  int64_t work = 0;  // points and placements of this walk

  void Walk(const std::vector<Shape>& shapes, const Inherited& inherited) {
    for (const Shape& s : shapes) {
      if (TooLarge()) return;
      WalkShape(s, inherited);
    }
  }
  bool TooLarge() const { return work > kMaxWork; }

 private:
  const Drawing& drawing;
  std::map<std::string, int32_t>& notes;
  ResolvedStyle current{-1, -1, -1};
  std::vector<const Block*> expanding;  // the blocks being placed, outermost first
  bool penDown = false;
  int32_t lastX = -1, lastY = -1;

  void Note(const std::string& what) {
    if (!measuring) ++notes[what];
  }

  const Layer& LayerOf(const std::string& name) const {
    static const Layer kPlain;
    const auto it = drawing.layers.find(name);
    return it == drawing.layers.end() ? kPlain : it->second;
  }

  std::string EffectiveLayer(const Shape& s, const Inherited& in) const {
    return s.style.layer == "0" && in.depth > 0 ? in.layer : s.style.layer;
  }

  std::string LineTypeName(const Shape& s, const Inherited& in) const {
    return s.style.linetype == "BYLAYER"   ? LayerOf(EffectiveLayer(s, in)).linetype
           : s.style.linetype == "BYBLOCK" ? in.linetype
                                           : s.style.linetype;
  }

  ResolvedStyle Resolve(const Shape& s, const Inherited& in) const {
    const Layer& layer = LayerOf(EffectiveLayer(s, in));
    ResolvedStyle r;
    r.pen = s.style.colour == kColourByLayer   ? layer.colour
            : s.style.colour == kColourByBlock ? in.colour
                                               : std::abs(s.style.colour);
    if (r.pen < 1 || r.pen > 255) r.pen = 7;
    int32_t weight = s.style.weight == kWeightByLayer   ? layer.weight
                     : s.style.weight == kWeightByBlock ? in.weight
                                                        : s.style.weight;
    r.weight = weight < 0 ? drawing.defaultWeight : weight;
    r.lineType = LineTypeFor(LineTypeName(s, in));
    return r;
  }

  double Tolerance(const Inherited& in) const {
    if (measuring && !fineMeasure) return 0;
    return kHostTolerance / (scale * std::max(in.transform.Stretch(), 1e-12));
  }

  void WalkShape(const Shape& s, const Inherited& outer) {
    // The entity's own plane maps onto the drawing's before any block's
    // transform: its points and frames alike.
    if (!IsIdentity(s.plane) || s.mirrored) {
      Inherited projected = outer;
      const PlaneMap& p = s.plane;
      const Affine own = s.mirrored ? Affine{-1, 0, 0, 1, 0, 0} : Affine{};
      projected.transform = own.Then({p.a, p.b, p.c, p.d, p.e, p.f}).Then(outer.transform);
      Shape inPlane = s;
      inPlane.plane = PlaneMap{};
      inPlane.mirrored = false;
      return WalkShape(inPlane, projected);
    }
    const Inherited& in = outer;
    if (LayerOf(EffectiveLayer(s, in)).hidden) return;
    const ResolvedStyle style = Resolve(s, in);
    if (s.note != nullptr) Note(s.note);
    if (!measuring && style.lineType < 0)
      Note("linetype " + LineTypeName(s, in) + " (drawn solid)");
    std::vector<Point> points;
    ++work;
    switch (s.kind) {
      case ShapeKind::Polyline:
        if (s.wide) {
          WidePolyline(s, in, style);
          break;
        }
        [[fallthrough]];
      case ShapeKind::Circle:
      case ShapeKind::Arc:
      case ShapeKind::Ellipse:
        FlattenCurve(s, Tolerance(in), points);
        Stroke(points, in.transform, style);
        break;
      case ShapeKind::Spline:
        if (!FlattenSpline(s, Tolerance(in), points))
          Note("SPLINE without control points (drawn through its points)");
        Stroke(points, in.transform, style);
        break;
      case ShapeKind::Dot:
        points.push_back({s.vertices[0].x, s.vertices[0].y});
        Stroke({points[0], points[0]}, in.transform, style);
        break;
      case ShapeKind::Fill:
        FillLoops(s, in, style);
        break;
      case ShapeKind::Insert:
        Insert(s, in, style);
        break;
      case ShapeKind::Image:
        Image(s, in);
        break;
      case ShapeKind::Text:
        Text(s, in, style);
        break;
    }
  }

  void Insert(const Shape& s, const Inherited& in, const ResolvedStyle& style) {
    const auto it = drawing.blocks.find(s.block);
    if (it == drawing.blocks.end()) return Note("INSERT of a missing block");
    if (in.depth >= kMaxNesting) return Note("INSERT nested too deeply (a block inside itself?)");
    const Block& block = it->second;
    if (std::find(expanding.begin(), expanding.end(), &block) != expanding.end())
      return Note("INSERT of a block inside itself");
    expanding.push_back(&block);
    const double r = s.angle * std::numbers::pi / 180;
    const double c = std::cos(r), n = std::sin(r);
    for (int32_t row = 0; row < s.rows && !TooLarge(); ++row)
      for (int32_t column = 0; column < s.columns && !TooLarge(); ++column) {
        ++work;
        // Block base to the origin, scale, then the array offset, rotation, place.
        const double ox = column * s.columnSpacing, oy = row * s.rowSpacing;
        Affine local{s.scale.x,
                     0,
                     0,
                     s.scale.y,
                     -block.base.x * s.scale.x + ox,
                     -block.base.y * s.scale.y + oy};
        local = local.Then({c, -n, n, c, s.centre.x, s.centre.y});
        Inherited inner;
        inner.transform = local.Then(in.transform);
        inner.colour = style.pen;
        inner.weight = style.weight;
        inner.linetype = LineTypeName(s, in);
        inner.layer = EffectiveLayer(s, in);
        inner.depth = in.depth + 1;
        Walk(block.shapes, inner);
      }
    expanding.pop_back();
  }

  // A hatch's loops: filled (even-odd, so that holes stay open), or
  // crossed by its pattern's lines.
  void FillLoops(const Shape& s, const Inherited& in, const ResolvedStyle& style) {
    std::vector<std::vector<Point>> loops;
    for (const std::vector<Shape>& loop : s.loops) {
      std::vector<Point> points;
      for (const Shape& edge : loop) FlattenCurve(edge, Tolerance(in), points);
      work += static_cast<int64_t>(points.size());
      if (points.size() < 2 || TooLarge()) continue;
      loops.push_back(std::move(points));
    }
    if (!s.patterned) return FillShape(loops, in.transform, style, false);
    if (measuring || s.pattern.empty()) {
      for (std::vector<Point>& loop : loops) {
        loop.push_back(loop.front());
        Stroke(loop, in.transform, style);
      }
      return;
    }
    // One plotter step in the hatch's own units: finer patterns read as filled.
    const double step = 4 * Tolerance(in);
    std::vector<std::vector<Point>> strokes;
    if (PatternStrokes(loops, s.pattern, step, kMaxWork - work, strokes) < 0) {
      Note("HATCH pattern finer than the plotter can draw (filled solid)");
      return FillShape(loops, in.transform, style, false);
    }
    for (const std::vector<Point>& stroke : strokes) Stroke(stroke, in.transform, style);
  }

  void WidePolyline(const Shape& s, const Inherited& in, const ResolvedStyle& style) {
    WideParts parts = WidePolylineParts(s.vertices, s.closed, Tolerance(in));
    const auto points = [&parts] {
      int64_t n = 0;
      for (const std::vector<Point>& piece : parts.pieces) n += static_cast<int64_t>(piece.size());
      return n;
    };
    // Arcs of absurd radius flatten into a million points each; their bands
    // are outlined coarser rather than handed whole to the clipping library.
    if (points() > kMaxWideOutline) {
      Note("wide polyline too detailed to outline (drawn coarser)");
      parts = WidePolylineParts(s.vertices, s.closed, Tolerance(in) * kCoarserWideOutline);
    }
    work += points();
    if (TooLarge()) return;
    FillShape(parts.pieces, in.transform, style, true);
    for (const std::vector<Point>& line : parts.lines) Stroke(line, in.transform, style);
  }

  // Glyphs made in text units and put on the drawing through the text's
  // frame: strokes drawn, outlines filled.
  void Text(const Shape& s, const Inherited& in, const ResolvedStyle& style) {
    const Affine frame =
        Affine{s.u.x, s.v.x, s.u.y, s.v.y, s.centre.x, s.centre.y}.Then(in.transform);
    const double tolerance =
        measuring && !fineMeasure ? 0 : kHostTolerance / (scale * std::max(frame.Stretch(), 1e-12));
    for (const PlacedGlyph& g : s.glyphs) {
      if (TooLarge()) return;
      GlyphGeometry geometry;
      FontGlyph(g, tolerance, geometry);
      for (const std::vector<Point>& stroke : geometry.strokes) Stroke(stroke, frame, style);
      // Outlines overlap where a font composes a character from parts, so
      // they fill by their winding, as fonts are drawn.
      for (const std::vector<std::vector<Point>>& loops : geometry.fills) {
        for (const std::vector<Point>& loop : loops) work += static_cast<int64_t>(loop.size());
        FillShape(loops, frame, style, true);
      }
    }
  }

  void Image(const Shape& s, const Inherited& in) {
    if (s.file.empty()) return;
    const Point p0 = s.centre;
    const Point corners[] = {p0,
                             {p0.x + s.u.x * s.pixelsWide, p0.y + s.u.y * s.pixelsWide},
                             {p0.x + s.v.x * s.pixelsHigh, p0.y + s.v.y * s.pixelsHigh},
                             {p0.x + s.u.x * s.pixelsWide + s.v.x * s.pixelsHigh,
                              p0.y + s.u.y * s.pixelsWide + s.v.y * s.pixelsHigh}};
    Bounds box;
    for (const Point& c : corners) box.Add(in.transform.Apply(c));
    if (measuring) {
      bounds.Add({box.minX, box.minY});
      bounds.Add({box.maxX, box.maxY});
      return;
    }
    // An image beyond the sheet is not drawn; one across its edge is held
    // within it.
    const Point low = ToHost({box.minX, box.minY}), high = ToHost({box.maxX, box.maxY});
    if (!(high.x >= 0 && high.y >= 0 && low.x <= hostMaxX && low.y <= hostMaxY)) {
      ++clipped;
      return;
    }
    if (low.x < -1 || low.y < -1 || high.x > hostMaxX + 1 || high.y > hostMaxY + 1) ++clipped;
    // The bottom and left edges on the sheet, in host units.
    const Point o = in.transform.Apply({0, 0});
    const Point a = in.transform.Apply({s.u.x * s.pixelsWide, s.u.y * s.pixelsWide});
    const Point b = in.transform.Apply({s.v.x * s.pixelsHigh, s.v.y * s.pixelsHigh});
    ImageFrame frame{.given = true,
                     .x = in.transform.Apply(p0).x * scale + offsetX,
                     .y = in.transform.Apply(p0).y * scale + offsetY,
                     .ux = (a.x - o.x) * scale,
                     .uy = (a.y - o.y) * scale,
                     .vx = (b.x - o.x) * scale,
                     .vy = (b.y - o.y) * scale};
    // Edges within a millionth of an axis lie along it: a quarter turn or a
    // mirror, served exactly.
    const double size = std::max(std::hypot(frame.ux, frame.uy), std::hypot(frame.vx, frame.vy));
    for (double* c : {&frame.ux, &frame.uy, &frame.vx, &frame.vy})
      if (std::fabs(*c) < size * 1e-6) *c = 0;
    if (frame.ux * frame.vy - frame.vx * frame.uy == 0) return Note("IMAGE without an area");
    const bool upright = frame.uy == 0 && frame.vx == 0 && frame.ux > 0 && frame.vy > 0;
    if (std::FILE* f = std::fopen(s.file.c_str(), "rb")) {
      std::fclose(f);
    } else {
      return Note("IMAGE whose file cannot be read");
    }
    Request r;
    r.kind = RequestKind::Image;
    r.x = HostX(box.minX), r.y = HostY(box.minY);
    r.x2 = HostX(box.maxX), r.y2 = HostY(box.maxY);
    r.file = s.file;
    if (!upright) r.frame = frame;
    out->push_back(r);
    penDown = false;
  }

  int32_t HostX(double x) const {
    return static_cast<int32_t>(std::lround(std::clamp(x * scale + offsetX, 0.0, hostMaxX)));
  }
  int32_t HostY(double y) const {
    return static_cast<int32_t>(std::lround(std::clamp(y * scale + offsetY, 0.0, hostMaxY)));
  }

  void Select(const ResolvedStyle& style) {
    Request r;
    if (style.pen != current.pen) {
      r.kind = RequestKind::Pen, r.x = style.pen;
      out->push_back(r);
    }
    if (std::max(0, style.lineType) != current.lineType) {
      r.kind = RequestKind::LineType, r.x = std::max(0, style.lineType);
      out->push_back(r);
    }
    if (style.weight != current.weight) {
      r.kind = RequestKind::Width, r.inches = style.weight / 100.0 / 25.4;
      out->push_back(r);
    }
    if (style.pen != current.pen || style.lineType != current.lineType ||
        style.weight != current.weight)
      penDown = false;  // the driver ends the polyline on every such request
    current = {style.pen, std::max(0, style.lineType), style.weight};
  }

  void Emit(RequestKind kind, int32_t x, int32_t y) {
    Request r;
    r.kind = kind, r.x = x, r.y = y;
    out->push_back(r);
    lastX = x, lastY = y;
  }

  // Host points of a chain, clipped to the area piece by piece.
  void Stroke(const std::vector<Point>& points, const Affine& t, const ResolvedStyle& style) {
    work += static_cast<int64_t>(points.size());
    if (points.empty() || TooLarge()) return;
    if (measuring) {
      for (const Point& p : points) bounds.Add(t.Apply(p));
      return;
    }
    Select(style);
    penDown = false;
    bool wasClipped = false;
    Point a = ToHost(t.Apply(points[0]));
    if (points.size() == 1) return;
    for (size_t i = 1; i < points.size(); ++i) {
      const Point b = ToHost(t.Apply(points[i]));
      Point p = a, q = b;
      if (!Finite(a) || !Finite(b) || !ClipSegment(p, q)) {
        wasClipped = true;
        penDown = false;
        a = b;
        continue;
      }
      if (std::hypot(p.x - a.x, p.y - a.y) > 1 || std::hypot(q.x - b.x, q.y - b.y) > 1)
        wasClipped = true;
      const int32_t px = static_cast<int32_t>(std::lround(p.x)),
                    py = static_cast<int32_t>(std::lround(p.y));
      const int32_t qx = static_cast<int32_t>(std::lround(q.x)),
                    qy = static_cast<int32_t>(std::lround(q.y));
      if (!penDown || px != lastX || py != lastY) Emit(RequestKind::Move, px, py);
      // A dot is a draw to where the pen already is; other repeats are dropped.
      if (qx != lastX || qy != lastY || points.size() == 2) Emit(RequestKind::Draw, qx, qy);
      penDown = true;
      if (q.x != b.x || q.y != b.y) penDown = false;
      a = b;
    }
    if (wasClipped) ++clipped;
  }

  // An area as the driver's polygons: clipped to the sheet and cut into
  // pieces the driver takes.
  void FillShape(const std::vector<std::vector<Point>>& loops, const Affine& t,
                 const ResolvedStyle& style, bool nonZero) {
    if (measuring) {
      for (const std::vector<Point>& loop : loops)
        for (const Point& p : loop) bounds.Add(t.Apply(p));
      return;
    }
    FillArea area;
    area.nonZero = nonZero;
    for (const std::vector<Point>& loop : loops) {
      std::vector<Point> host;
      for (const Point& p : loop) host.push_back(ToHost(t.Apply(p)));
      area.loops.push_back(std::move(host));
    }
    bool wasClipped = false;
    const std::vector<std::vector<uint16_t>> outlines =
        FillOutlines(area, static_cast<int32_t>(hostMaxX), static_cast<int32_t>(hostMaxY),
                     kMaxPolygonVertices, wasClipped);
    if (wasClipped) ++clipped;
    for (const std::vector<uint16_t>& xy : outlines) {
      Select(style);
      Request r;
      r.kind = RequestKind::Polygon;
      r.x = style.pen;
      r.xy = xy;
      out->push_back(std::move(r));
      penDown = false;
    }
  }

  Point ToHost(Point p) const { return {p.x * scale + offsetX, p.y * scale + offsetY}; }
  // A transform past the range of numbers gives no place on the sheet.
  static bool Finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

  // Liang-Barsky: false when the segment lies wholly outside the area.
  bool ClipSegment(Point& p, Point& q) const {
    double t0 = 0, t1 = 1;
    const double dx = q.x - p.x, dy = q.y - p.y;
    const double checks[4][2] = {
        {-dx, p.x}, {dx, hostMaxX - p.x}, {-dy, p.y}, {dy, hostMaxY - p.y}};
    for (const auto& [denominator, room] : checks) {
      if (denominator == 0) {
        if (room < 0) return false;
        continue;
      }
      const double t = room / denominator;
      if (denominator < 0) {
        t0 = std::max(t0, t);
      } else {
        t1 = std::min(t1, t);
      }
      if (t0 > t1) return false;
    }
    const Point start = p;
    p = {start.x + t0 * dx, start.y + t0 * dy};
    q = {start.x + t1 * dx, start.y + t1 * dy};
    return true;
  }
};

}  // namespace

int32_t LineTypeFor(const std::string& name) {
  for (const LineTypeName& l : kLineTypeNames)
    if (l.name == name) return l.type;
  return name.empty() ? 0 : -1;
}

int32_t WriteDrawingRequests(const Drawing& drawing, const SheetArea& area,
                             const Placement& placement, std::vector<Request>& requests,
                             std::map<std::string, int32_t>& notes, std::string& error) {
  Walker walker(drawing, notes);
  walker.hostMaxX = std::min(65535.0, std::floor(area.length * area.unitsPerInch));
  walker.hostMaxY = std::min(65535.0, std::floor(area.width * area.unitsPerInchAcross));
  const auto tooLarge = [&] {
    error = "the drawing expands to more than " + std::to_string(kMaxWork) +
            " points and block placements (blocks placed inside each other, or arrays too "
            "large?)";
    return -1;
  };
  // Measured twice: roughly, and then with the curves as fine as the rough
  // scale asks, so that the fitted drawing reaches the sheet's edges exactly.
  for (int32_t pass = 0; pass < 2; ++pass) {
    walker.bounds = Bounds{};
    walker.fineMeasure = pass == 1;
    walker.work = 0;
    walker.Walk(drawing.shapes, Inherited{});
    if (walker.TooLarge()) return tooLarge();
    if (walker.bounds.Empty()) return 0;
    const Bounds b = walker.bounds;
    const double w = b.maxX - b.minX, h = b.maxY - b.minY;
    if (!std::isfinite(w) || !std::isfinite(h)) {
      error = "the drawing's extent is beyond the range of numbers";
      return -1;
    }
    if (placement.ratio > 0) {
      walker.scale = drawing.unitMillimetres / placement.ratio / 25.4 * area.unitsPerInch;
      walker.offsetX = -b.minX * walker.scale;
      walker.offsetY = -b.minY * walker.scale;
    } else {
      const double sx = w > 0 ? walker.hostMaxX / w : HUGE_VAL;
      const double sy = h > 0 ? walker.hostMaxY / h : HUGE_VAL;
      walker.scale = std::min(sx, sy);
      if (!std::isfinite(walker.scale)) walker.scale = 1;
      walker.offsetX = (walker.hostMaxX - w * walker.scale) / 2 - b.minX * walker.scale;
      walker.offsetY = (walker.hostMaxY - h * walker.scale) / 2 - b.minY * walker.scale;
    }
  }
  walker.measuring = false;
  walker.out = &requests;
  walker.work = 0;
  Request types;
  types.kind = RequestKind::LineTypes;
  types.x = 8;
  requests.push_back(types);
  walker.Walk(drawing.shapes, Inherited{});
  if (walker.TooLarge()) return tooLarge();
  // A fit places everything on the sheet; what its rounding puts a step
  // outside is held at the edge and is not clipped from the drawing.
  if (walker.clipped > 0 && placement.ratio > 0)
    notes["shapes outside the sheet (clipped)"] += walker.clipped;
  return 0;
}

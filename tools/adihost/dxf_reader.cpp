// Fills the drawing model from a DXF file: a first pass checks that the file
// is a well-formed text DXF and counts the entities this host cannot plot;
// dxflib then reads it and hands every entity to the adapter below.
#include "tools/adihost/dxf_reader.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <numbers>
#include <set>
#include <sstream>
#include <tuple>

#include "tools/adihost/dimension.h"
#include "tools/adihost/dxf_groups.h"
#include "tools/adihost/hatch_pattern.h"
#include "tools/adihost/plane.h"
#include "tools/adihost/text_entity.h"
#include "tools/adihost/text_layout.h"

namespace {

// Evaluating a spline costs the square of its degree per point; drawings use
// degrees up to a handful.
constexpr unsigned kMaxSplineDegree = 25;

// Entities the adapter turns into shapes, or that are never plotted (attribute
// definitions, viewports, the markers of blocks and polylines).
const std::set<std::string> kHandledEntities = {
    "LINE",   "LWPOLYLINE", "POLYLINE", "VERTEX", "SEQEND", "CIRCLE",   "ARC",       "ELLIPSE",
    "SPLINE", "POINT",      "SOLID",    "TRACE",  "HATCH",  "INSERT",   "TEXT",      "MTEXT",
    "ATTRIB", "ATTDEF",     "IMAGE",    "BLOCK",  "ENDBLK", "VIEWPORT", "DIMENSION", "LEADER"};

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// Groups whose value is a count the reader allocates for, by entity: a
// polyline's vertices, a spline's knots, control and fit points, a leader's
// vertices.
struct CountGroup {
  const char* entity;
  int32_t code;
};
constexpr CountGroup kCountGroups[] = {
    {"LWPOLYLINE", 90}, {"SPLINE", 72}, {"SPLINE", 73}, {"SPLINE", 74}, {"LEADER", 76}};

// Real-valued group codes: coordinates, distances, scales and angles.
bool IsRealCode(int32_t code) {
  return (code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
         (code >= 210 && code <= 239) || (code >= 460 && code <= 469) ||
         (code >= 1010 && code <= 1059);
}

// Integer-valued group codes: counts, flags, colours, weights and the like.
bool IsIntegerCode(int32_t code) {
  return (code >= 60 && code <= 99) || (code >= 170 && code <= 179) ||
         (code >= 270 && code <= 299) || (code >= 370 && code <= 389) ||
         (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
         (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071);
}

// The groups a hatch boundary's edge cannot do without, by edge type (line,
// arc, ellipse, spline): dxflib takes an edge without them and hands over
// values it never set.
constexpr std::array<std::initializer_list<int32_t>, 4> kHatchEdgeGroups = {{
    {10, 20, 11, 21},
    {10, 20, 40, 50, 51, 73},
    {10, 20, 11, 21, 40, 50, 51, 73},
    {94, 73, 74, 95, 96},
}};

// Follows a hatch's boundary edges group by group.
// A whole number as dxflib reads one, for group codes and integer values:
// strtol taken into an int, the rest of the text ignored unless `entire`. A
// number that does not fit an int would reach dxflib as another one (where
// long is wider than int, "4294967306" is group 10), so it is refused here.
// 0, or -1 when the text is no number and -2 when the number does not fit.
int32_t ReadWholeNumber(const std::string& text, int32_t& value, bool entire = false) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || (entire && *end != '\0')) return -1;
  if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return -2;
  value = static_cast<int32_t>(v);
  return 0;
}

// Follows a hatch's boundary edges group by group.
struct HatchEdges {
  bool polylineLoop = false;  // a polyline loop's 72 is a bulge flag, not an edge
  int32_t type = 0;           // of the edge being read; 0 when none
  std::set<int32_t> seen;

  // The group an edge ended without, or 0. Integer values have been read
  // whole before they come here.
  int32_t Feed(int32_t code, const std::string& value) {
    const bool ends = code == 72 || code == 92 || code == 93 || code == 97 || code == 75 ||
                      code == 0 || code == 78 || code == 98;
    int32_t missing = 0;
    if (ends && type >= 1 && type <= 4)
      for (int32_t required : kHatchEdgeGroups[type - 1])
        if (missing == 0 && seen.count(required) == 0) missing = required;
    if (ends) type = 0, seen.clear();
    int32_t number = 0;
    ReadWholeNumber(value, number);
    if (code == 92) polylineLoop = (number & 2) != 0;
    if (code == 72 && !polylineLoop) type = number;
    if (code != 72) seen.insert(code);
    return missing;
  }
};

// A number as a DXF writes it, either decimal mark.
bool IsFiniteNumber(std::string text) {
  for (char& c : text)
    if (c == ',') c = '.';
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  return end != text.c_str() && std::isfinite(v);
}

// Group codes and values alternate line by line. The file must end with the
// EOF marker, so a truncated file is caught even where dxflib would not mind.
// Numbers are checked here, where they enter: no coordinate is infinite or
// not a number, and no count asks for more items than the rest of the file
// could hold, so nothing past this point allocates for a lie.
int32_t CheckDxfText(const std::string& text, Drawing& drawing, TextReader& texts,
                     std::string& error) {
  if (text.find('\0') != std::string::npos) {
    error = "not a text DXF file (binary DXF is not read)";
    return -1;
  }
  int64_t lines = 0;
  for (char c : text) lines += c == '\n';
  std::istringstream in(text);
  std::string codeLine, value, entity, section;
  int32_t line = 0;
  bool sawEof = false, inEntities = false;
  HatchEdges hatch;
  const auto refuse = [&](int32_t at, const std::string& why) {
    error = "line " + std::to_string(at) + ": " + why;
    return -1;
  };
  while (std::getline(in, codeLine)) {
    ++line;
    const std::string code = Trim(codeLine);
    int32_t groupCode = 0;
    const int32_t codeRead = ReadWholeNumber(code, groupCode, true);
    if (codeRead == -2)
      return refuse(line, "group code out of range: '" + code.substr(0, 40) + "'");
    if (codeRead < 0)
      return refuse(line, "group code expected, found '" + code.substr(0, 40) + "'");
    if (!std::getline(in, value))
      return refuse(line, "group code without a value (truncated file)");
    ++line;
    value = Trim(value);
    if (IsRealCode(groupCode) && !IsFiniteNumber(value))
      return refuse(line, "not a finite number: '" + value.substr(0, 40) + "'");
    // dxflib reads a blank or a word here as a value it never set.
    int32_t number = 0;
    const int32_t numberRead = IsIntegerCode(groupCode) ? ReadWholeNumber(value, number) : 0;
    if (numberRead == -2)
      return refuse(line, "whole number out of range: '" + value.substr(0, 40) + "'");
    if (numberRead < 0) return refuse(line, "not a whole number: '" + value.substr(0, 40) + "'");
    for (const CountGroup& g : kCountGroups) {
      if (entity != g.entity || groupCode != g.code) continue;
      const int32_t count = number;
      if (count < 0 || count > (lines - line) / 2)
        return refuse(line, entity + " claims " + value.substr(0, 40) +
                                " items, more than the rest of the file holds");
    }
    if (entity == "HATCH") {
      if (const int32_t missing = hatch.Feed(groupCode, value))
        return refuse(line, "HATCH edge without its group " + std::to_string(missing));
    }
    texts.Feed(section, groupCode, value);
    if (groupCode != 0) continue;
    entity = value;
    hatch = HatchEdges{};
    if (value == "EOF") {
      sawEof = true;
      break;
    }
    if (value == "SECTION") {
      std::string nameCode, name;
      if (std::getline(in, nameCode) && std::getline(in, name)) line += 2;
      section = Trim(name);
      inEntities = section == "ENTITIES" || section == "BLOCKS";
    } else if (value == "ENDSEC") {
      inEntities = false;
      section.clear();
    } else if (inEntities && kHandledEntities.count(value) == 0) {
      ++drawing.unsupported[value];
    }
  }
  texts.Finish();
  if (!sawEof) {
    error = line == 0 ? "empty file" : "no end-of-file marker (truncated file?)";
    return -1;
  }
  return 0;
}

class DrawingAdapter : public DL_CreationAdapter {
 public:
  DrawingAdapter(Drawing& d, EntityGroups& g, TextReader& t) : drawing(d), groups(g), texts(t) {}

  std::map<std::string, std::string> imageFiles;  // image reference → file

  void addLayer(const DL_LayerData& data) override {
    const DL_Attributes a = getAttributes();
    Layer layer;
    layer.colour = std::abs(a.getColor());
    if (layer.colour == 0 || layer.colour > 255) layer.colour = 7;
    layer.weight = a.getWidth() >= 0 ? a.getWidth() : kWeightDefault;
    layer.linetype = Upper(a.getLinetype());
    layer.hidden = (data.flags & 1) != 0 || data.off || a.getColor() < 0;
    drawing.layers[data.name] = layer;
  }

  void addBlock(const DL_BlockData& data) override {
    Block& b = drawing.blocks[data.name];
    b = Block{};
    b.base = {data.bpx, data.bpy};
    block = &b;
    EndOpenShapes();
  }
  void endBlock() override {
    block = nullptr;
    EndOpenShapes();
  }

  void setVariableInt(const std::string& key, int value, int) override {
    // Drawing units: inches, feet, millimetres, centimetres, metres.
    static const std::map<int, double> kUnits = {{1, 25.4}, {2, 304.8}, {4, 1}, {5, 10}, {6, 1000}};
    if (key == "$INSUNITS" && kUnits.count(value)) drawing.unitMillimetres = kUnits.at(value);
    if (key == "$INSUNITS" && value >= 4 && value <= 6 && !measurementGiven) metric = true;
    if (key == "$MEASUREMENT") metric = value == 1, measurementGiven = true;
    if (key == "$LWDEFAULT" && value >= 0) drawing.defaultWeight = value;
  }
  void setVariableDouble(const std::string& key, double value, int) override {
    if (key == "$DIMASZ") arrowSize = value;
    if (key == "$DIMSCALE") dimensionScale = value;
  }

  void addPoint(const DL_PointData& d) override {
    Shape& s = Push(ShapeKind::Dot);
    s.vertices = {{d.x, d.y, 0}};
  }
  void addLine(const DL_LineData& d) override {
    lineEntity = true;
    Shape& s = Push(ShapeKind::Polyline);
    s.vertices = {{d.x1, d.y1, 0}, {d.x2, d.y2, 0}};
  }
  void addArc(const DL_ArcData& d) override {
    elevation = d.cz;
    Shape& s = Push(ShapeKind::Arc);
    s.centre = {d.cx, d.cy};
    s.radius = d.radius;
    s.start = d.angle1;
    s.end = d.angle2;
  }
  void addCircle(const DL_CircleData& d) override {
    elevation = d.cz;
    Shape& s = Push(ShapeKind::Circle);
    s.centre = {d.cx, d.cy};
    s.radius = d.radius;
  }
  void addEllipse(const DL_EllipseData& d) override {
    Shape& s = Push(ShapeKind::Ellipse);
    s.centre = {d.cx, d.cy};
    s.majorAxis = {d.mx, d.my};
    // Tilted, or seen from below: drawn in its own plane, whose minor axis
    // runs along the extrusion × the major axis.
    const Vector3 n = Extrusion();
    if (n.x != 0 || n.y != 0 || n.z <= 0) {
      double major = 0;
      s.plane = PlaneOfEllipse({d.cx, d.cy, d.cz}, {d.mx, d.my, d.mz}, n, major);
      s.centre = {0, 0};
      s.majorAxis = {major, 0};
    }
    s.ratio = d.ratio;
    s.start = d.angle1;
    s.end = d.angle2;
  }
  void addPolyline(const DL_PolylineData& d) override {
    openWidths = groups.polylinesTaken < groups.polylines.size()
                     ? &groups.polylines[groups.polylinesTaken++]
                     : nullptr;
    // A lightweight polyline's widths count its vertices as dxflib does.
    if (openWidths && openWidths->lightweight && openWidths->widths.size() != d.number)
      openWidths = nullptr;
    if ((d.flags & (16 | 64)) != 0) {
      Unsupported("POLYLINE mesh");
      return;
    }
    // A 3D polyline's vertices are in world coordinates.
    if ((d.flags & 8) != 0) lineEntity = true;
    elevation = d.elevation;
    Shape& s = Push(ShapeKind::Polyline);
    s.closed = (d.flags & 1) != 0;
    openPolyline = IndexOf(s);
  }
  void addVertex(const DL_VertexData& d) override {
    Shape* open = OpenShape(openPolyline);
    if (open == nullptr) return;
    Shape& s = *open;
    Vertex v{d.x, d.y, d.bulge};
    if (openWidths && openWidths->any && s.vertices.size() < openWidths->widths.size()) {
      std::tie(v.startWidth, v.endWidth) = openWidths->widths[s.vertices.size()];
      s.wide = true;
    }
    s.vertices.push_back(v);
  }
  void addSpline(const DL_SplineData& d) override {
    if (d.degree > kMaxSplineDegree) {
      openPolyline = openSpline = openHatch = -1;
      return Unsupported("SPLINE of degree above 25 (not plotted)");
    }
    Shape& s = Push(ShapeKind::Spline);
    s.degree = static_cast<int32_t>(d.degree);
    s.closed = (d.flags & 1) != 0;
    openSpline = IndexOf(s);
  }
  void addKnot(const DL_KnotData& d) override {
    if (Shape* s = OpenShape(openSpline)) s->knots.push_back(d.k);
  }
  void addControlPoint(const DL_ControlPointData& d) override {
    Shape* s = OpenShape(openSpline);
    if (s == nullptr) return;
    s->controls.push_back({d.x, d.y});
    s->weights.push_back(d.w > 0 ? d.w : 1.0);
  }
  void addFitPoint(const DL_FitPointData& d) override {
    if (Shape* s = OpenShape(openSpline)) s->fitPoints.push_back({d.x, d.y});
  }
  void addSolid(const DL_SolidData& d) override { AddCorners(d); }
  void addTrace(const DL_TraceData& d) override { AddCorners(d); }

  void addInsert(const DL_InsertData& d) override {
    elevation = d.ipz;
    Shape& s = Push(ShapeKind::Insert);
    s.block = d.name;
    s.centre = {d.ipx, d.ipy};
    s.scale = {d.sx, d.sy};
    s.angle = d.angle;
    s.columns = std::max(1, d.cols);
    s.rows = std::max(1, d.rows);
    s.columnSpacing = d.colSp;
    s.rowSpacing = d.rowSp;
  }

  // Texts are read from their own groups by the first pass, in file order.
  void addText(const DL_TextData&) override { AddText("TEXT"); }
  void addAttribute(const DL_AttributeData&) override { AddText("ATTRIB"); }
  void addMText(const DL_MTextData&) override { AddText("MTEXT"); }

  void addHatch(const DL_HatchData& d) override {
    const HatchGroups* h = groups.hatchesTaken < groups.hatches.size()
                               ? &groups.hatches[groups.hatchesTaken++]
                               : nullptr;
    Shape& s = Push(ShapeKind::Fill);
    s.patterned = !d.solid;
    // The file's own pattern lines, else the standard pattern of that name.
    if (s.patterned && h != nullptr) s.pattern = h->lines;
    if (s.patterned && s.pattern.empty())
      s.pattern = StandardPattern(d.pattern, d.angle, d.scale, metric);
    if (s.patterned && s.pattern.empty())
      Unsupported("HATCH pattern " + d.pattern + " unknown (drawn as its boundary)");
    openHatch = IndexOf(s);
  }
  void addHatchLoop(const DL_HatchLoopData&) override {
    if (Shape* s = OpenShape(openHatch)) s->loops.emplace_back();
  }
  void addHatchEdge(const DL_HatchEdgeData& e) override {
    Shape* hatch = OpenShape(openHatch);
    if (hatch == nullptr || hatch->loops.empty()) return;
    std::vector<Shape>& loop = hatch->loops.back();
    Shape edge;
    if (!e.vertices.empty()) {
      edge.kind = ShapeKind::Polyline;
      edge.closed = true;
      for (const std::vector<double>& v : e.vertices)
        if (v.size() >= 2) edge.vertices.push_back({v[0], v[1], v.size() > 2 ? v[2] : 0});
    } else if (e.type == 1) {
      edge.vertices = {{e.x1, e.y1, 0}, {e.x2, e.y2, 0}};
    } else if (e.type == 2) {
      edge.kind = ShapeKind::Arc;
      edge.centre = {e.cx, e.cy};
      edge.radius = e.radius;
      // The edge's angles come in radians; a clockwise edge gives them mirrored.
      edge.start = (e.ccw ? 1 : -1) * e.angle1 * 180 / std::numbers::pi;
      edge.end = (e.ccw ? 1 : -1) * e.angle2 * 180 / std::numbers::pi;
      edge.clockwise = !e.ccw;
    } else if (e.type == 3) {
      edge.kind = ShapeKind::Ellipse;
      edge.centre = {e.cx, e.cy};
      edge.majorAxis = {e.mx, e.my};
      edge.ratio = e.ratio;
      edge.start = (e.ccw ? 1 : -1) * e.angle1;
      edge.end = (e.ccw ? 1 : -1) * e.angle2;
      edge.clockwise = !e.ccw;
    } else if (e.type == 4) {
      if (e.degree > kMaxSplineDegree)
        return Unsupported("HATCH edge of degree above 25 (not plotted)");
      edge.kind = ShapeKind::Spline;
      edge.degree = static_cast<int32_t>(e.degree);
      edge.knots = e.knots;
      for (const std::vector<double>& c : e.controlPoints)
        if (c.size() >= 2) edge.controls.push_back({c[0], c[1]});
      edge.weights = e.weights;
      if (edge.weights.size() != edge.controls.size())
        edge.weights.assign(edge.controls.size(), 1.0);
      for (const std::vector<double>& f : e.fitPoints)
        if (f.size() >= 2) edge.fitPoints.push_back({f[0], f[1]});
    } else {
      return;
    }
    loop.push_back(std::move(edge));
  }

  void addImage(const DL_ImageData& d) override {
    Shape& s = Push(ShapeKind::Image);
    s.centre = {d.ipx, d.ipy};
    s.u = {d.ux, d.uy};
    s.v = {d.vx, d.vy};
    s.pixelsWide = d.width;
    s.pixelsHigh = d.height;
    s.file = d.ref;  // the definition's reference until linkImage names the file
    if (groups.imagesTaken < groups.imageClips.size()) {
      const ImageClip& c = groups.imageClips[groups.imagesTaken++];
      if (ClipsPart(c, d.width, d.height)) Unsupported("IMAGE clip boundary (drawn unclipped)");
    }
  }

  // A dimension is drawn from its block; one that names none cannot be.
  void AddDimension() {
    const std::string name = groups.dimensionsTaken < groups.dimensionBlocks.size()
                                 ? groups.dimensionBlocks[groups.dimensionsTaken++]
                                 : "";
    if (name.empty()) return Unsupported("DIMENSION without its block (not plotted)");
    // The block holds the dimension as drawn, in drawing coordinates.
    Shape& s = Push(ShapeKind::Insert);
    s.plane = PlaneMap{};
    s.block = name;
  }
  void addDimAlign(const DL_DimensionData&, const DL_DimAlignedData&) override { AddDimension(); }
  void addDimLinear(const DL_DimensionData&, const DL_DimLinearData&) override { AddDimension(); }
  void addDimRadial(const DL_DimensionData&, const DL_DimRadialData&) override { AddDimension(); }
  void addDimDiametric(const DL_DimensionData&, const DL_DimDiametricData&) override {
    AddDimension();
  }
  void addDimAngular(const DL_DimensionData&, const DL_DimAngular2LData&) override {
    AddDimension();
  }
  void addDimAngular3P(const DL_DimensionData&, const DL_DimAngular3PData&) override {
    AddDimension();
  }
  void addDimOrdinate(const DL_DimensionData&, const DL_DimOrdinateData&) override {
    AddDimension();
  }

  // A leader's path, in drawing coordinates; its arrowhead once the path's
  // first segment is known.
  void addLeader(const DL_LeaderData& d) override {
    lineEntity = true;
    openLeader = IndexOf(Push(ShapeKind::Polyline));
    leaderArrow = d.arrowHeadFlag == 1;
    if (d.leaderPathType == 1) Unsupported("LEADER along a spline (drawn straight)");
  }
  void addLeaderVertex(const DL_LeaderVertexData& d) override {
    Shape* leaderShape = OpenShape(openLeader);
    if (leaderShape == nullptr) return;
    std::vector<Vertex>& path = leaderShape->vertices;
    path.push_back({d.x, d.y});
    if (path.size() != 2 || !leaderArrow) return;
    const std::vector<Vertex> arrow = ArrowHead({path[0].x, path[0].y}, {path[1].x, path[1].y},
                                                ArrowLength(arrowSize, dimensionScale, metric));
    if (arrow.empty()) return;
    const int32_t leader = openLeader;
    Shape& head = Push(ShapeKind::Fill);
    head.plane = PlaneMap{};
    Shape outline;
    outline.vertices = arrow;
    outline.closed = true;
    head.loops.push_back({outline});
    openLeader = leader;
  }
  void linkImage(const DL_ImageDefData& d) override { imageFiles[d.ref] = d.file; }

 private:
  Drawing& drawing;
  EntityGroups& groups;
  TextReader& texts;
  Block* block = nullptr;
  int32_t openPolyline = -1, openSpline = -1, openHatch = -1, openLeader = -1;
  const PolylineWidths* openWidths = nullptr;
  bool leaderArrow = false;
  bool metric = false, measurementGiven = false;
  double arrowSize = 0, dimensionScale = 1;

  // Whether an image's clip boundary leaves out any of its pixels, whose
  // corners lie at -0.5 and the size less 0.5.
  static bool ClipsPart(const ImageClip& c, int32_t width, int32_t height) {
    if (!c.on || c.vertices.size() < 2) return false;
    if (c.type != 1 || c.vertices.size() != 2) return true;
    const Point a = c.vertices[0], b = c.vertices[1];
    return std::min(a.x, b.x) > -0.5 || std::min(a.y, b.y) > -0.5 ||
           std::max(a.x, b.x) < width - 0.5 || std::max(a.y, b.y) < height - 0.5;
  }

  static std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }

  std::vector<Shape>& Container() { return block ? block->shapes : drawing.shapes; }

  // Where a shape Push gave stands in the container, for the entity's later
  // parts (vertices, knots, loops); -1 for one kept out of the drawing.
  int32_t IndexOf(const Shape& s) {
    return &s == &scratch ? -1 : static_cast<int32_t>(Container().size()) - 1;
  }
  // The open shape at `index`, if the container still holds it.
  Shape* OpenShape(int32_t index) {
    std::vector<Shape>& c = Container();
    return index >= 0 && index < static_cast<int32_t>(c.size()) ? &c[index] : nullptr;
  }
  // A block's start or end changes the container: nothing stays open.
  void EndOpenShapes() { openPolyline = openSpline = openHatch = openLeader = -1; }

  void Unsupported(const std::string& what) { ++drawing.unsupported[what]; }

  // A new shape with the entity's style; any open polyline, spline or hatch ends.
  Shape& Push(ShapeKind kind) {
    EndOpenShapes();
    const DL_Attributes a = getAttributes();
    Shape s;
    s.kind = kind;
    s.style.layer = a.getLayer().empty() ? "0" : a.getLayer();
    s.style.colour = a.getColor();
    s.style.weight = a.getWidth();
    s.style.linetype = Upper(a.getLinetype());
    if (s.style.linetype.empty()) s.style.linetype = "BYLAYER";
    // Entities of the paper layout are not part of the drawing's model.
    if (a.isInPaperSpace() && block == nullptr) {
      Unsupported("entity of a paper-space layout");
      scratch = s;
      return scratch;
    }
    // Lines, ellipses, splines and points are given in world coordinates;
    // the others in their own plane, whose z axis is the extrusion.
    const bool planar = kind != ShapeKind::Ellipse && kind != ShapeKind::Spline &&
                        kind != ShapeKind::Dot && !(kind == ShapeKind::Polyline && lineEntity);
    if (planar) s.plane = PlaneOfNormal(Extrusion(), elevation);
    lineEntity = false;
    elevation = 0;
    Container().push_back(s);
    return Container().back();
  }
  Shape scratch;
  bool lineEntity = false;
  double elevation = 0;  // of the next entity's plane along its extrusion

  Vector3 Extrusion() {
    const double* n = getExtrusion()->getDirection();
    return {n[0], n[1], n[2]};
  }

  void AddCorners(const DL_TraceData& d) {
    elevation = d.z[0];
    Shape& s = Push(ShapeKind::Fill);
    // The third and fourth corners are stored crosswise.
    std::vector<Shape> loop(1);
    loop[0].closed = true;
    for (int i : {0, 1, 3, 2})
      if (loop[0].vertices.empty() || loop[0].vertices.back().x != d.x[i] ||
          loop[0].vertices.back().y != d.y[i])
        loop[0].vertices.push_back({d.x[i], d.y[i], 0});
    s.loops.push_back(std::move(loop));
  }

  // An MTEXT stands at a point of the drawing and may give its direction as
  // one, too; only its own axes lie in its plane. So its place is kept, a
  // given direction is brought into the plane, and the plane turns the frame.
  int32_t LayOutBlockText(const TextEntity& text, Shape& s) {
    const PlaneMap p = s.plane;
    s.plane = PlaneMap{};
    TextEntity inPlane = text;
    const double determinant = p.a * p.d - p.b * p.c;
    if (text.hasDirection && std::fabs(determinant) > 1e-12)
      inPlane.direction = {(p.d * text.direction.x - p.b * text.direction.y) / determinant,
                           (p.a * text.direction.y - p.c * text.direction.x) / determinant};
    const int32_t laid = LayOutText(inPlane, texts.settings, s);
    const auto turn = [&p](Point w) { return Point{p.a * w.x + p.b * w.y, p.c * w.x + p.d * w.y}; };
    s.u = turn(s.u);
    s.v = turn(s.v);
    return laid;
  }

  void AddText(const std::string& kind) {
    std::deque<TextEntity>& queue = texts.entities[kind];
    if (queue.empty()) return;
    const TextEntity text = std::move(queue.front());
    queue.pop_front();
    Shape& s = Push(ShapeKind::Text);
    const int32_t laid =
        kind == "MTEXT" ? LayOutBlockText(text, s) : LayOutText(text, texts.settings, s);
    if (laid == kNoFont) Unsupported(kind + " (no font found: not plotted)");
    if (laid < 0 && &s != &scratch) Container().pop_back();
  }
};

// Attribute definitions, which dxflib does not hand over, where a plot shows
// them: by name in the model, and a block's constant ones in each placement.
void AddAttributeDefinitions(TextReader& texts, Drawing& drawing) {
  for (const TextEntity& text : texts.entities["ATTDEF"]) {
    if (text.paperSpace && text.block.empty()) continue;
    Shape s;
    s.style = text.look;
    s.mirrored = text.mirrored;
    if (LayOutText(text, texts.settings, s) < 0) continue;
    if (text.block.empty()) {
      drawing.shapes.push_back(std::move(s));
    } else if (const auto b = drawing.blocks.find(text.block); b != drawing.blocks.end()) {
      b->second.shapes.push_back(std::move(s));
    }
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The image file as the drawing names it, else beside the drawing.
std::string LocateImage(const std::string& named, const std::string& folder) {
  std::string path = named;
  for (char& c : path)
    if (c == '\\') c = '/';
  if (!path.empty() && path[0] != '/') path = folder + "/" + path;
  if (std::ifstream(path).good()) return path;
  const size_t slash = path.find_last_of('/');
  return folder + "/" + path.substr(slash + 1);
}

void LinkImages(std::vector<Shape>& shapes, const std::map<std::string, std::string>& files,
                const std::string& folder, Drawing& drawing) {
  for (Shape& s : shapes) {
    if (s.kind != ShapeKind::Image) continue;
    const auto it = files.find(s.file);
    if (it == files.end()) {
      ++drawing.unsupported["IMAGE without an image definition"];
      s.file.clear();
    } else {
      s.file = folder.empty() ? it->second : LocateImage(it->second, folder);
    }
  }
}

}  // namespace

int32_t ReadDxfText(const std::string& text, const std::string& folder, Drawing& drawing,
                    std::string& error) {
  drawing = Drawing{};
  TextReader texts;
  if (CheckDxfText(text, drawing, texts, error) < 0) return -1;
  EntityGroups groups;
  ScanEntityGroups(text, groups);
  DrawingAdapter adapter(drawing, groups, texts);
  DL_Dxf dxf;
  // dxflib takes an MTEXT angle in degrees, or in radians for files its own
  // old versions wrote, and knows which from a comment it otherwise leaves
  // unread: a file that has none is said to come from today's.
  std::istringstream stream("999\ndxflib 3.26.4.0\n" + text);
  if (!dxf.in(stream, &adapter)) {
    error = "cannot read";
    return -1;
  }
  AddAttributeDefinitions(texts, drawing);
  LinkImages(drawing.shapes, adapter.imageFiles, folder, drawing);
  if (const auto wipeouts = drawing.unsupported.find("WIPEOUT");
      wipeouts != drawing.unsupported.end()) {
    drawing.unsupported["WIPEOUT (not masked: the driver fills only with its pens)"] =
        wipeouts->second;
    drawing.unsupported.erase(wipeouts);
  }
  for (auto& [name, block] : drawing.blocks)
    LinkImages(block.shapes, adapter.imageFiles, folder, drawing);
  return 0;
}

int32_t ReadDxfFile(const std::string& path, Drawing& drawing, std::string& error) {
  drawing = Drawing{};
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open";
    return -1;
  }
  std::ostringstream whole;
  whole << file.rdbuf();
  return ReadDxfText(whole.str(), FolderOf(path), drawing, error);
}

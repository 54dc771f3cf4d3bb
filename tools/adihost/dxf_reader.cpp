// Fills the drawing model from a DXF file: a first pass checks that the file
// is a well-formed text DXF and counts the entities this host cannot plot;
// dxflib then reads it and hands every entity to the adapter below.
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <numbers>
#include <set>
#include <sstream>

#include "tools/adihost/drawing.h"

namespace {

// Evaluating a spline costs the square of its degree per point; drawings use
// degrees up to a handful.
constexpr unsigned kMaxSplineDegree = 25;

// Entities the adapter turns into shapes, or that are never plotted (attribute
// definitions, viewports, the markers of blocks and polylines).
const std::set<std::string> kHandledEntities = {
    "LINE",   "LWPOLYLINE", "POLYLINE", "VERTEX", "SEQEND", "CIRCLE",  "ARC",  "ELLIPSE",
    "SPLINE", "POINT",      "SOLID",    "TRACE",  "HATCH",  "INSERT",  "TEXT", "MTEXT",
    "ATTRIB", "ATTDEF",     "IMAGE",    "BLOCK",  "ENDBLK", "VIEWPORT"};

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
  long code;
};
constexpr CountGroup kCountGroups[] = {
    {"LWPOLYLINE", 90}, {"SPLINE", 72}, {"SPLINE", 73}, {"SPLINE", 74}, {"LEADER", 76}};

// Real-valued group codes: coordinates, distances, scales and angles.
bool IsRealCode(long code) {
  return (code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
         (code >= 210 && code <= 239) || (code >= 460 && code <= 469) ||
         (code >= 1010 && code <= 1059);
}

// Integer-valued group codes: counts, flags, colours, weights and the like.
bool IsIntegerCode(long code) {
  return (code >= 60 && code <= 99) || (code >= 170 && code <= 179) ||
         (code >= 270 && code <= 299) || (code >= 370 && code <= 389) ||
         (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
         (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071);
}

// The groups a hatch boundary's edge cannot do without, by edge type (line,
// arc, ellipse, spline): dxflib takes an edge without them and hands over
// values it never set.
constexpr std::array<std::initializer_list<long>, 4> kHatchEdgeGroups = {{
    {10, 20, 11, 21},
    {10, 20, 40, 50, 51, 73},
    {10, 20, 11, 21, 40, 50, 51, 73},
    {94, 73, 74, 95, 96},
}};

// Follows a hatch's boundary edges group by group.
struct HatchEdges {
  bool polylineLoop = false;  // a polyline loop's 72 is a bulge flag, not an edge
  long type = 0;              // of the edge being read; 0 when none
  std::set<long> seen;

  // The group an edge ended without, or 0.
  long Feed(long code, const std::string& value) {
    const bool ends = code == 72 || code == 92 || code == 93 || code == 97 || code == 75 ||
                      code == 0 || code == 78 || code == 98;
    long missing = 0;
    if (ends && type >= 1 && type <= 4)
      for (long required : kHatchEdgeGroups[type - 1])
        if (missing == 0 && seen.count(required) == 0) missing = required;
    if (ends) type = 0, seen.clear();
    if (code == 92) polylineLoop = (std::atol(value.c_str()) & 2) != 0;
    if (code == 72 && !polylineLoop) type = std::atol(value.c_str());
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
int32_t CheckDxfText(const std::string& text, Drawing& drawing, std::string& error) {
  if (text.find('\0') != std::string::npos) {
    error = "not a text DXF file (binary DXF is not read)";
    return -1;
  }
  int64_t lines = 0;
  for (char c : text) lines += c == '\n';
  std::istringstream in(text);
  std::string codeLine, value, entity;
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
    char* end = nullptr;
    const long groupCode = std::strtol(code.c_str(), &end, 10);
    if (code.empty() || *end != '\0')
      return refuse(line, "group code expected, found '" + code.substr(0, 40) + "'");
    if (!std::getline(in, value))
      return refuse(line, "group code without a value (truncated file)");
    ++line;
    value = Trim(value);
    if (IsRealCode(groupCode) && !IsFiniteNumber(value))
      return refuse(line, "not a finite number: '" + value.substr(0, 40) + "'");
    // dxflib reads a blank or a word here as a value it never set.
    if (IsIntegerCode(groupCode) && (std::strtol(value.c_str(), &end, 10), end == value.c_str()))
      return refuse(line, "not a whole number: '" + value.substr(0, 40) + "'");
    for (const CountGroup& g : kCountGroups) {
      if (entity != g.entity || groupCode != g.code) continue;
      const long count = std::strtol(value.c_str(), &end, 10);
      if (count < 0 || count > (lines - line) / 2)
        return refuse(line, entity + " claims " + value.substr(0, 40) +
                                " items, more than the rest of the file holds");
    }
    if (entity == "HATCH") {
      if (const long missing = hatch.Feed(groupCode, value))
        return refuse(line, "HATCH edge without its group " + std::to_string(missing));
    }
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
      inEntities = Trim(name) == "ENTITIES" || Trim(name) == "BLOCKS";
    } else if (value == "ENDSEC") {
      inEntities = false;
    } else if (inEntities && kHandledEntities.count(value) == 0) {
      ++drawing.unsupported[value];
    }
  }
  if (!sawEof) {
    error = line == 0 ? "empty file" : "no end-of-file marker (truncated file?)";
    return -1;
  }
  return 0;
}

class DrawingAdapter : public DL_CreationAdapter {
 public:
  explicit DrawingAdapter(Drawing& d) : drawing(d) {}

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
  }
  void endBlock() override { block = nullptr; }

  void setVariableInt(const std::string& key, int value, int) override {
    // Drawing units: inches, feet, millimetres, centimetres, metres.
    static const std::map<int, double> kUnits = {{1, 25.4}, {2, 304.8}, {4, 1}, {5, 10}, {6, 1000}};
    if (key == "$INSUNITS" && kUnits.count(value)) drawing.unitMillimetres = kUnits.at(value);
    if (key == "$LWDEFAULT" && value >= 0) drawing.defaultWeight = value;
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
    Shape& s = Push(ShapeKind::Arc);
    s.centre = {d.cx, d.cy};
    s.radius = d.radius;
    s.start = d.angle1;
    s.end = d.angle2;
  }
  void addCircle(const DL_CircleData& d) override {
    Shape& s = Push(ShapeKind::Circle);
    s.centre = {d.cx, d.cy};
    s.radius = d.radius;
  }
  void addEllipse(const DL_EllipseData& d) override {
    Shape& s = Push(ShapeKind::Ellipse);
    s.centre = {d.cx, d.cy};
    s.majorAxis = {d.mx, d.my};
    s.ratio = d.ratio;
    s.start = d.angle1;
    s.end = d.angle2;
  }
  void addPolyline(const DL_PolylineData& d) override {
    if ((d.flags & (16 | 64)) != 0) {
      Unsupported("POLYLINE mesh");
      return;
    }
    Shape& s = Push(ShapeKind::Polyline);
    s.closed = (d.flags & 1) != 0;
    openPolyline = static_cast<int32_t>(Container().size()) - 1;
  }
  void addVertex(const DL_VertexData& d) override {
    if (openPolyline < 0) return;
    Container()[openPolyline].vertices.push_back({d.x, d.y, d.bulge});
  }
  void addSpline(const DL_SplineData& d) override {
    if (d.degree > kMaxSplineDegree) {
      openPolyline = openSpline = openHatch = -1;
      return Unsupported("SPLINE of degree above 25 (not plotted)");
    }
    Shape& s = Push(ShapeKind::Spline);
    s.degree = static_cast<int32_t>(d.degree);
    s.closed = (d.flags & 1) != 0;
    openSpline = static_cast<int32_t>(Container().size()) - 1;
  }
  void addKnot(const DL_KnotData& d) override {
    if (openSpline >= 0) Container()[openSpline].knots.push_back(d.k);
  }
  void addControlPoint(const DL_ControlPointData& d) override {
    if (openSpline < 0) return;
    Container()[openSpline].controls.push_back({d.x, d.y});
    Container()[openSpline].weights.push_back(d.w > 0 ? d.w : 1.0);
  }
  void addFitPoint(const DL_FitPointData& d) override {
    if (openSpline >= 0) Container()[openSpline].fitPoints.push_back({d.x, d.y});
  }
  void addSolid(const DL_SolidData& d) override { AddCorners(d); }
  void addTrace(const DL_TraceData& d) override { AddCorners(d); }

  void addInsert(const DL_InsertData& d) override {
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

  void addText(const DL_TextData& d) override {
    AddTextBox(d).note = "TEXT (drawn as its outline box)";
  }
  void addAttribute(const DL_AttributeData& d) override {
    AddTextBox(d).note = "ATTRIB (drawn as its outline box)";
  }
  void addMTextChunk(const std::string& text) override { mtextChunks += text; }
  void addMText(const DL_MTextData& d) override {
    const std::string text = mtextChunks + d.text;
    mtextChunks.clear();
    // Lines are separated by \P; formatting codes in braces are not counted.
    int32_t lines = 1, longest = 0, current = 0, depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text.compare(i, 2, "\\P") == 0) {
        ++lines;
        longest = std::max(longest, current);
        current = 0;
        ++i;
      } else if (text[i] == '{' || text[i] == '}') {
        depth += text[i] == '{' ? 1 : -1;
      } else if (text[i] == '\\' && i + 1 < text.size()) {
        const size_t semicolon = text.find(';', i);
        i = std::string("fFHWQACTp").find(text[i + 1]) != std::string::npos &&
                    semicolon != std::string::npos
                ? semicolon
                : i + 1;
      } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
        ++current;
      }
    }
    longest = std::max(longest, current);
    const double width = d.width > 0 ? d.width : longest * 0.6 * d.height;
    const double height =
        d.height * (1 + (lines - 1) * 1.667 * std::max(0.25, d.lineSpacingFactor));
    // Attachment 1..9: top, middle, bottom rows of left, centre, right.
    const int32_t column = (std::clamp(d.attachmentPoint, 1, 9) - 1) % 3;
    const int32_t row = (std::clamp(d.attachmentPoint, 1, 9) - 1) / 3;
    const double left = -width * column / 2.0;
    const double top = height * row / 2.0;
    double angle = d.angle;
    if (d.dirx != 0 || d.diry != 0) angle = std::atan2(d.diry, d.dirx);
    AddBox(d.ipx, d.ipy, left, top - height, width, height, angle).note =
        "MTEXT (drawn as its outline box)";
  }

  void addHatch(const DL_HatchData& d) override {
    Shape& s = Push(ShapeKind::Fill);
    s.patterned = !d.solid;
    if (s.patterned) Unsupported("HATCH with a pattern (drawn as its boundary)");
    openHatch = static_cast<int32_t>(Container().size()) - 1;
  }
  void addHatchLoop(const DL_HatchLoopData&) override {
    if (openHatch >= 0) Container()[openHatch].loops.emplace_back();
  }
  void addHatchEdge(const DL_HatchEdgeData& e) override {
    if (openHatch < 0 || Container()[openHatch].loops.empty()) return;
    std::vector<Shape>& loop = Container()[openHatch].loops.back();
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
  }
  void linkImage(const DL_ImageDefData& d) override { imageFiles[d.ref] = d.file; }

 private:
  Drawing& drawing;
  Block* block = nullptr;
  int32_t openPolyline = -1, openSpline = -1, openHatch = -1;
  std::string mtextChunks;

  static std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }

  std::vector<Shape>& Container() { return block ? block->shapes : drawing.shapes; }

  void Unsupported(const std::string& what) { ++drawing.unsupported[what]; }

  // A new shape with the entity's style; any open polyline, spline or hatch ends.
  Shape& Push(ShapeKind kind) {
    openPolyline = openSpline = openHatch = -1;
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
    // the others in their own plane, which a negative extrusion mirrors.
    const bool planar = kind != ShapeKind::Ellipse && kind != ShapeKind::Spline &&
                        kind != ShapeKind::Dot && !(kind == ShapeKind::Polyline && lineEntity);
    s.mirrored = planar && getExtrusion()->getDirection()[2] < 0;
    lineEntity = false;
    Container().push_back(s);
    return Container().back();
  }
  Shape scratch;
  bool lineEntity = false;

  void AddCorners(const DL_TraceData& d) {
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

  // A text as the box it covers: characters are taken as 0.6 of the height wide.
  Shape& AddTextBox(const DL_TextData& d) {
    int32_t characters = 0;
    for (unsigned char c : d.text)
      if ((c & 0xC0) != 0x80) ++characters;
    const double width = characters * 0.6 * d.height * (d.xScaleFactor > 0 ? d.xScaleFactor : 1);
    double x = d.ipx, y = d.ipy, left = 0, bottom = 0;
    if (d.hJustification != 0 || d.vJustification != 0) {
      x = d.apx;
      y = d.apy;
      if (d.hJustification == 1 || d.hJustification == 4) left = -width / 2;
      if (d.hJustification == 2) left = -width;
      if (d.hJustification == 3 || d.hJustification == 5) {
        // Aligned and fitted text spans from the insertion to the alignment point.
        const double dx = d.apx - d.ipx, dy = d.apy - d.ipy;
        return AddBox(d.ipx, d.ipy, 0, 0, std::hypot(dx, dy), d.height, std::atan2(dy, dx));
      }
      if (d.vJustification == 2 || d.hJustification == 4) bottom = -d.height / 2;
      if (d.vJustification == 3) bottom = -d.height;
    }
    return AddBox(x, y, left, bottom, width, d.height, d.angle);  // dxflib gives radians
  }

  Shape& AddBox(double x, double y, double left, double bottom, double width, double height,
                double radians) {
    Shape& s = Push(ShapeKind::Polyline);
    s.closed = true;
    const double c = std::cos(radians), n = std::sin(radians);
    for (auto [u, v] : {std::pair{left, bottom},
                        {left + width, bottom},
                        {left + width, bottom + height},
                        {left, bottom + height}})
      s.vertices.push_back({x + u * c - v * n, y + u * n + v * c, 0});
    return s;
  }
};

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
  if (CheckDxfText(text, drawing, error) < 0) return -1;
  DrawingAdapter adapter(drawing);
  DL_Dxf dxf;
  // dxflib takes an MTEXT angle in degrees, or in radians for files its own
  // old versions wrote, and knows which from a comment it otherwise leaves
  // unread: a file that has none is said to come from today's.
  std::istringstream stream("999\ndxflib 3.26.4.0\n" + text);
  if (!dxf.in(stream, &adapter)) {
    error = "cannot read";
    return -1;
  }
  LinkImages(drawing.shapes, adapter.imageFiles, folder, drawing);
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

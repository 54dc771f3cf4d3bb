// The DXF reader on arbitrary text, and what it read on into drawing
// requests: blocks expanded, curves flattened, the whole fitted to a sheet or
// placed at a scale and clipped. A file is either refused with a reason or
// read into a model of finite numbers that turns into requests that all lie
// on the sheet, with pens, line types and polygons the driver takes (no more
// vertices than the binary language counts), and that read back from their
// script as written.
// Nothing is opened: image files stay as the drawing names them and are
// served by /dev/null.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/adihost/drawing_writer.h"
#include "tools/adihost/dxf_reader.h"
#include "tools/adihost/polygon_pieces.h"
#include "tools/fuzz/fuzz_host.h"

namespace {

// 48 by 36 inches at the driver's 1016 units to the inch.
constexpr SheetArea kSheet{48, 36, 1016, 1016};

void NameNoFile(std::vector<Shape>& shapes) {
  for (Shape& s : shapes)
    if (s.kind == ShapeKind::Image && !s.file.empty()) s.file = "/dev/null";
}

void CheckOnSheet(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x > 48 * 1016 || y > 36 * 1016) FuzzBroken("a request off the sheet");
}

// The reader's promise: every number it puts into the model is finite.
bool AllFinite(const Shape& s) {
  const auto finite = [](std::initializer_list<double> values) {
    for (double v : values)
      if (!std::isfinite(v)) return false;
    return true;
  };
  bool ok = finite({s.centre.x, s.centre.y, s.radius, s.start, s.end, s.majorAxis.x, s.majorAxis.y,
                    s.ratio, s.scale.x, s.scale.y, s.angle, s.columnSpacing, s.rowSpacing, s.u.x,
                    s.u.y, s.v.x, s.v.y});
  for (const Vertex& v : s.vertices) ok = ok && finite({v.x, v.y, v.bulge});
  for (const Point& p : s.controls) ok = ok && finite({p.x, p.y});
  for (const Point& p : s.fitPoints) ok = ok && finite({p.x, p.y});
  for (double k : s.knots) ok = ok && finite({k});
  for (double w : s.weights) ok = ok && finite({w});
  for (const std::vector<Shape>& loop : s.loops)
    for (const Shape& edge : loop) ok = ok && AllFinite(edge);
  return ok;
}

void CheckFinite(const Drawing& drawing) {
  for (const Shape& s : drawing.shapes)
    if (!AllFinite(s)) FuzzBroken("a number read that is not finite");
  for (const auto& [name, block] : drawing.blocks) {
    if (!std::isfinite(block.base.x) || !std::isfinite(block.base.y))
      FuzzBroken("a block base that is not finite");
    for (const Shape& s : block.shapes)
      if (!AllFinite(s)) FuzzBroken("a number read that is not finite");
  }
}

void CheckRequest(const Request& r) {
  switch (r.kind) {
    case RequestKind::Move:
    case RequestKind::Draw:
      CheckOnSheet(r.x, r.y);
      break;
    case RequestKind::Pen:
      if (r.x < 1 || r.x > 255) FuzzBroken("a pen outside 1 to 255");
      break;
    case RequestKind::LineType:
      if (r.x < 0 || r.x > 7) FuzzBroken("a line type the driver has no pattern for");
      break;
    case RequestKind::Width:
      if (!std::isfinite(r.inches) || r.inches < 0) FuzzBroken("a pen width out of range");
      break;
    case RequestKind::Polygon:
      if (r.x < 1 || r.x > 255 || r.xy.size() % 2 != 0 || r.xy.size() < 6 ||
          r.xy.size() > 2 * kMaxPolygonVertices)
        FuzzBroken("a polygon the driver does not take");
      for (size_t i = 0; i < r.xy.size(); i += 2) CheckOnSheet(r.xy[i], r.xy[i + 1]);
      break;
    case RequestKind::Image:
      CheckOnSheet(r.x, r.y);
      CheckOnSheet(r.x2, r.y2);
      if (r.x2 < r.x || r.y2 < r.y) FuzzBroken("an image with its corners swapped");
      break;
    default:
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Drawing drawing;
  std::string error;
  if (ReadDxfText(text, "", drawing, error) < 0) {
    if (error.empty()) FuzzBroken("a DXF file refused without a reason");
    return 0;
  }
  CheckFinite(drawing);
  NameNoFile(drawing.shapes);
  for (auto& [name, block] : drawing.blocks) NameNoFile(block.shapes);
  // Every third input at 1:1, so that clipping is tried as much as fitting.
  Placement placement;
  placement.ratio = size % 3 == 0 ? 1 : 0;
  std::vector<Request> requests;
  std::map<std::string, int32_t> notes;
  if (WriteDrawingRequests(drawing, kSheet, placement, requests, notes, error) < 0) {
    if (error.empty()) FuzzBroken("a drawing refused without a reason");
    return 0;
  }
  for (const Request& r : requests) CheckRequest(r);
  const std::string script = FormatRequestScript(requests);
  std::vector<Request> again;
  if (ParseRequestScript(script, "", again, error) < 0 || FormatRequestScript(again) != script)
    FuzzBroken("a drawing's requests that do not read back from their script");
  return 0;
}

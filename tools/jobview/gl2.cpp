// HP-GL/2 as a plotter runs it: instructions move the pen in user units,
// scaling and rotation take them to plotter units of 1/1016 inch, and the pen,
// width, line type and line attributes in force when a stroke ends say how it
// prints.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "tools/jobview/gl2_state.h"
#include "vector/area_patterns.h"

namespace {

constexpr double kPlotterUnitsPerInch = 1016;
constexpr double kMmPerInch = 25.4;
constexpr double kDefaultWidthMm = 0.35;
// The printer halftones area fills in cells of this size.
constexpr double kFillCellInches = 1.0 / 400;
constexpr int32_t kMaxPens = 1024;

// The palette after IN: white, black, then the primaries and secondaries.
constexpr std::array<JobColour, 8> kDefaultPalette = {{
    {255, 255, 255},
    {0, 0, 0},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
}};

// The printer's fixed line types 1 to 8: percentages of the pattern length,
// drawn and blank by turns, drawn first.
struct LineTypePattern {
  uint8_t count;
  uint8_t segments[8];
};
constexpr std::array<LineTypePattern, 8> kLineTypes = {{
    {2, {0, 100}},
    {2, {50, 50}},
    {2, {70, 30}},
    {4, {80, 10, 0, 10}},
    {4, {70, 10, 10, 10}},
    {6, {50, 10, 10, 10, 10, 10}},
    {6, {70, 10, 0, 10, 0, 10}},
    {8, {50, 10, 0, 10, 10, 10, 0, 10}},
}};

// Ends (LA kind 1) and joins (LA kind 2) by their HP-GL/2 numbers.
constexpr std::array<LineCap, 5> kCaps = {LineCap::Butt, LineCap::Butt, LineCap::Square,
                                          LineCap::Triangle, LineCap::Round};
constexpr std::array<LineJoin, 7> kJoins = {LineJoin::Miter,    LineJoin::Miter, LineJoin::Miter,
                                            LineJoin::Triangle, LineJoin::Round, LineJoin::Bevel,
                                            LineJoin::Bevel};

double Param(const std::vector<double>& p, size_t i, double fallback) {
  return i < p.size() ? p[i] : fallback;
}

int32_t Clamp(double v, int32_t low, int32_t high) {
  if (!(v >= low)) return low;  // NaN too
  return v > high ? high : static_cast<int32_t>(v);
}

JobPoint SheetPlotterUnits(const Gl2State& s) {
  return {std::max(s.psLong, s.psShort), std::min(s.psLong, s.psShort)};
}

JobPoint UserToPlotter(const Gl2State& s, JobPoint u) {
  if (!s.scaled) return u;
  const double dx = s.xMax - s.xMin, dy = s.yMax - s.yMin;
  return {s.p1.x + (dx != 0 ? (u.x - s.xMin) * (s.p2.x - s.p1.x) / dx : 0),
          s.p1.y + (dy != 0 ? (u.y - s.yMin) * (s.p2.y - s.p1.y) / dy : 0)};
}

JobPoint PlotterToSheet(const Gl2State& s, JobPoint p) {
  const JobPoint sheet = SheetPlotterUnits(s);
  JobPoint r = p;
  if (s.rotation == 90) r = {sheet.x - p.y, p.x};
  if (s.rotation == 180) r = {sheet.x - p.x, sheet.y - p.y};
  if (s.rotation == 270) r = {p.y, sheet.y - p.x};
  return {r.x / kPlotterUnitsPerInch, r.y / kPlotterUnitsPerInch};
}

JobPoint ToSheet(const Gl2State& s, JobPoint u) {
  return PlotterToSheet(s, UserToPlotter(s, u));
}

void DefaultScaling(Gl2State& s) {
  const JobPoint sheet = SheetPlotterUnits(s);
  s.p1 = {0, 0};
  s.p2 = s.rotation == 90 || s.rotation == 270 ? JobPoint{sheet.y, sheet.x} : sheet;
}

void DefaultPens(Gl2State& s) {
  s.palette.assign(kDefaultPalette.begin(), kDefaultPalette.end());
  s.widthsMm.assign(s.palette.size(), kDefaultWidthMm);
  for (int k = 0; k < 3; ++k) s.rangeLow[k] = 0, s.rangeHigh[k] = 255;
}

void Initialize(Gl2State& s) {
  FlushStroke(s);
  DefaultPens(s);
  s.rotation = 0;
  DefaultScaling(s);
  s.scaled = false;
  s.pen = 0;
  s.cap = LineCap::Butt;
  s.join = LineJoin::Miter;
  s.lineType = 0;
  s.patternLength = 4;
  s.patternInMm = false;
  s.transparent = true;
  s.at = {0, 0};
  s.penDown = false;
  s.relative = false;
  s.polygonMode = false;
  s.polygon.clear();
  s.outlines.clear();
  s.windowed = false;
}

JobColour PenColour(const Gl2State& s) {
  return s.pen >= 0 && s.pen < static_cast<int32_t>(s.palette.size()) ? s.palette[s.pen]
                                                                      : JobColour{};
}

StrokeStyle CurrentStrokeStyle(const Gl2State& s) {
  StrokeStyle style;
  style.colour = PenColour(s);
  const size_t pen = static_cast<size_t>(s.pen);
  style.width = (pen < s.widthsMm.size() ? s.widthsMm[pen] : kDefaultWidthMm) / kMmPerInch;
  style.cap = s.cap;
  style.join = s.join;
  const int32_t type = std::abs(s.lineType);
  if (type >= 1 && type <= 8) {
    const double diagonal = std::hypot(s.p2.x - s.p1.x, s.p2.y - s.p1.y) / kPlotterUnitsPerInch;
    const double length =
        s.patternInMm ? s.patternLength / kMmPerInch : s.patternLength / 100 * diagonal;
    const LineTypePattern& p = kLineTypes[type - 1];
    for (int32_t k = 0; k < p.count; ++k) style.dashes.push_back(p.segments[k] / 100.0 * length);
  }
  return style;
}

// Vectors print only inside the input window.
void AddVectorItem(Gl2State& s, JobItem&& item) {
  item.clipped = s.windowed;
  item.clipLow = s.windowLow;
  item.clipHigh = s.windowHigh;
  s.picture->items.push_back(std::move(item));
}

void InputWindow(Gl2State& s, const std::vector<double>& p) {
  s.windowed = p.size() >= 4;
  if (!s.windowed) return;
  const JobPoint a = ToSheet(s, {p[0], p[1]}), b = ToSheet(s, {p[2], p[3]});
  s.windowLow = {std::min(a.x, b.x), std::min(a.y, b.y)};
  s.windowHigh = {std::max(a.x, b.x), std::max(a.y, b.y)};
}

void AddPenPoint(Gl2State& s, JobPoint sheetPoint) {
  if (s.polygonMode) {
    s.polygon.push_back(sheetPoint);
    return;
  }
  if (s.pen == 0) return;  // no pen: nothing prints
  s.stroke.push_back(sheetPoint);
}

// Moves the pen to a point in user units, drawing when the pen is down.
void MovePen(Gl2State& s, JobPoint to, bool down) {
  const JobPoint from = ToSheet(s, s.at);
  s.at = to;
  if (!down) {
    FlushStroke(s);
    if (s.polygonMode) {
      if (!s.polygon.empty()) s.outlines.push_back(static_cast<uint32_t>(s.polygon.size()));
      s.polygon.push_back(ToSheet(s, to));
    }
    return;
  }
  if (s.polygonMode ? s.polygon.empty() : s.stroke.empty()) AddPenPoint(s, from);
  AddPenPoint(s, ToSheet(s, to));
}

void MoveByPairs(Gl2State& s, const std::vector<double>& p, bool down) {
  for (size_t i = 0; i + 1 < p.size(); i += 2) {
    const JobPoint to =
        s.relative ? JobPoint{s.at.x + p[i], s.at.y + p[i + 1]} : JobPoint{p[i], p[i + 1]};
    MovePen(s, to, down);
  }
}

void FillPolygon(Gl2State& s) {
  FlushStroke(s);
  if (s.polygon.size() < 3 || s.pen == 0) return;
  FillStyle style;
  const JobColour c = PenColour(s);
  if (c.red == c.green && c.green == c.blue) {
    style.pattern = AreaPatternOf(c.red);
  } else {
    style.colour = c;
    style.pattern.fill(0xFFFF);
  }
  style.cell = kFillCellInches;
  style.opaque = !s.transparent;
  JobItem item;
  item.kind = ItemKind::Fill;
  item.style = FillStyleIndex(*s.picture, style);
  item.points = s.polygon;
  item.outlines = s.outlines;
  AddVectorItem(s, std::move(item));
}

void EdgePolygon(Gl2State& s) {
  FlushStroke(s);
  size_t start = 0;
  for (size_t k = 0; k <= s.outlines.size(); ++k) {
    const size_t end = k < s.outlines.size() ? s.outlines[k] : s.polygon.size();
    s.stroke.assign(s.polygon.begin() + static_cast<std::ptrdiff_t>(start),
                    s.polygon.begin() + static_cast<std::ptrdiff_t>(end));
    if (!s.stroke.empty()) s.stroke.push_back(s.stroke.front());
    FlushStroke(s);
    start = end;
  }
}

void PolygonMode(Gl2State& s, int32_t mode) {
  FlushStroke(s);
  if (mode == 0) {
    s.polygonMode = true;
    s.polygon.assign(1, ToSheet(s, s.at));
    s.outlines.clear();
  } else if (mode == 1 && s.polygonMode) {
    s.outlines.push_back(static_cast<uint32_t>(s.polygon.size()));
    s.polygon.push_back(ToSheet(s, s.at));
  } else if (mode == 2) {
    s.polygonMode = false;
  }
}

void SetPaletteSize(Gl2State& s, double count) {
  const int32_t n = Clamp(count, 2, kMaxPens);
  const size_t old = s.palette.size();
  s.palette.resize(static_cast<size_t>(n));
  for (size_t i = old; i < s.palette.size(); ++i) s.palette[i] = JobColour{};
  s.widthsMm.resize(static_cast<size_t>(n), kDefaultWidthMm);
}

uint8_t InRange(const Gl2State& s, int32_t k, double v) {
  const double span = s.rangeHigh[k] - s.rangeLow[k];
  const double level = span != 0 ? (v - s.rangeLow[k]) / span * 255 : 0;
  return static_cast<uint8_t>(Clamp(std::round(level), 0, 255));
}

void PenColourInstruction(Gl2State& s, const std::vector<double>& p) {
  const int32_t pen = Clamp(Param(p, 0, 0), 0, static_cast<int32_t>(s.palette.size()) - 1);
  if (p.size() < 4) {
    s.palette[pen] =
        pen < static_cast<int32_t>(kDefaultPalette.size()) ? kDefaultPalette[pen] : JobColour{};
    return;
  }
  s.palette[pen] = {InRange(s, 0, p[1]), InRange(s, 1, p[2]), InRange(s, 2, p[3])};
}

void PenWidth(Gl2State& s, const std::vector<double>& p) {
  const double mm = std::clamp(Param(p, 0, kDefaultWidthMm), 0.0, 1000.0);
  if (p.size() >= 2) {
    const int32_t pen = Clamp(p[1], 0, static_cast<int32_t>(s.widthsMm.size()) - 1);
    s.widthsMm[pen] = mm;
  } else {
    std::fill(s.widthsMm.begin(), s.widthsMm.end(), mm);
  }
}

int32_t LineType(Gl2State& s, const std::vector<double>& p) {
  if (p.empty()) {
    s.lineType = 0;
    return 0;
  }
  const int32_t type = Clamp(p[0], -8, 8);
  if (type != p[0] || type == 0) return -1;
  s.lineType = type;
  s.patternLength = std::clamp(Param(p, 1, 4), 0.0, 1000.0);
  s.patternInMm = Param(p, 2, 0) == 1;
  return 0;
}

void LineAttributes(Gl2State& s, const std::vector<double>& p) {
  if (p.empty()) {
    s.cap = LineCap::Butt;
    s.join = LineJoin::Miter;
  }
  for (size_t i = 0; i + 1 < p.size(); i += 2) {
    if (p[i] == 1) s.cap = kCaps[Clamp(p[i + 1], 0, 4)];
    if (p[i] == 2) s.join = kJoins[Clamp(p[i + 1], 0, 6)];
  }
}

void PlotSize(Gl2State& s, const std::vector<double>& p) {
  if (p.empty()) return;
  const double first = std::clamp(p[0], 0.0, 1e8);
  const double second = std::clamp(Param(p, 1, first), 0.0, 1e8);
  s.psLong = first;
  s.psShort = second;
  s.sheetKnown = first > 0 && second > 0;
  DefaultScaling(s);
}

void InputPoints(Gl2State& s, const std::vector<double>& p) {
  if (p.size() < 2) {
    DefaultScaling(s);
    return;
  }
  const JobPoint size{s.p2.x - s.p1.x, s.p2.y - s.p1.y};
  s.p1 = {p[0], p[1]};
  s.p2 = p.size() >= 4 ? JobPoint{p[2], p[3]} : JobPoint{p[0] + size.x, p[1] + size.y};
  const JobPoint low = PlotterToSheet(s, s.p1), high = PlotterToSheet(s, s.p2);
  s.picture->usableLow = {std::min(low.x, high.x), std::min(low.y, high.y)};
  s.picture->usableHigh = {std::max(low.x, high.x), std::max(low.y, high.y)};
}

int32_t Scale(Gl2State& s, const std::vector<double>& p) {
  if (p.size() < 4) {
    s.scaled = false;
    return 0;
  }
  s.scaled = true;
  s.xMin = p[0], s.xMax = p[1], s.yMin = p[2], s.yMax = p[3];
  return Param(p, 4, 0) == 0 ? 0 : -1;  // isotropic and point-factor scaling are drawn anisotropic
}

int32_t Rotate(Gl2State& s, const std::vector<double>& p) {
  const int32_t angle = Clamp(Param(p, 0, 0), 0, 270);
  if (angle % 90 != 0) return -1;
  s.rotation = angle;
  DefaultScaling(s);
  return 0;
}

// Decodes one polyline-encoded number; false when the instruction ends first.
bool EncodedNumber(const uint8_t* job, size_t size, size_t& at, bool sevenBit, double& value) {
  uint64_t u = 0;
  int32_t shift = 0;
  const int32_t bits = sevenBit ? 5 : 6;
  while (at < size) {
    const uint8_t c = job[at];
    if (c < 63 || c == ';' || c == 0x1B) return false;
    ++at;
    const bool terminal = sevenBit ? c >= 95 && c <= 126 : c >= 191 && c <= 254;
    const bool digit = sevenBit ? c >= 63 && c <= 94 : c >= 63 && c <= 126;
    if (!terminal && !digit) continue;
    const uint64_t d = terminal ? c - (sevenBit ? 95 : 191) : c - 63;
    if (shift < 48) u |= d << shift;
    shift += bits;
    if (terminal) {
      const double magnitude = static_cast<double>(u >> 1);
      value = (u & 1) != 0 ? -magnitude : magnitude;
      return true;
    }
  }
  return false;
}

}  // namespace

void ResetGl2(Gl2State& s, JobPicture& picture) {
  s = Gl2State{};
  s.picture = &picture;
  Initialize(s);
}

void FlushStroke(Gl2State& s) {
  if (s.stroke.size() >= 2) {
    JobItem item;
    item.kind = ItemKind::Stroke;
    item.style = StrokeStyleIndex(*s.picture, CurrentStrokeStyle(s));
    item.points = std::move(s.stroke);
    AddVectorItem(s, std::move(item));
  }
  s.stroke.clear();
}

JobPoint PenOnSheet(const Gl2State& s) {
  return ToSheet(s, s.at);
}

void RasterAxes(const Gl2State& s, double dot, JobPoint& pixelStep, JobPoint& rowStep) {
  // Rows follow the paper: along x when the sheet's length lies along x (the
  // first PS value the larger), else along y with the dots running back
  // across x.
  if (s.psLong >= s.psShort) {
    pixelStep = {0, dot};
    rowStep = {dot, 0};
  } else {
    pixelStep = {-dot, 0};
    rowStep = {0, dot};
  }
}

void FinishGl2(Gl2State& s) {
  FlushStroke(s);
  JobPicture& pic = *s.picture;
  if (s.sheetKnown) {
    const JobPoint sheet = SheetPlotterUnits(s);
    pic.sheet = {sheet.x / kPlotterUnitsPerInch, sheet.y / kPlotterUnitsPerInch};
    if (pic.usableHigh.x <= pic.usableLow.x || pic.usableHigh.y <= pic.usableLow.y) {
      pic.usableLow = {0, 0};
      pic.usableHigh = pic.sheet;
    }
  } else {
    FitSheetToContent(pic);
  }
}

namespace {

using Params = std::vector<double>;
constexpr int32_t Is(const char (&n)[3]) {
  return n[0] << 8 | n[1];
}
// A group's answer for an instruction that is not one of its own.
constexpr int32_t kNotInGroup = 1;

// Pen motion: up or down, absolute or relative.
int32_t RunMotion(Gl2State& s, int32_t code, const Params& p) {
  switch (code) {
    case Is("PU"):
    case Is("PD"):
      s.penDown = code == Is("PD");
      if (!s.penDown) FlushStroke(s);
      MoveByPairs(s, p, s.penDown);
      return 0;
    case Is("PA"):
    case Is("PR"):
      s.relative = code == Is("PR");
      MoveByPairs(s, p, s.penDown);
      return 0;
    default:
      return kNotInGroup;
  }
}

// The plotter's frame: initialisation, sheet, scaling points, scale,
// rotation, input window.
int32_t RunFrame(Gl2State& s, int32_t code, const Params& p) {
  switch (code) {
    case Is("IN"):
      Initialize(s);
      return 0;
    case Is("PS"):
      PlotSize(s, p);
      return 0;
    case Is("IP"):
      InputPoints(s, p);
      return 0;
    case Is("SC"):
      return Scale(s, p);
    case Is("RO"):
      return Rotate(s, p);
    case Is("IW"):
      InputWindow(s, p);
      return 0;
    default:
      return kNotInGroup;
  }
}

// Pens and how lines print: selection, palette, colours, width, line type
// and line attributes.
int32_t RunPenSettings(Gl2State& s, int32_t code, const Params& p) {
  switch (code) {
    case Is("SP"):
      s.pen = Clamp(Param(p, 0, 0), 0, static_cast<int32_t>(s.palette.size()) - 1);
      return 0;
    case Is("NP"):
      SetPaletteSize(s, Param(p, 0, 8));
      return 0;
    case Is("CR"):
      for (int k = 0; k < 3; ++k) {
        s.rangeLow[k] = Param(p, 2 * k, 0);
        s.rangeHigh[k] = Param(p, 2 * k + 1, 255);
      }
      return 0;
    case Is("PC"):
      PenColourInstruction(s, p);
      return 0;
    case Is("PW"):
      PenWidth(s, p);
      return 0;
    case Is("LT"):
      return LineType(s, p);
    case Is("LA"):
      LineAttributes(s, p);
      return 0;
    default:
      return kNotInGroup;
  }
}

// Polygon mode, fills and edges, transparency.
int32_t RunAreaFill(Gl2State& s, int32_t code, const Params& p) {
  switch (code) {
    case Is("PM"):
      PolygonMode(s, Clamp(Param(p, 0, 0), 0, 2));
      return 0;
    case Is("FP"):
      FillPolygon(s);
      return 0;
    case Is("EP"):
      EdgePolygon(s);
      return 0;
    case Is("TR"):
      s.transparent = Param(p, 0, 1) != 0;
      return 0;
    case Is("RF"):
      return p.empty() ? 0 : -1;  // user fill patterns are not drawn
    default:
      return kNotInGroup;
  }
}

// Job set-up that puts nothing on the sheet: plot begin and label, media,
// manual output, page advance.
bool IsJobSetUp(int32_t code) {
  return code == Is("BP") || code == Is("MT") || code == Is("XF") || code == Is("PG");
}

}  // namespace

int32_t RunInstruction(Gl2State& s, const char* name, const std::vector<double>& p) {
  const int32_t code = name[0] << 8 | name[1];
  const bool motion = code == Is("PU") || code == Is("PD") || code == Is("PA") || code == Is("PR");
  if (!motion) FlushStroke(s);
  for (const auto run : {RunMotion, RunFrame, RunPenSettings, RunAreaFill}) {
    const int32_t result = run(s, code, p);
    if (result != kNotInGroup) return result;
  }
  return IsJobSetUp(code) ? 0 : -1;
}

int32_t ReadPolylineEncoded(Gl2State& s, const uint8_t* job, size_t size, size_t& at) {
  FlushStroke(s);
  bool sevenBit = false, penUp = false, absolute = false;
  int32_t fractionBits = 0;
  bool haveX = false;
  double x = 0;
  while (at < size && job[at] != ';' && job[at] != 0x1B) {
    const uint8_t c = job[at];
    if (c < 63) {
      ++at;
      double v = 0;
      if (c == '7') sevenBit = true;
      if (c == '<') penUp = true;
      if (c == '=') absolute = true;
      if (c == '>' && EncodedNumber(job, size, at, sevenBit, v)) fractionBits = Clamp(v, 0, 26);
      if (c == ':' && EncodedNumber(job, size, at, sevenBit, v)) {
        FlushStroke(s);
        s.pen = Clamp(v, 0, static_cast<int32_t>(s.palette.size()) - 1);
      }
      continue;
    }
    double v = 0;
    if (!EncodedNumber(job, size, at, sevenBit, v)) continue;
    v = std::ldexp(v, -fractionBits);
    if (!haveX) {
      x = v;
      haveX = true;
      continue;
    }
    haveX = false;
    const JobPoint to = absolute ? JobPoint{x, v} : JobPoint{s.at.x + x, s.at.y + v};
    if (penUp) FlushStroke(s);
    MovePen(s, to, !penUp);
    penUp = absolute = false;
  }
  if (at < size && job[at] == ';') ++at;
  return 0;
}

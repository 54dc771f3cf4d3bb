#include "tools/adihost/dxf_groups.h"

#include <cstdlib>
#include <sstream>

namespace {

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

double Real(const std::string& v) {
  std::string t = v;
  for (char& c : t)
    if (c == ',') c = '.';
  return std::strtod(t.c_str(), nullptr);
}

// A polyline's widths: 43 for the whole of a lightweight one, 40 and 41
// after each of its vertices; a POLYLINE's 40 and 41 are its vertices'
// defaults, which each VERTEX's own may change.
void FeedPolyline(PolylineWidths& p, const std::string& entity, int32_t code, double v) {
  if (entity == "POLYLINE") {
    if (code == 40) p.defaultStart = v;
    if (code == 41) p.defaultEnd = v;
    return;
  }
  if (entity == "VERTEX" && code == 0) p.widths.emplace_back(p.defaultStart, p.defaultEnd);
  if (entity == "LWPOLYLINE" && code == 10) p.widths.emplace_back(p.defaultStart, p.defaultEnd);
  if (entity == "LWPOLYLINE" && code == 43) {
    p.defaultStart = p.defaultEnd = v;
    for (auto& w : p.widths) w = {v, v};
  }
  if (p.widths.empty()) return;
  if (code == 40) p.widths.back().first = v;
  if (code == 41) p.widths.back().second = v;
}

// The pattern lines follow group 78, each from its angle (53) on.
void FeedHatch(HatchGroups& h, int32_t code, const std::string& value, bool& inPattern) {
  const double v = Real(value);
  if (code == 2) h.name = value;
  if (code == 52 && !inPattern) h.angle = v;
  if (code == 41) h.scale = v;
  if (code == 77) h.twice = v != 0;
  if (code == 78) inPattern = true;
  if (code == 47 || code == 98) inPattern = false;
  if (!inPattern) return;
  if (code == 53) h.lines.emplace_back().angle = v;
  if (h.lines.empty()) return;
  PatternLine& l = h.lines.back();
  if (code == 43) l.base.x = v;
  if (code == 44) l.base.y = v;
  if (code == 45) l.offset.x = v;
  if (code == 46) l.offset.y = v;
  if (code == 49) l.dashes.push_back(v);
}

void FeedImage(ImageClip& c, int32_t code, double v) {
  if (code == 280) c.on = v != 0;
  if (code == 71) c.type = static_cast<int32_t>(v);
  if (code == 14) c.vertices.push_back({v, 0});
  if (code == 24 && !c.vertices.empty()) c.vertices.back().y = v;
}

}  // namespace

void ScanEntityGroups(const std::string& text, EntityGroups& groups) {
  std::istringstream in(text);
  std::string codeLine, value, entity, section;
  bool inPattern = false;
  while (std::getline(in, codeLine) && std::getline(in, value)) {
    const int32_t code = static_cast<int32_t>(std::strtol(codeLine.c_str(), nullptr, 10));
    value = Trim(value);
    if (code == 0) {
      entity = value;
      inPattern = false;
      if (section != "ENTITIES" && section != "BLOCKS") {
      } else if (entity == "LWPOLYLINE" || entity == "POLYLINE") {
        groups.polylines.emplace_back().lightweight = entity == "LWPOLYLINE";
      } else if (entity == "DIMENSION") {
        groups.dimensionBlocks.emplace_back();
      } else if (entity == "HATCH") {
        groups.hatches.emplace_back();
      } else if (entity == "IMAGE") {
        groups.imageClips.emplace_back();
      }
    }
    if (entity == "SECTION" && code == 2) section = value;
    if (entity == "ENDSEC") section.clear();
    if (section != "ENTITIES" && section != "BLOCKS") continue;
    if ((entity == "LWPOLYLINE" || entity == "POLYLINE" || entity == "VERTEX") &&
        !groups.polylines.empty()) {
      PolylineWidths& p = groups.polylines.back();
      FeedPolyline(p, entity, code, Real(value));
      if ((code == 40 || code == 41 || code == 43) && Real(value) != 0) p.any = true;
    } else if (entity == "DIMENSION" && code == 2) {
      groups.dimensionBlocks.back() = value;
    } else if (entity == "HATCH") {
      FeedHatch(groups.hatches.back(), code, value, inPattern);
    } else if (entity == "IMAGE") {
      FeedImage(groups.imageClips.back(), code, Real(value));
    }
  }
}

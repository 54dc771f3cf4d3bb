#pragma once
// What dxflib reads but does not hand over, taken from the file's groups in
// a pass of their own: polyline widths, the block a dimension is drawn from,
// a hatch's pattern lines, an image's clip boundary. Each list holds its
// entities in file order (the ENTITIES and BLOCKS sections), the order in
// which dxflib reports them.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/drawing.h"

struct PolylineWidths {
  bool lightweight = false;  // LWPOLYLINE; else POLYLINE with its VERTEX entities
  bool any = false;          // some width is not zero
  std::vector<std::pair<double, double>> widths;  // start and end, per vertex
  double defaultStart = 0, defaultEnd = 0;
};

struct HatchGroups {
  std::string name;
  double angle = 0, scale = 1;  // degrees; of the pattern as a whole
  bool twice = false;           // a user pattern drawn again crosswise
  std::vector<PatternLine> lines;
};

struct ImageClip {
  bool on = false;
  int32_t type = 1;  // 1 rectangle, 2 polygon
  std::vector<Point> vertices;
};

struct EntityGroups {
  std::vector<PolylineWidths> polylines;
  std::vector<std::string> dimensionBlocks;
  std::vector<HatchGroups> hatches;
  std::vector<ImageClip> imageClips;
  // How many of each the reader has taken.
  size_t polylinesTaken = 0, dimensionsTaken = 0, hatchesTaken = 0, imagesTaken = 0;
};

// The text has passed the reader's checks: group codes and values alternate
// and numbers are numbers.
void ScanEntityGroups(const std::string& text, EntityGroups& groups);

#pragma once
// Turns the drawing model into drawing requests for a plot area: blocks are
// expanded with their transforms, BYLAYER and BYBLOCK resolved, curves
// flattened to within a quarter of a host unit, and the whole fitted to the
// area with its proportions kept (or placed at a given scale and clipped).
#include <map>
#include <string>
#include <vector>

#include "tools/host/conversation.h"
#include "tools/adihost/drawing.h"
#include "tools/adihost/request_script.h"

struct Placement {
  double ratio = 0;  // 0: fit to the area; N: plot at 1:N (drawing units by the file's units)
};

// Appends the requests; what could not be plotted is counted into `notes`.
// 0, or -1 with `error` saying why the drawing cannot be plotted at all (it
// expands past what the host will send, or past the range of numbers).
int32_t WriteDrawingRequests(const Drawing& drawing, const SheetArea& area,
                             const Placement& placement, std::vector<Request>& requests,
                             std::map<std::string, int32_t>& notes, std::string& error);

// The driver's line type for a linetype name: 0 solid, 1 to 7 the patterns of
// the driver's legend; -1 for a name it has no pattern for.
int32_t LineTypeFor(const std::string& name);

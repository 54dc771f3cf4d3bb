#pragma once
// What adihost plots: a DXF drawing or a request script, from a file or from
// standard input, read whole before anything is written.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/adihost/request_script.h"
#if defined(ADIHOST_WITH_DXF)
#include "tools/adihost/drawing.h"
#endif

struct PlotInput {
  bool isDxf = false;
  std::vector<Request> requests;  // a script's requests
#if defined(ADIHOST_WITH_DXF)
  Drawing drawing;
#endif
};

// Reads `path` ("-": standard input, a DXF drawing when its text starts as
// one). 0, or -1 with the reason in `error` (not prefixed with the name).
int32_t ReadPlotInput(const std::string& path, PlotInput& input, std::string& error);

// True when the requests put anything on the sheet: a line, a fill or an image.
bool PlotsAnything(const std::vector<Request>& requests);

// Writes the request script, with every image converted to netpbm beside it.
// 0, or -1 with the reason.
int32_t DumpRequests(const std::string& path, std::vector<Request> requests, std::string& error);

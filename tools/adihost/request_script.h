#pragma once
// The plain-text request script: one drawing request per line, in host units,
// for exact and reproducible plots. Every input adihost reads becomes such a
// list before it is played, so a drawing can be written out as a script
// (--dump-requests) and played again, by either build, to the same bytes.
//
//   # comment                      blank lines and comments are skipped
//   move X Y | draw X Y | lift     pen motion (requests 3, 4, 8)
//   pen N | linetype N             pen and line type (5, 7)
//   linetypes N                    number of line types honoured (36)
//   width INCHES                   pen width (41)
//   polygon PEN X Y X Y ...        filled polygon by address (54)
//   polygon-inline PEN X Y ...     filled polygon inside the packet (33)
//   image X1 Y1 X2 Y2 [index N] [transparent] [frame X Y UX UY VX VY] FILE
//                                  raster image (52) placed on the drawing;
//                                  FILE (PNG, JPEG, TIFF or netpbm) is the rest of the
//                                  line, relative to the script's folder; a
//                                  frame turns, mirrors or skews it (its
//                                  lower left corner, bottom and left edges)
#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/host_kernel.h"
#include "tools/host/image_host.h"

enum class RequestKind {
  Move,
  Draw,
  Lift,
  Pen,
  LineType,
  LineTypes,
  Width,
  Polygon,
  PolygonInline,
  Image
};

struct Request {
  RequestKind kind = RequestKind::Move;
  int32_t x = 0, y = 0;      // point, or the value of pen, line type and line types
  double inches = 0;         // width
  std::vector<uint16_t> xy;  // polygon: pen in x, vertices here
  int32_t x2 = 0, y2 = 0;    // image: the far corner
  int32_t colourIndex = 7;   // image: colour of a two-level image's set pixels
  bool transparent = false;  // image: white stays see-through (besides the file's alpha)
  std::string file;          // image
  ImageFrame frame;          // image: where a turned one lies, in host units
  int32_t line = 0;          // where it came from, for messages
};

// The most vertices a polygon inside the packet can carry.
constexpr size_t kInlinePolygonLimit = 1000;

// Parses a script. 0, or -1 with `error` saying "line N: ..." for the first
// line that is not a request.
int32_t ParseRequestScript(const std::string& text, const std::string& folder,
                           std::vector<Request>& requests, std::string& error);
// The script of a request list. Image files are named as they stand.
std::string FormatRequestScript(const std::vector<Request>& requests);

// Plays the list between begin and end of plot. Returns the index of the
// request the driver refused (status 0xFFFF) or whose image could not be
// read, -1 when all went through; `error` says why.
int32_t PlayRequests(const DriverLink& d, const std::vector<Request>& requests, std::string& error);
const char* RequestName(RequestKind kind);

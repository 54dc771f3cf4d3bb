#include "tools/adihost/request_script.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "host/protocol.h"
#include "tools/adihost/raster_file.h"
#include "tools/host/image_host.h"

namespace {

// The script's words and the requests they stand for, with the number of
// numbers each takes after the word (-1: a list).
struct RequestWord {
  const char* word;
  RequestKind kind;
  int32_t numbers;
};
constexpr RequestWord kRequestWords[] = {
    {"move", RequestKind::Move, 2},
    {"draw", RequestKind::Draw, 2},
    {"lift", RequestKind::Lift, 0},
    {"pen", RequestKind::Pen, 1},
    {"linetype", RequestKind::LineType, 1},
    {"linetypes", RequestKind::LineTypes, 1},
    {"width", RequestKind::Width, 1},
    {"polygon", RequestKind::Polygon, -1},
    {"polygon-inline", RequestKind::PolygonInline, -1},
    {"image", RequestKind::Image, 4},
};

bool ParseInteger(const std::string& word, int64_t low, int64_t high, int32_t& value) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || errno != 0 || v < low || v > high) return false;
  value = static_cast<int32_t>(v);
  return true;
}

// The words of a line with where each starts, since an image's file name is
// the rest of the line, blanks and all.
void SplitWords(const std::string& line, std::vector<std::string>& words,
                std::vector<size_t>& starts) {
  for (size_t at = 0; (at = line.find_first_not_of(" \t\r", at)) != std::string::npos;) {
    const size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
    starts.push_back(at);
    words.push_back(line.substr(at, end - at));
    at = end;
  }
}

// image X1 Y1 X2 Y2 [index N] [transparent] [frame X Y UX UY VX VY] FILE
int32_t ParseImage(const std::string& line, const std::vector<std::string>& words,
                   const std::vector<size_t>& starts, const std::string& folder, Request& r,
                   std::string& error) {
  size_t at = 0;
  int32_t* corners[] = {&r.x, &r.y, &r.x2, &r.y2};
  for (int32_t* c : corners) {
    if (at >= words.size() || !ParseInteger(words[at], 0, 65535, *c))
      return error = "image takes X1 Y1 X2 Y2 [index N] [transparent] [frame X Y UX UY VX VY] FILE",
             -1;
    ++at;
  }
  if (at + 1 < words.size() && words[at] == "index") {
    if (!ParseInteger(words[at + 1], 0, 7, r.colourIndex))
      return error = "image index must be 0 to 7", -1;
    at += 2;
  }
  if (at < words.size() && words[at] == "transparent") {
    r.transparent = true;
    ++at;
  }
  if (at < words.size() && words[at] == "frame") {
    if (at + 7 >= words.size())
      return error = "image frame takes X Y UX UY VX VY, then the file", -1;
    double* values[] = {&r.frame.x, &r.frame.y, &r.frame.ux, &r.frame.uy, &r.frame.vx, &r.frame.vy};
    for (double* v : values) {
      char* end = nullptr;
      *v = std::strtod(words[++at].c_str(), &end);
      if (*end != '\0' || !std::isfinite(*v) || std::fabs(*v) > 1e9)
        return error = "bad image frame value '" + words[at] + "'", -1;
    }
    if (r.frame.ux * r.frame.vy - r.frame.vx * r.frame.uy == 0)
      return error = "image frame without an area", -1;
    r.frame.given = true;
    ++at;
  }
  // The file name is the rest of the line, blanks and all.
  if (at >= words.size()) return error = "image without a file", -1;
  r.file = line.substr(starts[at]);
  while (r.file.back() == ' ' || r.file.back() == '\r' || r.file.back() == '\t') r.file.pop_back();
  if (!folder.empty() && r.file[0] != '/') r.file = folder + "/" + r.file;
  return 0;
}

// The numbers of a request that takes only numbers: a point, a value, or a
// polygon's pen and vertices.
int32_t ParseNumbers(const RequestWord& found, const std::vector<std::string>& words, Request& r,
                     std::string& error) {
  if (found.numbers >= 0 && words.size() != static_cast<size_t>(found.numbers))
    return error = std::string(found.word) + " takes " + std::to_string(found.numbers) + " number" +
                   (found.numbers == 1 ? "" : "s"),
           -1;
  std::vector<int32_t> numbers;
  for (const std::string& w : words) {
    int32_t v;
    if (!ParseInteger(w, 0, 65535, v))
      return error = "'" + w + "' is not a number from 0 to 65535", -1;
    numbers.push_back(v);
  }
  if (r.kind == RequestKind::Polygon || r.kind == RequestKind::PolygonInline) {
    if (numbers.size() < 5 || numbers.size() % 2 == 0)
      return error = "polygon takes a pen and at least two X Y pairs", -1;
    if (r.kind == RequestKind::PolygonInline && numbers.size() / 2 > kInlinePolygonLimit)
      return error = "polygon-inline holds at most 1000 vertices", -1;
    if (numbers.size() / 2 > 32767) return error = "polygon holds at most 32767 vertices", -1;
    r.x = numbers[0];
    r.xy.assign(numbers.begin() + 1, numbers.end());
    return 0;
  }
  if (!numbers.empty()) r.x = numbers[0];
  if (numbers.size() > 1) r.y = numbers[1];
  return 0;
}

int32_t ParseLine(const std::string& line, const std::string& folder, Request& r,
                  std::string& error) {
  std::vector<std::string> words;
  std::vector<size_t> starts;
  SplitWords(line, words, starts);
  const std::string word = words.empty() ? "" : words.front();
  words.erase(words.begin());
  starts.erase(starts.begin());
  const RequestWord* found = nullptr;
  for (const RequestWord& w : kRequestWords)
    if (word == w.word) found = &w;
  if (found == nullptr) return error = "unknown request '" + word + "'", -1;
  r.kind = found->kind;
  if (r.kind == RequestKind::Image) return ParseImage(line, words, starts, folder, r, error);
  if (r.kind != RequestKind::Width) return ParseNumbers(*found, words, r, error);
  char* end = nullptr;
  if (words.size() != 1) return error = "width takes one number (inches)", -1;
  r.inches = std::strtod(words[0].c_str(), &end);
  if (*end != '\0' || !std::isfinite(r.inches)) return error = "bad width '" + words[0] + "'", -1;
  return 0;
}

}  // namespace

const char* RequestName(RequestKind kind) {
  for (const RequestWord& w : kRequestWords)
    if (w.kind == kind) return w.word;
  return "?";
}

int32_t ParseRequestScript(const std::string& text, const std::string& folder,
                           std::vector<Request>& requests, std::string& error) {
  std::istringstream in(text);
  std::string line;
  for (int32_t number = 1; std::getline(in, line); ++number) {
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    Request r;
    r.line = number;
    std::string why;
    if (ParseLine(line.substr(start), folder, r, why) < 0) {
      error = "line " + std::to_string(number) + ": " + why;
      return -1;
    }
    requests.push_back(std::move(r));
  }
  return 0;
}

std::string FormatRequestScript(const std::vector<Request>& requests) {
  std::string out;
  const auto numbers = [&out](std::initializer_list<int32_t> values) {
    for (int32_t v : values) {
      out += ' ';
      out += std::to_string(v);
    }
  };
  char width[40];
  for (const Request& r : requests) {
    out += RequestName(r.kind);
    switch (r.kind) {
      case RequestKind::Move:
      case RequestKind::Draw:
        numbers({r.x, r.y});
        break;
      case RequestKind::Pen:
      case RequestKind::LineType:
      case RequestKind::LineTypes:
        numbers({r.x});
        break;
      case RequestKind::Width:
        // Seventeen digits give the same double back.
        std::snprintf(width, sizeof width, " %.17g", r.inches);
        out += width;
        break;
      case RequestKind::Polygon:
      case RequestKind::PolygonInline:
        numbers({r.x});
        for (uint16_t v : r.xy) numbers({v});
        break;
      case RequestKind::Image:
        numbers({r.x, r.y, r.x2, r.y2});
        if (r.colourIndex != 7) {
          out += " index";
          numbers({r.colourIndex});
        }
        if (r.transparent) out += " transparent";
        if (r.frame.given) {
          out += " frame";
          for (double v : {r.frame.x, r.frame.y, r.frame.ux, r.frame.uy, r.frame.vx, r.frame.vy}) {
            std::snprintf(width, sizeof width, " %.17g", v);
            out += width;
          }
        }
        out += ' ';
        out += r.file;
        break;
      case RequestKind::Lift:
        break;
    }
    out += '\n';
  }
  return out;
}

namespace {

uint16_t PlayOne(const DriverLink& d, const Request& r, std::map<std::string, RasterPixels>& images,
                 std::string& error) {
  switch (r.kind) {
    case RequestKind::Move:
      return MoveTo(d, static_cast<uint16_t>(r.x), static_cast<uint16_t>(r.y));
    case RequestKind::Draw:
      return DrawTo(d, static_cast<uint16_t>(r.x), static_cast<uint16_t>(r.y));
    case RequestKind::Lift:
      return LiftPen(d);
    case RequestKind::Pen:
      return SelectPen(d, static_cast<uint16_t>(r.x));
    case RequestKind::LineType:
      return SelectLineType(d, static_cast<uint16_t>(r.x));
    case RequestKind::LineTypes:
      return SetLineTypeCount(d, static_cast<int16_t>(r.x));
    case RequestKind::Width:
      return SetPenWidth(d, r.inches);
    case RequestKind::Polygon:
      return FillPolygonAt(d, static_cast<int16_t>(r.x), r.xy);
    case RequestKind::PolygonInline:
      return FillPolygon(d, static_cast<int16_t>(r.x), r.xy);
    case RequestKind::Image: {
      auto it = images.find(r.file);
      if (it == images.end()) {
        RasterPixels pixels;
        std::string why;
        if (ReadRasterFile(r.file, pixels, why) < 0) {
          error = r.file + ": " + why;
          return kStatusFailed;
        }
        it = images.emplace(r.file, std::move(pixels)).first;
      }
      if (r.transparent) it->second.transparent = true;
      return SendRasterImage(d, r.x, r.y, r.x2, r.y2, it->second,
                             static_cast<int16_t>(r.colourIndex), r.frame);
    }
  }
  return kStatusOk;
}

}  // namespace

int32_t PlayRequests(const DriverLink& d, const std::vector<Request>& requests,
                     std::string& error) {
  // The pixels stay until the end of plot, by which time every image is fetched.
  std::map<std::string, RasterPixels> images;
  ResetImageHost();
  if (BeginPlot(d) == kStatusFailed) {
    error = "the driver refused to begin the plot";
    EndPlot(d);
    return 0;
  }
  int32_t failed = -1;
  for (size_t i = 0; i < requests.size() && failed < 0; ++i) {
    if (PlayOne(d, requests[i], images, error) == kStatusFailed) {
      failed = static_cast<int32_t>(i);
      if (error.empty())
        error = std::string("the driver refused the ") + RequestName(requests[i].kind) + " request";
    }
  }
  EndPlot(d);
  return failed;
}

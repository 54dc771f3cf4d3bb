// The request-script reader on arbitrary text. A script is either refused at
// a line it names, or read into requests whose values are in the ranges the
// script allows, which written out and read again give the same script.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/adihost/request_script.h"
#include "tools/fuzz/fuzz_host.h"

namespace {

bool InRange(int32_t v, int32_t low, int32_t high) {
  return v >= low && v <= high;
}

void CheckRequest(const Request& r) {
  bool fine = InRange(r.x, 0, 65535) && InRange(r.y, 0, 65535);
  switch (r.kind) {
    case RequestKind::Polygon:
    case RequestKind::PolygonInline:
      fine =
          fine && r.xy.size() % 2 == 0 && r.xy.size() >= 4 &&
          r.xy.size() / 2 <= (r.kind == RequestKind::PolygonInline ? kInlinePolygonLimit : 32767);
      break;
    case RequestKind::Image:
      fine = fine && InRange(r.x2, 0, 65535) && InRange(r.y2, 0, 65535) &&
             InRange(r.colourIndex, 0, 7) && !r.file.empty();
      break;
    default:
      break;
  }
  if (!fine) FuzzBroken("a request with values out of range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<Request> requests;
  std::string error;
  if (ParseRequestScript(text, "", requests, error) < 0) {
    if (error.rfind("line ", 0) != 0) FuzzBroken("a script refused without its line");
    return 0;
  }
  int32_t last = 0;
  for (const Request& r : requests) {
    if (r.line <= last) FuzzBroken("requests out of their lines' order");
    last = r.line;
    CheckRequest(r);
  }
  const std::string script = FormatRequestScript(requests);
  std::vector<Request> again;
  if (ParseRequestScript(script, "", again, error) < 0 || FormatRequestScript(again) != script)
    FuzzBroken("a script that does not read back as written");
  return 0;
}

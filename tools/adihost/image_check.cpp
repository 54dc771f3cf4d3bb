#include "tools/adihost/image_check.h"

#include <algorithm>

#include "tools/adihost/raster_file.h"

void DropUnreadableImages(std::vector<Request>& requests, std::map<std::string, int32_t>& notes) {
  std::map<std::string, std::string> why;  // file → reason it cannot be read; empty: readable
  for (const Request& r : requests) {
    if (r.kind != RequestKind::Image || why.count(r.file) != 0) continue;
    RasterPixels pixels;
    std::string error;
    why[r.file] = ReadRasterFile(r.file, pixels, error) < 0 ? error : "";
  }
  const auto unreadable = [&](const Request& r) {
    if (r.kind != RequestKind::Image || why[r.file].empty()) return false;
    const size_t slash = r.file.find_last_of("/\\");
    ++notes["IMAGE whose file cannot be read (" + r.file.substr(slash + 1) + ": " + why[r.file] +
            ")"];
    return true;
  };
  requests.erase(std::remove_if(requests.begin(), requests.end(), unreadable), requests.end());
}

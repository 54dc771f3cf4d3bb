#include "tools/adihost/plot_input.h"

#include <sys/stat.h>

#include <fstream>
#include <iostream>
#include <sstream>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/host/file_names.h"
#include "tools/adihost/raster_file.h"
#if defined(ADIHOST_WITH_DXF)
#include "tools/adihost/dxf_reader.h"
#endif

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i])
      return false;
  return true;
}

// A DXF file starts with a comment (999) or its first section (0, SECTION).
bool LooksLikeDxf(const std::string& text) {
  std::istringstream in(text);
  std::string code, value;
  if (!std::getline(in, code) || !std::getline(in, value)) return false;
  const auto trim = [](std::string s) {
    const size_t a = s.find_first_not_of(" \t\r");
    return a == std::string::npos ? std::string()
                                  : s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
  };
  return trim(code) == "999" || (trim(code) == "0" && trim(value) == "SECTION");
}

int32_t ReadWhole(const std::string& path, std::string& text, std::string& error) {
  std::ostringstream whole;
  if (path == "-") {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    whole << std::cin.rdbuf();
    text = whole.str();
    return 0;
  }
  // A folder opens as a stream on some systems and reads as nothing.
  struct stat s;
  if (stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode)) return error = "is a folder", -1;
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return error = "cannot open", -1;
  whole << in.rdbuf();
  if (in.bad()) return error = "cannot read", -1;
  text = whole.str();
  return 0;
}

}  // namespace

int32_t ReadPlotInput(const std::string& path, PlotInput& input, std::string& error) {
  std::string text;
  if (ReadWhole(path, text, error) < 0) return -1;
  input.isDxf = path == "-" ? LooksLikeDxf(text) : EndsWith(path, ".dxf");
  const std::string folder = path == "-" ? "." : FolderOf(path);
  if (input.isDxf) {
#if defined(ADIHOST_WITH_DXF)
    return ReadDxfText(text, folder.empty() ? "." : folder, input.drawing, error);
#else
    error =
        "DXF drawings are read by the Linux build; write them as a request script there with "
        "--dump-requests";
    return -1;
#endif
  }
  return ParseRequestScript(text, path == "-" ? "" : folder, input.requests, error);
}

bool PlotsAnything(const std::vector<Request>& requests) {
  for (const Request& r : requests)
    if (r.kind == RequestKind::Draw || r.kind == RequestKind::Polygon ||
        r.kind == RequestKind::PolygonInline || r.kind == RequestKind::Image)
      return true;
  return false;
}

int32_t DumpRequests(const std::string& path, std::vector<Request> requests, std::string& error) {
  const std::string folder = FolderOf(path);
  std::string stem = path.substr(path.find_last_of("/\\") + 1);
  if (stem.rfind('.') != std::string::npos && stem.rfind('.') > 0) stem.resize(stem.rfind('.'));
  int32_t count = 0;
  std::vector<std::pair<std::string, std::string>> converted;
  for (Request& r : requests) {
    if (r.kind != RequestKind::Image) continue;
    std::string name;
    for (const auto& [from, to] : converted)
      if (from == r.file) name = to;
    if (name.empty()) {
      RasterPixels pixels;
      if (ReadRasterFile(r.file, pixels, error) < 0) return error = r.file + ": " + error, -1;
      name = stem + "-image" + std::to_string(++count) + (pixels.colour ? ".ppm" : ".pbm");
      // A netpbm file has no alpha: the script line carries the transparency.
      if (pixels.transparent) r.transparent = true;
      if (WriteNetpbm((folder.empty() ? "" : folder + "/") + name, pixels) < 0)
        return error = name + ": cannot write", -1;
      converted.emplace_back(r.file, name);
    }
    r.file = name;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "# adihost request script\n" << FormatRequestScript(requests);
  if (!out.flush()) return error = path + ": cannot write", -1;
  return 0;
}

// jobview: draws a printer job of either language as the printer would print
// it, to a PNG or a true-scale PDF.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/jobview/render.h"

namespace {

constexpr const char* kUsage =
    "usage: jobview JOB -o OUT.png|OUT.pdf [--dpi N | --width PX]\n"
    "Draws an RTL/GL2 or QDRS+MMR job: the sheet and its margins, strokes, fills and\n"
    "raster bands. Anything not understood is reported once with its byte offset.\n"
    "  --dpi N      pixels per inch of the sheet (default 50; PNG only)\n"
    "  --width PX   the sheet's width in pixels (PNG only)\n"
    "Exit status: 0 drawn in full, 1 drawn with notes or from a damaged job,\n"
    "2 nothing written (bad arguments, unreadable job, unwritable output).\n";

bool Positive(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0' && value > 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string job, out;
  PreviewOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    double value = 0;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "-o" && hasValue) {
      out = argv[++i];
    } else if (arg == "--dpi" && hasValue && Positive(argv[i + 1], value)) {
      options.dpi = value;
      ++i;
    } else if (arg == "--width" && hasValue && Positive(argv[i + 1], value)) {
      options.widthPixels = static_cast<int32_t>(std::min(value, 1e6));
      ++i;
    } else if (job.empty() && !arg.empty() && arg[0] != '-') {
      job = arg;
    } else {
      std::fprintf(stderr, "jobview: bad argument %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (job.empty() || out.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return PreviewJobFile("jobview", job, out, options, stderr);
}

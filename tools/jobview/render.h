#pragma once
// Draws a job's picture with cairo: the sheet and its margins, then every
// stroke, fill and raster band in the order the job gives them. One call,
// PreviewJobFile, turns a job file into a PNG or PDF for a host.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/jobview/read_job.h"

struct PreviewOptions {
  double dpi = 0;           // pixels per inch of the sheet; used when width is 0
  int32_t widthPixels = 0;  // the sheet's width in pixels, when not 0
};

constexpr double kDefaultPreviewDpi = 50;

// An image of the sheet: one 32-bit pixel per entry, 0x00RRGGBB.
struct PreviewPixels {
  int32_t width = 0, height = 0;
  double dpi = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Each returns 0, or -1 with `error` set. Problems with single bands (damaged
// data) are added to the picture's notes and the rest is still drawn.
int32_t RenderToPixels(JobPicture& picture, const uint8_t* job, size_t size,
                       const PreviewOptions& options, PreviewPixels& out, std::string& error);
// PNG or, for a path ending in ".pdf", a PDF page of the sheet's true size.
int32_t RenderToFile(JobPicture& picture, const uint8_t* job, size_t size,
                     const PreviewOptions& options, const std::string& path, std::string& error);

// Reads the job file, writes its preview and prints every note as
// "PROGRAM: JOB: byte N: TEXT" on `messages`. 0 when the whole job was
// understood and drawn, 1 when it was drawn with notes or is damaged, 2 when
// nothing could be written.
int32_t PreviewJobFile(const char* program, const std::string& jobPath, const std::string& outPath,
                       const PreviewOptions& options, std::FILE* messages);

#pragma once
// One printed page through the driver, as a host plots it: the conversation
// with the page's sheet and the job's settings typed into the driver's own
// dialogs (so their checks apply and a refused value is reported, never
// applied), then one plot whose raster images are served strip by strip from
// the page's lines as they arrive, with no copy of the whole page.
//
// The driver keeps its state for the life of the loaded library and its
// scripted dialog user reads its script once, so a page is plotted by a
// process of its own that loads the driver for it (see rastertokalvo).
#include <cstdint>
#include <string>
#include <vector>

#include "tools/host/host_kernel.h"
#include "tools/host/settings.h"
#include "tools/print/page_layout.h"

// What a job asks for beyond its pages.
struct PrintSettings {
  Settings dialog;    // copies, media, label, finisher, tone: as the dialogs take them
  bool qdrs = false;  // the printers' binary language instead of RTL/GL2
  bool roll = false;  // a custom length of the roll, never a fixed size
  // Sent whole (tiles false), the most dots along the roll sent as one image:
  // the driver holds an image whole, one bit a dot, so this bounds its memory
  // by the sheet's width.
  int32_t mostStripsPerImage = 6000;
  // Sent band by band as tiles (see page_tiles.h), each coded by the driver in
  // one band, white ones left out where the tone curve keeps black and white.
  bool tiles = true;
  // What an image costs the driver beyond its dots, in dots of a large one
  // (measured on ARCH E pages at 600 dpi): bands whose tiles would cost more
  // go whole.
  int64_t imageCostInDots = 300000;
};

// The page's lines, top line first, where their reader put them: `take`
// gives the next line, which stays as it is until `release`, or nullptr when
// there are no more (the page was cut short or the job cancelled); `release`
// says every line taken so far is done with. The plot holds at most a band
// of lines at once (kMostBandLines, page_tiles.h).
struct LineSource {
  void* context = nullptr;
  const uint8_t* (*take)(void* context) = nullptr;
  void (*release)(void* context) = nullptr;
};

// The driver's paper list, from its descriptor.
std::vector<PaperSize> ReadPaperSizes(const DriverLink& d);

// The dialog script that sets the page's sheet and the job's settings; in
// the binary language a second round of the dialogs is cancelled so that the
// stored record's language stands (the dialogs offer only RTL/GL2).
std::string PageDialogScript(const PrintSettings& settings, const SheetChoice& sheet, int32_t dpi);

struct PageResult {
  bool complete = false;  // every line of the page reached the driver
  int32_t images = 0;
  int64_t bytes = 0;  // job bytes handed over
};

// The whole conversation and the plot of one page; the job's bytes go to
// the host log's write sink. 0, or -1 with the reason in `error`; a page cut
// short still ends as a whole job (its trailer written) and returns 0 with
// `complete` false.
int32_t PlotPage(const DriverLink& d, const PageFormat& page, const PrintSettings& settings,
                 const SheetChoice& sheet, const LineSource& lines, PageResult& result,
                 std::string& error);

#pragma once
// Pages of CUPS raster as the print host takes them: each page header is
// checked where it enters (sizes, resolution, the colour layout, and that the
// bytes of a line agree with its pixels) before anything is allocated for it,
// and the job's own choices that the queue's options put in the header are
// read out of it.
#include <cups/raster.h>

#include <cstdint>
#include <string>

#include "tools/print/page_layout.h"

// The widest roll (36 in) and the longest custom length (15000 mm) at the
// highest resolution, with a little room: no page the printer takes is larger.
constexpr int32_t kMostInchesAcross = 37;
constexpr int32_t kMostInchesAlong = 591;

// 0, or -1 with the reason in `error`.
int32_t CheckPageHeader(const cups_page_header2_t& header, PageFormat& page, std::string& error);

// Choices a PPD's options write into the header (see the queue's .drv).
struct HeaderChoices {
  int32_t media = 0;  // position in the driver's media list
  bool roll = true;   // input slot
  bool qdrs = false;  // output language
  int32_t finisherProgram = 0;
  int32_t tonePreset = 0;
};
HeaderChoices ChoicesFromHeader(const cups_page_header2_t& header);

#pragma once
// The conversation a CAD host holds with the driver around a drawing, in the
// host's own order: version check, messages, handshake, model query and
// capabilities, plot set-up and save; then, for the drawing, graphics reset,
// messages, configuration fetch, the optional main dialog, paper list and plot
// area, the optional summary and legend, model and line types.
#include <cstdint>
#include <string>

#include "tools/host/host_kernel.h"

// The sheet as the driver answered it: the usable area in inches and the host
// units per inch along each side. Host x runs along the length, y across.
struct SheetArea {
  double length = 0, width = 0;
  double unitsPerInch = 0, unitsPerInchAcross = 0;
};

struct DrawingStartOptions {
  bool configure = false;  // open the main dialog (graphics 46)
  bool summary = false;    // print the settings summary (31)
  bool legend = false;     // print the line-type legend (15)
  int16_t lineTypes = 8;   // line types the host announces
};

// The request that failed (0 when none did) and the area worked out so far.
struct ConversationResult {
  int16_t failedRequest = 0;
  SheetArea area;
};

ConversationResult HostHandshake(const DriverLink& d);
ConversationResult HostDrawingStart(const DriverLink& d, const SheetArea& area,
                                    const DrawingStartOptions& options);

// The descriptor as the host reads it (the handler addresses, which differ
// between builds, blanked) followed by the packets of the capability answers.
std::string ProbeDriver(const DriverLink& d);

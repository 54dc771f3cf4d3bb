#include "host/control.h"
#include "host/handlers.h"
#include "host/messages.h"
#include "host/services.h"
#include "raster/image.h"
#include "vector/image_frame.h"
#include "vector/requests.h"

namespace {

using Handler = void (*)(uint8_t*);

void RequestLoadMessages(uint8_t*) {
  LoadMessages();
}

struct GraphicsEntry {
  int16_t code;
  Handler handler;
};

// The graphics requests that the driver answers; any other code leaves the
// packet as the host wrote it.
constexpr GraphicsEntry kGraphicsRequests[] = {
    {2, RequestEndPlot},
    {3, RequestMove},
    {4, RequestDraw},
    {5, RequestSelectPen},
    {7, RequestLineType},
    {8, RequestLiftPen},
    {9, RequestAbort},
    {15, RequestLineTypeLegend},
    {29, RequestConfigFetch},
    {30, RequestBeginPlot},
    {31, RequestSummary},
    {33, RequestPolygonInline},
    {36, RequestLineTypeCount},
    {41, RequestPenWidth},
    {43, RequestModelLineTypes},
    {46, RequestConfigure},
    {47, RequestPlotArea},
    {48, RequestPaperList},
    {49, RequestReset},
    {50, RequestLoadMessages},
    {52, CaptureImageRequest},
    {54, RequestPolygonAt},
};

}  // namespace

extern "C" void GraphicsRequest(uint8_t* packet) {
  currentPacket = packet;
  // A captured image goes out ahead of whatever this request writes.
  EmitImageBetweenVectors();
  const int16_t code = static_cast<int16_t>(packet[0] | packet[1] << 8);
  for (const GraphicsEntry& entry : kGraphicsRequests)
    if (entry.code == code) return entry.handler(packet);
}

#include "host/control.h"
#include "host/handlers.h"
#include "host/messages.h"
#include "host/protocol.h"
#include "host/services.h"
#include "raster/image.h"
#include "vector/drawing_setup.h"
#include "vector/image_frame.h"
#include "vector/motion.h"
#include "vector/pens.h"
#include "vector/polygon.h"

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
    {kGraphicsEndPlot, RequestEndPlot},
    {kGraphicsMove, RequestMove},
    {kGraphicsDraw, RequestDraw},
    {kGraphicsSelectPen, RequestSelectPen},
    {kGraphicsLineType, RequestLineType},
    {kGraphicsLiftPen, RequestLiftPen},
    {kGraphicsAbort, RequestAbort},
    {kGraphicsLineTypeLegend, RequestLineTypeLegend},
    {kGraphicsConfigFetch, RequestConfigFetch},
    {kGraphicsBeginPlot, RequestBeginPlot},
    {kGraphicsSummary, RequestSummary},
    {kGraphicsPolygonInline, RequestPolygonInline},
    {kGraphicsLineTypeCount, RequestLineTypeCount},
    {kGraphicsPenWidth, RequestPenWidth},
    {kGraphicsModelLineTypes, RequestModelLineTypes},
    {kGraphicsConfigure, RequestConfigure},
    {kGraphicsPlotArea, RequestPlotArea},
    {kGraphicsPaperList, RequestPaperList},
    {kGraphicsReset, RequestReset},
    {kGraphicsLoadMessages, RequestLoadMessages},
    {kGraphicsImage, CaptureImageRequest},
    {kGraphicsPolygonAt, RequestPolygonAt},
};

}  // namespace

extern "C" void GraphicsRequest(uint8_t* packet) {
  currentPacket = packet;
  // A captured image goes out ahead of whatever this request writes.
  EmitImageBetweenVectors();
  const int16_t code = ReadI16(packet, kCodeAt);
  for (const GraphicsEntry& entry : kGraphicsRequests)
    if (entry.code == code) return entry.handler(packet);
}

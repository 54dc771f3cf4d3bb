#pragma once
// The graphics requests, one function each; the dispatcher hands them the packet.
#include <cstdint>

// Pen motion and the plot's frame.
void RequestEndPlot(uint8_t* packet);    // 2
void RequestMove(uint8_t* packet);       // 3
void RequestDraw(uint8_t* packet);       // 4
void RequestLiftPen(uint8_t* packet);    // 8
void RequestAbort(uint8_t* packet);      // 9
void RequestBeginPlot(uint8_t* packet);  // 30
// Pens, line types and widths.
void RequestSelectPen(uint8_t* packet);       // 5
void RequestLineType(uint8_t* packet);        // 7
void RequestLineTypeCount(uint8_t* packet);   // 36
void RequestPenWidth(uint8_t* packet);        // 41
void RequestModelLineTypes(uint8_t* packet);  // 43
// Polygons.
void RequestPolygonInline(uint8_t* packet);  // 33
void RequestPolygonAt(uint8_t* packet);      // 54
// Drawing set-up.
void RequestLineTypeLegend(uint8_t* packet);  // 15
void RequestConfigFetch(uint8_t* packet);     // 29
void RequestSummary(uint8_t* packet);         // 31
void RequestConfigure(uint8_t* packet);       // 46
void RequestPlotArea(uint8_t* packet);        // 47
void RequestPaperList(uint8_t* packet);       // 48
void RequestReset(uint8_t* packet);           // 49

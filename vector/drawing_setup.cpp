#include "vector/requests.h"
// Not built yet.
void RequestLineTypeLegend(uint8_t*) {}
void RequestConfigFetch(uint8_t*) {}
void RequestSummary(uint8_t*) {}
void RequestConfigure(uint8_t*) {}
void RequestPlotArea(uint8_t*) {}
void RequestPaperList(uint8_t*) {}
void RequestReset(uint8_t*) {}

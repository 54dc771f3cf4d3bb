#include "vector/requests.h"
// Not built yet.
void RequestEndPlot(uint8_t*) {}
void RequestMove(uint8_t*) {}
void RequestDraw(uint8_t*) {}
void RequestLiftPen(uint8_t*) {}
void RequestAbort(uint8_t*) {}
void RequestBeginPlot(uint8_t*) {}

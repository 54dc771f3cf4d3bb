#pragma once
// The plot's frame and the pen motion, as graphics requests.
#include <cstdint>

void RequestEndPlot(uint8_t* packet);    // 2
void RequestMove(uint8_t* packet);       // 3
void RequestDraw(uint8_t* packet);       // 4
void RequestLiftPen(uint8_t* packet);    // 8
void RequestAbort(uint8_t* packet);      // 9
void RequestBeginPlot(uint8_t* packet);  // 30

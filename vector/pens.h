#pragma once
// Pens, line types and widths, as graphics requests, and the pen a host pen
// draws lines with.
#include <cstdint>

// The pen that a host pen maps to: defaultPen, or the red pen itself.
int16_t MapPen(int32_t requested);

void RequestSelectPen(uint8_t* packet);       // 5
void RequestLineType(uint8_t* packet);        // 7
void RequestLineTypeCount(uint8_t* packet);   // 36
void RequestPenWidth(uint8_t* packet);        // 41
void RequestModelLineTypes(uint8_t* packet);  // 43

#pragma once
// Filled polygons, from the vertices inside a request or at an address the
// request gives.
#include <cstdint>

// `vertices` holds `count` (at least 2) little-endian pairs of u16 x, u16 y.
// 0, or -1 as soon as a write fails, or with nothing written for a QDRS
// polygon of more vertices than its record can count.
int32_t FillPolygon(int16_t pen, int32_t count, const uint8_t* vertices);

void RequestPolygonInline(uint8_t* packet);  // 33
void RequestPolygonAt(uint8_t* packet);      // 54

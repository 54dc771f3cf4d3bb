#pragma once
// Filled polygons, from the vertices inside a request or at an address the
// request gives.
#include <cstdint>

#include "host/protocol.h"

// `vertices` holds `count` (at least 2) little-endian pairs of u16 x, u16 y.
// 0, or -1 as soon as a write fails, or with nothing written for a polygon of
// more vertices than the plot's language can count.
int32_t FillPolygon(int16_t pen, int32_t count, const uint8_t* vertices);

void RequestPolygonInline(uint8_t* packet);  // 33
void RequestPolygonAt(uint8_t* packet);      // 54

// Vertex i of such pairs, in host units.
inline int32_t VertexX(const uint8_t* vertices, int32_t i) {
  return ReadU16(vertices, kVertexSize * i + kVertexX);
}
inline int32_t VertexY(const uint8_t* vertices, int32_t i) {
  return ReadU16(vertices, kVertexSize * i + kVertexY);
}

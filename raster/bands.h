#pragma once
// The band writer: the finished canvas cut into bands, each coded as one MMR
// image and handed to the image's framing.
#include <cstdint>

// Codes and writes the canvas band by band. 0, or -1 when memory for a band is
// short (the bands before it are written).
int32_t RasterFinish();
// The 4-byte groups of count bytes reversed, so little-endian words go out most
// significant byte first. Source and destination may be the same.
void SwapWordBytes(const uint8_t* source, uint8_t* destination, int32_t count);

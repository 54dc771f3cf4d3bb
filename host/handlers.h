#pragma once
// The two request handlers that the descriptor names. The host calls them with
// the packet of one request; control.cpp answers the control requests and the
// graphics dispatcher (vector/graphics.cpp) the graphics requests.
#include <cstdint>

extern "C" void ControlRequest(uint8_t* packet) __attribute__((cdecl));
extern "C" void GraphicsRequest(uint8_t* packet) __attribute__((cdecl));

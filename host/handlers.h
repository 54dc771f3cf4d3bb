#pragma once
// The two request handlers that the descriptor names. The host calls them with
// the packet of one request; control.cpp answers the control requests and the
// graphics dispatcher (vector/graphics.cpp) the graphics requests.
#include <cstdint>

#include "platform/abi.h"

extern "C" void DRIVER_CDECL ControlRequest(uint8_t* packet);
extern "C" void DRIVER_CDECL GraphicsRequest(uint8_t* packet);

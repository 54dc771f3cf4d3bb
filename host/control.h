#pragma once
// The control requests, answered by ControlRequest (host/handlers.h).
#include <cstdint>

// Request 49, for both handlers: clears the failure state, then checks the
// caller's version.
void VersionCheck(uint8_t* packet);

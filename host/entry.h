#pragma once
// The library's single export. The host calls it with its service table and
// gets the descriptor, which names the two request handlers. Hosts that link
// the driver's objects call it directly; the others find it in the library.
#include "host/protocol.h"

extern "C" DRIVER_EXPORT WireAddress DRIVER_STDCALL PLADI(WireAddress services, WireAddress unused);

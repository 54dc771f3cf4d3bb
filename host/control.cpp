#include "host/services.h"
#include "vector/requests.h"
// Not built yet.
extern "C" void ControlRequest(uint8_t* packet) { currentPacket = packet; }
void VersionCheck(uint8_t*) {}

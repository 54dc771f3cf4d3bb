#include "vector/requests.h"
// Not built yet.
void RequestPolygonInline(uint8_t*) {}
void RequestPolygonAt(uint8_t*) {}

#include "vector/requests.h"
// Not built yet.
void RequestSelectPen(uint8_t*) {}
void RequestLineType(uint8_t*) {}
void RequestLineTypeCount(uint8_t*) {}
void RequestPenWidth(uint8_t*) {}
void RequestModelLineTypes(uint8_t*) {}

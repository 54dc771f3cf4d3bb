#include "raster/image.h"
// Not built yet.
uint32_t imageMarker = 0;
void CaptureImageRequest(uint8_t*) {}
int32_t EmitPendingImage() {
  imageMarker = 0;
  return 0;
}

#include "vector/image_frame.h"

#include "output/buffer.h"
#include "raster/image.h"
#include "vector/language.h"
#include "vector/state.h"

namespace {

// What the image disturbed is written again, and the pen is idle.
void RestoreAfterImage(int32_t right, int32_t bottom) {
  plotLanguage->writeAfterImage(right, bottom);
  penState = kPenIdle;
}

}  // namespace

void EmitImageBetweenVectors() {
  if (imageMarker != kImagePending) return;
  ImageSurroundings around{};
  around.polylineOpen = plotOpen == 1 || penState != kPenIdle;
  around.writeBefore = plotLanguage->writeBeforeImage;
  around.writeAfter = RestoreAfterImage;
  around.framing = plotLanguage->raster;
  EmitPendingImage(around);
}

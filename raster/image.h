#pragma once
// Raster images: request 52 only captures the image; the next graphics request,
// whatever it is, first emits it.
#include <cstdint>

#include "raster/framing.h"

constexpr uint32_t kImagePending = 0x5A5A;
extern uint32_t imageMarker;

void CaptureImageRequest(uint8_t* packet);
// What the vector side writes around an image, in the plot's language.
struct ImageSurroundings {
  // HP-GL/2: a plot or a polyline is open, so the image's first instruction
  // must end it.
  bool polylineOpen;
  // Into the output buffer, once the image is sure to be drawn.
  int32_t (*writeBefore)();
  // Straight to the host after the raster: every setting the image disturbed,
  // given the image's right and bottom edges in drawing units.
  void (*writeAfter)(int32_t right, int32_t bottom);
  // How the raster is framed.
  const RasterFraming* framing;
};

// Writes the pending image, if any, between what `around` writes. Always 0.
int32_t EmitPendingImage(const ImageSurroundings& around);

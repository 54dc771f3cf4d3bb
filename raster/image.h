#pragma once
// Raster images: request 52 only captures the image; the next graphics request,
// whatever it is, first emits it.
#include <cstdint>

constexpr uint32_t kImagePending = 0x5A5A;
extern uint32_t imageMarker;

void CaptureImageRequest(uint8_t* packet);
// Writes the pending image, if any, and restores the vector state. Always 0.
int32_t EmitPendingImage();

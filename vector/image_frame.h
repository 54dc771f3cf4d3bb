#pragma once
// A captured image goes out between the vector parts of the plot.

// Emits the pending image, if any, in the framing of the plot's language,
// with what that language writes before the raster and, after it, every
// setting the image disturbed written again.
void EmitImageBetweenVectors();

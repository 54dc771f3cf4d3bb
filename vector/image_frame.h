#pragma once
// A captured image goes out between the vector parts of the plot.

// Emits the pending image, if any, framed for the plot's language: the QDRS
// job's vector part ends before the raster, and after it every setting the
// image disturbed is written again.
void EmitImageBetweenVectors();

#pragma once
// The 256-entry pen colour table and the grey rule that the palette of the job
// header and of the image tail apply to it.
#include <cstdint>

struct PenColour {
  uint8_t red, green, blue;
};

// Entry `pen` (0..255) after the grey rule: a colour becomes the grey
// (30 R + 59 G + 11 B) / 100; a grey keeps its values.
PenColour GreyPen(int32_t pen);
// Where the palette's items go: the output buffer for the job header, straight
// to the host after an image.
using PaletteWriter = int32_t (*)(const char* text);
// "PC" for pens 1..255 in HP-GL/2, red for the red pen where the model prints
// red. When `setDefaultPen`, a black pen becomes defaultPen as the header does.
int32_t WritePenPalette(bool setDefaultPen, PaletteWriter write);

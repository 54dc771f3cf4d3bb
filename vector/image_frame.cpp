#include "vector/image_frame.h"

#include <cstring>

#include "config/record.h"
#include "output/buffer.h"
#include "raster/canvas.h"
#include "raster/image.h"
#include "vector/header_qdrs.h"
#include "vector/palette.h"
#include "vector/state.h"

namespace {

void WriteKeptText(const KeptCommand& kept) {
  const void* end = std::memchr(kept.bytes, 0, sizeof kept.bytes);
  const int32_t length = end != nullptr
                             ? static_cast<int32_t>(static_cast<const uint8_t*>(end) - kept.bytes)
                             : static_cast<int32_t>(sizeof kept.bytes);
  if (length > 0) RasterWrite(length, kept.bytes);
}

void WriteKeptBytes(const KeptCommand& kept) {
  if (kept.length > 0 && kept.length <= static_cast<int32_t>(sizeof kept.bytes))
    OutWriteBytes(kept.length, kept.bytes);
}

// The tail goes straight to the host, whether a plot is open or not.
int32_t WriteToHost(const char* text) {
  RasterWriteText("%s", text);
  return 0;
}

// HP-GL/2: transparency off, the pen back where the plot left it, the
// palette and the kept settings.
void RestoreHpgl(int32_t right, int32_t bottom) {
  RasterWriteText("TR0;");
  RasterWriteText("PA%d,%d", right, bottom);
  RasterWriteText("PU%d,%d", outX, outY);
  RasterWriteText("PR");
  WritePenPalette(false, WriteToHost);
  WriteKeptText(lastWindowCommand);
  WriteKeptText(lastPenCommand);
  WriteKeptText(lastWidthCommand);
  WriteKeptText(lastLineTypeCommand);
  penState = kPenIdle;
}

// QDRS: a new job part, set up as the header set it up, and the kept settings.
void RestoreQdrs(int32_t, int32_t) {
  RasterWriteBytes({0x9B, 0x5E, 0x00, 0x02, 0x00, 0x02});
  WriteQdrsModelSetup();
  WriteQdrsPenSetup();
  WriteKeptBytes(lastPenCommand);
  WriteKeptBytes(lastAreaPenCommand);
  WriteKeptBytes(lastWidthCommand);
  WriteKeptBytes(lastLineTypeCommand);
  penState = kPenIdle;
}

}  // namespace

void EmitImageBetweenVectors() {
  if (imageMarker != kImagePending) return;
  ImageSurroundings around{};
  around.polylineOpen = plotOpen == 1 || penState != kPenIdle;
  if (QdrsOutput()) {
    around.writeBefore = WriteQdrsJobEnd;
    around.writeAfter = RestoreQdrs;
  } else {
    around.writeAfter = RestoreHpgl;
  }
  EmitPendingImage(around);
}

#include "vector/reset.h"

#include <cstring>

#include "config/descriptor.h"
#include "config/geometry.h"
#include "config/record.h"
#include "config/tone.h"
#include "host/messages.h"
#include "host/services.h"
#include "output/buffer.h"
#include "platform/module.h"
#include "raster/canvas.h"
#include "raster/image.h"
#include "vector/drawing_setup.h"
#include "vector/language.h"
#include "vector/state.h"

namespace {

void ResetHostFrame() {
  currentPacket = nullptr;
  driverErrorState = 0;
  hostWindow = 0;
  moduleHandle = nullptr;
  std::memset(MessageTable, 0, sizeof MessageTable);
  RestoreDeviceTables();
}

void ResetSettings() {
  configRecord = ConfigRecord{};
  SetConfigDefaults(configRecord, 0);
  workingRecord = configRecord;
  currentModel = selectedModel = 0;
  labelText[0] = '\0';
  for (double& m : marginInches) m = 0;
  usableLength = usableWidth = 0;
  widthAtLeastLength = 0;
  sizeFactor = 1;
  unitScale = 0.5;
  unitsPerInch[0] = unitsPerInch[1] = 0;
}

void ResetDrawing() {
  plotLanguage = &kHpglLanguage;
  OutClose();
  plotOpen = 0;
  copyCount = 1;
  penState = previousPenState = kPenIdle;
  hostX = hostY = -1;
  outX = outY = prevOutX = prevOutY = 0;
  currentPen = 1;
  defaultPen = 7;
  penReselectDue = 0;
  lineTypeCount = 0;
  std::strcpy(polylineCommand, "PE7");
  shortCoordinates = 1;
  hostFlagWord = 0;
  previousHostSetting = -1;
  plotLengthUnits = plotWidthUnits = marginUnits = 0;
  for (KeptCommand* kept : {&lastPenCommand, &lastAreaPenCommand, &lastWidthCommand,
                            &lastLineTypeCommand, &lastWindowCommand})
    *kept = KeptCommand{};
  paperListDue = 0;
  paperCount = 0;
}

void ResetImages() {
  RasterRelease();
  raster.framing = &kRtlFraming;
  imageMarker = 0;
  rasterDpi = 600;
  rasterCanvasLimit = kRasterCanvasLimit;
  ResetToneTable();
}

}  // namespace

void ResetDriverState() {
  ResetDrawing();
  ResetImages();
  ResetSettings();
  ResetHostFrame();
}

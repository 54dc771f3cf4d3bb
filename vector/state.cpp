#include "vector/state.h"

#include <cstring>

uint16_t penState = kPenIdle;
uint16_t previousPenState = kPenIdle;
int32_t hostX = -1, hostY = -1;
int32_t outX = 0, outY = 0;
int32_t prevOutX = 0, prevOutY = 0;
int16_t currentPen = 1;
int16_t defaultPen = 7;
uint8_t penReselectDue = 0;
int32_t lineTypeCount = 0;
char polylineCommand[4] = "PE7";
int32_t shortCoordinates = 1;
uint32_t hostFlagWord = 0;
int32_t previousHostSetting = -1;
int32_t plotLengthUnits = 0;
int32_t plotWidthUnits = 0;
int32_t marginUnits = 0;

KeptCommand lastPenCommand;
KeptCommand lastAreaPenCommand;
KeptCommand lastWidthCommand;
KeptCommand lastLineTypeCommand;
KeptCommand lastWindowCommand;

void KeepBytes(KeptCommand& kept, const uint8_t* bytes, int32_t length) {
  if (length < 0) length = 0;
  if (length > static_cast<int32_t>(sizeof kept.bytes) - 1)
    length = static_cast<int32_t>(sizeof kept.bytes) - 1;
  std::memcpy(kept.bytes, bytes, length);
  kept.bytes[length] = 0;
  kept.length = length;
}

void KeepText(KeptCommand& kept, const char* text) {
  KeepBytes(kept, reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(std::strlen(text)));
}

#pragma once
// The driver's built-in message texts: 86 slots of up to 80 bytes of
// Portuguese text in Windows-1252, trailing blanks included.

constexpr int kMessageSlots = 86;
constexpr int kMessageSlotSize = 80;

extern const char* const kBuiltInMessages[kMessageSlots];

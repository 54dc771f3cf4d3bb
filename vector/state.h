#pragma once
// The drawing state of the plot in progress, shared by the graphics requests,
// the job header and trailer, and the image emission that must restore it.
#include <cstdint>

// The pen-state machine. In HP-GL/2 output a polyline instruction is open in
// every state but kPenIdle; in QDRS output only draws write records.
constexpr uint16_t kPenIdle = 1;    // no polyline open / no line in progress
constexpr uint16_t kPenLifted = 2;  // "<" written; the next point completes the pen-up move
constexpr uint16_t kPenDrawn = 4;   // the last point was drawn
constexpr uint16_t kPenMoved = 8;   // the last point was a move
extern uint16_t penState;
extern uint16_t previousPenState;

extern int32_t hostX, hostY;        // last host point, host units
extern int32_t outX, outY;          // last point, output units
extern int32_t prevOutX, prevOutY;  // the point before it

// From the point before to the last point, output units.
struct Step {
  int32_t dx, dy;
};

extern int16_t currentPen;
extern int16_t defaultPen;  // every host pen maps to it (7 until a header changes it)
extern uint8_t penReselectDue;
extern int32_t lineTypeCount;
extern char polylineCommand[4];   // "PE7" or "PE"
extern int32_t shortCoordinates;  // QDRS: 16-bit (1) or 32-bit (0) numbers
extern uint32_t hostFlagWord;
extern int32_t previousHostSetting;  // from the host's swap at plot start; -1 = none

// The plot area in output units, worked out by the job header.
extern int32_t plotLengthUnits;  // A
extern int32_t plotWidthUnits;   // B
extern int32_t marginUnits;      // m

// The exact bytes last written for a setting, re-emitted after an image. In
// HP-GL/2 output they are NUL-terminated text.
struct KeptCommand {
  uint8_t bytes[64];
  int32_t length;
};
extern KeptCommand lastPenCommand;
extern KeptCommand lastAreaPenCommand;
extern KeptCommand lastWidthCommand;
extern KeptCommand lastLineTypeCommand;
extern KeptCommand lastWindowCommand;

void KeepText(KeptCommand& kept, const char* text);
void KeepBytes(KeptCommand& kept, const uint8_t* bytes, int32_t length);

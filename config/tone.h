// Tone curve: five control levels shape a quartic Bezier curve over the grey range, and the
// curve, sampled at the 256 grey levels, becomes the table that the halftone step looks up.
#pragma once

#include <cstdint>

// One sample of the curve: input position and output level, both truncated toward zero.
struct CurveSample {
  int32_t position;
  int32_t level;
};

// Index: input grey level (0 black, 255 white). Value: output level in the same sense.
extern uint8_t ToneTable[256];
// What ToneTable holds before any curve is applied; entries 0, 64, 128, 192 and 255 are the
// default control levels.
extern const uint8_t DefaultToneTable[256];
extern int32_t CurveLevels[5];
extern CurveSample CurveSamples[256];

// Indices outside 0..255 read as 0 and are not stored.
uint8_t GetToneLevel(int32_t index);
void SetToneLevel(int32_t index, int32_t value);  // keeps the low 8 bits of value
void ResetToneTable();
void ComputeToneCurve();
void ApplyToneCurve();
void LoadCurveLevels(const uint8_t toneLevels[5]);
// The curve of five control values at sample i of 256 (t = i/255), truncated toward zero.
int32_t Bezier4(int32_t i, const int32_t p[5]);

#pragma once
// The brightness dialog: the user shapes the tone curve by dragging its five
// handles on a graph or by stepping three arrow controls.
#include <cstdint>

#include "platform/win32.h"

struct GraphPoint {
  int32_t x, y;
};

// Handle positions and the curve in graph pixels, as last painted.
extern GraphPoint HandlePixels[5];
extern GraphPoint ScreenCurve[256];

// Runs the dialog over the configuration dialog `owner`. The curve starts from
// the working record's levels; the caller reads CurveLevels when it returns.
void BrightnessDialog(HWND owner);

// One step of an arrow control (1 up, -1 down); false when its guard, or the
// range and order of the levels, refuse it.
enum class CurveArrow { Contrast, Shift, Middle };
bool StepCurve(CurveArrow arrow, int32_t direction);

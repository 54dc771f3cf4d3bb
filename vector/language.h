#pragma once
// A plot's output language, chosen once when the plot begins: what it writes
// for the job, the pen's motion, pens, fills and around an image. The
// pen-state machine (vector/motion.cpp), the points (vector/points.cpp), pens
// and fills ask the plot's language, never which one it is. HP-GL/2 is written
// by vector/language_hpgl.cpp, QDRS by vector/language_qdrs.cpp.
#include <cstdint>

#include "raster/framing.h"
#include "vector/state.h"

// A polygon to fill: `vertices` holds `count` pairs as the request carries them.
struct PolygonFill {
  int16_t pen;      // the host's pen
  int16_t fillPen;  // the pen that fills
  bool solid;       // a solid fill ends with the host's pen selected again
  int32_t count;
  const uint8_t* vertices;
};

// Every write returns 0 or -1.
struct VectorLanguage {
  // The job around the plot; the trailer's writes are not examined.
  int32_t (*writeHeader)();
  void (*writeTrailer)();
  // What opens a move or a draw from the pen's state before it; a draw
  // answers the state its point is drawn in (or -1).
  int32_t (*openMove)(uint16_t state);
  int32_t (*openDraw)(uint16_t state);
  int32_t (*liftPen)();
  // A move's or a draw's point, already converted.
  int32_t (*writePoint)(Step step);
  // Ends an open polyline before another instruction.
  int32_t (*endPolyline)();
  // `pen` draws the lines; `requested` is the host's pen, which fills take.
  int32_t (*selectPen)(int16_t pen, int32_t requested);
  // The line pen again after a fill.
  int32_t (*reselectPen)(int16_t pen);
  int32_t (*selectLineType)(int32_t type);  // 0 solid, else a defined pattern
  int32_t (*setPenWidth)(double inches);
  // The most vertices one polygon may have, and its fill.
  int32_t mostPolygonVertices;
  int32_t (*fillPolygon)(const PolygonFill& fill);
  // Around an image: into the buffer before it once it is sure to be drawn
  // (none when null), straight to the host after it, and its framing.
  int32_t (*writeBeforeImage)();
  void (*writeAfterImage)(int32_t right, int32_t bottom);
  const RasterFraming* raster;
};

extern const VectorLanguage kHpglLanguage;
extern const VectorLanguage kQdrsLanguage;

// The language of the plot in progress; HP-GL/2 until a plot begins.
extern const VectorLanguage* plotLanguage;

// At the start of a plot: the record's output-language bit chooses.
void ChooseOutputLanguage();

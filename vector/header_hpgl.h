#pragma once
// The HP-GL/2 job: PJL around it, the finisher, media, sheet and pens set up
// when a plot opens, and its end.
#include <cstdint>

int32_t WriteHpglJobHeader();  // 0, or -1 when request 30 must answer 0xFFFF
void WriteHpglTrailer();       // its write results are not examined

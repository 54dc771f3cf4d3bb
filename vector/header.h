#pragma once
// The job header written when a plot opens and the trailer written when it
// closes, in either output language. The QDRS set-up pieces are separate
// because the image emission writes them again after every image.
#include <cstdint>

int32_t WriteJobHeader();  // 0, or -1 when request 30 must answer 0xFFFF
void WriteJobTrailer();    // its write results are not examined
int32_t WriteQdrsModelSetup();
int32_t WriteQdrsPenSetup();
int32_t WriteQdrsJobEnd();

#pragma once
// The job header written when a plot opens and the trailer written when it
// closes, in either output language.
#include <cstdint>

int32_t WriteJobHeader();  // 0, or -1 when request 30 must answer 0xFFFF
void WriteJobTrailer();    // its write results are not examined

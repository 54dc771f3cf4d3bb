#pragma once
// The QDRS job header and trailer. The set-up pieces are separate because the
// image emission writes them again after every image.
#include <cstdint>

int32_t WriteQdrsJobHeader();
void WriteQdrsTrailer();
int32_t WriteQdrsModelSetup();
int32_t WriteQdrsPenSetup();
int32_t WriteQdrsJobEnd();

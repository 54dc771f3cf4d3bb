#pragma once
// Reads a job of either language into the picture the preview draws.
#include <cstddef>
#include <cstdint>

#include "tools/jobview/picture.h"

// 0 when the job was read to its end, -1 when it is damaged (the notes say
// where; what came before is kept).
int32_t ReadJob(const uint8_t* job, size_t size, JobPicture& picture);

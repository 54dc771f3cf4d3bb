#pragma once
// Reads a "QDRS+MMR" job: the printers' binary records and their raster.
#include <cstddef>
#include <cstdint>

#include "tools/jobview/picture.h"

int32_t ReadQdrsJob(const uint8_t* job, size_t size, JobPicture& picture);

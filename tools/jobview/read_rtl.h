#pragma once
// Reads an "RTL/GL2" job: its PJL wrapper, HP-GL/2 and the HP RTL raster.
#include <cstddef>
#include <cstdint>

#include "tools/jobview/picture.h"

int32_t ReadRtlJob(const uint8_t* job, size_t size, JobPicture& picture);

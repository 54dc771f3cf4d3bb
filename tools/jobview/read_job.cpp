// The language of a job is told by its first byte: the binary language opens
// with a job-control record, the other with the PJL escape or plain text.
#include "tools/jobview/read_job.h"

#include "tools/jobview/read_qdrs.h"
#include "tools/jobview/read_rtl.h"

int32_t ReadJob(const uint8_t* job, size_t size, JobPicture& picture) {
  picture = JobPicture{};
  if (size > 0 && job[0] == 0x9B) return ReadQdrsJob(job, size, picture);
  return ReadRtlJob(job, size, picture);
}
